// Round trips through the codec: values of every supported field type
// written into a table file and read back, and the file's geometry.
#include "records/paradox_assign.h"
#include "records/paradox_reader.h"
#include "records/paradox_value.h"
#include "records/paradox_writer.h"
#include "records/table_store_error.h"

#include <QBuffer>

#include <cmath>
#include <gtest/gtest.h>

namespace {

QByteArray writeTable(const QVector<FieldDef>& fields, const ParadoxRows& rows)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ParadoxWriter::write(buffer, fields, rows, QStringLiteral("t.db"));
    return buffer.data();
}

struct ValueCase {
    const char* name;
    FieldDef field;
    QVariant in; // null: leave the field empty
    QVariant out;
    QString text;
};

const QString kTimeFormat = QStringLiteral("HH:mm:ss");

std::vector<ValueCase> valueCases()
{
    return {
        { "alpha", { "a", FieldType::Alpha, 10 }, "DC", "DC", "DC" },
        { "alpha full, no terminator", { "a", FieldType::Alpha, 4 }, "AUTO", "AUTO", "AUTO" },
        { "alpha cut to width", { "a", FieldType::Alpha, 4 }, "MANUAL", "MANU", "MANU" },
        { "alpha code page 1252", { "a", FieldType::Alpha, 8 }, QString::fromUtf8("µA€é"),
            QString::fromUtf8("µA€é"), QString::fromUtf8("µA€é") },
        { "alpha empty", { "a", FieldType::Alpha, 6 }, QVariant(), QVariant(), "" },
        { "short negative", { "s", FieldType::Short, 2 }, -32767, -32767, "-32767" },
        { "short zero", { "s", FieldType::Short, 2 }, 0, 0, "0" },
        { "long", { "l", FieldType::Long, 4 }, 2147483647, 2147483647, "2147483647" },
        { "long negative", { "l", FieldType::Long, 4 }, -4001, -4001, "-4001" },
        { "long empty", { "l", FieldType::Long, 4 }, QVariant(), QVariant(), "" },
        { "autoincrement", { "i", FieldType::AutoInc, 4 }, 17, 17, "17" },
        { "number negative", { "n", FieldType::Number, 8 }, -3.999, -3.999, "-3.999" },
        { "number zero", { "n", FieldType::Number, 8 }, 0.0, 0.0, "0" },
        { "number large", { "n", FieldType::Number, 8 }, 1.5e300, 1.5e300, "1.5e+300" },
        { "currency", { "c", FieldType::Currency, 8 }, -12.5, -12.5, "-12.50" },
        { "logical true", { "b", FieldType::Logical, 1 }, true, true, "True" },
        { "logical false", { "b", FieldType::Logical, 1 }, false, false, "False" },
        { "time of day", { "t", FieldType::Time, 4 }, QTime(14, 3, 27), QTime(14, 3, 27), "14:03:27" },
        { "time midnight", { "t", FieldType::Time, 4 }, QTime(0, 0), QTime(0, 0), "00:00:00" },
        { "time last ms", { "t", FieldType::Time, 4 }, QTime(23, 59, 59, 999), QTime(23, 59, 59, 999),
            "23:59:59" },
        { "date", { "d", FieldType::Date, 4 }, QDate(2026, 12, 10), QDate(2026, 12, 10), "" },
        { "date first day", { "d", FieldType::Date, 4 }, QDate(1, 1, 1), QDate(1, 1, 1), "" },
        { "timestamp", { "x", FieldType::Timestamp, 8 },
            QDateTime(QDate(1999, 2, 3), QTime(4, 5, 6), Qt::UTC),
            QDateTime(QDate(1999, 2, 3), QTime(4, 5, 6), Qt::UTC), "" },
    };
}

void store(const FieldDef& f, char* p, const QVariant& v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
        return ParadoxAssign::fromInt(f, p, v.toInt());
    case QMetaType::Bool:
        return ParadoxAssign::fromInt(f, p, v.toBool());
    case QMetaType::Double:
        return ParadoxAssign::fromDouble(f, p, v.toDouble());
    case QMetaType::QTime:
        return ParadoxAssign::fromTime(f, p, v.toTime(), kTimeFormat);
    case QMetaType::QDate:
        return ParadoxValue::writeInt(p, 4, ParadoxValue::daysFromDate(v.toDate()));
    case QMetaType::QDateTime:
        return ParadoxValue::writeDouble(p, ParadoxValue::stampFromDateTime(v.toDateTime()));
    default:
        return ParadoxAssign::fromText(f, p, v.toString(), kTimeFormat);
    }
}

TEST(ParadoxCodec, EveryFieldTypeRoundTripsThroughAFile)
{
    const auto cases = valueCases();
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.name);
        ParadoxRows rows(c.field.size);
        char* p = rows.appendRow();
        if (!c.in.isNull())
            store(c.field, p, c.in);
        const ParadoxTable t = ParadoxReader::read(writeTable({ c.field }, rows));
        ASSERT_EQ(t.rows.count(), 1);
        EXPECT_EQ(t.header.fields.front(), c.field);
        const QVariant back = ParadoxValue::toVariant(c.field, t.rows.row(0));
        EXPECT_EQ(back, c.out) << back.toString().toStdString();
        if (!c.text.isEmpty() || c.out.isNull()) {
            EXPECT_EQ(ParadoxValue::toDisplay(c.field, t.rows.row(0), kTimeFormat), c.text);
        }
    }
}

TEST(ParadoxCodec, UnsupportedTypesReadEmpty)
{
    for (FieldType type : { FieldType::MemoBlob, FieldType::Bcd, FieldType::Bytes, FieldType::Graphic }) {
        const FieldDef f { "x", type, 17 };
        const char bytes[17] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17 };
        EXPECT_TRUE(ParadoxValue::toVariant(f, bytes).isNull());
        EXPECT_EQ(ParadoxValue::toDisplay(f, bytes, kTimeFormat), QString());
    }
}

TEST(ParadoxCodec, AssignmentConvertsOrRejects)
{
    const FieldDef number { "Nval", FieldType::Number, 8 };
    const FieldDef shortInt { "s", FieldType::Short, 2 };
    const FieldDef time { "Time", FieldType::Time, 4 };
    char buf[8] = {};
    ParadoxAssign::fromText(number, buf, "3,999", kTimeFormat);
    EXPECT_EQ(ParadoxValue::readDouble(buf), 3.999);
    ParadoxAssign::fromText(number, buf, "-0.5", kTimeFormat);
    EXPECT_EQ(ParadoxValue::readDouble(buf), -0.5);
    ParadoxAssign::fromText(time, buf, "14:03:27", kTimeFormat);
    EXPECT_EQ(ParadoxValue::readInt(buf, 4), QTime(14, 3, 27).msecsSinceStartOfDay());

    struct Bad {
        const char* name;
        std::function<void()> assign;
        const char* message;
    };
    const std::vector<Bad> bad {
        { "text into number", [&] { ParadoxAssign::fromText(number, buf, "abc", kTimeFormat); },
            "'abc' is not a valid floating point value" },
        { "text into short", [&] { ParadoxAssign::fromText(shortInt, buf, "1.5", kTimeFormat); },
            "'1.5' is not a valid integer value" },
        { "short overflow", [&] { ParadoxAssign::fromInt(shortInt, buf, 40000); },
            "40000 is not a valid value for field 's'" },
        { "most negative long is the empty pattern",
            [&] {
                ParadoxAssign::fromInt({ "l", FieldType::Long, 4 }, buf, -2147483648LL);
            },
            "-2147483648 is not a valid value for field 'l'" },
        { "time into number", [&] { ParadoxAssign::fromTime(number, buf, QTime(1, 2), kTimeFormat); },
            "Field 'Nval' cannot hold a time value" },
        { "not a time", [&] { ParadoxAssign::fromText(time, buf, "25:00:00", kTimeFormat); },
            "'25:00:00' is not a valid time" },
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.name);
        try {
            b.assign();
            ADD_FAILURE() << "no error";
        } catch (const TableStoreError& e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(b.message));
        }
    }
}

TEST(ParadoxCodec, BlockSizeGrowsWithRecordsAndRows)
{
    struct Case {
        int recordSize;
        qint64 rows;
        int factor;
    };
    // 48 records of 42 bytes fill a 2 KiB block; a table addresses 65535 blocks.
    const Case cases[] = {
        { 42, 0, 2 },
        { 42, 3145680, 2 },
        { 42, 3145681, 4 },
        { 42, 10000000, 8 },
        { 2042, 1, 2 },
        { 2043, 1, 4 },
        { 32762, 1, 32 },
        { 32763, 1, 0 },
        { 42, 60000000000LL, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        EXPECT_EQ(ParadoxWriter::blockFactorFor(c.recordSize, c.rows), c.factor);
    }
}

TEST(ParadoxCodec, RowsSpanManyBlocksAndWideRecords)
{
    struct Case {
        int padFields;
        qint64 rows;
        int factor;
    };
    // 4 + 9 * 250 = 2254 bytes needs 4 KiB blocks; 42-byte rows fill 2 KiB blocks.
    for (const Case c : { Case { 0, 1000, 2 }, Case { 9, 5, 4 } }) {
        QVector<FieldDef> fields { { "n", FieldType::Long, 4 } };
        for (int i = 0; i < c.padFields; ++i)
            fields.append({ QStringLiteral("pad%1").arg(i), FieldType::Alpha, 250 });
        if (c.padFields == 0)
            fields.append({ "pad", FieldType::Alpha, 38 });
        int size = 0;
        for (const FieldDef& f : fields)
            size += f.size;
        ParadoxRows rows(size);
        for (qint64 i = 0; i < c.rows; ++i) {
            char* r = rows.appendRow();
            ParadoxValue::writeInt(r, 4, i);
            r[size - 1] = 'z';
        }
        const ParadoxTable t = ParadoxReader::read(writeTable(fields, rows));
        EXPECT_EQ(t.header.blockFactor, c.factor);
        ASSERT_EQ(t.rows.count(), c.rows);
        for (qint64 i = 0; i < c.rows; ++i) {
            ASSERT_EQ(ParadoxValue::readInt(t.rows.row(i), 4), i);
            ASSERT_EQ(t.rows.row(i)[size - 1], 'z');
        }
    }
}

} // namespace
