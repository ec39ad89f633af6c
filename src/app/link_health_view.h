#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QGraphicsOpacityEffect;
class QWidget;

/**
 * How the window shows a link that went away: the reading on screen (the
 * LCD panel, the measured value and the verdict) fades, so that the last
 * reading is not taken for a current one, and the control of the lost link
 * turns red with a hint saying since when. Nothing here waits or asks.
 */
class LinkHealthView : public QObject {
    Q_OBJECT
public:
    /** @p readingWidgets fade while the reading is stale. */
    LinkHealthView(QList<QWidget*> readingWidgets, QObject* parent);
    ~LinkHealthView() override;

    /** Fades the reading (stale) or shows it as usual. */
    void setReadingStale(bool stale);
    bool readingStale() const { return stale_; }

    /** Turns @p control red; @p hint becomes its tooltip. */
    static void markLost(QWidget* control, const QString& hint);
    /** Gives @p control its usual colours back; @p hint becomes its tooltip. */
    static void markWorking(QWidget* control, const QString& hint);
    /** Whether @p control shows a lost link. */
    static bool showsLost(const QWidget* control);

    /** "Link lost at 13:05:22: waiting for /dev/ttyUSB0 to come back" */
    static QString lostHint(const QString& what, const QDateTime& when);
    /** "/dev/ttyUSB0: back at 13:05:40 after a loss at 13:05:22" */
    static QString backHint(const QString& what, const QDateTime& lost, const QDateTime& back);

private:
    QList<QPointer<QGraphicsOpacityEffect>> effects_;
    bool stale_ = false;
};
