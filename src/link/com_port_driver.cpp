#include "link/com_port_driver.h"

#include "link/qt_serial_port_io.h"

#include <algorithm>

TComPortDriver::TComPortDriver(QObject* parent)
    : TComPortDriver(std::make_unique<QtSerialPortIo>(), ComPortDeviceMap(), parent)
{
}

TComPortDriver::TComPortDriver(std::unique_ptr<SerialPortIo> io, ComPortDeviceMap devices, QObject* parent)
    : QObject(parent)
    , io_(std::move(io))
    , devices_(std::move(devices))
{
    receiveBuffer_.resize(inBufSize_);
    pollTimer_.setTimerType(Qt::PreciseTimer);
    connect(&pollTimer_, &QTimer::timeout, this, &TComPortDriver::PollPort);
    io_->setLostHandler([this] { handleLost(); });
}

TComPortDriver::~TComPortDriver()
{
    ClosePort();
}

bool TComPortDriver::OpenPort()
{
    if (IsOpen())
        return true;
    if (!io_->open(devicePath())) {
        openError_ = io_->openError();
        if (!openError_.failed())
            openError_ = SerialOpenError::diagnose(devicePath());
        return false;
    }
    openError_ = {};
    ApplyLineSettings();
    // Reads never wait: the platform layer returns at once with what is queued.
    startPolling();
    return true;
}

void TComPortDriver::ClosePort()
{
    if (!IsOpen())
        return;
    pollTimer_.stop();
    io_->close();
}

bool TComPortDriver::IsOpen() const
{
    return io_->isOpen();
}

void TComPortDriver::ApplyLineSettings()
{
    if (!IsOpen())
        return;
    io_->applySettings(lineSettings());
    PurgeBuffers(true, true);
    io_->setQueueSizes(inBufSize_, outBufSize_);
}

void TComPortDriver::PurgeBuffers(bool input, bool output)
{
    if (!IsOpen())
        return;
    io_->purge(input, output);
}

void TComPortDriver::PollPort()
{
    if (!IsOpen() || receiveBuffer_.empty())
        return;
    qint64 got = 0;
    const auto status = io_->read(receiveBuffer_.data(), qint64(receiveBuffer_.size()), got);
    if (status == SerialPortIo::ReadStatus::Lost) {
        handleLost();
        return;
    }
    if (status != SerialPortIo::ReadStatus::Data || got <= 0 || !onReceiveData_)
        return;
    // The batch gets its own copy: a handler that waits in a modal dialog lets
    // further ticks run, and they refill the receive buffer.
    onReceiveData_(QByteArray(receiveBuffer_.data(), qsizetype(got)));
}

QString TComPortDriver::devicePath() const
{
    return chosenDevice_.isEmpty() ? devices_.devicePath(comPort_) : chosenDevice_;
}

void TComPortDriver::setChosenDevice(const QString& path)
{
    if (!IsOpen())
        chosenDevice_ = path;
}

void TComPortDriver::startPolling()
{
    pollTimer_.start(std::max<int>(pollingDelay_, MinimumPollingDelay));
}

ComLineSettings TComPortDriver::lineSettings() const
{
    ComLineSettings s;
    s.baud = comPortBaud(speed_);
    s.dataBits = static_cast<int>(dataBits_) + 5;
    s.parity = parity_;
    s.stopBits = stopBits_;
    s.rtsCtsFlow = hwHandshaking_ == TComPortHwHandshaking::hhRTSCTS;
    s.xonXoffFlow = swHandshaking_ == TComPortSwHandshaking::shXONXOFF;
    s.dtrOn = enableDtrOnOpen_;
    s.xonLimit = inBufSize_ / 4;
    s.xoffLimit = 1;
    return s;
}

void TComPortDriver::changeLineSetting()
{
    if (IsOpen())
        ApplyLineSettings();
}

void TComPortDriver::handleLost()
{
    if (!IsOpen())
        return;
    ClosePort();
    emit linkLost();
}

void TComPortDriver::setComPort(TComPortNumber port)
{
    if (IsOpen())
        return;
    comPort_ = port;
    chosenDevice_.clear();
}

void TComPortDriver::setComPortSpeed(TComPortBaudRate speed)
{
    speed_ = speed;
    changeLineSetting();
}

void TComPortDriver::setComPortDataBits(TComPortDataBits bits)
{
    dataBits_ = bits;
    changeLineSetting();
}

void TComPortDriver::setComPortStopBits(TComPortStopBits bits)
{
    stopBits_ = bits;
    changeLineSetting();
}

void TComPortDriver::setComPortParity(TComPortParity parity)
{
    parity_ = parity;
    changeLineSetting();
}

void TComPortDriver::setComPortHwHandshaking(TComPortHwHandshaking handshaking)
{
    hwHandshaking_ = handshaking;
    changeLineSetting();
}

void TComPortDriver::setComPortSwHandshaking(TComPortSwHandshaking handshaking)
{
    swHandshaking_ = handshaking;
    changeLineSetting();
}

void TComPortDriver::setComPortInBufSize(std::uint16_t bytes)
{
    if (IsOpen())
        return;
    inBufSize_ = bytes;
    receiveBuffer_ = std::vector<char>(bytes);
}

void TComPortDriver::setComPortOutBufSize(std::uint16_t bytes)
{
    outBufSize_ = bytes;
}

void TComPortDriver::setComPortPollingDelay(std::uint16_t ms)
{
    if (ms == pollingDelay_)
        return;
    const bool restart = IsOpen();
    pollTimer_.stop();
    pollingDelay_ = ms;
    if (restart)
        startPolling();
}

void TComPortDriver::setEnableDTROnOpen(bool enable)
{
    enableDtrOnOpen_ = enable;
}

void TComPortDriver::setOutputTimeout(std::uint16_t ms)
{
    outputTimeout_ = ms;
}

void TComPortDriver::setOnReceiveData(ReceiveHandler handler)
{
    onReceiveData_ = std::move(handler);
}
