#include "app/link_health_view.h"

#include <QCursor>
#include <QGraphicsOpacityEffect>
#include <QToolTip>
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

namespace {

// A tooltip already open over the control shows the new hint at once.
void setHint(QWidget* control, const QString& hint)
{
    control->setToolTip(hint);
    if (QToolTip::isVisible() && control->underMouse())
        QToolTip::showText(QCursor::pos(), hint, control);
}

} // namespace

void LinkHealthView::markLost(QWidget* control, const QString& hint)
{
    control->setProperty(LostProperty, true);
    // Only the control itself turns red, not the tooltip it opens.
    control->setStyleSheet(QStringLiteral("%1 { background-color: rgb(200, 0, 0); color: white; }")
                               .arg(QLatin1String(control->metaObject()->className())));
    setHint(control, hint);
}

void LinkHealthView::markWorking(QWidget* control, const QString& hint)
{
    control->setProperty(LostProperty, false);
    control->setStyleSheet(QString());
    setHint(control, hint);
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
