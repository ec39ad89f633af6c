#include "app/text_width.h"

#include <QFontMetricsF>

#include <algorithm>
#include <cmath>

int widestAdvance(const QStringList& texts, const QFont& font)
{
    const QFontMetricsF metrics(font);
    qreal width = 0;
    for (const QString& t : texts)
        width = std::max(width, metrics.horizontalAdvance(t));
    return int(std::ceil(width));
}
