#include "decode/evaluation_view.h"
#include "decode/frame_log.h"
#include "decode/mode_frame_decoder.h"
#include "decode/panel_model.h"
#include "decode/reading_evaluator.h"
#include "decode/reading_state.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

using E = PanelModel::Element;
using Verdict = EvaluationView::Verdict;

/** One reading as a decoder leaves it: digits, point, sign, unit, mark. */
struct Reading {
    const char* digits = "1234"; ///< four characters; ' ' is a blank digit, '@' the overload L
    int point = 0; ///< decimal point after digit 1, 2 or 3; 0 for none
    bool minus = false;
    const char* unit = "V";
    char mark = '.';
    bool overload = false;
    char function = 'B';
};

class ReadingEvaluatorTest : public ::testing::Test {
protected:
    ReadingEvaluatorTest()
    {
        auto& h = evaluator.hooks();
        h.BtNewClick = [this] { calls << QStringLiteral("BtNewClick"); };
        h.INDataToTable = [this] {
            calls << QStringLiteral("INDataToTable");
            loggedChartValues.push_back(reading.ChartValue);
        };
        h.chartPagingStep = [this] { calls << QStringLiteral("paging"); };
        h.setChartAxisRange = [this](double max, double min) {
            calls << QStringLiteral("axis");
            axis = { max, min };
        };
        h.beep = [this] { calls << QStringLiteral("beep"); };
        h.addChartPoint = [this](double v) {
            calls << QStringLiteral("point");
            points.push_back(v);
        };
        h.T1HIText = [this] { return high; };
        h.T1LOText = [this] { return low; };
        h.SetMaxBChecked = [this] { return setMaxB; };
        h.SetMinBChecked = [this] { return setMinB; };
    }

    /** Write the reading state and panel points the way a decoder does; return the display. */
    DecodedDisplay prepare(const Reading& r, bool segment)
    {
        DecodedDisplay d;
        QString* digits[] = { &d.DigitA, &d.DigitB, &d.DigitC, &d.DigitD };
        for (int i = 0; i < 4; ++i)
            *digits[i] = r.digits[i] == ' ' ? QString() : QString(QLatin1Char(r.digits[i]));
        d.SignText = r.minus ? QStringLiteral("-") : QString();
        d.P1 = r.point == 1;
        d.P2 = r.point == 2;
        d.P3 = r.point == 3;
        d.overload = r.overload;
        d.functionCode = QLatin1Char(r.function);
        panel.setVisible(E::LcdP1, d.P1);
        panel.setVisible(E::LcdP2, d.P2);
        panel.setVisible(E::LcdP3, d.P3);

        QString text = d.SignText;
        for (int i = 0; i < 4; ++i) {
            text += *digits[i] == QLatin1String("@") ? QStringLiteral("L") : *digits[i];
            if (i + 1 == r.point)
                text += QLatin1Char(r.mark);
        }
        reading.ValueText = text;
        const int full = profile.FullScaleCount + (segment ? 0 : 1);
        if (d.DigitC == QLatin1String("@"))
            reading.ReadingValue = r.minus ? -full : full;
        else
            reading.ReadingValue = (d.SignText + d.DigitA + d.DigitB + d.DigitC + d.DigitD).toInt();
        reading.UnitText = QLatin1String(r.unit);
        return d;
    }

    bool mode(const Reading& r)
    {
        calls.clear();
        return evaluator.evaluateModeFrame(prepare(r, false));
    }
    bool segment(const Reading& r)
    {
        calls.clear();
        return evaluator.evaluateSegmentFrame(prepare(r, true));
    }

    ReadingState reading;
    EvaluationState evaluation;
    PanelModel panel;
    CountProfile profile;
    EvaluationView view;
    ReadingEvaluator evaluator { reading, evaluation, panel, profile, view };

    QString high = QStringLiteral("4000");
    QString low = QStringLiteral("-4000");
    bool setMaxB = false;
    bool setMinB = false;
    QStringList calls;
    std::pair<double, double> axis;
    std::vector<double> loggedChartValues;
    std::vector<double> points;
};

TEST_F(ReadingEvaluatorTest, ModeFrameChartValueAndAxis)
{
    struct Case {
        Reading r;
        double chartValue;
        double axisMax, axisMin;
    };
    const Case cases[] = {
        { { "3999", 1 }, 3.999, 4.1, -4.1 },
        { { "1234", 2 }, 12.34, 40.1, -41.0 }, // the 40 V range is not symmetric
        { { "1234", 3, true }, -123.4, 410, -410 }, { { "1234", 0 }, 1234, 4100, -4100 },
        { { " 0@ ", 1, false, "V", '.', true, 'B' }, 4001, 4.1, -4.1 }, // overload is unscaled
        { { " 0@ ", 3, true, "V", '.', true, 'B' }, -4001, 410, -410 },
        { { " 0@ ", 1, false, ")", '.', true, '1' }, 9.001, 4.1, -4.1 }, // open diode
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(mode(c.r));
        EXPECT_NEAR(reading.ChartValue, c.chartValue, 1e-9) << c.r.digits << " P" << c.r.point;
        EXPECT_EQ(axis, std::make_pair(c.axisMax, c.axisMin)) << c.r.digits << " P" << c.r.point;
        // The reading log plots the value of this frame, not the previous one.
        ASSERT_FALSE(loggedChartValues.empty());
        EXPECT_EQ(loggedChartValues.back(), reading.ChartValue);
    }

    // With two flags set the later one scales.
    DecodedDisplay d = prepare({ "1234", 1 }, false);
    d.P3 = true;
    ASSERT_TRUE(evaluator.evaluateModeFrame(d));
    EXPECT_NEAR(reading.ChartValue, 123.4, 1e-9);
    EXPECT_EQ(axis, std::make_pair(410.0, -410.0));
}

TEST_F(ReadingEvaluatorTest, ModeFrameStepsRunInOrder)
{
    ASSERT_TRUE(mode({ "1234", 1 }));
    EXPECT_EQ(calls, QStringList({ "axis", "BtNewClick", "INDataToTable", "paging" }));
    ASSERT_TRUE(mode({ "1234", 1 }));
    EXPECT_EQ(calls, QStringList({ "axis", "INDataToTable", "paging" }));
}

TEST_F(ReadingEvaluatorTest, AlarmOnBothSides)
{
    struct Case {
        double high, low;
        bool maxB, minB;
        Reading r;
        bool alarm;
    };
    const Case cases[] = {
        { 3000, -4002, true, false, { "3001", 1 }, true },
        { 3000, -4002, true, false, { "3000", 1 }, false }, // the limit itself is fine
        { 3000, -4002, false, false, { "3001", 1 }, false }, // box unchecked
        { 4002, -3000, false, true, { "3001", 1, true }, true },
        { 4002, -3000, false, true, { "3000", 1, true }, false },
        { 4002, -3000, true, false, { "3001", 1, true }, false }, // only the other side checked
        { 4002, -4002, true, true, { " 0@ ", 1, false, "V", '.', true },
            false }, // overload 4001 stays inside
        { 4002, -4002, true, true, { " 0@ ", 1, true, "V", '.', true }, false },
        { 0, 0, true, true, { "0000", 1 }, false },
        { 0, 0, true, true, { "0001", 1 }, true },
    };
    for (const auto& c : cases) {
        evaluation.HighAlarmLimit = float(c.high);
        evaluation.LowAlarmLimit = float(c.low);
        setMaxB = c.maxB;
        setMinB = c.minB;
        ASSERT_TRUE(mode(c.r));
        EXPECT_EQ(calls.count(QStringLiteral("beep")), c.alarm ? 1 : 0) << c.r.digits << " " << c.high;
        EXPECT_EQ(view.oltextShown(), c.alarm) << c.r.digits << " " << c.high;
    }

    // The segment evaluation shares the alarm.
    evaluation.HighAlarmLimit = 3000;
    setMaxB = true;
    ASSERT_TRUE(segment({ "3001" }));
    EXPECT_TRUE(view.oltextShown());
    EXPECT_EQ(calls.count(QStringLiteral("beep")), 1);
}

TEST_F(ReadingEvaluatorTest, ExtremesFollowReadingsOfOneUnitAndPoint)
{
    // The first reading always counts as a change of unit.
    ASSERT_TRUE(mode({ "1000", 1 }));
    EXPECT_EQ(calls.count(QStringLiteral("BtNewClick")), 1);
    EXPECT_EQ(evaluation.MaxValue, -4001.0f);
    EXPECT_EQ(evaluation.MinValue, 4001.0f);
    EXPECT_EQ(evaluation.LastUnitText, QStringLiteral("V"));
    EXPECT_EQ(evaluation.LastPointPos, 1);

    for (const char* digits : { "1000", "2000", "1500" })
        ASSERT_TRUE(mode({ digits, 1 }));
    EXPECT_EQ(view.MaxText(), QStringLiteral("2.000"));
    EXPECT_EQ(view.MinText(), QStringLiteral("1.000"));
    EXPECT_EQ(view.MaxTextU(), QStringLiteral("V"));
    EXPECT_EQ(evaluation.MaxValue, 2000.0f);
    EXPECT_EQ(evaluation.MinValue, 1000.0f);

    // A tie replaces the text: the decimal mark was switched meanwhile.
    ASSERT_TRUE(mode({ "2000", 1, false, "V", ',' }));
    EXPECT_EQ(view.MaxText(), QStringLiteral("2,000"));
    EXPECT_EQ(view.MinText(), QStringLiteral("1.000"));

    // Volts to ohms: the chart restarts once, MAX/MIN keep the volt texts
    // for this frame while their unit labels already show ohms.
    ASSERT_TRUE(mode({ "0500", 1, false, "*" }));
    EXPECT_EQ(calls.count(QStringLiteral("BtNewClick")), 1);
    EXPECT_EQ(view.MaxText(), QStringLiteral("2,000"));
    EXPECT_EQ(view.MinText(), QStringLiteral("1.000"));
    EXPECT_EQ(view.MaxTextU(), QStringLiteral("*"));
    EXPECT_EQ(view.MinTextU(), QStringLiteral("*"));
    ASSERT_TRUE(mode({ "0600", 1, false, "*" }));
    EXPECT_EQ(calls.count(QStringLiteral("BtNewClick")), 0);
    EXPECT_EQ(view.MaxText(), QStringLiteral("0.600"));
    EXPECT_EQ(view.MinText(), QStringLiteral("0.600"));

    // The point moves while the unit stays: a change as well.
    ASSERT_TRUE(mode({ "0600", 2, false, "*" }));
    EXPECT_EQ(calls.count(QStringLiteral("BtNewClick")), 1);
    EXPECT_EQ(evaluation.LastPointPos, 2);
}

TEST_F(ReadingEvaluatorTest, ExtremesResetValuesDifferByFrameKind)
{
    profile = CountProfile::forCode("6");
    ASSERT_TRUE(mode({ "1234", 1 }));
    EXPECT_EQ(evaluation.MaxValue, -6001.0f);
    EXPECT_EQ(evaluation.MinValue, 6001.0f);

    ASSERT_TRUE(segment({ "1234", 1, false, "mV" }));
    EXPECT_EQ(evaluation.MaxValue, -6000.0f);
    EXPECT_EQ(evaluation.MinValue, 6000.0f);
    // An overload reading of a segment frame (plus or minus full scale) still counts.
    ASSERT_TRUE(segment({ " 0@ ", 1, true, "mV" }));
    EXPECT_EQ(evaluation.MaxValue, -6000.0f);
    EXPECT_EQ(evaluation.MinValueText, QStringLiteral("-.0L"));
    EXPECT_EQ(evaluation.MaxValueText, QStringLiteral("-.0L"));
}

TEST_F(ReadingEvaluatorTest, DigitCaptionsFollowTheFrame)
{
    ASSERT_TRUE(segment({ " 312" }));
    EXPECT_EQ(panel.caption(E::LcdDa), QString());
    EXPECT_EQ(panel.caption(E::LcdDb), QStringLiteral("3"));
    EXPECT_EQ(panel.caption(E::LcdDc), QStringLiteral("1"));
    EXPECT_EQ(panel.caption(E::LcdDd), QStringLiteral("2"));
    ASSERT_TRUE(mode({ " 0@ ", 1, false, "V", '.', true }));
    EXPECT_EQ(panel.caption(E::LcdDc), QStringLiteral("@"));
}

TEST_F(ReadingEvaluatorTest, LimitVerdict)
{
    struct Case {
        const char* high;
        const char* low;
        Reading r;
        Verdict verdict;
    };
    const Case cases[] = {
        { "4000", "-4000", { "3999", 1, false, "V", ',' }, Verdict::Pass },
        { "4000", "-4000", { "3999", 1, false, "V", '.' }, Verdict::Pass },
        { "3.5", "3.5", { "3500", 1 }, Verdict::Pass }, // equal to both limits
        { "3.5", "3.5", { "3501", 1 }, Verdict::Fail },
        { "3,5", "3,5", { "3500", 1 }, Verdict::Pass }, // limits typed with a comma
        { "3,5", "3.5", { "3500", 1, false, "V", ',' }, Verdict::Pass },
        { "3.5", "3.5", { "3499", 1, false, "V", ',' }, Verdict::Fail },
        { "10", "-10", { "1000", 2, true }, Verdict::Pass },
        { "10", "-10", { "1001", 2, true }, Verdict::Fail }, // below the low limit
        { "", "-4000", { "1000", 1 }, Verdict::Fail },
        { "4000", "", { "1000", 1 }, Verdict::Fail },
        { "4000", "-", { "1000", 1 }, Verdict::Fail },
        { "+", "-4000", { "1000", 1 }, Verdict::Fail },
        { "-+", "-4000", { "1000", 1 }, Verdict::Fail },
        { "4000", "+-", { "1000", 1 }, Verdict::Fail },
        { "1-2", "-4000", { "1000", 1 }, Verdict::Fail }, // does not convert
        { "4000", "--", { "1000", 1 }, Verdict::Fail },
        { "4000", "-4000", { " 0@ ", 1, false, "V", ',', true }, Verdict::Fail },
        { "+4000", "-4,000", { "1000", 1 }, Verdict::Pass },
    };
    for (const auto& c : cases) {
        high = QLatin1String(c.high);
        low = QLatin1String(c.low);
        ASSERT_TRUE(mode(c.r));
        const auto where
            = QStringLiteral("hi '%1' lo '%2' value %3").arg(high, low, reading.ValueText).toStdString();
        EXPECT_EQ(view.verdict(), c.verdict) << where;
        EXPECT_EQ(view.T1VALUE(), reading.ValueText) << where;
        const bool pass = c.verdict == Verdict::Pass;
        EXPECT_EQ(view.judgeText(), pass ? QStringLiteral("Pass") : QStringLiteral("Fail")) << where;
        EXPECT_EQ(view.verdictColour(), pass ? QColor(0, 128, 0) : QColor(255, 0, 0)) << where;
    }
    EXPECT_EQ(view.T1VALUE(), QStringLiteral("1.000"));
}

TEST_F(ReadingEvaluatorTest, SegmentFramesLeaveVerdictAndPagingAlone)
{
    high.clear(); // would fail any judged reading
    ASSERT_TRUE(segment({ "1234", 2 }));
    EXPECT_EQ(view.verdict(), Verdict::None);
    EXPECT_EQ(view.T1VALUE(), QStringLiteral("0"));
    EXPECT_EQ(calls, QStringList({ "BtNewClick", "INDataToTable", "point" }));
}

TEST_F(ReadingEvaluatorTest, SegmentChartPoints)
{
    struct Case {
        Reading r;
        double point;
    };
    const Case cases[] = {
        { { "1234", 2 }, 1234 },
        { { " 312", 0, true }, -312 },
        { { " 0@ ", 1 }, 4000 },
        { { " 0@ ", 1, true }, -4000 },
    };
    for (const auto& c : cases) {
        points.clear();
        ASSERT_TRUE(segment(c.r));
        EXPECT_EQ(points, std::vector<double>({ c.point })) << c.r.digits;
        // The reading log plots the same value as the frame's own point.
        EXPECT_EQ(loggedChartValues.back(), c.point) << c.r.digits;
    }
}

TEST_F(ReadingEvaluatorTest, BarGraph)
{
    struct Case {
        const char* profileCode;
        bool segmentFrame;
        Reading r;
        int bar;
    };
    const Case cases[] = {
        { "4", false, { "0000", 0 }, 1 },
        { "4", false, { "0199", 1 }, 1 },
        { "4", false, { "0299", 1 }, 2 },
        { "4", false, { "3999", 1 }, 39 },
        { "4", false, { "1234", 1, true }, 12 }, // the sign does not count
        { "4", false, { "9999", 0 }, 60 }, // beyond the bar's end
        { "4", false, { " 0@ ", 1, false, "V", '.', true }, 40 },
        { "4", false, { " 0@ ", 1, false, ")", '.', true, '1' }, 25 }, // diode
        { "6", false, { " 0@ ", 1, false, "V", '.', true }, 60 },
        { "34", false, { " 0@ ", 1, false, "V", '.', true }, 34 },
        { "4", true, { " 312" }, 3 },
        { "4", true, { "  25", 0, false, "#" }, 1 }, // both leading digits dark
        { "4", false, { "  25", 0 }, 1 },
        { "4", true, { " 0@ ", 1 }, 40 },
        { "6", true, { " 0@ ", 1, true }, 60 },
    };
    for (const auto& c : cases) {
        profile = CountProfile::forCode(QLatin1String(c.profileCode));
        ASSERT_TRUE(c.segmentFrame ? segment(c.r) : mode(c.r)) << c.r.digits;
        EXPECT_EQ(panel.barPosition(), c.bar) << c.r.digits << " profile " << c.profileCode;
    }
}

TEST_F(ReadingEvaluatorTest, FrameThatDoesNotConvertChangesNothing)
{
    ASSERT_TRUE(mode({ "1234", 1 }));
    ASSERT_TRUE(mode({ "1234", 1 }));
    const EvaluationState before = evaluation;
    const int bar = panel.barPosition();

    // An L that is not preceded by "0" gives no segment value; nor do dark digits alone.
    EXPECT_FALSE(segment({ "15@4", 0 }));
    EXPECT_FALSE(segment({ "    ", 0, true }));
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(panel.barPosition(), bar);
    EXPECT_EQ(evaluation.MaxValue, before.MaxValue);
    EXPECT_EQ(evaluation.LastPointPos, before.LastPointPos);
    EXPECT_EQ(evaluation.LastUnitText, before.LastUnitText);
    EXPECT_EQ(view.MaxText(), QStringLiteral("1.234"));
}

TEST_F(ReadingEvaluatorTest, ModeFramesThroughTheEvaluation)
{
    FrameLog log;
    const BuildVariant variant = BuildVariant::shipped();
    ModeFrameDecoder decoder(reading, panel, log, variant, profile);
    struct Step {
        const char* frame;
        bool dot; ///< the decimal-mark box
        const char* valueText;
        Verdict verdict;
        double chartValue;
        int bar;
        bool chartRestart;
    };
    const Step steps[] = {
        { "A13999B00AD", false, "3,999", Verdict::Pass, 3.999, 39, true },
        { "A13999B00AD", true, "3.999", Verdict::Pass, 3.999, 39, false },
        { "A23999B00AD", true, "39.99", Verdict::Pass, 39.99, 39, true }, // the point moved
        { "A21234B40AD", false, "-12,34", Verdict::Pass, -12.34, 12, false },
        { "A20000B10AD", false, "0,L", Verdict::Fail, 4001, 40, false }, // overload
        { "A10000110AD", true, ".0L", Verdict::Fail, 9.001, 25, true }, // open diode
    };
    for (const auto& s : steps) {
        calls.clear();
        reading.FrameText = QLatin1String(s.frame);
        const auto d = decoder.LcdDisplay40V(s.dot);
        ASSERT_TRUE(d && evaluator.evaluateModeFrame(*d)) << s.frame;
        EXPECT_EQ(view.T1VALUE(), QLatin1String(s.valueText)) << s.frame;
        EXPECT_EQ(view.verdict(), s.verdict) << s.frame;
        EXPECT_NEAR(reading.ChartValue, s.chartValue, 1e-9) << s.frame;
        EXPECT_EQ(panel.barPosition(), s.bar) << s.frame;
        EXPECT_EQ(calls.contains(QStringLiteral("BtNewClick")), s.chartRestart) << s.frame;
    }
    EXPECT_EQ(view.MaxText(), QStringLiteral("0,L")); // kept through the change to diode
    EXPECT_EQ(view.MinText(), QStringLiteral("-12,34"));
}

TEST_F(ReadingEvaluatorTest, ViewStartsFromTheCountProfile)
{
    view.reset(CountProfile::forCode(QStringLiteral("34")));
    EXPECT_EQ(view.MaxText(), QStringLiteral("-3401"));
    EXPECT_EQ(view.MinText(), QStringLiteral("3401"));
    EXPECT_EQ(view.MaxTextU(), QStringLiteral("*"));
    EXPECT_EQ(view.T1VALUE(), QStringLiteral("0"));
    EXPECT_EQ(view.judgeText(), QString());
    EXPECT_FALSE(view.verdictColour().isValid());
    EXPECT_FALSE(view.oltextShown());
}

} // namespace
