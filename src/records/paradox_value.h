#pragma once

#include "records/paradox_field.h"

#include <QDateTime>
#include <QVariant>

#include <optional>

/**
 * Encoding of single field values in a Paradox record. Integers (short, long,
 * autoincrement, date, time) are big-endian with the sign bit flipped; numbers
 * (number, currency, timestamp) are big-endian doubles with the top bit set
 * when positive and every bit inverted when negative. All-zero bytes mean an
 * empty field.
 */
class ParadoxValue {
public:
    /** Whether @p size is a valid stored size for a field of @p type. */
    static bool sizeValid(FieldType type, int size);
    /** Whether the codec reads values of @p type (others read as empty). */
    static bool supported(FieldType type);

    static std::optional<qint64> readInt(const char* p, int size);
    static void writeInt(char* p, int size, qint64 value);
    static std::optional<double> readDouble(const char* p);
    static void writeDouble(char* p, double value);
    /** Largest magnitude an integer field of @p size bytes can hold. */
    static qint64 intLimit(int size);

    /** Days since 1 Jan 0001 (day 1) to a date, and back. */
    static QDate dateFromDays(qint64 days);
    static qint64 daysFromDate(QDate date);
    /** Milliseconds since 1 Jan 0001 00:00 (day 1) to a date and time, and back. */
    static QDateTime dateTimeFromStamp(double msecs);
    static double stampFromDateTime(const QDateTime& dateTime);

    /** The typed value of a field stored at @p p; null when empty or unsupported. */
    static QVariant toVariant(const FieldDef& field, const char* p);
    /** The text a grid shows; @p timeFormat formats time fields. */
    static QString toDisplay(const FieldDef& field, const char* p, const QString& timeFormat);
};
