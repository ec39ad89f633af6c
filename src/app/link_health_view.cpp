#include "app/link_health_view.h"

#include <QGraphicsOpacityEffect>
#include <QWidget>

namespace {

const char* const LostProperty = "linkLost";
// Faded far enough to read as "not now", not so far that it cannot be read.
constexpr qreal StaleOpacity = 0.3;

QString timeOf(const QDateTime& when)
{
    return when.time().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

LinkHealthView::LinkHealthView(QList<QWidget*> readingWidgets, QObject* parent)
    : QObject(parent)
{
    for (QWidget* w : readingWidgets) {
        auto* effect = new QGraphicsOpacityEffect(w);
        effect->setOpacity(StaleOpacity);
        effect->setEnabled(false);
        w->setGraphicsEffect(effect); // owned by the widget from here on
        effects_ << effect;
    }
}

LinkHealthView::~LinkHealthView() = default;

void LinkHealthView::setReadingStale(bool stale)
{
    if (stale == stale_)
        return;
    stale_ = stale;
    for (const QPointer<QGraphicsOpacityEffect>& effect : effects_) {
        if (effect)
            effect->setEnabled(stale);
    }
}

void LinkHealthView::markLost(QWidget* control, const QString& hint)
{
    control->setProperty(LostProperty, true);
    control->setStyleSheet(QStringLiteral("background-color: rgb(200, 0, 0); color: white;"));
    control->setToolTip(hint);
}

void LinkHealthView::markWorking(QWidget* control, const QString& hint)
{
    control->setProperty(LostProperty, false);
    control->setStyleSheet(QString());
    control->setToolTip(hint);
}

bool LinkHealthView::showsLost(const QWidget* control)
{
    return control->property(LostProperty).toBool();
}

QString LinkHealthView::lostHint(const QString& what, const QDateTime& when)
{
    return QStringLiteral("Link lost at %1: waiting for %2 to come back").arg(timeOf(when), what);
}

QString LinkHealthView::backHint(const QString& what, const QDateTime& lost, const QDateTime& back)
{
    return QStringLiteral("%1: back at %2 after a loss at %3").arg(what, timeOf(back), timeOf(lost));
}
