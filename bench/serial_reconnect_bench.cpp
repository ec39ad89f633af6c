// The real window logging from a meter on a socat line that is unplugged
// and plugged back in, round after round. Measures the time from the line's
// reappearance (its symlink is back) to the first new logged row, and the
// CPU the process uses while it waits for a lost device.
//
//   serial_reconnect_bench [--rounds N] [--wait-seconds S] [--sampling]
//
// --sampling keeps the designed one-second sampling interval; without it
// every reading is logged, so the figure is the link's own delay.
#include "app/message_asker.h"
#include "app/tfcomm.h"
#include "link/serial_link_supervisor.h"
#include "records/records_table.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

/** Answers every box at once, so nothing waits for a person. */
class NoBoxes : public MessageAsker {
public:
    QMessageBox::StandardButton ask(
        QWidget*, QMessageBox::Icon, const QString& text, QMessageBox::StandardButtons) override
    {
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
        return QMessageBox::No;
    }
};

void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool runUntil(const std::function<bool()>& done, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        runFor(2);
    return done();
}

/** CPU seconds (user + system) of this process so far, from /proc/self/stat. */
double cpuSeconds()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses.
    const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = double(sysconf(_SC_CLK_TCK));
    return (f.value(11).toDouble() + f.value(12).toDouble()) / ticks;
}

/** socat with two linked pseudo-terminals behind symlinks, and a meter writing to one of them. */
class Line {
public:
    explicit Line(const QString& folder)
        : meterLink_(folder + "/meter")
        , deviceLink_(folder + "/ttyMeter")
    {
        QObject::connect(&pace_, &QTimer::timeout, [this] { sendFrame(); });
        pace_.start(333); // the meter's three frames a second
    }
    ~Line() { stop(); }

    QString devicePath() const { return deviceLink_; }

    void start()
    {
        socat_.start(QStringLiteral("socat"),
            { "pty,rawer,echo=0,link=" + meterLink_, "pty,rawer,echo=0,link=" + deviceLink_ });
        socat_.waitForStarted();
        while (!QFileInfo::exists(deviceLink_) || !QFileInfo::exists(meterLink_))
            usleep(1000);
        appeared_.start();
        meter_ = ::open(QFile::encodeName(meterLink_).constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
    }
    void stop()
    {
        if (meter_ >= 0)
            ::close(meter_);
        meter_ = -1;
        socat_.terminate();
        socat_.waitForFinished();
    }
    /** Milliseconds since the line last appeared. */
    qint64 sinceAppeared() const { return appeared_.elapsed(); }

private:
    void sendFrame()
    {
        if (meter_ < 0)
            return;
        // LF, then a DC volt reading whose digits change, then CR.
        const int v = 1000 + (counter_++ % 3000);
        QByteArray frame("\n");
        frame += char(0x31);
        for (const char d : QByteArray::number(v).rightJustified(4, '0'))
            frame += char(0x30 | (d - '0'));
        frame += QByteArray("\x3B\x30\x30\x3A\r");
        [[maybe_unused]] const ssize_t n = ::write(meter_, frame.constData(), size_t(frame.size()));
    }

    QString meterLink_;
    QString deviceLink_;
    QProcess socat_;
    QTimer pace_;
    QElapsedTimer appeared_;
    int meter_ = -1;
    int counter_ = 0;
};

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    options.addOption({ "rounds", "Unplug and replug this many times.", "n", "10" });
    options.addOption({ "wait-seconds", "Seconds to measure CPU while the device is away.", "s", "30" });
    options.addOption({ "sampling", "Keep the one-second sampling interval." });
    options.process(app);

    QTemporaryDir folder;
    Line line(folder.path());
    line.start();
    qputenv("BRENMOOR_COM1", line.devicePath().toLocal8Bit());

    TFCOMM window(BuildVariant::shipped(), std::make_unique<NoBoxes>());
    window.setTerminateHandler([] {});
    window.RecordSI->setChecked(options.isSet("sampling"));
    qint64 rows = 0;
    qint64 firstNewRowAt = -1;
    QObject::connect(window.T20VDB, &RecordsTable::rowsAppended, [&](qint64 first, qint64 last) {
        rows += last - first + 1;
        if (firstNewRowAt < 0)
            firstNewRowAt = line.sinceAppeared();
    });
    window.COMCon->click();
    if (!runUntil([&] { return rows > 3; }, 5000)) {
        std::fprintf(stderr, "no rows logged\n");
        return 1;
    }

    SerialLinkSupervisor& link = *window.serialLink();
    std::vector<double> toRow;
    const int rounds = options.value("rounds").toInt();
    for (int round = 0; round < rounds; ++round) {
        line.stop();
        if (!runUntil([&] { return link.state() == SerialLinkSupervisor::State::Lost; }, 3000)) {
            std::fprintf(stderr, "loss not noticed\n");
            return 1;
        }
        runFor(700 + 97 * round); // back at a different point of the retry period each time
        firstNewRowAt = -1;
        const qint64 rowsBefore = rows;
        line.start();
        if (!runUntil([&] { return firstNewRowAt >= 0; }, 5000)) {
            std::fprintf(stderr, "no row after the device came back\n");
            return 1;
        }
        toRow.push_back(double(firstNewRowAt));
        std::printf("round %2d: first new row %4lld ms after the device came back (row %lld)\n", round + 1,
            firstNewRowAt, rowsBefore + 1);
        runFor(500);
    }
    std::printf("time to the first new row over %d rounds: min %.0f, median %.0f, max %.0f ms\n", rounds,
        *std::min_element(toRow.begin(), toRow.end()), median(toRow),
        *std::max_element(toRow.begin(), toRow.end()));

    const int waitSeconds = options.value("wait-seconds").toInt();
    line.stop();
    runUntil([&] { return link.state() == SerialLinkSupervisor::State::Lost; }, 3000);
    double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(waitSeconds * 1000);
    const double lostCpu = (cpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0) * 100.0;
    std::printf("CPU while waiting %d s for the lost device: %.2f %% of one core\n", waitSeconds, lostCpu);

    window.COMCon->click(); // stopped: the same window with no link, for comparison
    cpu0 = cpuSeconds();
    wall.restart();
    runFor(waitSeconds * 1000);
    const double idleCpu = (cpuSeconds() - cpu0) / (double(wall.elapsed()) / 1000.0) * 100.0;
    std::printf("CPU over %d s with the link stopped:           %.2f %% of one core\n", waitSeconds, idleCpu);
    return 0;
}
