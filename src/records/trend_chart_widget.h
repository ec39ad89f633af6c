#pragma once

#include <QRect>
#include <QTimer>
#include <QWidget>

class ChartEnvelopeItem;
class ChartPager;
class QAreaSeries;
class QChart;
class QChartView;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QLineSeries;
class QPushButton;
class QToolButton;
class QValueAxis;

/**
 * The trend chart Chtshow: a view of a ChartPager with its own tool row.
 *
 * Two series share the points: index 0 the filled area Series2, index 1 the
 * line Series1; the pager says which one is drawn. The series only ever hold
 * the current page, and only while it has no more points than the plot has
 * pixel columns; a denser page is drawn as its per-column envelope by
 * envelope(), with the series empty. Redraws are coalesced to at most 25 a
 * second, so a flood of readings cannot starve the event loop.
 *
 * The alarm limit boxes Setmax/SetMin with SetMaxB/SetMinB and the DELDATA
 * button live here as hidden controls; their values reach the evaluation
 * through highAlarmLimitChanged()/lowAlarmLimitChanged().
 */
class TrendChartWidget : public QWidget {
    Q_OBJECT
public:
    /** Path of the saved chart bitmap: "databmp.bmp" in the home folder. */
    static QString bitmapPath();
    /** Bounds of the enlarged chart in a window of the given outer size. */
    static QRect enlargedBounds(QSize windowOuterSize);

    explicit TrendChartWidget(ChartPager& pager, QWidget* parent = nullptr);
    ~TrendChartWidget() override;

    /** New: clears the chart to one placeholder point and shows the series Fill selects. */
    void BtNewClick();
    /** Click of BtFill: the Fill choice decides the series; fillChanged() tells the menu. */
    void btFillClick();
    /** Enlarges the chart over the window, or restores its saved bounds. */
    void TbFdClick();
    /** Draws the chart on white into a Windows bitmap file; returns an error text, empty on success. */
    QString saveBitmap(const QString& path);
    /** Save button: saveBitmap() to bitmapPath(), then the information or error box. */
    void BtSaveClick();
    /** Sets the axis and the series from the pager now instead of at the next coalesced redraw. */
    void flushRedraw();

    QCheckBox* BtFill = nullptr;
    QLineEdit* Maxrecord = nullptr;
    QToolButton* BtNew = nullptr;
    QToolButton* BtSave = nullptr;
    QToolButton* BtFirst = nullptr;
    QToolButton* BTPrevious = nullptr;
    QToolButton* Bt10 = nullptr;
    QToolButton* BtNext = nullptr;
    QToolButton* BTlast = nullptr;
    QToolButton* TbFd = nullptr;
    QToolButton* TbSx = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QLineEdit* Setmax = nullptr;
    QLineEdit* SetMin = nullptr;
    QCheckBox* SetMaxB = nullptr;
    QCheckBox* SetMinB = nullptr;
    QPushButton* DELDATA = nullptr;

    QChartView* view() const { return view_; }
    QChart* Chtshow() const { return chart_; }
    QLineSeries* Series1() const { return series1_; }
    QAreaSeries* Series2() const { return series2_; }
    QValueAxis* valueAxis() const { return axisY_; }
    QValueAxis* ordinalAxis() const { return axisX_; }
    /** Draws a page denser than the plot's pixel columns; hidden otherwise. */
    ChartEnvelopeItem* envelope() const { return envelope_; }

signals:
    /** The Fill choice changed; the menu item "Fill" mirrors it. */
    void fillChanged(bool checked);
    /** A whole-number box held text that is no number; the message names it. */
    void conversionFailed(const QString& message);
    void highAlarmLimitChanged(float limit);
    void lowAlarmLimitChanged(float limit);

private:
    void buildToolRow();
    void buildChart();
    void buildAlarmBoxes();
    void resizeEvent(QResizeEvent* event) override;
    void showControls();
    /** Shows the page number in Bt10, in a smaller face when its digits need it. */
    void showPageNumber(const QString& number);
    void scheduleRedraw();
    void alarmLimitChanged(QLineEdit* box, bool high);
    void styleEnvelope();

    ChartPager& pager_;
    QChartView* view_ = nullptr;
    QChart* chart_ = nullptr;
    QLineSeries* series1_ = nullptr;
    QLineSeries* areaUpper_ = nullptr;
    QAreaSeries* series2_ = nullptr;
    QValueAxis* axisX_ = nullptr;
    QValueAxis* axisY_ = nullptr;
    ChartEnvelopeItem* envelope_ = nullptr;
    QTimer redrawTimer_;
    QRect normalBounds_; // ChartNormalBounds
};
