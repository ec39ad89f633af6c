#include "cli/logger_options.h"

#include <gtest/gtest.h>

namespace {

LoggerParse parse(QStringList args)
{
    args.prepend(QStringLiteral("brenmoor5082-log"));
    return parseLoggerOptions(args);
}

} // namespace

TEST(LoggerOptions, RefusesBadArgumentsWithOneLineReason)
{
    const struct {
        QStringList args;
        const char* reasonContains;
    } cases[] = {
        { {}, "--port PATH, --port COMn or --usb" },
        { { "--port", "/dev/ttyUSB0", "--usb" }, "exclude each other" },
        { { "--port", "/dev/ttyUSB0", "--interval", "1.5" }, "--interval" },
        { { "--port", "/dev/ttyUSB0", "--interval", "-1" }, "--interval" },
        { { "--port", "/dev/ttyUSB0", "--limit", "0" }, "--limit" },
        { { "--port", "/dev/ttyUSB0", "--count", "x" }, "--count" },
        { { "--port", "/dev/ttyUSB0", "--duration", "soon" }, "--duration" },
        { { "--port", "/dev/ttyUSB0", "--duration", "0s" }, "--duration" },
        { { "--port", "/dev/ttyUSB0", "--high", "4" }, "go together" },
        { { "--port", "/dev/ttyUSB0", "--high", "4", "--low", "1-2" }, "--low needs a number" },
        { { "--port", "/dev/ttyUSB0", "--output", "log.xlsx" }, "format" },
        { { "--port", "/dev/ttyUSB0", "--variant", "RK99" }, "unknown variant" },
        { { "--port", "/dev/ttyUSB0", "--bogus" }, "bogus" },
        { { "--port", "/dev/ttyUSB0", "extra" }, "unexpected argument" },
        { { "--recover", "-" }, "--recover needs a file" },
    };
    for (const auto& c : cases) {
        const LoggerParse p = parse(c.args);
        EXPECT_FALSE(p.options) << c.args.join(' ').toStdString();
        EXPECT_TRUE(p.error.contains(QLatin1String(c.reasonContains))) << p.error.toStdString();
        EXPECT_FALSE(p.error.contains(QLatin1Char('\n'))) << "one line: " << p.error.toStdString();
    }
}

TEST(LoggerOptions, ReadsALoggingRun)
{
    const LoggerParse p = parse({ "--port", "COM2", "--interval", "0", "--no-repeat", "--limit", "500",
        "--count", "20", "--duration", "1:30:00", "--high", "4,5", "--low", "-1", "--output", "run.JSONL",
        "--quiet", "--variant", "ifrk33h" });
    ASSERT_TRUE(p.options) << p.error.toStdString();
    const LoggerOptions& o = *p.options;
    EXPECT_EQ(o.action, LoggerOptions::Action::Log);
    EXPECT_EQ(o.port, QStringLiteral("COM2"));
    EXPECT_FALSE(o.usb);
    EXPECT_EQ(o.intervalSeconds, 0);
    EXPECT_TRUE(o.noRepeat);
    EXPECT_EQ(o.limit, 500);
    EXPECT_EQ(o.count, 20);
    EXPECT_EQ(o.durationMs, 5400000);
    EXPECT_EQ(o.high, QStringLiteral("4,5"));
    EXPECT_EQ(o.low, QStringLiteral("-1"));
    EXPECT_EQ(o.format, LoggerFormat::JsonLines);
    EXPECT_TRUE(o.quiet);
    EXPECT_TRUE(o.variant.IFRK33H);
    EXPECT_FALSE(o.variant.IFRK40V);
}

TEST(LoggerOptions, DefaultsAreTheShippedWindowsRules)
{
    const LoggerParse p = parse({ "--usb" });
    ASSERT_TRUE(p.options) << p.error.toStdString();
    EXPECT_TRUE(p.options->usb);
    EXPECT_TRUE(p.options->variant.IFRK40V);
    EXPECT_EQ(p.options->intervalSeconds, 1);
    EXPECT_FALSE(p.options->noRepeat);
    EXPECT_EQ(p.options->limit, 0);
    EXPECT_EQ(p.options->output, QStringLiteral("-"));
    EXPECT_EQ(p.options->format, LoggerFormat::Csv);
    EXPECT_FALSE(p.options->verdict());
}

TEST(LoggerOptions, FormatFollowsTheExtension)
{
    const struct {
        const char* name;
        std::optional<LoggerFormat> format;
    } cases[] = {
        { "-", LoggerFormat::Csv },
        { "a.csv", LoggerFormat::Csv },
        { "a.jsonl", LoggerFormat::JsonLines },
        { "a.txt", LoggerFormat::Text },
        { "a.xls", LoggerFormat::Text },
        { "a.db", LoggerFormat::Paradox },
        { "a.DB", LoggerFormat::Paradox },
        { "a.json", std::nullopt },
        { "a", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(loggerFormatFor(QLatin1String(c.name)), c.format) << c.name;
}

TEST(LoggerOptions, DurationsInCommonForms)
{
    const struct {
        const char* text;
        std::optional<qint64> ms;
    } cases[] = {
        { "90", 90000 },
        { "90s", 90000 },
        { "1.5m", 90000 },
        { "2h", 7200000 },
        { "1d", 86400000 },
        { "1:30", 5400000 },
        { "0:00:05", 5000 },
        { "0", std::nullopt },
        { "-5", std::nullopt },
        { "5x", std::nullopt },
        { "1:75", std::nullopt },
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseLoggerDuration(QLatin1String(c.text)), c.ms) << c.text;
}
