#include "records/paradox_primary_index.h"

#include "records/paradox_value.h"
#include "records/paradox_writer.h"
#include "records/table_store_error.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

constexpr int kBlockHeader = 6;
constexpr int kEntryTail = 6; // block number, records in the block, and a reserved word

} // namespace

QString ParadoxPrimaryIndex::indexPath(const QString& path)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString ext
        = !suffix.isEmpty() && suffix == suffix.toLower() ? QStringLiteral("px") : QStringLiteral("PX");
    return info.dir().filePath(info.completeBaseName() + QLatin1Char('.') + ext);
}

void ParadoxPrimaryIndex::build(const QString& path, const ParadoxTable& table)
{
    const FieldDef& key = table.header.fields.front();
    if (!ParadoxValue::supported(key.type))
        throw TableStoreError(QStringLiteral("Field '%1' cannot be a primary key").arg(key.name));

    // The stored encodings order like the values they hold (integers and
    // numbers are biased big-endian, text compares byte by byte), so rows
    // sort by comparing their key bytes.
    const ParadoxRows& rows = table.rows;
    // The key fields lead each record; gather them once, since rows are read one at a time.
    const size_t keySize = size_t(key.size);
    std::vector<char> keys(size_t(rows.count()) * keySize);
    for (qint64 r = 0; r < rows.count(); ++r)
        std::memcpy(keys.data() + size_t(r) * keySize, rows.row(r), keySize);
    const auto keyOf = [&](qint64 r) { return keys.data() + size_t(r) * keySize; };
    std::vector<qint64> order(size_t(rows.count()));
    std::iota(order.begin(), order.end(), 0);
    const auto keyLess = [&](qint64 a, qint64 b) { return std::memcmp(keyOf(a), keyOf(b), keySize) < 0; };
    std::stable_sort(order.begin(), order.end(), keyLess);
    for (size_t i = 1; i < order.size(); ++i)
        if (!keyLess(order[i - 1], order[i]))
            throw TableStoreError(
                QStringLiteral("Key violation: field '%1' holds the value '%2' more than once")
                    .arg(
                        key.name, ParadoxValue::toDisplay(key, keyOf(order[i]), QStringLiteral("HH:mm:ss"))));

    ParadoxRows sorted = ParadoxRows::forFields(table.header.fields);
    for (qint64 r : order)
        sorted.append(rows.row(r));

    // One index entry per data block: its first key, its number and its record count.
    const int recordSize = table.header.recordSize;
    const int dataFactor = ParadoxWriter::blockFactorFor(recordSize, sorted.count());
    const qint64 perBlock = dataFactor > 0 ? (dataFactor * 1024 - kBlockHeader) / recordSize : 1;
    ParadoxRows entries(key.size + kEntryTail);
    for (qint64 first = 0, block = 1; first < sorted.count(); first += perBlock, ++block) {
        char* e = entries.appendRow();
        std::memcpy(e, sorted.row(first), size_t(key.size));
        ParadoxValue::writeInt(e + key.size, 2, block);
        ParadoxValue::writeInt(e + key.size + 2, 2, qMin(perBlock, sorted.count() - first));
        ParadoxValue::writeInt(e + key.size + 4, 2, 0);
    }
    const int entriesPerBlock = (32 * 1024 - kBlockHeader) / entries.recordSize();
    if (entries.count() > entriesPerBlock)
        throw TableStoreError(QStringLiteral("The table has too many rows for a one-level primary index"));

    ParadoxHeader index = ParadoxHeader::forFields({ { QString(), key.type, key.size } }, QString());
    index.fileType = ParadoxHeader::kPrimaryIndex;
    index.recordSize = entries.recordSize();
    index.primaryKeyFields = 1;
    index.indexLevels = entries.count() > 0 ? 1 : 0;
    index.indexRoot = entries.count() > 0 ? 1 : 0;

    ParadoxHeader data = table.header;
    data.fileType = ParadoxHeader::kIndexedTable;
    data.primaryKeyFields = 1;

    // The index is written first: a failure there leaves the table as it was.
    ParadoxWriter::writeFile(indexPath(path), index, entries);
    ParadoxWriter::writeFile(path, data, sorted);
}
