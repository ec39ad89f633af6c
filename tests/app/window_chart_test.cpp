// The trend chart in the real window while readings arrive and a link runs:
// which page is on screen, and who decides the page buttons.
#include "link/com_port_driver.h"
#include "records/chart_pager.h"
#include "records/trend_chart_widget.h"
#include "support/pty_pair.h"
#include "support/window_fixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QLineSeries>
#include <QToolButton>

#include <functional>
#include <gtest/gtest.h>

namespace {

using testsupport::modeFrameBytes;
using testsupport::WindowFixture;

class WindowChart : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        provideTemplate();
        ASSERT_TRUE(line.isValid());
        qputenv("BRENMOOR_COM1", line.devicePath().toLocal8Bit());
        w = makeWindow();
        w->RecordSI->setChecked(false);
    }
    void TearDown() override
    {
        w.reset();
        qunsetenv("BRENMOOR_COM1");
        WindowFixture::TearDown();
    }

    /** @p count volt readings through the framer, each a count higher than the last. */
    void readings(int count)
    {
        for (int i = 0; i < count; ++i) {
            const QByteArray digits = QByteArray::number(1000 + next++ % 3000);
            w->framer().H40VRData(modeFrameBytes(("1" + digits + "B00A").constData()));
        }
    }

    /** The chart as the user sees it: its series redrawn now. */
    TrendChartWidget& chart()
    {
        w->Chtshow->flushRedraw();
        return *w->Chtshow;
    }

    testsupport::PtyPair line;
    std::unique_ptr<TFCOMM> w;
    int next = 0;
};

TEST_F(WindowChart, LiveChartShowsTheNewestReadingsUntilTheUserPagesBack)
{
    readings(250); // 251 points with the placeholder: three pages of 100
    EXPECT_EQ(w->chartPager().pointCount(), 251);
    EXPECT_EQ(chart().Bt10->text(), "3");
    QLineSeries* line = chart().Series1();
    ASSERT_GT(line->count(), 0);
    EXPECT_EQ(line->at(line->count() - 1).x(), 250.0) << "the newest reading is drawn";
    EXPECT_EQ(line->at(line->count() - 1).y(), w->reading().ChartValue);

    // The user pages back: the chart stays there while readings go on.
    w->First1->trigger();
    readings(60);
    EXPECT_EQ(chart().Bt10->text(), "1");
    EXPECT_EQ(chart().Series1()->at(0).x(), 0.0);
    w->Next1->trigger();
    readings(10);
    EXPECT_EQ(chart().Bt10->text(), "2");

    // Last resumes following: the next pages come into view as they fill.
    w->Last1->trigger();
    readings(50); // 371 points: page 4
    EXPECT_EQ(chart().Bt10->text(), "4");
    EXPECT_TRUE(w->chartPager().ChartFollowsLast());
}

struct ChartUpdate {
    const char* name;
    std::function<void(TFCOMM&)> act;
};

// Chart updates re-apply the chart's own button state; during a link the
// link's disabling of Next and Last must win over all of them.
TEST_F(WindowChart, LinkKeepsNextAndLastDisabledThroughChartUpdates)
{
    readings(150);
    w->First1->trigger(); // Next and Last enabled by the page action
    w->COMCon->click();
    ASSERT_TRUE(w->COMM2->IsOpen());
    const ChartUpdate updates[] = {
        { "Fill box", [](TFCOMM& t) { t.Chtshow->BtFill->click(); } },
        { "Fill menu", [](TFCOMM& t) { t.Fill1->trigger(); } },
        { "Repeat box", [](TFCOMM& t) { t.RepeatSet->click(); } },
        { "points per page", [](TFCOMM& t) { t.Chtshow->Maxrecord->setText(QStringLiteral("50")); } },
        { "axis change by a new range",
            [](TFCOMM& t) { t.framer().H40VRData(modeFrameBytes("21234B00A")); } },
        { "Graphic First", [](TFCOMM& t) { t.First1->trigger(); } },
        { "Graphic Previous", [](TFCOMM& t) { t.Previous1->trigger(); } },
        { "Graphic Last", [](TFCOMM& t) { t.Last1->trigger(); } },
        { "New", [](TFCOMM& t) { t.New2->trigger(); } },
        { "a reading", [](TFCOMM& t) { t.framer().H40VRData(modeFrameBytes("11234B00A")); } },
    };
    for (const ChartUpdate& u : updates) {
        SCOPED_TRACE(u.name);
        u.act(*w);
        chart();
        EXPECT_FALSE(w->Chtshow->BtNext->isEnabled());
        EXPECT_FALSE(w->Chtshow->BTlast->isEnabled());
    }

    w->COMCon->click();
    EXPECT_TRUE(w->Chtshow->BtNext->isEnabled()) << "raising COM Connect enables them again";
    EXPECT_TRUE(w->Chtshow->BTlast->isEnabled());
}

} // namespace
