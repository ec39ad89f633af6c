#include "link/qt_serial_port_io.h"

#include <sys/ioctl.h>
#include <termios.h>

namespace {

QSerialPort::Parity toQt(TComPortParity parity)
{
    switch (parity) {
    case TComPortParity::ptODD:
        return QSerialPort::OddParity;
    case TComPortParity::ptEVEN:
        return QSerialPort::EvenParity;
    case TComPortParity::ptMARK:
        return QSerialPort::MarkParity;
    case TComPortParity::ptSPACE:
        return QSerialPort::SpaceParity;
    case TComPortParity::ptNONE:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(TComPortStopBits bits)
{
    return bits == TComPortStopBits::sb1BITS ? QSerialPort::OneStop : QSerialPort::TwoStop;
}

bool isLossError(QSerialPort::SerialPortError error)
{
    return error == QSerialPort::ResourceError || error == QSerialPort::ReadError;
}

} // namespace

QtSerialPortIo::QtSerialPortIo()
{
    QObject::connect(&port_, &QSerialPort::errorOccurred, &port_,
        [this](QSerialPort::SerialPortError error) { handleError(error); });
}

QtSerialPortIo::~QtSerialPortIo()
{
    close();
}

bool QtSerialPortIo::open(const QString& devicePath)
{
    if (port_.isOpen())
        return true;
    lost_ = false;
    openError_ = {};
    port_.setPortName(devicePath);
    if (!port_.open(QIODevice::ReadWrite)) {
        openError_ = SerialOpenError::diagnose(devicePath, port_.errorString());
        port_.clearError();
        return false;
    }
    // Qt guards the port with a lock file; TIOCEXCL also keeps out programs
    // that ignore lock files.
    ::ioctl(port_.handle(), TIOCEXCL);
    return true;
}

void QtSerialPortIo::close()
{
    if (!port_.isOpen())
        return;
    ::ioctl(port_.handle(), TIOCNXCL);
    port_.close();
}

bool QtSerialPortIo::isOpen() const
{
    return port_.isOpen();
}

void QtSerialPortIo::applySettings(const ComLineSettings& s)
{
    // Each setting on its own: one the device refuses (a pseudo-terminal has
    // no DTR or RTS line) must not keep the others from taking effect.
    port_.setBaudRate(s.baud);
    port_.setDataBits(static_cast<QSerialPort::DataBits>(s.dataBits));
    port_.setParity(toQt(s.parity));
    port_.setStopBits(toQt(s.stopBits));
    if (s.rtsCtsFlow)
        port_.setFlowControl(QSerialPort::HardwareControl);
    else if (s.xonXoffFlow)
        port_.setFlowControl(QSerialPort::SoftwareControl);
    else
        port_.setFlowControl(QSerialPort::NoFlowControl);
    if (s.rtsCtsFlow && s.xonXoffFlow) {
        // Qt offers one flow-control mode at a time; add XON/XOFF by hand.
        termios tio {};
        if (::tcgetattr(port_.handle(), &tio) == 0) {
            tio.c_iflag |= IXON | IXOFF;
            ::tcsetattr(port_.handle(), TCSANOW, &tio);
        }
    }
    if (s.xonXoffFlow) {
        termios tio {};
        if (::tcgetattr(port_.handle(), &tio) == 0) {
            tio.c_cc[VSTART] = s.xonChar;
            tio.c_cc[VSTOP] = s.xoffChar;
            ::tcsetattr(port_.handle(), TCSANOW, &tio);
        }
    }
    port_.setDataTerminalReady(s.dtrOn);
    if (!s.rtsCtsFlow)
        port_.setRequestToSend(false);
    port_.clearError();
}

void QtSerialPortIo::purge(bool input, bool output)
{
    QSerialPort::Directions directions;
    if (input)
        directions |= QSerialPort::Input;
    if (output)
        directions |= QSerialPort::Output;
    if (directions)
        port_.clear(directions);
}

void QtSerialPortIo::setQueueSizes(int inputBytes, int /*outputBytes*/)
{
    port_.setReadBufferSize(inputBytes);
}

SerialPortIo::ReadStatus QtSerialPortIo::read(char* buffer, qint64 maxBytes, qint64& got)
{
    got = 0;
    if (lost_)
        return ReadStatus::Lost;
    if (!port_.isOpen())
        return ReadStatus::Empty;
    got = port_.read(buffer, maxBytes);
    if (got < 0 && isLossError(port_.error()))
        lost_ = true;
    if (lost_)
        return ReadStatus::Lost;
    if (got <= 0) {
        got = 0;
        return ReadStatus::Empty;
    }
    return ReadStatus::Data;
}

void QtSerialPortIo::setLostHandler(std::function<void()> handler)
{
    onLost_ = std::move(handler);
}

void QtSerialPortIo::handleError(QSerialPort::SerialPortError error)
{
    if (!isLossError(error) || lost_ || !port_.isOpen())
        return;
    lost_ = true;
    if (onLost_)
        onLost_();
}
