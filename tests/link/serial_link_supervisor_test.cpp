// A started serial link across unplugging, on a socat line whose symlink
// goes away and comes back: the loss is told once, nothing is tried while
// the device is away, and the same name is taken up again by itself.
#include "link/com_port_driver.h"
#include "link/qt_serial_port_io.h"
#include "link/serial_link_supervisor.h"
#include "support/socat_link.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>
#include <gtest/gtest.h>

using testsupport::SocatLink;

namespace {

double processCpuMs()
{
    timespec t {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

class SerialLinkSupervisorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!SocatLink::available())
            GTEST_SKIP() << "socat is not installed (scripts/setup installs it)";
        ASSERT_TRUE(folder.isValid());
        line = std::make_unique<SocatLink>(folder.path());
        ASSERT_TRUE(line->start());
        const QString path = line->devicePath();
        driver = std::make_unique<TComPortDriver>(
            std::make_unique<QtSerialPortIo>(), ComPortDeviceMap([path](const QString&) { return path; }));
        driver->setOnReceiveData([this](const QByteArray& data) { received += data; });
        link = std::make_unique<SerialLinkSupervisor>(*driver);
    }

    bool receive(const QByteArray& bytes)
    {
        received.clear();
        return line->write(bytes) && QTest::qWaitFor([&] { return received.endsWith(bytes); }, 2000);
    }

    QTemporaryDir folder;
    std::unique_ptr<SocatLink> line;
    std::unique_ptr<TComPortDriver> driver;
    std::unique_ptr<SerialLinkSupervisor> link;
    QByteArray received;
};

TEST_F(SerialLinkSupervisorTest, UnplugAndReplugUnderTheSameName)
{
    QSignalSpy lost(link.get(), &SerialLinkSupervisor::lost);
    QSignalSpy reopened(link.get(), &SerialLinkSupervisor::reopened);
    ASSERT_TRUE(link->start());
    EXPECT_EQ(link->state(), SerialLinkSupervisor::State::Open);
    ASSERT_TRUE(receive("before"));

    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        line->stop();
        ASSERT_TRUE(QTest::qWaitFor([&] { return lost.count() == round; }, 2000));
        EXPECT_EQ(link->state(), SerialLinkSupervisor::State::Lost);
        EXPECT_TRUE(link->lostAt().isValid());
        EXPECT_FALSE(driver->IsOpen());

        // While the device is away the link only looks for it now and then.
        const double cpuBefore = processCpuMs();
        QTest::qWait(1500);
        EXPECT_LT(processCpuMs() - cpuBefore, 100.0) << "CPU time while waiting 1.5 s for the device";
        EXPECT_EQ(lost.count(), round) << "a loss is told once";
        EXPECT_EQ(reopened.count(), round - 1);

        ASSERT_TRUE(line->start());
        QElapsedTimer back;
        back.start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return reopened.count() == round; }, 3000));
        EXPECT_LT(back.elapsed(), 2000) << "reopened too late";
        EXPECT_EQ(link->state(), SerialLinkSupervisor::State::Open);
        EXPECT_EQ(link->lossCount(), round);
        ASSERT_TRUE(receive("after " + QByteArray::number(round)));
    }
}

TEST_F(SerialLinkSupervisorTest, PathBackButNotOpenableKeepsWaiting)
{
    QSignalSpy failed(link.get(), &SerialLinkSupervisor::reopenFailed);
    QSignalSpy reopened(link.get(), &SerialLinkSupervisor::reopened);
    ASSERT_TRUE(link->start());
    line->stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return link->state() == SerialLinkSupervisor::State::Lost; }, 2000));

    // Something that is no serial port takes the name for a while.
    QFile squatter(line->devicePath());
    ASSERT_TRUE(squatter.open(QIODevice::WriteOnly));
    squatter.close();
    QTest::qWait(8 * link->retryInterval());
    EXPECT_EQ(failed.count(), 1) << "the same reason is told once";
    ASSERT_GE(failed.count(), 1);
    EXPECT_EQ(failed.at(0).at(0).value<SerialOpenError>().kind, SerialOpenError::Kind::NotSerialDevice);
    EXPECT_EQ(link->state(), SerialLinkSupervisor::State::Lost);

    ASSERT_TRUE(QFile::remove(line->devicePath()));
    ASSERT_TRUE(line->start());
    EXPECT_TRUE(QTest::qWaitFor([&] { return reopened.count() == 1; },
        SerialLinkSupervisor::SlowDownFactor * link->retryInterval() + 2000));
    ASSERT_TRUE(receive("back"));
}

TEST_F(SerialLinkSupervisorTest, StopWhileLostStopsLooking)
{
    QSignalSpy reopened(link.get(), &SerialLinkSupervisor::reopened);
    ASSERT_TRUE(link->start());
    line->stop();
    ASSERT_TRUE(QTest::qWaitFor([&] { return link->state() == SerialLinkSupervisor::State::Lost; }, 2000));
    link->stop();
    EXPECT_EQ(link->state(), SerialLinkSupervisor::State::Stopped);
    ASSERT_TRUE(line->start());
    QTest::qWait(3 * link->retryInterval());
    EXPECT_FALSE(driver->IsOpen());
    EXPECT_EQ(reopened.count(), 0);
}

TEST_F(SerialLinkSupervisorTest, StartThatFailsStaysStoppedWithTheReason)
{
    line->stop();
    EXPECT_FALSE(link->start());
    EXPECT_EQ(link->state(), SerialLinkSupervisor::State::Stopped);
    EXPECT_EQ(link->openError().kind, SerialOpenError::Kind::NotFound);
    EXPECT_EQ(link->openError().devicePath, line->devicePath());
    ASSERT_TRUE(line->start());
    QTest::qWait(3 * link->retryInterval());
    EXPECT_FALSE(driver->IsOpen()) << "a start that failed is not retried behind the user's back";
}

} // namespace
