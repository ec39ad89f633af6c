#pragma once

#include "records/journal.h"
#include "records/record_sink.h"

#include <QList>
#include <QSet>
#include <QString>

#include <memory>

/** A failure of the journal database; @c damaged when the file itself is unusable. */
struct JournalStoreError {
    QString reason;
    bool damaged = false;
};

/** What a log record holds besides its rows. */
struct JournalLogRecord {
    qint64 id = 0;
    QDateTime started;
    QString source;
    QString variant;
    QString table;
};

/**
 * The journal's SQLite database, through Qt Sql's QSQLITE driver. Used by
 * the journal's worker thread only: one connection, created and ended there.
 * Every failing call throws JournalStoreError.
 */
class JournalStore {
public:
    /** @param owner the token of the program writing into this journal */
    JournalStore(QString path, QString owner);
    ~JournalStore();
    JournalStore(const JournalStore&) = delete;
    JournalStore& operator=(const JournalStore&) = delete;

    /**
     * Creates the folder and the database when missing and checks an
     * existing file. A file that is not an SQLite database, is damaged or
     * belongs to another program is renamed aside (its new path in
     * @p setAside) and replaced by a new journal.
     */
    void open(QString* setAside);
    bool isOpen() const;
    void close();
    /** Throws when the file opened is no longer at its path (removed or replaced). */
    void checkInPlace() const;
    /** Closes the database and renames it aside; returns the new path (empty when there was no file). */
    QString setAside(const QString& why);

    void begin();
    void commit();
    void rollback() noexcept;

    void insertLog(const JournalLogRecord& log);
    void setSource(qint64 log, const QString& source);
    void insertRow(qint64 log, const LoggedRow& row);
    void markSaved(qint64 log);
    void markDiscarded(qint64 log);
    void adopt(const QList<qint64>& logs, qint64 into);

    /** Logs with unsaved rows, oldest first, with the owner that wrote each. */
    QList<std::pair<Journal::UnsavedLog, QString>> logsWithUnsavedRows();
    /** Rows of @p log in order: all that are saved or unsaved, or only the unsaved ones. */
    QList<LoggedRow> rows(qint64 log, bool unsavedOnly);
    /** Number and date-time of the saved and unsaved rows of @p log, in order. */
    QList<std::pair<qint32, QDateTime>> stamps(qint64 log);
    /**
     * Deletes logs started before @p cutoffMs (ms since the epoch) that hold
     * no unsaved rows, except those of @p liveOwners.
     */
    void prune(qint64 cutoffMs, const QSet<QString>& liveOwners);
    /** Owners of logs started before @p cutoffMs. */
    QSet<QString> ownersBefore(qint64 cutoffMs);

    /** ISO 8601 local date-time with milliseconds and offset, e.g. 2026-12-10T14:03:07.250+01:00. */
    static QString stampText(const QDateTime& stamp);

private:
    struct State;
    std::unique_ptr<State> d_;
};
