#include "records/log_table_layout.h"
#include "records/paradox_rows.h"
#include "records/paradox_value.h"

#include <QByteArray>

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

QVector<int> sizesOf(const QVector<FieldDef>& fields)
{
    QVector<int> sizes;
    for (const FieldDef& f : fields)
        sizes.append(f.size);
    return sizes;
}

const QVector<int> kLogSizes = sizesOf(logTableFields());

/** Fills a log record the way the reading log does, from a reading number. */
QByteArray logRecord(qint64 i, int distinctValues, bool someEmpty)
{
    QByteArray r(42, '\0');
    ParadoxValue::writeInt(r.data(), 4, i + 1); // No
    ParadoxValue::writeInt(r.data() + 4, 4, (i * 1000 + 37) % 86400000); // Time
    if (!someEmpty || i % 7 != 0)
        std::memcpy(r.data() + 8, i % 3 ? "DC" : "AC", 2);
    const QByteArray value = QByteArray::number(double((i * 7919) % distinctValues) / 1000.0, 'f', 3);
    std::memcpy(r.data() + 12, value.constData(), size_t(std::min<qsizetype>(value.size(), 10)));
    std::memcpy(r.data() + 22, "k*", 2);
    std::memcpy(r.data() + 30, i % 100 ? "AUTO" : "MANU", 4);
    if (!someEmpty || i % 5 != 0)
        ParadoxValue::writeDouble(r.data() + 34, double((i * 7919) % distinctValues));
    return r;
}

struct RowsCase {
    const char* name;
    QVector<int> sizes;
    qint64 rows;
    std::function<QByteArray(qint64)> record;
};

void PrintTo(const RowsCase& c, std::ostream* os)
{
    *os << c.name;
}

QByteArray randomRecord(int size, qint64 i)
{
    std::mt19937 random { unsigned(i) };
    QByteArray r(size, '\0');
    for (char& c : r)
        c = char(random());
    return r;
}

QByteArray bigEndian(qint64 v, int size)
{
    QByteArray r(size, '\0');
    for (int b = size - 1; b >= 0; --b, v >>= 8)
        r[b] = char(v & 0xFF);
    return r;
}

class RowsRoundTrip : public ::testing::TestWithParam<RowsCase> { };

// Rows read back exactly as appended, whichever form each packed chunk chose.
TEST_P(RowsRoundTrip, EveryRowReadsBackAsAppended)
{
    const RowsCase& c = GetParam();
    ParadoxRows rows(c.sizes);
    for (qint64 i = 0; i < c.rows; ++i)
        rows.append(c.record(i).constData());
    ASSERT_EQ(rows.count(), c.rows);
    QByteArray copy(rows.recordSize(), '\0');
    for (qint64 i = 0; i < c.rows; ++i) {
        const QByteArray expected = c.record(i);
        ASSERT_EQ(QByteArray(rows.row(i), rows.recordSize()), expected) << "row " << i;
        rows.read(i, copy.data());
        ASSERT_EQ(copy, expected) << "row " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Patterns, RowsRoundTrip,
    ::testing::Values(
        // Several full chunks and a partly filled one of the records table's layout.
        RowsCase { "LogFewValues", kLogSizes, 25000, [](qint64 i) { return logRecord(i, 40, false); } },
        RowsCase { "LogManyValuesAndEmptyFields", kLogSizes, 25000,
            [](qint64 i) { return logRecord(i, 4000, true); } },
        RowsCase { "SameRecordThroughout", kLogSizes, 13000, [](qint64) { return logRecord(5, 40, false); } },
        RowsCase { "RandomBytes", kLogSizes, 13000, [](qint64 i) { return randomRecord(42, i); } },
        RowsCase { "OneFieldRecords", { 42 }, 13000, [](qint64 i) { return logRecord(i % 300, 40, false); } },
        RowsCase {
            "OneByteRecords", { 1 }, 600000, [](qint64 i) { return QByteArray(1, char(i % 251 == 0)); } },
        // More distinct values in a chunk than two bytes can index.
        RowsCase { "ThreeByteCounter", { 3 }, 200000, [](qint64 i) { return bigEndian(i * 3, 3); } },
        // The whole range of an eight-byte field, smallest and largest in one chunk.
        RowsCase { "EightByteExtremes", { 8 }, 70000,
            [](qint64 i) { return i % 2 ? QByteArray(8, '\xff') : bigEndian(i, 8); } }),
    [](const ::testing::TestParamInfo<RowsCase>& info) { return std::string(info.param.name); });

TEST(RowsSnapshot, KeepsItsRowsWhileTheOriginalGoesOn)
{
    ParadoxRows rows(kLogSizes);
    const qint64 taken = 9000; // one packed chunk and part of the open one
    for (qint64 i = 0; i < taken; ++i)
        rows.append(logRecord(i, 4000, true).constData());
    ParadoxRows view = rows.snapshot();

    // The original fills and packs the chunk the snapshot shares, then is emptied.
    for (qint64 i = taken; i < 20000; ++i)
        rows.append(logRecord(i, 4000, true).constData());
    ASSERT_EQ(rows.count(), 20000);
    for (qint64 i : { qint64(0), taken - 1, taken, qint64(19999) })
        EXPECT_EQ(QByteArray(rows.row(i), 42), logRecord(i, 4000, true)) << i;
    rows.clear();
    EXPECT_EQ(rows.count(), 0);

    ASSERT_EQ(view.count(), taken);
    for (qint64 i = 0; i < taken; ++i)
        ASSERT_EQ(QByteArray(view.row(i), 42), logRecord(i, 4000, true)) << i;
}

TEST(RowsSnapshot, AppendingToASnapshotLeavesTheOriginalAlone)
{
    ParadoxRows rows(kLogSizes);
    for (qint64 i = 0; i < 100; ++i)
        rows.append(logRecord(i, 40, false).constData());
    ParadoxRows view = rows.snapshot();
    view.append(logRecord(999, 40, false).constData());
    rows.append(logRecord(100, 40, false).constData());
    EXPECT_EQ(QByteArray(view.row(100), 42), logRecord(999, 40, false));
    EXPECT_EQ(QByteArray(rows.row(100), 42), logRecord(100, 40, false));
    EXPECT_EQ(QByteArray(view.row(99), 42), logRecord(99, 40, false));
}

TEST(RowsMemory, ALoggedRowCostsLessThanItsRecord)
{
    // A reading a second for a day, values drawn at random from a few
    // thousand counts. The program's budget is 40 bytes a logged row, of
    // which the chart's point takes 8.
    ParadoxRows rows(kLogSizes);
    const qint64 count = 86400;
    for (qint64 i = 0; i < count; ++i)
        rows.append(logRecord(i, 4000, false).constData());
    EXPECT_LE(double(rows.memoryBytes()) / double(count), 30.0);
}

} // namespace
