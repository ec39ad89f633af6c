#include "records/paradox_writer.h"

#include "records/job_progress.h"
#include "records/paradox_header.h"
#include "records/paradox_value.h"
#include "records/table_store_error.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cstring>
#include <unistd.h>

namespace {

constexpr int kBlockHeader = 6;
constexpr int kMaxBlocks = 0xFFFF;
constexpr int kBlockFactors[] = { 2, 4, 8, 16, 32 };

[[noreturn]] void fail(const QString& reason)
{
    throw TableStoreError(reason);
}

void putWord(char* p, int v)
{
    p[0] = char(v & 0xFF);
    p[1] = char((v >> 8) & 0xFF);
}

void checkFields(const QVector<FieldDef>& fields)
{
    if (fields.isEmpty() || fields.size() > 255)
        fail(QStringLiteral("a Paradox table needs 1 to 255 fields"));
    for (const FieldDef& f : fields)
        if (!ParadoxValue::sizeValid(f.type, f.size))
            fail(QStringLiteral("field '%1' has the invalid size %2").arg(f.name).arg(f.size));
}

qint64 highestAutoIncrement(const QVector<FieldDef>& fields, const ParadoxRows& rows)
{
    qint64 highest = 0;
    int offset = 0;
    for (const FieldDef& f : fields) {
        if (f.type == FieldType::AutoInc)
            for (qint64 r = 0; r < rows.count(); ++r)
                highest = qMax(highest, ParadoxValue::readInt(rows.row(r) + offset, 4).value_or(0));
        offset += f.size;
    }
    return highest;
}

} // namespace

int ParadoxWriter::blockFactorFor(int recordSize, qint64 rows)
{
    for (int factor : kBlockFactors) {
        const int perBlock = (factor * 1024 - kBlockHeader) / recordSize;
        if (perBlock >= 1 && (rows + perBlock - 1) / perBlock <= kMaxBlocks)
            return factor;
    }
    return 0;
}

namespace {

void writeTable(QIODevice& device, ParadoxHeader& h, const ParadoxRows& rows, JobProgress* progress)
{
    if (rows.count() > 0 && rows.recordSize() != h.recordSize)
        fail(QStringLiteral("the rows do not match the fields"));
    if (rows.count() > 0xFFFFFFFFLL)
        fail(QStringLiteral("the table has too many rows for a Paradox table"));
    h.recordCount = rows.count();
    h.blockFactor = ParadoxWriter::blockFactorFor(h.recordSize, rows.count());
    if (h.blockFactor == 0)
        fail(QStringLiteral("the table has too many rows or too large a record for a Paradox table"));
    const int perBlock = h.recordsPerBlock();
    const int blocks = int((rows.count() + perBlock - 1) / perBlock);
    h.usedBlocks = h.fileBlocks = h.lastBlock = blocks;
    h.firstBlock = blocks > 0 ? 1 : 0;

    const QByteArray header = h.serialize();
    if (device.write(header) != header.size())
        fail(device.errorString());

    QByteArray block(h.blockSize(), '\0');
    qint64 row = 0;
    if (progress)
        progress->setTotal(rows.count());
    for (int number = 1; number <= blocks; ++number) {
        if (progress && number % 64 == 1)
            progress->advance(row);
        const int count = int(qMin<qint64>(perBlock, rows.count() - row));
        block.fill('\0');
        putWord(block.data(), number < blocks ? number + 1 : 0);
        putWord(block.data() + 2, number - 1);
        putWord(block.data() + 4, (count - 1) * h.recordSize);
        for (int i = 0; i < count; ++i, ++row)
            std::memcpy(block.data() + kBlockHeader + i * h.recordSize, rows.row(row), size_t(h.recordSize));
        if (device.write(block) != block.size())
            fail(device.errorString());
    }
    if (progress)
        progress->advance(row);
}

} // namespace

void ParadoxWriter::write(QIODevice& device, const QVector<FieldDef>& fields, const ParadoxRows& rows,
    const QString& tableName, int primaryKeyFields)
{
    checkFields(fields);
    ParadoxHeader h = ParadoxHeader::forFields(fields, tableName);
    h.fileType = primaryKeyFields > 0 ? ParadoxHeader::kIndexedTable : ParadoxHeader::kPlainTable;
    h.primaryKeyFields = primaryKeyFields;
    h.autoIncrement = highestAutoIncrement(fields, rows);
    writeTable(device, h, rows, nullptr);
}

void ParadoxWriter::writeFile(
    const QString& path, ParadoxHeader header, const ParadoxRows& rows, JobProgress* progress)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail(QStringLiteral("Cannot create '%1': %2").arg(path, file.errorString()));
    try {
        header.tableName = QFileInfo(path).fileName();
        writeTable(file, header, rows, progress);
    } catch (const TableStoreError& e) {
        file.cancelWriting();
        fail(QStringLiteral("Cannot write '%1': %2").arg(path, e.message()));
    }
    // The data must be on disk before the rename makes it the table.
    if (!file.flush() || ::fsync(file.handle()) != 0 || !file.commit())
        fail(QStringLiteral("Cannot write '%1': %2").arg(path, file.errorString()));
}

void ParadoxWriter::writeFile(const QString& path, const QVector<FieldDef>& fields, const ParadoxRows& rows,
    int primaryKeyFields, JobProgress* progress)
{
    checkFields(fields);
    ParadoxHeader h = ParadoxHeader::forFields(fields, QString());
    h.fileType = primaryKeyFields > 0 ? ParadoxHeader::kIndexedTable : ParadoxHeader::kPlainTable;
    h.primaryKeyFields = primaryKeyFields;
    h.autoIncrement = highestAutoIncrement(fields, rows);
    writeFile(path, h, rows, progress);
}
