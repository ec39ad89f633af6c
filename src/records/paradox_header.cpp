#include "records/paradox_header.h"

#include "records/cp1252.h"
#include "records/paradox_value.h"
#include "records/table_store_error.h"

namespace {

// Offsets in the fixed part of the header.
constexpr int kRecordSize = 0x00;
constexpr int kHeaderSize = 0x02;
constexpr int kFileType = 0x04;
constexpr int kBlockFactor = 0x05;
constexpr int kRecordCount = 0x06;
constexpr int kUsedBlocks = 0x0A;
constexpr int kFileBlocks = 0x0C;
constexpr int kFirstBlock = 0x0E;
constexpr int kLastBlock = 0x10;
constexpr int kIndexRoot = 0x1E;
constexpr int kIndexLevels = 0x20;
constexpr int kFieldCount = 0x21;
constexpr int kKeyFields = 0x23;
constexpr int kEncryption = 0x25;
constexpr int kSortOrder = 0x29;
constexpr quint32 kNotEncrypted = 0xFF00FF00; // in the first encryption word of a table without password
constexpr int kFileVersion = 0x39;
constexpr int kAutoIncrement = 0x49;
constexpr int kVersion4Start = 0x58; // tables before version 4 have their field descriptors here
constexpr int kVersionWords = 0x58;
constexpr int kEncryption2 = 0x5C;
constexpr int kHighFieldId = 0x64;
constexpr int kFieldCountAgain = 0x68;
constexpr int kCodePage = 0x6A;

// File version ids: 3 and 4 are 3.x, 5 to 9 are 4.x, 10 and 11 are 5.x, 12 is 7.x.
constexpr int kFirstVersion4 = 5;
constexpr int kFirstVersion7 = 12;

constexpr int kLongTableName = 261;
constexpr int kShortTableName = 79;
constexpr int kBlockAlign = 0x800;
const char kSortOrderId[] = "ascii";

quint32 get(const QByteArray& b, int at, int size)
{
    quint32 v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

void put(QByteArray& b, int at, int size, quint32 v)
{
    for (int i = 0; i < size; ++i, v >>= 8)
        b[at + i] = char(v & 0xFF);
}

[[noreturn]] void fail(const QString& reason)
{
    throw TableStoreError(reason);
}

// Tables and incrementing secondary indexes of version 4 and later carry a
// second header part before the field descriptors; primary index files do not.
int fieldsStart(int fileVersion, int fileType)
{
    const bool extended = fileType == 0 || fileType == 2 || fileType == 3 || fileType == 5 || fileType == 8;
    return fileVersion >= kFirstVersion4 && extended ? ParadoxHeader::kFixedSize : kVersion4Start;
}

int tableNameSize(int fileVersion)
{
    return fileVersion >= kFirstVersion7 ? kLongTableName : kShortTableName;
}

} // namespace

int ParadoxHeader::declaredSize(const QByteArray& firstBytes)
{
    return firstBytes.size() >= 4 ? int(get(firstBytes, kHeaderSize, 2)) : 0;
}

ParadoxHeader ParadoxHeader::parse(const QByteArray& b, qint64 fileSize)
{
    if (fileSize < kVersion4Start || b.size() < kVersion4Start)
        fail(QStringLiteral("the file is too short to be a Paradox table"));
    ParadoxHeader h;
    h.recordSize = int(get(b, kRecordSize, 2));
    h.headerSize = int(get(b, kHeaderSize, 2));
    h.fileType = b[kFileType];
    h.blockFactor = static_cast<unsigned char>(b[kBlockFactor]);
    h.recordCount = get(b, kRecordCount, 4);
    h.usedBlocks = int(get(b, kUsedBlocks, 2));
    h.fileBlocks = int(get(b, kFileBlocks, 2));
    h.firstBlock = int(get(b, kFirstBlock, 2));
    h.lastBlock = int(get(b, kLastBlock, 2));
    h.primaryKeyFields = int(get(b, kKeyFields, 2));
    h.fileVersion = static_cast<unsigned char>(b[kFileVersion]);
    h.autoIncrement = get(b, kAutoIncrement, 4);

    if (h.fileType != kIndexedTable && h.fileType != kPlainTable)
        fail(QStringLiteral("the file is not a Paradox data table"));
    const int start = fieldsStart(h.fileVersion, h.fileType);
    if (h.headerSize < start || h.headerSize > fileSize || h.headerSize > b.size())
        fail(QStringLiteral("the header size %1 does not fit the file").arg(h.headerSize));
    if (h.blockFactor < 1 || h.blockFactor > 32)
        fail(QStringLiteral("the block size factor %1 is invalid").arg(h.blockFactor));
    if (h.recordSize < 1 || h.recordSize > h.blockSize() - 6)
        fail(QStringLiteral("the record size %1 is invalid").arg(h.recordSize));
    if (start == kFixedSize)
        h.codePage = int(get(b, kCodePage, 2));

    const int fieldCount = int(get(b, kFieldCount, 2));
    if (fieldCount < 1 || fieldCount > 255 || start + 2 * fieldCount > h.headerSize)
        fail(QStringLiteral("the field count %1 is invalid").arg(fieldCount));
    if (h.primaryKeyFields > fieldCount)
        fail(QStringLiteral("the key field count %1 is invalid").arg(h.primaryKeyFields));

    int total = 0;
    h.fields.resize(fieldCount);
    for (int i = 0; i < fieldCount; ++i) {
        FieldDef& f = h.fields[i];
        f.type = FieldType(static_cast<unsigned char>(b[start + 2 * i]));
        f.size = static_cast<unsigned char>(b[start + 2 * i + 1]);
        if (!ParadoxValue::sizeValid(f.type, f.size))
            fail(QStringLiteral("field %1 has the invalid size %2").arg(i + 1).arg(f.size));
        total += f.size;
    }
    if (total != h.recordSize)
        fail(
            QStringLiteral("the record size %1 does not match its fields (%2)").arg(h.recordSize).arg(total));

    // Field descriptors, a table name pointer, one name pointer per field,
    // the table name, then the field names, each ended by a NUL.
    qint64 pos = start + 2 * fieldCount + 4 + 4 * fieldCount;
    const int nameSize = tableNameSize(h.fileVersion);
    if (pos + nameSize > h.headerSize)
        fail(QStringLiteral("the header is too short for its field names"));
    h.tableName = Cp1252::decode(b.constData() + pos, nameSize);
    pos += nameSize;
    for (FieldDef& f : h.fields) {
        const qsizetype end = b.indexOf('\0', pos);
        if (end < 0 || end >= h.headerSize)
            fail(QStringLiteral("the field names are damaged"));
        f.name = Cp1252::decode(b.constData() + pos, end - pos);
        pos = end + 1;
    }

    // Checked last, on an otherwise sound header, so that a corrupt header is
    // never taken for a password. Tables of version 4 and later keep the key
    // in their second word and say "not encrypted" in the first; a first
    // word that is neither while the second is clear is damage.
    const quint32 encryption = get(b, kEncryption, 4);
    const bool firstClear = encryption == 0 || encryption == kNotEncrypted;
    if (start == kFixedSize) {
        if (get(b, kEncryption2, 4) != 0)
            throw TableStoreError(
                QStringLiteral("the table is password protected"), TableStoreError::Kind::Encrypted);
        if (!firstClear)
            fail(QStringLiteral("the header's encryption word is damaged"));
    } else if (!firstClear) {
        throw TableStoreError(
            QStringLiteral("the table is password protected"), TableStoreError::Kind::Encrypted);
    }
    return h;
}

ParadoxHeader ParadoxHeader::forFields(const QVector<FieldDef>& fields, const QString& tableName)
{
    ParadoxHeader h;
    h.fields = fields;
    h.tableName = tableName;
    h.recordSize = 0;
    for (const FieldDef& f : fields)
        h.recordSize += f.size;
    return h;
}

QByteArray ParadoxHeader::serialize()
{
    const int n = int(fields.size());
    QByteArray names;
    for (const FieldDef& f : fields)
        names += Cp1252::encode(f.name) + '\0';
    const int nameSize = tableNameSize(fileVersion);
    const int fieldsAt = fieldsStart(fileVersion, fileType);
    const int content
        = fieldsAt + 2 * n + 4 + 4 * n + nameSize + int(names.size()) + 2 * n + int(sizeof kSortOrderId);
    if (content > 0xFFFF - kBlockAlign)
        fail(QStringLiteral("the field names are too long for a Paradox table"));
    headerSize = (content + kBlockAlign - 1) / kBlockAlign * kBlockAlign;

    QByteArray b(headerSize, '\0');
    put(b, kRecordSize, 2, quint32(recordSize));
    put(b, kHeaderSize, 2, quint32(headerSize));
    b[kFileType] = char(fileType);
    b[kBlockFactor] = char(blockFactor);
    put(b, kRecordCount, 4, quint32(recordCount));
    put(b, kUsedBlocks, 2, quint32(usedBlocks));
    put(b, kFileBlocks, 2, quint32(fileBlocks));
    put(b, kFirstBlock, 2, quint32(firstBlock));
    put(b, kLastBlock, 2, quint32(lastBlock));
    put(b, kIndexRoot, 2, quint32(indexRoot));
    b[kIndexLevels] = char(indexLevels);
    put(b, kFieldCount, 2, quint32(n));
    put(b, kKeyFields, 2, quint32(primaryKeyFields));
    put(b, kEncryption, 4, kNotEncrypted);
    b[kSortOrder] = 'b';
    b[kFileVersion] = char(fileVersion);
    put(b, kAutoIncrement, 4, quint32(autoIncrement));
    if (fieldsAt == kFixedSize) {
        put(b, kVersionWords, 2, 0x0100 | quint32(fileVersion));
        put(b, kVersionWords + 2, 2, 0x0100 | quint32(fileVersion));
        put(b, kHighFieldId, 2, quint32(n + 1));
        put(b, kFieldCountAgain, 2, quint32(n));
        put(b, kCodePage, 2, quint32(codePage));
    }

    int pos = fieldsAt;
    for (const FieldDef& f : fields) {
        b[pos++] = char(f.type);
        b[pos++] = char(f.size);
    }
    pos += 4 + 4 * n;
    const QByteArray name = Cp1252::encode(tableName).left(nameSize - 1);
    b.replace(pos, name.size(), name);
    pos += nameSize;
    b.replace(pos, names.size(), names);
    pos += int(names.size());
    for (int i = 0; i < n; ++i, pos += 2)
        put(b, pos, 2, quint32(i + 1));
    b.replace(pos, int(sizeof kSortOrderId), QByteArray(kSortOrderId, int(sizeof kSortOrderId)));
    return b;
}
