#pragma once

#include "link/hid/hid_handler.h"
#include "link/hid/hid_platform.h"
#include "link/hid/hid_pnp_info.h"
#include "link/hid/hid_report_descriptor.h"

#include <QObject>
#include <QString>

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class THidDeviceController;
class THidDeviceReadThread;

/**
 * One HID interface present on the computer: its identity, its product and
 * serial texts, feature reports, and - once claimed and given a report
 * handler - a read thread that hands every input report to the UI thread.
 *
 * All public operations belong to the UI thread. The read thread reaches the
 * device only through the few guarded operations its class is a friend for.
 */
class THidDevice {
public:
    /**
     * Opens and identifies the interface of @p pnp. Throws EControllerError
     * "device cannot be opened" or "device cannot be identified".
     */
    THidDevice(std::unique_ptr<THidPnPInfo> pnp, THidDeviceController* owner, HidPlatform& platform,
        const THidDataEvent& reportHandler, const THidPlugEvent& unplugHandler);
    /** Stops the reader, closes the handles and returns the interface to the controller. */
    ~THidDevice();

    THidDevice(const THidDevice&) = delete;
    THidDevice& operator=(const THidDevice&) = delete;

    /** Vendor id, product id and version number, read at creation. */
    const HidIdentity& Identity() const { return identity_; }
    /** Product string, fetched once and kept; empty when it could not be read. */
    QString ProductText();
    /** Serial number string, fetched once and kept; empty when the device has none. */
    QString SerialText();
    /** Whether the last opening succeeded with read and write access. */
    bool FullAccess() const { return fullAccess_; }
    /** Platform error code of the last opening for reading and writing that failed; 0 after success. */
    uint32_t AccessError() const { return accessError_; }

    bool Present() const;
    bool Claimed() const;
    bool InEvent() const;
    /** Present, and claimed or inside a controller event about it. */
    bool Accessible() const;

    /** Sends @p data (report id first) as a feature report. */
    bool SendFeatureReport(const uint8_t* data, std::size_t size);
    /** Platform error code of the last SendFeatureReport that failed; 0 after success. */
    uint32_t FeatureError() const { return featureError_; }

    /** Replaces the report handler; an empty one stops the reader first. */
    void SetReportHandler(const THidDataEvent& handler);
    const THidDataEvent& ReportHandler() const { return reportHandler_; }
    void SetReadErrorHandler(const THidDataErrorEvent& handler) { readErrorHandler_ = handler; }
    const THidDataErrorEvent& ReadErrorHandler() const { return readErrorHandler_; }
    void SetUnplugHandler(const THidPlugEvent& handler) { unplugHandler_ = handler; }
    const THidPlugEvent& UnplugHandler() const { return unplugHandler_; }

    /** Milliseconds of each wait slice of the reader; only 10 to 10000 are taken. */
    void SetPollInterval(int milliseconds);
    int PollInterval() const;

    /** Starts the reader when a handler is set and the device is present, claimed and fully accessible. */
    void StartReader();
    /**
     * Stops the reader and returns once it has ended. The read handle is
     * closed with it, so reports that come while nobody reads are never
     * taken for current ones by the next reader.
     */
    void StopReader();
    bool HasReader() const { return reader_ != nullptr; }

    /** Closes both handles, marks the device gone and tells its unplug handler once. */
    void MarkUnplugged();

    /** Input report length (report id included) and numbering, from the report descriptor. */
    HidReportCaps DeviceCaps();

    const THidPnPInfo* PnPRecord() const { return pnp_.get(); }
    THidDeviceController* OwnerController() const { return owner_; }

private:
    friend class THidDeviceController;
    friend class THidDeviceReadThread;

    void setClaimed(bool claimed);
    void setInEvent(bool inEvent);
    void setOwnerController(THidDeviceController* owner) { owner_ = owner; }
    std::unique_ptr<THidPnPInfo> takePnPRecord() { return std::move(pnp_); }

    bool OpenControlHandle();
    void CloseControlHandle();
    void CloseIoHandle();
    bool openControl(HidAccess access);
    void fetchDescriptor();

    /** Reader side: the read handle, opened on first use; nothing when the device is not accessible. */
    std::shared_ptr<HidPlatformHandle> BeginRead(uint32_t& error);
    /** Reader side: whether @p handle is still the device's read handle. */
    bool stillReading(const std::shared_ptr<HidPlatformHandle>& handle) const;
    /** The object on the UI thread that runs the reader's hand-overs. */
    QObject* handOverContext() { return &handOverContext_; }

    HidPlatform& platform_;
    THidDeviceController* owner_;
    std::unique_ptr<THidPnPInfo> pnp_;
    HidIdentity identity_;
    QString productText_;
    QString serialText_;
    std::optional<std::vector<uint8_t>> descriptorData_;
    bool fullAccess_ = false;
    uint32_t accessError_ = 0;
    uint32_t featureError_ = 0;
    std::unique_ptr<HidPlatformHandle> controlHandle_;

    THidDataEvent reportHandler_;
    THidDataErrorEvent readErrorHandler_;
    THidPlugEvent unplugHandler_;

    // Shared with the reader: only under ioMutex_.
    mutable std::mutex ioMutex_;
    bool present_ = true;
    bool claimed_ = false;
    bool inEvent_ = false;
    int pollInterval_ = 100;
    std::shared_ptr<HidPlatformHandle> readHandle_;

    QObject handOverContext_;
    std::unique_ptr<THidDeviceReadThread> reader_;
};
