// The log and chart controls as the window wires them.
#include "app/tfcomm.h"
#include "records/chart_pager.h"
#include "records/reading_log.h"
#include "records/records_table.h"
#include "records/trend_chart_widget.h"
#include "support/scripted_asker.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class ChartWindowTest : public ::testing::Test {
protected:
    ChartWindowTest()
    {
        auto a = std::make_unique<testsupport::ScriptedAsker>();
        asked = a->asked;
        window = std::make_unique<TFCOMM>(BuildVariant::shipped(), std::move(a));
        asked->clear(); // start-up reports (no records template in the test folder)
    }

    std::shared_ptr<std::vector<testsupport::ScriptedAsker::Asked>> asked;
    std::unique_ptr<TFCOMM> window;
};

TEST_F(ChartWindowTest, ChartSitsInItsPlace)
{
    EXPECT_EQ(window->Chtshow->geometry(), QRect(288, 173, 382, 292));
    EXPECT_EQ(window->chartPager().pointCount(), 1);
    EXPECT_EQ(window->chartPager().activeSeries(), 0);
}

TEST_F(ChartWindowTest, RecordLimitMenuChecksOneEntry)
{
    const QList<QAction*> items { window->N10001, window->N50001, window->N100001, window->N500001,
        window->N1000001, window->limitess };
    EXPECT_EQ(window->readingLog().RecordLimit(), 10000);
    for (qsizetype i = 0; i < items.size(); ++i) {
        items[i]->trigger();
        EXPECT_EQ(window->readingLog().RecordLimit(), ReadingLog::limitItems()[i].limit);
        for (qsizetype j = 0; j < items.size(); ++j)
            EXPECT_EQ(items[j]->isChecked(), i == j) << items[j]->text().toStdString();
    }
    EXPECT_EQ(window->readingLog().RecordLimit(), 10000000);
}

TEST_F(ChartWindowTest, FillMenuAndBoxAgree)
{
    window->Fill1->trigger();
    EXPECT_FALSE(window->Fill1->isChecked());
    EXPECT_FALSE(window->Chtshow->BtFill->isChecked());
    EXPECT_EQ(window->chartPager().activeSeries(), 1);
    window->Chtshow->BtFill->click();
    EXPECT_TRUE(window->Fill1->isChecked());
    EXPECT_EQ(window->chartPager().activeSeries(), 0);
}

TEST_F(ChartWindowTest, LogOptionsReachTheLog)
{
    window->RecordSITime->clear();
    QTest::keyClicks(window->RecordSITime, QStringLiteral("a-2.5"));
    EXPECT_EQ(window->RecordSITime->text(), QStringLiteral("25"));
    EXPECT_EQ(window->readingLog().SampleCountdown(), 25);

    window->TrecordTimer();
    EXPECT_EQ(window->readingLog().SampleCountdown(), 24);
    window->RecordSI->click();
    window->TrecordTimer();
    EXPECT_EQ(window->readingLog().SampleCountdown(), 24) << "sampling off: the timer does not count";
}

TEST_F(ChartWindowTest, TableErrorsShowOneNoticeWithTheCountAndTheChartGoesOn)
{
    window->RecordSI->setChecked(false);
    window->T20VDB->close();
    for (int i = 0; i < 5; ++i)
        window->INDataToTable();
    EXPECT_TRUE(asked->empty()) << "a reading-path error must not wait in a modal box";
    WindowNotice& notice = window->readingNotice();
    ASSERT_TRUE(notice.isShowing());
    EXPECT_EQ(notice.text(), QStringLiteral("Cannot perform this operation on a closed dataset"));
    EXPECT_EQ(notice.timesShown(), 1) << "a growing count does not reopen the box";
    EXPECT_EQ(notice.box()->informativeText(), QStringLiteral("5 readings could not be recorded."));
    EXPECT_EQ(window->readingLog().RecordNo(), 6);
    EXPECT_EQ(window->chartPager().pointCount(), 6);
}

TEST_F(ChartWindowTest, RecordNewShowsItsMessage)
{
    window->New1->trigger();
    ASSERT_EQ(asked->size(), 1u);
    EXPECT_EQ(asked->front().text, QStringLiteral(" Record deleted "));
    EXPECT_EQ(window->readingLog().RecordNo(), 1);
}

TEST_F(ChartWindowTest, GraphicMenuPagesAndAlarmBoxesSetLimits)
{
    window->First1->trigger();
    EXPECT_FALSE(window->Chtshow->BtFirst->isEnabled());
    window->Last1->trigger();
    EXPECT_TRUE(window->chartPager().ChartFollowsLast());

    window->Chtshow->Setmax->setText(QStringLiteral("3000"));
    window->Chtshow->SetMin->setText(QStringLiteral("-"));
    EXPECT_EQ(window->evaluation().HighAlarmLimit, 3000.0f);
    EXPECT_EQ(window->evaluation().LowAlarmLimit, 0.0f);
}

} // namespace
