#include "records/journal_owner_lock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

QString markPath(const QString& folder, const QString& token)
{
    return QDir(folder).filePath(token + QStringLiteral(".lock"));
}

} // namespace

JournalOwnerLock::JournalOwnerLock(const QString& folder, const QString& token)
    : path_(markPath(folder, token))
{
    if (!QDir().mkpath(folder))
        return;
    // Locked under a temporary name and then renamed into place, so that no
    // other program ever sees the mark unlocked and takes it for a dead one.
    const QByteArray temporary = QFile::encodeName(path_ + QStringLiteral(".new"));
    const int fd = ::open(temporary.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0
        || ::rename(temporary.constData(), QFile::encodeName(path_).constData()) != 0) {
        ::close(fd);
        ::unlink(temporary.constData());
        return;
    }
    fd_ = fd;
}

JournalOwnerLock::~JournalOwnerLock()
{
    if (fd_ < 0)
        return;
    ::unlink(QFile::encodeName(path_).constData());
    ::close(fd_);
}

bool JournalOwnerLock::isRunning(const QString& folder, const QString& token)
{
    if (token.isEmpty())
        return false;
    const QByteArray path = QFile::encodeName(markPath(folder, token));
    const int fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false; // no mark: the program never got as far, or ended cleanly
    const bool running = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    if (!running)
        ::unlink(path.constData());
    ::close(fd);
    return running;
}

QString JournalOwnerLock::folderFor(const QString& journalPath)
{
    return QFileInfo(journalPath).absolutePath() + QStringLiteral("/journal-owners");
}
