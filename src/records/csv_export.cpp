#include "records/csv_export.h"

#include "decode/unit_glyphs.h"
#include "records/job_progress.h"
#include "records/journal_store.h"
#include "records/paradox_value.h"
#include "records/record_sink.h"
#include "records/records_snapshot.h"
#include "records/records_table.h"
#include "records/table_store_error.h"

#include <QBuffer>

namespace {

constexpr const char* kFields[] = { "No", "Time", "DC/AC", "Value", "Unit", "AUTO" };

void appendLine(QByteArray& out, const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out.append(',');
        out.append(CsvExport::field(fields[i]).toUtf8());
    }
    out.append("\r\n");
}

} // namespace

QByteArray CsvExport::line(const QStringList& fields)
{
    QByteArray out;
    appendLine(out, fields);
    return out;
}

QStringList CsvExport::fields(const LoggedRow& row)
{
    return { QString::number(row.no), dateTimeText(row.stamp, row.time), row.acDc, valueText(row.value),
        UnitGlyphs::toDisplay(row.unit), row.autoText };
}

QStringList CsvExport::columnNames()
{
    return { QStringLiteral("No"), QStringLiteral("Date and time"), QStringLiteral("DC/AC"),
        QStringLiteral("Value"), QStringLiteral("Unit"), QStringLiteral("AUTO") };
}

QString CsvExport::field(const QString& text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"'))
        && !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvExport::dateTimeText(const QDateTime& stamp, const QTime& time)
{
    if (stamp.isValid())
        return JournalStore::stampText(stamp);
    return time.isValid() ? time.toString(QStringLiteral("HH:mm:ss.zzz")) : QString();
}

QString CsvExport::valueText(const QString& value)
{
    QString plain = value.trimmed();
    plain.replace(QLatin1Char(','), QLatin1Char('.'));
    return plain;
}

QByteArray CsvExport::bytes(const RecordsTable& table, const QList<QDateTime>& stamps)
{
    if (!table.isOpen())
        throw TableStoreError(QStringLiteral("Cannot perform this operation on a closed dataset"));
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    write(buffer, table.snapshot(), stamps);
    return out;
}

void CsvExport::checkFields(const RecordsSnapshot& rows)
{
    for (const char* name : kFields)
        if (rows.fieldIndex(QLatin1String(name)) < 0)
            throw TableStoreError(QStringLiteral("Field '%1' not found").arg(QLatin1String(name)));
}

void CsvExport::write(
    QIODevice& out, const RecordsSnapshot& rows, const QList<QDateTime>& stamps, JobProgress* progress)
{
    checkFields(rows);
    QList<int> fields;
    for (const char* name : kFields)
        fields.append(rows.fieldIndex(QLatin1String(name)));
    const FieldDef& timeField = rows.fields()[fields[1]];
    const int timeOffset = rows.fieldOffset(fields[1]);

    constexpr qsizetype kFlushAt = 1 << 20;
    constexpr qint64 kRowsPerStep = 4096;
    QByteArray buffer;
    buffer.reserve(kFlushAt + 4096);
    const auto flush = [&] {
        if (out.write(buffer) != buffer.size())
            throw TableStoreError(out.errorString());
        buffer.clear();
    };
    appendLine(buffer, columnNames());
    const qint64 count = rows.rowCount();
    if (progress)
        progress->setTotal(count);
    for (qint64 row = 0; row < count; ++row) {
        if (progress && row % kRowsPerStep == 0)
            progress->advance(row);
        const QDateTime stamp = row < stamps.size() ? stamps[row] : QDateTime();
        const QTime time = ParadoxValue::toVariant(timeField, rows.rows().row(row) + timeOffset).toTime();
        appendLine(buffer,
            { rows.displayText(row, fields[0]), dateTimeText(stamp, time), rows.displayText(row, fields[2]),
                valueText(rows.displayText(row, fields[3])),
                UnitGlyphs::toDisplay(rows.displayText(row, fields[4])), rows.displayText(row, fields[5]) });
        if (buffer.size() >= kFlushAt)
            flush();
    }
    flush();
    if (progress)
        progress->advance(count);
}
