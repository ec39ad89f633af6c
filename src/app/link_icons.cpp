#include "app/link_icons.h"

#include <QPainter>

namespace {

QPixmap draw(const QColor& screen)
{
    QPixmap pm(25, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    // Computer: monitor with a stand, left half.
    p.setPen(Qt::black);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(0, 2, 13, 11);
    p.setBrush(screen);
    p.drawRect(2, 4, 9, 7);
    p.fillRect(5, 14, 4, 2, QColor(90, 90, 90));
    p.fillRect(2, 16, 10, 2, QColor(90, 90, 90));
    // Meter: upright body with a display and a dial, right half.
    p.setBrush(QColor(250, 200, 0));
    p.drawRoundedRect(15, 4, 9, 19, 2, 2);
    p.setBrush(screen);
    p.drawRect(16, 6, 7, 5);
    p.setBrush(QColor(60, 60, 60));
    p.drawEllipse(17, 14, 5, 5);
    // Cable between the two.
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.drawLine(12, 20, 16, 20);
    return pm;
}

} // namespace

namespace linkicons {

QPixmap lit()
{
    return draw(QColor(80, 230, 255));
}
QPixmap dark()
{
    return draw(QColor(30, 40, 50));
}

} // namespace linkicons
