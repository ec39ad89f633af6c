#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

/**
 * A message that must never hold up the program: one non-modal box, created
 * on first use and reused afterwards. Showing the text it already shows does
 * nothing; a new text replaces the old one in the same box; once the user has
 * closed the box, the next show() opens it again. Nothing here waits for the
 * user, so it is safe inside a timer, a read handler or a decoder.
 *
 * Each kind of trouble (reading errors, a lost link, the journal) has a
 * notice of its own, so one kind never hides another.
 */
class WindowNotice : public QObject {
    Q_OBJECT
public:
    WindowNotice(QWidget* parent, QMessageBox::Icon icon, QObject* owner = nullptr);
    ~WindowNotice() override;

    /**
     * Shows @p text, unless the box already shows exactly that text. The
     * @p detail line under it (a running count, say) is brought up to date
     * either way, but a changed detail alone neither reopens nor raises the
     * box and does not count as a new showing.
     */
    void show(const QString& text, const QString& detail = QString());
    /** Closes the box if it is open; the next show() opens it again. */
    void clear();

    /** Whether the box is on screen (or would be, offscreen). */
    bool isShowing() const;
    /** The text shown, or last shown. */
    QString text() const { return text_; }
    /** The detail line shown, or last shown. */
    QString detail() const { return detail_; }
    /** How many times the box was opened or given a new text; tests read it. */
    int timesShown() const { return timesShown_; }
    /** The box itself once created, for tests that press its button. */
    QMessageBox* box() const { return box_; }

signals:
    /** The user closed the box. */
    void dismissed();

private:
    QPointer<QWidget> parent_;
    QMessageBox::Icon icon_;
    QPointer<QMessageBox> box_;
    QString text_;
    QString detail_;
    int timesShown_ = 0;
};
