#include "decode/frame_log.h"
#include "decode/mode_frame_decoder.h"
#include "decode/panel_model.h"
#include "decode/reading_evaluator.h"
#include "decode/reading_state.h"
#include "support/test_paths.h"

#include <QFile>
#include <QSignalSpy>
#include <QTextStream>

#include <gtest/gtest.h>
#include <set>

namespace {

using E = PanelModel::Element;

BuildVariant variantFrom(const QString& options)
{
    BuildVariant v;
    for (const QString& option : options.split(u'+')) {
        if (option == QLatin1String("40V"))
            v.IFRK40V = true;
        else if (option == QLatin1String("20M"))
            v.IFRK20M = true;
        else if (option == QLatin1String("91N"))
            v.IFRK91N = true;
        else if (option == QLatin1String("33H"))
            v.IFRK33H = true;
        else if (option == QLatin1String("7304k"))
            v.IF7304k = true;
    }
    return v;
}

CountProfile profileFor(const BuildVariant& v)
{
    QString code = QStringLiteral("4");
    if (v.IFRK20M)
        code = QStringLiteral("34");
    if (v.IFRK33H)
        code = QStringLiteral("6");
    return CountProfile::forCode(code);
}

/** Sign and digits as the panel shows them: "_" hidden digit, "~" shown empty digit, "." shown point. */
QString displayOf(const PanelModel& panel)
{
    QString out;
    if (panel.isVisible(E::LcdFH))
        out += u'-';
    const E digits[] = { E::LcdDa, E::LcdDb, E::LcdDc, E::LcdDd };
    const E points[] = { E::LcdP1, E::LcdP2, E::LcdP3 };
    for (int i = 0; i < 4; ++i) {
        const QString caption = panel.caption(digits[i]);
        out += !panel.isVisible(digits[i]) ? QStringLiteral("_")
            : caption.isEmpty()            ? QStringLiteral("~")
                                           : caption;
        if (i < 3 && panel.isVisible(points[i]))
            out += u'.';
    }
    return out;
}

/** Every shown element apart from sign, digits and points. */
std::set<QString> shownAnnunciators(const PanelModel& panel)
{
    std::set<QString> out;
    for (int e = E::LcdP3 + 1; e < E::ElementCount; ++e) {
        if (panel.isVisible(E(e)))
            out.insert(PanelModel::elementName(E(e)));
    }
    return out;
}

QString field(const QString& text)
{
    return text == QLatin1String("~") ? QString() : text;
}

/** A decoder with its own reading state, panel and log, for one build variant. */
struct Rig {
    explicit Rig(const BuildVariant& v = BuildVariant::shipped(), int logCapacity = FrameLog::DefaultCapacity)
        : variant(v)
        , profile(profileFor(v))
        , log(logCapacity)
        , decoder(reading, panel, log, variant, profile)
    {
    }
    std::optional<DecodedDisplay> decode(const QString& frame, bool dot = false)
    {
        reading.FrameText = frame;
        return decoder.LcdDisplay40V(dot);
    }

    BuildVariant variant;
    CountProfile profile;
    ReadingState reading;
    PanelModel panel;
    FrameLog log;
    ModeFrameDecoder decoder;
};

TEST(ModeFrameDecoder, GoldenFramesGiveReadingAndPanel)
{
    QFile file(testsupport::dataDir() + QStringLiteral("/decode/mode_frames.txt"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QTextStream in(&file);
    int rows = 0;
    for (int lineNo = 1; !in.atEnd(); ++lineNo) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList f = line.split(u' ', Qt::SkipEmptyParts);
        ASSERT_GE(f.size(), 9) << "line " << lineNo;
        SCOPED_TRACE(QStringLiteral("line %1: %2").arg(lineNo).arg(f[2]).toStdString());
        ++rows;

        Rig rig(variantFrom(f[0]));
        const auto display = rig.decode(f[2], f[1] == QLatin1String("."));
        ASSERT_TRUE(display.has_value());
        // Whatever the decoder accepts, the evaluation can take.
        EXPECT_TRUE(ReadingEvaluator::canEvaluateModeFrame(*display));
        EXPECT_EQ(rig.reading.ValueText, f[3]);
        EXPECT_EQ(rig.reading.ReadingValue, f[4].toDouble());
        EXPECT_EQ(rig.reading.UnitText, field(f[5]));
        EXPECT_EQ(rig.reading.AcDcText, field(f[6]));
        EXPECT_EQ(rig.reading.AutoText, f[7]);
        EXPECT_EQ(displayOf(rig.panel), f[8]);
        const std::set<QString> expected(f.begin() + 9, f.end());
        EXPECT_EQ(shownAnnunciators(rig.panel), expected);
    }
    EXPECT_GT(rows, 0);
}

TEST(ModeFrameDecoder, HandsTheEvaluationDigitsFlagsAndFunction)
{
    struct Case {
        const char* frame;
        bool IF7304k;
        const char *a, *b, *c, *d, *sign;
        bool p1, p2, p3, overload;
        char function;
    };
    const Case cases[] = {
        { "A11234B00AD", false, "1", "2", "3", "4", "", true, false, false, false, 'B' },
        { "A41234B501D", false, "1", "0", "@", "4", "-", false, false, false, true, 'B' },
        { "A212349001D", false, "1", "2", "3", "4", "", false, false, false, false, '9' },
        // Continuity with IF7304k: the third point is hidden but P3 stays set, digit 4 is dropped.
        { "A012345001D", true, "1", "2", "3", "", "", false, false, true, false, '5' },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame);
        BuildVariant v = BuildVariant::shipped();
        v.IF7304k = c.IF7304k;
        Rig rig(v);
        const auto d = rig.decode(QString::fromLatin1(c.frame));
        ASSERT_TRUE(d.has_value());
        EXPECT_EQ(d->DigitA, QLatin1String(c.a));
        EXPECT_EQ(d->DigitB, QLatin1String(c.b));
        EXPECT_EQ(d->DigitC, QLatin1String(c.c));
        EXPECT_EQ(d->DigitD, QLatin1String(c.d));
        EXPECT_EQ(d->SignText, QLatin1String(c.sign));
        EXPECT_EQ(std::tuple(d->P1, d->P2, d->P3, d->overload), std::tuple(c.p1, c.p2, c.p3, c.overload));
        EXPECT_EQ(d->functionCode, QChar(c.function));
    }
}

TEST(ModeFrameDecoder, UnconvertibleFramesAreDroppedWithoutAnyChange)
{
    struct Case {
        const char* frame;
        bool IF7304k;
    };
    const Case cases[] = {
        { "A1123AB001D", false }, // hex letter in digit 4
        { "A1A234B001D", false }, // hex letter in digit 1
        { "AA1234B001D", false }, // range "A" in the volts table
        { "AF12343001D", false }, // range "F" in the ohms table
        { "AB12342001D", false }, // range in the frequency table
        { "AC12346001D", false }, // range in the farads table
        { "AA1234D001D", false }, // range of the microampere row
        { "AA1234B011D", false }, // range of the frequency override
        { "AA1234F001D", true }, // "F" reads milliamperes and its range with IF7304k
        { "A11234B0G1D", false }, // not a hex digit
        { "A11234b001D", false }, // lower case is not what frame assembly produces
        { "A1234B001D", false }, // ten characters
        { "", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frame);
        BuildVariant v = BuildVariant::shipped();
        v.IF7304k = c.IF7304k;
        Rig rig(v);
        ASSERT_TRUE(rig.decode(QStringLiteral("A20567300AD")).has_value());
        rig.reading.IdleTicks = 2;
        const ReadingState before = rig.reading;
        const QString displayBefore = displayOf(rig.panel);
        const auto annunciatorsBefore = shownAnnunciators(rig.panel);
        QSignalSpy decoded(&rig.decoder, &ModeFrameDecoder::frameDecoded);
        QSignalSpy panelChanged(&rig.panel, &PanelModel::changed);

        EXPECT_FALSE(rig.decode(QString::fromLatin1(c.frame)).has_value());
        EXPECT_EQ(rig.reading.ValueText, before.ValueText);
        EXPECT_EQ(rig.reading.ReadingValue, before.ReadingValue);
        EXPECT_EQ(rig.reading.UnitText, before.UnitText);
        EXPECT_EQ(rig.reading.AcDcText, before.AcDcText);
        EXPECT_EQ(rig.reading.AutoText, before.AutoText);
        EXPECT_EQ(rig.reading.IdleTicks, 2);
        EXPECT_EQ(displayOf(rig.panel), displayBefore);
        EXPECT_EQ(shownAnnunciators(rig.panel), annunciatorsBefore);
        EXPECT_EQ(rig.log.size(), 1);
        EXPECT_EQ(decoded.count(), 0);
        EXPECT_EQ(panelChanged.count(), 0);

        // The next good frame decodes as usual.
        ASSERT_TRUE(rig.decode(QStringLiteral("A101237001D")).has_value());
        EXPECT_EQ(rig.reading.ValueText, QLatin1String("0123"));
        EXPECT_EQ(displayOf(rig.panel), QLatin1String("_123"));
    }
}

TEST(ModeFrameDecoder, DecodedFrameSignalsLinkResetsIdleAndNotifiesPanelOnce)
{
    Rig rig;
    rig.reading.IdleTicks = 5;
    QSignalSpy decoded(&rig.decoder, &ModeFrameDecoder::frameDecoded);
    QSignalSpy panelChanged(&rig.panel, &PanelModel::changed);
    ASSERT_TRUE(rig.decode(QStringLiteral("A11234B00AD")).has_value());
    EXPECT_EQ(rig.reading.IdleTicks, 0);
    EXPECT_EQ(decoded.count(), 1);
    EXPECT_EQ(panelChanged.count(), 1);
    EXPECT_EQ(rig.log.last(), QLatin1String("A11234B00AD"));
}

TEST(ModeFrameDecoder, ElementsTheFrameDoesNotNameKeepTheirState)
{
    Rig rig;
    for (E e : { E::LCDHold, E::LCDRec, E::LCDBF, E::LcdACDC, E::LCDTRMST })
        rig.panel.setVisible(e, true);
    rig.panel.setBarPosition(17);
    ASSERT_TRUE(rig.decode(QStringLiteral("A11234B005D")).has_value());
    for (E e : { E::LCDHold, E::LCDRec, E::LCDBF, E::LcdACDC, E::LCDTRMST })
        EXPECT_TRUE(rig.panel.isVisible(e)) << PanelModel::elementName(e).toStdString();
    EXPECT_FALSE(rig.panel.isVisible(E::LCDBT));
    EXPECT_EQ(rig.panel.barPosition(), 17);
}

TEST(ModeFrameDecoder, NextFrameClearsWhatThePreviousOneShowed)
{
    // Ohms with sign, battery and DC, then a plain manual volt reading.
    Rig rig;
    ASSERT_TRUE(rig.decode(QStringLiteral("A21234360AD")).has_value());
    ASSERT_TRUE(rig.decode(QStringLiteral("A40012B001D")).has_value());
    EXPECT_EQ(displayOf(rig.panel), QLatin1String("__12"));
    EXPECT_EQ(shownAnnunciators(rig.panel), std::set<QString> { QStringLiteral("LcdV") });
    EXPECT_EQ(rig.reading.AcDcText, QString());
    EXPECT_EQ(rig.reading.AutoText, QLatin1String("MANU"));
}

TEST(FrameLog, KeepsOnlyTheMostRecentLines)
{
    Rig rig(BuildVariant::shipped(), 5);
    for (int i = 0; i < 12; ++i)
        ASSERT_TRUE(rig.decode(QStringLiteral("A1%1B001D").arg(i, 4, 10, QChar(u'0'))).has_value());
    EXPECT_EQ(rig.log.size(), 5);
    EXPECT_EQ(rig.log.totalAppended(), 12);
    EXPECT_EQ(rig.log.line(0), QLatin1String("A10007B001D"));
    EXPECT_EQ(rig.log.last(), QLatin1String("A10011B001D"));

    FrameLog defaultLog;
    for (int i = 0; i < FrameLog::DefaultCapacity + 100; ++i)
        defaultLog.append(QString::number(i));
    EXPECT_EQ(defaultLog.size(), FrameLog::DefaultCapacity);
    EXPECT_EQ(defaultLog.line(0), QString::number(100));
}

} // namespace
