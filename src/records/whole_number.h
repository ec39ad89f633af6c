#pragma once

#include <QString>

#include <stdexcept>

/**
 * Conversions of the whole-number edit boxes (sampling interval, points per
 * page, alarm limits). A failed conversion throws std::invalid_argument whose
 * message is the one the user sees: "'<text>' is not a valid integer value".
 */
namespace wholenumber {

/** The text as a 32-bit whole number; an optional sign, then decimal digits. */
inline int parse(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw std::invalid_argument(
            QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    return value;
}

/**
 * Like parse(), but a box that holds nothing yet, or only a sign, counts as 0:
 * the user is still typing a number.
 */
inline int parseOrZero(const QString& text)
{
    if (text.isEmpty() || text == QLatin1String("-") || text == QLatin1String("+"))
        return 0;
    return parse(text);
}

} // namespace wholenumber
