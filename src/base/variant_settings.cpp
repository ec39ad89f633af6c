#include "base/variant_settings.h"

#include <array>
#include <utility>

namespace {

using Option = bool BuildVariant::*;

constexpr std::array<std::pair<const char*, Option>, 13> options { {
    { "IFRK20S", &BuildVariant::IFRK20S },
    { "RK27L", &BuildVariant::RK27L },
    { "IFRK40V", &BuildVariant::IFRK40V },
    { "IFRK20M", &BuildVariant::IFRK20M },
    { "IFRK91N", &BuildVariant::IFRK91N },
    { "IFZL5082", &BuildVariant::IFZL5082 },
    { "IFRK33H", &BuildVariant::IFRK33H },
    { "IF7304k", &BuildVariant::IF7304k },
    { "IFRK33J", &BuildVariant::IFRK33J },
    { "IF33W", &BuildVariant::IF33W },
    { "IF33X", &BuildVariant::IF33X },
    { "IF33Y", &BuildVariant::IF33Y },
    { "RK47T", &BuildVariant::RK47T },
} };

} // namespace

VariantSettings VariantSettings::resolve(const BuildVariant& variant)
{
    VariantSettings s;
    auto segment = [&s](const char* title) {
        s.framer = Framer::Segment;
        s.title = QLatin1String(title);
        s.firstDigitThree = true;
    };
    auto mode = [&s](const char* title) {
        s.framer = Framer::Mode;
        s.title = QLatin1String(title);
    };
    if (variant.IFRK20S)
        segment("RK20P Interface Program _Ver: 2.00");
    if (variant.RK27L)
        segment("RK27L Interface Program _Ver: 2.00");
    if (variant.IFRK40V)
        mode("Brenmoor 5082 Interface Program _Ver: 2.02");
    if (variant.IFRK20M) {
        mode("RK20M Interface Program _Ver: 2.06");
        s.profileCode = QStringLiteral("34");
    }
    if (variant.IFRK91N) {
        mode("RK91N USB Interface Program _Ver: 1.00");
        s.speed19200 = true;
        s.profileCode = QStringLiteral("4");
    }
    if (variant.IFZL5082) {
        mode("ZL5082 USB Interface Program _Ver: 2.02");
        s.speed19200 = true;
        s.profileCode = QStringLiteral("4");
    }
    if (variant.IFRK33H) {
        mode("RK33H Interface Program _Ver: 1.00");
        s.profileCode = QStringLiteral("6");
    }
    return s;
}

QString VariantSettings::framerName() const
{
    switch (framer) {
    case Framer::Segment:
        return QStringLiteral("H20VRData");
    case Framer::Mode:
        return QStringLiteral("H40VRData");
    case Framer::None:
        break;
    }
    return {};
}

QString buildVariantName(const BuildVariant& variant)
{
    QStringList set;
    for (const auto& [name, option] : options)
        if (variant.*option)
            set << QLatin1String(name);
    return set.join(QLatin1Char('+'));
}

QStringList buildVariantOptionNames()
{
    QStringList names;
    for (const auto& [name, option] : options)
        names << QLatin1String(name);
    return names;
}

std::optional<BuildVariant> buildVariantForOption(const QString& name)
{
    for (const auto& [optionName, option] : options) {
        if (name.compare(QLatin1String(optionName), Qt::CaseInsensitive) == 0) {
            BuildVariant v;
            v.*option = true;
            return v;
        }
    }
    return std::nullopt;
}
