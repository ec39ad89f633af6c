#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QPointer>

#include <vector>

/**
 * What the records grid shows of the records table: a window of a few rows
 * that fit the grid, starting at firstRow(), rather than every row. A view
 * keeps a little data for every row of its model (8 bytes a row in the
 * row header, and the header's pixel length in an int), so a model of the
 * whole table would cost memory with every row and break down past some
 * hundred million rows; this window costs the same at any row count.
 *
 * Unit glyph codes are drawn as the symbols they stand for ("k*" as kΩ) and
 * each column is aligned and lettered the way the grid lays it out. Rows
 * carry no header text: the grid's row indicator only marks the current
 * row. The table itself keeps the glyph codes.
 */
class RecordsGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordsGridModel(QAbstractItemModel* source, QObject* parent = nullptr);

    /**
     * The grid's lettering, 12 pixels: a narrow face of Arial's kind where
     * one is installed, so a time of day with AM/PM and six-digit numbers
     * fit their columns.
     */
    static QFont gridFont();
    /** The "Value" column's lettering, 12 pixels. */
    static QFont valueFont();
    /** The "Unit" column's lettering: the unit symbols' face, 12 pixels. */
    static QFont unitFont();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    /** Rows of the table, all of them, not only those shown. */
    int tableRowCount() const;
    /** Table row shown in the window's first row. */
    int firstRow() const { return first_; }
    /** Rows that fit whole in the view; the window shows one more, cut off at the bottom. */
    int windowSize() const { return size_; }
    /** Sets the rows that fit whole (at least one). */
    void setWindowSize(int rows);
    /** Shows the table from row @p row, kept within the table so the window stays full. */
    void setFirstRow(int row);
    /** Highest first row that still fills the window. */
    int lastFirstRow() const;
    /**
     * While set, rows appended to the table move the window on at once, so
     * the newest row shows at its bottom: the rows shown change their
     * contents, none is inserted or removed.
     */
    void setFollowsNewRows(bool follow) { followsNewRows_ = follow; }

signals:
    /** The window moved, grew or shrank, or the table's row count changed. */
    void windowChanged();

private:
    int shownRows() const;
    /** Tells the views of rows coming into or leaving the window. */
    void fitShownRows();
    /** How a column is aligned and lettered, by its field. */
    enum class ColumnKind { Other, Value, Unit, Centred };
    /** Learns the columns' kinds from the table's fields, which change only with a reset. */
    void learnColumns();
    void onSourceRowsInserted();
    void onSourceReset();

    QPointer<QAbstractItemModel> source_;
    int first_ = 0;
    int size_ = 1;
    int shown_ = 0; ///< rows the views have been told of
    bool followsNewRows_ = false;
    std::vector<ColumnKind> kinds_;
    // Asked for at every cell painted: made once.
    const QFont valueFont_ = valueFont();
    const QFont unitFont_ = unitFont();
};
