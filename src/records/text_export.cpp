#include "records/text_export.h"

#include <array>

namespace {

// Code page 1252 differs from Latin-1 only in 0x80-0x9F; five of those are unassigned.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC,
    0x0000,
    0x201A,
    0x0192,
    0x201E,
    0x2026,
    0x2020,
    0x2021,
    0x02C6,
    0x2030,
    0x0160,
    0x2039,
    0x0152,
    0x0000,
    0x017D,
    0x0000,
    0x0000,
    0x2018,
    0x2019,
    0x201C,
    0x201D,
    0x2022,
    0x2013,
    0x2014,
    0x02DC,
    0x2122,
    0x0161,
    0x203A,
    0x0153,
    0x0000,
    0x017E,
    0x0178,
};

char toCp1252(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return char(u);
    for (std::size_t i = 0; i < kCp1252High.size(); ++i) {
        if (kCp1252High[i] != 0 && kCp1252High[i] == u)
            return char(0x80 + i);
    }
    return '?';
}

void appendCp1252(QByteArray& out, const QString& text)
{
    for (QChar c : text)
        out.append(toCp1252(c));
}

void appendLine(QByteArray& out, const QStringList& fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out.append('\t');
        appendCp1252(out, fields[i]);
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
