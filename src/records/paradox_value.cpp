#include "records/paradox_value.h"

#include "records/cp1252.h"

#include <QLocale>

#include <bit>
#include <cstring>

namespace {

// Julian day of 31 Dec 0000 (proleptic Gregorian), so day 1 is 1 Jan 0001.
constexpr qint64 kJulianDayOffset = 1721425;
constexpr double kMsecsPerDay = 86400000.0;

} // namespace

bool ParadoxValue::sizeValid(FieldType type, int size)
{
    switch (type) {
    case FieldType::Alpha:
    case FieldType::Bytes:
        return size >= 1 && size <= 255;
    case FieldType::Short:
        return size == 2;
    case FieldType::Long:
    case FieldType::AutoInc:
    case FieldType::Date:
    case FieldType::Time:
        return size == 4;
    case FieldType::Number:
    case FieldType::Currency:
    case FieldType::Timestamp:
        return size == 8;
    case FieldType::Logical:
        return size == 1;
    default:
        return size >= 1 && size <= 255;
    }
}

bool ParadoxValue::supported(FieldType type)
{
    switch (type) {
    case FieldType::Alpha:
    case FieldType::Date:
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::Currency:
    case FieldType::Number:
    case FieldType::Logical:
    case FieldType::Time:
    case FieldType::Timestamp:
    case FieldType::AutoInc:
        return true;
    default:
        return false;
    }
}

std::optional<qint64> ParadoxValue::readInt(const char* p, int size)
{
    quint64 raw = 0;
    bool any = false;
    for (int i = 0; i < size; ++i) {
        const auto b = static_cast<unsigned char>(p[i]);
        any = any || b != 0;
        raw = (raw << 8) | b;
    }
    if (!any)
        return std::nullopt;
    const quint64 bias = quint64(1) << (8 * size - 1);
    return qint64(raw) - qint64(bias);
}

void ParadoxValue::writeInt(char* p, int size, qint64 value)
{
    quint64 raw = quint64(value) + (quint64(1) << (8 * size - 1));
    for (int i = size - 1; i >= 0; --i) {
        p[i] = char(raw & 0xFF);
        raw >>= 8;
    }
}

qint64 ParadoxValue::intLimit(int size)
{
    return (qint64(1) << (8 * size - 1)) - 1;
}

std::optional<double> ParadoxValue::readDouble(const char* p)
{
    quint64 raw = 0;
    for (int i = 0; i < 8; ++i)
        raw = (raw << 8) | static_cast<unsigned char>(p[i]);
    if (raw == 0)
        return std::nullopt;
    raw = (raw & 0x8000000000000000ULL) ? raw & 0x7FFFFFFFFFFFFFFFULL : ~raw;
    return std::bit_cast<double>(raw);
}

void ParadoxValue::writeDouble(char* p, double value)
{
    quint64 raw = std::bit_cast<quint64>(value);
    raw = (raw & 0x8000000000000000ULL) ? ~raw : raw | 0x8000000000000000ULL;
    for (int i = 7; i >= 0; --i) {
        p[i] = char(raw & 0xFF);
        raw >>= 8;
    }
}

QDate ParadoxValue::dateFromDays(qint64 days)
{
    return QDate::fromJulianDay(days + kJulianDayOffset);
}

qint64 ParadoxValue::daysFromDate(QDate date)
{
    return date.toJulianDay() - kJulianDayOffset;
}

QDateTime ParadoxValue::dateTimeFromStamp(double msecs)
{
    if (!(msecs >= 0 && msecs < 4.0e17))
        return {};
    const auto whole = qint64(msecs);
    const QDate date = dateFromDays(whole / qint64(kMsecsPerDay));
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(whole % qint64(kMsecsPerDay))), Qt::UTC);
}

double ParadoxValue::stampFromDateTime(const QDateTime& dateTime)
{
    return double(daysFromDate(dateTime.date())) * kMsecsPerDay + dateTime.time().msecsSinceStartOfDay();
}

QVariant ParadoxValue::toVariant(const FieldDef& field, const char* p)
{
    switch (field.type) {
    case FieldType::Alpha: {
        const QString text = Cp1252::decode(p, field.size);
        return text.isEmpty() ? QVariant() : QVariant(text);
    }
    case FieldType::Short:
    case FieldType::Long:
    case FieldType::AutoInc:
        if (const auto v = readInt(p, field.size))
            return int(*v);
        return {};
    case FieldType::Date:
        if (const auto v = readInt(p, 4))
            return dateFromDays(*v);
        return {};
    case FieldType::Time:
        if (const auto v = readInt(p, 4); v && *v >= 0 && *v < 86400000)
            return QTime::fromMSecsSinceStartOfDay(int(*v));
        return {};
    case FieldType::Number:
    case FieldType::Currency:
        if (const auto v = readDouble(p))
            return *v;
        return {};
    case FieldType::Timestamp:
        if (const auto v = readDouble(p)) {
            const QDateTime stamp = dateTimeFromStamp(*v);
            return stamp.isValid() ? QVariant(stamp) : QVariant();
        }
        return {};
    case FieldType::Logical:
        if (p[0] == 0)
            return {};
        return (p[0] & 0x7F) != 0;
    default:
        return {};
    }
}

QString ParadoxValue::toDisplay(const FieldDef& field, const char* p, const QString& timeFormat)
{
    if (field.type == FieldType::Alpha)
        return Cp1252::decode(p, field.size);
    const QVariant v = toVariant(field, p);
    if (v.isNull())
        return {};
    switch (field.type) {
    case FieldType::Number:
        return QString::number(v.toDouble(), 'g', 15);
    case FieldType::Currency:
        return QString::number(v.toDouble(), 'f', 2);
    case FieldType::Time:
        return v.toTime().toString(timeFormat);
    case FieldType::Date:
        return QLocale().toString(v.toDate(), QLocale::ShortFormat);
    case FieldType::Timestamp: {
        const QDateTime stamp = v.toDateTime();
        return QLocale().toString(stamp.date(), QLocale::ShortFormat) + QLatin1Char(' ')
            + stamp.time().toString(timeFormat);
    }
    case FieldType::Logical:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return v.toString();
    }
}
