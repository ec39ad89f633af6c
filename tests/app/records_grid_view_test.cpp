// The records grid shows a window of the rows that fit and moves it over the
// table: what it costs at many rows, and where the scroll bar, the keys and
// the wheel take it and the selected row.
#include "app/records_grid_model.h"
#include "app/records_grid_view.h"
#include "app/tfcomm.h"
#include "records/records_table.h"
#include "support/records_fixture.h"
#include "support/window_fixture.h"

#include <QAbstractTableModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

/** A table of @p rows rows whose cells read their row number, counted from 1. */
class NumberedRows : public QAbstractTableModel {
public:
    explicit NumberedRows(int rows)
        : rows_(rows)
    {
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(QString::number(index.row() + 1)) : QVariant();
    }
    QVariant headerData(int section, Qt::Orientation, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(section == 0 ? "No" : "Value") : QVariant();
    }

private:
    int rows_;
};

class GridWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        view.setRecordsModel(&shown);
        view.setGeometry(0, 0, 284, 211);
        view.verticalHeader()->setDefaultSectionSize(18);
        view.setSelectionBehavior(QAbstractItemView::SelectRows);
        view.setSelectionMode(QAbstractItemView::SingleSelection);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        ASSERT_GT(shown.windowSize(), 3);
    }

    /** Table rows shown first and selected, and whether the selection is on screen. */
    QString firstCell() const { return shown.index(0, 0).data().toString(); }
    bool selectionShown() const { return !view.selectionModel()->selectedRows().isEmpty(); }

    NumberedRows rows { 1000 };
    RecordsGridModel shown { &rows };
    RecordsGridView view;
};

TEST_F(GridWindow, KeysMoveTheSelectionOverTheWholeTable)
{
    const int window = shown.windowSize();
    struct Case {
        const char* name;
        int from; ///< selected table row before the key
        Qt::Key key;
        int to; ///< selected table row after it
        int first; ///< first table row shown after it
    };
    const Case cases[] = {
        { "down from the last row shown", window - 1, Qt::Key_Down, window, 1 },
        { "up from the first row", 0, Qt::Key_Up, 0, 0 },
        { "page down", 0, Qt::Key_PageDown, window, 1 },
        { "end", 5, Qt::Key_End, 999, 1000 - window },
        { "home from the end", 999, Qt::Key_Home, 0, 0 },
        { "down at the last row", 999, Qt::Key_Down, 999, 1000 - window },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        shown.setFirstRow(0);
        view.showTableRow(c.from);
        QTest::keyClick(view.viewport(), c.key);
        EXPECT_EQ(view.selectedTableRow(), c.to);
        EXPECT_EQ(shown.firstRow(), c.first);
        EXPECT_TRUE(selectionShown());
        EXPECT_EQ(view.currentIndex().data().toString(), QString::number(c.to + 1));
        EXPECT_EQ(view.rowScrollBar()->value(), c.first);
    }
}

TEST_F(GridWindow, SelectionStaysOnItsTableRowWhileScrolling)
{
    view.showTableRow(2);
    view.rowScrollBar()->setValue(500);
    EXPECT_EQ(firstCell(), QStringLiteral("501"));
    EXPECT_FALSE(selectionShown()) << "row 3 is out of the window";
    EXPECT_EQ(view.markedWindowRow(), -1) << "the row indicator marks no row";
    EXPECT_FALSE(shown.headerData(0, Qt::Vertical, Qt::DisplayRole).isValid()) << "rows carry no number";
    view.rowScrollBar()->setValue(view.rowScrollBar()->maximum());
    EXPECT_EQ(shown.index(shown.rowCount() - 1, 0).data().toString(), QStringLiteral("1000"));
    view.rowScrollBar()->setValue(1);
    EXPECT_EQ(view.selectedTableRow(), 2);
    ASSERT_TRUE(selectionShown());
    EXPECT_EQ(view.selectionModel()->selectedRows().front().data().toString(), QStringLiteral("3"));
    EXPECT_EQ(view.markedWindowRow(), 1) << "the row indicator follows the selected row";

    // The wheel moves the window too, downwards for a turn towards the user.
    QWheelEvent wheel(QPointF(20, 40), view.viewport()->mapToGlobal(QPointF(20, 40)), QPoint(),
        QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view.viewport(), &wheel);
    EXPECT_GT(shown.firstRow(), 1);
}

// The real window: many logged rows keep the grid's cost fixed, and it follows the newest row.
using GridInTheWindow = testsupport::WindowFixture;

TEST_F(GridInTheWindow, FollowsTheNewestOfManyRowsAtAFixedCost)
{
    provideTemplate();
    auto window = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    RecordsGridView& grid = *window->DBGrid1;

    QList<testsupport::SampleRow> rows;
    for (int i = 1; i <= 100000; ++i)
        rows.append({ i, QTime(8, 0, 0).addSecs(i % 36000), QStringLiteral("DC"), QStringLiteral("1,234"),
            1234, QStringLiteral("V"), QStringLiteral("AUTO") });
    testsupport::appendRows(*window->T20VDB, rows);
    // Rows that fit once the row header is as wide as six digits.
    const int shownRows = grid.recordsModel()->windowSize();
    ASSERT_GT(shownRows, 5);
    ASSERT_LT(shownRows, 20);

    EXPECT_EQ(grid.verticalHeader()->count(), shownRows) << "the header holds the rows shown, not all rows";
    EXPECT_EQ(grid.rowScrollBar()->maximum(), 100000 - shownRows);
    EXPECT_EQ(grid.selectedTableRow(), 99999);
    const QModelIndex selected = grid.selectionModel()->selectedRows().value(0);
    EXPECT_EQ(selected.row(), shownRows - 1) << "the newest row is shown whole";
    EXPECT_EQ(selected.data().toString(), QStringLiteral("100000"));

    // Emptying the table shows the top again with nothing selected.
    window->T20VDB->emptyTable();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(grid.rowScrollBar()->maximum(), 0);
    EXPECT_EQ(grid.selectedTableRow(), -1);
}

// Rows still in sight keep their pixels when the window moves by a few rows;
// what is on screen must be what the grid paints afresh, selection included.
TEST_F(GridInTheWindow, MovedRowsOnScreenAreWhatTheGridPaints)
{
    provideTemplate();
    auto window = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    RecordsGridView& grid = *window->DBGrid1;
    const auto expectScreenIsFresh = [&](const std::string& what) {
        // A new layout (the row header got a digit more or less) paints at the next pass.
        for (int pass = 0; pass < 3; ++pass)
            QCoreApplication::processEvents();
        const QPoint at = grid.mapTo(window.get(), QPoint(0, 0));
        const QImage screen = QGuiApplication::primaryScreen()
                                  ->grabWindow(window->winId(), at.x(), at.y(), grid.width(), grid.height())
                                  .toImage()
                                  .convertToFormat(QImage::Format_RGB32);
        const QImage fresh = grid.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(screen.size(), fresh.size()) << what;
        EXPECT_TRUE(screen == fresh) << what;
    };

    // Logged one at a time, each painted before the next, past the digit
    // that widens the row header.
    for (int i = 1; i <= 120; ++i) {
        testsupport::appendRows(*window->T20VDB,
            { { i, QTime(8, 0, 0).addSecs(i), i % 2 ? QStringLiteral("DC") : QStringLiteral("AC"),
                QString::number(i * 7 % 4000), double(i * 7 % 4000), QStringLiteral("V"),
                QStringLiteral("AUTO") } });
        QCoreApplication::processEvents();
        if (i % 10 == 0 || i == 99 || i == 100)
            expectScreenIsFresh("after row " + std::to_string(i));
    }

    // The user steps over the table with the selection on an older row.
    grid.showTableRow(100);
    expectScreenIsFresh("row 101 selected");
    QScrollBar& bar = *grid.rowScrollBar();
    for (const int step : { -1, -1, -3, 2, 1, -12, 5 }) {
        bar.setValue(bar.value() + step);
        expectScreenIsFresh("scrolled by " + std::to_string(step) + " to " + std::to_string(bar.value()));
    }
}

} // namespace
