#include "records/cp1252.h"
#include "records/display_bytes.h"
#include "records/paradox_value.h"
#include "records/text_export.h"

#include <QTime>

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

struct TextCase {
    const char* name;
    QList<QStringList> rows;
    QByteArray expected;
};

void PrintTo(const TextCase& c, std::ostream* os)
{
    *os << c.name;
}

const QByteArray kHeader = "No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n";

class TextExportBytes : public ::testing::TestWithParam<TextCase> { };

TEST_P(TextExportBytes, MatchExactly)
{
    const TextCase& c = GetParam();
    EXPECT_EQ(TextExport::bytes(c.rows), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Tables, TextExportBytes,
    ::testing::Values(TextCase { "EmptyTableGivesHeaderAlone", {}, kHeader },
        TextCase { "DirectVoltageRow", { { "1", "14:03:27", "DC", "3.999", "V", "AUTO" } },
            kHeader + "1\t14:03:27\tDC\t3.999\tV\tAUTO\r\n" },
        TextCase { "EmptyFieldAndOhmGlyphKept",
            { { "1", "14:03:27", "DC", "3.999", "V", "AUTO" },
                { "2", "14:03:28", "", "1,234", "k*", "MANU" } },
            kHeader + "1\t14:03:27\tDC\t3.999\tV\tAUTO\r\n2\t14:03:28\t\t1,234\tk*\tMANU\r\n" },
        TextCase { "AllGlyphCodesKept", { { "7", "00:00:00", "", "-0.5", "#?)&", "" } },
            kHeader + "7\t00:00:00\t\t-0.5\t#?)&\t\r\n" },
        // Text from tables written elsewhere goes out in code page 1252;
        // characters it lacks become "?".
        TextCase { "CodePage1252",
            { { QString::fromUtf8("\u00b5A"), QString::fromUtf8("\u20ac"), QString::fromUtf8("\u00e9"),
                QString::fromUtf8("\u03a9"), "", "" } },
            kHeader
                + "\xb5"
                  "A\t\x80\t\xe9\t?\t\t\r\n" }),
    [](const ::testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(TextExportMessages, TextsAsShown)
{
    EXPECT_EQ(TextExport::successMessage(QStringLiteral("/tmp/a.xls")),
        QStringLiteral("save table to specified file: /tmp/a.xls Scuss!"));
    EXPECT_EQ(TextExport::failureMessage(QStringLiteral("/tmp/a.xls")),
        QStringLiteral("Could not save table to specified file: /tmp/a.xls"));
}

// The export formats field values without building texts; the bytes must be
// those of the display text in code page 1252.
QByteArray viaText(const FieldDef& field, const QByteArray& stored, const QString& timeFormat)
{
    return Cp1252::encode(ParadoxValue::toDisplay(field, stored.constData(), timeFormat));
}

QByteArray viaBytes(DisplayBytes& display, const FieldDef& field, const QByteArray& stored)
{
    std::string out = "x"; // appends, keeping what is there
    display.append(out, field, stored.constData());
    return QByteArray::fromStdString(out.substr(1));
}

QByteArray stored(const FieldDef& field, const std::function<void(char*)>& fill)
{
    QByteArray bytes(field.size, '\0');
    fill(bytes.data());
    return bytes;
}

TEST(ExportFieldBytes, EqualTheDisplayTextForEveryKindOfValue)
{
    const FieldDef alpha { "a", FieldType::Alpha, 10 };
    const FieldDef shortInt { "s", FieldType::Short, 2 };
    const FieldDef longInt { "l", FieldType::Long, 4 };
    const FieldDef number { "n", FieldType::Number, 8 };
    const FieldDef time { "t", FieldType::Time, 4 };
    const FieldDef date { "d", FieldType::Date, 4 };
    struct Case {
        const char* name;
        const FieldDef& field;
        QByteArray bytes;
    };
    const Case cases[] = {
        { "empty alpha", alpha, QByteArray(10, '\0') },
        { "full alpha", alpha, "0123456789" },
        { "alpha cut at NUL", alpha, QByteArray("ab\0cdefghi", 10) },
        { "every high byte", alpha, "\x80\x81\x8d\x8f\x90\x9d\xa0\xb5\xe9\xff" },
        { "short", shortInt, stored(shortInt, [](char* p) { ParadoxValue::writeInt(p, 2, -32767); }) },
        { "long", longInt, stored(longInt, [](char* p) { ParadoxValue::writeInt(p, 4, 2147483647); }) },
        { "negative long", longInt, stored(longInt, [](char* p) { ParadoxValue::writeInt(p, 4, -123456); }) },
        { "empty long", longInt, QByteArray(4, '\0') },
        { "number", number, stored(number, [](char* p) { ParadoxValue::writeDouble(p, -3999.5); }) },
        { "empty time", time, QByteArray(4, '\0') },
        { "time past the day", time, stored(time, [](char* p) { ParadoxValue::writeInt(p, 4, 86400000); }) },
        { "negative time", time, stored(time, [](char* p) { ParadoxValue::writeInt(p, 4, -5); }) },
        { "date", date, stored(date, [](char* p) { ParadoxValue::writeInt(p, 4, 739000); }) },
    };
    const QString format = QStringLiteral("HH:mm:ss");
    DisplayBytes display(format);
    for (const Case& c : cases)
        EXPECT_EQ(viaBytes(display, c.field, c.bytes), viaText(c.field, c.bytes, format)) << c.name;
}

TEST(ExportFieldBytes, TimesOfEverySecondInTheFormatsLocalesUse)
{
    const FieldDef time { "t", FieldType::Time, 4 };
    for (const char* format : { "HH:mm:ss", "h:mm:ss AP", "hh:mm:ss ap", "H.mm.ss", "hh:mm:ss.zzz" }) {
        SCOPED_TRACE(format);
        DisplayBytes display(QString::fromLatin1(format));
        // Twice over the day, so the second round reads what the first one kept.
        for (int round = 0; round < 2; ++round)
            for (int msecs = round * 7; msecs < 86400000; msecs += 997) {
                QByteArray bytes(4, '\0');
                ParadoxValue::writeInt(bytes.data(), 4, msecs);
                ASSERT_EQ(viaBytes(display, time, bytes), viaText(time, bytes, QString::fromLatin1(format)))
                    << msecs;
            }
    }
}

} // namespace
