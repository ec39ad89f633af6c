#pragma once

#include "records/record_sink.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class Journal;
class RecordsSnapshot;
class RecordsTable;

/**
 * Keeps the journal in step with the records table: one log for each table
 * the rows go into (the template at start, a table opened later, the table
 * after New), every row the reading log appends, and the saves and drops
 * that settle them. Display-free, so the window and the headless logger
 * drive it alike.
 */
class RecordsJournal {
public:
    /** Rows of ended programs that were never saved nor discarded. */
    struct Offer {
        QList<qint64> logs;
        qint64 rows = 0;
        QDateTime first;
        QDateTime last;
    };

    /** @param variant the build variant's name, recorded in each log */
    RecordsJournal(Journal& journal, QString variant);

    Journal& journal() { return journal_; }

    /**
     * Starts the log of the table now open at @p table, which holds
     * @p baseRows rows from its file (those are not in the journal).
     */
    void beginTable(const QString& table, qint64 baseRows);
    /** The port or cable readings come from now; recorded in the current log. */
    void setSource(const QString& source);
    /** A row the reading log appended to the table. */
    void rowAppended(const LoggedRow& row);
    /** The table was saved: its rows are kept in a file. Commits at once. */
    void saved();
    /** The table's unsaved rows were given up, after the user agreed. Commits at once. */
    void dropped();
    /** The table was emptied (New): its unsaved rows are dropped and a new log starts. */
    void emptied(const QString& table);
    /** Logging stopped: commits what is queued at once. */
    void stopped();

    qint64 currentLog() const { return log_; }

    /**
     * For each row of @p table, its date-time from the journal; a null one
     * for rows read from the table's file and rows the journal does not have.
     */
    QList<QDateTime> stamps(const RecordsTable& table);

    /**
     * The current log, taken on the user-interface thread, to look the
     * stamps of a snapshot up on another thread (a save's worker).
     */
    class StampLookup {
    public:
        /** For each row of @p rows, its date-time from the journal, as stamps() gives it. */
        QList<QDateTime> stamps(const RecordsSnapshot& rows) const;

    private:
        friend class RecordsJournal;
        Journal* journal_ = nullptr;
        qint64 log_ = 0;
        qint64 baseRows_ = 0;
    };
    StampLookup stampLookup() const;

    /** What the journal holds from programs that ended without saving, if anything. */
    std::optional<Offer> offer();
    /** "N readings logged on <date> from <time> to <time> were not saved. Restore them?" */
    static QString question(const Offer& offer);
    /** The offered rows in order; from now on they belong to the current log. */
    QList<LoggedRow> takeBack(const Offer& offer);
    /** The offered rows are discarded: they are not offered again. */
    void decline(const Offer& offer);

private:
    Journal& journal_;
    QString variant_;
    QString source_;
    qint64 log_ = 0;
    qint64 baseRows_ = 0;
};
