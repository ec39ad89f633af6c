#include "decode/reading_evaluator.h"

#include "decode/evaluation_view.h"
#include "decode/limit_text.h"
#include "decode/panel_model.h"
#include "decode/reading_state.h"

namespace {

const QString overloadDigit = QStringLiteral("@");

/** Whole-number conversion of a digit text; blank digits contribute nothing. */
std::optional<int> toInt(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? std::optional<int>(value) : std::nullopt;
}

/**
 * Bar position of the first two digits: their number, at least 1. Blank
 * digits contribute nothing, as they do to the reading value, so a display
 * such as " 25" (both leading digits dark) puts the bar at 1 like "0025".
 */
std::optional<int> leadingDigitsBar(const DecodedDisplay& d)
{
    const QString leading = d.DigitA + d.DigitB;
    if (leading.isEmpty())
        return 1;
    const auto n = toInt(leading);
    if (!n)
        return std::nullopt;
    return *n <= 1 ? 1 : *n;
}

bool segmentOverload(const DecodedDisplay& d)
{
    return d.DigitB + d.DigitC == QLatin1String("0@");
}

} // namespace

ReadingEvaluator::ReadingEvaluator(ReadingState& reading, EvaluationState& evaluation, PanelModel& panel,
    const CountProfile& profile, EvaluationView& view)
    : reading_(reading)
    , evaluation_(evaluation)
    , panel_(panel)
    , profile_(profile)
    , view_(view)
{
}

std::optional<int> ReadingEvaluator::modeBarPosition(const DecodedDisplay& d, int overloadBarPosition)
{
    if (d.DigitC == overloadDigit)
        return d.functionCode == u'1' ? 25 : overloadBarPosition;
    return leadingDigitsBar(d);
}

std::optional<int> ReadingEvaluator::segmentBarPosition(const DecodedDisplay& d, int overloadBarPosition)
{
    if (segmentOverload(d))
        return overloadBarPosition;
    return leadingDigitsBar(d);
}

std::optional<double> ReadingEvaluator::segmentChartValue(const DecodedDisplay& d, int fullScaleCount)
{
    if (segmentOverload(d)) {
        const auto sign = toInt(d.SignText + QLatin1Char('1'));
        return sign ? std::optional<double>(double(*sign) * fullScaleCount) : std::nullopt;
    }
    const auto v = toInt(d.SignText + d.DigitA + d.DigitB + d.DigitC + d.DigitD);
    return v ? std::optional<double>(*v) : std::nullopt;
}

bool ReadingEvaluator::canEvaluateModeFrame(const DecodedDisplay& d)
{
    return modeBarPosition(d, 0).has_value();
}

bool ReadingEvaluator::canEvaluateSegmentFrame(const DecodedDisplay& d, int fullScaleCount)
{
    return segmentBarPosition(d, 0) && segmentChartValue(d, fullScaleCount);
}

int ReadingEvaluator::PointPos() const
{
    if (panel_.isVisible(PanelModel::LcdP3))
        return 3;
    if (panel_.isVisible(PanelModel::LcdP2))
        return 2;
    if (panel_.isVisible(PanelModel::LcdP1))
        return 1;
    return 0;
}

bool ReadingEvaluator::evaluateModeFrame(const DecodedDisplay& d)
{
    const auto bar = modeBarPosition(d, profile_.OverloadBarPosition);
    if (!bar)
        return false;

    // Chart value and axis: each set point flag rescales, the last one wins.
    const double value = reading_.ReadingValue;
    double chartValue = value;
    double axisMax = 4100.0;
    double axisMin = -4100.0;
    if (d.P1) {
        chartValue = 0.001 * value;
        axisMax = 4.1;
        axisMin = -4.1;
    }
    if (d.P2) {
        chartValue = 0.01 * value;
        axisMax = 40.1;
        axisMin = -41.0;
    }
    if (d.P3) {
        chartValue = 0.1 * value;
        axisMax = 410.0;
        axisMin = -410.0;
    }
    if (d.DigitC == overloadDigit) {
        chartValue = value;
        if (d.functionCode == u'1' && d.overload)
            chartValue = 0.001 * value + 5.0;
    }
    reading_.ChartValue = chartValue;
    if (hooks_.setChartAxisRange)
        hooks_.setChartAxisRange(axisMax, axisMin);

    alarm();
    extremes(float(profile_.FullScaleCount + 1), d);
    verdict(d);
    if (hooks_.INDataToTable)
        hooks_.INDataToTable();
    if (hooks_.chartPagingStep)
        hooks_.chartPagingStep();
    panel_.setBarPosition(*bar);
    return true;
}

bool ReadingEvaluator::evaluateSegmentFrame(const DecodedDisplay& d)
{
    const auto bar = segmentBarPosition(d, profile_.OverloadBarPosition);
    const auto point = segmentChartValue(d, profile_.FullScaleCount);
    if (!bar || !point)
        return false;

    alarm();
    extremes(float(profile_.FullScaleCount), d);
    reading_.ChartValue = *point;
    if (hooks_.INDataToTable)
        hooks_.INDataToTable();
    panel_.setBarPosition(*bar);
    if (hooks_.addChartPoint)
        hooks_.addChartPoint(*point);
    return true;
}

void ReadingEvaluator::alarm()
{
    // The limits are counts, compared with the unscaled reading.
    const double value = reading_.ReadingValue;
    const bool high = hooks_.SetMaxBChecked && hooks_.SetMaxBChecked() && value > evaluation_.HighAlarmLimit;
    const bool low = hooks_.SetMinBChecked && hooks_.SetMinBChecked() && value < evaluation_.LowAlarmLimit;
    if ((high || low) && hooks_.beep)
        hooks_.beep();
    view_.setOltextShown(high || low);
}

void ReadingEvaluator::extremes(float resetMagnitude, const DecodedDisplay& d)
{
    const int pointPos = PointPos();
    const double value = reading_.ReadingValue;
    auto& e = evaluation_;
    if (reading_.UnitText == e.LastUnitText && pointPos == e.LastPointPos) {
        if (value >= e.MaxValue) {
            e.MaxValueText = reading_.ValueText;
            e.MaxValue = float(value);
        }
        if (value <= e.MinValue) {
            e.MinValueText = reading_.ValueText;
            e.MinValue = float(value);
        }
    } else {
        // New unit or point: restart the chart and the extremes; this reading
        // is not counted, so MAX/MIN change with the next frame.
        if (hooks_.BtNewClick)
            hooks_.BtNewClick();
        e.LastUnitText = reading_.UnitText;
        e.MaxValue = -resetMagnitude;
        e.MinValue = resetMagnitude;
    }
    e.LastPointPos = pointPos;

    view_.setExtremes(e.MaxValueText, e.MinValueText, reading_.UnitText);
    panel_.setCaption(PanelModel::LcdDa, d.DigitA);
    panel_.setCaption(PanelModel::LcdDb, d.DigitB);
    panel_.setCaption(PanelModel::LcdDc, d.DigitC);
    panel_.setCaption(PanelModel::LcdDd, d.DigitD);
}

QString ReadingEvaluator::hookText(const std::function<QString()>& hook) const
{
    return hook ? hook() : QString();
}

void ReadingEvaluator::verdict(const DecodedDisplay& d)
{
    const QString high = hookText(hooks_.T1HIText);
    const QString low = hookText(hooks_.T1LOText);
    bool pass = false;
    if (!d.overload && LimitText::isJudgeable(high) && LimitText::isJudgeable(low)) {
        // A text that does not convert (a limit such as "1-2") fails quietly.
        const auto lo = LimitText::toNumber(low);
        const auto hi = LimitText::toNumber(high);
        const auto value = LimitText::toNumber(reading_.ValueText);
        pass = lo && hi && value && !(*lo > *value) && !(*value > *hi);
    }
    view_.setVerdict(pass ? EvaluationView::Verdict::Pass : EvaluationView::Verdict::Fail);
    view_.setT1VALUE(reading_.ValueText);
}
