#include "app/records_grid_columns.h"

#include "app/records_grid_model.h"
#include "app/records_grid_view.h"
#include "app/text_width.h"
#include "app/widest_texts.h"
#include "records/records_table.h"

#include <QHeaderView>
#include <QStyle>
#include <QTime>

#include <algorithm>
#include <numeric>

namespace {

/** Texts a column can show whatever the rows: times in the table's format, units, values, modes. */
QStringList widestTexts(const char* field, const RecordsTable& table)
{
    const QLatin1String name(field);
    QStringList texts;
    if (name == QLatin1String("Time")) {
        for (int hour = 0; hour < 24; ++hour)
            texts << QTime(hour, 58, 58).toString(table.timeFormat());
    } else if (name == QLatin1String("DC/AC")) {
        texts << QStringLiteral("DC") << QStringLiteral("AC");
    } else if (name == QLatin1String("Value")) {
        texts = widesttexts::values();
    } else if (name == QLatin1String("Unit")) {
        texts = widesttexts::units();
    } else if (name == QLatin1String("AUTO")) {
        texts << QStringLiteral("AUTO") << QStringLiteral("MANU");
    }
    return texts;
}

QFont columnFont(const char* field, const QFont& gridFont)
{
    if (qstrcmp(field, "Value") == 0)
        return RecordsGridModel::valueFont();
    if (qstrcmp(field, "Unit") == 0)
        return RecordsGridModel::unitFont();
    return gridFont;
}

} // namespace

RecordsGridColumns::RecordsGridColumns(RecordsGridView* grid, const RecordsTable* table, QObject* parent)
    : QObject(parent)
    , grid_(grid)
    , table_(table)
{
    fitTimer_.setSingleShot(true);
    fitTimer_.setInterval(0);
    connect(&fitTimer_, &QTimer::timeout, this, &RecordsGridColumns::fit);
}

void RecordsGridColumns::scheduleFit()
{
    fitTimer_.start();
}

int RecordsGridColumns::shownRowsWidth(std::size_t column) const
{
    const int index = table_->fieldIndex(QLatin1String(Designed[column].field));
    const RecordsGridModel* shown = grid_->recordsModel();
    if (index < 0 || !shown)
        return 0;
    // Rows measured by the last fit are in rowsNeed_ already: a logged row
    // moves the window by one, so one row is measured, not the whole window.
    QStringList texts;
    for (int row = 0; row < shown->rowCount(); ++row) {
        const int tableRow = shown->firstRow() + row;
        if (tableRow < measuredFirst_ || tableRow >= measuredEnd_)
            texts << shown->index(row, index).data().toString();
    }
    return texts.isEmpty() ? 0 : widestAdvance(texts, fonts_[column]);
}

void RecordsGridColumns::reset()
{
    const QAbstractItemModel* shown = grid_->model();
    for (int i = 0; shown && i < shown->columnCount(); ++i)
        grid_->setColumnHidden(i, true);
    const QStyle* style = grid_->style();
    // A cell draws its text inside the style's margins, left of the grid line.
    cellMargins_ = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid_) + 1)
        + (grid_->showGrid() ? 1 : 0);
    const QHeaderView* header = grid_->horizontalHeader();
    const int captionMargins = 2 * style->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
    measuredFirst_ = measuredEnd_ = 0;
    for (std::size_t i = 0; i < Designed.size(); ++i) {
        const char* field = Designed[i].field;
        fonts_[i] = columnFont(field, grid_->font());
        const int caption = widestAdvance({ QLatin1String(field) }, header->font());
        fixedNeed_[i] = std::max(
            widestAdvance(widestTexts(field, *table_), fonts_[i]) + cellMargins_, caption + captionMargins);
        rowsNeed_[i] = 0;
        const int index = table_->fieldIndex(QLatin1String(field));
        if (index >= 0)
            grid_->setColumnHidden(index, false);
    }
    fit();
}

void RecordsGridColumns::fit()
{
    fitTimer_.stop();
    std::array<int, Designed.size()> needed {};
    std::array<int, Designed.size()> widths {};
    for (std::size_t i = 0; i < Designed.size(); ++i)
        rowsNeed_[i] = std::max(rowsNeed_[i], shownRowsWidth(i));
    if (const RecordsGridModel* shown = grid_->recordsModel()) {
        measuredFirst_ = shown->firstRow();
        measuredEnd_ = shown->firstRow() + shown->rowCount();
    }
    for (std::size_t i = 0; i < Designed.size(); ++i) {
        needed[i] = std::max(fixedNeed_[i], rowsNeed_[i] + cellMargins_);
        widths[i] = std::max(Designed[i].width, needed[i]);
    }
    // Past the room, columns give back what they have beyond their texts, the roomiest first.
    int excess = std::accumulate(widths.begin(), widths.end(), 0) - grid_->columnsRoom();
    while (excess > 0) {
        std::size_t roomiest = 0;
        for (std::size_t i = 1; i < widths.size(); ++i)
            if (widths[i] - needed[i] > widths[roomiest] - needed[roomiest])
                roomiest = i;
        if (widths[roomiest] <= needed[roomiest])
            break;
        --widths[roomiest];
        --excess;
    }
    for (std::size_t i = 0; i < Designed.size(); ++i) {
        const int index = table_->fieldIndex(QLatin1String(Designed[i].field));
        if (index >= 0 && grid_->columnWidth(index) != widths[i])
            grid_->setColumnWidth(index, widths[i]);
    }
}
