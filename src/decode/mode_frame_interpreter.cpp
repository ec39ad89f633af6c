#include "decode/mode_frame_interpreter.h"

namespace {

using E = PanelModel::Element;

/** Decimal point and prefix flags of one frame (P1..P3, Kilo, Mega, Milli, Micro, Nano, Ampere). */
struct DisplayFlags {
    bool P1 = false, P2 = false, P3 = false;
    bool Kilo = false, Mega = false, Milli = false, Micro = false, Nano = false, Ampere = false;
};

/** Point after digit 1, 2 or 3 (0 = none). */
void setPoint(DisplayFlags& f, int point)
{
    f.P1 = point == 1;
    f.P2 = point == 2;
    f.P3 = point == 3;
}

/** One row of a range table: point, prefix flag and unit (nullptr keeps the unit). */
struct RangeRow {
    int point;
    bool DisplayFlags::*prefix;
    const char* unit;
};

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

/** Works out one frame. Returns nothing when a field it needs does not convert. */
class FrameInterpreter {
public:
    FrameInterpreter(
        const QString& frame, QChar mark, const BuildVariant& variant, const CountProfile& profile)
        : frame_(frame)
        , mark_(mark)
        , v_(variant)
        , profile_(profile)
    {
    }

    std::optional<ModeFrameOutcome> run();

private:
    /** `FrameBits` position (1-based) built from frame positions 2 to 11. */
    bool bit(int pos) const { return (nibbles_[(pos - 1) / 4] >> (3 - (pos - 1) % 4)) & 1; }
    /** The range digit; a non-decimal range marks the frame as unconvertible. */
    int range()
    {
        const int r = hexValue(frame_[1]);
        if (r < 0 || r > 9)
            rangeFailed_ = true;
        return r;
    }
    void show(E e, bool on) { out_.shown[e] = on; }
    void applyRow(const RangeRow& row)
    {
        setPoint(flags_, row.point);
        if (row.prefix)
            flags_.*(row.prefix) = true;
        if (row.unit)
            out_.unitText = QString::fromLatin1(row.unit);
    }
    /** Applies row `range()` of a table, or `other` beyond its end. */
    template <std::size_t N> void applyTable(const std::array<RangeRow, N>& rows, const RangeRow& other)
    {
        const int r = range();
        applyRow(r >= 0 && r < int(N) ? rows[std::size_t(r)] : other);
    }

    void functionRows(QChar code);
    void frequencyOverride();
    void blankLeadingZeros(bool overload);

    const QString& frame_;
    QChar mark_;
    const BuildVariant& v_;
    const CountProfile& profile_;
    std::array<int, 10> nibbles_ {};
    bool rangeFailed_ = false;
    DisplayFlags flags_;
    ModeFrameOutcome out_;
};

constexpr bool DisplayFlags::*kNone = nullptr;

void FrameInterpreter::functionRows(QChar code)
{
    const bool swapAmps = v_.IF7304k;

    // "B": volts.
    if (code == u'B') {
        show(E::LcdV, true);
        out_.unitText = QStringLiteral("V");
        static constexpr std::array<RangeRow, 5> shipped { { { 3, &DisplayFlags::Milli, "mV" },
            { 1, kNone, nullptr }, { 2, kNone, nullptr }, { 3, kNone, nullptr }, { 0, kNone, nullptr } } };
        static constexpr std::array<RangeRow, 5> k7304 { { { 1, kNone, nullptr }, { 2, kNone, nullptr },
            { 3, kNone, nullptr }, { 0, kNone, nullptr }, { 3, &DisplayFlags::Milli, "mV" } } };
        applyTable(v_.IF7304k ? k7304 : shipped, { 0, kNone, "V" });
    } else {
        show(E::LcdV, false);
    }

    // Current rows: "D" microamperes, "9" milliamperes, "F" amperes ("9" and "F" swap with IF7304k).
    const auto milliamps = [this] {
        flags_.Milli = flags_.Ampere = true;
        out_.unitText = QStringLiteral("mA");
        static constexpr std::array<RangeRow, 2> rows { { { 2, kNone, nullptr }, { 3, kNone, nullptr } } };
        applyTable(rows, { 0, kNone, nullptr });
    };
    const auto amps = [this] {
        flags_.Ampere = true;
        out_.unitText = QStringLiteral("A");
        setPoint(flags_, 2);
    };
    if (code == u'D') {
        flags_.Micro = flags_.Ampere = true;
        out_.unitText = QStringLiteral("uA");
        static constexpr std::array<RangeRow, 1> rows { { { 3, kNone, nullptr } } };
        applyTable(rows, { 0, kNone, nullptr });
    }
    if (code == u'9')
        swapAmps ? amps() : milliamps();
    if (code == u'F')
        swapAmps ? milliamps() : amps();

    // "3": ohms.
    if (code == u'3') {
        show(E::LCDohm, true);
        out_.unitText = QStringLiteral("*");
        static constexpr std::array<RangeRow, 6> rows { { { 3, kNone, "*" }, { 1, &DisplayFlags::Kilo, "k*" },
            { 2, &DisplayFlags::Kilo, "k*" }, { 3, &DisplayFlags::Kilo, "k*" },
            { 1, &DisplayFlags::Mega, "M*" }, { 2, &DisplayFlags::Mega, "M*" } } };
        applyTable(rows, { 0, kNone, "*" });
    } else {
        show(E::LCDohm, false);
    }

    // "2": frequency, or speed when the status bit of value 8 is set.
    if (code == u'2') {
        const bool speed = bit(25) && !v_.IF7304k;
        show(E::LCDHz, !speed);
        show(E::LcdRPM, speed);
        if (speed) {
            static constexpr std::array<RangeRow, 6> rows { { { 2, &DisplayFlags::Kilo, "kRPM" },
                { 3, &DisplayFlags::Kilo, "kRPM" }, { 1, &DisplayFlags::Mega, "MRPM" },
                { 2, &DisplayFlags::Mega, "MRPM" }, { 3, &DisplayFlags::Mega, "MRPM" },
                { 0, &DisplayFlags::Mega, "MRPM" } } };
            applyTable(rows, { 0, kNone, nullptr });
        } else {
            const bool kiloFirst = v_.IFRK20M || v_.IFRK40V;
            const RangeRow first
                = kiloFirst ? RangeRow { 1, &DisplayFlags::Kilo, "kHz" } : RangeRow { 0, kNone, "Hz" };
            const std::array<RangeRow, 6> rows { { first, { 2, &DisplayFlags::Kilo, "kHz" },
                { 3, &DisplayFlags::Kilo, "kHz" }, { 1, &DisplayFlags::Mega, "MHz" },
                { 2, &DisplayFlags::Mega, "MHz" }, { 3, &DisplayFlags::Mega, "MHz" } } };
            applyTable(rows, { 0, kNone, nullptr });
        }
    } else {
        show(E::LcdRPM, false);
        show(E::LCDHz, false);
    }

    // "4": temperature, Celsius when the status bit of value 8 is set.
    if (code == u'4') {
        const bool celsius = bit(25);
        show(E::LCDCS, celsius);
        show(E::LCDFS, !celsius);
        out_.unitText = celsius ? QStringLiteral("#") : QStringLiteral("?");
    } else {
        show(E::LCDCS, false);
        show(E::LCDFS, false);
    }

    // "5": continuity.
    if (code == u'5') {
        show(E::LCDFm, true);
        setPoint(flags_, 3);
        out_.unitText = QStringLiteral("&");
        if (v_.IFRK20M) {
            show(E::LCDohm, true);
            out_.unitText = QStringLiteral("&*");
        }
    } else {
        show(E::LCDFm, false);
    }

    // "1": diode.
    if (code == u'1') {
        show(E::LCDDI, true);
        show(E::LcdV, true);
        setPoint(flags_, 1);
        out_.unitText = QStringLiteral(")");
    } else {
        show(E::LCDDI, false);
    }

    // "6": capacitance.
    if (code == u'6') {
        show(E::LCDF, true);
        static constexpr std::array<RangeRow, 8> rows { { { 1, &DisplayFlags::Nano, "nF" },
            { 2, &DisplayFlags::Nano, "nF" }, { 3, &DisplayFlags::Nano, "nF" },
            { 1, &DisplayFlags::Micro, "uF" }, { 2, &DisplayFlags::Micro, "uF" },
            { 3, &DisplayFlags::Micro, "uF" }, { 1, &DisplayFlags::Milli, "mF" },
            { 2, &DisplayFlags::Milli, "mF" } } };
        applyTable(rows, { 0, kNone, nullptr });
    } else {
        show(E::LCDF, false);
    }
}

void FrameInterpreter::frequencyOverride()
{
    flags_ = DisplayFlags {};
    show(E::LcdV, false);
    show(E::LcdRPM, false);
    show(E::LCDHz, true);
    static constexpr std::array<RangeRow, 6> rows { { { 1, &DisplayFlags::Kilo, "kHz" },
        { 2, &DisplayFlags::Kilo, "kHz" }, { 3, &DisplayFlags::Kilo, "kHz" },
        { 1, &DisplayFlags::Mega, "MHz" }, { 2, &DisplayFlags::Mega, "MHz" },
        { 3, &DisplayFlags::Mega, "MHz" } } };
    applyTable(rows, { 0, kNone, nullptr });
}

void FrameInterpreter::blankLeadingZeros(bool overload)
{
    const DecodedDisplay& d = out_.display;
    const QLatin1String zero("0");
    const bool zeroA = d.DigitA == zero, zeroB = d.DigitB == zero, zeroC = d.DigitC == zero;
    std::array<bool, 4> shown { true, true, true, true };
    if (overload) {
        // The overload reading is "0L" in digits 2 and 3, whatever the point.
        shown = { false, true, true, false };
    } else {
        if (!flags_.P1 && !flags_.P2 && !flags_.P3) {
            if (zeroA && zeroB && zeroC)
                shown[0] = shown[1] = shown[2] = false;
            else if (zeroA && zeroB)
                shown[0] = shown[1] = false;
            else if (zeroA)
                shown[0] = false;
        }
        if (flags_.P2 && zeroA)
            shown[0] = false;
        if (flags_.P3 && zeroA && zeroB)
            shown[0] = shown[1] = false;
        if (flags_.P3 && zeroA)
            shown[0] = false;
    }
    show(E::LcdDa, shown[0]);
    show(E::LcdDb, shown[1]);
    show(E::LcdDc, shown[2]);
    show(E::LcdDd, shown[3]);
}

std::optional<ModeFrameOutcome> FrameInterpreter::run()
{
    // FrameBits from positions 2 to 11; anything but a hex digit there cannot be decoded.
    if (frame_.size() < 11)
        return std::nullopt;
    for (int i = 0; i < 10; ++i) {
        nibbles_[std::size_t(i)] = hexValue(frame_[i + 1]);
        if (nibbles_[std::size_t(i)] < 0)
            return std::nullopt;
    }

    DecodedDisplay& d = out_.display;
    d.DigitA = frame_.mid(2, 1);
    d.DigitB = frame_.mid(3, 1);
    d.DigitC = frame_.mid(4, 1);
    d.DigitD = frame_.mid(5, 1);
    d.functionCode = frame_[6];
    d.overload = bit(28);
    if (d.overload) {
        d.DigitC = QStringLiteral("@");
        d.DigitB = QStringLiteral("0");
    }

    d.SignText = bit(26) ? QStringLiteral("-") : QString();
    show(E::LcdFH, bit(26));
    show(E::LCDBATT, bit(27));

    if (bit(34)) {
        out_.acDcText = QStringLiteral("AC");
        show(E::LcdAC, !v_.IFRK91N);
    } else {
        show(E::LcdAC, false);
    }
    if (v_.IFRK91N) {
        for (E e : { E::LcdACDC, E::LCDTRMST, E::LCDTRMS })
            show(e, bit(34));
    }
    show(E::LcdDc1, bit(33));
    if (bit(33))
        out_.acDcText = QStringLiteral("DC");
    show(E::LcdAuto, bit(35));
    out_.autoText = bit(35) ? QStringLiteral("AUTO") : QStringLiteral("MANU");
    const bool rs232 = !v_.IFRK91N && !bit(36);
    show(E::LCDRS, rs232);
    show(E::LCD232C, rs232);

    functionRows(d.functionCode);
    if (frame_[7] == u'0' && frame_[8] == u'1')
        frequencyOverride();
    if (rangeFailed_)
        return std::nullopt;

    const QString mark(mark_);
    QString point1 = flags_.P1 ? mark : QString();
    QString point2 = flags_.P2 ? mark : QString();
    QString point3 = flags_.P3 ? mark : QString();
    show(E::LcdP1, flags_.P1);
    show(E::LcdP2, flags_.P2);
    show(E::LcdP3, flags_.P3);
    show(E::LCDk, flags_.Kilo);
    show(E::LCDM1, flags_.Mega);
    show(E::Lcdm, flags_.Milli);
    show(E::LCDu, flags_.Micro);
    show(E::LCDA, flags_.Ampere);
    show(E::LCDn, flags_.Nano);

    if (v_.IF7304k) {
        if (out_.shown[E::LCDDI].value_or(false)) {
            d.DigitD.clear();
            out_.unitText += u'V';
        }
        if (out_.shown[E::LCDFm].value_or(false)) {
            d.DigitD.clear();
            point3.clear();
            show(E::LcdP3, false);
            out_.unitText += u'*';
            show(E::LCDohm, true);
        }
    }

    const bool overloadDigit = d.DigitC == QLatin1String("@");
    if (overloadDigit)
        out_.valueText = d.SignText + point1 + QLatin1String("0") + point2 + QLatin1String("L");
    else
        out_.valueText = d.SignText + d.DigitA + point1 + d.DigitB + point2 + d.DigitC + point3 + d.DigitD;

    if (overloadDigit) {
        const int magnitude = profile_.FullScaleCount + 1;
        out_.readingValue = d.SignText.isEmpty() ? magnitude : -magnitude;
    } else {
        // Whole-number conversion of sign and digits; hex letters in a digit do not convert.
        const QString digits = d.DigitA + d.DigitB + d.DigitC + d.DigitD;
        for (QChar c : digits) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
        }
        out_.readingValue = (d.SignText + digits).toInt();
    }

    d.P1 = flags_.P1;
    d.P2 = flags_.P2;
    d.P3 = flags_.P3;
    blankLeadingZeros(d.overload);
    return out_;
}

} // namespace

std::optional<ModeFrameOutcome> ModeFrameInterpreter::interpret(
    const QString& frameText, QChar decimalMark, const BuildVariant& variant, const CountProfile& profile)
{
    return FrameInterpreter(frameText, decimalMark, variant, profile).run();
}
