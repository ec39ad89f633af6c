#include "decode/evaluation_view.h"
#include "decode/panel_model.h"
#include "decode/reading_evaluator.h"
#include "decode/reading_state.h"
#include "decode/segment_frame_decoder.h"

#include <QSignalSpy>

#include <gtest/gtest.h>
#include <map>
#include <utility>
#include <vector>

namespace {

using E = PanelModel::Element;

// FrameBits positions of the annunciators.
enum Bit {
    AC = 1,
    DC = 2,
    AUTO = 3,
    RS232 = 4,
    MINUS = 5,
    POINT1 = 13,
    POINT2 = 21,
    POINT3 = 29,
    MICRO = 37,
    NANO = 38,
    KILO = 39,
    DIODE = 40,
    MILLI = 41,
    PERCENT = 42,
    MEGA = 43,
    BEEPER = 44,
    FARAD = 45,
    OHM = 46,
    RECORD = 47,
    HOLD = 48,
    AMPERE = 49,
    VOLT = 50,
    HERTZ = 51,
    BATTERY = 52,
    CELSIUS = 56
};

// Segment patterns as the meter sends them: 4 bits of the digit's first part,
// then 3 bits of its second part. ' ' is a dark digit, 'L' the overload letter.
const std::map<char, const char*> patterns = {
    { '0', "1101111" },
    { '1', "0101000" },
    { '2', "1011101" },
    { '3', "1111001" },
    { '4', "0111010" },
    { '5', "1110011" },
    { '6', "1110111" },
    { '7', "0101001" },
    { '8', "1111111" },
    { '9', "1111011" },
    { 'L', "1000110" },
    { ' ', "0000000" },
};

/** A 14-digit frame text showing four digits (4 characters) with the given bits lit. */
QString segmentFrame(const char* digits, std::vector<int> lit = {})
{
    QByteArray bits(56, '0');
    for (int k = 1; k <= 4; ++k) {
        const char* p = patterns.at(digits[k - 1]);
        for (int i = 0; i < 4; ++i)
            bits[8 * k + i] = p[i]; // first part: FrameBits 8k+1..8k+4
        for (int i = 0; i < 3; ++i)
            bits[8 * k - 3 + i] = p[4 + i]; // second part: FrameBits 8k-2..8k
    }
    for (int b : lit)
        bits[b - 1] = '1';
    QString text;
    for (int i = 0; i < 56; i += 4)
        text += QString::number(bits.mid(i, 4).toInt(nullptr, 2), 16).toUpper();
    return text;
}

/** Everything of the panel, to prove a dropped frame changed nothing. */
QStringList panelSnapshot(const PanelModel& panel)
{
    QStringList s;
    for (int e = 0; e < PanelModel::ElementCount; ++e)
        s << QStringLiteral("%1 %2 %3").arg(e).arg(panel.isVisible(E(e))).arg(panel.caption(E(e)));
    s << QString::number(panel.barPosition());
    return s;
}

class SegmentFrameDecoderTest : public ::testing::Test {
protected:
    std::optional<DecodedDisplay> decode(const QString& frameText)
    {
        reading.FrameText = frameText;
        return decoder.LcdDisplay20V();
    }

    ReadingState reading;
    PanelModel panel;
    CountProfile profile;
    BuildVariant variant;
    SegmentFrameDecoder decoder { reading, panel, profile, variant };
};

TEST_F(SegmentFrameDecoderTest, HandWrittenFrameDecodes)
{
    // 0.399 V, DC, auto: written out byte by byte from the meter's bit layout.
    reading.IdleTicks = 5;
    const auto d = decode(QStringLiteral("67D9F3F3F00040"));
    ASSERT_TRUE(d);
    EXPECT_EQ(reading.ValueText, QStringLiteral("0.399"));
    EXPECT_EQ(reading.ReadingValue, 399.0);
    EXPECT_EQ(reading.UnitText, QStringLiteral("V"));
    EXPECT_EQ(reading.AcDcText, QStringLiteral("DC"));
    EXPECT_EQ(reading.AutoText, QStringLiteral("AUTO"));
    EXPECT_EQ(reading.IdleTicks, 0);
    EXPECT_TRUE(d->P1 && !d->P2 && !d->P3);
    for (E e : { E::LcdP1, E::LcdV, E::LcdAuto })
        EXPECT_TRUE(panel.isVisible(e)) << PanelModel::elementName(e).toStdString();
    for (E e : { E::LcdFH, E::LcdP2, E::LcdP3, E::LcdAC, E::LCDRS, E::LCDA })
        EXPECT_FALSE(panel.isVisible(e)) << PanelModel::elementName(e).toStdString();
    EXPECT_EQ(segmentFrame("0399", { DC, AUTO, POINT1, VOLT }), QStringLiteral("67D9F3F3F00040"));
}

TEST_F(SegmentFrameDecoderTest, EveryDigitPatternInEveryPosition)
{
    for (const auto& [symbol, pattern] : patterns) {
        for (int k = 1; k <= 4; ++k) {
            // The letter L counts only in digit 3; any other pattern is a dark digit.
            QString expected = symbol == ' ' ? QString() : QString(QLatin1Char(symbol));
            if (symbol == 'L')
                expected = k == 3 ? QStringLiteral("@") : QString();
            char digits[5] = "0123";
            digits[k - 1] = symbol;
            const QString frame = segmentFrame(digits);
            const QString pat = QString::fromLatin1(pattern);
            EXPECT_EQ(SegmentFrameDecoder::digitText(pat, k), expected) << symbol << " in digit " << k;
            // Through a whole frame where it converts (L needs "0" before it).
            if (symbol != 'L' && k > 2) {
                const auto d = decode(frame);
                ASSERT_TRUE(d) << frame.toStdString();
                const QString got[] = { d->DigitA, d->DigitB, d->DigitC, d->DigitD };
                EXPECT_EQ(got[k - 1], expected) << symbol << " in digit " << k;
            }
        }
    }
    EXPECT_EQ(SegmentFrameDecoder::digitText(QStringLiteral("1111110"), 1), QString());
}

TEST_F(SegmentFrameDecoderTest, UnitTextFromLitAnnunciators)
{
    struct Case {
        std::vector<int> bits;
        const char* unit;
        std::vector<E> shown;
        std::vector<E> hidden;
    };
    const Case cases[] = {
        { { MILLI, VOLT }, "mV", { E::Lcdm, E::LcdV }, { E::LCDA, E::LCDk } },
        { { KILO, OHM }, "k*", { E::LCDk, E::LCDohm }, { E::LcdV, E::LCDA, E::LCDF } },
        { { MICRO, AMPERE }, "uA", { E::LCDu, E::LCDA }, { E::LcdV } },
        { { MEGA, OHM }, "M*", { E::LCDM1, E::LCDohm }, {} },
        { { NANO, FARAD }, "nF", { E::LCDn, E::LCDF }, {} },
        { { PERCENT }, "%", { E::LCDBF }, {} },
        { { KILO, HERTZ }, "kHz", { E::LCDk, E::LCDHz }, { E::LCDCS } },
        { { DIODE, VOLT }, "V", { E::LCDDI, E::LcdV }, {} },
        { { BEEPER, OHM }, "*", { E::LCDFm, E::LCDohm }, {} },
        { { RECORD, HOLD, BATTERY, RS232 }, "", { E::LCDRec, E::LCDHold, E::LCDBATT, E::LCDRS, E::LCD232C },
            { E::LCDHz, E::LCDCS } },
        { { CELSIUS }, "#", { E::LCDCS }, { E::LCDHz } },
        { { CELSIUS, MILLI, VOLT }, "#", { E::LCDCS, E::Lcdm, E::LcdV }, {} },
        { { CELSIUS, HERTZ }, "Hz", { E::LCDHz }, { E::LCDCS } },
        { {}, "", {},
            { E::LCDu, E::LCDn, E::LCDk, E::LCDDI, E::Lcdm, E::LCDBF, E::LCDM1, E::LCDFm, E::LCDF, E::LCDohm,
                E::LCDRec, E::LCDHold, E::LCDA, E::LcdV, E::LCDBATT, E::LCDHz, E::LCDCS } },
    };
    for (const auto& c : cases) {
        // Start from a frame with everything lit so hiding is checked too.
        ASSERT_TRUE(decode(segmentFrame("1234",
            { MICRO, NANO, KILO, DIODE, MILLI, PERCENT, MEGA, BEEPER, FARAD, OHM, RECORD, HOLD, AMPERE, VOLT,
                BATTERY, CELSIUS })));
        ASSERT_TRUE(decode(segmentFrame("1234", c.bits)));
        EXPECT_EQ(reading.UnitText, QLatin1String(c.unit));
        for (E e : c.shown)
            EXPECT_TRUE(panel.isVisible(e)) << c.unit << " " << PanelModel::elementName(e).toStdString();
        for (E e : c.hidden)
            EXPECT_FALSE(panel.isVisible(e)) << c.unit << " " << PanelModel::elementName(e).toStdString();
    }
}

TEST_F(SegmentFrameDecoderTest, AcDcAutoAndSign)
{
    struct Case {
        std::vector<int> bits;
        const char* acDc;
        const char* autoText;
        bool acShown;
    };
    const Case cases[] = {
        { { AC }, "AC", "MANU", true },
        { { DC, AUTO }, "DC", "AUTO", false },
        { { AC, DC }, "DC", "MANU", true }, // DC wins the text while AC stays lit
        { { AC, CELSIUS }, "", "MANU", true }, // temperature empties AC/DC
        { { AC, HERTZ }, "AC", "AUTO", true }, // frequency is always auto-ranging
        { {}, "", "MANU", false },
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(decode(segmentFrame("1234", c.bits)));
        EXPECT_EQ(reading.AcDcText, QLatin1String(c.acDc));
        EXPECT_EQ(reading.AutoText, QLatin1String(c.autoText));
        EXPECT_EQ(panel.isVisible(E::LcdAC), c.acShown);
        EXPECT_FALSE(panel.isVisible(E::LcdDc1)) << "the DC bit has no panel element";
        EXPECT_FALSE(panel.isVisible(E::LCDTRMST)) << "only the RK20S build shows it";
    }

    ASSERT_TRUE(decode(segmentFrame("1234", { MINUS })));
    EXPECT_TRUE(panel.isVisible(E::LcdFH));
    EXPECT_EQ(reading.ValueText, QStringLiteral("-1234"));
    EXPECT_EQ(reading.ReadingValue, -1234.0);
    ASSERT_TRUE(decode(segmentFrame("1234")));
    EXPECT_FALSE(panel.isVisible(E::LcdFH));
}

TEST_F(SegmentFrameDecoderTest, Rk20sShowsTrmsWithAc)
{
    variant.IFRK20S = true;
    ASSERT_TRUE(decode(segmentFrame("1234", { AC })));
    EXPECT_TRUE(panel.isVisible(E::LCDTRMST));
    EXPECT_TRUE(panel.isVisible(E::LCDTRMS));
    ASSERT_TRUE(decode(segmentFrame("1234", { DC })));
    EXPECT_FALSE(panel.isVisible(E::LCDTRMST));
    EXPECT_FALSE(panel.isVisible(E::LCDTRMS));
}

TEST_F(SegmentFrameDecoderTest, ValueTextAndReadingValue)
{
    struct Case {
        const char* digits;
        std::vector<int> bits;
        int fullScale;
        const char* valueText;
        double value;
    };
    const Case cases[] = {
        { " 312", {}, 4000, "312", 312 },
        { "1234", { POINT2 }, 4000, "12.34", 1234 },
        { "1234", { POINT3, MINUS }, 4000, "-123.4", -1234 },
        { "0000", { POINT1 }, 4000, "0.000", 0 },
        { " 0L ", { POINT1 }, 4000, ".0L", 4000 },
        { " 0L ", { POINT1, MINUS }, 4000, "-.0L", -4000 },
        { "10L ", {}, 6000, "10L", 6000 }, // overload is read from digits 2 and 3 only
        { " 0L ", { POINT2 }, 3400, "0.L", 3400 },
    };
    for (const auto& c : cases) {
        profile = CountProfile::forCode(c.fullScale == 6000 ? "6" : c.fullScale == 3400 ? "34" : "4");
        const auto d = decode(segmentFrame(c.digits, c.bits));
        ASSERT_TRUE(d) << c.digits;
        EXPECT_EQ(reading.ValueText, QLatin1String(c.valueText)) << c.digits;
        EXPECT_EQ(reading.ReadingValue, c.value) << c.digits;
    }
}

TEST_F(SegmentFrameDecoderTest, FrameThatDoesNotConvertChangesNothing)
{
    ASSERT_TRUE(decode(segmentFrame("1234", { POINT1, VOLT, AUTO })));
    const ReadingState before = reading;
    const QStringList panelBefore = panelSnapshot(panel);
    QSignalSpy decoded(&decoder, &SegmentFrameDecoder::frameDecoded);
    int axisCalls = 0;
    decoder.setChartAxisRange = [&](double, double) { ++axisCalls; };

    const QString bad[] = {
        segmentFrame("15L4", { HERTZ }), // L without "0" before it
        segmentFrame("    ", { HERTZ }), // nothing to convert
        segmentFrame("    ", { MINUS }), // a sign alone
        segmentFrame("1234").left(13), // short frame
        segmentFrame("1234").replace(0, 1, u'G'), // not a hex digit
        QString(),
    };
    for (const QString& frame : bad) {
        reading.FrameText = frame;
        EXPECT_FALSE(decoder.LcdDisplay20V()) << frame.toStdString();
        reading.FrameText = before.FrameText;
        EXPECT_EQ(reading.ValueText, before.ValueText);
        EXPECT_EQ(reading.ReadingValue, before.ReadingValue);
        EXPECT_EQ(reading.UnitText, before.UnitText);
        EXPECT_EQ(reading.AutoText, before.AutoText);
        EXPECT_EQ(panelSnapshot(panel), panelBefore) << frame.toStdString();
    }
    EXPECT_FALSE(decoder.FrequencyMode());
    EXPECT_EQ(axisCalls, 0);
    EXPECT_EQ(decoded.count(), 0);

    ASSERT_TRUE(decode(segmentFrame("0123", { HERTZ })));
    EXPECT_EQ(decoded.count(), 1);
    EXPECT_EQ(reading.UnitText, QStringLiteral("Hz"));
}

TEST_F(SegmentFrameDecoderTest, AxisSwitchesWhenFrequencyModeChanges)
{
    profile = CountProfile::forCode("6");
    std::vector<std::pair<double, double>> calls;
    decoder.setChartAxisRange = [&](double max, double min) { calls.emplace_back(max, min); };
    using Axis = std::vector<std::pair<double, double>>;
    struct Step {
        std::vector<int> bits;
        Axis expected;
    };
    const Step steps[] = {
        { { VOLT }, {} }, // frequency mode starts off: nothing to switch
        { { HERTZ }, { { 5000, -5000 } } },
        { { KILO, HERTZ }, {} },
        { { HERTZ, CELSIUS }, {} },
        { { VOLT }, { { 6000, -6000 } } },
        { { CELSIUS }, {} },
    };
    for (const auto& s : steps) {
        calls.clear();
        ASSERT_TRUE(decode(segmentFrame("1234", s.bits)));
        EXPECT_EQ(calls, s.expected);
        EXPECT_EQ(decoder.FrequencyMode(), panel.isVisible(E::LCDHz));
    }
}

TEST_F(SegmentFrameDecoderTest, DecodedFrameThroughTheEvaluation)
{
    EvaluationState evaluation;
    EvaluationView view;
    ReadingEvaluator evaluator(reading, evaluation, panel, profile, view);
    struct Case {
        const char* digits;
        std::vector<int> bits;
        const char* captions[4];
        int bar;
    };
    const Case cases[] = {
        { " 312", { VOLT }, { "", "3", "1", "2" }, 3 },
        { " 0L ", { POINT1, VOLT }, { "", "0", "@", "" }, 40 },
        { "0099", { POINT1, VOLT }, { "0", "0", "9", "9" }, 1 },
        { "  25", { CELSIUS }, { "", "", "2", "5" }, 1 }, // leading digits dark: bar as for 0025
    };
    for (const auto& c : cases) {
        const auto d = decode(segmentFrame(c.digits, c.bits));
        ASSERT_TRUE(d && evaluator.evaluateSegmentFrame(*d)) << c.digits;
        const E digits[] = { E::LcdDa, E::LcdDb, E::LcdDc, E::LcdDd };
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(panel.caption(digits[i]), QLatin1String(c.captions[i])) << c.digits;
            EXPECT_TRUE(panel.isVisible(digits[i])) << c.digits;
        }
        EXPECT_EQ(panel.barPosition(), c.bar) << c.digits;
    }
}

} // namespace
