#include "app/exclusive_toggle_group.h"

#include <QAbstractButton>

ExclusiveToggleGroup::ExclusiveToggleGroup(QObject* parent)
    : QObject(parent)
{
}

void ExclusiveToggleGroup::addButton(QAbstractButton* button)
{
    button->setCheckable(true);
    buttons_.push_back(button);
    connect(button, &QAbstractButton::clicked, this, [this, button](bool down) {
        if (down)
            raiseOthers(button);
    });
}

void ExclusiveToggleGroup::press(QAbstractButton* button)
{
    button->setChecked(true);
    raiseOthers(button);
}

void ExclusiveToggleGroup::raiseOthers(QAbstractButton* keep)
{
    for (QAbstractButton* other : buttons_) {
        if (other != keep)
            other->setChecked(false); // setChecked never emits clicked()
    }
}
