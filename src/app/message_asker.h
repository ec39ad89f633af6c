#pragma once

#include <QMessageBox>
#include <QString>

/**
 * Shows the window's message boxes. The window asks through this interface so
 * that tests can answer questions without a modal box blocking them.
 */
class MessageAsker {
public:
    virtual ~MessageAsker() = default;

    /**
     * Shows a box with the program's title and waits for an answer.
     * @return the button chosen (the default button when closed otherwise).
     */
    virtual QMessageBox::StandardButton ask(
        QWidget* parent, QMessageBox::Icon icon, const QString& text, QMessageBox::StandardButtons buttons)
        = 0;
};

/** The real boxes: a modal QMessageBox per call. */
class DialogMessageAsker : public MessageAsker {
public:
    QMessageBox::StandardButton ask(QWidget* parent, QMessageBox::Icon icon, const QString& text,
        QMessageBox::StandardButtons buttons) override;
};
