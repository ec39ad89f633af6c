#pragma once

#include "decode/panel_model.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

class QPainter;

/**
 * The virtual LCD `Panel1`: a thin view of a PanelModel, 285 x 154 pixels,
 * light grey with a lowered bevel. Digits are drawn as seven-segment
 * figures with faint unlit segments, annunciators as the symbols they stand
 * for, and the bar graph as a row of segments over a scale.
 *
 * Model changes are coalesced: the panel repaints at most every
 * RepaintInterval milliseconds however fast frames arrive.
 */
class LcdPanelWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int RepaintInterval = 40;

    explicit LcdPanelWidget(PanelModel* model, QWidget* parent = nullptr);

    PanelModel* model() const { return model_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void scheduleRepaint();
    void paintPanel(QPainter& p) const;
    void paintElement(QPainter& p, PanelModel::Element e) const;
    void paintDigit(QPainter& p, PanelModel::Element e) const;
    void paintBar(QPainter& p) const;

    QPointer<PanelModel> model_;
    QTimer repaintTimer_;
};
