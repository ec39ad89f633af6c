#include "app/records_grid_model.h"

#include "decode/unit_glyphs.h"

QString RecordsGridModel::fieldName(int column) const
{
    return headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

QVariant RecordsGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole) {
        const QVariant text = QIdentityProxyModel::data(index, role);
        if (fieldName(index.column()).compare(QLatin1String("Unit"), Qt::CaseInsensitive) == 0)
            return UnitGlyphs::toDisplay(text.toString());
        return text;
    }
    if (role == Qt::TextAlignmentRole) {
        const QString name = fieldName(index.column());
        const auto is = [&name](const char* field) {
            return name.compare(QLatin1String(field), Qt::CaseInsensitive) == 0;
        };
        if (is("Value") || is("Unit"))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (is("Time") || is("DC/AC") || is("AUTO"))
            return int(Qt::AlignHCenter | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    return QIdentityProxyModel::data(index, role);
}
