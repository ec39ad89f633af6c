#pragma once

#include <QObject>
#include <QString>

#include <array>

/**
 * State of the virtual LCD panel: which elements are shown, the captions of
 * the four digits and the sign, and the bar graph position. The decoders and
 * the evaluation write it; the panel widget only draws it.
 */
class PanelModel : public QObject {
    Q_OBJECT
public:
    // clang-format off
    /** Every element of the panel, under the name the meter's display uses. */
    enum Element {
        LcdFH, LcdDa, LcdDb, LcdDc, LcdDd,
        LcdP1, LcdP2, LcdP3,
        LcdAuto, LCDRS, LCD232C, LcdAC, LcdDc1, LcdACDC, LCDTRMST, LCDTRMS,
        LCDHold, LCDRec, LCDBATT, LCDBT, LCDBF,
        LCDk, LCDM1, Lcdm, LCDu, LCDn,
        LcdV, LCDA, LCDohm, LCDF, LCDHz, LcdRPM,
        LCDCS, LCDFS, LCDDI, LCDFm,
        ElementCount
    };
    // clang-format on
    Q_ENUM(Element)

    static constexpr int BarMaximum = 60;

    /**
     * Groups the changes of one frame: while a batch is alive the model
     * emits no changed(); the outermost batch emits it once at its end when
     * anything changed.
     */
    class Batch {
    public:
        explicit Batch(PanelModel& model);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        PanelModel& model_;
    };

    explicit PanelModel(QObject* parent = nullptr);

    /** Back to the start state: -3999, no unit, no point, bar at 30. */
    void reset();

    bool isVisible(Element e) const { return visible_[e]; }
    void setVisible(Element e, bool shown);

    /** Caption of a label element (digits, sign, annunciator glyph). */
    QString caption(Element e) const { return captions_[e]; }
    void setCaption(Element e, const QString& text);

    int barPosition() const { return barPosition_; }
    void setBarPosition(int position);

    /** The element's name as the display knows it ("LcdDa", "LCDohm"). */
    static QString elementName(Element e);

signals:
    /** Emitted after any change; views coalesce their repaints. */
    void changed();

private:
    void notify();

    std::array<bool, ElementCount> visible_ {};
    std::array<QString, ElementCount> captions_ {};
    int barPosition_ = 30;
    int batchDepth_ = 0;
    bool changedInBatch_ = false;
};
