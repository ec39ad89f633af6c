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
    /** What kind of trouble a file gave, so the user can be told in plain words. */
    enum class Kind {
        General, ///< anything else: a missing file, a lock, a field, a closed table
        Damaged, ///< the file's contents are not a readable Paradox table
        Encrypted, ///< an intact table that is password protected
    };

    explicit TableStoreError(QString message, Kind kind = Kind::General)
        : message_(std::move(message))
        , utf8_(message_.toUtf8())
        , kind_(kind)
    {
    }

    /** The user-facing message. */
    QString message() const { return message_; }
    Kind kind() const { return kind_; }
    const char* what() const noexcept override { return utf8_.constData(); }

private:
    QString message_;
    QByteArray utf8_;
    Kind kind_;
};
