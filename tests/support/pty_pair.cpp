#include "pty_pair.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace testsupport {

PtyPair::PtyPair()
{
    char name[256] = {};
    termios raw {};
    ::cfmakeraw(&raw);
    if (::openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
        master_ = slave_ = -1;
        return;
    }
    path_ = QString::fromLocal8Bit(name);
    // The device side stays open here too until the driver opens it, so the
    // pair does not hang up between the test's steps.
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyPair::~PtyPair()
{
    closeMaster();
    if (slave_ >= 0)
        ::close(slave_);
}

bool PtyPair::write(const QByteArray& bytes)
{
    qsizetype done = 0;
    int idle = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            idle = 0;
        } else if (n < 0 && errno == EAGAIN && ++idle < 200) {
            ::usleep(1000);
        } else {
            return false;
        }
    }
    return true;
}

QByteArray PtyPair::read(int ms)
{
    QByteArray out;
    pollfd p { master_, POLLIN, 0 };
    if (::poll(&p, 1, ms) <= 0)
        return out;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(master_, buf, sizeof buf)) > 0)
        out.append(buf, n);
    return out;
}

termios PtyPair::deviceSettings() const
{
    termios t {};
    ::tcgetattr(slave_, &t);
    return t;
}

void PtyPair::closeMaster()
{
    if (master_ >= 0)
        ::close(master_);
    master_ = -1;
}

} // namespace testsupport
