// Serial driver against a real pseudo-terminal pair: the test writes on the
// meter side, the driver opens the device side through Qt SerialPort.
#include "link/com_port_driver.h"
#include "link/qt_serial_port_io.h"
#include "support/pty_pair.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <ctime>
#include <gtest/gtest.h>
#include <termios.h>

using testsupport::PtyPair;

namespace {

constexpr auto kMissingDevice = "/nonexistent/ttyMeter";

/** Driver whose COM1 is the pty and COM2 a device that does not exist. */
class ComPortDriverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.isValid());
        const QString path = pty.devicePath();
        driver = std::make_unique<TComPortDriver>(
            std::make_unique<QtSerialPortIo>(), ComPortDeviceMap([path](const QString& name) {
                if (name == QLatin1String("BRENMOOR_COM1"))
                    return path;
                if (name == QLatin1String("BRENMOOR_COM2"))
                    return QString::fromLatin1(kMissingDevice);
                return QString();
            }));
        driver->setComPortSpeed(TComPortBaudRate::br2400);
        connectCollector();
    }

    void connectCollector()
    {
        driver->setOnReceiveData([this](const QByteArray& data) {
            received += data;
            batches.push_back(data.size());
        });
    }

    /** Lets the event loop run until @p bytes have arrived or a second has passed. */
    bool waitForBytes(qsizetype bytes)
    {
        return QTest::qWaitFor([&] { return received.size() >= bytes; }, 1000);
    }

    /** Runs a plain event loop, as the program's main loop does, for @p ms. */
    static void runEventLoopFor(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

    /** Stops automatic ticks, so the test drives PollPort by hand. */
    void manualTicks() { driver->setComPortPollingDelay(60000); }

    /** Gives the bytes written on the meter side time to reach the driver's queue. */
    static void settle() { QTest::qWait(100); }

    PtyPair pty;
    std::unique_ptr<TComPortDriver> driver;
    QByteArray received;
    std::vector<qsizetype> batches;
};

TEST_F(ComPortDriverTest, OpensClosesAndReopens)
{
    ASSERT_TRUE(driver->OpenPort());
    EXPECT_TRUE(driver->IsOpen());
    EXPECT_TRUE(driver->isPolling());
    ASSERT_TRUE(pty.write("abc"));
    ASSERT_TRUE(waitForBytes(3));

    driver->ClosePort();
    EXPECT_FALSE(driver->IsOpen());
    EXPECT_FALSE(driver->isPolling());
    driver->ClosePort();
    EXPECT_FALSE(driver->IsOpen());

    ASSERT_TRUE(driver->OpenPort());
    ASSERT_TRUE(pty.write("def"));
    ASSERT_TRUE(waitForBytes(6));
    EXPECT_EQ(received, QByteArray("abcdef"));
}

TEST_F(ComPortDriverTest, LostPeerIsHandledOnceAndLeavesTheProcessIdle)
{
    QSignalSpy lost(driver.get(), &TComPortDriver::linkLost);
    ASSERT_TRUE(driver->OpenPort());
    ASSERT_TRUE(pty.write(QByteArray(200, 'x')));
    ASSERT_TRUE(waitForBytes(200));
    pty.closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lost.count() > 0; }, 1000));
    EXPECT_FALSE(driver->IsOpen());
    EXPECT_FALSE(driver->isPolling());

    timespec t0 {}, t1 {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t0);
    runEventLoopFor(500);
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t1);
    const double cpuMs = (t1.tv_sec - t0.tv_sec) * 1e3 + (t1.tv_nsec - t0.tv_nsec) / 1e6;
    EXPECT_LT(cpuMs, 50.0) << "CPU time spent in 500 ms after the peer went away";
    EXPECT_EQ(lost.count(), 1);
}

TEST_F(ComPortDriverTest, OpenPortOnAnOpenPortNeitherReopensNorPurges)
{
    manualTicks();
    ASSERT_TRUE(driver->OpenPort());
    ASSERT_TRUE(pty.write("queued"));
    settle();
    EXPECT_TRUE(driver->OpenPort());
    driver->PollPort();
    EXPECT_EQ(received, QByteArray("queued"));
}

TEST_F(ComPortDriverTest, DefaultsGiveTheMetersLineSettings)
{
    ASSERT_TRUE(driver->OpenPort());
    const termios t = pty.deviceSettings();
    EXPECT_EQ(cfgetospeed(&t), speed_t(B2400));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR), 0u) << "CR must reach the framer unchanged";
    EXPECT_TRUE(driver->lineSettings().dtrOn);
}

TEST_F(ComPortDriverTest, LineSettingChangedWhileOpenTakesEffectAndPurgesQueuedBytes)
{
    struct Case {
        const char* name;
        std::function<void(TComPortDriver&)> change;
        std::function<bool(const termios&)> applied;
    };
    const Case cases[] = {
        { "speed", [](TComPortDriver& d) { d.setComPortSpeed(TComPortBaudRate::br19200); },
            [](const termios& t) { return cfgetospeed(&t) == B19200; } },
        // A pseudo-terminal keeps 8 bits without parity whatever it is asked,
        // so for these two only the purge shows.
        { "data bits", [](TComPortDriver& d) { d.setComPortDataBits(TComPortDataBits::db7BITS); }, nullptr },
        { "parity", [](TComPortDriver& d) { d.setComPortParity(TComPortParity::ptODD); }, nullptr },
        { "stop bits", [](TComPortDriver& d) { d.setComPortStopBits(TComPortStopBits::sb2BITS); },
            [](const termios& t) { return (t.c_cflag & CSTOPB) != 0; } },
        { "hardware handshake",
            [](TComPortDriver& d) { d.setComPortHwHandshaking(TComPortHwHandshaking::hhRTSCTS); },
            [](const termios& t) { return (t.c_cflag & CRTSCTS) != 0; } },
        { "software handshake",
            [](TComPortDriver& d) { d.setComPortSwHandshaking(TComPortSwHandshaking::shXONXOFF); },
            [](const termios& t) {
                return (t.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF) && t.c_cc[VSTART] == 0x11
                    && t.c_cc[VSTOP] == 0x13;
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PtyPair line;
        ASSERT_TRUE(line.isValid());
        TComPortDriver d(std::make_unique<QtSerialPortIo>(),
            ComPortDeviceMap([path = line.devicePath()](const QString&) { return path; }));
        QByteArray got;
        d.setOnReceiveData([&](const QByteArray& data) { got += data; });
        d.setComPortPollingDelay(60000);
        ASSERT_TRUE(d.OpenPort());
        ASSERT_TRUE(line.write("stale"));
        settle();
        c.change(d);
        if (c.applied) {
            EXPECT_TRUE(c.applied(line.deviceSettings()));
        }
        d.PollPort();
        EXPECT_TRUE(got.isEmpty()) << got.constData();
        ASSERT_TRUE(line.write("fresh"));
        settle();
        d.PollPort();
        EXPECT_EQ(got, QByteArray("fresh"));
    }
}

TEST_F(ComPortDriverTest, EverySpeedReachesTheDevice)
{
    const std::pair<TComPortBaudRate, speed_t> standard[] = {
        { TComPortBaudRate::br110, B110 },
        { TComPortBaudRate::br300, B300 },
        { TComPortBaudRate::br600, B600 },
        { TComPortBaudRate::br1200, B1200 },
        { TComPortBaudRate::br2400, B2400 },
        { TComPortBaudRate::br4800, B4800 },
        { TComPortBaudRate::br9600, B9600 },
        { TComPortBaudRate::br19200, B19200 },
        { TComPortBaudRate::br38400, B38400 },
        { TComPortBaudRate::br57600, B57600 },
        { TComPortBaudRate::br115200, B115200 },
    };
    ASSERT_TRUE(driver->OpenPort());
    for (const auto& [rate, expected] : standard) {
        SCOPED_TRACE(comPortBaud(rate));
        driver->setComPortSpeed(rate);
        const termios t = pty.deviceSettings();
        EXPECT_EQ(cfgetospeed(&t), expected);
    }
    // 14400 and 56000 have no B constant: the device gets them as a free speed.
    for (const auto rate : { TComPortBaudRate::br14400, TComPortBaudRate::br56000 }) {
        SCOPED_TRACE(comPortBaud(rate));
        driver->setComPortSpeed(rate);
        const termios t = pty.deviceSettings();
        EXPECT_EQ(t.c_cflag & CBAUD, tcflag_t(CBAUDEX));
    }
}

TEST_F(ComPortDriverTest, MoreThanABufferfulArrivesOverSeveralTicks)
{
    manualTicks();
    ASSERT_TRUE(driver->OpenPort());
    QByteArray sent;
    for (int i = 0; i < 3000; ++i)
        sent += char('A' + i % 26);
    ASSERT_TRUE(pty.write(sent));
    settle();
    driver->PollPort();
    ASSERT_EQ(batches, std::vector<qsizetype>({ 2048 }));
    settle();
    driver->PollPort();
    EXPECT_EQ(batches, std::vector<qsizetype>({ 2048, 952 }));
    EXPECT_EQ(received, sent);
}

TEST_F(ComPortDriverTest, ReceiveBufferSizeChangesOnlyWhileClosed)
{
    manualTicks();
    driver->setComPortInBufSize(100);
    ASSERT_TRUE(driver->OpenPort());
    driver->setComPortInBufSize(10);
    EXPECT_EQ(driver->ComPortInBufSize(), 100);
    ASSERT_TRUE(pty.write(QByteArray(250, 'x')));
    for (int tick = 0; tick < 3; ++tick) {
        settle();
        driver->PollPort();
    }
    EXPECT_EQ(batches, std::vector<qsizetype>({ 100, 100, 50 }));
}

TEST_F(ComPortDriverTest, UnassignedReceiveHandlerDropsTheBytes)
{
    manualTicks();
    driver->setOnReceiveData({});
    ASSERT_TRUE(driver->OpenPort());
    ASSERT_TRUE(pty.write("dropped"));
    settle();
    driver->PollPort();
    connectCollector();
    ASSERT_TRUE(pty.write("kept"));
    settle();
    driver->PollPort();
    EXPECT_EQ(received, QByteArray("kept"));
}

TEST_F(ComPortDriverTest, MissingDeviceFailsCleanly)
{
    QSignalSpy lost(driver.get(), &TComPortDriver::linkLost);
    driver->setComPort(TComPortNumber::pnCOM2);
    EXPECT_FALSE(driver->OpenPort());
    EXPECT_FALSE(driver->IsOpen());
    EXPECT_FALSE(driver->isPolling());
    driver->PollPort();
    EXPECT_EQ(lost.count(), 0);
    EXPECT_TRUE(received.isEmpty());
}

TEST_F(ComPortDriverTest, PortNumberChangeWhileOpenIsIgnored)
{
    ASSERT_TRUE(driver->OpenPort());
    driver->setComPort(TComPortNumber::pnCOM2);
    EXPECT_EQ(driver->ComPort(), TComPortNumber::pnCOM1);
    driver->ClosePort();
    ASSERT_TRUE(driver->OpenPort());
    EXPECT_EQ(driver->devicePath(), pty.devicePath());
    ASSERT_TRUE(pty.write("same port"));
    EXPECT_TRUE(waitForBytes(9));
}

TEST_F(ComPortDriverTest, PortIsOpenedExclusively)
{
    ASSERT_TRUE(driver->OpenPort());
    TComPortDriver second(std::make_unique<QtSerialPortIo>(),
        ComPortDeviceMap([path = pty.devicePath()](const QString&) { return path; }));
    EXPECT_FALSE(second.OpenPort());
    driver->ClosePort();
    EXPECT_TRUE(second.OpenPort());
}

TEST_F(ComPortDriverTest, DtrThatCannotBeSetDoesNotFailTheOpen)
{
    // A pseudo-terminal has no modem lines: raising or dropping DTR fails there.
    for (const bool dtr : { true, false }) {
        SCOPED_TRACE(dtr);
        received.clear();
        driver->setEnableDTROnOpen(dtr);
        ASSERT_TRUE(driver->OpenPort());
        ASSERT_TRUE(pty.write("flows"));
        EXPECT_TRUE(waitForBytes(5));
        driver->ClosePort();
    }
}

TEST_F(ComPortDriverTest, PollingDelayRestartsTheTimerOnlyWhileOpen)
{
    driver->setComPortPollingDelay(20);
    EXPECT_FALSE(driver->isPolling());
    ASSERT_TRUE(driver->OpenPort());
    driver->setComPortPollingDelay(30);
    EXPECT_TRUE(driver->isPolling());
    ASSERT_TRUE(pty.write("ticks"));
    EXPECT_TRUE(waitForBytes(5));
}

TEST_F(ComPortDriverTest, OpensAgainAfterALostPeer)
{
    // The driver opens a symlink, as it opens a /dev/serial/by-id/ name; the
    // device behind it goes away and another one takes the name.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString name = dir.filePath(QStringLiteral("ttyMeter"));
    ASSERT_TRUE(QFile::link(pty.devicePath(), name));
    TComPortDriver d(
        std::make_unique<QtSerialPortIo>(), ComPortDeviceMap([name](const QString&) { return name; }));
    QByteArray got;
    d.setOnReceiveData([&](const QByteArray& data) { got += data; });
    QSignalSpy lost(&d, &TComPortDriver::linkLost);

    ASSERT_TRUE(d.OpenPort());
    pty.closeMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lost.count() == 1; }, 1000));
    EXPECT_FALSE(d.IsOpen());

    PtyPair next;
    ASSERT_TRUE(next.isValid());
    ASSERT_TRUE(QFile::remove(name));
    ASSERT_TRUE(QFile::link(next.devicePath(), name));
    ASSERT_TRUE(d.OpenPort()) << d.lastOpenError().message().toStdString();
    EXPECT_TRUE(d.isPolling());
    ASSERT_TRUE(next.write("again"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return got == "again"; }, 1000)) << got.constData();

    next.closeMaster();
    EXPECT_TRUE(QTest::qWaitFor([&] { return lost.count() == 2; }, 1000)) << "the second loss was not told";
}

/** Counts reads; always finds nothing queued. */
class CountingIo : public SerialPortIo {
public:
    bool open(const QString&) override { return open_ = true; }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void applySettings(const ComLineSettings&) override { }
    void purge(bool, bool) override { }
    void setQueueSizes(int, int) override { }
    ReadStatus read(char*, qint64, qint64& got) override
    {
        ++*reads;
        got = 0;
        return ReadStatus::Empty;
    }
    void setLostHandler(std::function<void()>) override { }

    std::shared_ptr<int> reads = std::make_shared<int>(0);

private:
    bool open_ = false;
};

TEST(ComPortDriverPollingTest, ShortestPeriodIsTenMilliseconds)
{
    struct Case {
        std::uint16_t delay;
        int maxReadsPerSecond;
    };
    const Case cases[] = { { 0, 110 }, { 1, 110 }, { 10, 110 }, { 50, 25 } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delay);
        auto io = std::make_unique<CountingIo>();
        const std::shared_ptr<int> reads = io->reads;
        TComPortDriver d(std::move(io), ComPortDeviceMap([](const QString&) { return QStringLiteral("x"); }));
        d.setComPortPollingDelay(c.delay);
        EXPECT_EQ(d.ComPortPollingDelay(), c.delay) << "the property keeps what was set";
        ASSERT_TRUE(d.OpenPort());
        QElapsedTimer clock;
        clock.start();
        QEventLoop loop;
        QTimer::singleShot(500, &loop, &QEventLoop::quit);
        loop.exec();
        const double perSecond = *reads * 1000.0 / double(clock.elapsed());
        EXPECT_LE(perSecond, c.maxReadsPerSecond) << *reads << " reads in " << clock.elapsed() << " ms";
        EXPECT_GT(*reads, 0);
    }
}

} // namespace
