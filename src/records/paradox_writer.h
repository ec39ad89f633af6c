#pragma once

#include "records/paradox_field.h"
#include "records/paradox_header.h"
#include "records/paradox_rows.h"

#include <QVector>

class JobProgress;
class QIODevice;

/**
 * Writes Paradox table files (version 7 layout, code page 1252). Data blocks
 * are 2 KiB, grown when the rows would need more than the 65535 blocks a
 * table can address.
 */
class ParadoxWriter {
public:
    /**
     * Writes a table with @p fields and @p rows to @p device. The records in
     * @p rows must be laid out for @p fields. Throws TableStoreError when
     * the fields cannot form a Paradox table or the device fails.
     */
    static void write(QIODevice& device, const QVector<FieldDef>& fields, const ParadoxRows& rows,
        const QString& tableName, int primaryKeyFields = 0);
    /**
     * Writes @p header (fields, record size, file type and keys set by the
     * caller; block geometry and counts filled in here) and @p rows to
     * @p path, replacing it only once complete, as writeFile() does.
     */
    static void writeFile(
        const QString& path, ParadoxHeader header, const ParadoxRows& rows, JobProgress* progress = nullptr);

    /**
     * Data block size in KiB for @p rows records of @p recordSize bytes: the
     * smallest that holds a record and addresses every row; 0 if none does.
     */
    static int blockFactorFor(int recordSize, qint64 rows);

    /**
     * Writes the table to @p path block by block through a temporary file in
     * the same folder that replaces @p path only once complete and flushed;
     * any file at @p path is left as it was when this throws. @p progress
     * counts rows; cancelling it throws JobCancelled.
     */
    static void writeFile(const QString& path, const QVector<FieldDef>& fields, const ParadoxRows& rows,
        int primaryKeyFields = 0, JobProgress* progress = nullptr);
};
