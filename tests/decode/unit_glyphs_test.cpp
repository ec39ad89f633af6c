#include "decode/unit_glyphs.h"
#include "support/decoded_units.h"

#include <gtest/gtest.h>

namespace {

TEST(UnitGlyphs, UnitTextsShowTheirSymbols)
{
    const QString diode = UnitGlyphs::diodeSign(), beeper = UnitGlyphs::beeperSign();
    const std::pair<QString, QString> cases[] = {
        { QStringLiteral("*"), QStringLiteral("Ω") },
        { QStringLiteral("k*"), QStringLiteral("kΩ") },
        { QStringLiteral("M*"), QStringLiteral("MΩ") },
        { QStringLiteral("#"), QStringLiteral("°C") },
        { QStringLiteral("?"), QStringLiteral("°F") },
        { QStringLiteral(")"), diode },
        { QStringLiteral(")V"), diode + QStringLiteral("V") },
        { QStringLiteral("&"), beeper },
        { QStringLiteral("&*"), beeper + QStringLiteral("Ω") },
        { QStringLiteral("uA"), QStringLiteral("µA") },
        { QStringLiteral("uF"), QStringLiteral("µF") },
        { QStringLiteral("+"), QStringLiteral("µ") },
        { QStringLiteral("mV"), QStringLiteral("mV") },
        { QStringLiteral("kHz"), QStringLiteral("kHz") },
        { QStringLiteral("MRPM"), QStringLiteral("MRPM") },
        { QStringLiteral("u"), QStringLiteral("u") },
        { QString(), QString() },
    };
    for (const auto& [unit, shown] : cases)
        EXPECT_EQ(UnitGlyphs::toDisplay(unit), shown) << unit.toStdString();
}

// Whatever shows a unit is laid out for the units listed: a unit a decoder
// writes that the list lacks could be cut off.
TEST(UnitGlyphs, ListHoldsEveryUnitTheDecodersWrite)
{
    for (const QString& unit : testsupport::modeFrameUnits() + testsupport::segmentFrameUnits())
        EXPECT_TRUE(UnitGlyphs::decodedUnits().contains(unit)) << unit.toStdString();
}

} // namespace
