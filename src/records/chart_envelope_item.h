#pragma once

#include "records/chart_pager.h"

#include <QBrush>
#include <QGraphicsItem>
#include <QPen>

#include <vector>

class QChart;
class QValueAxis;

/**
 * Draws a dense chart page as one vertical bar per pixel column, from the
 * column's minimum to its maximum, instead of handing thousands of points
 * to a chart series. The bars join the columns as a line through every
 * point would, and in Fill mode the area below them is filled down to the
 * bottom of the plot, so the picture matches what the series would draw.
 *
 * The item sits in the chart's scene over the plot area: the screen, a
 * print and the saved bitmap all show it the same way.
 */
class ChartEnvelopeItem : public QGraphicsItem {
public:
    enum class Style { None, Line, Area };

    /** Becomes a child of @p chart and maps values through its two axes. */
    ChartEnvelopeItem(QChart* chart, QValueAxis* ordinalAxis, QValueAxis* valueAxis);

    /** Columns of the page for a plot @p columnCount pixels wide. */
    void setColumns(std::vector<ChartPager::EnvelopeColumn> columns, int columnCount);
    /** Line or filled area, with the pens and brush of the series it stands for. */
    void setStyle(Style style, const QPen& pen, const QBrush& brush = {});
    /** The plot area moved or resized, or an axis range changed. */
    void plotChanged();

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

private:
    QChart* chart_;
    QValueAxis* valueAxis_;
    std::vector<ChartPager::EnvelopeColumn> columns_;
    int columnCount_ = 1;
    Style style_ = Style::None;
    QPen pen_;
    QBrush brush_;
    QRectF plot_;
};
