// The primary index this codec writes, read through pxlib. Kept in its own
// program: pxlib carries state from one document to the next, and after
// other tables were read in the same process it fails to find index records.
#include "records/paradox_value.h"
#include "records/paradox_writer.h"
#include "records/records_table.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

extern "C" {
#include <paradox.h>
}

namespace {

constexpr int kRows = 3000; // 145 records a block: 21 data blocks, 21 index entries

struct PxDoc {
    pxdoc_t* doc = PX_new();
    FILE* fp = nullptr;
    ~PxDoc()
    {
        PX_close(doc);
        PX_delete(doc);
        if (fp)
            std::fclose(fp);
    }
};

class ParadoxPxlib : public ::testing::Test {
protected:
    static void SetUpTestSuite() { PX_boot(); }
    static void TearDownTestSuite() { PX_shutdown(); }
    QTemporaryDir dir;
};

TEST_F(ParadoxPxlib, PrimaryIndexReadsThroughPxlib)
{
    const QVector<FieldDef> fields { { "Not", FieldType::Long, 4 }, { "Value", FieldType::Alpha, 10 } };
    ParadoxRows rows(14);
    for (int i = 0; i < kRows; ++i) {
        char* r = rows.appendRow();
        const int key = (i * 7919) % kRows - kRows / 2; // every key once, out of order
        ParadoxValue::writeInt(r, 4, key);
        std::memcpy(r + 4, QByteArray::number(key).constData(), size_t(QByteArray::number(key).size()));
    }
    const QString path = dir.filePath("keyed.db");
    ParadoxWriter::writeFile(path, fields, rows);
    ASSERT_TRUE(RecordsTable::addPrimaryIndex(path, "Not"));

    PxDoc index;
    index.fp = std::fopen(QFile::encodeName(dir.filePath("keyed.px")).constData(), "rb");
    ASSERT_NE(index.fp, nullptr);
    ASSERT_EQ(PX_open_fp(index.doc, index.fp), 0);
    ASSERT_EQ(PX_read_primary_index(index.doc), 0);
    EXPECT_EQ(PX_get_num_records(index.doc), (kRows + 144) / 145); // one entry per data block

    PxDoc table;
    table.fp = std::fopen(QFile::encodeName(path).constData(), "rb");
    ASSERT_NE(table.fp, nullptr);
    ASSERT_EQ(PX_open_fp(table.doc, table.fp), 0);
    ASSERT_EQ(PX_add_primary_index(table.doc, index.doc), 0);
    index.doc = PX_new(); // the table owns the index now
    ASSERT_EQ(PX_get_num_records(table.doc), kRows);
    char record[14];
    for (int i = 0; i < kRows; ++i) {
        ASSERT_NE(PX_get_record(table.doc, i, record), nullptr);
        long key = 0;
        PX_get_data_long(table.doc, record, 4, &key);
        ASSERT_EQ(key, i - kRows / 2);
    }
}

} // namespace
