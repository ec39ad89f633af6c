#pragma once

#include <QString>

/**
 * A program's mark beside the journal, held for as long as it writes logs
 * there: a file named after the program's owner token, locked with flock.
 * The kernel drops the lock when the program ends, however it ends, so
 * another program can tell the logs of a running program (never offered
 * back) from those of one that crashed or was killed.
 */
class JournalOwnerLock {
public:
    /** Creates and locks the mark of @p token in @p folder; isHeld() tells whether that worked. */
    JournalOwnerLock(const QString& folder, const QString& token);
    /** Unlocks and removes the mark. */
    ~JournalOwnerLock();
    JournalOwnerLock(const JournalOwnerLock&) = delete;
    JournalOwnerLock& operator=(const JournalOwnerLock&) = delete;

    bool isHeld() const { return fd_ >= 0; }

    /**
     * Whether the program that wrote as @p token still runs. The mark of a
     * program that has ended is removed.
     */
    static bool isRunning(const QString& folder, const QString& token);

    /** The folder of the marks for the journal at @p journalPath. */
    static QString folderFor(const QString& journalPath);

private:
    QString path_;
    int fd_ = -1;
};
