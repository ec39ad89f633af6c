#pragma once

#include <QString>

/**
 * Unit texts keep the display font's glyph codes ("k*", "#"); where one is
 * shown to a person it is drawn as the symbols they stand for.
 */
inline QString unitForDisplay(const QString& unitText)
{
    QString out;
    for (QChar c : unitText) {
        switch (c.unicode()) {
        case '*':
            out += QChar(0x03A9);
            break; // ohm
        case '#':
            out += QStringLiteral("\u00B0C");
            break;
        case '?':
            out += QStringLiteral("\u00B0F");
            break;
        case ')':
            out += QStringLiteral("\u25B6|");
            break; // diode
        case '&':
            out += QChar(0x266A);
            break; // beeper
        default:
            out += c;
        }
    }
    return out;
}
