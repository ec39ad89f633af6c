#include "records/paradox_reader.h"

#include "records/job_progress.h"
#include "records/table_store_error.h"

#include <QIODevice>

#include <cstring>
#include <vector>

namespace {

constexpr int kBlockHeader = 6;
constexpr qint64 kMaxHeader = 0xFFFF;

[[noreturn]] void fail(const QString& reason)
{
    throw TableStoreError(reason);
}

int word(const char* p)
{
    return static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8);
}

} // namespace

ParadoxTable ParadoxReader::read(qint64 fileSize, const ReadAt& readAt, const Options& options)
{
    QByteArray head(int(qMin(fileSize, kMaxHeader)), '\0');
    if (!readAt(0, head.data(), head.size()))
        fail(QStringLiteral("the file cannot be read"));

    ParadoxTable table { ParadoxHeader::parse(head, fileSize), ParadoxRows() };
    const ParadoxHeader& h = table.header;
    if (h.firstBlock == 0 && h.recordCount != 0)
        fail(QStringLiteral("the table lists %1 records but has no data blocks").arg(h.recordCount));
    const qint64 blockSize = h.blockSize();
    const qint64 lastBlockInFile = (fileSize - h.headerSize + blockSize - 1) / blockSize;
    const int perBlock = h.recordsPerBlock();
    // A count the file's blocks cannot hold is damage, told before a header check sees it.
    if (h.recordCount > qMin<qint64>(lastBlockInFile, 0xFFFF) * perBlock)
        fail(QStringLiteral("the table lists %1 records, more than the file can hold").arg(h.recordCount));
    if (options.checkHeader)
        options.checkHeader(h);
    if (options.progress)
        options.progress->setTotal(h.recordCount);
    table.rows = ParadoxRows::forFields(h.fields);
    if (h.firstBlock == 0)
        return table;

    std::vector<bool> visited(size_t(qMin<qint64>(lastBlockInFile, 0xFFFF)) + 1, false);
    QByteArray block(int(blockSize), '\0');

    for (int number = h.firstBlock; number != 0;) {
        if (number > lastBlockInFile)
            fail(QStringLiteral("data block %1 lies beyond the end of the file").arg(number));
        if (visited[size_t(number)])
            fail(QStringLiteral("the chain of data blocks loops at block %1").arg(number));
        visited[size_t(number)] = true;

        const qint64 offset = h.headerSize + (number - 1) * blockSize;
        if (offset + kBlockHeader > fileSize || !readAt(offset, block.data(), kBlockHeader))
            fail(QStringLiteral("data block %1 is cut short").arg(number));
        const int next = word(block.constData());
        const int lastOffset = qint16(word(block.constData() + 4));
        const int count = lastOffset < 0 ? 0 : lastOffset / h.recordSize + 1;
        if ((lastOffset >= 0 && lastOffset % h.recordSize != 0) || count > perBlock)
            fail(QStringLiteral("data block %1 is damaged").arg(number));
        const qint64 bytes = qint64(count) * h.recordSize;
        if (offset + kBlockHeader + bytes > fileSize
            || !readAt(offset + kBlockHeader, block.data() + kBlockHeader, bytes))
            fail(QStringLiteral("data block %1 is cut short").arg(number));
        if (table.rows.count() + count > h.recordCount)
            fail(QStringLiteral("the data blocks hold more than the %1 records listed").arg(h.recordCount));
        for (int i = 0; i < count; ++i)
            table.rows.append(block.constData() + kBlockHeader + qint64(i) * h.recordSize);
        if (options.progress)
            options.progress->advance(table.rows.count());
        number = next;
    }
    if (table.rows.count() != h.recordCount)
        fail(QStringLiteral("the data blocks hold %1 of the %2 records listed")
                 .arg(table.rows.count())
                 .arg(h.recordCount));
    return table;
}

ParadoxTable ParadoxReader::read(QIODevice& device, const Options& options)
{
    return read(
        device.size(),
        [&device](qint64 offset, char* dest, qint64 length) {
            return device.seek(offset) && device.read(dest, length) == length;
        },
        options);
}

ParadoxTable ParadoxReader::read(const QByteArray& bytes)
{
    return read(bytes.size(), [&bytes](qint64 offset, char* dest, qint64 length) {
        if (offset < 0 || length < 0 || offset + length > bytes.size())
            return false;
        std::memcpy(dest, bytes.constData() + offset, size_t(length));
        return true;
    });
}
