#pragma once

#include "records/paradox_field.h"
#include "records/paradox_reader.h"
#include "records/records_snapshot.h"
#include "records/table_store_error.h"

#include <QObject>
#include <QStringList>
#include <QTime>
#include <QVariant>
#include <QVector>

#include <memory>
#include <utility>

/**
 * The records table T20VDB: a Paradox table, its rows held
 * in memory together with the rows appended since it was opened (the change
 * cache). Appended rows never go back into the opened file; they reach a file
 * only through copyTo(). Failures throw TableStoreError.
 */
class RecordsTable : public QObject {
    Q_OBJECT
public:
    /**
     * How the table file is held while the table is open. Tables the user
     * opens are held exclusively; the records template is only ever read,
     * so several windows may hold it at once.
     */
    enum class Access { Exclusive, SharedRead };

    /** A table read from its file and locked, ready to take the place of the open one. */
    class Loaded {
    public:
        Loaded();
        Loaded(Loaded&&) noexcept;
        Loaded& operator=(Loaded&&) noexcept;
        ~Loaded();
        QString path() const;
        const QVector<FieldDef>& fields() const;
        qint64 rowCount() const;

    private:
        friend class RecordsTable;
        struct Data;
        std::unique_ptr<Data> d_;
    };

    /**
     * Most rows a table holds. The grid lays its rows out in pixels counted
     * in an int; 100 million rows of 18 pixels stay well inside that. A file
     * with more is refused, and the log stops adding rows at this count.
     */
    static constexpr qint64 maxRows = 100'000'000;

    explicit RecordsTable(QObject* parent = nullptr);
    ~RecordsTable() override;

    /**
     * Reads the Paradox table at @p path and locks it as @p access says,
     * without touching the table open here. When @p path is the table open here, it
     * is read again through the lock already held. Throws TableStoreError
     * with a clear message when the file is missing, locked, not a Paradox
     * table, damaged or holds more than maxRows rows; a refusal of
     * @p options' header check is thrown as its error. @p options' progress
     * counts the rows read and may cancel the read (JobCancelled). Touches
     * nothing the user-interface thread changes while commands are held, so
     * it may run on a worker thread.
     */
    Loaded load(const QString& path, Access access = Access::Exclusive,
        const ParadoxReader::Options& options = {}) const;
    /** Puts @p loaded in place of the open table; rows not saved are discarded. Emits tableReset(). */
    void replaceWith(Loaded&& loaded);

    /**
     * Opens the Paradox table at @p path and loads its rows, locking the
     * file as @p access says, in place of any table open before. Throws TableStoreError with a clear
     * message when the file is missing, locked, not a Paradox table or
     * damaged; the table open before stays open then. Returns true on success.
     */
    bool open(const QString& path, Access access = Access::Exclusive);
    /** Closes the table; rows not saved are discarded. Emits tableReset(). */
    void close();
    bool isOpen() const;
    /** Path of the open table, empty when closed. */
    QString path() const;

    /** Field definitions of the open table (empty when closed). */
    const QVector<FieldDef>& fields() const;
    /** Index of the field named @p name, case-insensitive; -1 if absent. */
    int fieldIndex(const QString& name) const;

    /** Starts a new row; fields are empty until set. Throws on a closed table and on a full one (maxRows). */
    void append();
    /**
     * Assigns a field of the row being appended, by name (case-insensitive).
     * Throws "Field '%s' not found" for an unknown name and "Cannot perform
     * this operation on a closed dataset" on a closed table. A failed
     * assignment drops the row being appended, so a later post() adds nothing.
     */
    void setField(const QString& name, const QString& value);
    void setField(const QString& name, qint64 value);
    void setField(const QString& name, double value);
    void setField(const QString& name, QTime value);
    /** Adds the row being appended to the table and emits rowsAppended(). */
    void post();

    qint64 rowCount() const;
    bool isEmpty() const;
    /** Removes every row from memory; the table stays open, its file untouched. */
    void emptyTable();

    /** Text a grid or a text export shows for a field ("" when empty). */
    QString displayText(qint64 row, int field) const;
    /** The format time fields are shown in, the locale's long time format ("h:mm:ss AP"). */
    QString timeFormat() const;
    /** Typed value of a field; a null QVariant when the field is empty. */
    QVariant value(qint64 row, int field) const;

    /**
     * Writes a new Paradox table at @p path with the same field definitions
     * and all rows, the unsaved ones included. Writes a temporary file in the
     * same folder and renames it over @p path only when complete; on failure
     * throws and leaves any existing file at @p path untouched.
     */
    void copyTo(const QString& path) const;

    /**
     * Adds a primary index over @p fieldName to the table file at @p path
     * (not open in a RecordsTable): the rows are stored in key order and the
     * index file (.PX) is written beside it. Returns false, changing
     * nothing, when the table has no such field. Throws TableStoreError,
     * leaving the table as it was, when the field is not the table's first
     * (Paradox keeps key fields first), a key value repeats, or a file
     * cannot be written.
     */
    static bool addPrimaryIndex(const QString& path, const QString& fieldName);

    /** Rows appended since the table was opened or last marked saved. */
    qint64 unsavedRowCount() const;
    /** Records that every row now in the table is kept in a file. */
    void markSaved();
    /**
     * Records that the rows of @p saved are kept in a file; rows appended
     * after it was taken stay unsaved. Does nothing when the table was
     * opened, closed or emptied since.
     */
    void markSaved(const RecordsSnapshot& saved);

    /**
     * The rows as they stand now, for a save or the report to walk while
     * logging goes on; shares the rows' memory. Throws "Cannot perform this
     * operation on a closed dataset" on a closed table.
     */
    RecordsSnapshot snapshot() const;

    /** File name of the records template, "Rk40vdb.DB". */
    static QString templateName();
    /**
     * The folders the records template is looked for in, in search order:
     * the current folder first, then the executable's folder, then the
     * installed data folder (share/brenmoor5082 beside the executable's
     * bin folder, so an installed tree works under any prefix). The one list
     * both the search and its failure message use.
     */
    static QStringList templateFolders();
    /** Locates the records template in templateFolders(). Empty when there is none. */
    static QString findTemplate();
    /**
     * Opens the records template found by findTemplate() for reading only,
     * without an exclusive lock, so several windows can log at once: rows
     * live in memory and the template file is never written. Throws
     * TableStoreError when there is none, naming every folder searched, or
     * when it cannot be opened.
     */
    void openTemplate();

signals:
    /** Rows @p first to @p last (inclusive) were appended. */
    void rowsAppended(qint64 first, qint64 last);
    /** The table was opened, closed or emptied: every row may have changed. */
    void tableReset();

private:
    /** Field @p name of the row being appended; throws as setField() describes. */
    std::pair<const FieldDef*, char*> pendingField(const QString& name);

    struct State;
    std::unique_ptr<State> d_;
};
