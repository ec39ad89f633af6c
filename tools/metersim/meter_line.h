#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace metersim {

/**
 * The meter's side of a serial line: either a new pseudo-terminal whose
 * device side the program opens, or an existing serial device.
 */
class MeterLine {
public:
    /** Creates a pseudo-terminal; null with @p error set on failure. */
    static std::unique_ptr<MeterLine> createPty(QString* error);
    /** Opens a serial device raw at @p baud, 8 data bits, no parity, one stop bit. */
    static std::unique_ptr<MeterLine> openDevice(const QString& path, int baud, QString* error);

    ~MeterLine();
    MeterLine(const MeterLine&) = delete;
    MeterLine& operator=(const MeterLine&) = delete;

    /** Path the program is to open. */
    QString devicePath() const { return path_; }
    /** False while nobody has the device side of a pseudo-terminal open: the bytes would go nowhere. */
    bool readerPresent() const;
    /** Writes a frame without waiting; false when the line refused it. */
    bool send(const QByteArray& bytes);

private:
    MeterLine(int fd, QString path, bool pty);

    int fd_;
    QString path_;
    bool pty_;
};

} // namespace metersim
