#pragma once

#include "link/hid/hid_platform.h"
#include "link/hid/hid_sysfs_info.h"

/**
 * An open hidraw node. Identity, strings and the report descriptor come from
 * sysfs, so a handle with query access needs no device node at all; feature
 * reports and input reports go through the node.
 *
 * read() takes one report per call: reports of devices that do not number
 * them get a 0 put in front; reports still queued when the device goes away
 * are read first, and then the end of the stream reads as the device gone.
 */
class LinuxHidHandle : public HidPlatformHandle {
public:
    /** @p fd may be -1 (query access); the handle owns it. */
    LinuxHidHandle(HidSysfsInfo info, int fd);
    ~LinuxHidHandle() override;

    LinuxHidHandle(const LinuxHidHandle&) = delete;
    LinuxHidHandle& operator=(const LinuxHidHandle&) = delete;

    bool getAttributes(HidIdentity& identity) override;
    bool getProductString(std::u16string& text) override;
    bool getSerialNumberString(std::u16string& text) override;
    bool getIndexedString(int index, char16_t* buffer, std::size_t units) override;
    bool getReportDescriptor(std::vector<uint8_t>& descriptor) override;
    bool setFeature(const uint8_t* data, std::size_t size, uint32_t& error) override;
    HidReadResult read(uint8_t* buffer, std::size_t size, int timeoutMs) override;
    void cancel() override;

private:
    HidSysfsInfo info_;
    bool numbered_;
    int fd_;
    int cancelFd_; ///< eventfd that ends a wait in read()
};
