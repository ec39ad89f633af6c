#include "cli/row_writer.h"

#include "cli/logger_options.h"
#include "decode/limit_text.h"
#include "decode/unit_glyphs.h"
#include "records/csv_export.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <cstdio>

bool RowWriter::open(const QString& path, QString* error)
{
    path_ = path;
    if (path != QLatin1String("-"))
        file_.setFileName(path);
    const bool ok = path == QLatin1String("-")
        ? file_.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
        : file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    if (!ok) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file_.errorString());
        return false;
    }
    const QByteArray head = header();
    if (!head.isEmpty() && file_.write(head) != head.size()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, file_.errorString());
        return false;
    }
    return true;
}

bool RowWriter::write(const LoggedRow& row, const QString& verdict)
{
    // Unbuffered: each line reaches the file in one write, at once.
    const QByteArray bytes = line(row, verdict);
    return file_.write(bytes) == bytes.size();
}

bool RowWriter::close(QString* error)
{
    if (!file_.isOpen())
        return true;
    const bool ok = file_.error() == QFileDevice::NoError;
    if (!ok && error)
        *error = QStringLiteral("cannot write %1: %2").arg(path_, file_.errorString());
    file_.close();
    return ok;
}

namespace {

// One JSON value as text, escaped as JSON requires.
QByteArray json(const QJsonValue& value)
{
    const QByteArray array = QJsonDocument(QJsonArray { value }).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

} // namespace

QByteArray CsvRowWriter::header() const
{
    QStringList names = CsvExport::columnNames();
    if (verdictColumn())
        names << QStringLiteral("Verdict");
    return CsvExport::line(names);
}

QByteArray CsvRowWriter::line(const LoggedRow& row, const QString& verdict) const
{
    QStringList fields = CsvExport::fields(row);
    if (verdictColumn())
        fields << verdict;
    return CsvExport::line(fields);
}

QByteArray JsonLinesRowWriter::line(const LoggedRow& row, const QString& verdict) const
{
    // Written field by field, so the keys keep the order of the records table.
    const auto number = LimitText::toNumber(row.value);
    QByteArray out = "{\"no\":" + QByteArray::number(row.no);
    out += ",\"time\":" + json(CsvExport::dateTimeText(row.stamp, row.time));
    out += ",\"acdc\":" + json(row.acDc);
    out += ",\"value\":" + (number ? json(*number) : QByteArray("null"));
    out += ",\"text\":" + json(row.value);
    out += ",\"unit\":" + json(UnitGlyphs::toDisplay(row.unit));
    out += ",\"auto\":" + json(row.autoText);
    if (verdictColumn())
        out += ",\"verdict\":" + json(verdict);
    out += "}\n";
    return out;
}

bool outputWritable(const QString& path, QString* error)
{
    if (path == QLatin1String("-"))
        return true;
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    QString reason;
    if (file.exists() && (file.isDir() || !file.isWritable()))
        reason = file.isDir() ? QStringLiteral("it is a folder") : QStringLiteral("permission denied");
    else if (!file.exists() && !folder.isDir())
        reason = QStringLiteral("the folder %1 does not exist").arg(folder.filePath());
    else if (!file.exists() && !folder.isWritable())
        reason = QStringLiteral("permission denied in %1").arg(folder.filePath());
    if (reason.isEmpty())
        return true;
    *error = QStringLiteral("cannot write %1: %2").arg(path, reason);
    return false;
}

std::unique_ptr<RowWriter> makeRowWriter(const QString& output)
{
    const auto format = loggerFormatFor(output);
    if (format == LoggerFormat::Csv)
        return std::make_unique<CsvRowWriter>();
    if (format == LoggerFormat::JsonLines)
        return std::make_unique<JsonLinesRowWriter>();
    return nullptr;
}
