// Time to save 100,000 logged rows as text and as a Paradox table, to reopen
// the Paradox copy, and to lay out the printed report for them.
#include "base/heap_tuning.h"
#include "records/record_files.h"
#include "records/records_table.h"
#include "records/report_painter.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTime>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 100000;

class FilledTable {
public:
    FilledTable()
    {
        const QString path = dir.filePath(QStringLiteral("Rk40vdb.DB"));
        QFile::copy(RecordsTable::findTemplate(), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        table.open(path);
        const QTime start(8, 0, 0);
        for (int i = 1; i <= kRows; ++i) {
            table.append();
            table.setField(QStringLiteral("value"),
                QStringLiteral("%1,%2").arg(i % 40).arg(i % 1000, 3, 10, QChar('0')));
            table.setField(QStringLiteral("Nval"), double(i % 40000));
            table.setField(QStringLiteral("time"), start.addSecs(i % 36000));
            table.setField(QStringLiteral("no"), qint64(i));
            table.setField(QStringLiteral("DC/AC"), QStringLiteral("DC"));
            table.setField(QStringLiteral("unit"), QStringLiteral("k*"));
            table.setField(QStringLiteral("Auto"), QStringLiteral("AUTO"));
            table.post();
        }
    }

    QTemporaryDir dir;
    RecordsTable table;
};

FilledTable& filled()
{
    static FilledTable table;
    return table;
}

void SaveAsText(benchmark::State& state)
{
    FilledTable& f = filled();
    const QString path = f.dir.filePath(QStringLiteral("log.xls"));
    for (auto _ : state)
        benchmark::DoNotOptimize(RecordFiles::SaveTableAsText(f.table, path).ok);
    state.counters["rows"] = double(f.table.rowCount());
    state.counters["bytes"] = double(QFileInfo(path).size());
}

void SaveAsParadox(benchmark::State& state)
{
    FilledTable& f = filled();
    const QString path = f.dir.filePath(QStringLiteral("log.db"));
    for (auto _ : state)
        benchmark::DoNotOptimize(RecordFiles::SaveTableAsDB(f.table, path).ok);
    state.counters["bytes"] = double(QFileInfo(path).size());
}

void ReopenParadox(benchmark::State& state)
{
    FilledTable& f = filled();
    const QString path = f.dir.filePath(QStringLiteral("reopen.db"));
    RecordFiles::SaveTableAsDB(f.table, path);
    RecordsTable reopened;
    for (auto _ : state) {
        RecordFiles::open(reopened, path);
        benchmark::DoNotOptimize(reopened.rowCount());
    }
    state.counters["rows"] = double(reopened.rowCount());
}

void ReportLayout(benchmark::State& state)
{
    FilledTable& f = filled();
    for (auto _ : state) {
        ReportPainter report(f.table.snapshot());
        benchmark::DoNotOptimize(report.pageCount());
    }
}

void ReportPdf(benchmark::State& state)
{
    FilledTable& f = filled();
    const QString path = f.dir.filePath(QStringLiteral("report.pdf"));
    for (auto _ : state) {
        ReportPainter report(f.table.snapshot());
        benchmark::DoNotOptimize(report.writePdf(path));
    }
    state.counters["bytes"] = double(QFileInfo(path).size());
}

BENCHMARK(SaveAsText)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveAsParadox)->Unit(benchmark::kMillisecond);
BENCHMARK(ReopenParadox)->Unit(benchmark::kMillisecond);
BENCHMARK(ReportLayout)->Unit(benchmark::kMillisecond);
BENCHMARK(ReportPdf)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    heaptuning::keepLargeBuffers();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
