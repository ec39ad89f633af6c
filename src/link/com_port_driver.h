#pragma once

#include "link/com_port_device_map.h"
#include "link/com_port_types.h"
#include "link/serial_port_io.h"

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

/**
 * Receive-only serial port driver. Opens one of COM1..COM4 exclusively with
 * the configured line settings, polls the port on a timer of the owning
 * (user-interface) thread and hands every non-empty batch of received bytes
 * to OnReceiveData, at most ComPortInBufSize bytes per tick.
 *
 * Setter rules while the port is open: ComPort, the chosen device and
 * ComPortInBufSize are ignored; line settings are stored and applied at once (which also purges
 * both queues); ComPortPollingDelay restarts the poll timer when it changes.
 * While closed every setter only stores its value.
 *
 * When the device goes away (adapter unplugged, other end of a
 * pseudo-terminal closed) the driver closes the port on the first error and
 * emits linkLost() once, so a dead device never keeps the thread busy.
 */
class TComPortDriver : public QObject {
    Q_OBJECT
public:
    /** Receives one batch of bytes (never empty), in arrival order. */
    using ReceiveHandler = std::function<void(const QByteArray& data)>;

    /** Driver on the system's serial ports (Qt SerialPort), devices from the environment. */
    explicit TComPortDriver(QObject* parent = nullptr);
    /** Driver on another platform layer and device map (tests, other device kinds). */
    TComPortDriver(std::unique_ptr<SerialPortIo> io, ComPortDeviceMap devices, QObject* parent = nullptr);
    /** Closes the port first if it is still open. */
    ~TComPortDriver() override;

    /** Opens the port chosen by ComPort; true when the port is open afterwards. Already open: true, nothing
     * else. */
    bool OpenPort();
    /** Stops the poll timer and closes the port; nothing when closed. */
    void ClosePort();
    bool IsOpen() const;
    /** Sends the current line settings to the open port and purges both queues; nothing when closed. */
    void ApplyLineSettings();
    /** Discards pending input and/or output; nothing when closed. */
    void PurgeBuffers(bool input, bool output);
    /** One poll: reads once, up to ComPortInBufSize bytes, and delivers them. Runs on each timer tick. */
    void PollPort();

    /**
     * Device path the driver opens (or has open): the chosen device when one
     * was chosen, else the one the device map gives for ComPort.
     */
    QString devicePath() const;
    /**
     * Chooses a device by its path, such as a /dev/serial/by-id/ name, in
     * place of COM1..COM4; an empty path, or setting ComPort, returns to
     * ComPort's device. Ignored while the port is open, like ComPort.
     */
    void setChosenDevice(const QString& path);
    /** The device chosen by path; empty when ComPort's device is used. */
    QString chosenDevice() const { return chosenDevice_; }
    /** Why the last OpenPort() failed; Kind::None after a successful one. */
    const SerialOpenError& lastOpenError() const { return openError_; }
    /** Shortest poll period used, whatever ComPortPollingDelay says: a 0 must not spin. */
    static constexpr int MinimumPollingDelay = 10;

    TComPortNumber ComPort() const { return comPort_; }
    void setComPort(TComPortNumber port);
    TComPortBaudRate ComPortSpeed() const { return speed_; }
    void setComPortSpeed(TComPortBaudRate speed);
    TComPortDataBits ComPortDataBits() const { return dataBits_; }
    void setComPortDataBits(TComPortDataBits bits);
    TComPortStopBits ComPortStopBits() const { return stopBits_; }
    void setComPortStopBits(TComPortStopBits bits);
    TComPortParity ComPortParity() const { return parity_; }
    void setComPortParity(TComPortParity parity);
    TComPortHwHandshaking ComPortHwHandshaking() const { return hwHandshaking_; }
    void setComPortHwHandshaking(TComPortHwHandshaking handshaking);
    TComPortSwHandshaking ComPortSwHandshaking() const { return swHandshaking_; }
    void setComPortSwHandshaking(TComPortSwHandshaking handshaking);
    std::uint16_t ComPortInBufSize() const { return inBufSize_; }
    /** Ignored while open; while closed the receive buffer is replaced by one of the new size. */
    void setComPortInBufSize(std::uint16_t bytes);
    std::uint16_t ComPortOutBufSize() const { return outBufSize_; }
    /** Stored in either state; takes effect at the next application of the line settings. */
    void setComPortOutBufSize(std::uint16_t bytes);
    std::uint16_t ComPortPollingDelay() const { return pollingDelay_; }
    void setComPortPollingDelay(std::uint16_t ms);
    bool EnableDTROnOpen() const { return enableDtrOnOpen_; }
    /** Stored; takes effect at the next application of the line settings. */
    void setEnableDTROnOpen(bool enable);
    std::uint16_t OutputTimeout() const { return outputTimeout_; }
    void setOutputTimeout(std::uint16_t ms);
    /** Stored; an empty handler drops the received bytes. */
    void setOnReceiveData(ReceiveHandler handler);

    /** The settings ApplyLineSettings sends, built from the properties. */
    ComLineSettings lineSettings() const;
    /** True while the poll timer runs (only while open). */
    bool isPolling() const { return pollTimer_.isActive(); }

signals:
    /** The open port's device went away; the port has been closed. Emitted once per loss. */
    void linkLost();

private:
    void changeLineSetting();
    void startPolling();
    void handleLost();

    std::unique_ptr<SerialPortIo> io_;
    ComPortDeviceMap devices_;
    QString chosenDevice_;
    SerialOpenError openError_;
    QTimer pollTimer_;
    std::vector<char> receiveBuffer_;
    ReceiveHandler onReceiveData_;

    TComPortNumber comPort_ = TComPortNumber::pnCOM1;
    TComPortBaudRate speed_ = TComPortBaudRate::br9600;
    TComPortDataBits dataBits_ = TComPortDataBits::db8BITS;
    TComPortStopBits stopBits_ = TComPortStopBits::sb1BITS;
    TComPortParity parity_ = TComPortParity::ptNONE;
    TComPortHwHandshaking hwHandshaking_ = TComPortHwHandshaking::hhNONE;
    TComPortSwHandshaking swHandshaking_ = TComPortSwHandshaking::shNONE;
    std::uint16_t inBufSize_ = 2048;
    std::uint16_t outBufSize_ = 2048;
    std::uint16_t pollingDelay_ = 50;
    bool enableDtrOnOpen_ = true;
    std::uint16_t outputTimeout_ = 4000;
};
