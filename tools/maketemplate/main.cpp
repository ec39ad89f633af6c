// Writes the empty records table "Rk40vdb.DB" that the program opens at
// start-up and logs into. Its fields fix the stored types and widths.
#include "records/paradox_rows.h"
#include "records/paradox_writer.h"
#include "records/table_store_error.h"

#include <QString>
#include <QVector>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: maketemplate PATH\n");
        return 2;
    }
    // A value text has at most a sign, four digits and three decimal marks;
    // unit texts are short glyph-code strings such as "kHz" or "M*".
    const QVector<FieldDef> fields {
        { QStringLiteral("No"), FieldType::Long, 4 },
        { QStringLiteral("Time"), FieldType::Time, 4 },
        { QStringLiteral("DC/AC"), FieldType::Alpha, 4 },
        { QStringLiteral("Value"), FieldType::Alpha, 10 },
        { QStringLiteral("Unit"), FieldType::Alpha, 8 },
        { QStringLiteral("AUTO"), FieldType::Alpha, 4 },
        { QStringLiteral("Nval"), FieldType::Number, 8 },
    };
    try {
        ParadoxWriter::writeFile(QString::fromLocal8Bit(argv[1]), fields, ParadoxRows(42));
    } catch (const TableStoreError& e) {
        std::fprintf(stderr, "maketemplate: %s\n", e.what());
        return 1;
    }
    return 0;
}
