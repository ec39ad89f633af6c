#pragma once

#include <QString>

#include <vector>

/** One serial device present on the system. */
struct SerialPortEntry {
    QString portName; ///< e.g. "ttyUSB0"
    QString systemLocation; ///< e.g. "/dev/ttyUSB0"
    QString byIdPath; ///< stable name under /dev/serial/by-id/, or empty when it has none
    QString description; ///< e.g. "FT232R USB UART"
    QString manufacturer; ///< e.g. "FTDI"
    QString serialNumber; ///< e.g. "A10K1234"

    /**
     * The path to open: the by-id name where there is one, because it stays
     * the same when the adapter comes back under another ttyUSB number.
     */
    QString devicePath() const { return byIdPath.isEmpty() ? systemLocation : byIdPath; }
    /** "ttyUSB0 — FT232R USB UART (A10K1234)": name, description or maker, serial number. */
    QString menuText() const;
};

/**
 * The serial devices present now: what Qt SerialPort finds, each with its
 * stable /dev/serial/by-id/ name, plus by-id devices Qt did not list.
 * Pseudo-terminals are not listed (they have no fixed name to choose).
 */
class SerialPortListing {
public:
    /** @p byIdFolder is where the stable names live; tests point it elsewhere. */
    explicit SerialPortListing(QString byIdFolder = QStringLiteral("/dev/serial/by-id"));

    /** The devices present now, sorted by name. */
    std::vector<SerialPortEntry> ports() const;
    /**
     * Adds the by-id names to @p system (as Qt SerialPort lists it) and
     * appends a by-id device that is not in it; sorts by name.
     */
    std::vector<SerialPortEntry> withStableNames(std::vector<SerialPortEntry> system) const;

    /** The entry among @p ports whose device path, system path or by-id name is @p path. */
    static const SerialPortEntry* find(const std::vector<SerialPortEntry>& ports, const QString& path);

private:
    QString byIdFolder_;
};
