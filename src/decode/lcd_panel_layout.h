#pragma once

#include "decode/panel_model.h"
#include "decode/seven_segment.h"

#include <QRectF>
#include <QSize>
#include <QString>

#include <vector>

/**
 * Where every element of the LCD panel sits and how it is drawn. The panel
 * is 285 x 154 pixels: mode annunciators along the top, AC/DC and the sign
 * at the left, four digits 48 pixels apart with a point after each of the
 * first three, prefixes and units stacked at the right (prefix left of the
 * unit) and the bar graph across the bottom.
 */
class LcdPanelLayout {
public:
    static constexpr int Width = 285;
    static constexpr int Height = 154;
    static constexpr int DigitPitch = 48;
    static constexpr int BarSegments = PanelModel::BarMaximum;

    /** How an element is drawn. */
    enum class Kind {
        Digit, ///< seven-segment digit from its caption
        Sign, ///< minus bar
        Point, ///< decimal point
        Text, ///< lettering (caption shown through the unit glyphs, or a fixed text)
        Battery, ///< battery outline
        Diode, ///< diode sign
        Beeper, ///< speaker with sound waves
        None, ///< takes a place but shows nothing (blank captions)
    };

    struct ElementPlace {
        PanelModel::Element element;
        QRectF rect;
        Kind kind;
        int fontPixels = 0; ///< lettering height for Text
        QString fixedText; ///< shown instead of the caption when not empty
    };

    static QSize panelSize() { return { Width, Height }; }
    /** Every element of the panel, each exactly once. */
    static const std::vector<ElementPlace>& elements();
    static const ElementPlace& place(PanelModel::Element e);

    /** Cell of digit 0 (leftmost) to 3. */
    static QRectF digitCell(int index);
    static SevenSegment::Style digitStyle();

    /** Whole bar graph area, segment `index` (0 to 59) and the scale below. */
    static QRectF barArea();
    static QRectF barSegment(int index);
    static QRectF barScale();

    /**
     * Elements drawn at one place; the meter never lights two of them at
     * once (AC with the RK91N AC sign, V/A/F, the temperature, diode and
     * beeper signs, RPM with its RK91N companion, RS232 with its blank companion).
     */
    static bool sharePlace(PanelModel::Element a, PanelModel::Element b);
};
