#pragma once

#include <QByteArray>
#include <QString>

/**
 * Conversion between Qt text and Windows code page 1252, the single-byte
 * encoding of alpha fields in Paradox tables.
 */
class Cp1252 {
public:
    /** Decodes @p length bytes; stops at the first NUL byte. */
    static QString decode(const char* bytes, qsizetype length);
    /** Encodes @p text; characters outside the code page become '?'. */
    static QByteArray encode(const QString& text);
};
