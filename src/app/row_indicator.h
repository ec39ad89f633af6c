#pragma once

#include <QHeaderView>

#include <functional>

/**
 * The records grid's row indicator: a narrow strip left of the rows whose
 * only mark is a small triangle at the current row, as a classic data grid
 * shows it. It keeps its width whatever the number of rows, so the columns
 * keep theirs.
 */
class RowIndicator : public QHeaderView {
    Q_OBJECT
public:
    static constexpr int Width = 12;

    /** @p currentRow tells the row of the view to mark, or -1 for none. */
    RowIndicator(std::function<int()> currentRow, QWidget* parent = nullptr);

    /** The row marked now; -1 when none is. */
    int markedRow() const { return currentRow_(); }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

private:
    std::function<int()> currentRow_;
};
