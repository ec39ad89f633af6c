#include "link/com_port_driver.h"
#include "metersim/mode_frame.h"
#include "records/chart_pager.h"
#include "records/reading_log.h"
#include "records/records_table.h"
#include "support/pty_pair.h"
#include "support/window_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using testsupport::WindowFixture;

class WindowEndToEnd : public WindowFixture {
protected:
    /** A raw pseudo-terminal standing for the meter's line; COM1 is its device side. */
    void openMeterLine()
    {
        char name[256] = {};
        ASSERT_EQ(::openpty(&meter, &device, name, nullptr, nullptr), 0);
        termios raw {};
        ::tcgetattr(device, &raw);
        ::cfmakeraw(&raw);
        ::tcsetattr(device, TCSANOW, &raw);
        qputenv("BRENMOOR_COM1", QByteArray(name));
    }

    void TearDown() override
    {
        qunsetenv("BRENMOOR_COM1");
        if (device >= 0)
            ::close(device);
        if (meter >= 0)
            ::close(meter);
        WindowFixture::TearDown();
    }

    int meter = -1;
    int device = -1;
};

TEST_F(WindowEndToEnd, ComConnectShowsTheSimulatorsReadings)
{
    provideTemplate();
    ASSERT_NO_FATAL_FAILURE(openMeterLine());
    auto send = [this](const QByteArray& bytes) {
        ASSERT_EQ(::write(meter, bytes.data(), bytes.size()), bytes.size());
    };

    auto w = makeWindow();
    w->COMCon->click();
    ASSERT_TRUE(w->COMM2->IsOpen());

    const metersim::ModeFrame frames[] = {
        { .range = 1, .digits = QStringLiteral("1234"), .dc = true, .autoRange = true },
        { .range = 1, .digits = QStringLiteral("2345"), .dc = true, .autoRange = true },
    };
    // The first frame only supplies the LF the second one is led by.
    send(frames[0].bytes());
    send(frames[1].bytes());
    const QDeadlineTimer deadline(1000);
    while (w->reading().ValueText.isEmpty() && !deadline.hasExpired())
        QTest::qWait(20);

    EXPECT_EQ(w->reading().ValueText, "2,345");
    EXPECT_EQ(w->reading().UnitText, "V");
    EXPECT_EQ(w->reading().AcDcText, "DC");
    EXPECT_EQ(w->reading().AutoText, "AUTO");
    EXPECT_EQ(w->panelModel().caption(PanelModel::LcdDa), "2");
    EXPECT_EQ(w->panelModel().caption(PanelModel::LcdDd), "5");
    EXPECT_TRUE(w->panelModel().isVisible(PanelModel::LcdV));
    EXPECT_FALSE(w->CONok->isHidden());
    EXPECT_EQ(w->T1VALUE->text(), "2,345");
    EXPECT_EQ(w->judge->text(), "Pass");
    EXPECT_TRUE(asked().empty());

    w->COMCon->click();
    EXPECT_FALSE(w->COMM2->IsOpen());
}

} // namespace

namespace {

// A scripted sequence from the meter's line into the records grid: numbers,
// DC/AC, value with the unchecked decimal mark, unit glyphs, AUTO/MANU.
TEST_F(WindowEndToEnd, ReadingsBecomeGridRows)
{
    provideTemplate();
    ASSERT_NO_FATAL_FAILURE(openMeterLine());

    auto w = makeWindow();
    w->RecordSI->setChecked(false); // every reading, no sampling interval
    w->COMCon->click();
    ASSERT_TRUE(w->COMM2->IsOpen());

    const metersim::ModeFrame frames[] = {
        { .range = 1, .digits = QStringLiteral("1234"), .dc = true, .autoRange = true },
        { .range = 1, .digits = QStringLiteral("2345"), .dc = true, .autoRange = true },
        { .range = 1, .digits = QStringLiteral("0456"), .ac = true },
        { .range = 1, .digits = QStringLiteral("3001"), .dc = true, .autoRange = true },
    };
    QByteArray line;
    for (const auto& f : frames)
        line += f.bytes();
    line += frames[0].bytes(); // ends the last frame of the script
    ASSERT_EQ(::write(meter, line.data(), line.size()), line.size());

    const QDeadlineTimer deadline(3000);
    while (w->T20VDB->rowCount() < 4 && !deadline.hasExpired())
        QTest::qWait(20);

    // The frame led by no LF is the first; rows follow the script from there.
    const struct {
        const char* no;
        const char* acDc;
        const char* value;
        const char* unit;
        const char* autoText;
    } expected[] = {
        { "1", "DC", "2,345", "V", "AUTO" },
        { "2", "AC", "0,456", "V", "MANU" },
        { "3", "DC", "3,001", "V", "AUTO" },
    };
    ASSERT_GE(w->T20VDB->rowCount(), 3);
    QAbstractItemModel* grid = w->DBGrid1->model();
    const auto cell = [&](int row, const char* field) {
        return grid->index(row, w->T20VDB->fieldIndex(QLatin1String(field))).data().toString();
    };
    for (int row = 0; row < 3; ++row) {
        const auto& e = expected[row];
        SCOPED_TRACE(row);
        EXPECT_EQ(cell(row, "No"), e.no);
        EXPECT_EQ(cell(row, "DC/AC"), e.acDc);
        EXPECT_EQ(cell(row, "Value"), e.value);
        EXPECT_EQ(cell(row, "Unit"), e.unit);
        EXPECT_EQ(cell(row, "AUTO"), e.autoText);
        EXPECT_TRUE(QTime::fromString(cell(row, "Time"), QStringLiteral("HH:mm:ss")).isValid())
            << cell(row, "Time").toStdString();
    }

    w->COMCon->click();
}

} // namespace

namespace {

// Two meters logged side by side: two windows started from the same folder
// share its records template, each on a line of its own.
TEST_F(WindowFixture, TwoWindowsFromOneFolderLogTwoMeters)
{
    provideTemplate();
    testsupport::PtyPair voltLine;
    testsupport::PtyPair currentLine;
    ASSERT_TRUE(voltLine.isValid() && currentLine.isValid());
    qputenv("BRENMOOR_COM1", voltLine.devicePath().toLocal8Bit());
    qputenv("BRENMOOR_COM2", currentLine.devicePath().toLocal8Bit());
    struct Unset {
        ~Unset()
        {
            qunsetenv("BRENMOOR_COM1");
            qunsetenv("BRENMOOR_COM2");
        }
    } unset;

    auto volts = makeWindow();
    const size_t voltBoxes = asked().size();
    auto amps = makeWindow();
    EXPECT_EQ(voltBoxes, 0u);
    EXPECT_TRUE(asked().empty()) << asked().front().text.toStdString();
    for (TFCOMM* w : { volts.get(), amps.get() }) {
        EXPECT_EQ(w->windowTitle(), "Brenmoor 5082 Interface Program _Ver: 2.02");
        EXPECT_TRUE(w->T20VDB->isOpen());
        EXPECT_EQ(w->boundFramer(), "H40VRData");
        w->RecordSI->setChecked(false);
    }
    amps->COM21Click();
    volts->COMCon->click();
    amps->COMCon->click();
    ASSERT_TRUE(volts->COMM2->IsOpen());
    ASSERT_TRUE(amps->COMM2->IsOpen());

    const metersim::ModeFrame volt {
        .range = 1, .digits = QStringLiteral("1234"), .dc = true, .autoRange = true
    };
    // Function 9: current in milliamperes.
    const metersim::ModeFrame milliamps { .range = 0,
        .digits = QStringLiteral("0250"),
        .function = QLatin1Char('9'),
        .dc = true,
        .autoRange = true };
    QByteArray voltBytes;
    QByteArray ampBytes;
    for (int i = 0; i < 4; ++i) {
        voltBytes += volt.bytes();
        ampBytes += milliamps.bytes();
    }
    ASSERT_TRUE(voltLine.write(voltBytes));
    ASSERT_TRUE(currentLine.write(ampBytes));

    const QDeadlineTimer deadline(5000);
    while ((volts->T20VDB->rowCount() < 3 || amps->T20VDB->rowCount() < 3) && !deadline.hasExpired())
        QTest::qWait(20);
    EXPECT_EQ(volts->T20VDB->rowCount(), 3);
    EXPECT_EQ(amps->T20VDB->rowCount(), 3);
    const int unit = volts->T20VDB->fieldIndex(QStringLiteral("Unit"));
    EXPECT_EQ(volts->T20VDB->displayText(0, unit), "V");
    EXPECT_EQ(amps->T20VDB->displayText(0, unit), "mA") << "each window logs its own meter";
    EXPECT_TRUE(asked().empty());

    volts->COMCon->click();
    amps->COMCon->click();
}

} // namespace

namespace {

// A reading-path error while the meter streams: the records table is closed
// (no template), so every reading's row is refused. Twenty frames a second
// for five seconds through the real driver must leave one notice on screen,
// no modal box, a count of the refused rows, and no backlog: the next reading
// shows as soon as it is sent.
TEST_F(WindowFixture, ReadingErrorShowsOnceWhileTheMeterStreams)
{
    testsupport::PtyPair line;
    ASSERT_TRUE(line.isValid());
    qputenv("BRENMOOR_COM1", line.devicePath().toLocal8Bit());
    struct Unset {
        ~Unset() { qunsetenv("BRENMOOR_COM1"); }
    } unset;

    auto w = makeWindow();
    ASSERT_EQ(asked().size(), 1u) << "the missing template is reported at start-up";
    w->show();
    w->RecordSI->setChecked(false);
    w->COMCon->click();
    ASSERT_TRUE(w->COMM2->IsOpen());

    const metersim::ModeFrame steady {
        .range = 1, .digits = QStringLiteral("1234"), .dc = true, .autoRange = true
    };
    const QByteArray frame = steady.bytes();
    constexpr int frames = 100; // 5 s at 20 frames/s
    std::atomic<bool> writeFailed = false;
    std::atomic<int> sent = 0;
    std::thread meter([&] {
        for (int i = 0; i < frames; ++i) {
            if (!line.write(frame))
                writeFailed = true;
            ++sent;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    int mostBoxes = 0;
    const auto visibleBoxes = [] {
        int n = 0;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (qobject_cast<QMessageBox*>(top) && top->isVisible())
                ++n;
        return n;
    };
    while (sent < frames) {
        QTest::qWait(25);
        mostBoxes = std::max(mostBoxes, visibleBoxes());
    }
    meter.join();
    ASSERT_FALSE(writeFailed);

    // Every frame but the first (not led by an LF) is decoded, with no delay
    // beyond a poll or two.
    const QDeadlineTimer settle(5000);
    while (w->Memo1().totalAppended() < frames - 1 && !settle.hasExpired())
        QTest::qWait(20);
    EXPECT_EQ(w->Memo1().totalAppended(), frames - 1);

    WindowNotice& notice = w->readingNotice();
    EXPECT_EQ(mostBoxes, 1) << "one box at a time";
    EXPECT_EQ(visibleBoxes(), 1);
    EXPECT_TRUE(notice.isShowing());
    EXPECT_EQ(notice.timesShown(), 1);
    EXPECT_EQ(notice.text(), "Cannot perform this operation on a closed dataset");
    const qint64 refused = w->readingLog().UnloggedCount();
    EXPECT_EQ(refused, frames - 1);
    EXPECT_EQ(notice.box()->informativeText(), ReadingLog::unloggedMessage(refused));
    EXPECT_EQ(asked().size(), 1u) << "nothing waited in a modal box while reading";
    // The panel, the extremes and the chart went on.
    EXPECT_EQ(w->MaxText->text(), "1,234");
    EXPECT_EQ(w->chartPager().pointCount(), frames - 1 + 1);

    // The next good state decodes at once.
    const metersim::ModeFrame next {
        .range = 1, .digits = QStringLiteral("3999"), .dc = true, .autoRange = true
    };
    QElapsedTimer took;
    took.start();
    ASSERT_TRUE(line.write(next.bytes()));
    const QDeadlineTimer shown(3000);
    while (w->reading().ValueText != "3,999" && !shown.hasExpired())
        QTest::qWait(5);
    EXPECT_EQ(w->reading().ValueText, "3,999");
    // A poll or two; generous for a loaded machine, far below the seconds a
    // backlog of five seconds' frames would take.
    EXPECT_LT(took.elapsed(), 2000) << "a backlog held the reading up";
    QTest::qWait(200);
    EXPECT_EQ(w->Memo1().totalAppended(), frames) << "nothing was left queued behind it";
    EXPECT_EQ(w->T1VALUE->text(), "3,999");
    EXPECT_EQ(notice.timesShown(), 1);

    w->COMCon->click();
}

} // namespace
