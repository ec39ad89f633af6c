// metersim: streams Brenmoor 5082 display frames to a pseudo-terminal or a
// serial device, so the program can be tried and tested without a meter.
#include "metersim/meter_line.h"
#include "metersim/reading_script.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

using namespace metersim;

namespace {

int fail(const QString& message)
{
    std::fprintf(stderr, "metersim: %s\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("metersim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Simulates a Brenmoor 5082 meter on a serial line. Creates a pseudo-terminal (or writes to "
        "--device),\n"
        "prints the device path on the first line, then sends frames at the meter's pace.\n"
        "Point the program at it with BRENMOOR_COM1=<path>.\n\n"
        "Mode-frame script lines:    FUNCTION RANGE DIGITS [FLAG...]   e.g.  B 1 1234 dc auto\n"
        "  flags: alt minus lowbat overload freq dc ac auto nors232\n"
        "Segment-frame script lines: DIGITS [FLAG...]   ('_' = dark digit, L = overload)   e.g.  0399 p1 "
        "volt dc\n"
        "  flags: ac dc auto rs232 minus p1 p2 p3 micro nano kilo diode milli percent mega beeper farad ohm\n"
        "         record hold ampere volt hertz lowbat celsius\n"
        "Without a script the readings are a random walk of DC volts."));
    parser.addHelpOption();
    const QCommandLineOption formatOption(QStringLiteral("format"),
        QStringLiteral(
            "Frame format: mode (9 data bytes + CR LF, default) or segment (14 bytes tagged 1..E)."),
        QStringLiteral("mode|segment"), QStringLiteral("mode"));
    const QCommandLineOption rateOption(QStringLiteral("rate"),
        QStringLiteral("Frames per second (default 3)."), QStringLiteral("n"), QStringLiteral("3"));
    const QCommandLineOption scriptOption(QStringLiteral("script"),
        QStringLiteral("File of readings, one per line, sent in order and repeated."),
        QStringLiteral("file"));
    const QCommandLineOption readingOption(QStringLiteral("reading"),
        QStringLiteral("A reading given inline (repeatable; used when no --script is given)."),
        QStringLiteral("line"));
    const QCommandLineOption seedOption(QStringLiteral("seed"),
        QStringLiteral("Seed of the random readings (default 1)."), QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption countOption(QStringLiteral("count"),
        QStringLiteral("Stop after sending n frames (default 0: run until stopped)."), QStringLiteral("n"),
        QStringLiteral("0"));
    const QCommandLineOption deviceOption(QStringLiteral("device"),
        QStringLiteral("Write to this serial device instead of creating a pseudo-terminal."),
        QStringLiteral("path"));
    const QCommandLineOption baudOption(QStringLiteral("baud"),
        QStringLiteral("Line speed for --device (default 2400)."), QStringLiteral("n"),
        QStringLiteral("2400"));
    const QCommandLineOption verboseOption(QStringList { QStringLiteral("v"), QStringLiteral("verbose") },
        QStringLiteral("Print the hex bytes of every frame sent."));
    parser.addOptions({ formatOption, rateOption, scriptOption, readingOption, seedOption, countOption,
        deviceOption, baudOption, verboseOption });
    parser.process(app);

    const QString formatName = parser.value(formatOption).toLower();
    if (formatName != QLatin1String("mode") && formatName != QLatin1String("segment"))
        return fail(QStringLiteral("--format must be mode or segment"));
    const FrameFormat format = formatName == QLatin1String("mode") ? FrameFormat::Mode : FrameFormat::Segment;

    bool ok = false;
    const double rate = parser.value(rateOption).toDouble(&ok);
    if (!ok || rate <= 0 || rate > 1000)
        return fail(QStringLiteral("--rate must be a number of frames per second above 0 (up to 1000)"));
    const qlonglong count = parser.value(countOption).toLongLong(&ok);
    if (!ok || count < 0)
        return fail(QStringLiteral("--count must be 0 or more"));
    const uint seed = parser.value(seedOption).toUInt(&ok);
    if (!ok)
        return fail(QStringLiteral("--seed must be a whole number"));

    QStringList lines = parser.values(readingOption);
    if (parser.isSet(scriptOption)) {
        QFile file(parser.value(scriptOption));
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return fail(QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
        lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    }
    std::optional<ReadingScript> script;
    if (lines.isEmpty()) {
        script = ReadingScript::random(format, seed);
    } else {
        QString error;
        script = ReadingScript::fromLines(lines, format, &error);
        if (!script)
            return fail(error);
    }

    QString error;
    std::unique_ptr<MeterLine> line = parser.isSet(deviceOption)
        ? MeterLine::openDevice(parser.value(deviceOption), parser.value(baudOption).toInt(), &error)
        : MeterLine::createPty(&error);
    if (!line)
        return fail(error);
    std::printf("%s\n", qPrintable(line->devicePath()));
    std::fflush(stdout);

    const bool verbose = parser.isSet(verboseOption);
    qlonglong sent = 0;
    QTimer pace;
    pace.setTimerType(Qt::PreciseTimer);
    QObject::connect(&pace, &QTimer::timeout, &app, [&] {
        // A meter streams whether or not anyone listens; frames sent while the
        // device side is closed would only pile up in the terminal's queue.
        if (!line->readerPresent())
            return;
        const QByteArray frame = script->nextFrame();
        if (!line->send(frame))
            return;
        if (verbose) {
            std::printf("%s\n", frame.toHex(' ').constData());
            std::fflush(stdout);
        }
        if (count > 0 && ++sent >= count)
            app.quit();
    });
    pace.start(std::max(1, int(1000.0 / rate)));
    return app.exec();
}
