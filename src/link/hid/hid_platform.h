#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

/** One HID interface found by an enumeration. */
struct HidInterfaceRecord {
    std::string path; ///< device node the handles are opened on; empty when its details could not be read
    std::string instanceId; ///< identity of the device instance, stable while it stays plugged in
};

/** Vendor id, product id and version number of a HID interface. */
struct HidIdentity {
    uint16_t VendorID = 0;
    uint16_t ProductID = 0;
    uint16_t VersionNumber = 0;
};

/** How a handle is opened. */
enum class HidAccess {
    ReadWrite, ///< identification, strings, descriptor and feature reports
    Query, ///< identification, strings and descriptor only
    Read, ///< input reports
};

/** Error code of a read on a device that is gone or was never opened. */
constexpr uint32_t HidErrorNoDevice = 19;

/** Outcome of one wait for an input report. */
struct HidReadResult {
    enum Status { Completed, TimedOut, Cancelled, Failed };
    Status status = TimedOut;
    std::size_t bytes = 0; ///< bytes stored when Completed, report id byte included
    uint32_t error = 0; ///< platform error code when Failed
};

/**
 * An open HID interface. Destroying it closes it. Every operation but
 * cancel() is called by one thread at a time; cancel() may be called from any
 * thread while another one waits in read().
 */
class HidPlatformHandle {
public:
    virtual ~HidPlatformHandle() = default;

    virtual bool getAttributes(HidIdentity& identity) = 0;
    /** Product string, at most 254 UTF-16 units, without terminator. */
    virtual bool getProductString(std::u16string& text) = 0;
    /** Serial number string, at most 254 UTF-16 units, without terminator. */
    virtual bool getSerialNumberString(std::u16string& text) = 0;
    /**
     * String descriptor @p index written into @p buffer of @p units UTF-16
     * units; units the device does not fill are left as they are.
     */
    virtual bool getIndexedString(int index, char16_t* buffer, std::size_t units) = 0;
    /** The raw report descriptor. */
    virtual bool getReportDescriptor(std::vector<uint8_t>& descriptor) = 0;
    /**
     * Sends a feature report; @p data starts with the report id. On failure
     * @p error receives the platform error code.
     */
    virtual bool setFeature(const uint8_t* data, std::size_t size, uint32_t& error) = 0;
    /**
     * Waits at most @p timeoutMs for one input report and stores it in
     * @p buffer, always with the report id first (0 for devices that do not
     * number their reports).
     */
    virtual HidReadResult read(uint8_t* buffer, std::size_t size, int timeoutMs) = 0;
    /** Makes a read() in progress, or else the next one, return Cancelled. */
    virtual void cancel() = 0;
};

/** Keeps the device-change notification alive; destroying it stops it. */
class HidChangeWatch {
public:
    virtual ~HidChangeWatch() = default;
};

/**
 * The operating system's HID services as the devices and the controller use
 * them. All calls except those on read handles happen on the UI thread.
 */
class HidPlatform {
public:
    virtual ~HidPlatform() = default;

    /** The HID interfaces present now, in a stable order. */
    virtual std::vector<HidInterfaceRecord> enumerateInterfaces() = 0;
    /**
     * Opens the interface of @p record; returns nothing on failure and sets
     * @p error to the platform error code. A path that now belongs to
     * another device instance than @p record names (the node was reused after
     * an unplug) fails with HidErrorNoDevice. May be called from a read
     * thread (Read access).
     */
    virtual std::unique_ptr<HidPlatformHandle> open(
        const HidInterfaceRecord& record, HidAccess access, uint32_t& error)
        = 0;
    /**
     * Calls @p onChange on the UI thread whenever HID interfaces came or went.
     * Returns nothing when the platform cannot notify.
     */
    virtual std::unique_ptr<HidChangeWatch> watchChanges(std::function<void()> onChange) = 0;
    /** Readable text for a platform error code. */
    virtual std::string errorText(uint32_t error) = 0;
};
