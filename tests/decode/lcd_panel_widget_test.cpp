#include "decode/lcd_panel_layout.h"
#include "decode/lcd_panel_widget.h"
#include "decode/panel_model.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using E = PanelModel::Element;
using L = LcdPanelLayout;

TEST(LcdPanelLayout, EveryElementHasOnePlaceInsideThePanel)
{
    const QRectF inside(2, 2, L::Width - 4, L::Height - 4);
    ASSERT_EQ(int(L::elements().size()), int(PanelModel::ElementCount));
    for (int e = 0; e < PanelModel::ElementCount; ++e) {
        SCOPED_TRACE(PanelModel::elementName(E(e)).toStdString());
        EXPECT_EQ(L::place(E(e)).element, E(e));
        EXPECT_TRUE(inside.contains(L::place(E(e)).rect));
    }
    for (int i = 0; i < L::BarSegments; ++i)
        EXPECT_TRUE(inside.contains(L::barSegment(i))) << i;
    EXPECT_TRUE(inside.contains(L::barScale()));
}

/** What an element covers: a digit its leaning segments, anything else its rectangle. */
QPainterPath covered(E e)
{
    QPainterPath path;
    if (L::place(e).kind != L::Kind::Digit) {
        path.addRect(L::place(e).rect);
        return path;
    }
    for (const QPolygonF& segment : SevenSegment::segmentPolygons(L::place(e).rect, L::digitStyle()))
        path.addPolygon(segment);
    return path;
}

TEST(LcdPanelLayout, ElementsThatCanShowTogetherDoNotOverlap)
{
    for (int a = 0; a < PanelModel::ElementCount; ++a) {
        for (int b = a + 1; b < PanelModel::ElementCount; ++b) {
            if (L::sharePlace(E(a), E(b)))
                continue;
            EXPECT_FALSE(covered(E(a)).intersects(covered(E(b))))
                << PanelModel::elementName(E(a)).toStdString() << " and "
                << PanelModel::elementName(E(b)).toStdString();
        }
        EXPECT_FALSE(L::place(E(a)).rect.intersects(L::barArea()))
            << PanelModel::elementName(E(a)).toStdString();
    }
}

TEST(LcdPanelLayout, DigitsSitSideBySideWithPointsBetween)
{
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(L::digitCell(i + 1).left() - L::digitCell(i).left(), L::DigitPitch);
        const QRectF point = L::place(E(E::LcdP1 + i)).rect;
        EXPECT_EQ(point.size(), QSizeF(7, 8));
        EXPECT_DOUBLE_EQ(point.bottom(), L::digitCell(i).bottom()); // at the baseline
        EXPECT_GT(point.left(), L::digitCell(i).left() + L::digitCell(i).width() / 2);
        EXPECT_LT(point.right(), L::digitCell(i + 1).left() + 2);
    }
    // Sign at the far left; units to the right of the last digit.
    EXPECT_LT(L::place(E::LcdFH).rect.right(), L::digitCell(0).left());
    for (E unit : { E::LcdV, E::LCDohm, E::LCDHz, E::LCDk, E::LCDCS, E::LcdRPM })
        EXPECT_GT(L::place(unit).rect.left(), L::digitCell(3).right());
}

/** Counts paint events, to see how many repaints a flood of changes causes. */
class CountingPanel : public LcdPanelWidget {
public:
    using LcdPanelWidget::LcdPanelWidget;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        LcdPanelWidget::paintEvent(event);
    }
};

QImage render(LcdPanelWidget& w)
{
    QImage image(w.size(), QImage::Format_RGB32);
    QPainter p(&image);
    w.render(&p);
    return image;
}

bool darkAt(const QImage& image, QPointF at)
{
    return qGray(image.pixel(at.toPoint())) < 100;
}

TEST(LcdPanelWidget, HasThePanelsSizeAndShowsTheStartState)
{
    PanelModel model;
    LcdPanelWidget widget(&model);
    EXPECT_EQ(widget.size(), QSize(285, 154));
    EXPECT_EQ(widget.minimumSize(), widget.maximumSize());

    const QImage image = render(widget);
    EXPECT_EQ(image.pixel(150, 108), qRgb(232, 232, 232));
    // "3" in digit 1: top segment lit, upper-left segment unlit; the sign lit.
    const auto three = SevenSegment::segmentPolygons(L::digitCell(0), L::digitStyle());
    EXPECT_TRUE(darkAt(image, three[SevenSegment::A].boundingRect().center()));
    EXPECT_FALSE(darkAt(image, three[SevenSegment::F].boundingRect().center()));
    EXPECT_TRUE(darkAt(image, L::place(E::LcdFH).rect.center()));
    // Bar at 30 of 60.
    EXPECT_TRUE(darkAt(image, L::barSegment(29).center()));
    EXPECT_FALSE(darkAt(image, L::barSegment(30).center()));
    EXPECT_FALSE(darkAt(image, L::place(E::LcdP1).rect.center()));
}

TEST(LcdPanelWidget, DrawsTheModelsState)
{
    PanelModel model;
    LcdPanelWidget widget(&model);
    model.setVisible(E::LcdFH, false);
    model.setVisible(E::LcdP2, true);
    model.setCaption(E::LcdDa, QStringLiteral("@"));
    model.setBarPosition(0);
    const QImage image = render(widget);
    const auto ell = SevenSegment::segmentPolygons(L::digitCell(0), L::digitStyle());
    EXPECT_TRUE(darkAt(image, ell[SevenSegment::D].boundingRect().center()));
    EXPECT_FALSE(darkAt(image, ell[SevenSegment::A].boundingRect().center()));
    EXPECT_FALSE(darkAt(image, L::place(E::LcdFH).rect.center()));
    EXPECT_TRUE(darkAt(image, L::place(E::LcdP2).rect.center()));
    EXPECT_FALSE(darkAt(image, L::barSegment(0).center()));

    // A hidden digit shows no segment whatever its caption.
    model.setVisible(E::LcdDa, false);
    EXPECT_FALSE(darkAt(render(widget), ell[SevenSegment::D].boundingRect().center()));
}

TEST(LcdPanelWidget, FloodOfChangesRepaintsOnlyAtTheCoalescedRate)
{
    PanelModel model;
    CountingPanel widget(&model);
    widget.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    QCoreApplication::processEvents();
    widget.paints = 0;

    for (int i = 0; i < 2000; ++i) {
        model.setBarPosition(i % 61);
        if (i % 100 == 0)
            QCoreApplication::processEvents();
    }
    QTest::qWait(3 * LcdPanelWidget::RepaintInterval);
    EXPECT_GE(widget.paints, 1);
    EXPECT_LE(widget.paints, 3);
}

} // namespace
