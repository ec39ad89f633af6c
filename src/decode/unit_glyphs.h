#pragma once

#include <QChar>
#include <QFont>
#include <QString>
#include <QStringList>

/**
 * Unit texts are stored with the display's glyph characters ("k*", "#",
 * "&"); this turns them into the symbols they stand for wherever a person
 * reads them: the records grid, the MAX/MIN units, the printed report and
 * the LCD annunciators.
 *
 * "*" is Ω, "#" °C, "?" °F, ")" the diode sign, "&" the beeper sign, "+"
 * (the panel's micro caption) µ, and a leading "u" prefix ("uA", "uF") µ.
 * Stored and exported texts keep the glyph characters.
 */
class UnitGlyphs {
public:
    /** Diode sign as text: a triangle against a bar. */
    static QString diodeSign();
    /** Beeper sign as text: a dot with sound waves. */
    static QString beeperSign();

    /** The symbol for one glyph character; any other character as itself. */
    static QString symbol(QChar glyph);

    /** A whole unit text as shown to a person ("k*" gives "kΩ", "uA" gives "µA"). */
    static QString toDisplay(const QString& unitText);

    /**
     * The face unit symbols are drawn in, @p pixels high: one that holds
     * every symbol above, so the LCD panel, the MAX/MIN units and the
     * records grid draw them alike.
     */
    static QFont font(int pixels, bool bold = false);

    /**
     * Every unit text the decoders write, in glyph characters. Whatever
     * shows a unit is laid out to hold the widest of them.
     */
    static const QStringList& decodedUnits();
};
