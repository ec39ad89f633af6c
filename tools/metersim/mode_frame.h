#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>

#include <optional>

namespace metersim {

/**
 * One mode frame as the meter sends it: range, four digits, function code and
 * flag nibbles, each in the low nibble of a data byte, then CR LF.
 *
 * Build with designated initialisers, e.g.
 * `ModeFrame { .range = 1, .digits = "1234", .dc = true, .autoRange = true }.bytes()`.
 */
struct ModeFrame {
    int range = 1; ///< 0..7 (volts: 0 = 400.0 mV, 1 = 4.000 V, ...)
    QString digits = QStringLiteral("0000"); ///< four characters '0'..'9', leftmost first
    QChar function = QLatin1Char('B'); ///< hex digit: B volts, 3 ohms, 2 Hz, 4 temperature, ...
    bool alternate = false; ///< status 8: rpm instead of Hz (function 2), Celsius (function 4)
    bool minus = false; ///< status 4
    bool lowBattery = false; ///< status 2
    bool overload = false; ///< status 1
    int option1 = 0; ///< option 1 nibble; 1 with status 0 marks a frequency reading
    bool dc = false; ///< option 2, 8
    bool ac = false; ///< option 2, 4
    bool autoRange = false; ///< option 2, 2
    bool rs232 = true; ///< shown when option 2 bit 1 is clear

    /** Status nibble from the four flags. */
    int status() const;
    /** Option 2 nibble from the four flags. */
    int option2() const;
    /** The 11 bytes on the wire: 9 data bytes (high nibble 3), CR, LF. */
    QByteArray bytes() const;
    /** What frame assembly delivers for it when the previous frame's LF came first: "A" + 9 nibbles + "D". */
    QString frameText() const;

    /**
     * Reads a frame from a script line: `FUNCTION RANGE DIGITS [FLAG...]`, for
     * example `B 1 1234 dc auto`. Flags: alt, minus, lowbat, overload, freq
     * (option 1 = 1), dc, ac, auto, nors232. Empty with @p error set on a bad line.
     */
    static std::optional<ModeFrame> parse(const QString& line, QString* error = nullptr);
};

} // namespace metersim
