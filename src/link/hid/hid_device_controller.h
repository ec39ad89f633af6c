#pragma once

#include "link/hid/hid_handler.h"
#include "link/hid/hid_platform.h"
#include "link/hid/hid_pnp_info.h"

#include <QString>

#include <memory>
#include <vector>

class THidDevice;

/**
 * Finds the HID interfaces present, keeps one device object per interface,
 * follows devices coming and going, and hands devices out to claimants.
 * Only one controller may exist at a time. Everything runs on the UI thread.
 *
 * The controller owns the devices nobody has claimed. A claimed device
 * belongs to its claimant, who releases it by destroying it; the interface
 * then comes back to the controller as a fresh, unclaimed object.
 */
class THidDeviceController {
public:
    /**
     * Scans the present devices and starts following device changes.
     * Throws EControllerError "Only one THidDeviceController allowed per program"
     * when another controller exists.
     */
    explicit THidDeviceController(HidPlatform& platform);
    ~THidDeviceController();

    THidDeviceController(const THidDeviceController&) = delete;
    THidDeviceController& operator=(const THidDeviceController&) = delete;

    /** Rescans; reports removals (last to first), arrivals, then the change. */
    void DeviceChange();
    /** Calls OnEnumerate for each present device in list order; returns how many were visited. */
    int EnumerateDevices();
    /** Claims the device at @p Idx; nothing when out of range or already claimed. */
    std::unique_ptr<THidDevice> ClaimByIndex(int Idx);

    int DevThreadSleepTime() const { return devThreadSleepTime_; }
    void SetDevThreadSleepTime(int value);
    QString Version() const { return QStringLiteral("1.0.22"); }

    void SetOnArrival(const THidPlugEvent& handler) { onArrival_ = handler; }
    void SetOnRemoval(const THidPlugEvent& handler) { onRemoval_ = handler; }
    void SetOnEnumerate(const THidEnumerateEvent& handler) { onEnumerate_ = handler; }
    /** The first assignment of a handler reports a change at once. */
    void SetOnDeviceChange(const THidNotifyEvent& handler);
    void SetOnDeviceData(const THidDataEvent& handler);
    void SetOnDeviceDataError(const THidDataErrorEvent& handler);
    void SetOnDeviceUnplug(const THidPlugEvent& handler);
    const THidDataEvent& OnDeviceData() const { return onDeviceData_; }
    const THidDataErrorEvent& OnDeviceDataError() const { return onDeviceDataError_; }
    const THidPlugEvent& OnDeviceUnplug() const { return onDeviceUnplug_; }

    /** Every known interface in scan order, arrivals appended. */
    std::vector<THidDevice*> Devices() const;
    int DeviceCount() const { return int(devices_.size()); }
    int FreeCount() const { return freeCount_; }
    int ClaimedCount() const { return claimedCount_; }
    int UnpluggedCount() const { return unpluggedCount_; }

private:
    friend class THidDevice;

    /** A listed device; the controller owns it while nobody has claimed it. */
    struct Slot {
        THidDevice* device = nullptr;
        std::unique_ptr<THidDevice> owned;
    };

    std::vector<std::unique_ptr<THidDevice>> ScanDevices();
    /** Called by a device being destroyed: puts a fresh object in its slot, or drops the slot. */
    void takeBack(THidDevice* released, const THidDataEvent& reportHandler,
        const THidPlugEvent& unplugHandler, int pollInterval, std::unique_ptr<THidPnPInfo> pnp);
    void recount();

    HidPlatform& platform_;
    std::vector<Slot> devices_;
    int freeCount_ = 0;
    int claimedCount_ = 0;
    int unpluggedCount_ = 0;
    bool changeReported_ = false;
    int devThreadSleepTime_ = 100;

    THidPlugEvent onArrival_;
    THidPlugEvent onRemoval_;
    THidEnumerateEvent onEnumerate_;
    THidNotifyEvent onDeviceChange_;
    THidDataEvent onDeviceData_;
    THidDataErrorEvent onDeviceDataError_;
    THidPlugEvent onDeviceUnplug_;

    std::unique_ptr<HidChangeWatch> changeWatch_;
};
