#include "records/display_bytes.h"

#include "records/cp1252.h"
#include "records/paradox_value.h"

#include <QTime>

#include <charconv>

namespace {
constexpr int kSecondsPerDay = 86400;
constexpr quint32 kNotYet = 0xFFFFFFFF;
} // namespace

DisplayBytes::DisplayBytes(QString timeFormat)
    : timeFormat_(std::move(timeFormat))
    // Any "z" might be a milliseconds field; such formats are formatted every time.
    , cacheBySecond_(!timeFormat_.contains(QLatin1Char('z'), Qt::CaseInsensitive))
{
}

void DisplayBytes::append(std::string& out, const FieldDef& field, const char* p)
{
    switch (field.type) {
    case FieldType::Alpha:
        // Every byte decodes to its own character and encodes back to itself,
        // so the display bytes are the stored bytes up to the first NUL.
        for (int i = 0; i < field.size && p[i] != '\0'; ++i)
            out.push_back(p[i]);
        return;
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
        if (const auto v = ParadoxValue::readInt(p, field.size)) {
            char digits[24];
            const auto end = std::to_chars(digits, digits + sizeof digits, int(*v)).ptr;
            out.append(digits, size_t(end - digits));
        }
        return;
    case FieldType::Time:
        if (const auto v = ParadoxValue::readInt(p, 4); v && *v >= 0 && *v < 86400000)
            appendTime(out, int(*v));
        return;
    default: {
        const QByteArray text = Cp1252::encode(ParadoxValue::toDisplay(field, p, timeFormat_));
        out.append(text.constData(), size_t(text.size()));
        return;
    }
    }
}

void DisplayBytes::appendTime(std::string& out, int msecs)
{
    if (!cacheBySecond_) {
        const QByteArray text = Cp1252::encode(QTime::fromMSecsSinceStartOfDay(msecs).toString(timeFormat_));
        out.append(text.constData(), size_t(text.size()));
        return;
    }
    if (secondAt_.empty()) {
        secondAt_.assign(kSecondsPerDay, kNotYet);
        secondLength_.assign(kSecondsPerDay, 0);
    }
    const int second = msecs / 1000;
    if (secondAt_[size_t(second)] == kNotYet) {
        const QByteArray text
            = Cp1252::encode(QTime::fromMSecsSinceStartOfDay(second * 1000).toString(timeFormat_));
        secondAt_[size_t(second)] = quint32(secondTexts_.size());
        secondLength_[size_t(second)] = quint16(qMin<qsizetype>(text.size(), 0xFFFF));
        secondTexts_.append(text.constData(), size_t(text.size()));
    }
    out.append(secondTexts_, secondAt_[size_t(second)], secondLength_[size_t(second)]);
}
