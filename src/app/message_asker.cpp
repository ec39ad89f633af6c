#include "app/message_asker.h"

#include <QApplication>

QMessageBox::StandardButton DialogMessageAsker::ask(
    QWidget* parent, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, QApplication::applicationDisplayName(), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
