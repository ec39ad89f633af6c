#include "meter_sim_process.h"

#include "test_paths.h"

namespace testsupport {

MeterSimProcess::MeterSimProcess(const QStringList& arguments)
{
    process_.start(binDir() + QStringLiteral("/metersim"), arguments);
    if (!process_.waitForStarted(5000))
        return;
    while (!process_.canReadLine() && process_.waitForReadyRead(5000)) { }
    path_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
}

MeterSimProcess::~MeterSimProcess()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(2000)) {
            process_.kill();
            process_.waitForFinished(2000);
        }
    }
}

QString MeterSimProcess::errors()
{
    return QString::fromLocal8Bit(process_.readAllStandardError());
}

} // namespace testsupport
