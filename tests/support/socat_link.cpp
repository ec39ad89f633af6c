#include "support/socat_link.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace testsupport {

SocatLink::SocatLink(QString folder)
    : folder_(std::move(folder))
{
}

SocatLink::~SocatLink()
{
    stop();
}

bool SocatLink::available()
{
    return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty();
}

QString SocatLink::devicePath() const
{
    return folder_ + QStringLiteral("/ttyMeter");
}

bool SocatLink::start()
{
    if (running())
        return true;
    const QString meter = folder_ + QStringLiteral("/meter");
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("socat"),
        { QStringLiteral("pty,rawer,echo=0,link=%1").arg(meter),
            QStringLiteral("pty,rawer,echo=0,link=%1").arg(devicePath()) });
    if (!process_.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(5000);
    while (!(QFileInfo::exists(meter) && QFileInfo::exists(devicePath())) && !deadline.hasExpired())
        QThread::msleep(5);
    if (!QFileInfo::exists(devicePath()))
        return false;
    meter_ = ::open(QFile::encodeName(meter).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    return meter_ >= 0;
}

void SocatLink::closeMeter()
{
    if (meter_ >= 0)
        ::close(meter_);
    meter_ = -1;
}

void SocatLink::stop()
{
    closeMeter();
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    QFile::remove(folder_ + QStringLiteral("/meter"));
    QFile::remove(devicePath());
}

bool SocatLink::running() const
{
    return process_.state() == QProcess::Running;
}

bool SocatLink::write(const QByteArray& bytes)
{
    if (meter_ < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(meter_, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0)
            done += n;
        else if (!(n < 0 && errno == EINTR))
            return false;
    }
    return true;
}

} // namespace testsupport
