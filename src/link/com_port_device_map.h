#pragma once

#include "link/com_port_types.h"

#include <QString>

#include <functional>

/**
 * Device path behind each of COM1 to COM4. COMn is /dev/ttyS<n-1> unless the
 * environment variable BRENMOOR_COM<n> names another device, such as
 * /dev/ttyUSB0 or the pseudo-terminal of the meter simulator.
 */
class ComPortDeviceMap {
public:
    /** Reads a variable by name; empty when unset. */
    using Lookup = std::function<QString(const QString& name)>;

    /** Map over the process environment. */
    ComPortDeviceMap();
    /** Map over another source of variables (tests). */
    explicit ComPortDeviceMap(Lookup lookup);

    /** Device path for @p port, resolved at each call so a changed variable takes effect at the next open. */
    QString devicePath(TComPortNumber port) const;

private:
    Lookup lookup_;
};
