#include "metersim/segment_frame.h"

#include <QStringList>

#include <array>
#include <utility>

namespace metersim {

namespace {

/** Display bits, 56 of them, position 1 = most significant bit of byte 1. */
class Bits {
public:
    void set(int position, bool on = true)
    {
        if (on)
            nibbles_[(position - 1) / 4] |= 8 >> ((position - 1) % 4);
    }
    int nibble(int byteIndex) const { return nibbles_[byteIndex]; }

private:
    std::array<int, 14> nibbles_ {};
};

/** First bit position of each digit's first part (4 bits); its second part (3 bits) sits 3 before. */
constexpr int kDigitFirstPart[4] = { 9, 17, 25, 33 };

} // namespace

QString SegmentFrame::pattern(QChar digit)
{
    switch (digit.unicode()) {
    case '0':
        return QStringLiteral("1101111");
    case '1':
        return QStringLiteral("0101000");
    case '2':
        return QStringLiteral("1011101");
    case '3':
        return QStringLiteral("1111001");
    case '4':
        return QStringLiteral("0111010");
    case '5':
        return QStringLiteral("1110011");
    case '6':
        return QStringLiteral("1110111");
    case '7':
        return QStringLiteral("0101001");
    case '8':
        return QStringLiteral("1111111");
    case '9':
        return QStringLiteral("1111011");
    case 'L':
        return QStringLiteral("1000110");
    default:
        return QStringLiteral("0000000");
    }
}

QByteArray SegmentFrame::bytes() const
{
    Bits bits;
    bits.set(1, ac);
    bits.set(2, dc);
    bits.set(3, autoRange);
    bits.set(4, rs232);
    bits.set(5, minus);
    bits.set(13, point1);
    bits.set(21, point2);
    bits.set(29, point3);
    for (int d = 0; d < 4; ++d) {
        const QString p = pattern(d < digits.size() ? digits.at(d) : QLatin1Char(' '));
        const int first = kDigitFirstPart[d];
        for (int i = 0; i < 4; ++i)
            bits.set(first + i, p.at(i) == QLatin1Char('1'));
        for (int i = 0; i < 3; ++i)
            bits.set(first - 3 + i, p.at(4 + i) == QLatin1Char('1'));
    }
    const std::pair<int, bool> annunciators[] = {
        { 37, micro },
        { 38, nano },
        { 39, kilo },
        { 40, diode },
        { 41, milli },
        { 42, percent },
        { 43, mega },
        { 44, beeper },
        { 45, farad },
        { 46, ohm },
        { 47, record },
        { 48, hold },
        { 49, ampere },
        { 50, volt },
        { 51, hertz },
        { 52, lowBattery },
        { 56, celsius },
    };
    for (const auto& [position, on] : annunciators)
        bits.set(position, on);

    QByteArray out;
    for (int i = 0; i < 14; ++i)
        out += char(((i + 1) << 4) | bits.nibble(i));
    return out;
}

QString SegmentFrame::frameText() const
{
    QString text;
    for (const char byte : bytes())
        text += QString::number(byte & 0x0F, 16).toUpper();
    return text;
}

std::optional<SegmentFrame> SegmentFrame::parse(const QString& line, QString* error)
{
    const auto fail = [&](const QString& why) -> std::optional<SegmentFrame> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty() || words[0].size() != 4)
        return fail(QStringLiteral("expected DIGITS [FLAG...] with four digit characters"));
    SegmentFrame f;
    f.digits = words[0].toUpper().replace(QLatin1Char('_'), QLatin1Char(' '));
    for (const QChar c : f.digits) {
        if (!c.isDigit() && c != QLatin1Char(' ') && c != QLatin1Char('L'))
            return fail(QStringLiteral("digit characters are 0..9, _ or L: %1").arg(words[0]));
    }
    const std::pair<const char*, bool SegmentFrame::*> flags[] = {
        { "ac", &SegmentFrame::ac },
        { "dc", &SegmentFrame::dc },
        { "auto", &SegmentFrame::autoRange },
        { "rs232", &SegmentFrame::rs232 },
        { "minus", &SegmentFrame::minus },
        { "p1", &SegmentFrame::point1 },
        { "p2", &SegmentFrame::point2 },
        { "p3", &SegmentFrame::point3 },
        { "micro", &SegmentFrame::micro },
        { "nano", &SegmentFrame::nano },
        { "kilo", &SegmentFrame::kilo },
        { "diode", &SegmentFrame::diode },
        { "milli", &SegmentFrame::milli },
        { "percent", &SegmentFrame::percent },
        { "mega", &SegmentFrame::mega },
        { "beeper", &SegmentFrame::beeper },
        { "farad", &SegmentFrame::farad },
        { "ohm", &SegmentFrame::ohm },
        { "record", &SegmentFrame::record },
        { "hold", &SegmentFrame::hold },
        { "ampere", &SegmentFrame::ampere },
        { "volt", &SegmentFrame::volt },
        { "hertz", &SegmentFrame::hertz },
        { "lowbat", &SegmentFrame::lowBattery },
        { "celsius", &SegmentFrame::celsius },
    };
    for (const QString& word : words.mid(1)) {
        bool known = false;
        for (const auto& [name, member] : flags) {
            if (word.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) {
                f.*member = true;
                known = true;
            }
        }
        if (!known)
            return fail(QStringLiteral("unknown flag: %1").arg(word));
    }
    return f;
}

} // namespace metersim
