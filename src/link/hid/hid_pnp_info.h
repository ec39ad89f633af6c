#pragma once

#include <string>

/** The plug-and-play record of one HID interface. */
struct THidPnPInfo {
    std::string InterfacePath; ///< every handle of the device is opened on it
    std::string InstanceId; ///< identity by which two scans are matched
};
