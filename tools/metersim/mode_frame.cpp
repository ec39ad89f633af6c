#include "metersim/mode_frame.h"

#include <QStringList>

#include <algorithm>

namespace metersim {

namespace {

/** Value of a hex digit character, -1 for any other character. */
int hexValue(QChar c)
{
    bool ok = false;
    const int v = QString(c).toInt(&ok, 16);
    return ok ? v : -1;
}

char dataByte(int nibble)
{
    return char(0x30 | (nibble & 0x0F));
}

} // namespace

int ModeFrame::status() const
{
    return (alternate ? 8 : 0) | (minus ? 4 : 0) | (lowBattery ? 2 : 0) | (overload ? 1 : 0);
}

int ModeFrame::option2() const
{
    return (dc ? 8 : 0) | (ac ? 4 : 0) | (autoRange ? 2 : 0) | (rs232 ? 0 : 1);
}

QByteArray ModeFrame::bytes() const
{
    QByteArray out;
    out += dataByte(range);
    for (int i = 0; i < 4; ++i)
        out += dataByte(i < digits.size() ? std::max(0, hexValue(digits.at(i))) : 0);
    out += dataByte(std::max(0, hexValue(function)));
    out += dataByte(status());
    out += dataByte(option1);
    out += dataByte(option2());
    out += "\r\n";
    return out;
}

QString ModeFrame::frameText() const
{
    QString text = QStringLiteral("A");
    const QByteArray wire = bytes();
    for (int i = 0; i < 9; ++i)
        text += QString::number(wire.at(i) & 0x0F, 16).toUpper();
    return text + QLatin1Char('D');
}

std::optional<ModeFrame> ModeFrame::parse(const QString& line, QString* error)
{
    const auto fail = [&](const QString& why) -> std::optional<ModeFrame> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() < 3)
        return fail(QStringLiteral("expected FUNCTION RANGE DIGITS [FLAG...]"));
    ModeFrame f;
    bool ok = false;
    if (words[0].size() != 1 || hexValue(words[0].at(0)) < 0)
        return fail(QStringLiteral("function must be one hex digit: %1").arg(words[0]));
    f.function = words[0].at(0).toUpper();
    f.range = words[1].toInt(&ok);
    if (!ok || f.range < 0 || f.range > 15)
        return fail(QStringLiteral("range must be 0..15: %1").arg(words[1]));
    f.digits = words[2];
    if (f.digits.size() != 4
        || !std::all_of(f.digits.begin(), f.digits.end(), [](QChar c) { return c.isDigit(); }))
        return fail(QStringLiteral("digits must be four decimal digits: %1").arg(words[2]));
    for (const QString& flag : words.mid(3)) {
        const QString name = flag.toLower();
        if (name == QLatin1String("alt"))
            f.alternate = true;
        else if (name == QLatin1String("minus"))
            f.minus = true;
        else if (name == QLatin1String("lowbat"))
            f.lowBattery = true;
        else if (name == QLatin1String("overload"))
            f.overload = true;
        else if (name == QLatin1String("freq"))
            f.option1 = 1;
        else if (name == QLatin1String("dc"))
            f.dc = true;
        else if (name == QLatin1String("ac"))
            f.ac = true;
        else if (name == QLatin1String("auto"))
            f.autoRange = true;
        else if (name == QLatin1String("nors232"))
            f.rs232 = false;
        else
            return fail(QStringLiteral("unknown flag: %1").arg(flag));
    }
    return f;
}

} // namespace metersim
