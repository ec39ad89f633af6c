#include "app/records_grid_view.h"

#include "app/records_grid_model.h"
#include "app/row_indicator.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QResizeEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

RecordsGridView::RecordsGridView(QWidget* parent)
    : QTableView(parent)
    , rowBar_(new QScrollBar(Qt::Vertical, this))
{
    indicator_ = new RowIndicator([this] { return markedWindowRow(); }, this);
    setVerticalHeader(indicator_);
    // The view's own vertical scroll bar would only move inside the window;
    // this one, in its place, moves the window over the table.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(ScrollPerItem);
    rowBar_->setObjectName(QStringLiteral("RowScrollBar"));
    rowBar_->setSingleStep(1);
    connect(rowBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (model_ && !syncing_)
            model_->setFirstRow(value);
    });
}

void RecordsGridView::setRecordsModel(RecordsGridModel* model)
{
    model_ = model;
    setModel(model);
    // The row numbers change with every move of the window. The view would
    // lay out everything again for each change, and the row indicator paint
    // all its sections: it shows no numbers, so it hears of them only when
    // its pixels were not moved with the rows (onHeaderDataChanged).
    disconnect(model, SIGNAL(headerDataChanged(Qt::Orientation, int, int)), verticalHeader(),
        SLOT(headerDataChanged(Qt::Orientation, int, int)));
    disconnect(
        model, SIGNAL(headerDataChanged(Qt::Orientation, int, int)), this, SLOT(_q_headerDataChanged()));
    connect(model, &QAbstractItemModel::headerDataChanged, this, &RecordsGridView::onHeaderDataChanged);
    connect(model, &RecordsGridModel::windowChanged, this, &RecordsGridView::onWindowChanged);
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        selected_ = -1;
        paintedFirst_ = model_->firstRow();
    });
    fitWindow();
    onWindowChanged();
}

int RecordsGridView::markedWindowRow() const
{
    if (!model_ || selected_ < 0)
        return -1;
    const int local = selected_ - model_->firstRow();
    return local >= 0 && local < model_->rowCount() ? local : -1;
}

int RecordsGridView::columnsRoom() const
{
    const int indicator = verticalHeader()->isHidden() ? 0 : RowIndicator::Width;
    return contentsRect().width() - indicator - rowBar_->sizeHint().width();
}

void RecordsGridView::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    fitWindow();
}

void RecordsGridView::updateGeometries()
{
    // Changing the margins below resizes the viewport, which comes back here.
    if (placing_)
        return;
    placing_ = true;
    QTableView::updateGeometries();
    // The table view sets the margins for its headers; the row scroll bar
    // takes a strip on the right, where the view's own bar would be.
    const int width = rowBar_->sizeHint().width();
    QMargins margins = viewportMargins();
    margins.setRight(width);
    setViewportMargins(margins);
    const QRect cells = viewport()->geometry();
    const int captions = horizontalHeader()->isHidden() ? 0 : horizontalHeader()->height();
    horizontalHeader()->setGeometry(cells.left(), cells.top() - captions, cells.width(), captions);
    const int top = contentsRect().top();
    rowBar_->setGeometry(cells.right() + 1, top, width, cells.bottom() + 1 - top);
    placing_ = false;
    fitWindow();
}

void RecordsGridView::fitWindow()
{
    if (!model_)
        return;
    // As many rows as fit whole below the column captions.
    const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
    model_->setWindowSize(std::max(1, viewport()->height() / rowHeight));
}

void RecordsGridView::onWindowChanged()
{
    syncing_ = true;
    rowBar_->setRange(0, model_->lastFirstRow());
    rowBar_->setPageStep(model_->windowSize());
    rowBar_->setValue(model_->firstRow());
    syncing_ = false;
    showSelection();
}

void RecordsGridView::showSelection()
{
    updateIndicator();
    // The selection model holds window rows; it follows the selected table row.
    const int local = selected_ - model_->firstRow();
    const bool inWindow = selected_ >= 0 && local < model_->rowCount();
    const QModelIndex current = currentIndex();
    if (inWindow && selectionModel()->isRowSelected(local, {}) && current.row() == local)
        return;
    syncing_ = true;
    if (inWindow) {
        const int column = current.isValid() ? current.column() : 0;
        selectionModel()->setCurrentIndex(
            model_->index(local, column), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        selectionModel()->clearSelection();
    }
    syncing_ = false;
}

void RecordsGridView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTableView::selectionChanged(selected, deselected);
    // The table view repaints a row's cells but not the grid line right of
    // its last column, which keeps the selection's colour; the rows stay
    // on screen as they move with the window, so repaint them whole.
    for (const QItemSelection* rows : { &selected, &deselected })
        for (const QItemSelectionRange& range : *rows)
            viewport()->update(QRect(0, rowViewportPosition(range.top()), viewport()->width(),
                rowViewportPosition(range.bottom()) + rowHeight(range.bottom())
                    - rowViewportPosition(range.top())));
    if (syncing_ || !model_)
        return;
    const QModelIndexList rows = selectionModel()->selectedRows();
    selected_ = rows.isEmpty() ? -1 : model_->firstRow() + rows.front().row();
    updateIndicator();
}

void RecordsGridView::dataChanged(
    const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    // The model's rows change contents only when the window moves over the
    // table. Most moves are by a row or a few (a new row logged, a step of
    // the scroll bar): the rows still in sight keep their pixels, moved.
    const int moved = model_ ? model_->firstRow() - paintedFirst_ : 0;
    if (model_)
        paintedFirst_ = model_->firstRow();
    headerMoved_ = moved != 0 && movePaintedRows(moved);
    if (!headerMoved_)
        QTableView::dataChanged(topLeft, bottomRight, roles);
}

bool RecordsGridView::movePaintedRows(int rows)
{
    const int shown = model_->rowCount();
    const int height = verticalHeader()->defaultSectionSize();
    if (std::abs(rows) >= shown || verticalScrollBar()->value() != 0)
        return false;
    for (int row = 0; row < shown; ++row)
        if (rowViewportPosition(row) != row * height || rowHeight(row) != height)
            return false;
    // The selection follows its table row through the selection model,
    // which repaints the rows it leaves and enters.
    const int dy = -rows * height;
    viewport()->scroll(0, dy);
    verticalHeader()->viewport()->scroll(0, dy);
    if (markPainted_ >= 0)
        markPainted_ -= rows;
    return true;
}

void RecordsGridView::onHeaderDataChanged(Qt::Orientation orientation, int first, int last)
{
    // The column captions' header listens to the model itself.
    if (orientation != Qt::Vertical)
        return;
    const bool moved = headerMoved_;
    headerMoved_ = false;
    if (!moved)
        verticalHeader()->headerDataChanged(orientation, first, last);
}

void RecordsGridView::updateIndicator()
{
    // Only the section that had the mark and the one that has it now.
    const int marked = markedWindowRow();
    for (int row : { markPainted_, marked })
        if (row >= 0)
            indicator_->viewport()->update(QRect(0, indicator_->sectionViewportPosition(row),
                indicator_->viewport()->width(), indicator_->sectionSize(row)));
    markPainted_ = marked;
}

void RecordsGridView::bringIntoWindow(int row)
{
    const int first = model_->firstRow();
    if (row < first)
        model_->setFirstRow(row);
    else if (row >= first + model_->windowSize())
        model_->setFirstRow(row - model_->windowSize() + 1);
}

void RecordsGridView::showTableRow(int row)
{
    if (!model_ || row < 0 || row >= model_->tableRowCount())
        return;
    selected_ = row;
    bringIntoWindow(row);
    showSelection();
}

void RecordsGridView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // Every row of the window is in view already; only the columns may need to scroll.
    QTableView::scrollTo(index, hint);
    verticalScrollBar()->setValue(0);
}

void RecordsGridView::wheelEvent(QWheelEvent* event)
{
    if (event->angleDelta().y() != 0 && !(event->modifiers() & Qt::AltModifier)) {
        QCoreApplication::sendEvent(rowBar_, event);
        return;
    }
    QTableView::wheelEvent(event);
}

QModelIndex RecordsGridView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    if (!model_ || model_->tableRowCount() == 0)
        return QTableView::moveCursor(action, modifiers);
    const QModelIndex current = currentIndex();
    const int from = current.isValid() ? model_->firstRow() + current.row() : -1;
    const int last = model_->tableRowCount() - 1;
    int to = from;
    switch (action) {
    case MoveUp:
    case MovePrevious:
        to = from < 0 ? 0 : from - 1;
        break;
    case MoveDown:
    case MoveNext:
        to = from + 1;
        break;
    case MovePageUp:
        to = from - model_->windowSize();
        break;
    case MovePageDown:
        to = from + model_->windowSize();
        break;
    case MoveHome:
        to = 0;
        break;
    case MoveEnd:
        to = last;
        break;
    default:
        return QTableView::moveCursor(action, modifiers);
    }
    to = std::clamp(to, 0, last);
    bringIntoWindow(to);
    const int column = current.isValid() ? current.column() : 0;
    return model_->index(to - model_->firstRow(), column);
}
