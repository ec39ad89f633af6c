// Cost of logging one more point and redrawing the chart's page, with few and
// with very many points already logged. The figures should not depend on the
// number already logged.
#include "records/chart_pager.h"
#include "records/trend_chart_widget.h"

#include <QApplication>
#include <QChartView>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>
#include <cmath>

namespace {

constexpr int plotPixels = 330;

void fill(ChartPager& pager, qsizetype total)
{
    for (qsizetype i = 1; i < total; ++i)
        pager.addPoint(4000.0 * std::sin(double(i) / 50.0));
}

/** Model only: add a point, build the page the series get. */
void AddPointAndPage(benchmark::State& state)
{
    ChartPager pager;
    pager.setPointsPerPage(int(state.range(1)));
    fill(pager, state.range(0));
    double v = 0;
    for (auto _ : state) {
        pager.addPoint(v += 0.5);
        benchmark::DoNotOptimize(pager.pagePoints(plotPixels));
    }
}

/** The real view: add a point, hand the page to both series and paint the chart. */
void AddPointAndRedraw(benchmark::State& state)
{
    ChartPager pager;
    pager.setPointsPerPage(int(state.range(1)));
    TrendChartWidget chart(pager);
    chart.resize(382, 292);
    chart.show();
    fill(pager, state.range(0));
    chart.flushRedraw();
    QImage image(chart.view()->size(), QImage::Format_RGB32);
    double v = 0;
    for (auto _ : state) {
        pager.addPoint(v += 0.5);
        chart.flushRedraw();
        QPainter painter(&image);
        chart.view()->render(&painter);
    }
}

// Arguments: points already logged, points per page (0: all points on one page).
BENCHMARK(AddPointAndPage)->ArgsProduct({ { 100, 1000000 }, { 100, 0 } })->Unit(benchmark::kMicrosecond);
BENCHMARK(AddPointAndRedraw)->ArgsProduct({ { 100, 1000000 }, { 100, 0 } })->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
