#pragma once

#include "base/count_profile.h"
#include "decode/decoded_display.h"

#include <QString>

#include <functional>
#include <optional>

struct ReadingState;
struct EvaluationState;
class PanelModel;
class EvaluationView;

/**
 * The last step of every decoded frame: chart value and axis, over-limit
 * alarm, running extremes, digit captions, limit verdict, recording, chart
 * paging and the bar graph.
 *
 * The decoder of the frame has already written the reading state and the
 * panel (digits' visibility, decimal points, annunciators); the evaluator
 * reads them, updates the evaluation state and the evaluation view, and
 * reaches the chart, the reading log and the limit controls through hooks.
 * A hook that is not set is skipped (inputs read as empty or unchecked).
 */
class ReadingEvaluator {
public:
    /** Collaborators and inputs, wired by the main window. */
    struct Hooks {
        /** Restart the trend chart (`BtNewClick`): the unit or the decimal point moved. */
        std::function<void()> BtNewClick;
        /** Hand the reading to the reading log (`INDataToTable`); once per frame. */
        std::function<void()> INDataToTable;
        /**
         * Paging step after a mode frame: when `BtFirst` is enabled, run its
         * click action (chart to page 1), then disable `BtNext` and `BTlast`.
         */
        std::function<void()> chartPagingStep;
        /** Set the chart's value axis range (mode frames, every frame). */
        std::function<void(double max, double min)> setChartAxisRange;
        /** Sound the system beep (over-limit alarm). */
        std::function<void()> beep;
        /**
         * Segment frames' own chart point: add the value to `Series1`, follow
         * the last page when `ChartFollowsLast` is set (updating `Bt10`),
         * then add it to `Series2`.
         */
        std::function<void(double value)> addChartPoint;
        /** Current texts of the limit fields `T1HI` and `T1LO`. */
        std::function<QString()> T1HIText;
        std::function<QString()> T1LOText;
        /** Whether the alarm check boxes `SetMaxB` and `SetMinB` are checked. */
        std::function<bool()> SetMaxBChecked;
        std::function<bool()> SetMinBChecked;
    };

    ReadingEvaluator(ReadingState& reading, EvaluationState& evaluation, PanelModel& panel,
        const CountProfile& profile, EvaluationView& view);

    Hooks& hooks() { return hooks_; }
    void setHooks(Hooks hooks) { hooks_ = std::move(hooks); }

    /**
     * Whether a mode frame can be evaluated: its bar graph value converts
     * (the first two digits, blank ones contributing nothing, form a number
     * unless digit 3 shows overload).
     * Decoders check this before they change anything.
     */
    static bool canEvaluateModeFrame(const DecodedDisplay& display);
    /** The same for segment frames, whose overload reads "0@" in digits 2 and 3. */
    static bool canEvaluateSegmentFrame(const DecodedDisplay& display, int fullScaleCount);

    /**
     * Evaluate a decoded mode frame. Returns false, changing nothing, when
     * the frame cannot be evaluated (see canEvaluateModeFrame).
     */
    bool evaluateModeFrame(const DecodedDisplay& display);
    /**
     * Evaluate a decoded segment frame: alarm, extremes, digit captions,
     * recording, bar graph and its own chart point; no verdict, no chart
     * axis, no paging. `ChartValue` gets the plotted value, so the reading
     * log plots the same value as the frame's own chart point. Returns
     * false, changing nothing, when the frame cannot be evaluated.
     */
    bool evaluateSegmentFrame(const DecodedDisplay& display);

    /** Bar graph position of a mode frame, or nothing when the digits do not convert. */
    static std::optional<int> modeBarPosition(const DecodedDisplay& display, int overloadBarPosition);
    /** Bar graph position of a segment frame, or nothing when the digits do not convert. */
    static std::optional<int> segmentBarPosition(const DecodedDisplay& display, int overloadBarPosition);
    /**
     * Value a segment frame plots: its signed digits, or at overload ("0@")
     * plus or minus the full-scale count. Nothing when the digits do not convert.
     */
    static std::optional<double> segmentChartValue(const DecodedDisplay& display, int fullScaleCount);

    /** Decimal point position from the shown points: 3, 2, 1 or 0. */
    int PointPos() const;

private:
    void alarm();
    void extremes(float resetMagnitude, const DecodedDisplay& display);
    void verdict(const DecodedDisplay& display);
    QString hookText(const std::function<QString()>& hook) const;

    ReadingState& reading_;
    EvaluationState& evaluation_;
    PanelModel& panel_;
    const CountProfile& profile_;
    EvaluationView& view_;
    Hooks hooks_;
};
