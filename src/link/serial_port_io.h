#pragma once

#include "link/com_port_types.h"
#include "link/serial_open_error.h"

#include <QString>

#include <functional>

/**
 * What the serial driver needs from the operating system. The driver holds
 * the logic (state, settings rules, poll timing); an implementation of this
 * interface only talks to the device, so the driver can be tested against a
 * fake as well as against a real pseudo-terminal.
 */
class SerialPortIo {
public:
    /** Outcome of one read. */
    enum class ReadStatus {
        Data, ///< at least one byte was read
        Empty, ///< nothing queued, or a transient failure: try again at the next tick
        Lost ///< the device is gone (unplugged, other end closed): further reads are pointless
    };

    virtual ~SerialPortIo() = default;

    /** Opens the device exclusively for reading and writing; false when it cannot be opened. */
    virtual bool open(const QString& devicePath) = 0;
    /** Why the last open() failed; Kind::None after a successful one. */
    virtual SerialOpenError openError() const { return {}; }
    /** Closes the device if open. */
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    /** Sends line settings to the open device. Failures of single settings are not reported. */
    virtual void applySettings(const ComLineSettings& settings) = 0;
    /** Discards what is pending in the input and/or output queue. */
    virtual void purge(bool input, bool output) = 0;
    /** Sizes of the queues the device keeps for the driver. */
    virtual void setQueueSizes(int inputBytes, int outputBytes) = 0;
    /** Reads without waiting what is queued, up to @p maxBytes; @p got receives the count. */
    virtual ReadStatus read(char* buffer, qint64 maxBytes, qint64& got) = 0;
    /**
     * Called at most once per open when the device reports that it is gone
     * outside a read (for example from an event notification).
     */
    virtual void setLostHandler(std::function<void()> handler) = 0;
};
