#include "link/com_port_device_map.h"

#include <QtGlobal>

ComPortDeviceMap::ComPortDeviceMap()
    : lookup_([](const QString& name) { return qEnvironmentVariable(name.toLatin1().constData()); })
{
}

ComPortDeviceMap::ComPortDeviceMap(Lookup lookup)
    : lookup_(std::move(lookup))
{
}

QString ComPortDeviceMap::devicePath(TComPortNumber port) const
{
    const int n = static_cast<int>(port) + 1;
    const QString overridden = lookup_ ? lookup_(QStringLiteral("BRENMOOR_COM%1").arg(n)) : QString();
    if (!overridden.trimmed().isEmpty())
        return overridden.trimmed();
    return QStringLiteral("/dev/ttyS%1").arg(n - 1);
}
