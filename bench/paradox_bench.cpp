// Paradox files: writing and reading a table of a million logged rows.
#include "records/log_table_layout.h"
#include "records/paradox_writer.h"
#include "records/records_table.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const QVector<FieldDef> kLogFields = logTableFields();
constexpr qint64 kRows = 1000000;

struct MillionRows {
    QTemporaryDir dir;
    RecordsTable table;
    MillionRows()
    {
        const QString path = dir.filePath("Rk40vdb.DB");
        ParadoxWriter::writeFile(path, kLogFields, ParadoxRows(42));
        table.open(path);
        for (qint64 i = 1; i <= kRows; ++i) {
            table.append();
            table.setField(QStringLiteral("no"), i);
            table.setField(QStringLiteral("time"), QTime::fromMSecsSinceStartOfDay(int(i * 1000 % 86400000)));
            table.setField(QStringLiteral("value"), QString::number(i % 4000));
            table.setField(QStringLiteral("unit"), QStringLiteral("mV"));
            table.setField(QStringLiteral("Nval"), double(i % 4000));
            table.post();
        }
    }
};

void BM_Write1M(benchmark::State& state)
{
    MillionRows rows;
    const QString target = rows.dir.filePath("copy.db");
    for (auto _ : state)
        rows.table.copyTo(target);
    state.counters["file_MB"] = double(QFileInfo(target).size()) / 1e6;
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Write1M)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Read1M(benchmark::State& state)
{
    MillionRows rows;
    const QString target = rows.dir.filePath("copy.db");
    rows.table.copyTo(target);
    RecordsTable reader;
    for (auto _ : state) {
        reader.open(target);
        benchmark::DoNotOptimize(reader.rowCount());
        reader.close();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_Read1M)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
