#include "decode/seven_segment.h"

namespace {

constexpr SevenSegment::Mask bits(std::initializer_list<SevenSegment::Segment> segments)
{
    SevenSegment::Mask m = 0;
    for (auto s : segments)
        m |= SevenSegment::Mask(1u << s);
    return m;
}

using S = SevenSegment;

} // namespace

SevenSegment::Mask SevenSegment::segmentsFor(QChar c)
{
    switch (c.unicode()) {
    case u'0':
    case u'O':
        return bits({ S::A, S::B, S::C, S::D, S::E, S::F });
    case u'1':
        return bits({ S::B, S::C });
    case u'2':
        return bits({ S::A, S::B, S::G, S::E, S::D });
    case u'3':
        return bits({ S::A, S::B, S::G, S::C, S::D });
    case u'4':
        return bits({ S::F, S::G, S::B, S::C });
    case u'5':
    case u'S':
        return bits({ S::A, S::F, S::G, S::C, S::D });
    case u'6':
        return bits({ S::A, S::F, S::G, S::E, S::C, S::D });
    case u'7':
        return bits({ S::A, S::B, S::C });
    case u'8':
        return bits({ S::A, S::B, S::C, S::D, S::E, S::F, S::G });
    case u'9':
        return bits({ S::A, S::B, S::C, S::D, S::F, S::G });
    case u'@':
    case u'L':
        return bits({ S::F, S::E, S::D });
    case u'-':
        return bits({ S::G });
    case u'A':
        return bits({ S::A, S::B, S::C, S::E, S::F, S::G });
    case u'b':
        return bits({ S::F, S::E, S::D, S::C, S::G });
    case u'C':
        return bits({ S::A, S::F, S::E, S::D });
    case u'c':
        return bits({ S::G, S::E, S::D });
    case u'd':
        return bits({ S::B, S::C, S::D, S::E, S::G });
    case u'E':
        return bits({ S::A, S::F, S::G, S::E, S::D });
    case u'F':
        return bits({ S::A, S::F, S::G, S::E });
    case u'H':
        return bits({ S::F, S::E, S::G, S::B, S::C });
    case u'h':
        return bits({ S::F, S::E, S::G, S::C });
    case u'n':
        return bits({ S::E, S::G, S::C });
    case u'o':
        return bits({ S::E, S::G, S::C, S::D });
    case u'P':
        return bits({ S::A, S::B, S::F, S::G, S::E });
    case u'r':
        return bits({ S::E, S::G });
    case u't':
        return bits({ S::F, S::E, S::D, S::G });
    case u'U':
        return bits({ S::F, S::E, S::D, S::C, S::B });
    case u'u':
        return bits({ S::E, S::D, S::C });
    default:
        return 0;
    }
}

QPolygonF SevenSegment::segmentPolygon(Segment s, const QRectF& cell, const Style& style)
{
    const double t = style.thickness, half = t / 2.0, g = style.gap;
    // Work in an upright box as wide as the cell minus the slant, then lean it.
    const double left = cell.left() + half;
    const double right = cell.left() + cell.width() - style.slant - half;
    const double top = cell.top() + half;
    const double bottom = cell.bottom() - half;
    const double middle = (top + bottom) / 2.0;

    const auto horizontal = [&](double y) {
        const double x0 = left + g, x1 = right - g;
        return QPolygonF({ { x0, y }, { x0 + half, y - half }, { x1 - half, y - half }, { x1, y },
            { x1 - half, y + half }, { x0 + half, y + half } });
    };
    const auto vertical = [&](double x, double y0, double y1) {
        y0 += g;
        y1 -= g;
        return QPolygonF({ { x, y0 }, { x + half, y0 + half }, { x + half, y1 - half }, { x, y1 },
            { x - half, y1 - half }, { x - half, y0 + half } });
    };

    QPolygonF upright;
    switch (s) {
    case A:
        upright = horizontal(top);
        break;
    case G:
        upright = horizontal(middle);
        break;
    case D:
        upright = horizontal(bottom);
        break;
    case F:
        upright = vertical(left, top, middle);
        break;
    case B:
        upright = vertical(right, top, middle);
        break;
    case E:
        upright = vertical(left, middle, bottom);
        break;
    case C:
    case SegmentCount:
        upright = vertical(right, middle, bottom);
        break;
    }
    const double height = cell.height();
    for (QPointF& p : upright)
        p.rx() += style.slant * (cell.bottom() - p.y()) / height;
    return upright;
}

std::array<QPolygonF, SevenSegment::SegmentCount> SevenSegment::segmentPolygons(
    const QRectF& cell, const Style& style)
{
    std::array<QPolygonF, SegmentCount> out;
    for (int s = 0; s < SegmentCount; ++s)
        out[std::size_t(s)] = segmentPolygon(Segment(s), cell, style);
    return out;
}
