#pragma once

#include "records/paradox_table.h"

#include <QString>

/**
 * Keys a Paradox table on its first field: the table's rows are stored in
 * key order with the table marked as indexed, and the primary index file
 * (.PX) beside it lists the first key and the record count of every data
 * block.
 */
class ParadoxPrimaryIndex {
public:
    /**
     * Rewrites @p table at @p path keyed on its first field and writes the
     * index file. Throws TableStoreError when the key field cannot be a key,
     * a key value repeats, or a file cannot be written; the table file is
     * then left as it was.
     */
    static void build(const QString& path, const ParadoxTable& table);
    /** The index file of the table at @p path: same name, extension ".PX" (".px" for ".db"). */
    static QString indexPath(const QString& path);
};
