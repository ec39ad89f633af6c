#pragma once

#include "records/record_sink.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <utility>

/**
 * The crash-safe journal: every logged row on disk within a fraction of a
 * second, in an SQLite database (WAL, synchronous=NORMAL), so that rows
 * survive a crash, a kill or a logout and can be offered back at the next
 * start.
 *
 * The journal holds logs: one per run and per opened table, each with its
 * start date-time, port or cable and build variant. Each row carries its
 * full local date-time with milliseconds and offset, the logged fields,
 * "Nval", the chart value, the raw frame text and whether it was saved.
 *
 * All database work runs on a worker thread that this object owns. The
 * calls that only record something (startLog(), append(), the marks)
 * queue it and return at once; the worker commits what is queued every
 * 100 ms, and at once on commit(), waitForCommitted(), close() and
 * destruction. The calls that return data wait for the worker.
 *
 * When the database cannot be written (a folder that cannot be created, a
 * full disk), queued work is kept in memory and retried every
 * retryInterval(); failed() and working() tell the owner. A damaged or
 * foreign file is set aside under a timestamped name and a new journal is
 * started in its place.
 *
 * Usable from a QCoreApplication program; no widgets.
 */
class Journal : public QObject {
    Q_OBJECT
public:
    /** How open() went. */
    struct OpenResult {
        enum class Outcome {
            Opened, ///< the journal at the path is in use
            Replaced, ///< a damaged or foreign file was set aside; a new journal is in use
            Failed, ///< nothing could be opened: rows are kept in memory and it is retried
        };
        Outcome outcome = Outcome::Opened;
        /** For Replaced and Failed: the sentence to show the user. */
        QString message;
        /** For Replaced: where the old file went. */
        QString setAsidePath;
    };

    /** A log whose program ended while it still held unsaved rows. */
    struct UnsavedLog {
        qint64 log = 0;
        qint64 rows = 0; ///< rows neither saved nor discarded
        QDateTime first; ///< date-time of the first of those rows
        QDateTime last; ///< and of the last
        QDateTime started;
        QString source;
        QString variant;
        QString table;
    };

    /** journal.sqlite in the application's data folder (honours XDG_DATA_HOME). */
    static QString defaultPath();
    /** Days a log that was saved or discarded is kept before open() prunes it. */
    static constexpr int retentionDays = 30;

    explicit Journal(QObject* parent = nullptr);
    /** Commits what is queued (waiting a few seconds at most) and ends the worker; unsaved rows stay unsaved.
     */
    ~Journal() override;

    /**
     * Opens the journal at @p path, creating it and its folder when needed,
     * and prunes logs older than retentionDays that hold no unsaved rows.
     * Waits for the worker. When it fails, the journal keeps working in
     * memory and retries.
     */
    OpenResult open(const QString& path = defaultPath());
    /** Commits everything, waits for it, and ends the worker. Logs stay as they are. */
    void close();

    /** The path given to open(). */
    QString path() const;
    /** False while the database cannot be written. */
    bool isWorking() const;
    /** Why the journal last failed; empty while it works. */
    QString problem() const;

    /** How long the worker waits before trying a failing database again (10 s; tests shorten it). */
    void setRetryInterval(int ms);

    /**
     * Starts a log and returns its id.
     * @param started when the run began or the table was opened
     * @param source the port or cable; may be set later with setSource()
     * @param variant the build variant's name
     * @param table the table file the rows are logged into
     */
    qint64 startLog(
        const QDateTime& started, const QString& source, const QString& variant, const QString& table);
    /** Records the port or cable a log reads from. */
    void setSource(qint64 log, const QString& source);
    /** Queues one row of @p log; costs about a microsecond on the calling thread. */
    void append(qint64 log, const LoggedRow& row);
    /** Every row of @p log appended so far counts as saved. */
    void markSaved(qint64 log);
    /** Every unsaved row of @p log appended so far is discarded: it will not be offered back. */
    void markDiscarded(qint64 log);
    /**
     * Moves the unsaved rows of @p logs, in order, to the end of @p into,
     * where they are unsaved rows again (used when they are restored).
     */
    void adopt(const QList<qint64>& logs, qint64 into);

    /** Commits what is queued now, without waiting. */
    void commit();
    /** Commits what is queued and waits; false when the database failed or @p timeoutMs passed. */
    bool waitForCommitted(int timeoutMs = 5000);

    /**
     * Logs with unsaved rows whose program is no longer running, oldest
     * first. Logs of running programs (this one, other windows, a headless
     * logger) are never listed.
     */
    QList<UnsavedLog> unsavedLogs();
    /** The unsaved rows of @p logs, log by log, in the order they were appended. */
    QList<LoggedRow> unsavedRows(const QList<qint64>& logs);
    /**
     * Every row of @p log that is saved or unsaved, in order, including the
     * ones still queued while the database fails.
     */
    QList<LoggedRow> rows(qint64 log);

    /**
     * The number and date-time of every row of @p log that is saved or
     * unsaved, in order, including the ones still queued while the database
     * fails: what an export needs to date the rows, without their texts.
     */
    QList<std::pair<qint32, QDateTime>> stamps(qint64 log);

    /** Rows queued and not yet committed. */
    qint64 pendingRows() const;

signals:
    /** The journal at @p path cannot be written, for @p reason; rows are kept in memory. */
    void failed(const QString& path, const QString& reason);
    /** The journal at @p path works again after failed(); what was kept in memory is written. */
    void working(const QString& path);
    /** A damaged journal file was renamed aside while running and a new one started; @p message says so. */
    void fileSetAside(const QString& message);

private:
    class Worker;
    std::unique_ptr<Worker> worker_;
};
