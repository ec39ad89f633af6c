#pragma once

#include <QList>
#include <QObject>
#include <QPointF>

#include <utility>
#include <vector>

/**
 * The trend chart's data and paging, without any drawing.
 *
 * Every point ever added is kept here; the chart view asks only for the
 * current page (pagePoints()), so adding a point and redrawing cost the same
 * whether ten or ten million points were logged. A point's horizontal
 * position is its 0-based ordinal; its value is the reading's chart value.
 *
 * The page actions (First, Previous, Next, Last) follow the chart's page
 * button table: each sets the page, the enabled state of the four page
 * buttons, whether the chart follows the last page, and the page caption.
 *
 * While readings arrive the chart shows the newest ones: it follows the last
 * page until the user pages back with First or Previous, and stays on the
 * chosen page until Last resumes following.
 *
 * A meter link holds Next and Last disabled (they are among the buttons a
 * link disables); the hold wins over every page action and chart update
 * until the link lets go.
 */
class ChartPager : public QObject {
    Q_OBJECT
public:
    /** Enabled state of the page buttons BtFirst, BTPrevious, BtNext, BTlast. */
    struct PageButtons {
        bool first = true;
        bool previous = true;
        bool next = true;
        bool last = true;
        bool operator==(const PageButtons&) const = default;
    };

    /** Value of the one point a cleared chart holds. */
    static constexpr double placeholderValue = 0.0;

    /** Starts as after New: one placeholder point, 100 points per page, page 1, following the last page. */
    explicit ChartPager(QObject* parent = nullptr);

    /** Adds one point; while ChartFollowsLast() the chart turns to its last page. */
    void addPoint(double value);
    /** Drops every point and leaves one placeholder; page, caption and following stay as they are. */
    void BtNewClick();

    qsizetype pointCount() const { return qsizetype(values_.size()); }
    double pointAt(qsizetype index) const { return values_[size_t(index)]; }

    int pointsPerPage() const { return pointsPerPage_; }
    /** Points per page (0: all points on one page); keeps the page within the new page count. */
    void setPointsPerPage(int count);
    /** Change of the Maxrecord box: the text as a whole number; throws std::invalid_argument, keeping the
     * page size. */
    void MaxrecordExit(const QString& text);

    /** Number of pages: points divided by points per page, rounded up, at least 1. */
    int pageCount() const;
    /** Current page, 1-based; may lie beyond pageCount() after New until a page action moves it. */
    int page() const { return page_; }
    /** Sets the page, clamped to 1..pageCount(). */
    void setPage(int page);

    /** Caption of the page number button Bt10. */
    QString pageCaption() const { return caption_; }
    /** Enabled state of the page buttons, with the link's hold on Next and Last applied. */
    PageButtons pageButtons() const;
    /**
     * A link starts (@p held) or ends: while held, Next and Last stay
     * disabled whatever the page actions set; letting go enables both.
     */
    void setNextAndLastHeld(bool held);
    bool nextAndLastHeld() const { return held_; }
    bool ChartFollowsLast() const { return followsLast_; }

    void BtFirstClick();
    void BTPreviousClick();
    void BtNextClick();
    void BTlastClick();
    /** The hidden DELDATA button: the same as First. */
    void DELDATAClick() { BtFirstClick(); }
    /**
     * Paging step after each mode-frame reading. While the chart follows
     * the last page it stays there, with Next and Last disabled as Last
     * leaves them; after the user paged back it stays on the chosen page.
     */
    void pageAfterReading();

    /** Horizontal range of the current page, from its first ordinal to the next page's: a full page wide even
     * when the page is not full. */
    std::pair<double, double> pageXRange() const;
    /**
     * Points of the current page for a plot that is pixelWidth pixels wide.
     * A page with more points than pixels is thinned to the minimum and
     * maximum of each pixel column, in the order they occur.
     */
    QList<QPointF> pagePoints(int pixelWidth) const;

    /** Minimum, maximum, first and last value of the points that fall into one pixel column. */
    struct EnvelopeColumn {
        int column;
        double minimum;
        double maximum;
        double first;
        double last;
    };
    /** Number of points on the current page. */
    qsizetype pagePointCount() const;
    /**
     * The current page reduced to @p columns pixel columns over pageXRange():
     * a point belongs to the column its horizontal position falls into, so a
     * partly filled page keeps the scale of a full one. Columns without a
     * point are left out; the rest come in order.
     */
    std::vector<EnvelopeColumn> pageEnvelope(int columns) const;

    /** Fixed vertical range of the chart. */
    void setValueRange(double minimum, double maximum);
    double valueMinimum() const { return valueMin_; }
    double valueMaximum() const { return valueMax_; }

    /** Index of the drawn series: 0 the filled area, 1 the line, -1 none. */
    int activeSeries() const { return activeSeries_; }
    /** Makes every series inactive, then the one at index active. */
    void ShowSeries(int index);

signals:
    /** The points of the current page changed (points added, page moved, page size changed). */
    void pageChanged();
    /** Page buttons, caption, active series or value range changed. */
    void controlsChanged();

private:
    struct Extremes {
        size_t minIndex;
        size_t maxIndex;
    };
    void clearPoints();
    void summarize(std::vector<Extremes>& level, size_t blockSize, size_t index);
    Extremes extremesIn(size_t begin, size_t end) const;
    void finishPageAction(bool followsLast);
    std::pair<size_t, size_t> pageIndexRange() const;

    std::vector<double> values_;
    // Extremes of aligned blocks of 64 and 4096 points: a pixel column's
    // minimum and maximum come from a few blocks instead of every point.
    std::vector<Extremes> blocks64_;
    std::vector<Extremes> blocks4096_;

    int pointsPerPage_ = 100;
    int page_ = 1;
    QString caption_ = QStringLiteral("1");
    PageButtons buttons_;
    bool followsLast_ = true;
    bool held_ = false;
    int activeSeries_ = 0;
    double valueMin_ = -4100.0;
    double valueMax_ = 4100.0;
};
