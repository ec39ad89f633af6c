#include "records/chart_pager.h"
#include "records/trend_chart_widget.h"

#include <QAreaSeries>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QLineSeries>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QValueAxis>

#include <gtest/gtest.h>
#include <memory>

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

} // namespace
