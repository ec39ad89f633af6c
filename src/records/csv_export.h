#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class JobProgress;
class QIODevice;
class RecordsSnapshot;
class RecordsTable;
struct LoggedRow;

/**
 * The records table as CSV with date and time (RFC 4180, UTF-8, CR LF line
 * ends, a header line): "No", the ISO 8601 local date-time with milliseconds
 * and offset (2026-12-10T14:03:07.250+01:00), "DC/AC", the value as a plain
 * number with "." whatever the decimal mark, the unit as a person reads it
 * ("kΩ", "°C", "µA") and "AUTO"/"MANU".
 *
 * Rows read from an older table file carry no date: their date-time field
 * holds the time of day alone (14:03:07.000), which ISO 8601 allows, so that
 * every CSV reader still sees one plain header line and six fields a row.
 */
class CsvExport {
public:
    /** Names of the header line. */
    static QStringList columnNames();

    /** @p text as a CSV field: quoted, with quotes doubled, when it holds a comma, a quote or a line end. */
    static QString field(const QString& text);
    /** The date-time field: @p stamp in ISO 8601 with its offset, or @p time alone when @p stamp is null. */
    static QString dateTimeText(const QDateTime& stamp, const QTime& time);
    /** The value as a plain number: the decimal mark always ".". */
    static QString valueText(const QString& value);

    /** One line: the fields as CSV fields, separated by commas, ended by CR LF, in UTF-8. */
    static QByteArray line(const QStringList& fields);
    /** The six fields of a row as the reading log logged it. */
    static QStringList fields(const LoggedRow& row);
    /**
     * The whole file for @p table, with @p stamps giving each row's date-time
     * (null, or missing, for rows without one). Throws TableStoreError when
     * the table is closed or lacks one of the fields.
     */
    static QByteArray bytes(const RecordsTable& table, const QList<QDateTime>& stamps);

    /** Throws TableStoreError "Field '%s' not found" when @p rows lack a field the file needs. */
    static void checkFields(const RecordsSnapshot& rows);

    /**
     * Writes the file for @p rows to @p out as it walks them, through a
     * buffer of fixed size. Throws TableStoreError when a field is missing or
     * @p out fails, and JobCancelled when @p progress (rows) is cancelled.
     */
    static void write(QIODevice& out, const RecordsSnapshot& rows, const QList<QDateTime>& stamps,
        JobProgress* progress = nullptr);
};
