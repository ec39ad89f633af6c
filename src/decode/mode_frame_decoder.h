#pragma once

#include "base/build_variant.h"
#include "base/count_profile.h"
#include "decode/decoded_display.h"

#include <QObject>

#include <optional>

struct ReadingState;
class PanelModel;
class FrameLog;

/**
 * Decoder of mode frames (`LcdDisplay40V`): a frame names the meter's
 * function, range, four digits and flag bits; the decoder works out from its
 * tables the unit, prefix, decimal point and annunciators the meter shows.
 *
 * One call reads `ReadingState::FrameText` (11 hex characters: "A", range,
 * four digits, function, status, option 1, option 2, "D") and writes
 * `ValueText`, `ReadingValue`, `UnitText`, `AcDcText`, `AutoText`,
 * `IdleTicks` = 0, the panel (sign, digit captions and their leading-zero
 * blanking, decimal points, annunciators) and one line of the frame log.
 *
 * The frame is checked completely before anything is changed: a frame whose
 * digits or range do not convert, or that is too short, is dropped and leaves
 * reading state, panel and log untouched. The next frame decodes normally.
 *
 * The evaluation (chart value, alarm, extremes, MAX/MIN, verdict, recording,
 * paging, bar graph) is not run here: the caller hands the returned display
 * to the reading evaluator right after this call. The evaluator reads the
 * decimal point position from the panel's shown points (`LcdP1`..`LcdP3`),
 * which differ from the P flags only in the `IF7304k` continuity function
 * where the third point is hidden while P3 stays set.
 */
class ModeFrameDecoder : public QObject {
    Q_OBJECT
public:
    /** All references must outlive the decoder; variant and profile are read on every call. */
    ModeFrameDecoder(ReadingState& reading, PanelModel& panel, FrameLog& frameLog,
        const BuildVariant& variant, const CountProfile& profile, QObject* parent = nullptr);

    /**
     * Decode `reading.FrameText`. `decimalPointIsDot` is the state of the
     * `checksystem` box: the value text gets "." when it is set and ","
     * otherwise. Returns what the evaluation of this frame needs, or nothing
     * when the frame was dropped (then nothing has changed and no signal is
     * emitted).
     */
    std::optional<DecodedDisplay> LcdDisplay40V(bool decimalPointIsDot);

signals:
    /** A frame was decoded: the window shows `CONok` and hides `CONokN`. */
    void frameDecoded();

private:
    ReadingState& reading_;
    PanelModel& panel_;
    FrameLog& frameLog_;
    const BuildVariant& variant_;
    const CountProfile& profile_;
};
