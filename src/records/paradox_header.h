#pragma once

#include "records/paradox_field.h"

#include <QByteArray>
#include <QVector>

/**
 * The header of a Paradox table file (.DB): record and block geometry, the
 * data-block chain's ends and the field descriptors with their names.
 */
struct ParadoxHeader {
    /** File type of a table with a primary index, and of one without. */
    static constexpr int kIndexedTable = 0;
    static constexpr int kPlainTable = 2;
    static constexpr int kPrimaryIndex = 1;
    /** Fixed part of the header; field descriptors start right after it. */
    static constexpr int kFixedSize = 0x78;
    /** Code page stored with tables this codec writes (Windows 1252). */
    static constexpr int kCodePage1252 = 1252;

    int recordSize = 0;
    int headerSize = 0x800;
    int fileType = kPlainTable;
    int blockFactor = 2; ///< data block size in KiB
    qint64 recordCount = 0;
    int usedBlocks = 0;
    int fileBlocks = 0;
    int firstBlock = 0;
    int lastBlock = 0;
    int primaryKeyFields = 0;
    int fileVersion = 12;
    int codePage = kCodePage1252;
    qint64 autoIncrement = 0;
    int indexRoot = 0; ///< root block of a primary index file
    int indexLevels = 0; ///< levels of a primary index file
    QString tableName;
    QVector<FieldDef> fields;

    int blockSize() const { return blockFactor * 1024; }
    /** Records one data block holds (its 6-byte header excluded). */
    int recordsPerBlock() const { return (blockSize() - 6) / recordSize; }

    /**
     * Reads a header from @p bytes, the first bytes of a file of
     * @p fileSize bytes (at least the header's own size, or the whole file
     * when it is shorter). Every size and count is checked against the file
     * size; throws TableStoreError naming the fault.
     */
    static ParadoxHeader parse(const QByteArray& bytes, qint64 fileSize);
    /** The size a header must read before parse() can tell the full size. */
    static int declaredSize(const QByteArray& firstBytes);

    /** A header for a new table with @p fields; record size set from them. */
    static ParadoxHeader forFields(const QVector<FieldDef>& fields, const QString& tableName);
    /** The header as stored, headerSize bytes (grown to fit the field names). */
    QByteArray serialize();
};
