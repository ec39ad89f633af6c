#include "records/paradox_rows.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace {

constexpr qint64 kChunkBytes = 256 * 1024;

/** How one field is stored in a packed chunk. */
enum class Form : quint8 {
    Plain, ///< the field's bytes as they are
    Constant, ///< every row holds the same bytes, kept once
    Index8, ///< one byte: index into the chunk's distinct values
    Index16, ///< two bytes: index into the chunk's distinct values
    Offset, ///< fields of up to 8 bytes read as a big-endian number: distance from the chunk's smallest
};

quint64 bigEndian(const char* p, int size)
{
    quint64 v = 0;
    for (int i = 0; i < size; ++i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

void putBigEndian(char* p, int size, quint64 v)
{
    for (int i = size - 1; i >= 0; --i) {
        p[i] = char(v & 0xFF);
        v >>= 8;
    }
}

quint64 littleEndian(const unsigned char* p, int width)
{
    quint64 v = 0;
    for (int i = width - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

void putLittleEndian(unsigned char* p, int width, quint64 v)
{
    for (int i = 0; i < width; ++i) {
        p[i] = static_cast<unsigned char>(v & 0xFF);
        v >>= 8;
    }
}

int bytesFor(quint64 range)
{
    int width = 0;
    while (range != 0) {
        ++width;
        range >>= 8;
    }
    return width;
}

} // namespace

struct ParadoxRows::Layout {
    QVector<int> sizes;
    QVector<int> offsets;
};

/**
 * A chunk of rowsPerChunk_ rows (fewer in the last). An open chunk holds
 * plain records; a packed one holds each row in `stride` bytes, field by
 * field in the forms of `fields`.
 */
struct ParadoxRows::Chunk {
    struct Field {
        Form form = Form::Plain;
        int width = 0; ///< bytes of this field in a packed row
        int at = 0; ///< where in a packed row
        quint64 base = 0; ///< smallest value, for Form::Offset
        std::vector<char> values; ///< distinct values, for Constant and the index forms
    };

    bool packed = false;
    int stride = 0;
    std::vector<Field> fields;
    std::unique_ptr<char[]> data;
    qint64 bytes = 0;

    void unpack(qint64 slot, const Layout& layout, char* out) const
    {
        const auto* p = reinterpret_cast<const unsigned char*>(data.get()) + slot * stride;
        for (size_t f = 0; f < fields.size(); ++f) {
            const Field& field = fields[f];
            const int size = layout.sizes[int(f)];
            char* dest = out + layout.offsets[int(f)];
            switch (field.form) {
            case Form::Plain:
                std::memcpy(dest, p + field.at, size_t(size));
                break;
            case Form::Constant:
                std::memcpy(dest, field.values.data(), size_t(size));
                break;
            case Form::Index8:
                std::memcpy(dest, field.values.data() + size_t(p[field.at]) * size_t(size), size_t(size));
                break;
            case Form::Index16: {
                const size_t i = size_t(p[field.at]) | (size_t(p[field.at + 1]) << 8);
                std::memcpy(dest, field.values.data() + i * size_t(size), size_t(size));
                break;
            }
            case Form::Offset:
                putBigEndian(dest, size, field.base + littleEndian(p + field.at, field.width));
                break;
            }
        }
    }
};

namespace {

using Chunk = ParadoxRows::Chunk;

/** A field's chosen form, with each row's index into the distinct values for the index forms. */
struct Choice {
    Chunk::Field field;
    std::vector<quint16> rowIndex;
};

/**
 * Assigns each row of one field an index into its distinct values, giving up
 * (returning false) as soon as indexing cannot cost less than @p bestCost.
 */
template <typename Key, typename KeyOf>
bool indexValues(qint64 rows, int size, qint64 bestCost, KeyOf keyOf, std::vector<Key>& values,
    std::vector<quint16>& rowIndex)
{
    std::unordered_map<Key, quint32> seen;
    seen.reserve(256);
    rowIndex.resize(size_t(rows));
    for (qint64 r = 0; r < rows; ++r) {
        const Key key = keyOf(r);
        const auto [it, added] = seen.try_emplace(key, quint32(values.size()));
        if (added) {
            values.push_back(key);
            const qint64 n = qint64(values.size());
            const int width = n <= 1 ? 0 : n <= 256 ? 1 : 2;
            if (n > 65536 || rows * width + n * size >= bestCost)
                return false;
        }
        rowIndex[size_t(r)] = quint16(it->second);
    }
    return true;
}

/**
 * Chooses the narrowest form for the field at @p offset of @p rows plain
 * records and fills in its distinct values or base.
 */
Choice chooseForm(const char* records, qint64 rows, int recordSize, int offset, int size)
{
    Choice best;
    best.field.form = Form::Plain;
    best.field.width = size;
    qint64 bestCost = rows * size;
    const auto at = [&](qint64 r) { return records + r * recordSize + offset; };

    if (size <= 8) {
        quint64 low = ~quint64(0), high = 0;
        for (qint64 r = 0; r < rows; ++r) {
            const quint64 v = bigEndian(at(r), size);
            low = std::min(low, v);
            high = std::max(high, v);
        }
        const int width = bytesFor(high - low);
        if (rows * width < bestCost) {
            best.field.form = width == 0 ? Form::Constant : Form::Offset;
            best.field.width = width;
            best.field.base = low;
            bestCost = rows * width;
            if (width == 0)
                best.field.values.assign(at(0), at(0) + size);
        }
        if (width <= 1)
            return best; // only a constant is narrower, and that is what width 0 is
    }

    std::vector<quint16> rowIndex;
    std::vector<char> values;
    bool indexed = false;
    if (size <= 8) {
        std::vector<quint64> keys;
        indexed = indexValues<quint64>(
            rows, size, bestCost, [&](qint64 r) { return bigEndian(at(r), size); }, keys, rowIndex);
        if (indexed) {
            values.resize(keys.size() * size_t(size));
            for (size_t i = 0; i < keys.size(); ++i)
                putBigEndian(values.data() + i * size_t(size), size, keys[i]);
        }
    } else {
        std::vector<std::string_view> keys;
        indexed = indexValues<std::string_view>(
            rows, size, bestCost, [&](qint64 r) { return std::string_view(at(r), size_t(size)); }, keys,
            rowIndex);
        if (indexed) {
            values.resize(keys.size() * size_t(size));
            for (size_t i = 0; i < keys.size(); ++i)
                std::memcpy(values.data() + i * size_t(size), keys[i].data(), size_t(size));
        }
    }
    if (indexed) {
        const size_t n = values.size() / size_t(size);
        best.field = Chunk::Field();
        best.field.form = n == 1 ? Form::Constant : n <= 256 ? Form::Index8 : Form::Index16;
        best.field.width = n == 1 ? 0 : n <= 256 ? 1 : 2;
        best.field.values = std::move(values);
        best.rowIndex = std::move(rowIndex);
    }
    return best;
}

} // namespace

ParadoxRows::ParadoxRows(int recordSize)
    : ParadoxRows(QVector<int> { qMax(1, recordSize) })
{
}

ParadoxRows::ParadoxRows(const QVector<int>& fieldSizes)
{
    auto layout = std::make_shared<Layout>();
    int offset = 0;
    for (int size : fieldSizes) {
        if (size <= 0)
            continue;
        layout->sizes.append(size);
        layout->offsets.append(offset);
        offset += size;
    }
    if (layout->sizes.isEmpty()) {
        layout->sizes.append(1);
        layout->offsets.append(0);
        offset = 1;
    }
    recordSize_ = offset;
    rowsPerChunk_ = qMax<qint64>(1, kChunkBytes / recordSize_);
    layout_ = std::move(layout);
}

ParadoxRows ParadoxRows::forFields(const QVector<FieldDef>& fields)
{
    QVector<int> sizes;
    sizes.reserve(fields.size());
    for (const FieldDef& f : fields)
        sizes.append(f.size);
    return ParadoxRows(sizes);
}

ParadoxRows::ParadoxRows(ParadoxRows&&) noexcept = default;
ParadoxRows& ParadoxRows::operator=(ParadoxRows&&) noexcept = default;
ParadoxRows::~ParadoxRows() = default;

const ParadoxRows::Chunk& ParadoxRows::chunkOf(qint64 index, qint64& slot) const
{
    slot = index % rowsPerChunk_;
    return *chunks_[size_t(index / rowsPerChunk_)];
}

const char* ParadoxRows::row(qint64 index) const
{
    qint64 slot = 0;
    const Chunk& chunk = chunkOf(index, slot);
    if (!chunk.packed)
        return chunk.data.get() + slot * recordSize_;
    scratch_.resize(size_t(recordSize_));
    chunk.unpack(slot, *layout_, scratch_.data());
    return scratch_.data();
}

void ParadoxRows::read(qint64 index, char* out) const
{
    qint64 slot = 0;
    const Chunk& chunk = chunkOf(index, slot);
    if (!chunk.packed)
        std::memcpy(out, chunk.data.get() + slot * recordSize_, size_t(recordSize_));
    else
        chunk.unpack(slot, *layout_, out);
}

void ParadoxRows::sealOpenChunk()
{
    std::shared_ptr<Chunk>& open = chunks_.back();
    const char* records = open->data.get();
    const qint64 rows = rowsPerChunk_;

    auto packed = std::make_shared<Chunk>();
    packed->packed = true;
    std::vector<std::vector<quint16>> rowIndexes;
    int stride = 0;
    qint64 extra = 0;
    for (int f = 0; f < layout_->sizes.size(); ++f) {
        Choice choice = chooseForm(records, rows, recordSize_, layout_->offsets[f], layout_->sizes[f]);
        choice.field.at = stride;
        stride += choice.field.width;
        extra += qint64(choice.field.values.size());
        packed->fields.push_back(std::move(choice.field));
        rowIndexes.push_back(std::move(choice.rowIndex));
    }
    if (stride >= recordSize_)
        return; // nothing to gain: the plain records stay as they are

    packed->stride = stride;
    packed->bytes = rows * stride + extra + qint64(sizeof(Chunk));
    packed->data.reset(new char[size_t(std::max<qint64>(1, rows * stride))]);
    auto* out = reinterpret_cast<unsigned char*>(packed->data.get());
    for (qint64 r = 0; r < rows; ++r, out += stride) {
        const char* record = records + r * recordSize_;
        for (int f = 0; f < layout_->sizes.size(); ++f) {
            const Chunk::Field& field = packed->fields[size_t(f)];
            const int size = layout_->sizes[f];
            switch (field.form) {
            case Form::Plain:
                std::memcpy(out + field.at, record + layout_->offsets[f], size_t(size));
                break;
            case Form::Constant:
                break;
            case Form::Index8:
            case Form::Index16:
                putLittleEndian(out + field.at, field.width, rowIndexes[size_t(f)][size_t(r)]);
                break;
            case Form::Offset:
                putLittleEndian(
                    out + field.at, field.width, bigEndian(record + layout_->offsets[f], size) - field.base);
                break;
            }
        }
    }
    open = std::move(packed);
}

char* ParadoxRows::appendRow()
{
    const qint64 slot = count_ % rowsPerChunk_;
    if (slot == 0) {
        if (!chunks_.empty() && !chunks_.back()->packed)
            sealOpenChunk();
        auto chunk = std::make_shared<Chunk>();
        // Not zeroed: each row is cleared as it is added, and untouched pages stay unmapped.
        chunk->data.reset(new char[size_t(rowsPerChunk_ * recordSize_)]);
        chunk->bytes = rowsPerChunk_ * recordSize_ + qint64(sizeof(Chunk));
        chunks_.push_back(std::move(chunk));
        tailShared_ = false;
    } else if (tailShared_) {
        // The open chunk is also read through a snapshot: write into a copy of it.
        auto copy = std::make_shared<Chunk>();
        copy->data.reset(new char[size_t(rowsPerChunk_ * recordSize_)]);
        copy->bytes = rowsPerChunk_ * recordSize_ + qint64(sizeof(Chunk));
        std::memcpy(copy->data.get(), chunks_.back()->data.get(), size_t(slot * recordSize_));
        chunks_.back() = std::move(copy);
        tailShared_ = false;
    }
    char* p = chunks_.back()->data.get() + slot * recordSize_;
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
    tailShared_ = false;
    scratch_.clear();
    scratch_.shrink_to_fit();
}

ParadoxRows ParadoxRows::snapshot() const
{
    ParadoxRows view(0);
    view.recordSize_ = recordSize_;
    view.rowsPerChunk_ = rowsPerChunk_;
    view.count_ = count_;
    view.layout_ = layout_;
    view.chunks_ = chunks_;
    view.tailShared_ = true;
    return view;
}

qint64 ParadoxRows::memoryBytes() const
{
    qint64 bytes = qint64(chunks_.capacity() * sizeof(chunks_[0]));
    for (const auto& chunk : chunks_)
        bytes += chunk->bytes;
    return bytes;
}
