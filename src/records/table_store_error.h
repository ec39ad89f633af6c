#pragma once

#include <QString>

#include <exception>

/**
 * Failure of a table-store operation (opening, reading, writing or copying a
 * Paradox table, or addressing a field or a closed table). The message is
 * meant for the user, e.g. "Field 'Nval' not found".
 */
class TableStoreError : public std::exception {
public:
    explicit TableStoreError(QString message)
        : message_(std::move(message))
        , utf8_(message_.toUtf8())
    {
    }

    /** The user-facing message. */
    QString message() const { return message_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
};
