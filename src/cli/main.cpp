// brenmoor5082-log: logs a meter's readings without a window.
#include "base/application_names.h"
#include "cli/logger_options.h"
#include "cli/logger_run.h"
#include "cli/port_list.h"
#include "cli/recover.h"
#include "cli/stop_signals.h"
#include "link/com_port_device_map.h"
#include "link/hid/linux_hid_platform.h"
#include "link/serial_port_listing.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // The window's application name, so both find the same journal folder.
    QCoreApplication::setApplicationName(appnames::applicationName());
    QCoreApplication::setApplicationVersion(QStringLiteral(BRENMOOR_VERSION));

    const LoggerParse parse = parseLoggerOptions(QCoreApplication::arguments());
    if (!parse.options) {
        std::fprintf(
            stderr, "brenmoor5082-log: %s\nTry 'brenmoor5082-log --help'.\n", qPrintable(parse.error));
        return LoggerExit::BadArguments;
    }
    const LoggerOptions& o = *parse.options;
    switch (o.action) {
    case LoggerOptions::Action::Help:
        std::fputs(qPrintable(parse.helpText), stdout);
        return LoggerExit::Ok;
    case LoggerOptions::Action::Version:
        std::printf("brenmoor5082-log %s\n", BRENMOOR_VERSION);
        return LoggerExit::Ok;
    case LoggerOptions::Action::ListPorts: {
        LinuxHidPlatform hid;
        for (const QString& line : portListLines(ComPortDeviceMap(), SerialPortListing(), &hid))
            std::printf("%s\n", qPrintable(line));
        return LoggerExit::Ok;
    }
    case LoggerOptions::Action::Recover:
        return recoverFromJournal(o, stderr);
    default:
        break;
    }

    StopSignals stopSignals;
    LoggerRun run(o, stderr);
    int exitCode = LoggerExit::Ok;
    QObject::connect(&run, &LoggerRun::finished, &app, [&exitCode](int code) {
        exitCode = code;
        QCoreApplication::exit(code);
    });
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &run, &LoggerRun::stop);
    if (const auto failed = run.start())
        return *failed;
    app.exec();
    return exitCode;
}
