#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

/**
 * Rows of a table kept as fixed-size records in their Paradox file encoding,
 * packed into chunks. A row costs its record size and nothing else, and
 * appending never moves rows already stored.
 */
class ParadoxRows {
public:
    explicit ParadoxRows(int recordSize = 1);

    int recordSize() const { return recordSize_; }
    qint64 count() const { return count_; }
    /** The record of row @p index, which must be below count(). */
    const char* row(qint64 index) const
    {
        return chunks_[size_t(index / rowsPerChunk_)].get() + (index % rowsPerChunk_) * recordSize_;
    }
    /** Adds a row of zero bytes (every field empty) and returns it for filling. */
    char* appendRow();
    /** Adds a copy of @p record (recordSize() bytes). */
    void append(const char* record);
    /** Removes every row and frees the memory. */
    void clear();
    /** Bytes allocated for the rows. */
    qint64 memoryBytes() const;

private:
    int recordSize_;
    qint64 rowsPerChunk_;
    qint64 count_ = 0;
    std::vector<std::unique_ptr<char[]>> chunks_;
};
