#pragma once

#include "records/paradox_field.h"

#include <QVector>

/**
 * Fields of the records table the reading log writes into, as the template
 * "Rk40vdb.DB" stores them. A value text has at most a sign, four digits and
 * three decimal marks; unit texts are short glyph-code strings ("kHz", "M*").
 */
inline QVector<FieldDef> logTableFields()
{
    return {
        { QStringLiteral("No"), FieldType::Long, 4 },
        { QStringLiteral("Time"), FieldType::Time, 4 },
        { QStringLiteral("DC/AC"), FieldType::Alpha, 4 },
        { QStringLiteral("Value"), FieldType::Alpha, 10 },
        { QStringLiteral("Unit"), FieldType::Alpha, 8 },
        { QStringLiteral("AUTO"), FieldType::Alpha, 4 },
        { QStringLiteral("Nval"), FieldType::Number, 8 },
    };
}
