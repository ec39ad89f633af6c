#pragma once

#include <QString>

#include <stdexcept>

/** The one error of the HID layer, raised by devices and by the controller. */
class EControllerError : public std::runtime_error {
public:
    explicit EControllerError(const QString& message)
        : std::runtime_error(message.toStdString())
        , message_(message)
    {
    }
    /** The message text as the user sees it. */
    const QString& message() const { return message_; }

private:
    QString message_;
};
