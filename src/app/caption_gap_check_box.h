#pragma once

#include <QCheckBox>

/**
 * A check box whose caption holds a run of blanks for another control to
 * sit in, as "Sampling Interval [box] 'S" does: the run is drawn at least
 * as wide as setGapWidth() asks, whatever the width of a blank in the
 * font. text() stays the caption as written.
 */
class CaptionGapCheckBox : public QCheckBox {
    Q_OBJECT
public:
    explicit CaptionGapCheckBox(const QString& text, QWidget* parent = nullptr);

    /** Draws the caption's longest run of blanks at least @p width pixels wide. */
    void setGapWidth(int width);
    /** Where the run of blanks is drawn, in the check box's coordinates. */
    QRect gapRect() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Parts {
        QString before, after;
        int gap = 0; ///< drawn width of the blanks
    };
    Parts parts() const;
    QRect captionRect() const;

    int gapWidth_ = 0;
};
