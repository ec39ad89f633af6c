// The records table: opening exclusively, appending rows by field name,
// the table-store errors, emptying and closing, walking and copying.
#include "records/log_table_layout.h"
#include "records/paradox_header.h"
#include "records/paradox_reader.h"
#include "records/paradox_writer.h"
#include "records/records_table.h"
#include "records/records_table_model.h"
#include "support/test_paths.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QVector<FieldDef> kLogFields = logTableFields();

struct Reading {
    QString value;
    double nval;
    QTime time;
    qint64 no;
    QString acdc, unit, autoText;
};

// Appends a row the way the reading log does: names in the log's own case.
void logReading(RecordsTable& table, const Reading& r)
{
    table.append();
    table.setField("value", r.value);
    table.setField("Nval", r.nval);
    table.setField("time", r.time);
    table.setField("no", r.no);
    table.setField("DC/AC", r.acdc);
    table.setField("unit", r.unit);
    table.setField("Auto", r.autoText);
    table.post();
}

const Reading kReadings[] = {
    { "3.999", 3999, QTime(14, 3, 27), 1, "DC", "V", "AUTO" },
    { "-0,512", -512, QTime(0, 0, 0), 2, "", "k*", "MANU" },
    { "-0L", -4001, QTime(23, 59, 59), 3, "AC", "mV", "AUTO" },
};

class RecordsTableTest : public ::testing::Test {
protected:
    QString makeTable(const QString& name, const QVector<FieldDef>& fields = kLogFields)
    {
        int size = 0;
        for (const FieldDef& f : fields)
            size += f.size;
        const QString path = dir.filePath(name);
        ParadoxWriter::writeFile(path, fields, ParadoxRows(size));
        return path;
    }

    QString expectError(const std::function<void()>& op)
    {
        try {
            op();
        } catch (const TableStoreError& e) {
            return e.message();
        }
        return QStringLiteral("(no error)");
    }

    QTemporaryDir dir;
    RecordsTable table;
};

TEST_F(RecordsTableTest, LoggedRowsWalkInOrderWithTheirDisplayTexts)
{
    table.open(makeTable("Rk40vdb.DB"));
    EXPECT_TRUE(table.isEmpty());
    for (const Reading& r : kReadings)
        logReading(table, r);
    ASSERT_EQ(table.rowCount(), 3);
    const QStringList expected[] = {
        { "1", "14:03:27", "DC", "3.999", "V", "AUTO", "3999" },
        { "2", "00:00:00", "", "-0,512", "k*", "MANU", "-512" },
        { "3", "23:59:59", "AC", "-0L", "mV", "AUTO", "-4001" },
    };
    for (int row = 0; row < 3; ++row)
        for (int f = 0; f < kLogFields.size(); ++f)
            EXPECT_EQ(table.displayText(row, f), expected[row][f]) << row << "," << f;
    EXPECT_EQ(table.value(1, table.fieldIndex("time")), QVariant(QTime(0, 0)));
    EXPECT_TRUE(table.value(1, table.fieldIndex("dc/ac")).isNull());
    EXPECT_EQ(table.value(2, table.fieldIndex("NVAL")), QVariant(-4001.0));
}

TEST_F(RecordsTableTest, FieldNamesMatchWithoutCase)
{
    table.open(makeTable("t.db"));
    for (const char* name : { "no", "NO", "No", "dc/ac", "Auto", "aUTO", "nval" })
        EXPECT_GE(table.fieldIndex(name), 0) << name;
    EXPECT_EQ(table.fieldIndex("Not"), -1);
    EXPECT_EQ(table.fieldIndex(""), -1);
}

TEST_F(RecordsTableTest, TableStoreErrors)
{
    const QString closed = "Cannot perform this operation on a closed dataset";
    EXPECT_EQ(expectError([&] { table.append(); }), closed);
    EXPECT_EQ(expectError([&] { table.setField("No", qint64(1)); }), closed);
    EXPECT_EQ(expectError([&] { table.post(); }), closed);
    EXPECT_EQ(expectError([&] { table.emptyTable(); }), closed);
    EXPECT_EQ(expectError([&] { table.copyTo(dir.filePath("x.db")); }), closed);

    // A table without the log's "Nval": the row with the missing field is not added.
    QVector<FieldDef> fields = kLogFields;
    fields.removeLast();
    table.open(makeTable("old.db", fields));
    EXPECT_EQ(expectError([&] { logReading(table, kReadings[0]); }), "Field 'Nval' not found");
    table.post();
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(
        expectError([&] { table.setField("value", QString("1")); }), "Dataset not in edit or insert mode");
}

TEST_F(RecordsTableTest, EmptyAndCloseDiscardCachedRowsButNeverTouchTheFile)
{
    const QString path = makeTable("t.db");
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();

    table.open(path);
    logReading(table, kReadings[0]);
    logReading(table, kReadings[1]);
    EXPECT_EQ(table.unsavedRowCount(), 2);
    QSignalSpy reset(&table, &RecordsTable::tableReset);
    table.emptyTable();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_TRUE(table.isOpen());
    EXPECT_TRUE(table.isEmpty());
    EXPECT_EQ(table.unsavedRowCount(), 0);

    logReading(table, kReadings[2]);
    table.close();
    EXPECT_FALSE(table.isOpen());
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_TRUE(table.fields().isEmpty());
    table.open(path);
    EXPECT_TRUE(table.isEmpty());
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
}

TEST_F(RecordsTableTest, CopyKeepsFieldsAndEveryRowAndReopensWithThem)
{
    table.open(makeTable("t.db"));
    for (const Reading& r : kReadings)
        logReading(table, r);
    const QString copy = dir.filePath("copy.db");
    table.copyTo(copy);
    table.markSaved();
    EXPECT_EQ(table.unsavedRowCount(), 0);

    RecordsTable reopened;
    reopened.open(copy);
    EXPECT_EQ(reopened.fields(), kLogFields);
    ASSERT_EQ(reopened.rowCount(), 3);
    EXPECT_EQ(reopened.unsavedRowCount(), 0);
    for (int row = 0; row < 3; ++row)
        for (int f = 0; f < kLogFields.size(); ++f)
            EXPECT_EQ(reopened.value(row, f), table.value(row, f));
    // Rows appended to an opened table follow its old rows.
    logReading(reopened, kReadings[0]);
    EXPECT_EQ(reopened.unsavedRowCount(), 1);
    EXPECT_EQ(reopened.displayText(3, 0), "1");
}

TEST_F(RecordsTableTest, FailedCopyLeavesExistingFileAndRows)
{
    table.open(makeTable("t.db"));
    logReading(table, kReadings[0]);
    const QString target = dir.filePath("keep.db");
    QFile::copy(table.path(), target);
    QFile(target).setPermissions(QFileDevice::ReadOwner);
    QFile(dir.path()).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const bool folderLocked = !QFile(dir.filePath("probe")).open(QIODevice::WriteOnly); // root ignores modes
    if (folderLocked) {
        EXPECT_NE(expectError([&] { table.copyTo(target); }), "(no error)");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no temporary file left behind";
    }
    QFile(dir.path())
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_NE(expectError([&] { table.copyTo(dir.filePath("missing/x.db")); }), "(no error)");
    EXPECT_EQ(table.rowCount(), 1);
    RecordsTable old;
    old.open(target);
    EXPECT_TRUE(old.isEmpty());
}

TEST_F(RecordsTableTest, OpenIsExclusiveAndFailuresKeepTheOpenTable)
{
    const QString path = makeTable("t.db");
    table.open(path);
    RecordsTable second;
    EXPECT_EQ(expectError([&] { second.open(path); }),
        QString("Table '%1' is in use by another program").arg(path));
    EXPECT_FALSE(second.isOpen());
    table.close();
    EXPECT_NO_THROW(second.open(path));

    QFile junk(dir.filePath("junk.db"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a table");
    junk.close();
    EXPECT_TRUE(expectError([&] { second.open(junk.fileName()); }).startsWith("Cannot open table"));
    EXPECT_TRUE(second.isOpen()) << "a file that fails leaves the open table in place";
    EXPECT_EQ(second.path(), path);
    EXPECT_EQ(expectError([&] { second.open(dir.filePath("none.db")); }),
        QString("Table '%1' does not exist").arg(dir.filePath("none.db")));
    EXPECT_EQ(second.path(), path);
    // Opening the open table again reads it through the lock it holds.
    EXPECT_NO_THROW(second.open(path));
    EXPECT_EQ(second.path(), path);
    RecordsTable third;
    EXPECT_EQ(
        expectError([&] { third.open(path); }), QString("Table '%1' is in use by another program").arg(path));
}

TEST_F(RecordsTableTest, ReadOnlyFileOpens)
{
    const QString path = makeTable("ro.db");
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadOther);
    EXPECT_NO_THROW(table.open(path));
    logReading(table, kReadings[0]);
    EXPECT_EQ(table.rowCount(), 1);
}

TEST_F(RecordsTableTest, TemplateIsFoundInCurrentFolderFirstThenBesideTheProgram)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString besideProgram = QDir(QCoreApplication::applicationDirPath()).filePath("Rk40vdb.DB");
    const bool programHasOne = QFile::exists(besideProgram);
    EXPECT_EQ(RecordsTable::findTemplate(),
        programHasOne ? QFileInfo(besideProgram).absoluteFilePath() : QString());
    if (!programHasOne) {
        EXPECT_TRUE(
            expectError([&] { table.openTemplate(); }).startsWith("Table 'Rk40vdb.DB' does not exist in "));
        EXPECT_FALSE(table.isOpen());
    }
    const QString local = makeTable("Rk40vdb.DB");
    EXPECT_EQ(RecordsTable::findTemplate(), QFileInfo(local).absoluteFilePath());
    table.openTemplate();
    EXPECT_EQ(table.path(), QFileInfo(local).absoluteFilePath());
    table.close();
    QDir::setCurrent(previous);
}

TEST_F(RecordsTableTest, TemplateIsSharedByReadersWhileUserTablesStayExclusive)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const QString path = QFileInfo(makeTable("Rk40vdb.DB")).absoluteFilePath();

    // Two windows log side by side from the same template.
    RecordsTable first;
    RecordsTable second;
    EXPECT_NO_THROW(first.openTemplate());
    EXPECT_NO_THROW(second.openTemplate());
    EXPECT_TRUE(first.isOpen() && second.isOpen());
    logReading(first, kReadings[0]);
    EXPECT_EQ(second.rowCount(), 0) << "rows live in each table's own memory";

    // Opening the template as a user table still wants it alone.
    RecordsTable user;
    EXPECT_EQ(
        expectError([&] { user.open(path); }), QString("Table '%1' is in use by another program").arg(path));
    first.close();
    second.close();
    EXPECT_NO_THROW(user.open(path));
    EXPECT_EQ(expectError([&] { first.openTemplate(); }),
        QString("Table '%1' is in use by another program").arg(path));
    QDir::setCurrent(previous);
}

TEST_F(RecordsTableTest, BuiltTemplateHasTheLogFields)
{
    const QString path = QDir(testsupport::binDir()).filePath("Rk40vdb.DB");
    if (!QFile::exists(path))
        GTEST_SKIP() << "template not built";
    table.open(path);
    EXPECT_EQ(table.fields(), kLogFields);
    EXPECT_TRUE(table.isEmpty());
}

TEST_F(RecordsTableTest, ModelInsertsOnlyNewRows)
{
    table.open(makeTable("t.db"));
    RecordsTableModel model(&table);
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    logReading(table, kReadings[0]);
    logReading(table, kReadings[1]);
    ASSERT_EQ(inserted.count(), 2);
    EXPECT_EQ(inserted[1][1].toInt(), 1);
    EXPECT_EQ(inserted[1][2].toInt(), 1);
    EXPECT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.columnCount(), 7);
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), "DC/AC");
    EXPECT_EQ(model.data(model.index(1, 4)).toString(), "k*");
    table.emptyTable();
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 0);
    table.close();
    EXPECT_EQ(model.columnCount(), 0);
}

} // namespace

namespace {

class PrimaryIndexTest : public RecordsTableTest {
protected:
    // A table keyed by "Not" (first or second field) holding @p keys in that order.
    QString keyedTable(const QString& name, const std::vector<int>& keys, bool keyFirst = true)
    {
        QVector<FieldDef> fields { { "Not", FieldType::Long, 4 }, { "Value", FieldType::Alpha, 10 } };
        if (!keyFirst)
            std::swap(fields[0], fields[1]);
        const QString path = makeTable(name, fields);
        RecordsTable t;
        t.open(path);
        for (int k : keys) {
            t.append();
            t.setField("Not", qint64(k));
            t.setField("Value", QString::number(k * 10));
            t.post();
        }
        const QString keyed = dir.filePath("keyed_" + name);
        t.copyTo(keyed);
        return keyed;
    }

    QByteArray bytesOf(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(PrimaryIndexTest, KeyedTableStoresRowsInKeyOrderWithAnIndexFile)
{
    const std::vector<int> keys { 5, -3, 100, 0, 42, -2000 };
    const QString path = keyedTable("k.db", keys);
    EXPECT_TRUE(RecordsTable::addPrimaryIndex(path, "NOT"));
    EXPECT_TRUE(QFile::exists(dir.filePath("keyed_k.px")));
    const ParadoxTable t = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return ParadoxReader::read(f);
    }();
    EXPECT_EQ(t.header.fileType, ParadoxHeader::kIndexedTable);
    EXPECT_EQ(t.header.primaryKeyFields, 1);
    table.open(path);
    std::vector<int> sorted = keys;
    std::sort(sorted.begin(), sorted.end());
    ASSERT_EQ(table.rowCount(), qint64(keys.size()));
    for (size_t i = 0; i < sorted.size(); ++i) {
        EXPECT_EQ(table.value(qint64(i), 0).toInt(), sorted[i]);
        EXPECT_EQ(table.displayText(qint64(i), 1), QString::number(sorted[i] * 10));
    }
}

TEST_F(PrimaryIndexTest, FieldThatCannotBeKeyLeavesTheTableAsItWas)
{
    struct Case {
        const char* name;
        std::vector<int> keys;
        bool keyFirst;
        const char* field;
        const char* error; // empty: skipped without an error
    };
    const Case cases[] = {
        { "absent.db", { 1, 2 }, true, "Missing", "" },
        { "second.db", { 1, 2 }, false, "Not",
            "Field 'Not' cannot be the primary key: key fields must come first in the table" },
        { "dupes.db", { 7, 1, 7 }, true, "Not",
            "Key violation: field 'Not' holds the value '7' more than once" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = keyedTable(c.name, c.keys, c.keyFirst);
        const QByteArray before = bytesOf(path);
        if (*c.error == '\0') {
            EXPECT_FALSE(RecordsTable::addPrimaryIndex(path, c.field));
        } else {
            EXPECT_EQ(expectError([&] { RecordsTable::addPrimaryIndex(path, c.field); }), c.error);
        }
        EXPECT_EQ(bytesOf(path), before);
    }
}

} // namespace
