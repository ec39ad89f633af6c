#pragma once

#include "base/build_variant.h"
#include "base/count_profile.h"
#include "decode/decoded_display.h"
#include "decode/panel_model.h"

#include <QChar>
#include <QString>

#include <array>
#include <optional>

/** Everything one mode frame changes, worked out before any of it is applied. */
struct ModeFrameOutcome {
    /** Shown (true) or hidden (false) per element; elements the frame does not name stay unset. */
    std::array<std::optional<bool>, PanelModel::ElementCount> shown {};
    DecodedDisplay display; ///< digits as captions, sign, point flags, overload, function
    QString valueText, unitText, acDcText, autoText;
    double readingValue = 0.0;
};

/**
 * The tables of the mode-frame decoder: function, range, frequency override,
 * build-variant differences and leading-zero blanking, as a pure function of
 * the frame text.
 */
class ModeFrameInterpreter {
public:
    /**
     * Works out `frameText` (at least 11 characters, positions 2 to 11 hex
     * digits). Returns nothing when the frame is too short, holds a
     * character that is not a hex digit, or when a digit or range that the
     * frame's function needs as a number is not a decimal digit.
     */
    static std::optional<ModeFrameOutcome> interpret(const QString& frameText, QChar decimalMark,
        const BuildVariant& variant, const CountProfile& profile);
};
