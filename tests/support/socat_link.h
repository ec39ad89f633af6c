#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

namespace testsupport {

/**
 * A serial line made by socat: two linked pseudo-terminals behind fixed
 * symlinks, "<folder>/ttyMeter" for the program and "<folder>/meter" for the
 * test, which plays the meter. Stopping socat unplugs the line: the
 * pseudo-terminals go and the symlinks are removed; starting it again in
 * the same folder plugs it back in under the same name.
 */
class SocatLink {
public:
    explicit SocatLink(QString folder);
    ~SocatLink();
    SocatLink(const SocatLink&) = delete;
    SocatLink& operator=(const SocatLink&) = delete;

    /** Whether socat is installed; tests skip with a reason when it is not. */
    static bool available();

    /** Starts socat and waits until both symlinks are there; false when it could not. */
    bool start();
    /** Stops socat and makes sure both symlinks are gone. */
    void stop();
    bool running() const;

    /** The symlink the program opens. */
    QString devicePath() const;
    /** Writes @p bytes on the meter's side. */
    bool write(const QByteArray& bytes);

private:
    void closeMeter();

    QString folder_;
    QProcess process_;
    int meter_ = -1;
};

} // namespace testsupport
