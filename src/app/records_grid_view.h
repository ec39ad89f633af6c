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

private:
    void fitWindow();
    void onWindowChanged();
    /** Moves the window so that table row @p row is inside it. */
    void bringIntoWindow(int row);
    void showSelection();

    RecordsGridModel* model_ = nullptr;
    QScrollBar* rowBar_ = nullptr;
    RowIndicator* indicator_ = nullptr;
    int selected_ = -1;
    bool syncing_ = false;
    bool placing_ = false;
};
