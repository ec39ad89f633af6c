#pragma once

#include <QString>

/**
 * The meter family's display range: full-scale count and the values derived
 * from it. Decided once at start-up and constant afterwards.
 */
struct CountProfile {
    QString code = QStringLiteral("4"); ///< "4", "6" or "34"
    int FullScaleCount = 4000;
    int OverloadBarPosition = 40;

    /** Profile for a code; anything but "6" and "34" gives profile "4". */
    static CountProfile forCode(const QString& code)
    {
        CountProfile p;
        p.code = code;
        if (code == QLatin1String("6")) {
            p.FullScaleCount = 6000;
            p.OverloadBarPosition = 60;
        } else if (code == QLatin1String("34")) {
            p.FullScaleCount = 3400;
            p.OverloadBarPosition = 34;
        } else {
            p.code = QStringLiteral("4");
        }
        return p;
    }
};
