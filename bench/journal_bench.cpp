// The journal's cost: CPU time per row (both threads) and on the calling
// thread, the longest journal call at 1,000 rows a second, and the longest
// UI-thread event of the real window logging 1,000 frames a second from the
// simulator.
#include "app/tfcomm.h"
#include "records/journal.h"
#include "records/records_journal.h"
#include "records/records_table.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <sys/resource.h>
#include <thread>

namespace {

double cpuSeconds(clockid_t clock)
{
    timespec t {};
    clock_gettime(clock, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

LoggedRow sampleRow(qint32 no)
{
    LoggedRow r;
    r.no = no;
    r.stamp = QDateTime::currentDateTime();
    r.time = r.stamp.time();
    r.value = QStringLiteral("-3,999");
    r.Nval = -3999;
    r.acDc = QStringLiteral("DC");
    r.unit = QStringLiteral("k*");
    r.autoText = QStringLiteral("AUTO");
    r.chartValue = -3.999;
    r.frameText = QStringLiteral("A13999B401D");
    return r;
}

/** CPU time a row costs, over both threads, and on the thread that appends it. */
void BM_JournalCostPerRow(benchmark::State& state)
{
    const int rows = int(state.range(0));
    for (auto _ : state) {
        QTemporaryDir dir;
        Journal journal;
        journal.open(dir.filePath(QStringLiteral("journal.sqlite")));
        const qint64 log = journal.startLog(QDateTime::currentDateTime(), {}, {}, {});
        journal.waitForCommitted();
        QList<LoggedRow> made; // the reading log builds its rows in any case
        made.reserve(rows);
        for (int i = 1; i <= rows; ++i)
            made.append(sampleRow(i));
        const double process0 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        const double thread0 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        for (const LoggedRow& row : std::as_const(made))
            journal.append(log, row);
        const double thread1 = cpuSeconds(CLOCK_THREAD_CPUTIME_ID);
        journal.waitForCommitted(600000);
        const double process1 = cpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
        state.counters["cpu_us_per_row"] = (process1 - process0) * 1e6 / rows;
        state.counters["caller_us_per_row"] = (thread1 - thread0) * 1e6 / rows;
    }
}
BENCHMARK(BM_JournalCostPerRow)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

/** The longest single journal call while 1,000 rows a second are appended, saved every 5 s. */
void BM_JournalLongestCallAt1000RowsPerSecond(benchmark::State& state)
{
    for (auto _ : state) {
        QTemporaryDir dir;
        Journal journal;
        journal.open(dir.filePath(QStringLiteral("journal.sqlite")));
        const qint64 log = journal.startLog(QDateTime::currentDateTime(), {}, {}, {});
        qint64 longest = 0;
        auto next = std::chrono::steady_clock::now();
        for (int i = 1; i <= int(state.range(0)); ++i) {
            next += std::chrono::milliseconds(1);
            std::this_thread::sleep_until(next);
            const LoggedRow row = sampleRow(i);
            QElapsedTimer t;
            t.start();
            journal.append(log, row);
            if (i % 5000 == 0)
                journal.markSaved(log);
            longest = std::max(longest, t.nsecsElapsed());
        }
        state.counters["longest_call_us"] = double(longest) / 1000.0;
    }
}
BENCHMARK(BM_JournalLongestCallAt1000RowsPerSecond)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);

/** Times every event the UI thread handles (the outermost only). */
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        if (depth_++ > 0) {
            const bool handled = QApplication::notify(receiver, event);
            --depth_;
            return handled;
        }
        QElapsedTimer t;
        t.start();
        const bool handled = QApplication::notify(receiver, event);
        --depth_;
        if (measuring) {
            const qint64 ns = t.nsecsElapsed();
            longest = std::max(longest, ns);
            if (ns > 5000000)
                ++over5ms;
        }
        return handled;
    }
    bool measuring = false;
    qint64 longest = 0;
    int over5ms = 0;

private:
    int depth_ = 0;
};

TimedApplication* timedApp = nullptr;

/** Runs the event loop as the program does, waiting for events between them, for @p ms. */
void runEventLoopFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

/** User and system time of this process, all threads. */
double processCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

/**
 * The real window logging 1,000 frames a second from the simulator on a
 * pseudo-terminal, sampling off. With the second argument 0 the journal's
 * folder cannot be made, so rows only queue in memory: the same run without
 * the database work, for comparison.
 */
void BM_WindowAt1000FramesPerSecond(benchmark::State& state)
{
    for (auto _ : state) {
        QTemporaryDir data;
        if (state.range(1) == 0) {
            QFile blocker(data.filePath(QStringLiteral("blocked")));
            blocker.open(QIODevice::WriteOnly);
            qputenv("XDG_DATA_HOME", QFile::encodeName(blocker.fileName()));
        } else {
            qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        }
        QProcess sim;
        sim.start(QCoreApplication::applicationDirPath() + QStringLiteral("/metersim"),
            { QStringLiteral("--rate"), QStringLiteral("1000") });
        sim.waitForReadyRead(10000);
        qputenv("BRENMOOR_COM1", sim.readLine().trimmed());
        {
            TFCOMM window;
            window.show();
            QApplication::processEvents();
            window.RecordSI->setChecked(false);
            window.limitess->trigger(); // no record limit: every frame of the run is logged
            window.COMCon->click();
            runEventLoopFor(1000);
            const qint64 rows0 = window.T20VDB->rowCount();
            timedApp->longest = 0;
            timedApp->over5ms = 0;
            timedApp->measuring = true;
            const double cpu0 = processCpuSeconds();
            QElapsedTimer run;
            run.start();
            runEventLoopFor(int(state.range(0)));
            timedApp->measuring = false;
            state.counters["cpu_percent"]
                = 100.0 * (processCpuSeconds() - cpu0) * 1000.0 / double(run.elapsed());
            const qint64 rows = window.T20VDB->rowCount() - rows0;
            window.journal().waitForCommitted();
            state.counters["rows_per_s"] = double(rows) * 1000.0 / double(run.elapsed());
            state.counters["longest_event_ms"] = double(timedApp->longest) / 1e6;
            state.counters["events_over_5ms"] = timedApp->over5ms;
            state.counters["journal_rows"]
                = double(window.journal().rows(window.recordsJournal().currentLog()).size());
            window.COMCon->click();
            window.T20VDB->markSaved(); // leave without the exit question
        }
        sim.kill();
        sim.waitForFinished();
    }
}
BENCHMARK(BM_WindowAt1000FramesPerSecond)
    ->Args({ 20000, 1 })
    ->Args({ 20000, 0 })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    timedApp = &app;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
