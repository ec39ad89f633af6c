#include "records/text_export.h"

#include "records/cp1252.h"
#include "records/display_bytes.h"
#include "records/job_progress.h"
#include "records/records_snapshot.h"
#include "records/table_store_error.h"

#include <QIODevice>

#include <string>

namespace {

void appendLine(QByteArray& out, const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out.append('\t');
        out.append(Cp1252::encode(fields[i]));
    }
    out.append("\r\n");
}

} // namespace

QStringList TextExport::columnNames()
{
    return { QStringLiteral("No"), QStringLiteral("Time"), QStringLiteral("DC/AC"), QStringLiteral("Value"),
        QStringLiteral("Unit"), QStringLiteral("AUTO") };
}

QByteArray TextExport::bytes(const QList<QStringList>& rows)
{
    QByteArray out;
    out.reserve(64 + rows.size() * 40);
    appendLine(out, columnNames());
    for (const QStringList& row : rows)
        appendLine(out, row);
    return out;
}

void TextExport::checkColumns(const RecordsSnapshot& rows)
{
    for (const QString& name : columnNames())
        if (rows.fieldIndex(name) < 0)
            throw TableStoreError(QStringLiteral("Field '%1' not found").arg(name));
}

void TextExport::write(QIODevice& out, const RecordsSnapshot& rows, JobProgress* progress)
{
    checkColumns(rows);
    struct Column {
        const FieldDef* field;
        int offset;
    };
    std::vector<Column> columns;
    for (const QString& name : columnNames()) {
        const int index = rows.fieldIndex(name);
        columns.push_back({ &rows.fields()[index], rows.fieldOffset(index) });
    }

    constexpr size_t kFlushAt = 1 << 20;
    constexpr qint64 kRowsPerStep = 4096;
    std::string buffer;
    buffer.reserve(kFlushAt + 4096);
    const auto flush = [&] {
        if (out.write(buffer.data(), qint64(buffer.size())) != qint64(buffer.size()))
            throw TableStoreError(out.errorString());
        buffer.clear();
    };

    QByteArray header;
    appendLine(header, columnNames());
    buffer.append(header.constData(), size_t(header.size()));

    DisplayBytes display(rows.timeFormat());
    const ParadoxRows& records = rows.rows();
    const qint64 count = rows.rowCount();
    if (progress)
        progress->setTotal(count);
    for (qint64 row = 0; row < count; ++row) {
        if (progress && row % kRowsPerStep == 0)
            progress->advance(row);
        const char* record = records.row(row);
        for (size_t c = 0; c < columns.size(); ++c) {
            if (c > 0)
                buffer.push_back('\t');
            display.append(buffer, *columns[c].field, record + columns[c].offset);
        }
        buffer.append("\r\n");
        if (buffer.size() >= kFlushAt)
            flush();
    }
    flush();
    if (progress)
        progress->advance(count);
}

QString TextExport::successMessage(const QString& fileName)
{
    return QStringLiteral("save table to specified file: ") + fileName + QStringLiteral(" Scuss!");
}

QString TextExport::failureMessage(const QString& fileName)
{
    return QStringLiteral("Could not save table to specified file: ") + fileName;
}
