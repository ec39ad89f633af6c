// Why a serial port cannot be opened, through the real driver on real
// device nodes: missing paths, files and non-terminals, a port already held,
// and a node this user may not open.
#include "link/com_port_driver.h"
#include "link/qt_serial_port_io.h"
#include "link/serial_open_error.h"
#include "support/pty_pair.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::PtyPair;

namespace {

using Kind = SerialOpenError::Kind;

std::unique_ptr<TComPortDriver> driverOn(const QString& path)
{
    return std::make_unique<TComPortDriver>(
        std::make_unique<QtSerialPortIo>(), ComPortDeviceMap([path](const QString&) { return path; }));
}

TEST(SerialOpenErrorTest, ReasonsFromTheDevice)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("notes.txt"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    const QString dangling = dir.filePath(QStringLiteral("usb-gone-port0"));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("ttyUSB9")), dangling));

    struct Case {
        const char* name;
        QString path;
        Kind kind;
        const char* inMessage;
    };
    const Case cases[] = {
        { "nothing there", QStringLiteral("/nonexistent/ttyUSB0"), Kind::NotFound,
            "the device was not found" },
        { "link to nothing", dangling, Kind::NotFound, "the device was not found" },
        { "plain file", file, Kind::NotSerialDevice, "it is not a serial device (not a device)" },
        { "folder", dir.path(), Kind::NotSerialDevice, "it is not a serial device (a folder)" },
        { "device, no terminal", QStringLiteral("/dev/null"), Kind::NotSerialDevice,
            "it is not a serial device (a device, but not a terminal)" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto driver = driverOn(c.path);
        EXPECT_FALSE(driver->OpenPort());
        EXPECT_FALSE(driver->IsOpen());
        const SerialOpenError& e = driver->lastOpenError();
        EXPECT_EQ(e.kind, c.kind);
        EXPECT_EQ(e.devicePath, c.path);
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot open the serial port ") + c.path + ": "))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(QLatin1String(c.inMessage))) << e.message().toStdString();
    }
}

TEST(SerialOpenErrorTest, PortHeldByAnotherDriverNamesTheHolder)
{
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    auto holder = driverOn(pty.devicePath());
    ASSERT_TRUE(holder->OpenPort());
    auto second = driverOn(pty.devicePath());
    EXPECT_FALSE(second->OpenPort());
    const SerialOpenError& e = second->lastOpenError();
    EXPECT_EQ(e.kind, Kind::InUse);
    const QString self = QStringLiteral("(pid %1)").arg(QCoreApplication::applicationPid());
    ASSERT_FALSE(e.processes.isEmpty());
    EXPECT_TRUE(e.processes.join(' ').contains(self)) << e.processes.join(' ').toStdString();
    EXPECT_TRUE(e.message().contains(QStringLiteral("in use by another program")))
        << e.message().toStdString();

    holder->ClosePort();
    EXPECT_TRUE(second->OpenPort());
    EXPECT_FALSE(second->lastOpenError().failed()) << "a success leaves no reason behind";
}

/** What a child process running as another user learnt; written back through a pipe. */
struct ChildVerdict {
    int kind = -1;
    bool opened = true;
    char group[64] = {};
    char message[512] = {};
};

/**
 * Runs the driver in a child process as the user "nobody", on a pty node
 * that only root and the group dialout may open. Root itself passes every
 * permission check, which is why the child is needed.
 */
TEST(SerialOpenErrorTest, NodeThisUserMayNotOpenNamesTheGroupAndTheFix)
{
    PtyPair pty;
    ASSERT_TRUE(pty.isValid());
    const QByteArray node = QFile::encodeName(pty.devicePath());
    const group* dialout = ::getgrnam("dialout");
    if (::geteuid() == 0) {
        if (!dialout)
            GTEST_SKIP() << "no group dialout on this machine to give the node to";
        ASSERT_EQ(::chown(node.constData(), 0, dialout->gr_gid), 0);
        ASSERT_EQ(::chmod(node.constData(), 0660), 0);
    } else {
        // Not root: the owner's own permission bits shut the owner out.
        ASSERT_EQ(::chmod(node.constData(), 0000), 0);
    }
    struct stat st { };
    ASSERT_EQ(::stat(node.constData(), &st), 0);
    const group* owner = ::getgrgid(st.st_gid);
    const QString expectedGroup = owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(st.st_gid);

    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        ChildVerdict v;
        if (::geteuid() == 0
            && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            v.kind = -2;
        } else {
            auto driver = driverOn(pty.devicePath());
            v.opened = driver->OpenPort();
            const SerialOpenError& e = driver->lastOpenError();
            v.kind = int(e.kind);
            qstrncpy(v.group, e.group.toLocal8Bit().constData(), sizeof v.group);
            qstrncpy(v.message, e.message().toLocal8Bit().constData(), sizeof v.message);
        }
        [[maybe_unused]] const ssize_t n = ::write(pipeFds[1], &v, sizeof v);
        ::_exit(0); // no destructors of the parent's objects in the child
    }
    ::close(pipeFds[1]);
    ChildVerdict v;
    const ssize_t got = ::read(pipeFds[0], &v, sizeof v);
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_EQ(got, ssize_t(sizeof v));
    if (v.kind == -2)
        GTEST_SKIP() << "could not become the user nobody to try the node";

    EXPECT_FALSE(v.opened);
    EXPECT_EQ(v.kind, int(Kind::PermissionDenied)) << v.message;
    EXPECT_EQ(QString::fromLocal8Bit(v.group), expectedGroup);
    const QString message = QString::fromLocal8Bit(v.message);
    EXPECT_TRUE(message.contains(pty.devicePath() + QStringLiteral(": permission denied"))) << v.message;
    EXPECT_TRUE(
        message.contains(QStringLiteral("add your user to the group %1 and log in again").arg(expectedGroup)))
        << v.message;
}

TEST(SerialOpenErrorTest, MessagesPerReason)
{
    struct Case {
        const char* name;
        SerialOpenError error;
        const char* message;
    };
    const auto error = [](Kind kind, const char* path) {
        SerialOpenError e;
        e.kind = kind;
        e.devicePath = QLatin1String(path);
        return e;
    };
    SerialOpenError denied = error(Kind::PermissionDenied, "/dev/ttyUSB0");
    denied.group = QStringLiteral("dialout");
    SerialOpenError busy = error(Kind::InUse, "/dev/ttyUSB0");
    busy.processes = QStringList { QStringLiteral("minicom (pid 812)") };
    const SerialOpenError busyUnknown = error(Kind::InUse, "/dev/ttyUSB0");
    SerialOpenError noUart = error(Kind::NotSerialDevice, "/dev/ttyS0");
    noUart.detail = QStringLiteral("no serial port answers at it: Input/output error");
    SerialOpenError other = error(Kind::Other, "/dev/ttyUSB0");
    other.systemText = QStringLiteral("Protocol error");
    const Case cases[] = {
        { "denied", denied,
            "Cannot open the serial port /dev/ttyUSB0: permission denied.\nThe device belongs to the group "
            "dialout: "
            "add your user to the group dialout and log in again." },
        { "in use, holder known", busy,
            "Cannot open the serial port /dev/ttyUSB0: the device is in use by another program (minicom (pid "
            "812)).\n"
            "Close the other program, or choose another port in the ComSetup menu." },
        { "in use, holder unknown", busyUnknown,
            "Cannot open the serial port /dev/ttyUSB0: the device is in use by another program.\n"
            "Close the other program, or choose another port in the ComSetup menu." },
        { "no UART behind the node", noUart,
            "Cannot open the serial port /dev/ttyS0: it is not a serial device (no serial port answers at "
            "it: "
            "Input/output error).\nChoose the meter's port in the ComSetup menu." },
        { "anything else", other, "Cannot open the serial port /dev/ttyUSB0: Protocol error." },
        { "no failure", SerialOpenError {}, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.error.message(), QString::fromUtf8(c.message));
    }
}

} // namespace
