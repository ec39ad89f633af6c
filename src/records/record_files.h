#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class RecordsTable;

/**
 * What a file command ended with: whether it succeeded and the message to show
 * the user (none when empty). Shown by the window; this layer has no widgets.
 */
struct FileOutcome {
    enum class Icon { None, Information, Warning, Critical };
    bool ok = true;
    QString message;
    Icon icon = Icon::None;
};

/**
 * Saving the records table as a Paradox table or as tab-separated text, and
 * opening a saved Paradox table in its place. The file's name decides the
 * format: only a lower-case ".db" ending gives a Paradox copy.
 */
class RecordFiles {
public:
    enum class Format { Text, Paradox };

    /** The file name's extension: from the last "." of its name part, the "." included. */
    static QString extensionOf(const QString& fileName);
    /** Paradox for exactly ".db", text for every other extension or none. */
    static Format formatFor(const QString& fileName);

    /**
     * Display texts of every row in the exported column order. Throws
     * TableStoreError when the table is closed or lacks one of the columns.
     */
    static QList<QStringList> exportRows(const RecordsTable& table);

    /** Writes the table as tab-separated text and reports the outcome either way. */
    static FileOutcome SaveTableAsText(const RecordsTable& table, const QString& fileName);

    /**
     * Writes a Paradox copy with the same fields and every row, then adds the
     * primary index over "Not" when the copy has that field. Silent on
     * success; an existing file is replaced only by a complete copy.
     */
    static FileOutcome SaveTableAsDB(const RecordsTable& table, const QString& fileName);

    /**
     * Saves in the format the name asks for; on success the table's rows
     * count as saved.
     */
    static FileOutcome save(RecordsTable& table, const QString& fileName);

    /**
     * Closes the table (its unsaved rows are dropped; ask before calling) and
     * opens @p fileName in its place. A file that cannot be read leaves the
     * table closed and gives the reason.
     */
    static FileOutcome open(RecordsTable& table, const QString& fileName);

    /** Field the copy's primary index is built over. */
    static QString primaryIndexField() { return QStringLiteral("Not"); }
};
