#include "app/message_asker.h"

#include "base/application_names.h"

QMessageBox::StandardButton DialogMessageAsker::ask(
    QWidget* parent, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, appnames::programTitle(), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
