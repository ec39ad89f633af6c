#include "cli/logger_options.h"

#include "base/variant_settings.h"
#include "decode/limit_text.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QRegularExpression>

#include <limits>

namespace {

QString exitCodesText()
{
    return QStringLiteral("Exit codes:\n"
                          "  0  logging ended normally (SIGINT, SIGTERM, --duration, --count, --limit)\n"
                          "  1  runtime error (output not writable, link lost with --exit-on-loss)\n"
                          "  2  bad arguments\n"
                          "  3  the port or the cable cannot be opened\n");
}

std::optional<qint64> positiveWhole(const QString& text)
{
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (!ok || n < 0)
        return std::nullopt;
    return n;
}

} // namespace

std::optional<LoggerFormat> loggerFormatFor(const QString& output)
{
    if (output == QLatin1String("-"))
        return LoggerFormat::Csv;
    const QString suffix = QFileInfo(output).suffix().toLower();
    if (suffix == QLatin1String("csv"))
        return LoggerFormat::Csv;
    if (suffix == QLatin1String("jsonl"))
        return LoggerFormat::JsonLines;
    if (suffix == QLatin1String("txt") || suffix == QLatin1String("xls"))
        return LoggerFormat::Text;
    if (suffix == QLatin1String("db"))
        return LoggerFormat::Paradox;
    return std::nullopt;
}

std::optional<qint64> parseLoggerDuration(const QString& text)
{
    static const QRegularExpression clock(QStringLiteral("^(\\d+):([0-5]?\\d)(?::([0-5]?\\d))?$"));
    static const QRegularExpression unit(QStringLiteral("^(\\d+(?:\\.\\d+)?)\\s*([smhd]?)$"));
    const QString t = text.trimmed();
    qint64 ms = 0;
    if (const auto m = clock.match(t); m.hasMatch()) {
        // H:MM or H:MM:SS
        ms = (m.captured(1).toLongLong() * 3600 + m.captured(2).toLongLong() * 60
                 + m.captured(3).toLongLong())
            * 1000;
    } else if (const auto m = unit.match(t); m.hasMatch()) {
        const double n = m.captured(1).toDouble();
        const QString u = m.captured(2);
        const double factor = u == QLatin1String("m") ? 60e3
            : u == QLatin1String("h")                 ? 3600e3
            : u == QLatin1String("d")                 ? 86400e3
                                                      : 1e3;
        if (n * factor > double(std::numeric_limits<qint64>::max() / 2))
            return std::nullopt;
        ms = qint64(n * factor);
    } else {
        return std::nullopt;
    }
    if (ms <= 0)
        return std::nullopt;
    return ms;
}

LoggerParse parseLoggerOptions(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Logs the readings of a Brenmoor 5082 multimeter without a window, from a serial port or "
            "the meter's USB cable, with the same decoding, evaluation and log rules as the window.\n"
            "Every row also goes into the journal, so an interrupted run can be restored.\n\n")
        + exitCodesText());
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(
        { QStringLiteral("h"), QStringLiteral("help") }, QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(
        { QStringLiteral("V"), QStringLiteral("version") }, QStringLiteral("Show the version and exit."));
    const QCommandLineOption port({ QStringLiteral("p"), QStringLiteral("port") },
        QStringLiteral(
            "Serial device to read: a path such as /dev/ttyUSB0 or /dev/serial/by-id/…, or COM1 to COM4 "
            "(COMn is /dev/ttyS<n-1> unless BRENMOOR_COMn names another device)."),
        QStringLiteral("PATH"));
    const QCommandLineOption usb(
        QStringLiteral("usb"), QStringLiteral("Read the meter's USB cable instead."));
    const QCommandLineOption variant(QStringLiteral("variant"),
        QStringLiteral(
            "Build variant by its option name (%1); fixes the frame format, speed and count profile. "
            "Default: IFRK40V.")
            .arg(buildVariantOptionNames().join(QStringLiteral(", "))),
        QStringLiteral("NAME"), QStringLiteral("IFRK40V"));
    const QCommandLineOption interval({ QStringLiteral("i"), QStringLiteral("interval") },
        QStringLiteral("Sampling interval in whole seconds; 0 logs every decoded frame. Default: 1."),
        QStringLiteral("SECONDS"), QStringLiteral("1"));
    const QCommandLineOption noRepeat(QStringLiteral("no-repeat"),
        QStringLiteral(
            "Do not log a reading equal to the last logged one (the window's Repeat box unchecked)."));
    const QCommandLineOption limit(QStringLiteral("limit"),
        QStringLiteral("Record limit: stop once N rows are logged. Default: unlimited."),
        QStringLiteral("N"));
    const QCommandLineOption duration({ QStringLiteral("d"), QStringLiteral("duration") },
        QStringLiteral("Stop after this time: 90, 90s, 15m, 2h, 1d or H:MM:SS."), QStringLiteral("TIME"));
    const QCommandLineOption count({ QStringLiteral("n"), QStringLiteral("count") },
        QStringLiteral("Stop after N logged rows."), QStringLiteral("N"));
    const QCommandLineOption high(QStringLiteral("high"),
        QStringLiteral("High limit, in display units; with --low adds the Pass/Fail verdict column."),
        QStringLiteral("V"));
    const QCommandLineOption low(QStringLiteral("low"),
        QStringLiteral("Low limit, in display units; with --high adds the Pass/Fail verdict column."),
        QStringLiteral("V"));
    const QCommandLineOption output({ QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral(
            "Output file; its extension picks the format: .csv (CSV with date and time), .jsonl (JSON "
            "Lines), .txt or .xls (tab-separated text), .db (Paradox table). \"-\" writes CSV to "
            "standard output (the default). CSV and JSON Lines are written row by row; text and "
            "Paradox files at the end."),
        QStringLiteral("FILE"), QStringLiteral("-"));
    const QCommandLineOption listPorts(QStringLiteral("list-ports"),
        QStringLiteral("List the detected serial ports and USB cables, one a line, and exit."));
    const QCommandLineOption recover(QStringLiteral("recover"),
        QStringLiteral(
            "Write the readings of the most recent interrupted run from the journal to FILE (format by "
            "extension, as --output) and exit."),
        QStringLiteral("FILE"));
    const QCommandLineOption quiet({ QStringLiteral("q"), QStringLiteral("quiet") },
        QStringLiteral("No status line on standard error."));
    const QCommandLineOption exitOnLoss(QStringLiteral("exit-on-loss"),
        QStringLiteral(
            "Exit with code 1 when the link is lost, instead of waiting for the device to return."));
    parser.addOptions({ help, version, port, usb, variant, interval, noRepeat, limit, duration, count, high,
        low, output, listPorts, recover, quiet, exitOnLoss });

    LoggerParse result;
    result.helpText = parser.helpText();
    auto fail = [&result](const QString& reason) {
        result.error = reason;
        return result;
    };
    if (!parser.parse(arguments))
        return fail(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));

    LoggerOptions o;
    if (parser.isSet(help)) {
        o.action = LoggerOptions::Action::Help;
        result.options = o;
        return result;
    }
    if (parser.isSet(version)) {
        o.action = LoggerOptions::Action::Version;
        result.options = o;
        return result;
    }

    o.variantName = parser.value(variant);
    const auto v = buildVariantForOption(o.variantName);
    if (!v)
        return fail(QStringLiteral("unknown variant '%1' (one of %2)")
                        .arg(o.variantName, buildVariantOptionNames().join(QStringLiteral(", "))));
    o.variant = *v;

    o.quiet = parser.isSet(quiet);
    o.exitOnLoss = parser.isSet(exitOnLoss);

    if (parser.isSet(listPorts)) {
        o.action = LoggerOptions::Action::ListPorts;
        result.options = o;
        return result;
    }
    if (parser.isSet(recover)) {
        o.action = LoggerOptions::Action::Recover;
        o.recoverFile = parser.value(recover);
        const auto f = loggerFormatFor(o.recoverFile);
        if (!f || o.recoverFile == QLatin1String("-"))
            return fail(QStringLiteral("--recover needs a file ending in .csv, .jsonl, .txt, .xls or .db"));
        o.format = *f;
        result.options = o;
        return result;
    }

    if (parser.isSet(port) && parser.isSet(usb))
        return fail(QStringLiteral("--port and --usb exclude each other"));
    if (!parser.isSet(port) && !parser.isSet(usb))
        return fail(QStringLiteral("give the meter's link: --port PATH, --port COMn or --usb"));
    o.usb = parser.isSet(usb);
    o.port = parser.value(port);
    if (!o.usb && o.port.isEmpty())
        return fail(QStringLiteral("--port needs a device path or COM1 to COM4"));

    const auto seconds = positiveWhole(parser.value(interval));
    if (!seconds || *seconds > std::numeric_limits<qint32>::max())
        return fail(QStringLiteral("--interval needs a whole number of seconds, 0 or more"));
    o.intervalSeconds = int(*seconds);
    o.noRepeat = parser.isSet(noRepeat);

    if (parser.isSet(limit)) {
        const auto n = positiveWhole(parser.value(limit));
        if (!n || *n == 0 || *n > std::numeric_limits<qint32>::max())
            return fail(QStringLiteral("--limit needs a whole number from 1 to %1")
                            .arg(std::numeric_limits<qint32>::max()));
        o.limit = *n;
    }
    if (parser.isSet(count)) {
        const auto n = positiveWhole(parser.value(count));
        if (!n || *n == 0)
            return fail(QStringLiteral("--count needs a whole number of rows, 1 or more"));
        o.count = *n;
    }
    if (parser.isSet(duration)) {
        const auto ms = parseLoggerDuration(parser.value(duration));
        if (!ms)
            return fail(QStringLiteral("--duration needs a time such as 90s, 15m, 2h or 1:30:00"));
        o.durationMs = *ms;
    }

    if (parser.isSet(high) != parser.isSet(low))
        return fail(QStringLiteral("--high and --low go together"));
    if (parser.isSet(high)) {
        for (const auto* opt : { &high, &low }) {
            const QString text = parser.value(*opt);
            if (!LimitText::toNumber(text))
                return fail(
                    QStringLiteral("--%1 needs a number, not '%2'").arg(opt->names().constFirst(), text));
        }
        o.high = parser.value(high);
        o.low = parser.value(low);
    }

    o.output = parser.value(output);
    const auto format = loggerFormatFor(o.output);
    if (!format)
        return fail(QStringLiteral("cannot tell the format of '%1': use .csv, .jsonl, .txt, .xls, .db or -")
                        .arg(o.output));
    o.format = *format;

    result.options = o;
    return result;
}
