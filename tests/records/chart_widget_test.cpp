#include "records/chart_envelope_item.h"
#include "records/chart_pager.h"
#include "records/trend_chart_widget.h"

#include <QAreaSeries>
#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontMetricsF>
#include <QImage>
#include <QLineEdit>
#include <QLineSeries>
#include <QPainter>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace {

class ChartWidgetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        window->resize(675, 471);
        chart = new TrendChartWidget(pager, window.get());
        chart->setGeometry(288, 173, 382, 292);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    ChartPager pager;
    std::unique_ptr<QWidget> window;
    TrendChartWidget* chart = nullptr;
};

TEST_F(ChartWidgetTest, SeriesHoldOnlyTheCurrentPage)
{
    for (int i = 1; i < 250; ++i)
        pager.addPoint(i);
    chart->flushRedraw();
    EXPECT_EQ(chart->Series1()->count(), 50);
    EXPECT_EQ(chart->Series2()->upperSeries()->count(), 50);
    EXPECT_EQ(chart->ordinalAxis()->min(), 200);
    EXPECT_EQ(chart->ordinalAxis()->max(), 300);
    EXPECT_EQ(chart->Bt10->text(), QStringLiteral("3"));
}

TEST_F(ChartWidgetTest, PageNumberFitsItsButtonAtAnyPage)
{
    chart->Maxrecord->setText(QStringLiteral("1"));
    int points = 0;
    for (const int page : { 1, 9, 10, 100, 1000, 10000, 100000 }) {
        while (points < page)
            pager.addPoint(++points);
        chart->flushRedraw();
        const QString text = chart->Bt10->text();
        EXPECT_EQ(text, pager.pageCaption()) << page;
        EXPECT_LE(QFontMetricsF(chart->Bt10->font()).horizontalAdvance(text), chart->Bt10->width() - 4)
            << "page " << text.toStdString();
        // The buttons to its right move along and stay inside the chart.
        EXPECT_GE(chart->BtNext->x(), chart->Bt10->geometry().right()) << page;
        EXPECT_EQ(chart->BTlast->x(), chart->BtNext->x() + 24) << page;
        EXPECT_LE(chart->TbFd->geometry().right(), chart->width()) << page;
    }
}

TEST_F(ChartWidgetTest, RedrawsAreCoalesced)
{
    chart->flushRedraw();
    for (int i = 1; i < 50; ++i)
        pager.addPoint(i);
    EXPECT_EQ(chart->Series1()->count(), 1) << "series replaced per point";
    QTRY_COMPARE_WITH_TIMEOUT(chart->Series1()->count(), 50, 1000);
}

TEST_F(ChartWidgetTest, ButtonsAndAxisMirrorThePager)
{
    pager.setValueRange(-41.0, 40.1);
    pager.BtFirstClick();
    EXPECT_FALSE(chart->BtFirst->isEnabled());
    EXPECT_FALSE(chart->BTPrevious->isEnabled());
    EXPECT_TRUE(chart->BtNext->isEnabled());
    EXPECT_EQ(chart->valueAxis()->min(), -41.0);
    EXPECT_EQ(chart->valueAxis()->max(), 40.1);
    QTest::mouseClick(chart->BtNext, Qt::LeftButton);
    EXPECT_FALSE(chart->BtNext->isEnabled()) << "one page only: Next on the last page";
    EXPECT_TRUE(chart->BtFirst->isEnabled());
}

TEST_F(ChartWidgetTest, FillChoosesTheSeries)
{
    QSignalSpy fill(chart, &TrendChartWidget::fillChanged);
    EXPECT_TRUE(chart->Series2()->isVisible());
    EXPECT_FALSE(chart->Series1()->isVisible());
    chart->BtFill->click();
    ASSERT_EQ(fill.count(), 1);
    EXPECT_FALSE(fill.first().first().toBool());
    EXPECT_FALSE(chart->Series2()->isVisible());
    EXPECT_TRUE(chart->Series1()->isVisible());

    for (int i = 0; i < 5; ++i)
        pager.addPoint(i);
    chart->ComboBox1->setCurrentIndex(1);
    QTest::mouseClick(chart->BtNew, Qt::LeftButton);
    EXPECT_EQ(pager.pointCount(), 1);
    EXPECT_EQ(chart->ComboBox1->currentIndex(), 0);
    EXPECT_EQ(pager.activeSeries(), 1) << "Fill unchecked: the line after New";
}

TEST_F(ChartWidgetTest, EnlargeAndRestoreReturnToTheSameBounds)
{
    const QRect normal = chart->geometry();
    QTest::mouseClick(chart->TbFd, Qt::LeftButton);
    EXPECT_EQ(chart->geometry(), TrendChartWidget::enlargedBounds(window->frameGeometry().size()));
    EXPECT_TRUE(chart->TbSx->isVisible());
    EXPECT_FALSE(chart->TbFd->isVisible());
    QTest::mouseClick(chart->TbSx, Qt::LeftButton);
    EXPECT_EQ(chart->geometry(), normal);
    EXPECT_TRUE(chart->TbFd->isVisible());
    EXPECT_FALSE(chart->TbSx->isVisible());
}

struct AlarmCase {
    const char* text;
    bool valid;
    float limit;
};

class AlarmBoxes : public ChartWidgetTest, public ::testing::WithParamInterface<AlarmCase> { };

TEST_P(AlarmBoxes, TextBecomesTheLimit)
{
    const AlarmCase& c = GetParam();
    for (bool high : { true, false }) {
        QSignalSpy limit(
            chart, high ? &TrendChartWidget::highAlarmLimitChanged : &TrendChartWidget::lowAlarmLimitChanged);
        QSignalSpy failed(chart, &TrendChartWidget::conversionFailed);
        QLineEdit* box = high ? chart->Setmax : chart->SetMin;
        box->setText(QStringLiteral("77"));
        limit.clear();
        box->setText(QString::fromLatin1(c.text));
        if (c.valid) {
            ASSERT_EQ(limit.count(), 1);
            EXPECT_EQ(limit.first().first().toFloat(), c.limit);
        } else {
            EXPECT_EQ(limit.count(), 0);
            ASSERT_EQ(failed.count(), 1);
            EXPECT_EQ(failed.first().first().toString(),
                QStringLiteral("'%1' is not a valid integer value").arg(QString::fromLatin1(c.text)));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ChartWidget, AlarmBoxes,
    ::testing::Values(AlarmCase { "-", true, 0 }, AlarmCase { "+", true, 0 }, AlarmCase { "", true, 0 },
        AlarmCase { "3000", true, 3000 }, AlarmCase { "-250", true, -250 }, AlarmCase { "1-2", false, 0 },
        AlarmCase { "--", false, 0 }));

TEST_F(ChartWidgetTest, KeyFilters)
{
    chart->Setmax->clear();
    QTest::keyClicks(chart->Setmax, QStringLiteral("a1,+.-9"));
    EXPECT_EQ(chart->Setmax->text(), QStringLiteral("1+-9"));

    chart->Maxrecord->clear();
    QTest::keyClicks(chart->Maxrecord, QStringLiteral("-2x5"));
    EXPECT_EQ(chart->Maxrecord->text(), QStringLiteral("25"));
    EXPECT_EQ(pager.pointsPerPage(), 25);
}

TEST_F(ChartWidgetTest, ClearingMaxrecordReportsAndKeepsThePageSize)
{
    QSignalSpy failed(chart, &TrendChartWidget::conversionFailed);
    chart->Maxrecord->setText(QStringLiteral("0"));
    chart->Maxrecord->clear();
    EXPECT_EQ(pager.pointsPerPage(), 0);
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed.first().first().toString(), QStringLiteral("'' is not a valid integer value"));
}

TEST_F(ChartWidgetTest, SavesAWindowsBitmap)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("databmp.bmp"));
    QFile::remove(path);
    { // replaces an older file
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(1 << 20, 'x'));
    }
    EXPECT_EQ(chart->saveBitmap(path), QString());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(2), QByteArray("BM"));
    const QImage image(path, "BMP");
    EXPECT_EQ(image.size(), chart->view()->size());

    EXPECT_FALSE(chart->saveBitmap(dir.filePath(QStringLiteral("missing/databmp.bmp"))).isEmpty());
    EXPECT_TRUE(TrendChartWidget::bitmapPath().endsWith(QStringLiteral("/databmp.bmp")));
}

// What the user saves is what the chart shows on screen, for a page drawn by
// the series and for one drawn as its envelope, in both styles.
TEST_F(ChartWidgetTest, SavedBitmapShowsWhatTheScreenShows)
{
    struct Case {
        const char* name;
        int points;
        int perPage;
        bool fill;
    };
    const Case cases[] = { { "sparse area", 250, 100, true }, { "sparse line", 250, 100, false },
        { "dense area", 40000, 0, true }, { "dense line", 40000, 0, false } };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        pager.BtNewClick();
        for (int i = 1; i < c.points; ++i)
            pager.addPoint(3000.0 * std::sin(i / 300.0) + (i % 7) * 90.0);
        pager.setPointsPerPage(c.perPage);
        pager.BTlastClick();
        if (chart->BtFill->isChecked() != c.fill)
            chart->BtFill->click();
        // The screen as the event loop leaves it after the coalesced redraw;
        // on a loaded machine the axes' new labels may still move the plot
        // area, and with it the columns, so wait until it stays put.
        QTest::qWait(80);
        QRectF area;
        for (int i = 0; i < 20 && area != chart->view()->chart()->plotArea(); ++i) {
            area = chart->view()->chart()->plotArea();
            chart->flushRedraw();
            QTest::qWait(10);
        }
        const QImage screen = chart->view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QString path = dir.filePath(QStringLiteral("databmp.bmp"));
        ASSERT_EQ(chart->saveBitmap(path), QString());
        const QImage saved = QImage(path, "BMP").convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(saved.size(), screen.size());
        EXPECT_EQ(chart->envelope()->isVisible(), c.perPage == 0);
        // Only the chart's rounded outer corners may differ: white in the
        // file, the window's colour on screen. Elsewhere a pixel may differ
        // by the rounding of antialiased edges, a few levels at most.
        const QRect inner = saved.rect().adjusted(12, 12, -12, -12);
        qint64 differing = 0;
        for (int y = inner.top(); y <= inner.bottom(); ++y)
            for (int x = inner.left(); x <= inner.right(); ++x) {
                const QRgb a = saved.pixel(x, y), b = screen.pixel(x, y);
                if (std::abs(qRed(a) - qRed(b)) > 8 || std::abs(qGreen(a) - qGreen(b)) > 8
                    || std::abs(qBlue(a) - qBlue(b)) > 8)
                    ++differing;
            }
        EXPECT_EQ(differing, 0);
    }
}

struct DenseCase {
    const char* name;
    qsizetype points;
    int perPage;
    int page;
    bool fill;
};

/** Rows a series coloured in one pixel column: the topmost and the bottommost. */
struct ColumnInk {
    std::optional<int> top;
    std::optional<int> bottom;
};

std::vector<ColumnInk> inkByColumn(const QImage& image, const QRect& plot, bool fill)
{
    auto isInk = [fill](QColor c) {
        auto near = [&c](int r, int g, int b) {
            return std::abs(c.red() - r) + std::abs(c.green() - g) + std::abs(c.blue() - b) < 60;
        };
        return fill ? near(0, 0, 255) || near(0, 128, 255) : near(128, 255, 0);
    };
    std::vector<ColumnInk> columns;
    for (int x = plot.left(); x <= plot.right(); ++x) {
        ColumnInk ink;
        for (int y = plot.top(); y <= plot.bottom(); ++y) {
            if (isInk(image.pixelColor(x, y))) {
                if (!ink.top)
                    ink.top = y;
                ink.bottom = y;
            }
        }
        columns.push_back(ink);
    }
    return columns;
}

/**
 * Every inked column of @p a lies within the ink of the same column of @p b
 * and its two neighbours, give or take two rows: a point that sits on a
 * column boundary may land on either side of it. Returns the number of
 * inked columns.
 */
int expectWithinEnvelope(const std::vector<ColumnInk>& a, const std::vector<ColumnInk>& b, const char* what)
{
    int inked = 0;
    for (size_t x = 1; x + 1 < a.size(); ++x) {
        if (!a[x].top)
            continue;
        ++inked;
        int top = 1 << 20, bottom = -1;
        for (size_t n = x - 1; n <= x + 1; ++n) {
            if (b[n].top) {
                top = std::min(top, *b[n].top);
                bottom = std::max(bottom, *b[n].bottom);
            }
        }
        EXPECT_GE(*a[x].top, top - 2) << what << ": top of column " << x;
        EXPECT_LE(*a[x].bottom, bottom + 2) << what << ": bottom of column " << x;
    }
    return inked;
}

class DensePage : public ChartWidgetTest, public ::testing::WithParamInterface<DenseCase> { };

// The saved bitmap of a page with more points than pixel columns shows the
// same picture as the chart series would draw from every point of the page.
TEST_P(DensePage, EnvelopeMatchesTheSeriesDrawingEveryPoint)
{
    const DenseCase& c = GetParam();
    QRandomGenerator random(7);
    for (qsizetype i = 1; i < c.points; ++i) {
        const double wave = 2500.0 * std::sin(double(i) / double(c.points) * 19.0);
        const double spike = random.bounded(100) == 0 ? random.bounded(-1500, 1500) : 0;
        pager.addPoint(wave + spike + random.bounded(-120, 120));
    }
    pager.setPointsPerPage(c.perPage);
    pager.setPage(c.page);
    if (!c.fill)
        chart->BtFill->click();

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("databmp.bmp"));
    ASSERT_EQ(chart->saveBitmap(path), QString());
    const QImage saved = QImage(path, "BMP").convertToFormat(QImage::Format_RGB32);
    ASSERT_TRUE(chart->envelope()->isVisible());
    EXPECT_EQ(chart->Series1()->count(), 0);

    const auto [first, last] = pager.pageXRange();
    QList<QPointF> all;
    for (qsizetype i = qsizetype(first); i <= qsizetype(last) && i < pager.pointCount(); ++i)
        all.append(QPointF(double(i), pager.pointAt(i)));
    chart->envelope()->hide();
    chart->Series2()->upperSeries()->replace(all);
    chart->Series1()->replace(all);
    QImage reference(chart->view()->size(), QImage::Format_RGB32);
    reference.fill(Qt::white);
    {
        QPainter painter(&reference);
        chart->view()->render(&painter);
    }
    ASSERT_EQ(saved.size(), reference.size());

    const QRect plot = chart->Chtshow()->plotArea().toAlignedRect().adjusted(1, 1, -1, -1);
    const auto mine = inkByColumn(saved, plot, c.fill);
    const auto theirs = inkByColumn(reference, plot, c.fill);
    const int drawn = expectWithinEnvelope(mine, theirs, "envelope against series");
    const int expected = expectWithinEnvelope(theirs, mine, "series against envelope");
    EXPECT_GT(expected, 0);
    EXPECT_NEAR(drawn, expected, 2) << "columns drawn";
}

INSTANTIATE_TEST_SUITE_P(ChartWidget, DensePage,
    ::testing::Values(DenseCase { "all_points_area", 30000, 0, 1, true },
        DenseCase { "all_points_line", 30000, 0, 1, false },
        DenseCase { "partial_last_page_area", 23000, 10000, 3, true },
        DenseCase { "partial_last_page_line", 23000, 10000, 3, false },
        DenseCase { "middle_page_line", 50000, 7001, 4, false },
        DenseCase { "just_denser_than_the_plot", 700, 0, 1, false }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChartWidgetTest, SparsePageStaysWithTheSeries)
{
    for (int i = 1; i < 100000; ++i)
        pager.addPoint(i % 3000);
    pager.setPointsPerPage(0);
    chart->flushRedraw();
    ASSERT_TRUE(chart->envelope()->isVisible());
    pager.setPointsPerPage(100);
    pager.setPage(5);
    chart->flushRedraw();
    EXPECT_FALSE(chart->envelope()->isVisible()) << "a page of 100 points is drawn by the series";
    EXPECT_EQ(chart->Series1()->count(), 100);
    EXPECT_EQ(chart->Series1()->at(0).x(), 400.0);
}

} // namespace
