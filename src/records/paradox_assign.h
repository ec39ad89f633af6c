#pragma once

#include "records/paradox_field.h"

#include <QTime>

/**
 * Stores values into a field of a Paradox record, converting between kinds
 * as a table store does when a field is assigned by name: text into numbers,
 * numbers into text, and so on. A value the field cannot hold throws
 * TableStoreError with a message naming it.
 */
class ParadoxAssign {
public:
    static void fromText(const FieldDef& field, char* p, const QString& text, const QString& timeFormat);
    static void fromInt(const FieldDef& field, char* p, qint64 value);
    static void fromDouble(const FieldDef& field, char* p, double value);
    static void fromTime(const FieldDef& field, char* p, QTime value, const QString& timeFormat);
};
