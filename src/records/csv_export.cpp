#include "records/csv_export.h"

#include "decode/unit_glyphs.h"
#include "records/journal_store.h"
#include "records/records_table.h"
#include "records/table_store_error.h"

namespace {

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
    QList<int> fields;
    for (const char* name : { "No", "Time", "DC/AC", "Value", "Unit", "AUTO" }) {
        const int index = table.fieldIndex(QLatin1String(name));
        if (index < 0)
            throw TableStoreError(QStringLiteral("Field '%1' not found").arg(QLatin1String(name)));
        fields.append(index);
    }
    QByteArray out;
    out.reserve(64 + table.rowCount() * 64);
    appendLine(out, columnNames());
    for (qint64 row = 0; row < table.rowCount(); ++row) {
        const QDateTime stamp = row < stamps.size() ? stamps[row] : QDateTime();
        appendLine(out,
            { table.displayText(row, fields[0]), dateTimeText(stamp, table.value(row, fields[1]).toTime()),
                table.displayText(row, fields[2]), valueText(table.displayText(row, fields[3])),
                UnitGlyphs::toDisplay(table.displayText(row, fields[4])),
                table.displayText(row, fields[5]) });
    }
    return out;
}
