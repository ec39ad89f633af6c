#pragma once

#include "base/build_variant.h"
#include "base/count_profile.h"
#include "decode/decoded_display.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

struct ReadingState;
class PanelModel;

/**
 * Decoder of segment frames (`LcdDisplay20V`): a 14-digit bit image of the
 * meter's LCD. Recognises the four digits from their segment patterns,
 * mirrors every annunciator on the panel, builds the unit text from the lit
 * prefix and unit annunciators, and switches the chart axis when the meter
 * enters or leaves frequency mode.
 *
 * A frame is checked completely before anything is written: a frame whose
 * digits do not form a value (for example an "L" in digit 3 without "0" in
 * digit 2, or no lit digit at all) is dropped and the reading state, the
 * panel and `FrequencyMode` stay as they were. Dark digits contribute
 * nothing, so " 25" reads 25.
 *
 * The caller then hands the returned display to
 * ReadingEvaluator::evaluateSegmentFrame, which sets the digit captions and
 * does the rest of the frame's work.
 */
class SegmentFrameDecoder : public QObject {
    Q_OBJECT
public:
    /** All references must outlive the decoder; variant and profile are read on every call. */
    SegmentFrameDecoder(ReadingState& reading, PanelModel& panel, const CountProfile& profile,
        const BuildVariant& variant, QObject* parent = nullptr);

    /** Set the chart's value axis range; called when the frequency mode changes. */
    std::function<void(double max, double min)> setChartAxisRange;

    /**
     * Decode `FrameText` of the reading state. On success the reading state
     * (`ValueText`, `ReadingValue`, `UnitText`, `AcDcText`, `AutoText`,
     * `IdleTicks` = 0) and the panel's annunciators and points are written
     * and the digits, sign and points are returned for the evaluation.
     * Returns nothing, changing nothing and emitting no signal, for a frame
     * that cannot be decoded.
     */
    std::optional<DecodedDisplay> LcdDisplay20V();

    /** Whether the previous accepted frame had the hertz bit set. */
    bool FrequencyMode() const { return frequencyMode_; }

    /**
     * `FrameBits` of a frame text: four "0"/"1" characters per hex digit,
     * most significant first. Empty when the text is not 14 hex digits.
     */
    static QString frameBits(const QString& frameText);

    /**
     * Digit text of a 7-character segment pattern (the digit's first part
     * followed by its second part): "0" to "9", "@" (the letter L, digit 3
     * only) or empty for any other pattern.
     */
    static QString digitText(const QString& pattern, int digitNumber);

signals:
    /** A frame was decoded: the window shows `CONok` and hides `CONokN`. */
    void frameDecoded();

private:
    ReadingState& reading_;
    PanelModel& panel_;
    const CountProfile& profile_;
    const BuildVariant& variant_;
    bool frequencyMode_ = false;
};
