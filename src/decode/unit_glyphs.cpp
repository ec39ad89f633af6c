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

QFont UnitGlyphs::font(int pixels, bool bold)
{
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

const QStringList& UnitGlyphs::decodedUnits()
{
    // Mode frames: the function and range tables of every variant. Segment
    // frames: a prefix and a unit annunciator, or the percent and Celsius signs.
    static const QStringList units { QStringLiteral("V"), QStringLiteral("mV"), QStringLiteral("A"),
        QStringLiteral("mA"), QStringLiteral("uA"), QStringLiteral("*"), QStringLiteral("k*"),
        QStringLiteral("M*"), QStringLiteral("Hz"), QStringLiteral("kHz"), QStringLiteral("MHz"),
        QStringLiteral("kRPM"), QStringLiteral("MRPM"), QStringLiteral("#"), QStringLiteral("?"),
        QStringLiteral("&"), QStringLiteral("&*"), QStringLiteral(")"), QStringLiteral(")V"),
        QStringLiteral("nF"), QStringLiteral("uF"), QStringLiteral("mF"), QStringLiteral("%"),
        // The 7304 variant adds V or Ω to a frequency read in the diode or continuity function.
        QStringLiteral("kHzV"), QStringLiteral("MHzV"), QStringLiteral("kHz*"), QStringLiteral("MHz*") };
    return units;
}
