#pragma once

#include "link/serial_port_io.h"

#include <QSerialPort>

/**
 * Serial platform layer on Qt SerialPort, with termios where Qt has no call:
 * the exclusive-use flag on the open descriptor and the XON/XOFF limits.
 *
 * Linux has no settable driver queue sizes; the input size bounds Qt's own
 * read buffer instead, so surplus bytes wait in the kernel's queue.
 * One and a half stop bits are requested as two (CSTOPB), which a UART
 * treats as one and a half with five data bits.
 */
class QtSerialPortIo : public SerialPortIo {
public:
    QtSerialPortIo();
    ~QtSerialPortIo() override;

    bool open(const QString& devicePath) override;
    SerialOpenError openError() const override { return openError_; }
    void close() override;
    bool isOpen() const override;
    void applySettings(const ComLineSettings& settings) override;
    void purge(bool input, bool output) override;
    void setQueueSizes(int inputBytes, int outputBytes) override;
    ReadStatus read(char* buffer, qint64 maxBytes, qint64& got) override;
    void setLostHandler(std::function<void()> handler) override;

private:
    void handleError(QSerialPort::SerialPortError error);

    QSerialPort port_;
    std::function<void()> onLost_;
    bool lost_ = false;
    SerialOpenError openError_;
};
