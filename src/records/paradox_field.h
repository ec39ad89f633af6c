#pragma once

#include <QString>

/** Paradox field type codes as stored in a table's field descriptors. */
enum class FieldType : quint8 {
    Alpha = 0x01,
    Date = 0x02,
    Short = 0x03,
    Long = 0x04,
    Currency = 0x05,
    Number = 0x06,
    Logical = 0x09,
    MemoBlob = 0x0C,
    Blob = 0x0D,
    FormattedMemo = 0x0E,
    Ole = 0x0F,
    Graphic = 0x10,
    Time = 0x14,
    Timestamp = 0x15,
    AutoInc = 0x16,
    Bcd = 0x17,
    Bytes = 0x18,
};

/** One field of a table: its name, Paradox type and stored size in bytes. */
struct FieldDef {
    QString name;
    FieldType type = FieldType::Alpha;
    int size = 0;

    bool operator==(const FieldDef&) const = default;
};
