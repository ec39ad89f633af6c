#include "records/paradox_assign.h"

#include "records/cp1252.h"
#include "records/paradox_value.h"
#include "records/table_store_error.h"

#include <QDateTime>

#include <cmath>
#include <cstring>

namespace {

[[noreturn]] void cannotHold(const FieldDef& field, const char* kind)
{
    throw TableStoreError(
        QStringLiteral("Field '%1' cannot hold %2 value").arg(field.name, QLatin1String(kind)));
}

void clear(const FieldDef& field, char* p)
{
    std::memset(p, 0, size_t(field.size));
}

void storeText(const FieldDef& field, char* p, const QString& text)
{
    clear(field, p);
    const QByteArray bytes = Cp1252::encode(text).left(field.size);
    std::memcpy(p, bytes.constData(), size_t(bytes.size()));
}

bool isInteger(FieldType type)
{
    return type == FieldType::Short || type == FieldType::Long || type == FieldType::AutoInc;
}

QTime parseTime(const QString& text, const QString& timeFormat)
{
    for (const QString& format :
        { timeFormat, QStringLiteral("H:mm:ss.zzz"), QStringLiteral("H:mm:ss"), QStringLiteral("H:mm") }) {
        const QTime time = QTime::fromString(text, format);
        if (time.isValid())
            return time;
    }
    return {};
}

} // namespace

void ParadoxAssign::fromText(const FieldDef& field, char* p, const QString& text, const QString& timeFormat)
{
    if (field.type == FieldType::Alpha)
        return storeText(field, p, text);
    const QString t = text.trimmed();
    if (t.isEmpty() && ParadoxValue::supported(field.type))
        return clear(field, p);
    bool ok = false;
    if (isInteger(field.type)) {
        const qint64 v = t.toLongLong(&ok);
        if (!ok)
            throw TableStoreError(QStringLiteral("'%1' is not a valid integer value").arg(text));
        return fromInt(field, p, v);
    }
    switch (field.type) {
    case FieldType::Number:
    case FieldType::Currency: {
        // Either decimal mark: value texts carry "," or "." by the user's choice.
        const double v = QString(t).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        if (!ok)
            throw TableStoreError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
        return fromDouble(field, p, v);
    }
    case FieldType::Time: {
        const QTime time = parseTime(t, timeFormat);
        if (!time.isValid())
            throw TableStoreError(QStringLiteral("'%1' is not a valid time").arg(text));
        return fromTime(field, p, time, timeFormat);
    }
    case FieldType::Date: {
        const QDate date = QDate::fromString(t, Qt::ISODate);
        if (!date.isValid() || date.year() < 1)
            throw TableStoreError(QStringLiteral("'%1' is not a valid date").arg(text));
        return ParadoxValue::writeInt(p, 4, ParadoxValue::daysFromDate(date));
    }
    case FieldType::Timestamp: {
        const QDateTime stamp = QDateTime::fromString(t, Qt::ISODateWithMs);
        if (!stamp.isValid() || stamp.date().year() < 1)
            throw TableStoreError(QStringLiteral("'%1' is not a valid date and time").arg(text));
        return ParadoxValue::writeDouble(p, ParadoxValue::stampFromDateTime(stamp));
    }
    case FieldType::Logical:
        if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1"))
            return fromInt(field, p, 1);
        if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0"))
            return fromInt(field, p, 0);
        throw TableStoreError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
    default:
        cannotHold(field, "a text");
    }
}

void ParadoxAssign::fromInt(const FieldDef& field, char* p, qint64 value)
{
    if (isInteger(field.type)) {
        // The most negative value encodes as all zero bytes, which means empty.
        if (value > ParadoxValue::intLimit(field.size) || value < -ParadoxValue::intLimit(field.size))
            throw TableStoreError(
                QStringLiteral("%1 is not a valid value for field '%2'").arg(value).arg(field.name));
        return ParadoxValue::writeInt(p, field.size, value);
    }
    switch (field.type) {
    case FieldType::Number:
    case FieldType::Currency:
        return ParadoxValue::writeDouble(p, double(value));
    case FieldType::Alpha:
        return storeText(field, p, QString::number(value));
    case FieldType::Logical:
        p[0] = char(value != 0 ? 0x81 : 0x80);
        return;
    default:
        cannotHold(field, "an integer");
    }
}

void ParadoxAssign::fromDouble(const FieldDef& field, char* p, double value)
{
    if (isInteger(field.type)) {
        if (!std::isfinite(value) || std::abs(value) > double(ParadoxValue::intLimit(field.size)))
            throw TableStoreError(
                QStringLiteral("%1 is not a valid value for field '%2'").arg(value).arg(field.name));
        return fromInt(field, p, qRound64(value));
    }
    switch (field.type) {
    case FieldType::Number:
    case FieldType::Currency:
        return ParadoxValue::writeDouble(p, value);
    case FieldType::Alpha:
        return storeText(field, p, QString::number(value, 'g', 15));
    default:
        cannotHold(field, "a floating point");
    }
}

void ParadoxAssign::fromTime(const FieldDef& field, char* p, QTime value, const QString& timeFormat)
{
    if (!value.isValid())
        return clear(field, p);
    switch (field.type) {
    case FieldType::Time:
        // Zero milliseconds (midnight) is stored as +0, which is not all zero bytes.
        return ParadoxValue::writeInt(p, 4, value.msecsSinceStartOfDay());
    case FieldType::Alpha:
        return storeText(field, p, value.toString(timeFormat));
    default:
        cannotHold(field, "a time");
    }
}
