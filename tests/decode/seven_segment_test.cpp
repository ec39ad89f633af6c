#include "decode/seven_segment.h"

#include <QPainterPath>

#include <gtest/gtest.h>

namespace {

using S = SevenSegment;

QString litSegments(QChar c)
{
    QString out;
    for (int s = 0; s < S::SegmentCount; ++s) {
        if (S::isLit(S::segmentsFor(c), S::Segment(s)))
            out += QChar(u'a' + s);
    }
    return out;
}

TEST(SevenSegment, CharactersLightTheirSegments)
{
    const std::pair<char16_t, const char*> cases[] = {
        { u'0', "abcdef" },
        { u'1', "bc" },
        { u'2', "abdeg" },
        { u'3', "abcdg" },
        { u'4', "bcfg" },
        { u'5', "acdfg" },
        { u'6', "acdefg" },
        { u'7', "abc" },
        { u'8', "abcdefg" },
        { u'9', "abcdfg" },
        { u'@', "def" }, // the overload digit is a seven-segment L
        { u'L', "def" },
        { u'-', "g" },
        { u'E', "adefg" },
        { u'r', "eg" },
        { u' ', "" },
        { u'?', "" },
        { u'*', "" },
    };
    for (const auto& [c, expected] : cases)
        EXPECT_EQ(litSegments(QChar(c)), QLatin1String(expected)) << char(c);
}

TEST(SevenSegment, SegmentsStayInTheirCellAndApart)
{
    const QRectF cell(32, 26, 40, 78);
    const S::Style style { 7.0, 1.0, 5.0 };
    const auto polygons = S::segmentPolygons(cell, style);
    for (int a = 0; a < S::SegmentCount; ++a) {
        SCOPED_TRACE(a);
        EXPECT_TRUE(cell.contains(polygons[a].boundingRect()));
        QPainterPath pa;
        pa.addPolygon(polygons[a]);
        for (int b = a + 1; b < S::SegmentCount; ++b) {
            QPainterPath pb;
            pb.addPolygon(polygons[b]);
            const QRectF overlap = pa.intersected(pb).boundingRect();
            EXPECT_LT(overlap.width() * overlap.height(), 0.01) << "segments " << a << " and " << b;
        }
    }
    // The digit leans right: the top segment starts further right than the bottom one.
    EXPECT_GT(polygons[S::A].boundingRect().left(), polygons[S::D].boundingRect().left() + style.slant * 0.8);
}

} // namespace
