#pragma once

#include "records/paradox_table.h"

#include <QByteArray>

#include <functional>

class QIODevice;

/**
 * Reads Paradox table files. Every size, count and block number taken from
 * the file is checked against the file's size before it is used, the data
 * block chain is followed with a guard against loops, and memory grows only
 * with data actually present in the file. Damage ends in TableStoreError.
 */
class ParadoxReader {
public:
    /** Copies @p length bytes at @p offset into @p dest; false on a read error. */
    using ReadAt = std::function<bool(qint64 offset, char* dest, qint64 length)>;

    /** Reads a table of @p fileSize bytes through @p readAt. */
    static ParadoxTable read(qint64 fileSize, const ReadAt& readAt);
    /** Reads a table from an open, seekable device. */
    static ParadoxTable read(QIODevice& device);
    /** Reads a table held in memory. */
    static ParadoxTable read(const QByteArray& bytes);
};
