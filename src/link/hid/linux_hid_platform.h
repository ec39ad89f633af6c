#pragma once

#include "link/hid/hid_platform.h"

/**
 * The HID platform on Linux: hidraw nodes for I/O, sysfs for identity,
 * strings and descriptors, libudev for enumeration and hot-plug.
 */
class LinuxHidPlatform : public HidPlatform {
public:
    /** @p sysfsRoot is where sysfs is mounted; tests point it at a fixture folder. */
    explicit LinuxHidPlatform(std::string sysfsRoot = "/sys");

    std::vector<HidInterfaceRecord> enumerateInterfaces() override;
    /**
     * Checks against sysfs that the node still belongs to the record's
     * device instance, before opening it and again on the open descriptor.
     */
    std::unique_ptr<HidPlatformHandle> open(
        const HidInterfaceRecord& record, HidAccess access, uint32_t& error) override;
    std::unique_ptr<HidChangeWatch> watchChanges(std::function<void()> onChange) override;
    std::string errorText(uint32_t error) override;

    /** The class folder of a hidraw node, e.g. /dev/hidraw3 -> <sysfs>/class/hidraw/hidraw3. */
    std::string classDirOf(const std::string& devicePath) const;

private:
    const std::string sysfsRoot_;
};
