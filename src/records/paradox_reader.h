#pragma once

#include "records/paradox_table.h"
#include "records/table_store_error.h"

#include <QByteArray>

#include <functional>

class JobProgress;
class QIODevice;

/** Thrown by a header check to refuse a table: its error goes to the user as it is. */
struct ParadoxReadRefused {
    TableStoreError error;
};

/** What a caller may add to a read: a look at the header before any row, and progress. */
struct ParadoxReadOptions {
    /**
     * Called with the checked header before the rows are read; it may
     * throw ParadoxReadRefused to refuse the table without reading a row.
     */
    std::function<void(const ParadoxHeader&)> checkHeader;
    /** Counts the rows read; its JobCancelled ends the read. */
    JobProgress* progress = nullptr;
};

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

    using Refused = ParadoxReadRefused;
    using Options = ParadoxReadOptions;

    /** Reads a table of @p fileSize bytes through @p readAt. */
    static ParadoxTable read(qint64 fileSize, const ReadAt& readAt, const Options& options = {});
    /** Reads a table from an open, seekable device. */
    static ParadoxTable read(QIODevice& device, const Options& options = {});
    /** Reads a table held in memory. */
    static ParadoxTable read(const QByteArray& bytes);
};
