#pragma once

#include <QChar>
#include <QPolygonF>
#include <QRectF>

#include <array>
#include <cstdint>

/**
 * Seven-segment digits as the LCD panel draws them: which segments a
 * caption character lights, and the outline of every segment in a digit
 * cell. Pure geometry, so it is checked without a widget.
 *
 * Segments follow the usual lettering: a top, b upper right, c lower right,
 * d bottom, e lower left, f upper left, g middle.
 */
class SevenSegment {
public:
    enum Segment { A, B, C, D, E, F, G, SegmentCount };
    /** Bit `1 << Segment` set for every lit segment. */
    using Mask = std::uint8_t;

    /** Shape of a digit cell: stroke thickness, gap between segments, italic slant. */
    struct Style {
        double thickness = 6.5;
        double gap = 1.0;
        double slant = 5.0; ///< how far the top edge sits right of the bottom edge
    };

    /**
     * Segments for a caption character: "0" to "9", the overload digit "@"
     * as the letter L, "-", and the letters a meter may spell (A b C c d E F
     * H h L n o P r t U u); any other character, and a blank, light none.
     */
    static Mask segmentsFor(QChar c);
    static bool isLit(Mask mask, Segment s) { return mask & (1u << s); }

    /** Outline of one segment inside `cell`. */
    static QPolygonF segmentPolygon(Segment s, const QRectF& cell, const Style& style);
    /** Outlines of all seven segments, indexed by Segment. */
    static std::array<QPolygonF, SegmentCount> segmentPolygons(const QRectF& cell, const Style& style);
};
