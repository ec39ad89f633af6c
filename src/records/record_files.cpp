#include "records/record_files.h"

#include "records/csv_export.h"
#include "records/job_progress.h"
#include "records/log_table_layout.h"
#include "records/paradox_writer.h"
#include "records/records_table.h"
#include "records/safe_file_writer.h"
#include "records/text_export.h"

#include <QFileInfo>

#include <algorithm>

namespace {

FileOutcome failure(QString message)
{
    return { false, std::move(message), FileOutcome::Icon::Critical };
}

QString closedTableMessage()
{
    return QStringLiteral("Cannot perform this operation on a closed dataset");
}

FileOutcome cancelledOutcome()
{
    FileOutcome outcome { false, QString(), FileOutcome::Icon::None };
    outcome.cancelled = true;
    return outcome;
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
    const QString extension = extensionOf(fileName);
    if (extension.compare(QLatin1String(".db"), Qt::CaseInsensitive) == 0)
        return Format::Paradox;
    if (extension.compare(QLatin1String(".csv"), Qt::CaseInsensitive) == 0)
        return Format::Csv;
    return Format::Text;
}

namespace {

QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::Alpha:
        return QStringLiteral("text");
    case FieldType::Date:
        return QStringLiteral("date");
    case FieldType::Short:
        return QStringLiteral("short integer");
    case FieldType::Long:
        return QStringLiteral("long integer");
    case FieldType::Currency:
        return QStringLiteral("currency");
    case FieldType::Number:
        return QStringLiteral("number");
    case FieldType::Logical:
        return QStringLiteral("logical");
    case FieldType::Time:
        return QStringLiteral("time");
    case FieldType::Timestamp:
        return QStringLiteral("timestamp");
    case FieldType::AutoInc:
        return QStringLiteral("autoincrement");
    default:
        break;
    }
    return QStringLiteral("type %1").arg(int(type));
}

QString describe(const FieldDef& f)
{
    return f.type == FieldType::Alpha ? QStringLiteral("text of %1 characters").arg(f.size)
                                      : typeName(f.type);
}

/**
 * Characters a text field needs for what the log writes into it: "AC" or
 * "DC"; a sign, four digits and three decimal marks; the longest unit such as
 * "kRPM"; "AUTO" or "MANU".
 */
int textNeeded(const QString& field)
{
    static const std::pair<const char*, int> needs[]
        = { { "DC/AC", 2 }, { "Value", 8 }, { "Unit", 4 }, { "AUTO", 4 } };
    for (const auto& [name, size] : needs)
        if (field.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return size;
    return 1;
}

} // namespace

QStringList RecordFiles::fieldDifferences(const QVector<FieldDef>& fields)
{
    QStringList differences;
    for (FieldDef wanted : logTableFields()) {
        if (wanted.type == FieldType::Alpha)
            wanted.size = textNeeded(wanted.name);
        const auto found = std::find_if(fields.begin(), fields.end(),
            [&](const FieldDef& f) { return f.name.compare(wanted.name, Qt::CaseInsensitive) == 0; });
        if (found == fields.end())
            differences.append(QStringLiteral("\"%1\" is missing").arg(wanted.name));
        else if (found->type != wanted.type || (wanted.type == FieldType::Alpha && found->size < wanted.size))
            differences.append(QStringLiteral("\"%1\" is %2, needs %3")
                                   .arg(found->name, describe(*found),
                                       wanted.type == FieldType::Alpha
                                           ? QStringLiteral("text of at least %1 characters").arg(wanted.size)
                                           : typeName(wanted.type)));
    }
    return differences;
}

RecordFiles::OpenCheck RecordFiles::readForOpen(
    const RecordsTable& current, const QString& fileName, JobProgress* progress)
{
    OpenCheck check;
    ParadoxReader::Options options;
    options.progress = progress;
    // A table the log cannot write into is refused from its header, without reading its rows.
    options.checkHeader = [&fileName](const ParadoxHeader& header) {
        const QStringList differences = fieldDifferences(header.fields);
        if (!differences.isEmpty())
            throw ParadoxReader::Refused { TableStoreError(
                QStringLiteral("The file is not a records table: its fields differ from "
                               "those the readings are logged into.\n\n%1\n\n%2.")
                    .arg(fileName, differences.join(QStringLiteral(";\n")))) };
    };
    try {
        check.table = current.load(fileName, RecordsTable::Access::Exclusive, options);
    } catch (const TableStoreError& e) {
        switch (e.kind()) {
        case TableStoreError::Kind::Damaged:
            check.outcome = failure(damagedSentence() + QStringLiteral("\n\n") + e.message());
            break;
        case TableStoreError::Kind::Encrypted:
            check.outcome
                = failure(QStringLiteral("The table is password protected; this program cannot read it.\n\n")
                    + e.message());
            break;
        case TableStoreError::Kind::General:
            check.outcome = failure(e.message());
            break;
        }
    }
    return check;
}

FileOutcome RecordFiles::SaveTableAsText(
    const RecordsSnapshot& rows, const QString& fileName, JobProgress* progress)
{
    try {
        TextExport::checkColumns(rows);
    } catch (const TableStoreError& e) {
        return failure(TextExport::failureMessage(fileName) + QStringLiteral("\n\n") + e.message());
    }
    const auto produce = [&](QIODevice& out) {
        try {
            TextExport::write(out, rows, progress);
        } catch (const TableStoreError&) {
            return false; // the device failed; the designed message says so
        }
        return true;
    };
    try {
        if (!SafeFileWriter::write(fileName, produce))
            return failure(TextExport::failureMessage(fileName));
    } catch (const JobCancelled&) {
        return cancelledOutcome();
    }
    return { true, TextExport::successMessage(fileName), FileOutcome::Icon::Information };
}

FileOutcome RecordFiles::SaveTableAsText(const RecordsTable& table, const QString& fileName)
{
    if (!table.isOpen())
        return failure(TextExport::failureMessage(fileName) + QStringLiteral("\n\n") + closedTableMessage());
    return SaveTableAsText(table.snapshot(), fileName);
}

FileOutcome RecordFiles::SaveTableAsDB(
    const RecordsSnapshot& rows, const QString& fileName, JobProgress* progress)
{
    try {
        ParadoxWriter::writeFile(fileName, rows.fields(), rows.rows(), 0, progress);
    } catch (const TableStoreError& e) {
        return failure(TextExport::failureMessage(fileName) + QStringLiteral("\n\n") + e.message());
    } catch (const JobCancelled&) {
        return cancelledOutcome();
    }
    // The copy is complete at this point; a failing index step loses no rows,
    // so it is reported as a warning only. A table without the field gets no
    // index and no message.
    if (rows.fieldIndex(primaryIndexField()) < 0)
        return {};
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

FileOutcome RecordFiles::SaveTableAsCsv(const RecordsSnapshot& rows, const QList<QDateTime>& stamps,
    const QString& fileName, JobProgress* progress)
{
    try {
        CsvExport::checkFields(rows);
    } catch (const TableStoreError& e) {
        return failure(TextExport::failureMessage(fileName) + QStringLiteral("\n\n") + e.message());
    }
    const auto produce = [&](QIODevice& out) {
        try {
            CsvExport::write(out, rows, stamps, progress);
        } catch (const TableStoreError&) {
            return false;
        }
        return true;
    };
    try {
        if (!SafeFileWriter::write(fileName, produce))
            return failure(TextExport::failureMessage(fileName));
    } catch (const JobCancelled&) {
        return cancelledOutcome();
    }
    return { true, TextExport::successMessage(fileName), FileOutcome::Icon::Information };
}

FileOutcome RecordFiles::SaveTableAsCsv(
    const RecordsTable& table, const QList<QDateTime>& stamps, const QString& fileName)
{
    if (!table.isOpen())
        return failure(TextExport::failureMessage(fileName) + QStringLiteral("\n\n") + closedTableMessage());
    return SaveTableAsCsv(table.snapshot(), stamps, fileName);
}

FileOutcome RecordFiles::SaveTableAsDB(const RecordsTable& table, const QString& fileName)
{
    if (!table.isOpen())
        return failure(TextExport::failureMessage(fileName) + QStringLiteral("\n\n") + closedTableMessage());
    return SaveTableAsDB(table.snapshot(), fileName);
}

FileOutcome RecordFiles::saveRows(const RecordsSnapshot& rows, const QString& fileName, JobProgress* progress,
    const QList<QDateTime>& stamps)
{
    switch (formatFor(fileName)) {
    case Format::Paradox:
        return SaveTableAsDB(rows, fileName, progress);
    case Format::Csv:
        return SaveTableAsCsv(rows, stamps, fileName, progress);
    case Format::Text:
        break;
    }
    return SaveTableAsText(rows, fileName, progress);
}

FileOutcome RecordFiles::save(RecordsTable& table, const QString& fileName, const QList<QDateTime>& stamps)
{
    if (!table.isOpen())
        return failure(TextExport::failureMessage(fileName) + QStringLiteral("\n\n") + closedTableMessage());
    const RecordsSnapshot rows = table.snapshot();
    FileOutcome outcome = saveRows(rows, fileName, nullptr, stamps);
    if (outcome.ok)
        table.markSaved(rows);
    return outcome;
}

FileOutcome RecordFiles::open(RecordsTable& table, const QString& fileName)
{
    OpenCheck check = readForOpen(table, fileName);
    if (!check.table)
        return check.outcome;
    table.replaceWith(std::move(*check.table));
    return {};
}
