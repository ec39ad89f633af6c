#pragma once

#include "link/hid/hid_platform.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

/**
 * What sysfs tells about one hidraw node: identity, strings, report
 * descriptor and the instance name of its HID device. Read from plain files,
 * so any folder laid out like sysfs will do.
 */
struct HidSysfsInfo {
    std::string instanceId; ///< name of the HID device folder, e.g. "0003:1A86:E008.0005"
    HidIdentity identity;
    std::optional<std::string> product; ///< UTF-8
    std::optional<std::string> serial; ///< UTF-8
    std::vector<uint8_t> reportDescriptor;

    /**
     * Reads the node whose class folder is @p hidrawDir (e.g.
     * /sys/class/hidraw/hidraw0). Nothing when the folder or its HID device
     * cannot be read.
     */
    static std::optional<HidSysfsInfo> read(const std::string& hidrawDir);

    /** KEY=VALUE lines of a uevent file. */
    static std::map<std::string, std::string> parseUevent(const std::string& text);
    /** "BBBB:VVVVVVVV:PPPPPPPP" of HID_ID into bus, vendor and product ids; false when malformed. */
    static bool parseHidId(const std::string& text, uint16_t& vendorId, uint16_t& productId);
    static bool parseHidId(const std::string& text, uint16_t& bus, uint16_t& vendorId, uint16_t& productId);

    /** Bus number of HID devices on USB, as HID_ID gives it. */
    static constexpr uint16_t BusUsb = 0x0003;
};
