#pragma once

#include "records/paradox_field.h"
#include "records/records_table.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

class JobProgress;
class RecordsSnapshot;

/**
 * What a file command ended with: whether it succeeded and the message to show
 * the user (none when empty). Shown by the window; this layer has no widgets.
 */
struct FileOutcome {
    enum class Icon { None, Information, Warning, Critical };
    bool ok = true;
    QString message;
    Icon icon = Icon::None;
    bool cancelled = false; ///< the user cancelled it; nothing changed and nothing to show
};

/**
 * Saving the records table as a Paradox table or as tab-separated text, and
 * opening a saved Paradox table in its place. The file's name decides the
 * format: a ".db" ending in any case gives a Paradox copy.
 */
class RecordFiles {
public:
    enum class Format { Text, Paradox, Csv };

    /** The file name's extension: from the last "." of its name part, the "." included. */
    static QString extensionOf(const QString& fileName);
    /**
     * Paradox for ".db" in any case ("Rk40vdb.DB" is one), CSV with date and
     * time for ".csv" in any case, text for every other extension or none.
     */
    static Format formatFor(const QString& fileName);

    /** What reading and checking a file for Open gave: the table to put in place, or why not. */
    struct OpenCheck {
        std::optional<RecordsTable::Loaded> table;
        FileOutcome outcome;
    };

    /**
     * Reads the Paradox table @p fileName and checks that the reading log can
     * write into it, leaving @p current untouched. The fields and the row
     * count are checked from the header, before any row is read. On failure
     * the outcome holds the message for the user. @p progress counts the
     * rows read; cancelling it throws JobCancelled. May run on a worker
     * thread (see RecordsTable::load()).
     */
    static OpenCheck readForOpen(
        const RecordsTable& current, const QString& fileName, JobProgress* progress = nullptr);

    /**
     * The fields of @p fields that differ from what the reading log writes:
     * one text per missing field, field of another type, or text field too
     * short for the log's texts. Empty when the log can write every field.
     */
    static QStringList fieldDifferences(const QVector<FieldDef>& fields);

    /** First sentence of every message about a file that cannot be read as a table. */
    static QString damagedSentence()
    {
        return QStringLiteral("The file is damaged or is not a records table.");
    }

    /**
     * Writes the rows as tab-separated text, streamed row by row into a
     * temporary file that replaces @p fileName once complete, and reports the
     * outcome either way. Cancelling @p progress (which counts rows) leaves
     * any existing file untouched and gives a cancelled outcome.
     */
    static FileOutcome SaveTableAsText(
        const RecordsSnapshot& rows, const QString& fileName, JobProgress* progress = nullptr);
    static FileOutcome SaveTableAsText(const RecordsTable& table, const QString& fileName);

    /**
     * Writes a Paradox copy with the same fields and every row, then adds the
     * primary index over "Not" when the copy has that field. Silent on
     * success; an existing file is replaced only by a complete copy, so a
     * cancelled save leaves it untouched.
     */
    static FileOutcome SaveTableAsDB(
        const RecordsSnapshot& rows, const QString& fileName, JobProgress* progress = nullptr);
    static FileOutcome SaveTableAsDB(const RecordsTable& table, const QString& fileName);

    /**
     * Saves @p rows in the format the name asks for, @p stamps dating them
     * for the CSV format. Runs on any thread; the caller marks the rows
     * saved on success (RecordsTable::markSaved()).
     */
    static FileOutcome saveRows(const RecordsSnapshot& rows, const QString& fileName, JobProgress* progress,
        const QList<QDateTime>& stamps = {});

    /**
     * Writes the table as CSV with date and time, @p stamps giving each row's
     * date-time (null for rows without one), and reports the outcome either way.
     */
    static FileOutcome SaveTableAsCsv(
        const RecordsTable& table, const QList<QDateTime>& stamps, const QString& fileName);
    /** The same, streamed from @p rows; cancelling @p progress leaves an existing file untouched. */
    static FileOutcome SaveTableAsCsv(const RecordsSnapshot& rows, const QList<QDateTime>& stamps,
        const QString& fileName, JobProgress* progress = nullptr);

    /**
     * Saves in the format the name asks for; on success the table's rows
     * count as saved. @p stamps serve the CSV format only.
     */
    static FileOutcome save(
        RecordsTable& table, const QString& fileName, const QList<QDateTime>& stamps = {});

    /**
     * Reads and checks @p fileName first (readForOpen()); only when that
     * succeeds does it take the place of the open table, whose unsaved rows
     * are dropped then (ask before calling). A file that fails leaves the
     * open table and its rows exactly as they were and gives the reason.
     */
    static FileOutcome open(RecordsTable& table, const QString& fileName);

    /** Field the copy's primary index is built over. */
    static QString primaryIndexField() { return QStringLiteral("Not"); }
};
