// Records table: appending logged rows, walking a million of them as the
// grid and the text export do, and the memory a logged row costs.
#include "records/log_table_layout.h"
#include "records/paradox_writer.h"
#include "records/records_table.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <fstream>

namespace {

const QVector<FieldDef> kLogFields = logTableFields();

struct LogTable {
    QTemporaryDir dir;
    RecordsTable table;
    LogTable()
    {
        const QString path = dir.filePath("Rk40vdb.DB");
        ParadoxWriter::writeFile(path, kLogFields, ParadoxRows(42));
        table.open(path);
    }
};

/** A reading of a run that changes every time: value and count drift, a second passes. */
void logReading(RecordsTable& table, qint64 no)
{
    const int counts = int(no * 37 % 8000) - 4000;
    table.append();
    table.setField(QStringLiteral("value"), QString::number(counts / 1000.0, 'f', 3));
    table.setField(QStringLiteral("Nval"), double(counts));
    table.setField(QStringLiteral("time"), QTime(8, 0, 0).addSecs(int(no % 57600)));
    table.setField(QStringLiteral("no"), no);
    table.setField(QStringLiteral("DC/AC"), QStringLiteral("DC"));
    table.setField(QStringLiteral("unit"), QStringLiteral("k*"));
    table.setField(QStringLiteral("Auto"), QStringLiteral("AUTO"));
    table.post();
}

qint64 residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    qint64 pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096;
}

void BM_AppendRow(benchmark::State& state)
{
    LogTable log;
    qint64 no = 1;
    for (auto _ : state)
        logReading(log.table, no++);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendRow);

void BM_Walk1M(benchmark::State& state)
{
    LogTable log;
    for (qint64 i = 1; i <= 1000000; ++i)
        logReading(log.table, i);
    for (auto _ : state) {
        qint64 chars = 0;
        for (qint64 row = 0; row < log.table.rowCount(); ++row)
            for (int field = 0; field < 6; ++field)
                chars += log.table.displayText(row, field).size();
        benchmark::DoNotOptimize(chars);
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_Walk1M)->Unit(benchmark::kMillisecond)->Iterations(2);

// Memory a logged row costs: resident growth over a million appended rows.
void BM_MemoryPerRow(benchmark::State& state)
{
    for (auto _ : state) {
        LogTable log;
        const qint64 before = residentBytes();
        for (qint64 i = 1; i <= 1000000; ++i)
            logReading(log.table, i);
        state.counters["bytes_per_row"] = double(residentBytes() - before) / 1e6;
    }
}
BENCHMARK(BM_MemoryPerRow)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
