// libFuzzer entry: any bytes through the Paradox reader must end in a table
// or a TableStoreError, and an accepted table must be walkable.
#include "records/paradox_reader.h"
#include "records/paradox_value.h"
#include "records/table_store_error.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const ParadoxTable t = ParadoxReader::read(bytes);
        const QString timeFormat = QStringLiteral("HH:mm:ss");
        for (qint64 r = 0; r < t.rows.count(); ++r) {
            int offset = 0;
            for (const FieldDef& f : t.header.fields) {
                ParadoxValue::toDisplay(f, t.rows.row(r) + offset, timeFormat);
                offset += f.size;
            }
        }
    } catch (const TableStoreError&) {
    }
    return 0;
}
