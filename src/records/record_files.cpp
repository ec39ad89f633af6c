#include "records/record_files.h"

#include "records/records_table.h"
#include "records/safe_file_writer.h"
#include "records/text_export.h"

#include <QFileInfo>

namespace {

FileOutcome failure(QString message)
{
    return { false, std::move(message), FileOutcome::Icon::Critical };
}

QString closedTableMessage()
{
    return QStringLiteral("Cannot perform this operation on a closed dataset");
}

} // namespace

QString RecordFiles::extensionOf(const QString& fileName)
{
    const QString name = QFileInfo(fileName).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot);
}

RecordFiles::Format RecordFiles::formatFor(const QString& fileName)
{
    return extensionOf(fileName) == QLatin1String(".db") ? Format::Paradox : Format::Text;
}

QList<QStringList> RecordFiles::exportRows(const RecordsTable& table)
{
    if (!table.isOpen())
        throw TableStoreError(closedTableMessage());
    QList<int> fields;
    for (const QString& name : TextExport::columnNames()) {
        const int index = table.fieldIndex(name);
        if (index < 0)
            throw TableStoreError(QStringLiteral("Field '%1' not found").arg(name));
        fields.append(index);
    }
    QList<QStringList> rows;
    rows.reserve(table.rowCount());
    for (qint64 row = 0; row < table.rowCount(); ++row) {
        QStringList texts;
        texts.reserve(fields.size());
        for (int field : fields)
            texts.append(table.displayText(row, field));
        rows.append(std::move(texts));
    }
    return rows;
}

FileOutcome RecordFiles::SaveTableAsText(const RecordsTable& table, const QString& fileName)
{
    QByteArray bytes;
    try {
        bytes = TextExport::bytes(exportRows(table));
    } catch (const TableStoreError& e) {
        return failure(TextExport::failureMessage(fileName) + QStringLiteral("\n\n") + e.message());
    }
    if (!SafeFileWriter::write(fileName, bytes))
        return failure(TextExport::failureMessage(fileName));
    return { true, TextExport::successMessage(fileName), FileOutcome::Icon::Information };
}

FileOutcome RecordFiles::SaveTableAsDB(const RecordsTable& table, const QString& fileName)
{
    if (!table.isOpen())
        return failure(TextExport::failureMessage(fileName) + QStringLiteral("\n\n") + closedTableMessage());
    try {
        table.copyTo(fileName);
    } catch (const TableStoreError& e) {
        return failure(TextExport::failureMessage(fileName) + QStringLiteral("\n\n") + e.message());
    }
    // The copy is complete at this point; a failing index step loses no rows,
    // so it is reported as a warning only. A table without the field gets no
    // index and no message.
    try {
        RecordsTable::addPrimaryIndex(fileName, primaryIndexField());
    } catch (const TableStoreError& e) {
        return { true,
            QStringLiteral("The table was saved to %1, but its primary index could not be built:\n\n%2")
                .arg(fileName, e.message()),
            FileOutcome::Icon::Warning };
    }
    return {};
}

FileOutcome RecordFiles::save(RecordsTable& table, const QString& fileName)
{
    FileOutcome outcome = formatFor(fileName) == Format::Paradox ? SaveTableAsDB(table, fileName)
                                                                 : SaveTableAsText(table, fileName);
    if (outcome.ok)
        table.markSaved();
    return outcome;
}

FileOutcome RecordFiles::open(RecordsTable& table, const QString& fileName)
{
    table.close();
    try {
        table.open(fileName);
    } catch (const TableStoreError& e) {
        table.close();
        return failure(e.message());
    }
    return {};
}
