#include "records/text_export.h"

#include <gtest/gtest.h>

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

} // namespace
