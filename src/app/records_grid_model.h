#pragma once

#include <QIdentityProxyModel>

/**
 * What the records grid shows of the records table: unit glyph codes drawn
 * as the symbols they stand for ("k*" as kΩ) and each column aligned the way
 * the grid lays it out. The table itself keeps the glyph codes.
 */
class RecordsGridModel : public QIdentityProxyModel {
    Q_OBJECT
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override;

private:
    QString fieldName(int column) const;
};
