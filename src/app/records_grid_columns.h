#pragma once

#include <QFont>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>

class RecordsGridView;
class RecordsTable;

/**
 * Widths of the records grid's six columns. Each starts at its designed
 * width and widens to hold the widest text it can show: its caption, a
 * time of day in the locale's format, every unit the decoders write, the
 * widest value, "MANU", and the numbers of the rows in view. When the
 * columns together pass the room beside the row indicator, those wider
 * than their texts need give back the difference, so the grid scrolls
 * sideways only when nothing else helps.
 */
class RecordsGridColumns : public QObject {
    Q_OBJECT
public:
    struct Column {
        const char* field;
        int width; ///< designed width in pixels
    };
    static constexpr std::array<Column, 6> Designed { { { "No", 39 }, { "Time", 53 }, { "DC/AC", 37 },
        { "Value", 43 }, { "Unit", 36 }, { "AUTO", 36 } } };

    RecordsGridColumns(RecordsGridView* grid, const RecordsTable* table, QObject* parent = nullptr);

    /** Shows the six columns and hides the others; forgets what earlier rows needed. */
    void reset();
    /** Widens the columns for the rows in view, if they need it. */
    void fit();
    /** fit() once the event loop is back, however many rows arrive before. */
    void scheduleFit();

private:
    int shownRowsWidth(std::size_t column) const;

    RecordsGridView* grid_;
    const RecordsTable* table_;
    std::array<QFont, Designed.size()> fonts_;
    std::array<int, Designed.size()> fixedNeed_ {}; ///< caption and the texts any row may show, with margins
    std::array<int, Designed.size()> rowsNeed_ {}; ///< widest text of any row shown since reset()
    int measuredFirst_ = 0; ///< table rows measured by the last fit, from here ...
    int measuredEnd_ = 0; ///< ... to before here
    int cellMargins_ = 0;
    QTimer fitTimer_;
};
