#include "records/chart_pager.h"

#include <QRandomGenerator>

#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

namespace {

using Buttons = ChartPager::PageButtons;

/** A pager whose series holds `total` points (the placeholder counts), point i having value i. */
void fill(ChartPager& pager, qsizetype total)
{
    for (qsizetype i = 1; i < total; ++i)
        pager.addPoint(double(i));
}

struct PageCountCase {
    qsizetype points;
    int perPage;
    int pages;
};

class PageCount : public ::testing::TestWithParam<PageCountCase> { };

TEST_P(PageCount, RoundsUpAndIsAtLeastOne)
{
    ChartPager pager;
    fill(pager, GetParam().points);
    pager.setPointsPerPage(GetParam().perPage);
    EXPECT_EQ(pager.pageCount(), GetParam().pages);
}

INSTANTIATE_TEST_SUITE_P(ChartPager, PageCount,
    ::testing::Values(PageCountCase { 250, 100, 3 }, PageCountCase { 200, 100, 2 },
        PageCountCase { 201, 100, 3 }, PageCountCase { 1, 100, 1 }, PageCountCase { 250, 0, 1 },
        PageCountCase { 250, 500, 1 }, PageCountCase { 250, 1, 250 }));

TEST(ChartPager, LastPageKeepsTheScaleOfAFullPage)
{
    ChartPager pager;
    fill(pager, 250);
    pager.BTlastClick();
    EXPECT_EQ(pager.page(), 3);
    const auto [first, last] = pager.pageXRange();
    EXPECT_EQ(first, 200);
    EXPECT_EQ(last, 300);
    const QList<QPointF> points = pager.pagePoints(400);
    ASSERT_EQ(points.size(), 50);
    EXPECT_EQ(points.first(), QPointF(200, 200));
    EXPECT_EQ(points.last(), QPointF(249, 249));
}

TEST(ChartPager, SetPageClamps)
{
    ChartPager pager;
    fill(pager, 250);
    pager.setPage(7);
    EXPECT_EQ(pager.page(), 3);
    pager.setPage(-2);
    EXPECT_EQ(pager.page(), 1);
}

TEST(ChartPager, MaxrecordChanges)
{
    ChartPager pager;
    fill(pager, 250);
    pager.setPage(3);
    pager.MaxrecordExit(QStringLiteral("500"));
    EXPECT_EQ(pager.page(), 1);
    EXPECT_EQ(pager.pageCaption(), QStringLiteral("1"));

    pager.MaxrecordExit(QStringLiteral("0"));
    EXPECT_EQ(pager.pageCount(), 1);
    EXPECT_EQ(pager.pagePoints(1000).size(), 250);

    try {
        pager.MaxrecordExit(QString());
        FAIL() << "empty box accepted";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
    EXPECT_EQ(pager.pointsPerPage(), 0);
}

struct ActionCase {
    const char* name;
    std::function<void(ChartPager&)> setup; // from 250 points, page 1, all buttons enabled
    std::function<void(ChartPager&)> action;
    int page;
    Buttons buttons;
    bool followsLast;
};

class PageAction : public ::testing::TestWithParam<ActionCase> { };

TEST_P(PageAction, FollowsTheButtonTable)
{
    const ActionCase& c = GetParam();
    ChartPager pager;
    fill(pager, 250);
    pager.setPage(1);
    if (c.setup)
        c.setup(pager);
    c.action(pager);
    EXPECT_EQ(pager.page(), c.page);
    EXPECT_EQ(pager.pageCaption(), QString::number(c.page));
    const Buttons b = pager.pageButtons();
    EXPECT_EQ(b.first, c.buttons.first);
    EXPECT_EQ(b.previous, c.buttons.previous);
    EXPECT_EQ(b.next, c.buttons.next);
    EXPECT_EQ(b.last, c.buttons.last);
    EXPECT_EQ(pager.ChartFollowsLast(), c.followsLast);
}

const auto toPage = [](int page) { return [page](ChartPager& p) { p.setPage(page); }; };

INSTANTIATE_TEST_SUITE_P(ChartPager, PageAction,
    ::testing::Values(
        ActionCase { "First", toPage(2), &ChartPager::BtFirstClick, 1, { false, false, true, true }, false },
        ActionCase {
            "Deldata", toPage(3), &ChartPager::DELDATAClick, 1, { false, false, true, true }, false },
        ActionCase { "PreviousOnFirstPage", nullptr, &ChartPager::BTPreviousClick, 1,
            { false, false, true, true }, false },
        ActionCase { "PreviousKeepsFirstButtons",
            [](ChartPager& p) {
                p.BtFirstClick();
                p.BTlastClick();
                p.BtFirstClick();
                p.setPage(3);
            },
            &ChartPager::BTPreviousClick, 2, { false, false, true, true }, false },
        ActionCase { "PreviousEnablesNextAndLast", [](ChartPager& p) { p.BTlastClick(); },
            &ChartPager::BTPreviousClick, 2, { true, true, true, true }, false },
        ActionCase {
            "NextOnLastPage", toPage(3), &ChartPager::BtNextClick, 3, { true, true, false, false }, false },
        ActionCase { "NextKeepsNextButtons",
            [](ChartPager& p) {
                p.BTlastClick();
                p.setPage(1);
            },
            &ChartPager::BtNextClick, 2, { true, true, false, false }, false },
        ActionCase { "NextEnablesFirstAndPrevious", [](ChartPager& p) { p.BtFirstClick(); },
            &ChartPager::BtNextClick, 2, { true, true, true, true }, false },
        ActionCase { "Last", nullptr, &ChartPager::BTlastClick, 3, { true, true, false, false }, true }),
    [](const auto& info) { return std::string(info.param.name); });

/** One step of a live session: readings arriving, or something the user or the link does. */
using Step = std::function<void(ChartPager&)>;

Step readings(int count)
{
    return [count](ChartPager& p) {
        for (int i = 0; i < count; ++i) {
            p.addPoint(double(p.pointCount()));
            p.pageAfterReading();
        }
    };
}

struct LiveCase {
    const char* name;
    std::vector<Step> steps; // from a new chart at 100 points per page
    int page;
    bool followsLast;
    Buttons buttons;
};

class LivePaging : public ::testing::TestWithParam<LiveCase> { };

TEST_P(LivePaging, NewestReadingsStayInViewUntilTheUserPagesBack)
{
    const LiveCase& c = GetParam();
    ChartPager pager;
    for (const Step& step : c.steps)
        step(pager);
    EXPECT_EQ(pager.page(), c.page);
    EXPECT_EQ(pager.pageCaption(), QString::number(c.page));
    EXPECT_EQ(pager.ChartFollowsLast(), c.followsLast);
    EXPECT_EQ(pager.pageButtons(), c.buttons);
    if (c.followsLast) {
        const QList<QPointF> shown = pager.pagePoints(1000);
        ASSERT_FALSE(shown.isEmpty());
        EXPECT_EQ(shown.last().x(), double(pager.pointCount() - 1)) << "the newest reading is on the chart";
    }
}

const Step first = &ChartPager::BtFirstClick;
const Step previous = &ChartPager::BTPreviousClick;
const Step next = &ChartPager::BtNextClick;
const Step last = &ChartPager::BTlastClick;
const Step hold = [](ChartPager& p) { p.setNextAndLastHeld(true); };
const Step release = [](ChartPager& p) { p.setNextAndLastHeld(false); };

// 250 readings and the placeholder make 251 points: three pages of 100.
INSTANTIATE_TEST_SUITE_P(ChartPager, LivePaging,
    ::testing::Values(
        LiveCase { "FollowsTheLastPage", { readings(250) }, 3, true, { true, true, false, false } },
        LiveCase { "FirstHoldsPageOne", { readings(250), first, readings(60) }, 1, false,
            { false, false, true, true } },
        LiveCase { "PreviousHoldsTheChosenPage", { readings(250), previous, readings(60) }, 2, false,
            { true, true, true, true } },
        LiveCase { "NextDoesNotResumeFollowing", { readings(250), first, next, readings(100) }, 2, false,
            { true, true, true, true } },
        LiveCase { "LastResumesFollowing", { readings(250), first, readings(60), last, readings(50) }, 4,
            true, { true, true, false, false } },
        LiveCase { "LinkHoldWinsOverPageActions", { hold, readings(250), first, readings(10) }, 1, false,
            { false, false, false, false } },
        LiveCase { "LettingGoEnablesNextAndLast", { hold, readings(250), release }, 3, true,
            { true, true, true, true } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChartPager, NewLeavesOnePlaceholderPoint)
{
    ChartPager pager;
    pager.setPointsPerPage(10);
    fill(pager, 35);
    pager.BtFirstClick();
    pager.setPage(3);
    pager.BtNewClick();
    EXPECT_EQ(pager.pointCount(), 1);
    EXPECT_EQ(pager.pointAt(0), ChartPager::placeholderValue);
    EXPECT_EQ(pager.page(), 3);
    EXPECT_EQ(pager.pageCaption(), QStringLiteral("1"));
    EXPECT_FALSE(pager.ChartFollowsLast());

    pager.addPoint(7.5);
    EXPECT_EQ(pager.pointCount(), 2);
    EXPECT_EQ(pager.pointAt(1), 7.5);
}

TEST(ChartPager, ShowSeriesActivatesAtMostOne)
{
    ChartPager pager;
    EXPECT_EQ(pager.activeSeries(), 0);
    pager.ShowSeries(1);
    EXPECT_EQ(pager.activeSeries(), 1);
    pager.ShowSeries(2);
    EXPECT_EQ(pager.activeSeries(), -1);
}

struct EnvelopeCase {
    qsizetype points;
    int perPage;
    int page;
    int pixels;
};

class Envelope : public ::testing::TestWithParam<EnvelopeCase> { };

// Pages straddle the 64- and 4096-point summary blocks at odd offsets.
TEST_P(Envelope, KeepsEachColumnsMinimumAndMaximum)
{
    const EnvelopeCase& c = GetParam();
    ChartPager pager;
    QRandomGenerator random(42);
    std::vector<double> values { ChartPager::placeholderValue };
    for (qsizetype i = 1; i < c.points; ++i) {
        values.push_back(random.bounded(-4000, 4001));
        pager.addPoint(values.back());
    }
    pager.setPointsPerPage(c.perPage);
    pager.setPage(c.page);

    const size_t begin = c.perPage > 0 ? size_t(c.page - 1) * c.perPage : 0;
    const size_t end = c.perPage > 0 ? std::min(begin + c.perPage, values.size()) : values.size();
    const size_t count = end - begin;
    const QList<QPointF> points = pager.pagePoints(c.pixels);
    ASSERT_LE(points.size(), 2 * c.pixels);

    int next = 0;
    for (int col = 0; col < c.pixels; ++col) {
        const size_t from = begin + count * col / c.pixels;
        const size_t to = begin + count * (col + 1) / c.pixels;
        const auto [lo, hi] = std::minmax_element(values.begin() + from, values.begin() + to);
        double seenMin = 1e9, seenMax = -1e9;
        while (next < points.size() && size_t(points[next].x()) < to) {
            ASSERT_GE(size_t(points[next].x()), from);
            EXPECT_EQ(points[next].y(), values[size_t(points[next].x())]);
            seenMin = std::min(seenMin, points[next].y());
            seenMax = std::max(seenMax, points[next].y());
            ++next;
        }
        EXPECT_EQ(seenMin, *lo) << "column " << col;
        EXPECT_EQ(seenMax, *hi) << "column " << col;
    }
    EXPECT_EQ(next, points.size());
}

INSTANTIATE_TEST_SUITE_P(ChartPager, Envelope,
    ::testing::Values(EnvelopeCase { 20000, 0, 1, 300 }, EnvelopeCase { 20000, 7000, 2, 333 },
        EnvelopeCase { 50000, 9999, 5, 97 }, EnvelopeCase { 1000, 0, 1, 999 }));

} // namespace
