#pragma once

#include <QFile>

/**
 * A table file opened for reading and locked for as long as this object
 * lives. An exclusive lock keeps every other table object and program out;
 * shared locks let several readers in at once but keep an exclusive opener
 * out (and are refused while someone holds the file exclusively).
 */
class ParadoxFileLock {
public:
    enum class Mode { Exclusive, Shared };

    /** Opens and locks @p path; throws TableStoreError when either fails. */
    explicit ParadoxFileLock(const QString& path, Mode mode = Mode::Exclusive);
    ParadoxFileLock(const ParadoxFileLock&) = delete;
    ParadoxFileLock& operator=(const ParadoxFileLock&) = delete;

    QFile& file() { return file_; }

private:
    QFile file_;
};
