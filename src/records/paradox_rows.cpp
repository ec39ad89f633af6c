#include "records/paradox_rows.h"

#include <cstring>

namespace {
constexpr qint64 kChunkBytes = 256 * 1024;
}

ParadoxRows::ParadoxRows(int recordSize)
    : recordSize_(qMax(1, recordSize))
    , rowsPerChunk_(qMax<qint64>(1, kChunkBytes / recordSize_))
{
}

char* ParadoxRows::appendRow()
{
    const qint64 slot = count_ % rowsPerChunk_;
    if (slot == 0 && size_t(count_ / rowsPerChunk_) == chunks_.size())
        // Not zeroed: each row is cleared as it is added, and untouched pages stay unmapped.
        chunks_.emplace_back(new char[size_t(rowsPerChunk_ * recordSize_)]);
    char* p = chunks_[size_t(count_ / rowsPerChunk_)].get() + slot * recordSize_;
    std::memset(p, 0, size_t(recordSize_));
    ++count_;
    return p;
}

void ParadoxRows::append(const char* record)
{
    std::memcpy(appendRow(), record, size_t(recordSize_));
}

void ParadoxRows::clear()
{
    chunks_.clear();
    chunks_.shrink_to_fit();
    count_ = 0;
}

qint64 ParadoxRows::memoryBytes() const
{
    return qint64(chunks_.size()) * rowsPerChunk_ * recordSize_
        + qint64(chunks_.capacity() * sizeof(chunks_[0]));
}
