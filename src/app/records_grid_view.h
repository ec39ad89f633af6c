#pragma once

#include <QTableView>

class QScrollBar;
class RecordsGridModel;
class RowIndicator;

/**
 * The records grid DBGrid1: a table view over a RecordsGridModel, which
 * shows only the rows that fit. Its scroll bar, the wheel and the keys move
 * that window over the whole table, and the selected table row stays
 * selected wherever the window goes. Its cost does not grow with the rows.
 * A narrow row indicator marks the selected row.
 * When the window moves by fewer rows than it shows (a new row logged, a
 * step of the scroll bar), the rows still in sight keep their pixels, moved,
 * and only the rows that come into sight are painted.
 */
class RecordsGridView : public QTableView {
    Q_OBJECT
public:
    explicit RecordsGridView(QWidget* parent = nullptr);

    /** Shows @p model, which the view does not own. */
    void setRecordsModel(RecordsGridModel* model);
    RecordsGridModel* recordsModel() const { return model_; }

    /** Scrolls table row @p row into view and selects it. */
    void showTableRow(int row);
    /** Selected table row; -1 when none. */
    int selectedTableRow() const { return selected_; }
    /** The scroll bar that moves over the whole table. */
    QScrollBar* rowScrollBar() const { return rowBar_; }
    /** Row of the window the indicator marks: the selected table row when it is shown, else -1. */
    int markedWindowRow() const;
    /** Width the columns have beside the indicator and the scroll bar before the grid must scroll. */
    int columnsRoom() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void updateGeometries() override;
    void wheelEvent(QWheelEvent* event) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
        const QList<int>& roles = QList<int>()) override;

private:
    void fitWindow();
    void onWindowChanged();
    /** Moves the window so that table row @p row is inside it. */
    void bringIntoWindow(int row);
    void showSelection();
    /**
     * Moves what the cells and the row header show up by @p rows rows, as
     * the window moved down by that many, so that only the rows coming into
     * sight are painted.
     * False, moving nothing, when the rows are not all of one height or
     * the move is not shorter than the rows shown.
     */
    bool movePaintedRows(int rows);
    void onHeaderDataChanged(Qt::Orientation orientation, int first, int last);
    /** Repaints the indicator's mark where it was painted and where it belongs now. */
    void updateIndicator();

    RecordsGridModel* model_ = nullptr;
    QScrollBar* rowBar_ = nullptr;
    RowIndicator* indicator_ = nullptr;
    int selected_ = -1;
    bool syncing_ = false;
    bool placing_ = false;
    int paintedFirst_ = 0; ///< first table row the painted cells show
    int markPainted_ = -1; ///< window row the indicator's mark was last painted at
    bool headerMoved_ = false; ///< the row indicator's pixels were moved for the last change
};
