#include "decode/unit_glyphs.h"

QString UnitGlyphs::diodeSign()
{
    return QStringLiteral("\u25B6|");
}

QString UnitGlyphs::beeperSign()
{
    return QStringLiteral("\u2022)))");
}

QString UnitGlyphs::symbol(QChar glyph)
{
    switch (glyph.unicode()) {
    case u'*':
        return QStringLiteral("\u03A9");
    case u'#':
        return QStringLiteral("\u00B0C");
    case u'?':
        return QStringLiteral("\u00B0F");
    case u')':
        return diodeSign();
    case u'&':
        return beeperSign();
    case u'+':
        return QStringLiteral("\u00B5");
    default:
        return QString(glyph);
    }
}

QString UnitGlyphs::toDisplay(const QString& unitText)
{
    QString out;
    for (qsizetype i = 0; i < unitText.size(); ++i) {
        const QChar c = unitText[i];
        // "u" is the micro prefix only in front of a unit letter, as in "uA" and "uF".
        if (i == 0 && c == u'u' && unitText.size() > 1 && unitText[1].isLetter())
            out += QChar(0x00B5);
        else
            out += symbol(c);
    }
    return out;
}
