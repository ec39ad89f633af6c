#include "cli/row_file.h"

#include "cli/row_writer.h"
#include "records/record_files.h"
#include "records/records_table.h"
#include "records/records_table_sink.h"

#include <exception>

bool writeRowsToFile(const QList<LoggedRow>& rows, const QString& path, LoggerFormat format, QString* error)
{
    if (format == LoggerFormat::Csv || format == LoggerFormat::JsonLines) {
        std::unique_ptr<RowWriter> writer = makeRowWriter(path);
        if (!writer->open(path, error))
            return false;
        for (const LoggedRow& row : rows) {
            if (!writer->write(row, QString())) {
                *error = QStringLiteral("cannot write %1: %2").arg(path, writer->errorString());
                return false;
            }
        }
        return writer->close(error);
    }
    RecordsTable table;
    try {
        table.openTemplate();
        RecordsTableSink sink(table);
        for (const LoggedRow& row : rows)
            sink.restoreRecord(row);
    } catch (const std::exception& e) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, QString::fromUtf8(e.what()));
        return false;
    }
    const FileOutcome outcome = RecordFiles::save(table, path);
    if (!outcome.ok) {
        *error = outcome.message;
        return false;
    }
    return true;
}
