#include "metersim/meter_line.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace metersim {

namespace {

speed_t speedConstant(int baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    default:
        return B0;
    }
}

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

MeterLine::MeterLine(int fd, QString path, bool pty)
    : fd_(fd)
    , path_(std::move(path))
    , pty_(pty)
{
}

MeterLine::~MeterLine()
{
    ::close(fd_);
}

std::unique_ptr<MeterLine> MeterLine::createPty(QString* error)
{
    int master = -1;
    int slave = -1;
    char name[256] = {};
    termios raw {};
    ::cfmakeraw(&raw);
    if (::openpty(&master, &slave, name, &raw, nullptr) != 0) {
        *error = QStringLiteral("cannot create a pseudo-terminal: %1").arg(systemError());
        return nullptr;
    }
    // Only the program holds the device side, so it is clear when nobody listens.
    ::close(slave);
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    return std::unique_ptr<MeterLine>(new MeterLine(master, QString::fromLocal8Bit(name), true));
}

std::unique_ptr<MeterLine> MeterLine::openDevice(const QString& path, int baud, QString* error)
{
    const speed_t speed = speedConstant(baud);
    if (speed == B0) {
        *error = QStringLiteral("unsupported speed %1 (1200..38400)").arg(baud);
        return nullptr;
    }
    const int fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, systemError());
        return nullptr;
    }
    termios t {};
    if (::tcgetattr(fd, &t) == 0) {
        ::cfmakeraw(&t);
        t.c_cflag |= CLOCAL | CREAD;
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
        ::tcsetattr(fd, TCSANOW, &t);
    }
    return std::unique_ptr<MeterLine>(new MeterLine(fd, path, false));
}

bool MeterLine::readerPresent() const
{
    if (!pty_)
        return true;
    pollfd p { fd_, POLLOUT, 0 };
    return ::poll(&p, 1, 0) >= 0 && !(p.revents & POLLHUP);
}

bool MeterLine::send(const QByteArray& bytes)
{
    const ssize_t n = ::write(fd_, bytes.constData(), size_t(bytes.size()));
    return n == bytes.size();
}

} // namespace metersim
