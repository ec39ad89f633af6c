// Every text the window shows fits the control that shows it: the records
// grid in the locales people use and at many rows, the MAX/MIN captions for
// every unit the decoders write, the limit fields and the log-option row.
#include "app/records_grid_model.h"
#include "app/records_grid_view.h"
#include "records/records_table.h"
#include "support/decoded_units.h"
#include "support/records_fixture.h"
#include "support/window_fixture.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScrollBar>
#include <QStyleOption>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

using testsupport::SampleRow;
using testsupport::WindowFixture;

/** The widest value texts a decoder writes: sign, four digits, either decimal mark; overload. */
const char* const kValues[] = { "-3,999", "-8.888", "-39,99", "-0,L" };

struct LocaleCase {
    const char* name;
    bool twelveHour; ///< times carry AM/PM
};
const LocaleCase kLocales[] = { { "C", false }, { "en_US", true }, { "de_DE", false } };

/** Sets the locale the program formats with for one case, and puts the old one back. */
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(previous_); }

private:
    QLocale previous_;
};

/** Width a label has for its text. */
int labelRoom(const QLabel* l)
{
    return l->contentsRect().width() - 2 * l->margin() - (l->indent() > 0 ? l->indent() : 0);
}

/** Width a line edit has for its text: inside its frame, less the edit's own margin of 2 on each side. */
int lineEditRoom(const QLineEdit* e)
{
    QStyleOptionFrame opt;
    opt.initFrom(e);
    opt.rect = e->contentsRect();
    opt.lineWidth = e->hasFrame() ? e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, e) : 0;
    const QMargins margins = e->textMargins();
    return e->style()->subElementRect(QStyle::SE_LineEditContents, &opt, e).width() - 4 - margins.left()
        - margins.right();
}

/** Width a grid cell has for its text: the item's text rect less the style's text margins. */
int cellRoom(const QTableView& grid, const QModelIndex& index)
{
    QStyleOptionViewItem opt;
    opt.initFrom(grid.viewport());
    opt.rect = grid.visualRect(index);
    opt.features = QStyleOptionViewItem::HasDisplay;
    opt.text = index.data().toString();
    const QRect text = grid.style()->subElementRect(QStyle::SE_ItemViewItemText, &opt, &grid);
    const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
    return text.width() - 2 * margin;
}

int headerRoom(const QHeaderView& header, int section)
{
    const int margin = header.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &header);
    return header.sectionSize(section) - 2 * margin;
}

QFont cellFont(const QTableView& grid, const QModelIndex& index)
{
    const QVariant font = index.data(Qt::FontRole);
    return font.isValid() ? font.value<QFont>() : grid.font();
}

/** What does not fit, one line each; empty when everything does. */
std::string clippedTexts(TFCOMM& w)
{
    QStringList out;
    // Text is laid out at fractional advances: a text a fraction wider than its room is cut off.
    const auto check = [&out](const QString& where, const QString& text, const QFont& font, int room) {
        const qreal needed = QFontMetricsF(font).horizontalAdvance(text);
        if (needed > room)
            out << QStringLiteral("%1 \"%2\": %3 px in %4").arg(where, text).arg(needed).arg(room);
    };
    for (QLabel* l : w.findChildren<QLabel*>()) {
        if (l->isVisibleTo(&w) && !l->text().isEmpty())
            check(l->objectName(), l->text(), l->font(), labelRoom(l));
    }
    for (QLineEdit* e : { w.T1HI, w.T1LO, w.T1VALUE, w.RecordSITime })
        check(e->objectName(), e->text(), e->font(), lineEditRoom(e));
    // A check box needs its indicator and its caption: what its size hint holds.
    for (QCheckBox* c : std::initializer_list<QCheckBox*> { w.RepeatSet, w.RecordSI, w.checksystem }) {
        if (c->sizeHint().width() > c->width())
            out << QStringLiteral("%1 \"%2\": %3 px in %4")
                       .arg(c->objectName(), c->text())
                       .arg(c->sizeHint().width())
                       .arg(c->width());
    }

    RecordsGridView& grid = *w.DBGrid1;
    QAbstractItemModel& shown = *grid.model();
    for (int column = 0; column < shown.columnCount(); ++column) {
        if (grid.isColumnHidden(column))
            continue;
        const QString caption = shown.headerData(column, Qt::Horizontal).toString();
        check(QStringLiteral("grid caption"), caption, grid.horizontalHeader()->font(),
            headerRoom(*grid.horizontalHeader(), column));
        for (int row = 0; row < grid.recordsModel()->windowSize() && row < shown.rowCount(); ++row) {
            const QModelIndex index = shown.index(row, column);
            check(QStringLiteral("grid %1 row %2").arg(caption).arg(row), index.data().toString(),
                cellFont(grid, index), cellRoom(grid, index));
        }
    }
    return out.join(QLatin1Char('\n')).toStdString();
}

/** Texts of one parent that overlap another's place, one line each. */
std::string overlappingTexts(QWidget* parent)
{
    QList<QWidget*> texts;
    for (QLabel* l : parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
        if (l->isVisibleTo(parent) && !l->text().isEmpty())
            texts << l;
    for (QCheckBox* c : parent->findChildren<QCheckBox*>(Qt::FindDirectChildrenOnly))
        if (c->isVisibleTo(parent))
            texts << c;
    QStringList out;
    for (int i = 0; i < texts.size(); ++i)
        for (int j = i + 1; j < texts.size(); ++j)
            if (texts[i]->geometry().intersects(texts[j]->geometry()))
                out << texts[i]->objectName() + QStringLiteral(" overlaps ") + texts[j]->objectName();
    return out.join(QLatin1Char('\n')).toStdString();
}

class WindowTexts : public WindowFixture {
protected:
    std::unique_ptr<TFCOMM> shownWindow()
    {
        auto w = makeWindow();
        w->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        return w;
    }
};

// Captions, values and units: each unit with the widest values, in the
// grid's newest row, in MAX and MIN and in the judged value.
TEST_F(WindowTexts, EveryValueAndUnitFitsInEveryLocale)
{
    provideTemplate();
    QStringList units = testsupport::modeFrameUnits() + testsupport::segmentFrameUnits();
    units.removeDuplicates();
    ASSERT_TRUE(units.contains(QStringLiteral("kRPM")) && units.contains(QStringLiteral("M*")))
        << units.join(' ').toStdString();

    for (const LocaleCase& c : kLocales) {
        SCOPED_TRACE(c.name);
        const QLocale locale(QLatin1String(c.name));
        if (locale.name() != QLatin1String(c.name) && QLatin1String(c.name) != QLatin1String("C"))
            GTEST_SKIP() << "Qt has no data for the locale " << c.name;
        LocaleScope scope(locale);
        auto window = shownWindow();
        TFCOMM& w = *window;
        w.RecordSITime->setText(QStringLiteral("86400"));

        qint64 no = 99990;
        QStringList failures; // the first few cases that do not fit, so the report stays readable
        for (const QString& unit : units) {
            for (const char* value : kValues) {
                QList<SampleRow> rows;
                for (const int hour : { 0, 10, 12, 22 })
                    rows.append({ ++no, QTime(hour, 58, 58), QStringLiteral("DC"), QLatin1String(value),
                        -3999, unit, QStringLiteral("MANU") });
                w.evaluationView().setExtremes(QLatin1String(value), QLatin1String(value), unit);
                w.evaluationView().setT1VALUE(QLatin1String(value));
                testsupport::appendRows(*w.T20VDB, rows);
                QCoreApplication::processEvents();
                const std::string clipped = clippedTexts(w);
                if (!clipped.empty() && failures.size() < 3)
                    failures << QStringLiteral("unit %1, value %2:\n").arg(unit, QLatin1String(value))
                            + QString::fromStdString(clipped);
            }
        }
        EXPECT_TRUE(failures.isEmpty()) << failures.join(QLatin1Char('\n')).toStdString();
        const QString time
            = w.DBGrid1->model()->index(0, w.T20VDB->fieldIndex(QStringLiteral("Time"))).data().toString();
        EXPECT_EQ(time.contains(QStringLiteral("PM")) || time.contains(QStringLiteral("AM")), c.twelveHour)
            << "the grid writes times as the locale does: " << time.toStdString();
        EXPECT_EQ(overlappingTexts(w.Panel3), "");
        EXPECT_EQ(overlappingTexts(w.Panel4), "");
        EXPECT_EQ(w.DBGrid1->horizontalScrollBar()->maximum(), 0) << "all six columns are in view";
    }
}

// The row indicator marks the current row in a narrow strip of its own:
// the columns keep their widths and stay in view whatever the count.
TEST_F(WindowTexts, RowIndicatorKeepsItsWidthAtAnyRowCount)
{
    provideTemplate();
    struct Column {
        const char* field;
        int width;
    };
    const Column designed[]
        = { { "No", 39 }, { "Time", 53 }, { "DC/AC", 37 }, { "Value", 43 }, { "Unit", 36 }, { "AUTO", 36 } };
    LocaleScope scope(QLocale::c());
    auto window = shownWindow();
    TFCOMM& w = *window;
    RecordsGridView& grid = *w.DBGrid1;

    int indicator = -1;
    for (const int count : { 0, 100, 100000 }) {
        SCOPED_TRACE(count);
        QList<SampleRow> rows;
        for (int i = w.T20VDB->rowCount(); i < count; ++i)
            rows.append({ i + 1, QTime(23, 58, 58), QStringLiteral("DC"), QStringLiteral("-3,999"), -3999,
                QStringLiteral("k*"), QStringLiteral("AUTO") });
        testsupport::appendRows(*w.T20VDB, rows);
        grid.showTableRow(count - 1);
        QCoreApplication::processEvents();

        if (indicator < 0)
            indicator = grid.verticalHeader()->width();
        EXPECT_EQ(grid.verticalHeader()->width(), indicator) << "the indicator does not widen with the count";
        EXPECT_LE(indicator, 16) << "a marker, not a number";
        int total = 0;
        for (const Column& c : designed) {
            const int index = w.T20VDB->fieldIndex(QLatin1String(c.field));
            EXPECT_GE(grid.columnWidth(index), c.width) << c.field;
            total += grid.columnWidth(index);
        }
        EXPECT_LE(total, grid.viewport()->width()) << "the six columns fit the grid";
        EXPECT_EQ(grid.horizontalScrollBar()->maximum(), 0);
        EXPECT_EQ(clippedTexts(w), "");

        // The mark is drawn at the newest row, the selected one, and nowhere else.
        const QModelIndexList selected = grid.selectionModel()->selectedRows();
        const int marked = selected.isEmpty() ? -1 : selected.front().row();
        EXPECT_EQ(grid.markedWindowRow(), marked);
        const QImage strip = grid.verticalHeader()->viewport()->grab().toImage();
        for (int row = 0; row < grid.model()->rowCount() && row < grid.recordsModel()->windowSize(); ++row) {
            const int top = grid.verticalHeader()->sectionViewportPosition(row);
            const int height = grid.verticalHeader()->sectionSize(row);
            int dark = 0;
            for (int y = top + 3; y < top + height - 3; ++y)
                for (int x = 2; x < strip.width() - 2; ++x)
                    dark += qGray(strip.pixel(x, y)) < 100 ? 1 : 0;
            EXPECT_EQ(dark > 0, row == marked) << "row " << row;
        }
    }
}

/** Pixel columns of @p area holding light ink, the white caption on the black window. */
std::vector<bool> inkColumns(QWidget* parent, const QRect& area)
{
    const QImage image = parent->grab(area).toImage();
    std::vector<bool> ink(std::size_t(image.width()), false);
    for (int x = 0; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (qGray(image.pixel(x, y)) > 128)
                ink[std::size_t(x)] = true;
    return ink;
}

// The log-option row: each caption whole, the interval box in the blanks of
// its caption with "Sampling Interval" left of it and "'S" right of it, and
// nothing behind the file buttons.
TEST_F(WindowTexts, LogOptionRowShowsItsCaptionsWhole)
{
    provideTemplate();
    auto window = shownWindow();
    TFCOMM& w = *window;
    w.RecordSITime->setText(QStringLiteral("86400"));
    EXPECT_EQ(clippedTexts(w), "");

    // The caption as drawn, without the box over it.
    const QRect box = w.RecordSITime->geometry();
    const QRect caption = w.RecordSI->geometry();
    w.RecordSITime->hide();
    const std::vector<bool> ink = inkColumns(w.centralWidget(), caption);
    w.RecordSITime->show();
    const auto inked = [&](int from, int to) {
        for (int x = std::max(from, caption.left()); x <= std::min(to, caption.right()); ++x)
            if (ink[std::size_t(x - caption.left())])
                return true;
        return false;
    };
    EXPECT_TRUE(inked(caption.left(), box.left() - 1)) << "\"Sampling Interval\" left of the box";
    EXPECT_FALSE(inked(box.left(), box.right())) << "the box covers no letter";
    EXPECT_TRUE(inked(box.right() + 1, caption.right())) << "\"'S\" right of the box";
    EXPECT_FALSE(inked(caption.right() - 1, caption.right())) << "the caption ends inside its control";

    for (QToolButton* b : { w.RecordNew, w.OpenDataFiles, w.saveas, w.BtPrint }) {
        EXPECT_FALSE(b->geometry().intersects(caption)) << b->objectName().toStdString();
        EXPECT_FALSE(b->geometry().intersects(w.RepeatSet->geometry())) << b->objectName().toStdString();
        EXPECT_FALSE(b->geometry().intersects(box)) << b->objectName().toStdString();
    }
    EXPECT_FALSE(w.RepeatSet->geometry().intersects(caption));
}

} // namespace
