#pragma once

#include <QObject>

#include <vector>

class QAbstractButton;

/**
 * A group of toggle buttons in which at most one is down and the down one may
 * be raised again by clicking it. Pressing one down raises the others without
 * running their click handlers (their clicked() is not emitted).
 *
 * Add the buttons before connecting their handlers: the group raises the
 * others first, so a handler already sees the group's final state.
 */
class ExclusiveToggleGroup : public QObject {
    Q_OBJECT
public:
    explicit ExclusiveToggleGroup(QObject* parent = nullptr);

    /** Makes the button checkable and a member of the group. */
    void addButton(QAbstractButton* button);

    /** Presses a member down in code, raising the others; runs no handler. */
    void press(QAbstractButton* button);

private:
    void raiseOthers(QAbstractButton* keep);

    std::vector<QAbstractButton*> buttons_;
};
