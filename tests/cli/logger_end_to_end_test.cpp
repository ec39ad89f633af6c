// brenmoor5082-log as a user runs it: the built program on a pseudo-terminal
// (or a socat line), fed scripted frames, stopped by a signal, its files read
// back by independent readers.
#include "support/pty_pair.h"
#include "support/records_fixture.h"
#include "support/socat_link.h"
#include "support/test_paths.h"
#include "support/window_fixture.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <signal.h>

namespace {

using testsupport::modeFrameBytes;

/** A reading of the script: the frame's body and what the log must show for it. */
struct Reading {
    const char* body; ///< range, four digits, function, status, option 1, option 2
    const char* value;
    const char* unit; ///< as a person reads it
    const char* acDc;
    const char* autoText;
};

// Volts DC auto, a negative value, kilohms manual, AC millivolts, degrees Celsius.
const Reading script[] = {
    { "11234B00A", "1.234", "V", "DC", "AUTO" },
    { "10567B40A", "-0.567", "V", "DC", "AUTO" },
    { "223453000", "23.45", "k\u03a9", "", "MANU" },
    { "0123450006", nullptr, nullptr, nullptr, nullptr }, // too long: never a reading
    { "01234B004", "123.4", "mV", "AC", "MANU" },
};

class Logger : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
        env.remove(QStringLiteral("BRENMOOR_COM1"));
        proc.setProcessEnvironment(env);
        proc.setWorkingDirectory(dir.path());
    }
    void TearDown() override
    {
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished(3000);
        }
    }

    static QString program() { return testsupport::binDir() + QStringLiteral("/brenmoor5082-log"); }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    /** Starts the logger and waits until it says it is logging. */
    bool start(const QStringList& args)
    {
        proc.start(program(), args);
        if (!proc.waitForStarted(5000))
            return false;
        return QTest::qWaitFor(
                   [&] {
                       errors += QString::fromLocal8Bit(proc.readAllStandardError());
                       return errors.contains(QLatin1String("logging "))
                           || proc.state() == QProcess::NotRunning;
                   },
                   10000)
            && proc.state() == QProcess::Running;
    }
    /** Runs the logger to its end; returns its exit code. */
    int run(const QStringList& args)
    {
        proc.start(program(), args);
        proc.waitForFinished(20000);
        errors += QString::fromLocal8Bit(proc.readAllStandardError());
        return proc.exitCode();
    }
    /** Sends SIGINT (or @p sig) and waits for the exit code. */
    int interrupt(int sig = SIGINT)
    {
        ::kill(pid_t(proc.processId()), sig);
        EXPECT_TRUE(proc.waitForFinished(10000));
        errors += QString::fromLocal8Bit(proc.readAllStandardError());
        EXPECT_EQ(proc.exitStatus(), QProcess::NormalExit) << errors.toStdString();
        return proc.exitCode();
    }
    /** Plays the script on @p pty and waits until the logger had time to log it. */
    void play(testsupport::PtyPair& pty)
    {
        for (const Reading& r : script)
            ASSERT_TRUE(pty.write(modeFrameBytes(r.body)));
        QTest::qWait(800);
    }

    QTemporaryDir dir;
    QProcessEnvironment env;
    QProcess proc;
    QString errors;
};

QStringList csvLines(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.endsWith(QLatin1String("\r\n"))) << "every line ends with CR LF";
    QStringList lines = text.split(QStringLiteral("\r\n"));
    lines.removeLast();
    return lines;
}

} // namespace

TEST_F(Logger, ScriptedLineGivesExactlyTheExpectedCsvRows)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    ASSERT_TRUE(start({ "--port", pty.devicePath(), "--interval", "0", "--output", path("run.csv"), "--high",
        "2", "--low", "-1" }))
        << errors.toStdString();
    play(pty);
    ASSERT_EQ(interrupt(), 0) << errors.toStdString();

    const QStringList lines = csvLines(path("run.csv"));
    ASSERT_EQ(lines.size(), 5) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("No,Date and time,DC/AC,Value,Unit,AUTO,Verdict"));
    const QRegularExpression stamp(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}([+-]\\d\\d:\\d\\d|Z)$"));
    const char* verdicts[] = { "Pass", "Pass", "Fail", "Fail" };
    int row = 0;
    for (const Reading& r : script) {
        if (!r.value)
            continue;
        const QStringList f = lines[row + 1].split(QLatin1Char(','));
        ASSERT_EQ(f.size(), 7) << lines[row + 1].toStdString();
        EXPECT_EQ(f[0], QString::number(row + 1));
        EXPECT_TRUE(stamp.match(f[1]).hasMatch()) << f[1].toStdString();
        EXPECT_EQ(f[2], QString::fromUtf8(r.acDc));
        EXPECT_EQ(f[3], QString::fromUtf8(r.value));
        EXPECT_EQ(f[4], QString::fromUtf8(r.unit));
        EXPECT_EQ(f[5], QString::fromUtf8(r.autoText));
        EXPECT_EQ(f[6], QString::fromUtf8(verdicts[row]));
        ++row;
    }
}

TEST_F(Logger, EveryFormatHoldsTheSameReadings)
{
    // What each format gives back per row: number, value, unit (stored or shown), DC/AC, AUTO.
    using Row = std::array<QString, 5>;
    const auto readings = [] {
        QList<Row> rows;
        int no = 1;
        for (const Reading& r : script) {
            if (r.value)
                rows.append({ QString::number(no++), QString::fromUtf8(r.value), QString::fromUtf8(r.unit),
                    QString::fromUtf8(r.acDc), QString::fromUtf8(r.autoText) });
        }
        return rows;
    }();
    const auto shown = [](QString unit) { return unit.replace(QLatin1Char('*'), QChar(0x03a9)); };

    const struct {
        const char* file;
        std::function<QList<Row>(const QString&)> read;
    } formats[] = {
        { "run.jsonl",
            [](const QString& file) {
                QList<Row> rows;
                QFile f(file);
                EXPECT_TRUE(f.open(QIODevice::ReadOnly));
                for (const QByteArray& line : f.readAll().split('\n')) {
                    if (line.isEmpty())
                        continue;
                    QJsonParseError error;
                    const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
                    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
                    rows.append({ QString::number(o[QLatin1String("no")].toInt()),
                        o[QLatin1String("text")].toString(), o[QLatin1String("unit")].toString(),
                        o[QLatin1String("acdc")].toString(), o[QLatin1String("auto")].toString() });
                    EXPECT_DOUBLE_EQ(
                        o[QLatin1String("value")].toDouble(), o[QLatin1String("text")].toString().toDouble());
                }
                return rows;
            } },
        { "run.txt",
            [&shown](const QString& file) {
                QList<Row> rows;
                QFile f(file);
                EXPECT_TRUE(f.open(QIODevice::ReadOnly));
                const QList<QByteArray> lines = f.readAll().split('\n');
                for (qsizetype i = 1; i < lines.size(); ++i) {
                    const QList<QByteArray> f = lines[i].trimmed().split('\t');
                    if (f.size() < 6)
                        continue;
                    rows.append({ QString::fromLatin1(f[0]), QString::fromLatin1(f[3]),
                        shown(QString::fromLatin1(f[4])), QString::fromLatin1(f[2]),
                        QString::fromLatin1(f[5]) });
                }
                return rows;
            } },
        { "run.db",
            [&shown](const QString& file) {
                QList<Row> rows;
                const testsupport::PxlibTable t = testsupport::readWithPxlib(file);
                EXPECT_TRUE(t.opened);
                const auto at = [&t](const QVariantList& r, const char* name) {
                    return r[t.fields.indexOf(QLatin1String(name))];
                };
                for (const QVariantList& r : t.rows)
                    rows.append({ QString::number(at(r, "No").toLongLong()), at(r, "Value").toString(),
                        shown(at(r, "Unit").toString()), at(r, "DC/AC").toString(),
                        at(r, "AUTO").toString() });
                return rows;
            } },
    };
    for (const auto& format : formats) {
        SCOPED_TRACE(format.file);
        testsupport::PtyPair pty;
        ASSERT_TRUE(pty.isValid());
        errors.clear();
        ASSERT_TRUE(start({ "--port", pty.devicePath(), "--interval", "0", "--output", path(format.file) }))
            << errors.toStdString();
        play(pty);
        ASSERT_EQ(interrupt(SIGTERM), 0) << errors.toStdString();
        EXPECT_EQ(format.read(path(format.file)), readings);
    }
}

TEST_F(Logger, InterruptMidRunLeavesACompleteFile)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    ASSERT_TRUE(start({ "--port", pty.devicePath(), "--interval", "0", "--output", path("mid.csv") }))
        << errors.toStdString();
    // A steady stream, interrupted in the middle of a frame.
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(pty.write(modeFrameBytes("11234B00A")));
        QTest::qWait(10);
    }
    ASSERT_TRUE(pty.write(QByteArray("\n345")));
    QTest::qWait(300);
    ASSERT_EQ(interrupt(), 0) << errors.toStdString();
    const QStringList lines = csvLines(path("mid.csv"));
    ASSERT_GE(lines.size(), 2);
    for (qsizetype i = 1; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].split(QLatin1Char(',')).size(), 6) << lines[i].toStdString();
}

TEST_F(Logger, RefusesWhatItCannotDoWithItsExitCode)
{
    const struct {
        QStringList args;
        int code;
        const char* says;
    } cases[] = {
        { { "--interval", "x", "--port", "COM1" }, 2, "--interval" },
        { { "--bogus" }, 2, "bogus" },
        { { "--port", "/nonexistent/ttyUSB9" }, 3, "/nonexistent/ttyUSB9: the device was not found" },
        { { "--port", "/dev/null" }, 3, "not a serial device" },
        { { "--port", "COM1", "--output", "/nonexistent/folder/out.csv" }, 1, "cannot write" },
    };
    for (const auto& c : cases) {
        errors.clear();
        EXPECT_EQ(run(c.args), c.code) << c.args.join(' ').toStdString();
        EXPECT_TRUE(errors.contains(QLatin1String(c.says))) << errors.toStdString();
    }
}

TEST_F(Logger, RidesThroughAnUnplugAndReplug)
{
    if (!testsupport::SocatLink::available())
        GTEST_SKIP() << "socat is not installed (scripts/setup installs it)";
    testsupport::SocatLink line(dir.path());
    ASSERT_TRUE(line.start());
    ASSERT_TRUE(start({ "--port", line.devicePath(), "--interval", "0", "--output", path("gap.csv") }))
        << errors.toStdString();
    const auto send = [&line](int first, int last) {
        for (int v = first; v <= last; ++v)
            ASSERT_TRUE(line.write(
                modeFrameBytes(QStringLiteral("1%1B00A").arg(v, 4, 10, QLatin1Char('0')).toLatin1())));
    };
    const auto rows = [&] { return csvLines(path("gap.csv")).size() - 1; };
    send(1, 5);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows() >= 5; }, 5000));

    line.stop();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            errors += QString::fromLocal8Bit(proc.readAllStandardError());
            return errors.contains(QLatin1String("waiting for it to come back"));
        },
        5000))
        << errors.toStdString();
    ASSERT_TRUE(line.start());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            errors += QString::fromLocal8Bit(proc.readAllStandardError());
            return errors.contains(QLatin1String("is back"));
        },
        5000))
        << errors.toStdString();
    send(6, 10);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rows() >= 9; }, 5000)) << rows();
    ASSERT_EQ(interrupt(), 0) << errors.toStdString();

    // The first frame after the gap may be cut short; no row is doubled, and numbering goes on.
    const QStringList lines = csvLines(path("gap.csv"));
    QStringList values;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QStringList f = lines[i].split(QLatin1Char(','));
        EXPECT_EQ(f[0], QString::number(i));
        values << f[3];
    }
    EXPECT_EQ(values.mid(0, 5), (QStringList { "0.001", "0.002", "0.003", "0.004", "0.005" }));
    EXPECT_EQ(values.last(), QStringLiteral("0.010"));
    EXPECT_EQ(values.removeDuplicates(), 0);
}

TEST_F(Logger, ListsTheComPortNamedByTheEnvironment)
{
    if (!testsupport::SocatLink::available())
        GTEST_SKIP() << "socat is not installed (scripts/setup installs it)";
    testsupport::SocatLink line(dir.path());
    ASSERT_TRUE(line.start());
    env.insert(QStringLiteral("BRENMOOR_COM1"), line.devicePath());
    proc.setProcessEnvironment(env);
    ASSERT_EQ(run({ "--list-ports" }), 0) << errors.toStdString();
    const QStringList lines = QString::fromLocal8Bit(proc.readAllStandardOutput()).split(QLatin1Char('\n'));
    EXPECT_TRUE(lines.contains(QStringLiteral("COM1\t%1\t(BRENMOOR_COM1)").arg(line.devicePath())))
        << lines.join('\n').toStdString();
}

TEST_F(Logger, RecoversTheRowsOfAKilledRun)
{
    testsupport::PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    ASSERT_TRUE(start({ "--port", pty.devicePath(), "--interval", "0", "--output", path("killed.csv") }))
        << errors.toStdString();
    play(pty);
    QTest::qWait(500); // past the journal's commit
    proc.kill();
    proc.waitForFinished(5000);

    errors.clear();
    ASSERT_EQ(run({ "--recover", path("back.txt") }), 0) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QLatin1String("4 readings"))) << errors.toStdString();
    QFile back(path("back.txt"));
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    EXPECT_EQ(back.readAll().count('\n'), 5); // header and four rows

    errors.clear();
    ASSERT_EQ(run({ "--recover", path("again.txt") }), 0);
    EXPECT_TRUE(errors.contains(QLatin1String("no unsaved readings")))
        << "recovered rows are not offered twice";
}
