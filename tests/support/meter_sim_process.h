#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testsupport {

/**
 * The meter simulator (build/bin/metersim) running on a pseudo-terminal of
 * its own for the length of a test; stopped when the object goes.
 */
class MeterSimProcess {
public:
    /** Starts metersim with @p arguments and waits for the device path it prints. */
    explicit MeterSimProcess(const QStringList& arguments);
    ~MeterSimProcess();

    /** Device path to open; empty when the simulator did not start. */
    QString devicePath() const { return path_; }
    /** Standard error so far, for failure messages. */
    QString errors();

private:
    QProcess process_;
    QString path_;
};

} // namespace testsupport
