#include "records/text_export.h"

#include "records/cp1252.h"

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

QString TextExport::successMessage(const QString& fileName)
{
    return QStringLiteral("save table to specified file: ") + fileName + QStringLiteral(" Scuss!");
}

QString TextExport::failureMessage(const QString& fileName)
{
    return QStringLiteral("Could not save table to specified file: ") + fileName;
}
