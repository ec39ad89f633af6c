#include "app/row_indicator.h"

#include <QPainter>

RowIndicator::RowIndicator(std::function<int()> currentRow, QWidget* parent)
    : QHeaderView(Qt::Vertical, parent)
    , currentRow_(std::move(currentRow))
{
    setFixedWidth(Width);
    setSectionsClickable(false);
    setHighlightSections(false);
    setSectionResizeMode(QHeaderView::Fixed);
}

void RowIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    // The section itself, with no caption: the model gives none to this header.
    QHeaderView::paintSection(painter, rect, logicalIndex);
    if (logicalIndex != currentRow_())
        return;
    const qreal size = std::min(rect.height() - 6, rect.width() - 4);
    const QPointF tip(rect.center().x() + size / 4.0 + 0.5, rect.center().y() + 0.5);
    const QPointF triangle[] = { tip, { tip.x() - size / 2.0, tip.y() - size / 2.0 },
        { tip.x() - size / 2.0, tip.y() + size / 2.0 } };
    painter->save();
    // The style may leave a clip of its caption behind, empty for a section without one.
    painter->setClipRect(rect);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette().color(QPalette::ButtonText));
    painter->drawPolygon(triangle, 3);
    painter->restore();
}
