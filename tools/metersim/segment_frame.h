#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace metersim {

/**
 * One segment frame: the bit image of the meter's display in 14 bytes, byte n
 * tagged n in its high nibble and carrying four display bits in its low
 * nibble (most significant bit = first bit of the byte's group).
 *
 * `SegmentFrame { .digits = "0399", .point1 = true, .volt = true }.bytes()`
 */
struct SegmentFrame {
    /** Four characters, leftmost first: '0'..'9', ' ' (all segments dark) or 'L' (overload, digit 3). */
    QString digits = QStringLiteral("0000");
    bool ac = false, dc = false, autoRange = false, rs232 = false;
    bool minus = false;
    bool point1 = false, point2 = false, point3 = false; ///< decimal point after digit 1, 2, 3
    bool micro = false, nano = false, kilo = false, diode = false;
    bool milli = false, percent = false, mega = false, beeper = false;
    bool farad = false, ohm = false, record = false, hold = false;
    bool ampere = false, volt = false, hertz = false, lowBattery = false;
    bool celsius = false;

    /** The 14 bytes on the wire, tagged 1..E. */
    QByteArray bytes() const;
    /** The 14 low hex digits, as frame assembly delivers them. */
    QString frameText() const;
    /** The seven-segment pattern of a digit character (first part's 4 bits, then the second part's 3). */
    static QString pattern(QChar digit);

    /**
     * Reads a frame from a script line: `DIGITS [FLAG...]` where DIGITS is four
     * characters with '_' for a dark digit, for example `0399 p1 volt dc auto`.
     * Flags are the field names above in lower case (p1, p2, p3 for the points).
     */
    static std::optional<SegmentFrame> parse(const QString& line, QString* error = nullptr);
};

} // namespace metersim
