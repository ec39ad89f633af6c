// CSV with date and time: the exact bytes for a small table, and an
// independent reader (Python's csv module) parses them back.
#include "records/csv_export.h"
#include "records/record_files.h"
#include "records/records_table.h"
#include "support/records_fixture.h"
#include "support/test_paths.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using testsupport::SampleRow;

TEST(CsvExport, FieldsAreQuotedOnlyWhenTheyMustBe)
{
    const std::pair<const char*, const char*> cases[] = {
        { "1.234", "1.234" },
        { "", "" },
        { "k\xCE\xA9", "k\xCE\xA9" },
        { "a,b", "\"a,b\"" },
        { "say \"hi\"", "\"say \"\"hi\"\"\"" },
        { "two\r\nlines", "\"two\r\nlines\"" },
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(CsvExport::field(QString::fromUtf8(in)), QString::fromUtf8(out)) << in;
    EXPECT_EQ(CsvExport::valueText(QStringLiteral("-0,512")), QStringLiteral("-0.512"));
    EXPECT_EQ(CsvExport::valueText(QStringLiteral("1.234")), QStringLiteral("1.234"));
}

class CsvExportTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        if (!QFile::exists(QDir(testsupport::binDir()).filePath(QStringLiteral("Rk40vdb.DB"))))
            GTEST_SKIP() << "records template not built";
        table.open(testsupport::copyRecordsTemplate(dir.path()));
        // A table opened from a file (no dates), then rows logged across midnight.
        testsupport::appendRows(table,
            {
                { 1, QTime(9, 15, 0), QStringLiteral("DC"), QStringLiteral("3,999"), 3999,
                    QStringLiteral("V"), QStringLiteral("AUTO") },
                { 2, QTime(23, 59, 59, 250), QStringLiteral("DC"), QStringLiteral("-0,512"), -512,
                    QStringLiteral("k*"), QStringLiteral("MANU") },
                { 3, QTime(0, 0, 0, 750), QString(), QStringLiteral("25"), 25, QStringLiteral("#"),
                    QStringLiteral("MANU") },
                { 4, QTime(0, 0, 1), QStringLiteral("AC"), QStringLiteral("1.000"), 1000,
                    QStringLiteral("uA"), QStringLiteral("AUTO") },
            });
        const QTimeZone plusOne(3600);
        stamps = { QDateTime(), QDateTime(QDate(2026, 12, 10), QTime(23, 59, 59, 250), plusOne),
            QDateTime(QDate(2026, 12, 11), QTime(0, 0, 0, 750), plusOne),
            QDateTime(QDate(2026, 12, 11), QTime(0, 0, 1), plusOne) };
    }

    QTemporaryDir dir;
    RecordsTable table;
    QList<QDateTime> stamps;
};

const QByteArray kExpected = "No,Date and time,DC/AC,Value,Unit,AUTO\r\n"
                             "1,09:15:00.000,DC,3.999,V,AUTO\r\n"
                             "2,2026-12-10T23:59:59.250+01:00,DC,-0.512,k\xCE\xA9,MANU\r\n"
                             "3,2026-12-11T00:00:00.750+01:00,,25,\xC2\xB0"
                             "C,MANU\r\n"
                             "4,2026-12-11T00:00:01.000+01:00,AC,1.000,\xC2\xB5"
                             "A,AUTO\r\n";

TEST_F(CsvExportTable, BytesOfASmallTable)
{
    EXPECT_EQ(CsvExport::bytes(table, stamps), kExpected);

    // Saved through the record files under a .csv name, in any case; the rows count as saved.
    const QString path = dir.filePath(QStringLiteral("log.CSV"));
    const FileOutcome outcome = RecordFiles::save(table, path, stamps);
    EXPECT_TRUE(outcome.ok) << outcome.message.toStdString();
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), kExpected);
    EXPECT_EQ(table.unsavedRowCount(), 0);
}

TEST_F(CsvExportTable, PythonsCsvModuleReadsItBack)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty())
        GTEST_SKIP() << "python3 not installed";
    const QString path = dir.filePath(QStringLiteral("log.csv"));
    ASSERT_TRUE(RecordFiles::save(table, path, stamps).ok);
    QProcess reader;
    reader.start(python,
        { QStringLiteral("-c"),
            QStringLiteral("import csv, json, sys\n"
                           "with open(sys.argv[1], newline='', encoding='utf-8') as f:\n"
                           "    print(json.dumps(list(csv.reader(f, strict=True))))\n"),
            path });
    ASSERT_TRUE(reader.waitForFinished(30000));
    ASSERT_EQ(reader.exitCode(), 0) << reader.readAllStandardError().toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(reader.readAllStandardOutput()).array();
    ASSERT_EQ(rows.size(), 5);
    const QStringList expected[] = {
        { "No", "Date and time", "DC/AC", "Value", "Unit", "AUTO" },
        { "1", "09:15:00.000", "DC", "3.999", "V", "AUTO" },
        { "2", "2026-12-10T23:59:59.250+01:00", "DC", "-0.512", QString::fromUtf8("k\xCE\xA9"), "MANU" },
        { "3", "2026-12-11T00:00:00.750+01:00", "", "25",
            QString::fromUtf8("\xC2\xB0"
                              "C"),
            "MANU" },
        { "4", "2026-12-11T00:00:01.000+01:00", "AC", "1.000",
            QString::fromUtf8("\xC2\xB5"
                              "A"),
            "AUTO" },
    };
    for (int r = 0; r < rows.size(); ++r) {
        QStringList got;
        for (const QJsonValue& v : rows[r].toArray())
            got << v.toString();
        EXPECT_EQ(got, expected[r]) << r;
    }
    // Python reads the date-times as ISO 8601 with their offsets.
    QProcess dates;
    dates.start(python,
        { QStringLiteral("-c"),
            QStringLiteral(
                "import csv, datetime, sys\n"
                "rows = list(csv.reader(open(sys.argv[1], newline='', encoding='utf-8')))[2:]\n"
                "print(','.join(str(datetime.datetime.fromisoformat(r[1]).utcoffset()) for r in rows))\n"),
            path });
    ASSERT_TRUE(dates.waitForFinished(30000));
    EXPECT_EQ(dates.readAllStandardOutput().trimmed(), QByteArray("1:00:00,1:00:00,1:00:00"));
}

} // namespace
