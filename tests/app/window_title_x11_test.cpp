// The titles another X client reads from the running program: the main
// window's must be the variant's title alone, with nothing appended, while the
// window class stays the one the desktop entry names and message boxes carry
// the program's own title.
#include "support/test_paths.h"
#include "support/x_server.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

using testsupport::XServer;

/** Polls @p probe until it gives a non-empty list or @p ms pass. */
template <typename Probe> QStringList waitFor(Probe probe, int ms = 20000)
{
    const QDeadlineTimer deadline(ms);
    QStringList found = probe();
    while (found.isEmpty() && !deadline.hasExpired()) {
        QThread::msleep(100);
        found = probe();
    }
    return found;
}

class RunningProgram {
public:
    RunningProgram(const XServer& x, const QString& folder)
    {
        process_.setWorkingDirectory(folder);
        process_.setProcessEnvironment(x.environment({ QStringLiteral("HOME=") + folder,
            QStringLiteral("XDG_RUNTIME_DIR=") + folder, QStringLiteral("XDG_DATA_HOME=") + folder }));
        process_.start(testsupport::binDir() + QStringLiteral("/brenmoor5082"), {});
    }
    ~RunningProgram()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    bool started() { return process_.waitForStarted(5000); }
    QString errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }

private:
    QProcess process_;
};

TEST(WindowTitleOnX11, IsTheVariantsTitleAloneWhileClassAndBoxesKeepTheProgramName)
{
    XServer x;
    ASSERT_FALSE(x.display().isEmpty()) << "Xvfb did not start";
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    RunningProgram program(x, folder.path());
    ASSERT_TRUE(program.started());

    const QStringList windows = waitFor([&] { return x.windowsOfClass(QStringLiteral("brenmoor5082")); });
    ASSERT_EQ(windows.size(), 1) << "the main window alone, no box: " << program.errors().toStdString();
    const QString main = windows.front();

    const auto property = [&](const QString& id, const char* name) {
        return x.textProperty(id, QLatin1String(name)).toStdString();
    };
    EXPECT_EQ(property(main, "_NET_WM_NAME"), "Brenmoor 5082 Interface Program _Ver: 2.02");
    EXPECT_EQ(property(main, "WM_NAME"), "Brenmoor 5082 Interface Program _Ver: 2.02");
    EXPECT_EQ(property(main, "WM_CLASS"), "brenmoor5082\", \"brenmoor5082");

    // "EXIT" asks first; the question box carries the program's title.
    const QString geometry = x.run(
        QStringLiteral("xdotool"), { QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), main });
    const qsizetype at = geometry.indexOf(QStringLiteral("HEIGHT="));
    ASSERT_GE(at, 0) << geometry.toStdString();
    const int menuBar = geometry.mid(at + 7).section(QLatin1Char('\n'), 0, 0).toInt() - 471;
    x.run(QStringLiteral("xdotool"),
        { QStringLiteral("mousemove"), QStringLiteral("--window"), main, QStringLiteral("616"),
            QString::number(menuBar + 15), QStringLiteral("click"), QStringLiteral("1") });
    const QStringList boxes
        = waitFor([&] { return x.windowsNamed(QStringLiteral("^Brenmoor  5082 $")); }, 10000);
    ASSERT_EQ(boxes.size(), 1) << "no question box titled with the program's title";
    EXPECT_EQ(property(boxes.front(), "_NET_WM_NAME"), "Brenmoor  5082 ");
}

} // namespace
