#pragma once

#include "link/hid/hid_platform.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

/** A scripted HID device of the fake platform. */
struct FakeHidDeviceSpec {
    enum Access { Full, QueryOnly, None };

    std::string path = "/dev/hidraw0";
    std::string instanceId = "0003:1A86:E008.0001";
    HidIdentity identity { 0x1A86, 0xE008, 0x0100 };
    bool hasProduct = true;
    std::u16string product = u"USB to Serial";
    bool hasSerial = false;
    std::u16string serial;
    std::u16string languageList = u"\u0409"; ///< what string descriptor 0 writes
    std::vector<uint8_t> descriptor; ///< empty: made from inputReportLength and numbered
    int inputReportLength = 9; ///< report id byte included
    bool numbered = false;
    Access access = Full;
    bool attributesFail = false;
    bool featureFails = false;
    uint32_t featureError = 32; ///< error code of a failing feature report (broken pipe)
    bool detailFails = false; ///< enumerated without a path
};

/**
 * A HID platform whose devices tests plug, unplug and feed with input
 * reports. Device-change notifications are delivered when the test calls
 * notifyChange(). Read handles may be used from reader threads.
 *
 * As with hidraw, each handle open for reading has a queue of its own: a
 * report reaches the handles open at the time it comes, and one that comes
 * while no handle is open is lost - except before the first handle of a
 * device opens, so a test need not wait for a reader thread to get going.
 */
class FakeHidPlatform : public HidPlatform {
public:
    FakeHidPlatform();
    ~FakeHidPlatform() override;

    /**
     * Adds a device, or replaces the one at the same path: without
     * notifyChange() that is a node reused before the program heard of it.
     */
    void plug(const FakeHidDeviceSpec& setup);
    /** Takes the device away: its reads fail and it is no longer enumerated. */
    void unplug(const std::string& path);

    /** Changes how the device at @p path opens from now on. */
    void setAccess(const std::string& path, FakeHidDeviceSpec::Access access);
    /** Runs the device-change callback, as a hot-plug notification would. */
    void notifyChange();
    /** Queues an input report (report id first) for the device's readers. */
    void pushReport(const std::string& path, std::vector<uint8_t> report);
    /** Handles open for reading on the device now. */
    int readHandles(const std::string& path) const;
    /** Reports that came while no handle was open for reading, and were lost. */
    int reportsLost(const std::string& path) const;
    /** Makes opening the device for reading fail with @p error (0: succeed again). */
    void failReadOpen(const std::string& path, uint32_t error);

    /** Feature reports sent to the device, in order. */
    std::vector<std::vector<uint8_t>> features(const std::string& path) const;
    /** Reports taken by readers so far. */
    int reportsTaken(const std::string& path) const;
    /** Handles open now, over all devices. */
    int openHandles() const;
    /** Whether a device-change callback is installed. */
    bool watching() const;

    /** A report descriptor with one input report of @p length bytes (id included). */
    static std::vector<uint8_t> descriptorFor(int length, bool numbered);

    std::vector<HidInterfaceRecord> enumerateInterfaces() override;
    std::unique_ptr<HidPlatformHandle> open(
        const HidInterfaceRecord& record, HidAccess access, uint32_t& error) override;
    std::unique_ptr<HidChangeWatch> watchChanges(std::function<void()> onChange) override;
    std::string errorText(uint32_t error) override;

    struct DeviceState;

private:
    class Handle;
    class Watch;

    std::shared_ptr<DeviceState> find(const std::string& path) const;

    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<DeviceState>> devices_; // present ones, in enumeration order
    std::function<void()> onChange_;
    std::shared_ptr<int> openHandles_;
};

namespace testsupport {

/** Runs the UI thread's events until @p done holds or @p timeoutMs passed; returns @p done(). */
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 3000);
/** Runs the UI thread's events for @p ms milliseconds. */
void runEventsFor(int ms);

} // namespace testsupport
