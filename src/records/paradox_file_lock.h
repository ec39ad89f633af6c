#pragma once

#include <QFile>

/**
 * A table file opened for reading and locked exclusively for as long as this
 * object lives, so no other table object or program can open it meanwhile.
 */
class ParadoxFileLock {
public:
    /** Opens and locks @p path; throws TableStoreError when either fails. */
    explicit ParadoxFileLock(const QString& path);
    ParadoxFileLock(const ParadoxFileLock&) = delete;
    ParadoxFileLock& operator=(const ParadoxFileLock&) = delete;

    QFile& file() { return file_; }

private:
    QFile file_;
};
