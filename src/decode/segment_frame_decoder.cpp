#include "decode/segment_frame_decoder.h"

#include "decode/panel_model.h"
#include "decode/reading_evaluator.h"
#include "decode/reading_state.h"

#include <array>
#include <utility>

namespace {

constexpr int frameDigits = 14;

/** Segment patterns in the order they are matched. */
constexpr std::array<std::pair<const char*, const char*>, 11> digitPatterns { {
    { "1101111", "0" },
    { "0101000", "1" },
    { "1011101", "2" },
    { "1111001", "3" },
    { "0111010", "4" },
    { "1110011", "5" },
    { "1110111", "6" },
    { "0101001", "7" },
    { "1111111", "8" },
    { "1111011", "9" },
    { "1000110", "@" },
} };

/** Prefix and unit annunciators in bit order; each lit one adds its letter to the unit. */
struct UnitBit {
    int position;
    PanelModel::Element element;
    const char* letter; ///< nullptr: shown only, no letter
};
constexpr std::array<UnitBit, 15> annunciatorBits { {
    { 37, PanelModel::LCDu, "u" },
    { 38, PanelModel::LCDn, "n" },
    { 39, PanelModel::LCDk, "k" },
    { 40, PanelModel::LCDDI, nullptr },
    { 41, PanelModel::Lcdm, "m" },
    { 42, PanelModel::LCDBF, "%" },
    { 43, PanelModel::LCDM1, "M" },
    { 44, PanelModel::LCDFm, nullptr },
    { 45, PanelModel::LCDF, "F" },
    { 46, PanelModel::LCDohm, "*" },
    { 47, PanelModel::LCDRec, nullptr },
    { 48, PanelModel::LCDHold, nullptr },
    { 49, PanelModel::LCDA, "A" },
    { 50, PanelModel::LcdV, "V" },
    { 52, PanelModel::LCDBATT, nullptr },
} };

constexpr int bitAc = 1, bitDc = 2, bitAuto = 3, bitRs232 = 4, bitMinus = 5;
constexpr int bitPoint1 = 13, bitPoint2 = 21, bitPoint3 = 29;
constexpr int bitHertz = 51, bitCelsius = 56;

} // namespace

SegmentFrameDecoder::SegmentFrameDecoder(ReadingState& reading, PanelModel& panel,
    const CountProfile& profile, const BuildVariant& variant, QObject* parent)
    : QObject(parent)
    , reading_(reading)
    , panel_(panel)
    , profile_(profile)
    , variant_(variant)
{
}

QString SegmentFrameDecoder::frameBits(const QString& frameText)
{
    if (frameText.size() != frameDigits)
        return {};
    QString bits;
    bits.reserve(frameDigits * 4);
    for (const QChar c : frameText) {
        bool ok = false;
        const int nibble = QString(c).toInt(&ok, 16);
        if (!ok)
            return {};
        for (int mask = 8; mask > 0; mask >>= 1)
            bits += (nibble & mask) ? u'1' : u'0';
    }
    return bits;
}

QString SegmentFrameDecoder::digitText(const QString& pattern, int digitNumber)
{
    for (const auto& [segments, digit] : digitPatterns) {
        if (pattern == QLatin1String(segments)) {
            // The letter L only ever appears in digit 3 (overload "0L").
            if (digit[0] == '@' && digitNumber != 3)
                return {};
            return QString::fromLatin1(digit);
        }
    }
    return {};
}

std::optional<DecodedDisplay> SegmentFrameDecoder::LcdDisplay20V()
{
    const QString bits = frameBits(reading_.FrameText);
    if (bits.isEmpty())
        return std::nullopt;
    const auto on = [&bits](int position) { return bits[position - 1] == u'1'; };

    // Digit k's pattern: FrameBits 8k+1..8k+4 followed by 8k-2..8k.
    const auto digit = [&](int k) { return digitText(bits.mid(8 * k, 4) + bits.mid(8 * k - 3, 3), k); };
    DecodedDisplay d;
    d.DigitA = digit(1);
    d.DigitB = digit(2);
    d.DigitC = digit(3);
    d.DigitD = digit(4);
    d.SignText = on(bitMinus) ? QStringLiteral("-") : QString();
    d.P1 = on(bitPoint1);
    d.P2 = on(bitPoint2);
    d.P3 = on(bitPoint3);

    // Everything that converts a text is checked before anything is written.
    const QString overloadTest = d.SignText + d.DigitB + d.DigitC;
    double readingValue = 0.0;
    if (overloadTest == QLatin1String("0@")) {
        readingValue = profile_.FullScaleCount;
    } else if (overloadTest == QLatin1String("-0@")) {
        readingValue = -profile_.FullScaleCount;
    } else {
        bool ok = false;
        readingValue = (d.SignText + d.DigitA + d.DigitB + d.DigitC + d.DigitD).toInt(&ok, 10);
        if (!ok)
            return std::nullopt;
    }
    if (!ReadingEvaluator::canEvaluateSegmentFrame(d, profile_.FullScaleCount))
        return std::nullopt;

    reading_.IdleTicks = 0;
    emit frameDecoded();

    QString acDc;
    if (on(bitAc))
        acDc = QStringLiteral("AC");
    if (on(bitDc))
        acDc = QStringLiteral("DC");
    QString autoText = on(bitAuto) ? QStringLiteral("AUTO") : QStringLiteral("MANU");

    panel_.setVisible(PanelModel::LcdFH, on(bitMinus));
    panel_.setVisible(PanelModel::LcdP1, d.P1);
    panel_.setVisible(PanelModel::LcdP2, d.P2);
    panel_.setVisible(PanelModel::LcdP3, d.P3);
    panel_.setVisible(PanelModel::LcdAC, on(bitAc));
    if (variant_.IFRK20S) {
        panel_.setVisible(PanelModel::LCDTRMST, on(bitAc));
        panel_.setVisible(PanelModel::LCDTRMS, on(bitAc));
    }
    panel_.setVisible(PanelModel::LcdAuto, on(bitAuto));
    panel_.setVisible(PanelModel::LCDRS, on(bitRs232));
    panel_.setVisible(PanelModel::LCD232C, on(bitRs232));

    QString unit;
    for (const auto& a : annunciatorBits) {
        panel_.setVisible(a.element, on(a.position));
        if (a.letter && on(a.position))
            unit += QLatin1String(a.letter);
    }

    // Temperature replaces the unit, unless the hertz bit is lit as well.
    const bool celsius = on(bitCelsius) && !on(bitHertz);
    panel_.setVisible(PanelModel::LCDCS, celsius);
    if (celsius) {
        acDc.clear();
        unit = QStringLiteral("#");
    }

    const bool wasFrequency = frequencyMode_;
    frequencyMode_ = on(bitHertz);
    panel_.setVisible(PanelModel::LCDHz, frequencyMode_);
    if (frequencyMode_) {
        unit += QLatin1String("Hz");
        autoText = QStringLiteral("AUTO");
    }
    if (frequencyMode_ != wasFrequency && setChartAxisRange) {
        if (frequencyMode_)
            setChartAxisRange(5000.0, -5000.0);
        else
            setChartAxisRange(profile_.FullScaleCount, -profile_.FullScaleCount);
    }

    const QString point = QStringLiteral(".");
    reading_.ValueText = d.SignText + d.DigitA + (d.P1 ? point : QString()) + d.DigitB
        + (d.P2 ? point : QString()) + (d.DigitC == QLatin1String("@") ? QStringLiteral("L") : d.DigitC)
        + (d.P3 ? point : QString()) + d.DigitD;
    reading_.ReadingValue = readingValue;
    reading_.UnitText = unit;
    reading_.AcDcText = acDc;
    reading_.AutoText = autoText;
    return d;
}
