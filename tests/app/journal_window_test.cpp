// The journal through the real window: rows logged and never saved come back
// after the window object is gone; the answers and exits that settle them;
// a journal that cannot be written or is damaged never stops the program.
#include "records/chart_pager.h"
#include "records/journal.h"
#include "records/reading_log.h"
#include "records/records_journal.h"
#include "records/records_table.h"
#include "support/records_fixture.h"
#include "support/scripted_file_dialogs.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using testsupport::SampleRow;

class JournalWindow : public testsupport::WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        provideTemplate();
    }

    /** A window whose start-up, restore question included, has run. */
    std::unique_ptr<TFCOMM> startWindow(std::initializer_list<QMessageBox::StandardButton> answers = {})
    {
        auto w = makeWindow();
        for (auto a : answers)
            answer(a);
        QCoreApplication::processEvents();
        return w;
    }

    /** Feeds mode frames as the meter sends them; every frame is logged. */
    static void feed(TFCOMM& w, std::initializer_list<const char*> bodies)
    {
        w.checksystem->setChecked(true);
        w.RecordSI->setChecked(false);
        for (const char* body : bodies)
            w.framer().H40VRData(testsupport::modeFrameBytes(body));
    }

    QStringList texts() const
    {
        QStringList out;
        for (const auto& box : asked())
            out << box.text;
        return out;
    }
};

// A negative value, an ohm unit and a plain volt reading.
const std::initializer_list<const char*> kFrames = { "11234B00A", "10123B401", "112343001", "11234B00A" };

TEST_F(JournalWindow, UnsavedRowsComeBackAfterTheWindowIsGone)
{
    QList<SampleRow> logged;
    {
        auto w = startWindow();
        feed(*w, kFrames);
        logged = testsupport::readRows(*w->T20VDB);
        ASSERT_EQ(logged.size(), 4);
        EXPECT_TRUE(asked().empty());
    } // destroyed without saving, as by a crash

    auto w = startWindow({ QMessageBox::Yes });
    ASSERT_EQ(asked().size(), 1u);
    EXPECT_EQ(asked().front().icon, QMessageBox::Question);
    EXPECT_EQ(asked().front().buttons, QMessageBox::Yes | QMessageBox::No);
    const QString question = asked().front().text;
    EXPECT_TRUE(question.startsWith(QStringLiteral("4 readings logged on "))) << question.toStdString();
    EXPECT_TRUE(question.endsWith(QStringLiteral(" were not saved. Restore them?")))
        << question.toStdString();
    EXPECT_TRUE(question.contains(logged.first().time.toString(QStringLiteral("HH:mm:ss"))));

    EXPECT_EQ(testsupport::readRows(*w->T20VDB), logged) << "every field comes back";
    EXPECT_EQ(w->T20VDB->unsavedRowCount(), 4) << "restored rows are unsaved rows";
    EXPECT_EQ(w->chartPager().pointCount(), 1 + 4) << "placeholder and the restored points";
    EXPECT_EQ(w->readingLog().RecordNo(), 5);
    feed(*w, { "11235B00A" });
    ASSERT_EQ(w->T20VDB->rowCount(), 5);
    EXPECT_EQ(testsupport::readRows(*w->T20VDB).last().no, 5) << "logging continues with the next number";
    w.reset();

    // Restored and new rows are still unsaved: offered again, all five.
    auto again = startWindow({ QMessageBox::No });
    ASSERT_EQ(asked().size(), 1u);
    EXPECT_TRUE(asked().front().text.startsWith(QStringLiteral("5 readings")))
        << texts().join('\n').toStdString();
    EXPECT_EQ(again->T20VDB->rowCount(), 0) << "No leaves the table empty";
    again.reset();

    // No discarded them: nothing is asked any more.
    auto last = startWindow();
    EXPECT_TRUE(asked().empty()) << texts().join('\n').toStdString();
}

// Whatever settles the rows before the window goes, nothing is asked next time.
TEST_F(JournalWindow, SavedOrAgreedDropsAreNotOfferedAgain)
{
    struct Case {
        const char* name;
        std::function<void(TFCOMM&)> settle;
    };
    const Case cases[] = {
        { "saved",
            [this](TFCOMM& w) {
                auto dialogs = std::make_unique<testsupport::ScriptedFileDialogs>();
                dialogs->script->saveNames.push_back(folder() + QStringLiteral("/kept.xls"));
                w.setRecordFileDialogs(std::move(dialogs));
                w.saveas->click();
            } },
        { "EXIT, Yes",
            [this](TFCOMM& w) {
                answer(QMessageBox::Yes);
                w.BitBtn1->click();
            } },
        { "menu Exit, Yes",
            [this](TFCOMM& w) {
                answer(QMessageBox::Yes);
                w.Exit1->trigger();
            } },
        { "Record New, Yes",
            [this](TFCOMM& w) {
                answer(QMessageBox::Yes);
                w.RecordNew->click();
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        {
            auto w = startWindow();
            feed(*w, kFrames);
            c.settle(*w);
        }
        auto next = startWindow();
        EXPECT_TRUE(asked().empty()) << texts().join('\n').toStdString();
    }
}

// No folder for the journal: logging goes on, one warning names the path and
// the reason, and it clears once the journal can be written again.
TEST_F(JournalWindow, UnwritableJournalFolderWarnsOnceAndLoggingGoesOn)
{
    const QString blocked = folder() + QStringLiteral("/data");
    {
        QFile blocker(blocked); // a file where the data folder should be
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    }
    qputenv("XDG_DATA_HOME", QFile::encodeName(blocked));
    auto w = startWindow();
    w->journal().setRetryInterval(100);
    EXPECT_TRUE(asked().empty()) << "no modal box";
    WindowNotice& notice = w->journalNotice();
    ASSERT_TRUE(notice.isShowing());
    EXPECT_TRUE(notice.text().contains(Journal::defaultPath())) << notice.text().toStdString();
    EXPECT_TRUE(notice.text().contains(QStringLiteral("Not a directory"))) << notice.text().toStdString();
    feed(*w, kFrames);
    EXPECT_EQ(w->T20VDB->rowCount(), 4);
    QTest::qWait(400);
    EXPECT_EQ(notice.timesShown(), 1) << "the retries do not repeat it";

    QFile::remove(blocked);
    ASSERT_TRUE(QDir().mkpath(blocked));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !notice.isShowing(); }, 5000));
    EXPECT_TRUE(w->journal().waitForCommitted());
    EXPECT_EQ(w->journal().rows(w->recordsJournal().currentLog()).size(), 4)
        << "the rows kept in memory are written";
}

TEST_F(JournalWindow, DamagedJournalIsSetAsideAndTheProgramStarts)
{
    const QString path = Journal::defaultPath();
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    {
        QFile damaged(path);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(5000, 'x'));
    }
    auto w = startWindow();
    ASSERT_EQ(asked().size(), 1u);
    EXPECT_EQ(asked().front().icon, QMessageBox::Warning);
    EXPECT_TRUE(asked().front().text.contains(path)) << asked().front().text.toStdString();
    const QStringList aside = QDir(QFileInfo(path).absolutePath())
                                  .entryList({ QStringLiteral("journal.sqlite.damaged-*") }, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(asked().front().text.contains(aside.first()));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Brenmoor 5082 Interface Program _Ver: 2.02"));
    feed(*w, kFrames);
    EXPECT_TRUE(w->journal().waitForCommitted());
    EXPECT_EQ(w->journal().rows(w->recordsJournal().currentLog()).size(), 4);
}

// The CSV dates each logged row from the journal; rows opened from a file
// have their time of day only.
TEST_F(JournalWindow, CsvSaveDatesLoggedRowsFromTheJournal)
{
    auto w = startWindow();
    auto dialogs = std::make_unique<testsupport::ScriptedFileDialogs>();
    auto script = dialogs->script;
    w->setRecordFileDialogs(std::move(dialogs));
    feed(*w, { "11234B00A", "10123B401" });
    script->saveNames.push_back(folder() + QStringLiteral("/old.db"));
    w->saveas->click();
    script->openNames.push_back(folder() + QStringLiteral("/old.db"));
    w->OpenDataFiles->click();
    feed(*w, { "112343001" });
    script->saveNames.push_back(folder() + QStringLiteral("/log.csv"));
    w->saveas->click();

    QFile csv(folder() + QStringLiteral("/log.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 5) << lines.join('|').toStdString(); // header, three rows, the empty rest
    EXPECT_EQ(lines[0], QStringLiteral("No,Date and time,DC/AC,Value,Unit,AUTO"));
    const QRegularExpression timeOnly(QStringLiteral("^1,\\d\\d:\\d\\d:\\d\\d\\.\\d{3},DC,1\\.234,V,AUTO$"));
    EXPECT_TRUE(timeOnly.match(lines[1]).hasMatch()) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("2,"))) << lines[2].toStdString();
    const QList<LoggedRow> journaled = w->journal().rows(w->recordsJournal().currentLog());
    ASSERT_EQ(journaled.size(), 1);
    // Local date-time to the millisecond with the offset, "+00:00" included.
    const QDateTime at = journaled.first().stamp;
    const int offset = at.offsetFromUtc() / 60;
    const QString stamp = at.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"))
        + QString::asprintf(
            "%c%02d:%02d", offset < 0 ? '-' : '+', std::abs(offset) / 60, std::abs(offset) % 60);
    EXPECT_EQ(lines[3].toStdString(), QStringLiteral("3,%1,,1.234,k\u03A9,MANU").arg(stamp).toStdString());
    EXPECT_EQ(journaled.first().stamp.date(), QDate::currentDate());
    EXPECT_TRUE(lines[4].isEmpty());
}

} // namespace
