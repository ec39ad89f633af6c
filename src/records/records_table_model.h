#pragma once

#include <QAbstractTableModel>

class RecordsTable;

/**
 * Read-only item model over the records table for the grid DBGrid1. Shows
 * every field of the table in file order with its display text. It keeps no
 * per-row data: appending rows costs only the new rows' insert notice.
 */
class RecordsTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordsTableModel(RecordsTable* table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void onRowsAppended(qint64 first, qint64 last);
    void onTableReset();

    RecordsTable* table_;
    int columns_ = 0;
    qint64 rows_ = 0;
};
