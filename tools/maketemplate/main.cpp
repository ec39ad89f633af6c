// Writes the empty records table "Rk40vdb.DB" that the program opens at
// start-up and logs into. Its fields fix the stored types and widths.
#include "records/log_table_layout.h"
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
    try {
        ParadoxWriter::writeFile(QString::fromLocal8Bit(argv[1]), logTableFields(), ParadoxRows(42));
    } catch (const TableStoreError& e) {
        std::fprintf(stderr, "maketemplate: %s\n", e.what());
        return 1;
    }
    return 0;
}
