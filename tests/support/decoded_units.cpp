#include "support/decoded_units.h"

#include "base/build_variant.h"
#include "base/count_profile.h"
#include "decode/mode_frame_interpreter.h"

#include <set>
#include <vector>

namespace testsupport {

QStringList modeFrameUnits()
{
    std::vector<BuildVariant> variants(4, BuildVariant::shipped());
    variants[1].IFRK40V = false;
    variants[1].IFRK20M = true;
    variants[2].IF7304k = true;
    variants[3].IFRK91N = true;
    const QString hex = QStringLiteral("0123456789ABCDEF");
    const CountProfile profile;
    std::set<QString> units;
    for (const BuildVariant& v : variants)
        for (const QChar range : hex.left(10))
            for (const QChar function : hex)
                for (const QChar status : hex)
                    for (const QChar option : hex) {
                        const QString frame = QStringLiteral("A") + range + QStringLiteral("1234") + function
                            + status + option + QStringLiteral("AD");
                        if (auto out = ModeFrameInterpreter::interpret(frame, u',', v, profile))
                            units.insert(out->unitText);
                    }
    units.erase(QString());
    return QStringList(units.begin(), units.end());
}

QStringList segmentFrameUnits()
{
    return { QStringLiteral("mV"), QStringLiteral("V"), QStringLiteral("uA"), QStringLiteral("mA"),
        QStringLiteral("A"), QStringLiteral("*"), QStringLiteral("k*"), QStringLiteral("M*"),
        QStringLiteral("nF"), QStringLiteral("uF"), QStringLiteral("mF"), QStringLiteral("Hz"),
        QStringLiteral("kHz"), QStringLiteral("MHz"), QStringLiteral("%"), QStringLiteral("#") };
}

} // namespace testsupport
