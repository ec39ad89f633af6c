#include "app/tfcomm.h"
#include "base/application_names.h"
#include "base/heap_tuning.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>

#include <string_view>

namespace {

void describeCommandLine(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Interface program for the Brenmoor 5082 handheld multimeter."));
    parser.addHelpOption();
    parser.addVersionOption();
}

// Help and version are printed without the window system, so they work
// where there is no display (over ssh, in a package check).
bool asksForTextOnly(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "-h" || arg == "-?" || arg == "--help" || arg == "--help-all" || arg == "-v"
            || arg == "--version")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    heaptuning::keepLargeBuffers();
    QCoreApplication::setApplicationName(appnames::applicationName());
    QCoreApplication::setApplicationVersion(QStringLiteral(BRENMOOR_VERSION));
    if (asksForTextOnly(argc, argv)) {
        QCoreApplication textOnly(argc, argv);
        QCommandLineParser parser;
        describeCommandLine(parser);
        // Qt's own options (-platform and the like) are not errors here.
        parser.parse(textOnly.arguments());
        if (parser.isSet(QStringLiteral("version")))
            parser.showVersion();
        parser.showHelp();
    }

    QApplication app(argc, argv);
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(app);
    // No application display name: on X11 Qt appends it to every window
    // title, and the main window's title must be the variant's title alone.
    // The task bar takes the program's title from the desktop entry, matched
    // through the window class (the application name) or, on Wayland, the
    // desktop file name; message boxes carry it themselves.
    // The desktop entry's name (the Wayland app id) and its icon, so the
    // task bar groups the window under the menu entry.
    QGuiApplication::setDesktopFileName(QStringLiteral(BRENMOOR_APP_ID));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/brenmoor5082.svg")));
    TFCOMM FCOMM;
    FCOMM.show();
    return app.exec();
}
