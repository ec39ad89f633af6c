#include "support/records_fixture.h"

#include "records/records_table.h"
#include "support/test_paths.h"

#include <QDir>
#include <QFile>

#include <ostream>

extern "C" {
#include <paradox.h>
}

namespace testsupport {

QList<SampleRow> sampleRows()
{
    return {
        { 1, QTime(14, 3, 27), QStringLiteral("DC"), QStringLiteral("3.999"), 3999, QStringLiteral("V"),
            QStringLiteral("AUTO") },
        { 2, QTime(14, 3, 28), QString(), QStringLiteral("1,234"), 1234, QStringLiteral("k*"),
            QStringLiteral("MANU") },
        { 3, QTime(0, 0, 1), QStringLiteral("AC"), QStringLiteral("-0.012"), -12, QStringLiteral("mV"),
            QStringLiteral("AUTO") },
        { 4, QTime(23, 59, 59), QString(), QStringLiteral("-39,99"), -3999, QStringLiteral("#"),
            QStringLiteral("MANU") },
        { 5, QTime(12, 0, 0), QStringLiteral("DC"), QStringLiteral("0.000"), 0, QStringLiteral(")"),
            QStringLiteral("AUTO") },
    };
}

QString copyRecordsTemplate(const QString& folder, const QString& fileName)
{
    const QString target = QDir(folder).filePath(fileName);
    QFile::remove(target);
    QFile::copy(QDir(binDir()).filePath(QStringLiteral("Rk40vdb.DB")), target);
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    return target;
}

void appendRows(RecordsTable& table, const QList<SampleRow>& rows)
{
    for (const SampleRow& r : rows) {
        table.append();
        table.setField(QStringLiteral("value"), r.value);
        table.setField(QStringLiteral("Nval"), r.nval);
        table.setField(QStringLiteral("time"), r.time);
        table.setField(QStringLiteral("no"), r.no);
        table.setField(QStringLiteral("DC/AC"), r.acDc);
        table.setField(QStringLiteral("unit"), r.unit);
        table.setField(QStringLiteral("Auto"), r.autoText);
        table.post();
    }
}

QList<SampleRow> readRows(const RecordsTable& table)
{
    const auto field = [&](const char* name) { return table.fieldIndex(QString::fromLatin1(name)); };
    QList<SampleRow> rows;
    for (qint64 i = 0; i < table.rowCount(); ++i) {
        rows.append({ table.value(i, field("No")).toLongLong(), table.value(i, field("Time")).toTime(),
            table.value(i, field("DC/AC")).toString(), table.value(i, field("Value")).toString(),
            table.value(i, field("Nval")).toDouble(), table.value(i, field("Unit")).toString(),
            table.value(i, field("AUTO")).toString() });
    }
    return rows;
}

PxlibTable readWithPxlib(const QString& path)
{
    PxlibTable result;
    FILE* fp = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!fp)
        return result;
    pxdoc_t* doc = PX_new();
    if (PX_open_fp(doc, fp) < 0) {
        PX_delete(doc);
        std::fclose(fp);
        return result;
    }
    result.opened = true;
    const int fieldCount = PX_get_num_fields(doc);
    for (int f = 0; f < fieldCount; ++f)
        result.fields.append(QString::fromLatin1(PX_get_field(doc, f)->px_fname));
    const int recordCount = PX_get_num_records(doc);
    for (int r = 0; r < recordCount; ++r) {
        pxval_t** values = PX_retrieve_record(doc, r);
        if (!values)
            break;
        QVariantList row;
        for (int f = 0; f < fieldCount; ++f) {
            const pxval_t* v = values[f];
            if (v->isnull) {
                row.append(QVariant());
            } else if (v->type == pxfAlpha) {
                row.append(QString::fromLatin1(v->value.str.val, v->value.str.len).section(QChar(0), 0, 0));
            } else if (v->type == pxfNumber || v->type == pxfCurrency) {
                row.append(v->value.dval);
            } else {
                row.append(qint64(v->value.lval));
            }
            if (v->type == pxfAlpha && v->value.str.val)
                doc->free(doc, v->value.str.val);
            doc->free(doc, values[f]);
        }
        doc->free(doc, values);
        result.rows.append(row);
    }
    PX_close(doc);
    PX_delete(doc);
    std::fclose(fp);
    return result;
}

bool operator==(const SampleRow& a, const SampleRow& b)
{
    return a.no == b.no && a.time == b.time && a.acDc == b.acDc && a.value == b.value && a.nval == b.nval
        && a.unit == b.unit && a.autoText == b.autoText;
}

void PrintTo(const SampleRow& r, std::ostream* os)
{
    *os << r.no << " " << r.time.toString().toStdString() << " [" << r.acDc.toStdString() << "] "
        << r.value.toStdString() << " " << r.nval << " " << r.unit.toStdString() << " "
        << r.autoText.toStdString();
}

} // namespace testsupport
