#pragma once

#include "base/build_variant.h"

#include <QString>
#include <QStringList>

#include <optional>

/**
 * What a build variant decides at start-up: the frame format the serial
 * stream is read as, the window title, the port speed and the count profile.
 *
 * The options are looked at in a fixed order (IFRK20S, RK27L, IFRK40V,
 * IFRK20M, IFRK91N, IFZL5082, IFRK33H) and every set option applies its whole
 * row, so the last set option in that order decides the framer and the title,
 * the last of IFRK20M, IFRK91N, IFZL5082 and IFRK33H decides the profile, and
 * IFRK91N or IFZL5082 gives 19200 baud whatever follows.
 */
struct VariantSettings {
    /** Which receive handler the serial stream goes to. */
    enum class Framer {
        None, ///< no option set: received data is dropped
        Segment, ///< H20VRData, 14-byte segment frames
        Mode, ///< H40VRData, mode frames ended by CR LF
    };

    Framer framer = Framer::None;
    /** Window title; empty when no option sets one (the window keeps its own caption). */
    QString title;
    /** The first display digit shows "3" (the segment-frame families). */
    bool firstDigitThree = false;
    /** The port runs at 19200 baud instead of 2400. */
    bool speed19200 = false;
    /** Count profile code: "4", "6" or "34". */
    QString profileCode = QStringLiteral("4");

    /** Settings for @p variant. */
    static VariantSettings resolve(const BuildVariant& variant);
    /** Receive handler name: "H20VRData", "H40VRData" or empty. */
    QString framerName() const;
};

/** The options set in @p variant, by name, joined by '+' ("IFRK40V"); how the journal records a variant. */
QString buildVariantName(const BuildVariant& variant);
/** Option names of the thirteen variant options, in their declared order ("IFRK20S", "IFRK40V", …). */
QStringList buildVariantOptionNames();
/** A variant with exactly the named option set (names compare without regard to case); none for an unknown
 * name. */
std::optional<BuildVariant> buildVariantForOption(const QString& name);
