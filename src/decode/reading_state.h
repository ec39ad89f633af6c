#pragma once

#include <QString>

/**
 * The current reading, written by the decoders and read by the evaluation,
 * the reading log and the chart. One instance, owned by the main window.
 */
struct ReadingState {
    QString FrameText;      ///< low hex digits of the last completed frame
    QString ValueText;      ///< value as displayed: sign, digits, decimal mark
    double ReadingValue = 0.0; ///< displayed digits as a signed whole number
    double ChartValue = 0.0;   ///< ReadingValue scaled by the decimal point
    QString UnitText;       ///< unit in display glyph characters ("k*", "#")
    QString AcDcText;       ///< "AC", "DC" or empty
    QString AutoText;       ///< "AUTO" or "MANU"
    int IdleTicks = 0;      ///< connection timer ticks since the last frame
};

/**
 * Evaluation state: running extremes, unit/point of the previous reading and
 * the over-range alarm thresholds (single precision, as the meter counts are).
 */
struct EvaluationState {
    float MaxValue = -4001.0f;
    float MinValue = 4001.0f;
    QString MaxValueText;
    QString MinValueText;
    QString LastUnitText = QStringLiteral("113");
    int LastPointPos = 0;
    float HighAlarmLimit = 4002.0f;
    float LowAlarmLimit = -4002.0f;

    /** Start values for a full-scale count. */
    void reset(int fullScaleCount)
    {
        MaxValue = -float(fullScaleCount + 1);
        MinValue = float(fullScaleCount + 1);
        HighAlarmLimit = float(fullScaleCount + 2);
        LowAlarmLimit = -float(fullScaleCount + 2);
        LastUnitText = QStringLiteral("113");
    }
};
