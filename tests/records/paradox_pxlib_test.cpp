// Interoperation with pxlib, a second Paradox implementation: tables our
// codec writes must read back through pxlib, and tables pxlib writes must
// read through our codec. pxlib only ever sees files these tests made.
#include "records/paradox_reader.h"
#include "records/paradox_value.h"
#include "records/paradox_writer.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

extern "C" {
#include <paradox.h>
}

namespace {

const QVector<FieldDef> kFields {
    { "No", FieldType::Long, 4 },
    { "Time", FieldType::Time, 4 },
    { "DC/AC", FieldType::Alpha, 4 },
    { "Value", FieldType::Alpha, 10 },
    { "Nval", FieldType::Number, 8 },
    { "Count", FieldType::Short, 2 },
    { "Day", FieldType::Date, 4 },
    { "Ok", FieldType::Logical, 1 },
};
constexpr int kRows = 3000; // 59 records a block: several dozen blocks

// Expected content of row i, chosen to cover signs, midnight and text.
qint64 no(int i)
{
    return i % 2 ? i + 1 : -(i + 1);
}
int msecs(int i)
{
    return (i * 7919) % 86400000;
}
QByteArray acdc(int i)
{
    return i % 3 == 0 ? QByteArray("AC") : QByteArray("DC");
}
QByteArray value(int i)
{
    return QByteArray::number(i % 2 ? -i : i) + "\xB5";
} // micro sign, code page 1252
double nval(int i)
{
    return (i % 2 ? -1.0 : 1.0) * i * 0.25;
}
int count(int i)
{
    return (i % 300) - 150;
}
qint64 days(int i)
{
    return 730000 + i;
}
bool ok(int i)
{
    return i % 2 == 0;
}

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

TEST_F(ParadoxPxlib, OurTableReadsThroughPxlib)
{
    ParadoxRows rows(42);
    for (int i = 0; i < kRows; ++i) {
        char* r = rows.appendRow();
        ParadoxValue::writeInt(r, 4, no(i));
        ParadoxValue::writeInt(r + 4, 4, msecs(i));
        std::memcpy(r + 8, acdc(i).constData(), size_t(acdc(i).size()));
        std::memcpy(r + 12, value(i).constData(), size_t(value(i).size()));
        ParadoxValue::writeDouble(r + 22, nval(i));
        ParadoxValue::writeInt(r + 30, 2, count(i));
        ParadoxValue::writeInt(r + 32, 4, days(i));
        r[36] = char(ok(i) ? 0x81 : 0x80);
    }
    ParadoxRows wide(37);
    for (qint64 i = 0; i < rows.count(); ++i)
        wide.append(rows.row(i));
    const QString path = dir.filePath("ours.db");
    ParadoxWriter::writeFile(path, kFields, wide);

    PxDoc px;
    px.fp = std::fopen(QFile::encodeName(path).constData(), "rb");
    ASSERT_NE(px.fp, nullptr);
    ASSERT_EQ(PX_open_fp(px.doc, px.fp), 0);
    ASSERT_EQ(PX_get_num_fields(px.doc), kFields.size());
    pxfield_t* f = PX_get_fields(px.doc);
    for (int i = 0; i < kFields.size(); ++i) {
        EXPECT_EQ(QString::fromLatin1(f[i].px_fname), kFields[i].name);
        EXPECT_EQ(f[i].px_ftype, char(kFields[i].type));
        EXPECT_EQ(f[i].px_flen, kFields[i].size);
    }
    ASSERT_EQ(PX_get_num_records(px.doc), kRows);
    std::vector<char> record(size_t(PX_get_recordsize(px.doc)));
    for (int i = 0; i < kRows; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(PX_get_record(px.doc, i, record.data()), nullptr);
        long l = 0;
        PX_get_data_long(px.doc, record.data(), 4, &l);
        EXPECT_EQ(l, no(i));
        PX_get_data_long(px.doc, record.data() + 4, 4, &l);
        EXPECT_EQ(l, msecs(i));
        char* text = nullptr;
        PX_get_data_alpha(px.doc, record.data() + 12, 10, &text);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(QByteArray(text), value(i));
        px.doc->free(px.doc, text);
        double d = 0;
        PX_get_data_double(px.doc, record.data() + 22, 8, &d);
        EXPECT_EQ(d, nval(i));
        short s = 0;
        PX_get_data_short(px.doc, record.data() + 30, 2, &s);
        EXPECT_EQ(s, count(i));
        PX_get_data_long(px.doc, record.data() + 32, 4, &l);
        EXPECT_EQ(l, days(i));
        char b = 0;
        PX_get_data_byte(px.doc, record.data() + 36, 1, &b);
        EXPECT_EQ(b != 0, ok(i));
    }
}

TEST_F(ParadoxPxlib, PxlibTableReadsThroughOurCodec)
{
    const QString path = dir.filePath("theirs.db");
    {
        PxDoc px;
        px.fp = std::fopen(QFile::encodeName(path).constData(), "wb+");
        ASSERT_NE(px.fp, nullptr);
        auto* f
            = static_cast<pxfield_t*>(px.doc->malloc(px.doc, sizeof(pxfield_t) * kFields.size(), "fields"));
        for (int i = 0; i < kFields.size(); ++i) {
            f[i].px_fname = PX_strdup(px.doc, kFields[i].name.toLatin1().constData());
            f[i].px_ftype = char(kFields[i].type);
            f[i].px_flen = kFields[i].size;
            f[i].px_fdc = 0;
        }
        ASSERT_EQ(PX_create_fp(px.doc, f, int(kFields.size()), px.fp, pxfFileTypNonIndexDB), 0);
        std::vector<char> r(37);
        for (int i = 0; i < kRows; ++i) {
            std::fill(r.begin(), r.end(), 0);
            PX_put_data_long(px.doc, r.data(), 4, int(no(i)));
            PX_put_data_long(px.doc, r.data() + 4, 4, msecs(i));
            PX_put_data_alpha(px.doc, r.data() + 8, 4, acdc(i).data());
            PX_put_data_alpha(px.doc, r.data() + 12, 10, value(i).data());
            PX_put_data_double(px.doc, r.data() + 22, 8, nval(i));
            PX_put_data_short(px.doc, r.data() + 30, 2, short(count(i)));
            PX_put_data_long(px.doc, r.data() + 32, 4, int(days(i)));
            PX_put_data_byte(px.doc, r.data() + 36, 1, ok(i) ? 1 : 0);
            ASSERT_GE(PX_put_record(px.doc, r.data()), 0);
        }
    }

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const ParadoxTable t = ParadoxReader::read(file);
    EXPECT_EQ(t.header.fields, kFields);
    ASSERT_EQ(t.rows.count(), kRows);
    for (int i = 0; i < kRows; ++i) {
        SCOPED_TRACE(i);
        const char* r = t.rows.row(i);
        EXPECT_EQ(ParadoxValue::toVariant(kFields[0], r), QVariant(int(no(i))));
        EXPECT_EQ(
            ParadoxValue::toVariant(kFields[1], r + 4), QVariant(QTime::fromMSecsSinceStartOfDay(msecs(i))));
        EXPECT_EQ(ParadoxValue::toVariant(kFields[2], r + 8), QVariant(QString::fromLatin1(acdc(i))));
        EXPECT_EQ(ParadoxValue::toDisplay(kFields[3], r + 12, {}), QString::fromLatin1(value(i)));
        EXPECT_EQ(ParadoxValue::toVariant(kFields[4], r + 22), QVariant(nval(i)));
        EXPECT_EQ(ParadoxValue::toVariant(kFields[5], r + 30), QVariant(count(i)));
        EXPECT_EQ(ParadoxValue::toVariant(kFields[6], r + 32), QVariant(ParadoxValue::dateFromDays(days(i))));
        EXPECT_EQ(ParadoxValue::toVariant(kFields[7], r + 36), QVariant(ok(i)));
    }
}

} // namespace
