#include "link/serial_open_error.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString groupName(gid_t gid)
{
    if (const group* g = ::getgrgid(gid))
        return QString::fromLocal8Bit(g->gr_name);
    return QString::number(gid);
}

QString systemError(int code)
{
    return QString::fromLocal8Bit(std::strerror(code));
}

// The command name of a process, from its comm file; empty when it is gone.
QString commandOf(const QString& procDir)
{
    QFile comm(procDir + QStringLiteral("/comm"));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(comm.readAll()).trimmed();
}

} // namespace

QString SerialOpenError::reason() const
{
    switch (kind) {
    case Kind::None:
        return {};
    case Kind::NotFound:
        return QStringLiteral("the device was not found");
    case Kind::PermissionDenied:
        return QStringLiteral("permission denied");
    case Kind::InUse:
        return QStringLiteral("the device is in use by another program");
    case Kind::NotSerialDevice:
        return QStringLiteral("it is not a serial device");
    case Kind::Other:
        break;
    }
    return systemText.isEmpty() ? QStringLiteral("the system gave no reason") : systemText;
}

QString SerialOpenError::message(Advice advice) const
{
    if (kind == Kind::None)
        return {};
    // Where the user picks another port: the window's menu, or the logger's option.
    const QString choose = advice == Advice::Window
        ? QStringLiteral("choose another port in the ComSetup menu")
        : QStringLiteral("give another --port");
    QString text = QStringLiteral("Cannot open the serial port %1: %2").arg(devicePath, reason());
    switch (kind) {
    case Kind::NotFound:
        text += QStringLiteral(".\nCheck that the meter's cable is plugged in, or %1.").arg(choose);
        break;
    case Kind::PermissionDenied:
        text += QStringLiteral(".\nThe device belongs to the group %1: add your user to the group %1 and log "
                               "in again.")
                    .arg(group);
        break;
    case Kind::InUse:
        if (!processes.isEmpty())
            text += QStringLiteral(" (%1)").arg(processes.join(QStringLiteral(", ")));
        text += QStringLiteral(".\nClose the other program, or %1.").arg(choose);
        break;
    case Kind::NotSerialDevice:
        if (!detail.isEmpty())
            text += QStringLiteral(" (%1)").arg(detail);
        text += advice == Advice::Window ? QStringLiteral(".\nChoose the meter's port in the ComSetup menu.")
                                         : QStringLiteral(".\nGive the meter's port with --port.");
        break;
    case Kind::None:
    case Kind::Other:
        text += QLatin1Char('.');
        break;
    }
    return text;
}

QStringList SerialOpenError::processesHolding(unsigned long deviceNumber, const QString& procRoot)
{
    QStringList holders;
    const QDir proc(procRoot);
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool numeric = false;
        pid.toInt(&numeric);
        if (!numeric)
            continue;
        const QString procDir = proc.filePath(pid);
        const QDir fds(procDir + QStringLiteral("/fd"));
        // Other users' processes are not readable: /proc then tells nothing.
        for (const QString& fd : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            struct stat st { };
            if (::stat(QFile::encodeName(fds.filePath(fd)).constData(), &st) == 0 && S_ISCHR(st.st_mode)
                && st.st_rdev == deviceNumber) {
                holders << QStringLiteral("%1 (pid %2)").arg(commandOf(procDir), pid);
                break;
            }
        }
    }
    return holders;
}

SerialOpenError SerialOpenError::diagnose(const QString& devicePath, const QString& systemText)
{
    SerialOpenError e;
    e.devicePath = devicePath;
    e.systemText = systemText;
    const QByteArray path = QFile::encodeName(devicePath);

    struct stat st { };
    if (devicePath.isEmpty() || ::stat(path.constData(), &st) != 0) {
        e.kind = Kind::NotFound;
        if (!devicePath.isEmpty() && errno != ENOENT && errno != ENOTDIR) {
            e.kind = errno == EACCES ? Kind::PermissionDenied : Kind::Other;
            e.systemText = systemError(errno);
        }
        return e;
    }
    if (!S_ISCHR(st.st_mode)) {
        e.kind = Kind::NotSerialDevice;
        e.detail = S_ISDIR(st.st_mode) ? QStringLiteral("a folder") : QStringLiteral("not a device");
        return e;
    }
    e.group = groupName(st.st_gid);

    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const int openErrno = fd < 0 ? errno : 0;
    int ttyErrno = 0;
    if (fd >= 0) {
        termios tio {};
        if (::tcgetattr(fd, &tio) != 0)
            ttyErrno = errno;
        ::close(fd);
    }

    switch (openErrno) {
    case 0:
    case EBUSY:
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        e.kind = Kind::PermissionDenied;
        e.systemText = systemError(openErrno);
        return e;
    case ENOENT:
        e.kind = Kind::NotFound;
        return e;
    case ENXIO:
    case ENODEV:
    case EIO:
        // The node exists but no port is behind it, such as /dev/ttyS0 on a
        // computer without that UART.
        e.kind = Kind::NotSerialDevice;
        e.detail = QStringLiteral("no serial port answers at it: %1").arg(systemError(openErrno));
        return e;
    default:
        e.kind = Kind::Other;
        e.systemText = systemError(openErrno);
        return e;
    }

    if (openErrno == 0 && ttyErrno != 0) {
        e.kind = Kind::NotSerialDevice;
        e.detail = ttyErrno == ENOTTY
            ? QStringLiteral("a device, but not a terminal")
            : QStringLiteral("no serial port answers at it: %1").arg(systemError(ttyErrno));
        return e;
    }
    // A terminal that opens for us, or one that is held exclusively: whoever
    // has it open is what stood in the way.
    e.processes = processesHolding(st.st_rdev);
    if (openErrno == EBUSY || !e.processes.isEmpty()) {
        e.kind = Kind::InUse;
        return e;
    }
    e.kind = Kind::Other;
    if (e.systemText.isEmpty())
        e.systemText = QStringLiteral("the port could not be opened");
    return e;
}
