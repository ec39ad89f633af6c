#pragma once

#include "records/paradox_field.h"

#include <QString>

#include <string>
#include <vector>

/**
 * The display text of stored field values as code page 1252 bytes, exactly
 * what Cp1252::encode(ParadoxValue::toDisplay(...)) gives, but built without
 * a QString for the common field types, so a save can format millions of
 * rows quickly. One object serves one thread.
 */
class DisplayBytes {
public:
    explicit DisplayBytes(QString timeFormat);

    /** Appends the display bytes of the value of @p field stored at @p p to @p out. */
    void append(std::string& out, const FieldDef& field, const char* p);

private:
    void appendTime(std::string& out, int msecs);

    QString timeFormat_;
    // Texts of whole seconds already formatted, by second of the day: a
    // format without milliseconds gives the same text for the whole second.
    bool cacheBySecond_ = false;
    std::vector<quint32> secondAt_;
    std::vector<quint16> secondLength_;
    std::string secondTexts_;
};
