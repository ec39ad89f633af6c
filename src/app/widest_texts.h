#pragma once

#include "decode/unit_glyphs.h"

#include <QStringList>

/** The widest texts readings put on screen, for laying out what shows them. */
namespace widesttexts {

/** Value texts: a sign, four digits and either decimal mark, and the start texts of the extremes. */
inline QStringList values()
{
    return { QStringLiteral("-8,888"), QStringLiteral("-8.888"), QStringLiteral("-4001"),
        QStringLiteral("-6001") };
}

/** Every unit the decoders write, as symbols. */
inline QStringList units()
{
    QStringList out;
    for (const QString& unit : UnitGlyphs::decodedUnits())
        out << UnitGlyphs::toDisplay(unit);
    return out;
}

} // namespace widesttexts
