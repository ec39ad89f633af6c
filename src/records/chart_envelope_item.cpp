#include "records/chart_envelope_item.h"

#include <QChart>
#include <QLineF>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>

namespace {
// Just above the chart's series, which share one level.
constexpr qreal seriesLevel = 5.0;
} // namespace

ChartEnvelopeItem::ChartEnvelopeItem(QChart* chart, QValueAxis* ordinalAxis, QValueAxis* valueAxis)
    : QGraphicsItem(chart)
    , chart_(chart)
    , valueAxis_(valueAxis)
{
    setZValue(seriesLevel + 0.5);
    setFlag(QGraphicsItem::ItemClipsToShape);
    QObject::connect(chart, &QChart::plotAreaChanged, chart, [this] { plotChanged(); });
    QObject::connect(valueAxis, &QValueAxis::rangeChanged, chart, [this] { update(); });
    QObject::connect(ordinalAxis, &QValueAxis::rangeChanged, chart, [this] { update(); });
    plotChanged();
}

void ChartEnvelopeItem::setColumns(std::vector<ChartPager::EnvelopeColumn> columns, int columnCount)
{
    columns_ = std::move(columns);
    columnCount_ = std::max(columnCount, 1);
    update();
}

void ChartEnvelopeItem::setStyle(Style style, const QPen& pen, const QBrush& brush)
{
    style_ = style;
    pen_ = pen;
    brush_ = brush;
    update();
}

void ChartEnvelopeItem::plotChanged()
{
    prepareGeometryChange();
    plot_ = chart_->plotArea();
    update();
}

QRectF ChartEnvelopeItem::boundingRect() const
{
    return plot_;
}

void ChartEnvelopeItem::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    if (style_ == Style::None || columns_.empty() || plot_.isEmpty())
        return;
    const double axisLow = valueAxis_->min();
    const double yTop = valueAxis_->max();
    if (!(yTop > axisLow))
        return;
    const double yScale = plot_.height() / (yTop - axisLow);
    const double xScale = plot_.width() / columnCount_;
    auto y = [&](double v) { return plot_.top() + (yTop - v) * yScale; };
    auto x = [&](int column) { return plot_.left() + (column + 0.5) * xScale; };

    // Each bar spans its column's extremes and, as a line through every
    // point would, half of the step to the neighbouring columns' points.
    QList<QLineF> bars;
    bars.reserve(qsizetype(columns_.size()) + 3);
    QList<QRectF> fill;
    for (size_t k = 0; k < columns_.size(); ++k) {
        const ChartPager::EnvelopeColumn& c = columns_[k];
        double high = c.maximum;
        double low = c.minimum;
        auto reach = [&](double v) {
            high = std::max(high, v);
            low = std::min(low, v);
        };
        if (k > 0)
            reach((columns_[k - 1].last + c.first) / 2);
        if (k + 1 < columns_.size())
            reach((c.last + columns_[k + 1].first) / 2);
        const double top = y(high);
        bars.append(QLineF(x(c.column), top, x(c.column), y(low)));
        if (style_ == Style::Area)
            fill.append(QRectF(plot_.left() + c.column * xScale, top, xScale, plot_.bottom() - top));
    }

    painter->save();
    painter->setClipRect(plot_);
    painter->setRenderHint(QPainter::Antialiasing, false);
    if (style_ == Style::Area) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(brush_);
        painter->drawRects(fill);
        // The outline closes the area down the first and last column and along the bottom.
        const double firstX = x(columns_.front().column);
        const double lastX = x(columns_.back().column);
        bars.append(QLineF(firstX, y(columns_.front().first), firstX, plot_.bottom()));
        bars.append(QLineF(lastX, y(columns_.back().last), lastX, plot_.bottom()));
        bars.append(QLineF(firstX, plot_.bottom(), lastX, plot_.bottom()));
    }
    painter->setPen(pen_);
    painter->setBrush(Qt::NoBrush);
    painter->drawLines(bars);
    painter->restore();
}
