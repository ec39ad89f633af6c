#include "app/shape_circle.h"

#include <QPainter>

ShapeCircle::ShapeCircle(QWidget* parent)
    : QWidget(parent)
    , brush_(palette().color(QPalette::ToolTipBase))
{
}

void ShapeCircle::setBrushColor(const QColor& color)
{
    if (brush_ == color)
        return;
    brush_ = color;
    update();
}

void ShapeCircle::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(brush_);
    const int side = qMin(width(), height()) - 2;
    p.drawEllipse(QRect((width() - side) / 2, (height() - side) / 2, side, side));
}
