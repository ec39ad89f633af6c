// The real window logging over a socat line that is unplugged (socat ends,
// its symlink goes) and plugged back in under the same name.
#include "app/link_health_view.h"
#include "link/com_port_driver.h"
#include "link/serial_link_supervisor.h"
#include "records/records_table.h"
#include "support/socat_link.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using testsupport::SocatLink;
using testsupport::WindowFixture;

/** A mode frame whose four digits read @p value, so every row is told apart. */
QByteArray frameOf(int value)
{
    return testsupport::modeFrameBytes(
        QStringLiteral("1%1B00A").arg(value, 4, 10, QLatin1Char('0')).toLatin1());
}

class SerialReconnect : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        if (!SocatLink::available())
            GTEST_SKIP() << "socat is not installed (scripts/setup installs it)";
        provideTemplate();
        line = std::make_unique<SocatLink>(folder());
        ASSERT_TRUE(line->start());
        qputenv("BRENMOOR_COM1", line->devicePath().toLocal8Bit());
        w = makeWindow();
        w->RecordSI->setChecked(false); // every reading is a row
        w->COMCon->click();
        ASSERT_TRUE(w->COMM2->IsOpen());
    }
    void TearDown() override
    {
        w.reset();
        line.reset();
        qunsetenv("BRENMOOR_COM1");
        WindowFixture::TearDown();
    }

    void sendFrames(int first, int last)
    {
        for (int v = first; v <= last; ++v)
            ASSERT_TRUE(line->write(frameOf(v)));
    }
    bool rowsReach(int rows)
    {
        return QTest::qWaitFor([&] { return w->T20VDB->rowCount() >= rows; }, 3000);
    }
    QString cell(int row, const char* field) const
    {
        return w->DBGrid1->model()->index(row, w->T20VDB->fieldIndex(QLatin1String(field))).data().toString();
    }
    void unplug()
    {
        line->stop();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return w->serialLink()->state() == SerialLinkSupervisor::State::Lost; }, 2000));
    }

    std::unique_ptr<SocatLink> line;
    std::unique_ptr<TFCOMM> w;
};

TEST_F(SerialReconnect, LoggingGoesOnAcrossUnplugAndReplug)
{
    sendFrames(1, 5);
    ASSERT_TRUE(rowsReach(5));
    EXPECT_FALSE(w->readingShownStale());

    unplug();
    // Shown plainly, and without a box that would wait for somebody.
    EXPECT_TRUE(LinkHealthView::showsLost(w->BtCOM1));
    EXPECT_TRUE(w->BtCOM1->toolTip().startsWith(QStringLiteral("Link lost at ")))
        << w->BtCOM1->toolTip().toStdString();
    EXPECT_TRUE(w->BtCOM1->toolTip().contains(line->devicePath()));
    EXPECT_TRUE(w->readingShownStale()) << "the last reading still looks current";
    EXPECT_TRUE(w->linkNotice().isShowing());
    EXPECT_TRUE(asked().empty());
    EXPECT_TRUE(w->COMCon->isChecked()) << "the link is still started";
    EXPECT_TRUE(w->STOP1->isEnabled());
    EXPECT_FALSE(w->saveas->isEnabled());

    ASSERT_TRUE(line->start());
    QElapsedTimer back;
    back.start();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return w->serialLink()->state() == SerialLinkSupervisor::State::Open; }, 3000));
    EXPECT_LT(back.elapsed(), 2000) << "taken up too late";
    EXPECT_FALSE(LinkHealthView::showsLost(w->BtCOM1));
    EXPECT_TRUE(w->BtCOM1->toolTip().contains(QStringLiteral("back at")))
        << w->BtCOM1->toolTip().toStdString();
    EXPECT_FALSE(w->linkNotice().isShowing());
    EXPECT_TRUE(w->readingShownStale()) << "faded until a new reading comes";

    sendFrames(6, 10);
    ASSERT_TRUE(rowsReach(10));
    EXPECT_FALSE(w->readingShownStale());
    QTest::qWait(200);
    ASSERT_EQ(w->T20VDB->rowCount(), 10) << "a row was doubled";
    for (int row = 0; row < 10; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(cell(row, "No"), QString::number(row + 1));
        EXPECT_EQ(cell(row, "Value"), QStringLiteral("0,%1").arg(row + 1, 3, 10, QLatin1Char('0')));
    }
    EXPECT_TRUE(asked().empty());
}

TEST_F(SerialReconnect, HalfAFrameBeforeTheGapIsNotJoinedToBytesAfterIt)
{
    sendFrames(1, 1);
    ASSERT_TRUE(rowsReach(1));
    // The start of a frame reading 1234, then the line goes.
    ASSERT_TRUE(line->write(frameOf(1234).left(4)));
    QTest::qWait(150);
    unplug();
    ASSERT_TRUE(line->start());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return w->serialLink()->state() == SerialLinkSupervisor::State::Open; }, 3000));
    // The end of another one, reading 5678: joined they would read 1278,
    // a value the meter never showed.
    ASSERT_TRUE(line->write(frameOf(5678).mid(4)));
    sendFrames(3, 3);
    ASSERT_TRUE(rowsReach(2));
    QTest::qWait(200);
    EXPECT_EQ(w->T20VDB->rowCount(), 2);
    EXPECT_EQ(cell(1, "Value"), QStringLiteral("0,003"));
}

TEST_F(SerialReconnect, StoppingWhileLostReturnsToTheStoppedLook)
{
    sendFrames(1, 1);
    ASSERT_TRUE(rowsReach(1));
    unplug();
    w->COMCon->click();
    EXPECT_EQ(w->serialLink()->state(), SerialLinkSupervisor::State::Stopped);
    EXPECT_FALSE(LinkHealthView::showsLost(w->BtCOM1));
    EXPECT_EQ(w->BtCOM1->toolTip(), line->devicePath());
    EXPECT_FALSE(w->linkNotice().isShowing());
    EXPECT_FALSE(w->readingShownStale());
    EXPECT_TRUE(w->saveas->isEnabled());
    EXPECT_TRUE(w->ComSetup1->isEnabled());

    ASSERT_TRUE(line->start());
    QTest::qWait(3 * w->serialLink()->retryInterval());
    EXPECT_FALSE(w->COMM2->IsOpen()) << "a stopped link was taken up";
}

} // namespace
