#include "records/job_progress.h"
#include "records/paradox_writer.h"
#include "records/record_files.h"
#include "records/records_table.h"
#include "records/safe_file_writer.h"
#include "records/text_export.h"
#include "support/records_fixture.h"
#include "support/test_paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

TEST(RecordFileFormat, ExtensionInAnyCaseChoosesTheFormat)
{
    struct Case {
        const char* name;
        RecordFiles::Format format;
    };
    using F = RecordFiles::Format;
    const Case cases[] = {
        { "/home/u/log.xls", F::Text },
        { "/home/u/log.txt", F::Text },
        { "/home/u/log.db", F::Paradox },
        { "/home/u/log.DB", F::Paradox },
        { "/home/u/log.Db", F::Paradox },
        { "/home/u/Rk40vdb.DB", F::Paradox },
        { "/home/u/log", F::Text },
        { "/home/u/log.csv", F::Csv },
        { "/home/u/LOG.CSV", F::Csv },
        { "/home/u/log.csv.txt", F::Text },
        { "/home/u/log.db.txt", F::Text },
        { "/home/u/old.db/log", F::Text },
        { "/home/u/.db", F::Paradox },
        { "log.db", F::Paradox },
    };
    for (const Case& c : cases)
        EXPECT_EQ(RecordFiles::formatFor(QString::fromUtf8(c.name)), c.format) << c.name;
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

TEST(SafeFileWriter, ReplacesTheWholeFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    writeFile(path, QByteArray(1000, 'x'));
    ASSERT_TRUE(SafeFileWriter::write(path, "new"));
    EXPECT_EQ(readAll(path), QByteArray("new"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("log.txt") });
}

TEST(SafeFileWriter, FailureLeavesTheOldFileIntact)
{
    const QByteArray old = "No\tTime\r\nold contents\r\n";

    struct Case {
        const char* name;
        bool readOnlyFolder;
        bool diskFull;
        int size;
    };
    // Small files stay in the write buffer until the end, large ones are
    // written at once: both must fail before the rename.
    for (const Case c :
        { Case { "read-only folder", true, false, 1000 }, Case { "disk full, small", false, true, 1000 },
            Case { "disk full, large", false, true, 64 * 1024 } }) {
        const QByteArray replacement(c.size, 'n');
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("log.xls"));
        writeFile(path, old);
        if (c.readOnlyFolder) {
            QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
            if (QFile probe(dir.filePath(QStringLiteral("probe"))); probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
                continue; // running with privileges that ignore folder permissions
            }
        }
        QString error;
        {
            std::optional<FileSizeLimit> limit;
            if (c.diskFull)
                limit.emplace(old.size() + 8);
            EXPECT_FALSE(SafeFileWriter::write(path, replacement, &error));
        }
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_FALSE(error.isEmpty());
        EXPECT_EQ(readAll(path), old);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList { QStringLiteral("log.xls") });
    }
}

using testsupport::SampleRow;

const QByteArray kTextOfFirstTwoRows = "No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n"
                                       "1\t14:03:27\tDC\t3.999\tV\tAUTO\r\n"
                                       "2\t14:03:28\t\t1,234\tk*\tMANU\r\n";

class RecordFilesWithTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        if (!QFile::exists(QDir(testsupport::binDir()).filePath(QStringLiteral("Rk40vdb.DB"))))
            GTEST_SKIP() << "records template not built";
        table.open(testsupport::copyRecordsTemplate(dir.path()));
        ASSERT_TRUE(table.isOpen());
    }

    QString file(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }

    QTemporaryDir dir;
    RecordsTable table;
};

TEST_F(RecordFilesWithTable, TextNamesGetTheSameBytesAndReportSuccess)
{
    testsupport::appendRows(table, testsupport::sampleRows().mid(0, 2));
    for (const char* name : { "log.xls", "log.txt", "log", "log.xlsx" }) {
        SCOPED_TRACE(name);
        const FileOutcome outcome = RecordFiles::save(table, file(name));
        EXPECT_TRUE(outcome.ok);
        EXPECT_EQ(outcome.message, TextExport::successMessage(file(name)));
        EXPECT_EQ(readAll(file(name)), kTextOfFirstTwoRows);
    }
    EXPECT_EQ(table.unsavedRowCount(), 0);
}

/** The text file as it was built before saves were streamed: every row's texts in memory, then the bytes. */
QByteArray wholeBufferText(const RecordsTable& table)
{
    QList<int> fields;
    for (const QString& name : TextExport::columnNames())
        fields.append(table.fieldIndex(name));
    QList<QStringList> rows;
    for (qint64 row = 0; row < table.rowCount(); ++row) {
        QStringList texts;
        for (int field : fields)
            texts.append(table.displayText(row, field));
        rows.append(texts);
    }
    return TextExport::bytes(rows);
}

/** Readings of a long run: times across midnight, both decimal marks, signs, empty fields, every glyph. */
QList<SampleRow> longRun(int count)
{
    const QStringList units { "V", "mV", "k*", "M*", "#", "?", ")", "&", QString::fromUtf8("\u00b5A"), "" };
    QList<SampleRow> rows;
    rows.reserve(count);
    for (int i = 0; i < count; ++i) {
        const int counts = (i * 7919) % 8001 - 4000;
        const QString digits = QString::number(std::abs(counts)).rightJustified(4, QLatin1Char('0'));
        const QString mark = i % 3 ? QStringLiteral(".") : QStringLiteral(",");
        const QString value
            = (counts < 0 ? QStringLiteral("-") : QString()) + digits.left(1) + mark + digits.mid(1);
        rows.append({ i + 1 + i / 1000, QTime::fromMSecsSinceStartOfDay((86395000 + i * 1337) % 86400000),
            i % 4 == 0       ? QString()
                : i % 4 == 1 ? QStringLiteral("AC")
                             : QStringLiteral("DC"),
            i % 97 == 0 ? QString() : value, double(counts), units[i % units.size()],
            i % 5 ? QStringLiteral("AUTO") : QStringLiteral("MANU") });
    }
    return rows;
}

TEST_F(RecordFilesWithTable, StreamedTextEqualsTheWholeBufferBytes)
{
    testsupport::appendRows(table, longRun(200000));
    const QByteArray expected = wholeBufferText(table);
    ASSERT_TRUE(RecordFiles::save(table, file("long.xls")).ok);
    const QByteArray written = readAll(file("long.xls"));
    ASSERT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected);
}

TEST_F(RecordFilesWithTable, CancelledSaveLeavesTheOldFileAsItWas)
{
    testsupport::appendRows(table, longRun(100000));
    const QByteArray old = "No\tTime\r\nan older file, byte for byte\r\n";
    for (const char* name : { "keep.xls", "keep.db" }) {
        SCOPED_TRACE(name);
        writeFile(file(name), old);
        JobProgress progress;
        // Cancelled halfway, once the first part of the file is on its way to disk.
        progress.setObserver([&progress](qint64 done) {
            if (done >= 50000)
                progress.cancel();
        });
        const FileOutcome outcome = RecordFiles::saveRows(table.snapshot(), file(name), &progress);
        EXPECT_TRUE(outcome.cancelled);
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(outcome.message.isEmpty());
        EXPECT_GE(progress.done(), 50000);
        EXPECT_EQ(readAll(file(name)), old);
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3) << "no temporary left behind";
    EXPECT_EQ(table.unsavedRowCount(), 100000);
}

TEST_F(RecordFilesWithTable, EmptyTableSavesTheHeaderLine)
{
    const FileOutcome outcome = RecordFiles::save(table, file("empty.xls"));
    EXPECT_TRUE(outcome.ok);
    EXPECT_EQ(readAll(file("empty.xls")), QByteArray("No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n"));
}

TEST_F(RecordFilesWithTable, FailedSaveKeepsOldFileAndRows)
{
    testsupport::appendRows(table, testsupport::sampleRows());
    const QByteArray old = "an older file that must survive";
    for (const char* name : { "keep.xls", "keep.db" }) {
        SCOPED_TRACE(name);
        writeFile(file(name), old);
        FileOutcome outcome;
        {
            FileSizeLimit limit(old.size() + 8);
            outcome = RecordFiles::save(table, file(name));
        }
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(outcome.message.startsWith(TextExport::failureMessage(file(name))))
            << outcome.message.toStdString();
        EXPECT_EQ(readAll(file(name)), old);
        EXPECT_EQ(table.rowCount(), 5);
        EXPECT_EQ(table.unsavedRowCount(), 5);
    }
    // A folder that does not exist fails the same way, with the exact designed text for text files.
    const QString missing = file("no-such-folder/log.xls");
    EXPECT_EQ(RecordFiles::save(table, missing).message, TextExport::failureMessage(missing));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 3); // template and the two kept files
}

TEST_F(RecordFilesWithTable, ParadoxCopyRoundTripsEveryField)
{
    const QList<SampleRow> rows = testsupport::sampleRows();
    testsupport::appendRows(table, rows);
    const FileOutcome outcome = RecordFiles::save(table, file("copy.db"));
    EXPECT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.message.isEmpty()) << outcome.message.toStdString();
    EXPECT_EQ(table.unsavedRowCount(), 0);

    RecordsTable copy;
    ASSERT_TRUE(RecordFiles::open(copy, file("copy.db")).ok);
    EXPECT_EQ(copy.fields(), table.fields());
    EXPECT_EQ(testsupport::readRows(copy), rows);
}

TEST_F(RecordFilesWithTable, SavingOverTheOpenedTableKeepsOldAndNewRows)
{
    const QList<SampleRow> rows = testsupport::sampleRows();
    testsupport::appendRows(table, rows.mid(0, 2));
    ASSERT_TRUE(RecordFiles::save(table, file("log.db")).ok);
    ASSERT_TRUE(RecordFiles::open(table, file("log.db")).ok);
    testsupport::appendRows(table, rows.mid(2));

    const FileOutcome outcome = RecordFiles::save(table, file("log.db"));
    EXPECT_TRUE(outcome.ok) << outcome.message.toStdString();
    ASSERT_TRUE(RecordFiles::open(table, file("log.db")).ok);
    EXPECT_EQ(testsupport::readRows(table), rows);
}

TEST_F(RecordFilesWithTable, TableWithTheKeyFieldGetsAPrimaryIndex)
{
    // A table of the same layout led by the field "Not" the index step names.
    const QVector<FieldDef> fields = { { "Not", FieldType::Long, 4 }, { "No", FieldType::Long, 4 },
        { "Time", FieldType::Time, 4 }, { "DC/AC", FieldType::Alpha, 2 }, { "Value", FieldType::Alpha, 10 },
        { "Unit", FieldType::Alpha, 5 }, { "AUTO", FieldType::Alpha, 4 }, { "Nval", FieldType::Number, 8 } };
    const QString keyed = file("keyed.db");
    ParadoxWriter::writeFile(keyed, fields, ParadoxRows(41));

    struct Case {
        const char* name;
        QList<qint64> keys;
        bool indexed;
    };
    for (const Case& c :
        { Case { "unique.db", { 3, 1, 2 }, true }, Case { "repeated.db", { 1, 1, 2 }, false } }) {
        SCOPED_TRACE(c.name);
        const QList<SampleRow> rows = testsupport::sampleRows().mid(0, 3);
        RecordsTable withKeys;
        ASSERT_TRUE(RecordFiles::open(withKeys, keyed).ok);
        for (int i = 0; i < rows.size(); ++i) {
            withKeys.append();
            withKeys.setField(QStringLiteral("Not"), c.keys[i]);
            withKeys.setField(QStringLiteral("no"), rows[i].no);
            withKeys.setField(QStringLiteral("value"), rows[i].value);
            withKeys.post();
        }
        const FileOutcome outcome = RecordFiles::save(withKeys, file(c.name));
        // Either way the copy holds every row; a failed index step is only a warning.
        EXPECT_TRUE(outcome.ok);
        EXPECT_EQ(outcome.message.isEmpty(), c.indexed) << outcome.message.toStdString();
        if (!c.indexed) {
            EXPECT_EQ(outcome.icon, FileOutcome::Icon::Warning);
        }
        RecordsTable reopened;
        ASSERT_TRUE(RecordFiles::open(reopened, file(c.name)).ok);
        EXPECT_EQ(reopened.rowCount(), 3);
        const QStringList beside
            = QDir(dir.path()).entryList({ QString::fromUtf8(c.name).replace(".db", ".*") }, QDir::Files);
        EXPECT_EQ(beside.size() > 1, c.indexed) << beside.join(' ').toStdString();
    }
}

TEST_F(RecordFilesWithTable, PxlibReadsTheParadoxCopy)
{
    const QList<SampleRow> rows = testsupport::sampleRows();
    testsupport::appendRows(table, rows);
    ASSERT_TRUE(RecordFiles::save(table, file("copy.db")).ok);

    const testsupport::PxlibTable read = testsupport::readWithPxlib(file("copy.db"));
    ASSERT_TRUE(read.opened);
    ASSERT_EQ(read.rows.size(), rows.size());
    const auto column = [&](const char* name) {
        for (int i = 0; i < read.fields.size(); ++i)
            if (read.fields[i].compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    for (const char* name : { "No", "Time", "DC/AC", "Value", "Unit", "AUTO", "Nval" })
        ASSERT_GE(column(name), 0) << name;
    for (int r = 0; r < rows.size(); ++r) {
        SCOPED_TRACE(r);
        const QVariantList& v = read.rows[r];
        EXPECT_EQ(v[column("No")].toLongLong(), rows[r].no);
        EXPECT_EQ(v[column("Time")].toLongLong(), rows[r].time.msecsSinceStartOfDay());
        EXPECT_EQ(v[column("DC/AC")].toString(), rows[r].acDc);
        EXPECT_EQ(v[column("Value")].toString(), rows[r].value);
        EXPECT_EQ(v[column("Unit")].toString(), rows[r].unit);
        EXPECT_EQ(v[column("AUTO")].toString(), rows[r].autoText);
        EXPECT_EQ(v[column("Nval")].toDouble(), rows[r].nval);
    }
}

TEST_F(RecordFilesWithTable, ReadOnlyFileOpens)
{
    testsupport::appendRows(table, testsupport::sampleRows());
    ASSERT_TRUE(RecordFiles::save(table, file("kept.db")).ok);
    QFile::setPermissions(file("kept.db"), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);

    const FileOutcome outcome = RecordFiles::open(table, file("kept.db"));
    EXPECT_TRUE(outcome.ok) << outcome.message.toStdString();
    EXPECT_EQ(table.rowCount(), 5);
    EXPECT_EQ(table.unsavedRowCount(), 0);
}

TEST_F(RecordFilesWithTable, UnreadableFilesKeepTheOpenTable)
{
    QStringList files;
    for (QDirIterator it(testsupport::dataDir() + QStringLiteral("/paradox/damaged"), QDir::Files);
         it.hasNext();)
        files.append(it.next());
    writeFile(file("text.db"), "No\tTime\r\n1\t14:03:27\r\n");
    files << file("text.db") << file("missing.db") << dir.path();
    testsupport::appendRows(table, testsupport::sampleRows());
    const QString before = table.path();

    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        const FileOutcome outcome = RecordFiles::open(table, path);
        EXPECT_FALSE(outcome.ok);
        EXPECT_FALSE(outcome.message.isEmpty());
        EXPECT_EQ(outcome.icon, FileOutcome::Icon::Critical);
        ASSERT_TRUE(table.isOpen());
        EXPECT_EQ(table.path(), before);
        EXPECT_EQ(testsupport::readRows(table), testsupport::sampleRows());
        EXPECT_EQ(table.unsavedRowCount(), 5);
    }
    // The kept table still saves.
    EXPECT_TRUE(RecordFiles::save(table, file("after.xls")).ok);
    EXPECT_TRUE(QFile::exists(file("after.xls")));
}

} // namespace
