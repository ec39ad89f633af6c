// Damaged and hostile table files: every one must end in a TableStoreError
// (never a crash, hang or huge allocation), and the table stays closed.
#include "records/paradox_reader.h"
#include "records/paradox_value.h"
#include "records/records_table.h"
#include "support/test_paths.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <random>

namespace {

QString corpusDir()
{
    return testsupport::dataDir() + QStringLiteral("/paradox");
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Reads @p bytes; a table that is accepted must be walkable end to end.
// Returns the row count, or -1 when the reader refused the bytes.
qint64 readOrRefuse(const QByteArray& bytes)
{
    try {
        const ParadoxTable t = ParadoxReader::read(bytes);
        EXPECT_LE(t.rows.count() * t.header.recordSize, bytes.size());
        for (qint64 r = 0; r < t.rows.count(); ++r) {
            int offset = 0;
            for (const FieldDef& f : t.header.fields) {
                ParadoxValue::toDisplay(f, t.rows.row(r) + offset, QStringLiteral("HH:mm:ss"));
                offset += f.size;
            }
        }
        return t.rows.count();
    } catch (const TableStoreError& e) {
        EXPECT_FALSE(e.message().isEmpty());
        return -1;
    }
}

TEST(ParadoxHostile, ValidCorpusOpens)
{
    struct Case {
        const char* file;
        qint64 rows;
        int fields;
    };
    for (const Case c : { Case { "log60.db", 60, 7 }, Case { "pxlib3.db", 3, 2 } }) {
        SCOPED_TRACE(c.file);
        RecordsTable table;
        ASSERT_NO_THROW(table.open(corpusDir() + QLatin1Char('/') + QLatin1String(c.file)));
        EXPECT_EQ(table.rowCount(), c.rows);
        EXPECT_EQ(table.fields().size(), c.fields);
    }
}

TEST(ParadoxHostile, EveryDamagedFileIsRefusedWithAMessage)
{
    const QDir damaged(corpusDir() + QStringLiteral("/damaged"));
    const QStringList files = damaged.entryList({ QStringLiteral("*.db") }, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    for (const QString& name : files) {
        SCOPED_TRACE(name.toStdString());
        RecordsTable table;
        try {
            table.open(damaged.filePath(name));
            ADD_FAILURE() << "opened";
        } catch (const TableStoreError& e) {
            EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot open table"))) << e.what();
        }
        EXPECT_FALSE(table.isOpen());
        EXPECT_EQ(table.rowCount(), 0);
    }
}

TEST(ParadoxHostile, TruncationAtEveryLengthIsRefusedOrComplete)
{
    const QByteArray seed = readFile(corpusDir() + QStringLiteral("/log60.db"));
    ASSERT_EQ(seed.size(), 6144);
    // The last record ends 12 records into the second block: 2048 + 2048 + 6 + 12 * 42.
    const qsizetype lastRecordEnd = 2048 + 2048 + 6 + 12 * 42;
    for (qsizetype n = 0; n < seed.size(); ++n) {
        const qint64 rows = readOrRefuse(seed.left(n));
        EXPECT_EQ(rows, n < lastRecordEnd ? -1 : 60) << n;
    }
}

TEST(ParadoxHostile, FixedSeedMutationsNeverCrash)
{
    const QByteArray seeds[] = {
        readFile(corpusDir() + QStringLiteral("/log60.db")),
        readFile(corpusDir() + QStringLiteral("/pxlib3.db")),
    };
    std::mt19937 rng(5082);
    const quint32 extremes[] = { 0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF };
    int refused = 0;
    constexpr int kRounds = 10000;
    for (int round = 0; round < kRounds; ++round) {
        QByteArray bytes = seeds[round % 2];
        const int edits = 1 + int(rng() % 6);
        for (int e = 0; e < edits; ++e) {
            // Mostly the header and block headers, where sizes and counts live.
            const bool header = rng() % 4 != 0;
            const qsizetype at
                = header ? qsizetype(rng() % 0x200) : 0x800 + qsizetype(rng() % (bytes.size() - 0x800 - 4));
            switch (rng() % 4) {
            case 0:
                bytes[at] = char(rng());
                break;
            case 1:
                bytes[at] = char(bytes[at] ^ (1 << (rng() % 8)));
                break;
            default: {
                const quint32 v = extremes[rng() % std::size(extremes)];
                const int width = rng() % 2 ? 2 : 4;
                for (int i = 0; i < width && at + i < bytes.size(); ++i)
                    bytes[at + i] = char(v >> (8 * i));
            }
            }
        }
        if (rng() % 8 == 0)
            bytes.truncate(qsizetype(rng() % bytes.size()));
        if (readOrRefuse(bytes) < 0)
            ++refused;
    }
    // The mutations reach the checks; many others land in names or unused bytes.
    EXPECT_GT(refused, kRounds / 10);
}

} // namespace
