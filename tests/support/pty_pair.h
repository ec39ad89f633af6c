#pragma once

#include <QByteArray>
#include <QString>

#include <termios.h>

namespace testsupport {

/**
 * A pseudo-terminal pair for serial tests: the driver opens the device side
 * (devicePath()), the test plays the meter on the controlling side.
 */
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool isValid() const { return master_ >= 0; }
    /** Path of the device side, e.g. /dev/pts/7. */
    QString devicePath() const { return path_; }
    /** Writes all of @p bytes to the meter side; false on failure. */
    bool write(const QByteArray& bytes);
    /** Reads what the device side has sent, waiting up to @p ms for the first byte. */
    QByteArray read(int ms = 0);
    /** Line settings of the device side as the driver left them. */
    termios deviceSettings() const;
    /** Closes the meter side, as when the meter's cable is pulled. */
    void closeMaster();

private:
    int master_ = -1;
    int slave_ = -1;
    QString path_;
};

} // namespace testsupport
