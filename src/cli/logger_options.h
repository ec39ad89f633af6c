#pragma once

#include "base/build_variant.h"

#include <QString>
#include <QStringList>

#include <optional>

/** Exit codes of brenmoor5082-log. */
namespace LoggerExit {
constexpr int Ok = 0; ///< finished, or stopped by SIGINT/SIGTERM, --duration or --count
constexpr int RuntimeError = 1; ///< the output could not be written, the link was lost with --exit-on-loss, …
constexpr int BadArguments = 2; ///< the command line was not understood
constexpr int CannotOpen = 3; ///< the port or the cable cannot be opened
} // namespace LoggerExit

/** Output file formats, chosen by the file name's extension. */
enum class LoggerFormat {
    Csv, ///< ".csv" and "-" (stdout): streamed row by row
    JsonLines, ///< ".jsonl": one JSON object a line, streamed
    Text, ///< ".txt", ".xls": the records table's tab-separated text, written at the end
    Paradox, ///< ".db" (any case): a Paradox table, written at the end
};

/** What the command line asked for. */
struct LoggerOptions {
    enum class Action { Log, ListPorts, Recover, Help, Version };
    Action action = Action::Log;

    QString port; ///< --port: a device path or COM1..COM4; empty with --usb
    bool usb = false; ///< --usb
    QString variantName = QStringLiteral("IFRK40V"); ///< --variant
    BuildVariant variant = BuildVariant::shipped();

    int intervalSeconds = 1; ///< --interval; 0 logs every decoded frame
    bool noRepeat = false; ///< --no-repeat
    qint64 limit = 0; ///< --limit; 0 is unlimited
    qint64 durationMs = 0; ///< --duration; 0 runs until stopped
    qint64 count = 0; ///< --count; 0 runs until stopped

    std::optional<QString> high; ///< --high, as typed
    std::optional<QString> low; ///< --low, as typed
    bool verdict() const { return high.has_value(); }

    QString output = QStringLiteral("-"); ///< --output; "-" is CSV on stdout
    LoggerFormat format = LoggerFormat::Csv;
    QString recoverFile; ///< --recover FILE: where the recovered rows go

    bool quiet = false; ///< --quiet
    bool exitOnLoss = false; ///< --exit-on-loss
};

/** The outcome of parsing: options, or the one-line reason they were refused. */
struct LoggerParse {
    std::optional<LoggerOptions> options;
    QString error;
    QString helpText; ///< the full --help text, for Help and for errors
};

/** Parses @p arguments (the program name first, as QCoreApplication::arguments() gives). */
LoggerParse parseLoggerOptions(const QStringList& arguments);

/** Format for an output name: by its extension, or nothing for an extension the logger does not write. */
std::optional<LoggerFormat> loggerFormatFor(const QString& output);

/**
 * A duration such as "90", "90s", "15m", "2h", "1d" or "1:30:00"; nothing when
 * it does not read as one, or is not positive.
 */
std::optional<qint64> parseLoggerDuration(const QString& text);
