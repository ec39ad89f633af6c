#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariant>

class RecordsTable;

namespace testsupport {

/** One reading as the log writes it into the records table. */
struct SampleRow {
    qint64 no = 0;
    QTime time;
    QString acDc;
    QString value;
    double nval = 0;
    QString unit;
    QString autoText;
};

/**
 * Rows that exercise the stored forms: time of day, negative values, both
 * decimal marks, an empty "DC/AC" and the unit glyph codes.
 */
QList<SampleRow> sampleRows();

/** Copies the built records template into @p folder as @p fileName; returns its path. */
QString copyRecordsTemplate(const QString& folder, const QString& fileName = QStringLiteral("Rk40vdb.DB"));

/** Appends @p rows to @p table as the reading log does. */
void appendRows(RecordsTable& table, const QList<SampleRow>& rows);

/** Reads back the rows of an open table in the log's field terms. */
QList<SampleRow> readRows(const RecordsTable& table);

/** A table as pxlib reads it: field names and each row's values. */
struct PxlibTable {
    bool opened = false;
    QStringList fields;
    QList<QVariantList> rows; ///< alpha as QString, long/time as qint64, number as double, empty as null
};

/** Reads the Paradox file at @p path through pxlib (trusted files only). */
PxlibTable readWithPxlib(const QString& path);

bool operator==(const SampleRow& a, const SampleRow& b);
void PrintTo(const SampleRow& row, std::ostream* os);

} // namespace testsupport
