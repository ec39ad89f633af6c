#pragma once

#include "records/paradox_field.h"
#include "records/paradox_rows.h"

#include <QString>
#include <QVector>

/**
 * The rows of the records table as they stood at one moment: what a save or
 * the report walks while readings go on being logged. It shares the rows'
 * memory with the table instead of copying them, and one thread at a time
 * may read it while the table goes on appending, is emptied or closed.
 */
class RecordsSnapshot {
public:
    RecordsSnapshot() = default;
    RecordsSnapshot(QVector<FieldDef> fields, ParadoxRows rows, QString timeFormat, quint64 generation);
    RecordsSnapshot(RecordsSnapshot&&) noexcept = default;
    RecordsSnapshot& operator=(RecordsSnapshot&&) noexcept = default;
    /** Another view of the same rows, for another thread. */
    RecordsSnapshot share() const;

    const QVector<FieldDef>& fields() const { return fields_; }
    /** Index of the field named @p name, case-insensitive; -1 if absent. */
    int fieldIndex(const QString& name) const;
    /** Byte offset of field @p field in a record. */
    int fieldOffset(int field) const { return offsets_[field]; }
    qint64 rowCount() const { return rows_.count(); }
    const ParadoxRows& rows() const { return rows_; }
    /** The format time fields are shown in. */
    const QString& timeFormat() const { return timeFormat_; }

    /** Text a grid or a text export shows for a field ("" when empty). */
    QString displayText(qint64 row, int field) const;

    /** Which state of the table this is; the table tells whether rows were replaced since. */
    quint64 generation() const { return generation_; }

private:
    QVector<FieldDef> fields_;
    QVector<int> offsets_;
    ParadoxRows rows_;
    QString timeFormat_;
    quint64 generation_ = 0;
};
