#include "records/records_table_model.h"

#include "records/records_table.h"

RecordsTableModel::RecordsTableModel(RecordsTable* table, QObject* parent)
    : QAbstractTableModel(parent)
    , table_(table)
{
    connect(table_, &RecordsTable::rowsAppended, this, &RecordsTableModel::onRowsAppended);
    connect(table_, &RecordsTable::tableReset, this, &RecordsTableModel::onTableReset);
    columns_ = int(table_->fields().size());
    rows_ = table_->rowCount();
}

int RecordsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(rows_);
}

int RecordsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns_;
}

QVariant RecordsTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return table_->displayText(index.row(), index.column());
}

QVariant RecordsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section < columns_ ? QVariant(table_->fields()[section].name) : QVariant();
    return section + 1;
}

void RecordsTableModel::onRowsAppended(qint64 first, qint64 last)
{
    // The table already holds the rows; the model shows them only between
    // the insert notices, so views see a consistent count.
    beginInsertRows({}, int(first), int(last));
    rows_ = last + 1;
    endInsertRows();
}

void RecordsTableModel::onTableReset()
{
    beginResetModel();
    columns_ = int(table_->fields().size());
    rows_ = table_->rowCount();
    endResetModel();
}
