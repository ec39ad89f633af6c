#include "decode/limit_text.h"

#include <QLocale>

#include <cmath>

namespace LimitText {

std::optional<double> toNumber(const QString& text)
{
    // Accept exactly: [sign] digits [mark digits] or [sign] mark digits.
    int i = 0;
    const int n = int(text.size());
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    int digits = 0;
    int marks = 0;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9') {
            ++digits;
        } else if (c == u',' || c == u'.') {
            if (++marks > 1)
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;

    QString normalised = text;
    normalised.replace(u',', u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(normalised, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

bool isJudgeable(const QString& text)
{
    return !text.isEmpty() && text != QLatin1String("-") && text != QLatin1String("+")
        && text != QLatin1String("-+") && text != QLatin1String("+-");
}

bool keyAccepted(QChar key)
{
    const char16_t c = key.unicode();
    return c == 8 || c == 39 || (c >= 43 && c <= 46) || (c >= u'0' && c <= u'9') || c == 96;
}

} // namespace LimitText
