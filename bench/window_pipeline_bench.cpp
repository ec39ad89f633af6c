// One reading's whole path through the real window, offscreen, with 1e2, 1e4
// and 1e6 rows logged before it: the mode frame's bytes into the framer,
// decoding, evaluation, the reading log, the journal, the records grid and
// the trend chart, and the window painted as the event loop paints it.
// Beside it, one logged row appended to the table and shown in the grid,
// and the resident memory a logged row costs the whole window.
//
// The rows before are logged the way restored rows are (table, grid and
// chart, not the journal), so a million of them take seconds, not minutes.
#include "app/tfcomm.h"
#include "records/reading_log.h"
#include "records/record_sink.h"
#include "records/records_table.h"
#include "records/records_table_sink.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHash>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <fstream>
#include <memory>

namespace {

qint64 residentBytes()
{
    std::ifstream statm("/proc/self/statm");
    qint64 pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * 4096;
}

/** Answers every box at once, so nothing waits; counts what was shown. */
class CountingAsker : public MessageAsker {
public:
    QMessageBox::StandardButton ask(
        QWidget*, QMessageBox::Icon, const QString& text, QMessageBox::StandardButtons) override
    {
        std::fprintf(stderr, "window said: %s\n", qPrintable(text));
        return QMessageBox::Ok;
    }
};

/** A mode frame of DC volts with the four digits of @p counts, led by the previous frame's LF. */
QByteArray modeFrame(int counts)
{
    const QByteArray body = "1" + QByteArray::number(counts % 4000).rightJustified(4, '0') + "B00A";
    QByteArray bytes("\n");
    for (char c : body)
        bytes.append(char(0x30 | QByteArray(1, c).toInt(nullptr, 16)));
    bytes.append('\r');
    return bytes;
}

LoggedRow loggedRow(qint32 no)
{
    LoggedRow r;
    r.no = no;
    r.stamp = QDateTime::currentDateTime();
    r.time = QTime(8, 0, 0).addSecs(no % 36000);
    r.value = QString::number(no % 4000 / 1000.0, 'f', 3);
    r.Nval = no % 4000;
    r.acDc = QStringLiteral("DC");
    r.unit = QStringLiteral("V");
    r.autoText = QStringLiteral("AUTO");
    r.chartValue = no % 4000;
    r.frameText = QStringLiteral("A11234B00AD");
    return r;
}

/**
 * The one window every benchmark here uses, logging every reading (no
 * sampling interval, no record limit in reach). It only grows: the
 * benchmarks run from the fewest rows to the most.
 */
class PipelineWindow {
public:
    PipelineWindow()
    {
        QDir::setCurrent(folder_.path());
        window_ = std::make_unique<TFCOMM>(BuildVariant::shipped(), std::make_unique<CountingAsker>());
        window_->setTerminateHandler([] {});
        window_->resize(TFCOMM::ClientWidth, TFCOMM::ClientHeight);
        window_->show();
        settle();
        window_->RecordSI->setChecked(false);
        window_->limitess->trigger();
        settle();
    }

    TFCOMM& window() { return *window_; }

    /**
     * Logs rows until the table holds @p rows; returns the resident growth a
     * row cost on the way there (the same figure again when it holds them already).
     */
    double growTo(qint64 rows)
    {
        const qint64 have = window_->T20VDB->rowCount();
        if (have >= rows)
            return grownPerRow_.value(rows);
        const qint64 before = residentBytes();
        constexpr qint64 kBatch = 10000;
        for (qint64 from = have; from < rows; from += kBatch) {
            QList<LoggedRow> batch;
            for (qint64 i = from; i < std::min(rows, from + kBatch); ++i)
                batch.append(loggedRow(qint32(i + 1)));
            window_->readingLog().restoreRows(batch);
            settle();
        }
        grownPerRow_[rows] = double(residentBytes() - before) / double(rows - have);
        return grownPerRow_[rows];
    }

    static void settle()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

private:
    QTemporaryDir folder_;
    std::unique_ptr<TFCOMM> window_;
    QHash<qint64, double> grownPerRow_;
};

void grow(benchmark::State& state, PipelineWindow& pipeline)
{
    const double perRow = pipeline.growTo(state.range(0));
    if (perRow > 0)
        state.counters["window_bytes_per_row"] = perRow;
}

/** A reading arrives: framer to chart, then the window paints what changed. */
void BM_Reading(benchmark::State& state, PipelineWindow* pipeline)
{
    grow(state, *pipeline);
    TFCOMM& w = pipeline->window();
    const qint64 rowsBefore = w.T20VDB->rowCount();
    int counts = 1000;
    for (auto _ : state) {
        w.framer().H40VRData(modeFrame(++counts));
        // The chart redraws at most 25 times a second; a meter sends about
        // 22 readings a second, so each reading gets its redraw.
        w.Chtshow->flushRedraw();
        PipelineWindow::settle();
    }
    if (w.T20VDB->rowCount() - rowsBefore != state.iterations())
        state.SkipWithError("a reading was not logged");
    state.counters["rows"] = double(w.T20VDB->rowCount());
}

/** A logged row goes into the table and the grid shows it: the window paints what changed. */
void BM_AppendRowInGrid(benchmark::State& state, PipelineWindow* pipeline)
{
    grow(state, *pipeline);
    TFCOMM& w = pipeline->window();
    RecordsTable& table = *w.T20VDB;
    RecordsTableSink rows(table, nullptr); // the table alone, as restored rows go in
    qint64 no = table.rowCount();
    for (auto _ : state) {
        rows.restoreRecord(loggedRow(qint32(++no)));
        PipelineWindow::settle();
    }
    state.counters["rows"] = double(table.rowCount());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The journal goes to a folder of its own, not the user's.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    // The window goes before the application does.
    auto pipeline = std::make_unique<PipelineWindow>();
    // Fewest rows first: the window only grows. A few hundred iterations
    // each, so the row count stays what the name says.
    for (const qint64 rows : { 100LL, 10000LL, 1000000LL }) {
        benchmark::RegisterBenchmark("BM_Reading", BM_Reading, pipeline.get())
            ->Arg(rows)
            ->Iterations(300)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark("BM_AppendRowInGrid", BM_AppendRowInGrid, pipeline.get())
            ->Arg(rows)
            ->Iterations(300)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    pipeline.reset();
    return 0;
}
