// Time to save 100,000 logged rows as text and as a Paradox table, to reopen
// the Paradox copy, to lay out the printed report for them and write it as
// PDF, and to show its first page in the preview; a million rows saved as
// text, with the memory the save adds at its peak.
#include "base/heap_tuning.h"
#include "records/record_files.h"
#include "records/records_table.h"
#include "records/report_painter.h"
#include "records/report_preview.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTime>

#include <benchmark/benchmark.h>
#include <fstream>
#include <string>

namespace {

constexpr int kRows = 100000;

/** Resident memory now and at its peak since the last resetPeak(), in bytes. */
struct Resident {
    qint64 now = 0;
    qint64 peak = 0;
};

Resident resident()
{
    Resident r;
    std::ifstream status("/proc/self/status");
    std::string key;
    qint64 kib = 0;
    while (status >> key) {
        if (key == "VmRSS:" && status >> kib)
            r.now = kib * 1024;
        else if (key == "VmHWM:" && status >> kib)
            r.peak = kib * 1024;
    }
    return r;
}

/** Starts a new peak from the resident memory of now. */
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

class FilledTable {
public:
    explicit FilledTable(int rows = kRows)
    {
        const QString path = dir.filePath(QStringLiteral("Rk40vdb.DB"));
        QFile::copy(RecordsTable::findTemplate(), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        table.open(path);
        const QTime start(8, 0, 0);
        for (int i = 1; i <= rows; ++i) {
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

FilledTable& filledMillion()
{
    static FilledTable table(1000000);
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

/** A million rows as text; "added_MB" is the resident memory the save adds at its peak. */
void SaveMillionAsText(benchmark::State& state)
{
    FilledTable& f = filledMillion();
    const QString path = f.dir.filePath(QStringLiteral("million.txt"));
    double added = 0;
    for (auto _ : state) {
        QFile::remove(path);
        resetPeak();
        const qint64 before = resident().now;
        benchmark::DoNotOptimize(RecordFiles::SaveTableAsText(f.table, path).ok);
        added = std::max(added, double(resident().peak - before));
    }
    state.counters["rows"] = double(f.table.rowCount());
    state.counters["added_MB"] = added / 1e6;
    QFile::remove(path);
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

/**
 * The preview opened on the report of 100,000 or 1,000,000 rows until its
 * first page is painted; "added_MB" is the resident memory it adds at its
 * peak, which should not depend on the page count.
 */
void PreviewFirstPage(benchmark::State& state)
{
    FilledTable& f = state.range(0) > kRows ? filledMillion() : filled();
    const auto showFirstPage = [&f] {
        ReportPreview preview(ReportPainter(f.table.snapshot()));
        preview.show();
        while (preview.pageView()->pagesPainted().isEmpty())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        benchmark::DoNotOptimize(preview.pageView()->pageCount());
    };
    // Fonts, styles and the dialog's widgets are made once per program, not
    // per report: the first preview's time is "first_ms", its memory not counted.
    QElapsedTimer first;
    first.start();
    showFirstPage();
    state.counters["first_ms"] = double(first.nsecsElapsed()) / 1e6;
    double added = 0;
    for (auto _ : state) {
        resetPeak();
        const qint64 before = resident().now;
        showFirstPage();
        added = std::max(added, double(resident().peak - before));
    }
    state.counters["added_MB"] = added / 1e6;
}

BENCHMARK(SaveAsText)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveMillionAsText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(PreviewFirstPage)->Arg(kRows)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(SaveAsParadox)->Unit(benchmark::kMillisecond);
BENCHMARK(ReopenParadox)->Unit(benchmark::kMillisecond);
BENCHMARK(ReportLayout)->Unit(benchmark::kMillisecond);
BENCHMARK(ReportPdf)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    heaptuning::keepLargeBuffers();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
