// THidDevice and its read thread, driven through the fake platform.
#include "link/hid/controller_error.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "support/fake_hid_platform.h"

#include <QThread>

#include <atomic>
#include <gtest/gtest.h>

using testsupport::runEventsFor;
using testsupport::waitUntil;

namespace {

struct Received {
    uint8_t reportId;
    std::vector<uint8_t> data;
};

class HidDeviceTest : public ::testing::Test {
protected:
    /** Plugs @p setup, starts a controller and claims the device. */
    THidDevice* claim(const FakeHidDeviceSpec& setup = {})
    {
        platform.plug(setup);
        controller = std::make_unique<THidDeviceController>(platform);
        device = controller->ClaimByIndex(0);
        return device.get();
    }

    THidDataEvent recorder()
    {
        return [this](THidDevice*, uint8_t id, const uint8_t* data, uint16_t size) {
            received.push_back({ id, std::vector<uint8_t>(data, data + size) });
        };
    }

    void TearDown() override
    {
        device.reset();
        controller.reset();
        EXPECT_EQ(platform.openHandles(), 0) << "a handle outlived its device";
    }

    FakeHidPlatform platform;
    std::unique_ptr<THidDeviceController> controller;
    std::unique_ptr<THidDevice> device;
    std::vector<Received> received;
};

TEST_F(HidDeviceTest, CreationFailsWithTheDesignedMessages)
{
    struct Case {
        const char* name;
        FakeHidDeviceSpec::Access access;
        bool attributesFail;
        const char* message;
    };
    const Case cases[] = {
        { "cannot open", FakeHidDeviceSpec::None, false, "device cannot be opened" },
        { "cannot identify", FakeHidDeviceSpec::Full, true, "device cannot be identified" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHidPlatform local;
        FakeHidDeviceSpec setup;
        setup.access = c.access;
        setup.attributesFail = c.attributesFail;
        local.plug(setup);
        try {
            THidDevice created(std::make_unique<THidPnPInfo>(THidPnPInfo { setup.path, setup.instanceId }),
                nullptr, local, {}, {});
            ADD_FAILURE() << "created";
        } catch (const EControllerError& e) {
            EXPECT_EQ(e.message(), QString::fromLatin1(c.message));
        }
        EXPECT_EQ(local.openHandles(), 0);
    }
}

TEST_F(HidDeviceTest, DeliversReportIdAndDataAndStopsCleanly)
{
    FakeHidDeviceSpec setup;
    setup.numbered = true;
    setup.inputReportLength = 5;
    claim(setup);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->DeviceCaps().InputReportByteLength, 5);
    device->SetReportHandler(recorder());
    ASSERT_TRUE(device->HasReader());

    platform.pushReport(setup.path, { 0x05, 0x11, 0x22, 0x33, 0x44 });
    ASSERT_TRUE(waitUntil([&] { return received.size() == 1; }));
    EXPECT_EQ(received[0].reportId, 0x05);
    EXPECT_EQ(received[0].data, (std::vector<uint8_t> { 0x11, 0x22, 0x33, 0x44 }));

    device->SetReportHandler({});
    EXPECT_FALSE(device->HasReader());
    platform.pushReport(setup.path, { 0x05, 1, 2, 3, 4 });
    runEventsFor(100);
    EXPECT_EQ(received.size(), 1u) << "a report was delivered after the reader was stopped";
    EXPECT_EQ(platform.reportsTaken(setup.path), 1);
}

TEST_F(HidDeviceTest, StopWhileAHandOverWaitsForTheUiThread)
{
    claim();
    device->SetReportHandler(recorder());
    platform.pushReport("/dev/hidraw0", { 0, 1, 2, 3, 4, 5, 6, 7, 8 });
    // The reader has taken the report and now waits for the UI thread, which
    // does not run events until after the stop.
    ASSERT_TRUE(waitUntil([&] { return platform.reportsTaken("/dev/hidraw0") == 1; }));
    QThread::msleep(20);
    device->SetReportHandler({});
    EXPECT_FALSE(device->HasReader());
    runEventsFor(50);
    EXPECT_TRUE(received.empty()) << "a withdrawn hand-over still ran";
}

TEST_F(HidDeviceTest, HandlerMayStopItsOwnReader)
{
    claim();
    int calls = 0;
    device->SetReportHandler([&](THidDevice* dev, uint8_t, const uint8_t*, uint16_t) {
        ++calls;
        dev->SetReportHandler({});
    });
    platform.pushReport("/dev/hidraw0", { 0, 1 });
    platform.pushReport("/dev/hidraw0", { 0, 2 });
    ASSERT_TRUE(waitUntil([&] { return calls == 1; }));
    runEventsFor(50);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(device->HasReader());
}

TEST_F(HidDeviceTest, PollIntervalBounds)
{
    claim();
    const struct {
        int value;
        int expected;
    } cases[] = { { 5, 100 }, { 10001, 100 }, { 10, 10 }, { 10000, 10000 }, { 9, 10000 } };
    for (const auto& c : cases) {
        device->SetPollInterval(c.value);
        EXPECT_EQ(device->PollInterval(), c.expected) << "after " << c.value;
    }
}

TEST_F(HidDeviceTest, SerialNumberRule)
{
    struct Case {
        const char* name;
        bool hasSerial;
        std::u16string serial;
        std::u16string languageList;
        QString expected;
    };
    const Case cases[] = {
        { "real serial", true, u"A1B2", u"\u0409", QStringLiteral("A1B2") },
        { "serial equals language list", true, u"\u0409", u"\u0409", QString() },
        { "equal over the filled units, terminated list", true, u"\u0409xyz", std::u16string(u"\u0409\0", 2),
            QString() },
        { "no serial string", false, u"", u"\u0409", QString() },
        { "language list writes nothing", true, u"A1B2", u"", QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHidDeviceSpec setup;
        setup.hasSerial = c.hasSerial;
        setup.serial = c.serial;
        setup.languageList = c.languageList;
        device.reset();
        controller.reset();
        claim(setup);
        EXPECT_EQ(device->SerialText(), c.expected);
    }
}

TEST_F(HidDeviceTest, QueryOnlyDeviceGetsNoReaderAndSendsNoFeature)
{
    FakeHidDeviceSpec setup;
    setup.access = FakeHidDeviceSpec::QueryOnly;
    claim(setup);
    ASSERT_TRUE(device);
    EXPECT_FALSE(device->FullAccess());
    EXPECT_EQ(device->ProductText(), QStringLiteral("USB to Serial"));
    device->SetReportHandler(recorder());
    EXPECT_FALSE(device->HasReader());
    const uint8_t report[] = { 0, 0x60, 0x09, 0, 0, 3, 0, 0, 0, 0 };
    EXPECT_FALSE(device->SendFeatureReport(report, sizeof report));
}

TEST_F(HidDeviceTest, FeatureReportGoesOutUnchangedOnlyWhenAccessible)
{
    claim();
    const std::vector<uint8_t> report { 0, 0x60, 0x09, 0, 0, 3, 0, 0, 0, 0 };
    EXPECT_TRUE(device->SendFeatureReport(report.data(), report.size()));
    ASSERT_EQ(platform.features("/dev/hidraw0").size(), 1u);
    EXPECT_EQ(platform.features("/dev/hidraw0")[0], report);

    // A listed device nobody claimed cannot be opened outside a controller event.
    FakeHidDeviceSpec other;
    other.path = "/dev/hidraw1";
    other.instanceId = "other";
    platform.plug(other);
    controller->DeviceChange();
    THidDevice* free = controller->Devices().back();
    EXPECT_FALSE(free->SendFeatureReport(report.data(), report.size()));
}

TEST_F(HidDeviceTest, TextsAfterUnplug)
{
    FakeHidDeviceSpec second;
    second.path = "/dev/hidraw1";
    second.instanceId = "second";
    second.product = u"Keyboard";
    claim();
    platform.plug(second);
    controller->DeviceChange();
    std::unique_ptr<THidDevice> other = controller->ClaimByIndex(1);
    ASSERT_TRUE(other);
    EXPECT_EQ(device->ProductText(), QStringLiteral("USB to Serial"));

    device->MarkUnplugged();
    other->MarkUnplugged();
    EXPECT_FALSE(device->Present());
    EXPECT_EQ(device->ProductText(), QStringLiteral("USB to Serial"));
    EXPECT_EQ(device->Identity().VendorID, 0x1A86);
    EXPECT_EQ(other->ProductText(), QString()) << "fetched after the device went away";
    EXPECT_EQ(other->Identity().VendorID, 0x1A86);
    other.reset();
}

TEST_F(HidDeviceTest, UnplugWakesTheReaderWhichThenReportsErrorsAtAPace)
{
    claim();
    std::atomic<int> errors { 0 };
    uint32_t lastError = 0;
    int unplugCalls = 0;
    device->SetReadErrorHandler([&](THidDevice*, uint32_t error) {
        ++errors;
        lastError = error;
    });
    device->SetUnplugHandler([&](THidDevice*) { ++unplugCalls; });
    device->SetPollInterval(20);
    device->SetReportHandler(recorder());

    platform.unplug("/dev/hidraw0");
    device->MarkUnplugged();
    device->MarkUnplugged();
    EXPECT_EQ(unplugCalls, 1);
    ASSERT_TRUE(waitUntil([&] { return errors >= 1; }));
    EXPECT_EQ(lastError, HidErrorNoDevice);
    runEventsFor(200);
    EXPECT_LT(errors, 30) << "the reader spins on a device that is gone";
    device->SetReportHandler({});
    EXPECT_FALSE(device->HasReader());
}

TEST_F(HidDeviceTest, ReadOpenFailureReachesTheErrorHandler)
{
    FakeHidDeviceSpec setup;
    claim(setup);
    platform.failReadOpen(setup.path, 16);
    std::vector<uint32_t> errors;
    device->SetReadErrorHandler([&](THidDevice*, uint32_t error) { errors.push_back(error); });
    device->SetReportHandler(recorder());
    ASSERT_TRUE(waitUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors[0], 16u);

    platform.failReadOpen(setup.path, 0);
    platform.pushReport(setup.path, { 0, 0x01, 0x41 });
    EXPECT_TRUE(waitUntil([&] { return received.size() == 1; })) << "reading did not recover";
}

TEST_F(HidDeviceTest, ReportsThatCameWhileStoppedAreNotDeliveredLater)
{
    claim();
    const std::string path = "/dev/hidraw0";
    device->SetReportHandler(recorder());
    ASSERT_TRUE(waitUntil([&] { return platform.readHandles(path) == 1; }));
    device->SetReportHandler({});
    EXPECT_EQ(platform.readHandles(path), 0) << "the read handle outlived its reader";

    platform.pushReport(path, { 0, 0x01, 0x11 }); // nobody reads now
    device->SetReportHandler(recorder());
    ASSERT_TRUE(waitUntil([&] { return platform.readHandles(path) == 1; }));
    platform.pushReport(path, { 0, 0x01, 0x22 });
    ASSERT_TRUE(waitUntil([&] { return !received.empty(); }));
    runEventsFor(50);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].data, (std::vector<uint8_t> { 0x01, 0x22 }));
}

TEST_F(HidDeviceTest, NodeReusedByAnotherDeviceIsLeftAlone)
{
    FakeHidDeviceSpec first;
    first.instanceId = "0003:1A86:E008.0001";
    claim(first);
    std::vector<uint32_t> errors;
    device->SetReadErrorHandler([&](THidDevice*, uint32_t error) { errors.push_back(error); });
    device->SetReportHandler(recorder());
    ASSERT_TRUE(waitUntil([&] { return platform.readHandles(first.path) == 1; }));
    device->SetReportHandler({});

    // The cable is pulled and another device gets its node before the
    // change notification arrives.
    FakeHidDeviceSpec stranger = first;
    stranger.instanceId = "0003:04D9:0169.0002";
    stranger.product = u"Keyboard";
    platform.plug(stranger);

    device->SetReportHandler(recorder());
    platform.pushReport(first.path, { 0, 0x01, 0x41 });
    ASSERT_TRUE(waitUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors[0], HidErrorNoDevice);
    runEventsFor(50);
    EXPECT_TRUE(received.empty()) << "the stranger's report was delivered";
    EXPECT_EQ(platform.readHandles(first.path), 0);
    device->SetReportHandler({});

    const std::vector<uint8_t> report { 0, 0x60, 0x09, 0, 0, 3 };
    EXPECT_FALSE(device->SendFeatureReport(report.data(), report.size()));
    EXPECT_EQ(device->FeatureError(), HidErrorNoDevice);
    EXPECT_TRUE(platform.features(first.path).empty()) << "the stranger got the cable's settings";
}

} // namespace
