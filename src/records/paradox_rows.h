#pragma once

#include "records/paradox_field.h"

#include <QVector>
#include <QtGlobal>

#include <memory>
#include <vector>

/**
 * Rows of a table kept as fixed-size records in their Paradox file encoding.
 *
 * Rows are appended into an open chunk of plain records. A full chunk is
 * packed: each field is stored in the narrowest of a few forms (one value
 * for the whole chunk, a one- or two-byte index into the chunk's distinct
 * values, an offset from the chunk's smallest value, or as it is), so a
 * logged row costs far less than its record size. Appending never moves or
 * changes rows already stored.
 *
 * snapshot() hands out a read-only view of the rows stored so far that
 * shares their memory: another thread may read it while this object goes on
 * appending or is cleared.
 */
class ParadoxRows {
public:
    /** Rows of @p recordSize bytes, packed as one field. */
    explicit ParadoxRows(int recordSize = 1);
    /** Rows whose records are the fields of @p fieldSizes, one after another. */
    explicit ParadoxRows(const QVector<int>& fieldSizes);
    /** Rows of records laid out for @p fields. */
    static ParadoxRows forFields(const QVector<FieldDef>& fields);
    ParadoxRows(ParadoxRows&&) noexcept;
    ParadoxRows& operator=(ParadoxRows&&) noexcept;
    ~ParadoxRows();

    int recordSize() const { return recordSize_; }
    qint64 count() const { return count_; }

    /**
     * The record of row @p index, which must be below count(). The pointer
     * stays valid until the next call of row() on this object or the next
     * change of it; use read() to keep several records at once.
     */
    const char* row(qint64 index) const;
    /** Copies the record of row @p index (recordSize() bytes) to @p out. */
    void read(qint64 index, char* out) const;

    /** Adds a row of zero bytes (every field empty) and returns it for filling until the next change. */
    char* appendRow();
    /** Adds a copy of @p record (recordSize() bytes). */
    void append(const char* record);
    /** Removes every row; memory still shared with a snapshot is freed once that is gone. */
    void clear();

    /** A read-only view of the rows stored now, sharing their memory. */
    ParadoxRows snapshot() const;

    /** Bytes held for the rows. */
    qint64 memoryBytes() const;

    struct Layout;
    struct Chunk;

private:

    const Chunk& chunkOf(qint64 index, qint64& slot) const;
    void sealOpenChunk();

    int recordSize_;
    qint64 rowsPerChunk_;
    qint64 count_ = 0;
    std::shared_ptr<const Layout> layout_;
    std::vector<std::shared_ptr<Chunk>> chunks_;
    // The open chunk is shared with a snapshot: copy it before writing into it.
    bool tailShared_ = false;
    mutable std::vector<char> scratch_;
};
