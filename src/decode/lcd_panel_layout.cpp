#include "decode/lcd_panel_layout.h"

#include <algorithm>

namespace {

using E = PanelModel::Element;
using K = LcdPanelLayout::Kind;

constexpr double DigitTop = 26.0;
constexpr double DigitWidth = 40.0;
constexpr double DigitHeight = 78.0;
constexpr double FirstDigitLeft = 32.0;

constexpr double BarLeft = 10.0;
constexpr double BarRight = 275.0;
constexpr double BarTop = 113.0;
constexpr double BarHeight = 11.0;

std::vector<LcdPanelLayout::ElementPlace> buildElements()
{
    std::vector<LcdPanelLayout::ElementPlace> out;
    const auto add = [&out](E e, QRectF r, K kind, int font = 0, const char* text = nullptr) {
        out.push_back({ e, r, kind, font, text ? QString::fromUtf8(text) : QString() });
    };
    // Digits, their points and the sign.
    const E digits[] = { E::LcdDa, E::LcdDb, E::LcdDc, E::LcdDd };
    const E points[] = { E::LcdP1, E::LcdP2, E::LcdP3 };
    for (int i = 0; i < 4; ++i) {
        const QRectF cell = LcdPanelLayout::digitCell(i);
        add(digits[i], cell, K::Digit);
        if (i < 3) {
            const double x = cell.left() + DigitWidth - LcdPanelLayout::digitStyle().slant + 1.5;
            add(points[i], QRectF(x, cell.bottom() - 8.0, 7.0, 8.0), K::Point);
        }
    }
    add(E::LcdFH, QRectF(7.0, DigitTop + DigitHeight / 2.0 - 3.5, 21.0, 7.0), K::Sign);

    // Mode annunciators along the top.
    add(E::LcdAuto, QRectF(6, 5, 34, 14), K::Text, 11);
    add(E::LCDRS, QRectF(44, 5, 42, 14), K::Text, 11);
    add(E::LCD232C, QRectF(44, 5, 42, 14), K::None);
    add(E::LCDHold, QRectF(94, 5, 36, 14), K::Text, 11, "HOLD");
    add(E::LCDRec, QRectF(134, 5, 28, 14), K::Text, 11, "REC");
    add(E::LCDBATT, QRectF(168, 6, 24, 12), K::Battery);
    add(E::LCDBT, QRectF(198, 5, 14, 14), K::Text, 11);
    add(E::LCDBF, QRectF(262, 5, 18, 14), K::Text, 13);

    // AC/DC at the left below AUTO; the RK91N marks beside them.
    add(E::LcdDc1, QRectF(4, 26, 26, 12), K::Text, 11);
    add(E::LcdAC, QRectF(4, 39, 26, 12), K::Text, 11);
    add(E::LcdACDC, QRectF(4, 39, 26, 12), K::Text, 11);
    add(E::LCDTRMS, QRectF(4, 52, 26, 8), K::Text, 8);

    // Prefixes left of the units they go with, at the right.
    add(E::LCDn, QRectF(219, 26, 9.5, 16), K::Text, 14);
    add(E::LCDu, QRectF(229, 26, 9.5, 16), K::Text, 14);
    add(E::Lcdm, QRectF(239, 26, 15, 16), K::Text, 14);
    for (E e : { E::LcdV, E::LCDA, E::LCDF })
        add(e, QRectF(256, 26, 16, 16), K::Text, 15);
    add(E::LCDk, QRectF(219, 55, 11.5, 16), K::Text, 14);
    add(E::LCDM1, QRectF(231, 55, 17, 16), K::Text, 14);
    add(E::LCDohm, QRectF(252, 45, 20, 17), K::Text, 16);
    add(E::LCDHz, QRectF(250, 65, 30, 16), K::Text, 14);
    add(E::LCDCS, QRectF(219, 86, 30, 17), K::Text, 14);
    add(E::LCDFS, QRectF(219, 86, 30, 17), K::Text, 14);
    add(E::LCDDI, QRectF(221, 88, 26, 13), K::Diode);
    add(E::LCDFm, QRectF(221, 88, 26, 13), K::Beeper);
    add(E::LcdRPM, QRectF(250, 87, 32, 14), K::Text, 11);
    add(E::LCDTRMST, QRectF(250, 87, 32, 14), K::Text, 11);

    std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.element < b.element; });
    return out;
}

} // namespace

const std::vector<LcdPanelLayout::ElementPlace>& LcdPanelLayout::elements()
{
    static const std::vector<ElementPlace> places = buildElements();
    return places;
}

const LcdPanelLayout::ElementPlace& LcdPanelLayout::place(PanelModel::Element e)
{
    return elements()[std::size_t(e)];
}

QRectF LcdPanelLayout::digitCell(int index)
{
    return QRectF(FirstDigitLeft + DigitPitch * index, DigitTop, DigitWidth, DigitHeight);
}

SevenSegment::Style LcdPanelLayout::digitStyle()
{
    return SevenSegment::Style { 7.0, 1.0, 5.0 };
}

QRectF LcdPanelLayout::barArea()
{
    return QRectF(BarLeft - 2.0, BarTop - 3.0, BarRight - BarLeft + 4.0, Height - BarTop);
}

QRectF LcdPanelLayout::barSegment(int index)
{
    const double pitch = (BarRight - BarLeft) / BarSegments;
    return QRectF(BarLeft + pitch * index, BarTop, pitch - 1.4, BarHeight);
}

QRectF LcdPanelLayout::barScale()
{
    return QRectF(BarLeft, BarTop + BarHeight + 1.0, BarRight - BarLeft, 26.0);
}

bool LcdPanelLayout::sharePlace(PanelModel::Element a, PanelModel::Element b)
{
    static const std::vector<std::vector<E>> groups = {
        { E::LcdV, E::LCDA, E::LCDF },
        { E::LCDCS, E::LCDFS, E::LCDDI, E::LCDFm },
        { E::LcdAC, E::LcdACDC },
        { E::LcdRPM, E::LCDTRMST },
        { E::LCDRS, E::LCD232C },
    };
    if (a == b)
        return true;
    return std::any_of(groups.begin(), groups.end(), [&](const std::vector<E>& g) {
        return std::find(g.begin(), g.end(), a) != g.end() && std::find(g.begin(), g.end(), b) != g.end();
    });
}
