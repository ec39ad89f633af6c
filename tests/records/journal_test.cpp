// The journal on its own: rows back after the program object is gone, the
// marks that settle them, logs of running programs, commits without being
// asked, and the failures (damaged file, no folder, full disk).
#include "records/journal.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {

LoggedRow row(qint32 no, const QDateTime& stamp, const char* value = "1.234", const char* unit = "V")
{
    LoggedRow r;
    r.no = no;
    r.stamp = stamp;
    r.time = stamp.time();
    r.value = QString::fromUtf8(value);
    r.Nval = r.value.toDouble() * 1000;
    r.acDc = QStringLiteral("DC");
    r.unit = QString::fromUtf8(unit);
    r.autoText = QStringLiteral("AUTO");
    r.chartValue = r.Nval / 1000.0;
    r.frameText = QStringLiteral("A%1D").arg(no);
    return r;
}

/** The fields of @p r as one comparable text, the date-time with its offset. */
QString fields(const LoggedRow& r)
{
    return QStringList { QString::number(r.no),
        r.stamp.toOffsetFromUtc(r.stamp.offsetFromUtc()).toString(Qt::ISODateWithMs),
        r.time.toString(QStringLiteral("HH:mm:ss.zzz")), r.acDc, r.value, QString::number(r.Nval), r.unit,
        r.autoText, QString::number(r.chartValue), r.frameText }
        .join(QLatin1Char('|'));
}

QStringList fields(const QList<LoggedRow>& rows)
{
    QStringList out;
    for (const LoggedRow& r : rows)
        out << fields(r);
    return out;
}

/** Rows committed to the file, read through a connection of the test's own. */
qint64 committedRows(const QString& path)
{
    qint64 count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("peek"));
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT count(*) FROM rows")) && q.next())
                count = q.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("peek"));
    return count;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class JournalTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path() const { return dir.filePath(QStringLiteral("data/journal.sqlite")); }

    QTemporaryDir dir;
    const QDateTime start { QDate(2026, 12, 10), QTime(23, 59, 59, 250), QTimeZone(3600) };
};

TEST_F(JournalTest, RowsOfAnEndedProgramComeBackWithEveryField)
{
    QList<LoggedRow> rows;
    // Past midnight, a negative value and an ohm unit; one offset west of UTC.
    rows << row(1, start) << row(2, start.addMSecs(1500), "-0.512", "k*")
         << row(3, QDateTime(QDate(2026, 12, 11), QTime(0, 0, 1, 5), QTimeZone(-5 * 3600)), "0L", "M*");
    rows[2].acDc = QString(); // a reading without DC/AC: an empty text, not a missing one
    qint64 log = 0;
    {
        Journal journal;
        ASSERT_EQ(journal.open(path()).outcome, Journal::OpenResult::Outcome::Opened);
        log = journal.startLog(start, QStringLiteral("COM1 /dev/pts/3"), QStringLiteral("IFRK40V"),
            QStringLiteral("/opt/Rk40vdb.DB"));
        for (const LoggedRow& r : rows)
            journal.append(log, r);
        EXPECT_EQ(fields(journal.rows(log)), fields(rows)) << "rows read back in order";
        EXPECT_TRUE(journal.unsavedLogs().isEmpty()) << "a running program's log is never offered";
    }

    Journal next;
    ASSERT_EQ(next.open(path()).outcome, Journal::OpenResult::Outcome::Opened);
    const QList<Journal::UnsavedLog> logs = next.unsavedLogs();
    ASSERT_EQ(logs.size(), 1);
    EXPECT_EQ(logs[0].log, log);
    EXPECT_EQ(logs[0].rows, 3);
    EXPECT_EQ(logs[0].first, rows.first().stamp);
    EXPECT_EQ(logs[0].last, rows.last().stamp);
    EXPECT_EQ(logs[0].last.offsetFromUtc(), -5 * 3600);
    EXPECT_EQ(logs[0].started, start);
    EXPECT_EQ(logs[0].source, QStringLiteral("COM1 /dev/pts/3"));
    EXPECT_EQ(logs[0].variant, QStringLiteral("IFRK40V"));
    EXPECT_EQ(logs[0].table, QStringLiteral("/opt/Rk40vdb.DB"));
    EXPECT_EQ(fields(next.unsavedRows({ log })), fields(rows));
}

TEST_F(JournalTest, MarksDecideWhatIsOfferedNextTime)
{
    struct Case {
        const char* name;
        std::function<void(Journal&, qint64 log, qint64 other)> act;
        int offeredRows; ///< unsaved rows offered at the next start
    };
    const Case cases[] = {
        { "nothing", [](Journal&, qint64, qint64) {}, 4 },
        { "saved", [](Journal& j, qint64 log, qint64) { j.markSaved(log); }, 0 },
        { "discarded", [](Journal& j, qint64 log, qint64) { j.markDiscarded(log); }, 0 },
        // Rows logged after a save are unsaved again.
        { "saved, then more",
            [](Journal& j, qint64 log, qint64) {
                j.markSaved(log);
                j.append(log, row(5, QDateTime::currentDateTime()));
            },
            1 },
        // Restored rows move into the new log and are offered from there once it ends.
        { "adopted", [](Journal& j, qint64 log, qint64 other) { j.adopt({ log }, other); }, 4 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(path());
        QFile::remove(path() + QStringLiteral("-wal"));
        qint64 log = 0;
        qint64 other = 0;
        {
            Journal journal;
            journal.open(path());
            log = journal.startLog(start, {}, {}, {});
            other = journal.startLog(start, {}, {}, {});
            for (int i = 1; i <= 4; ++i)
                journal.append(log, row(i, start.addSecs(i)));
            c.act(journal, log, other);
        }
        Journal next;
        next.open(path());
        qint64 offered = 0;
        for (const Journal::UnsavedLog& l : next.unsavedLogs())
            offered += l.rows;
        EXPECT_EQ(offered, c.offeredRows);
        if (QByteArray(c.name) == "adopted") {
            ASSERT_EQ(next.unsavedLogs().size(), 1);
            EXPECT_EQ(next.unsavedLogs().first().log, other);
            EXPECT_EQ(next.rows(other).size(), 4);
        }
    }
}

TEST_F(JournalTest, LogsOfRunningProgramsAreNotOffered)
{
    auto first = std::make_unique<Journal>();
    first->open(path());
    const qint64 log = first->startLog(start, {}, {}, {});
    first->append(log, row(1, start));
    ASSERT_TRUE(first->waitForCommitted());

    Journal second; // another window, or the headless logger, on the same journal
    ASSERT_EQ(second.open(path()).outcome, Journal::OpenResult::Outcome::Opened);
    EXPECT_TRUE(second.unsavedLogs().isEmpty());
    first.reset(); // that program ends without saving
    ASSERT_EQ(second.unsavedLogs().size(), 1);
    EXPECT_EQ(second.unsavedLogs().first().log, log);
}

TEST_F(JournalTest, RowsAreCommittedWithoutBeingAsked)
{
    Journal journal;
    journal.open(path());
    const qint64 log = journal.startLog(start, {}, {}, {});
    journal.append(log, row(1, start));
    // Committed within a fraction of a second; the margin is for a loaded machine.
    EXPECT_TRUE(QTest::qWaitFor([&] { return committedRows(path()) == 1; }, 2000));
    EXPECT_EQ(journal.pendingRows(), 0);
}

TEST_F(JournalTest, PruningDropsOldSettledLogsOnly)
{
    const QDateTime old = QDateTime::currentDateTime().addDays(-(Journal::retentionDays + 1));
    const QDateTime recent = QDateTime::currentDateTime().addDays(-1);
    qint64 oldSaved = 0, oldDiscarded = 0, oldUnsaved = 0, recentSaved = 0;
    {
        Journal journal;
        journal.open(path());
        oldSaved = journal.startLog(old, {}, {}, {});
        oldDiscarded = journal.startLog(old, {}, {}, {});
        oldUnsaved = journal.startLog(old, {}, {}, {});
        recentSaved = journal.startLog(recent, {}, {}, {});
        for (qint64 log : { oldSaved, oldDiscarded, oldUnsaved, recentSaved })
            journal.append(log, row(1, old));
        journal.markSaved(oldSaved);
        journal.markDiscarded(oldDiscarded);
        journal.markSaved(recentSaved);
    }
    Journal next;
    next.open(path());
    EXPECT_TRUE(next.rows(oldSaved).isEmpty());
    EXPECT_TRUE(next.rows(oldDiscarded).isEmpty());
    EXPECT_EQ(next.rows(oldUnsaved).size(), 1) << "unsaved rows are kept however old";
    EXPECT_EQ(next.rows(recentSaved).size(), 1);
}

TEST_F(JournalTest, DamagedOrForeignFilesAreSetAsideAndANewJournalStarts)
{
    struct Case {
        const char* name;
        std::function<void(const QString&)> make;
    };
    const Case cases[] = {
        { "random bytes",
            [](const QString& p) {
                QFile f(p);
                f.open(QIODevice::WriteOnly);
                for (int i = 0; i < 8192; ++i)
                    f.putChar(char(i * 131 + 7));
            } },
        { "cut short",
            [this](const QString& p) {
                {
                    Journal j;
                    j.open(p);
                    const qint64 log = j.startLog(start, {}, {}, {});
                    for (int i = 0; i < 500; ++i)
                        j.append(log, row(i, start));
                }
                const QByteArray bytes = readAll(p);
                QFile f(p);
                f.open(QIODevice::WriteOnly | QIODevice::Truncate);
                f.write(bytes.left(bytes.size() / 2 + 100));
                QFile::remove(p + QStringLiteral("-wal"));
            } },
        { "another program's database",
            [](const QString& p) {
                {
                    QSqlDatabase db
                        = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
                    db.setDatabaseName(p);
                    db.open();
                    QSqlQuery(db).exec(QStringLiteral("CREATE TABLE notes (text TEXT)"));
                }
                QSqlDatabase::removeDatabase(QStringLiteral("other"));
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(dir.filePath(QStringLiteral("data"))).removeRecursively();
        QDir().mkpath(dir.filePath(QStringLiteral("data")));
        c.make(path());
        const QByteArray before = readAll(path());

        Journal journal;
        const Journal::OpenResult result = journal.open(path());
        ASSERT_EQ(result.outcome, Journal::OpenResult::Outcome::Replaced) << result.message.toStdString();
        EXPECT_TRUE(result.message.contains(path())) << result.message.toStdString();
        EXPECT_TRUE(result.message.contains(result.setAsidePath)) << result.message.toStdString();
        EXPECT_TRUE(result.setAsidePath.startsWith(path() + QStringLiteral(".damaged-")));
        EXPECT_EQ(readAll(result.setAsidePath), before) << "the old file is kept as it was";
        EXPECT_TRUE(journal.isWorking());
        const qint64 log = journal.startLog(start, {}, {}, {});
        journal.append(log, row(1, start));
        EXPECT_TRUE(journal.waitForCommitted());
        EXPECT_EQ(committedRows(path()), 1);
    }
}

/** Holds RLIMIT_FSIZE down for its lifetime, so writes past @p bytes fail as on a full disk. */
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_ {};
    void (*oldHandler_)(int) = nullptr;
};

// A folder that cannot be made, then a full disk: rows are kept in memory,
// said once, retried, and all of them reach the file when it works again.
TEST_F(JournalTest, FailuresKeepRowsInMemoryAndRetry)
{
    struct Case {
        const char* name;
        std::function<void()> breakIt;
        std::function<void()> mendIt;
        const char* reason;
    };
    std::optional<FileSizeLimit> limit;
    const QString blocker = dir.filePath(QStringLiteral("data"));
    const Case cases[] = {
        { "folder cannot be made",
            [&] {
                QFile f(blocker); // a file where the folder should be
                f.open(QIODevice::WriteOnly);
            },
            [&] {
                QFile::remove(blocker);
                QDir().mkpath(blocker);
            },
            "Not a directory" },
        // The file size limit fails writes as a full disk does; SQLite calls it an I/O error.
        { "disk full", [&] { limit.emplace(1); }, [&] { limit.reset(); }, "disk I/O error" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QDir(blocker).removeRecursively();
        QFile::remove(blocker);
        Journal journal;
        journal.setRetryInterval(100);
        QSignalSpy failed(&journal, &Journal::failed);
        QSignalSpy working(&journal, &Journal::working);
        if (QByteArray(c.name) == "disk full") {
            journal.open(path());
            ASSERT_TRUE(journal.waitForCommitted());
        }
        c.breakIt();
        Journal::OpenResult result;
        if (QByteArray(c.name) != "disk full") {
            result = journal.open(path());
            EXPECT_EQ(result.outcome, Journal::OpenResult::Outcome::Failed);
            EXPECT_TRUE(result.message.contains(path())) << result.message.toStdString();
            EXPECT_TRUE(result.message.contains(QLatin1String(c.reason))) << result.message.toStdString();
        }
        const qint64 log = journal.startLog(start, {}, {}, {});
        QList<LoggedRow> rows;
        for (int i = 1; i <= 300; ++i) {
            rows << row(i, start.addSecs(i));
            journal.append(log, rows.last());
        }
        EXPECT_FALSE(journal.waitForCommitted());
        EXPECT_FALSE(journal.isWorking());
        EXPECT_TRUE(journal.problem().contains(QLatin1String(c.reason))) << journal.problem().toStdString();
        EXPECT_EQ(fields(journal.rows(log)), fields(rows)) << "the rows are still there to export";
        const auto stamps = journal.stamps(log);
        ASSERT_EQ(stamps.size(), 300);
        EXPECT_EQ(stamps.last().first, 300);
        EXPECT_EQ(stamps.last().second, rows.last().stamp);
        QTest::qWait(400); // several retries fail meanwhile
        EXPECT_EQ(failed.size(), 1) << "said once, not at every retry";
        if (!failed.isEmpty()) {
            EXPECT_EQ(failed.first().at(0).toString(), path());
        }

        c.mendIt();
        EXPECT_TRUE(QTest::qWaitFor([&] { return working.size() == 1; }, 5000));
        EXPECT_TRUE(journal.waitForCommitted());
        EXPECT_TRUE(journal.isWorking());
        EXPECT_EQ(journal.pendingRows(), 0);
        EXPECT_EQ(fields(journal.rows(log)), fields(rows));
        EXPECT_EQ(committedRows(path()), 300);
    }
}

} // namespace
