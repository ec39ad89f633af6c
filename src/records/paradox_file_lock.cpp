#include "records/paradox_file_lock.h"

#include "records/table_store_error.h"

#include <QFileInfo>

#include <cerrno>
#include <sys/file.h>

ParadoxFileLock::ParadoxFileLock(const QString& path, Mode mode)
    : file_(path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw TableStoreError(QStringLiteral("Table '%1' does not exist").arg(path));
    if (!info.isFile())
        throw TableStoreError(QStringLiteral("'%1' is not a table file").arg(path));
    if (!file_.open(QIODevice::ReadOnly))
        throw TableStoreError(QStringLiteral("Cannot open table '%1': %2").arg(path, file_.errorString()));
    // A conflicting lock held through another open file description, in this
    // process or another, makes this one fail at once. File systems without flock
    // support leave the table unlocked rather than unusable.
    const int operation = mode == Mode::Exclusive ? LOCK_EX : LOCK_SH;
    if (::flock(file_.handle(), operation | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        throw TableStoreError(QStringLiteral("Table '%1' is in use by another program").arg(path));
}
