#include "app/caption_gap_check_box.h"

#include "app/text_width.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

CaptionGapCheckBox::CaptionGapCheckBox(const QString& text, QWidget* parent)
    : QCheckBox(text, parent)
{
}

void CaptionGapCheckBox::setGapWidth(int width)
{
    gapWidth_ = width;
    updateGeometry();
    update();
}

CaptionGapCheckBox::Parts CaptionGapCheckBox::parts() const
{
    // The longest run of blanks splits the caption.
    const QString caption = text();
    qsizetype start = caption.size(), length = 0;
    for (qsizetype i = 0; i < caption.size();) {
        qsizetype j = i;
        while (j < caption.size() && caption[j] == QLatin1Char(' '))
            ++j;
        if (j - i > length) {
            start = i;
            length = j - i;
        }
        i = j == i ? i + 1 : j;
    }
    Parts p;
    p.before = caption.left(start);
    p.after = caption.mid(start + length);
    p.gap = std::max(gapWidth_, widestAdvance({ caption.mid(start, length) }, font()));
    return p;
}

QRect CaptionGapCheckBox::captionRect() const
{
    QStyleOptionButton opt;
    initStyleOption(&opt);
    return style()->subElementRect(QStyle::SE_CheckBoxContents, &opt, this);
}

QRect CaptionGapCheckBox::gapRect() const
{
    const Parts p = parts();
    return QRect(captionRect().left() + widestAdvance({ p.before }, font()), 0, p.gap, height());
}

QSize CaptionGapCheckBox::sizeHint() const
{
    const Parts p = parts();
    const QSize caption(widestAdvance({ p.before }, font()) + p.gap + widestAdvance({ p.after }, font()),
        fontMetrics().height());
    QStyleOptionButton opt;
    initStyleOption(&opt);
    return style()->sizeFromContents(QStyle::CT_CheckBox, &opt, caption, this);
}

void CaptionGapCheckBox::paintEvent(QPaintEvent*)
{
    // The indicator as the style draws it, then the caption in two parts around the gap.
    QStylePainter painter(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    painter.drawControl(QStyle::CE_CheckBox, opt);

    const Parts p = parts();
    const QRect caption = captionRect();
    const int afterLeft = caption.left() + widestAdvance({ p.before }, font()) + p.gap;
    const auto draw = [&](int left, const QString& text) {
        const QRect where(left, caption.top(), widestAdvance({ text }, font()), caption.height());
        style()->drawItemText(&painter, where, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic,
            palette(), isEnabled(), text, QPalette::WindowText);
    };
    draw(caption.left(), p.before);
    draw(afterLeft, p.after);
}
