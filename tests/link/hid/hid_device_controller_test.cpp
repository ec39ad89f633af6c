// THidDeviceController: scans, device changes, claims, releases and its
// property rules, driven through the fake platform.
#include "link/hid/controller_error.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "support/fake_hid_platform.h"

#include <gtest/gtest.h>

namespace {

FakeHidDeviceSpec deviceSpec(int n)
{
    FakeHidDeviceSpec setup;
    setup.path = "/dev/hidraw" + std::to_string(n);
    setup.instanceId = "0003:1A86:E008.000" + std::to_string(n);
    return setup;
}

class HidControllerTest : public ::testing::Test {
protected:
    void start(int devices)
    {
        for (int n = 0; n < devices; ++n)
            platform.plug(deviceSpec(n));
        controller = std::make_unique<THidDeviceController>(platform);
        controller->SetOnRemoval(
            [this](THidDevice* dev) { events.push_back("removal " + dev->PnPRecord()->InterfacePath); });
        controller->SetOnArrival(
            [this](THidDevice* dev) { events.push_back("arrival " + dev->PnPRecord()->InterfacePath); });
    }

    void expectCounts(int free, int claimed, int unplugged)
    {
        EXPECT_EQ(controller->FreeCount(), free);
        EXPECT_EQ(controller->ClaimedCount(), claimed);
        EXPECT_EQ(controller->UnpluggedCount(), unplugged);
        EXPECT_EQ(free + claimed + unplugged, controller->DeviceCount())
            << "counts do not add up to the list";
    }

    void TearDown() override
    {
        claimed.clear();
        controller.reset();
        EXPECT_EQ(platform.openHandles(), 0);
    }

    FakeHidPlatform platform;
    std::unique_ptr<THidDeviceController> controller;
    std::vector<std::unique_ptr<THidDevice>> claimed;
    std::vector<std::string> events;
};

TEST_F(HidControllerTest, OnlyOneControllerAtATime)
{
    start(1);
    try {
        THidDeviceController second(platform);
        ADD_FAILURE() << "a second controller was created";
    } catch (const EControllerError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Only one THidDeviceController allowed per program"));
    }
    EXPECT_EQ(controller->DeviceCount(), 1);
    platform.plug(deviceSpec(1));
    controller->DeviceChange();
    EXPECT_EQ(controller->DeviceCount(), 2) << "the first controller stopped working";

    controller.reset();
    EXPECT_NO_THROW(THidDeviceController again(platform)) << "the count was not given back";
}

TEST_F(HidControllerTest, FirstOnDeviceChangeAssignmentReportsAtOnce)
{
    start(1);
    EXPECT_TRUE(platform.watching());
    int changes = 0;
    const THidNotifyEvent handler = [&] { ++changes; };
    controller->SetOnDeviceChange(handler);
    EXPECT_EQ(changes, 1);
    controller->SetOnDeviceChange(handler);
    EXPECT_EQ(changes, 1);
    platform.notifyChange(); // nothing changed
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(events.empty());
}

TEST_F(HidControllerTest, EnumerateCountsAndStopsEarly)
{
    start(2);
    std::vector<int> indexes;
    bool goOn = true;
    controller->SetOnEnumerate([&](THidDevice* dev, int idx) {
        indexes.push_back(idx);
        EXPECT_TRUE(dev->InEvent());
        EXPECT_FALSE(dev->ProductText().isEmpty()) << "texts unreadable during the event";
        return goOn;
    });
    EXPECT_EQ(controller->EnumerateDevices(), 2);
    EXPECT_EQ(indexes, (std::vector<int> { 0, 1 }));

    indexes.clear();
    goOn = false;
    EXPECT_EQ(controller->EnumerateDevices(), 1);
    EXPECT_EQ(indexes, (std::vector<int> { 0 }));
    EXPECT_FALSE(controller->Devices()[0]->InEvent());
    EXPECT_EQ(platform.openHandles(), 0) << "an unclaimed device kept a handle after the event";

    controller->SetOnEnumerate({});
    EXPECT_EQ(controller->EnumerateDevices(), 1) << "without a handler the first present device ends it";
}

TEST_F(HidControllerTest, ClaimBounds)
{
    start(2);
    EXPECT_EQ(controller->ClaimByIndex(-1), nullptr);
    EXPECT_EQ(controller->ClaimByIndex(2), nullptr);
    claimed.push_back(controller->ClaimByIndex(1));
    ASSERT_TRUE(claimed.back());
    EXPECT_TRUE(claimed.back()->Claimed());
    EXPECT_EQ(controller->ClaimByIndex(1), nullptr);
    expectCounts(1, 1, 0);
}

TEST_F(HidControllerTest, UnplugClaimedAndUnclaimedDevices)
{
    start(3);
    claimed.push_back(controller->ClaimByIndex(0));
    int unplugHandlerCalls = 0;
    claimed[0]->SetUnplugHandler([&](THidDevice*) { ++unplugHandlerCalls; });

    platform.unplug("/dev/hidraw0");
    platform.unplug("/dev/hidraw2");
    platform.notifyChange();
    EXPECT_EQ(events, (std::vector<std::string> { "removal /dev/hidraw2", "removal /dev/hidraw0" }));
    EXPECT_EQ(unplugHandlerCalls, 1);
    ASSERT_EQ(controller->DeviceCount(), 2);
    EXPECT_EQ(controller->Devices()[0], claimed[0].get());
    EXPECT_FALSE(claimed[0]->Present());
    expectCounts(1, 0, 1);

    events.clear();
    platform.notifyChange();
    EXPECT_EQ(events, (std::vector<std::string> { "removal /dev/hidraw0" }))
        << "a claimed, gone device is reported again";

    claimed.clear(); // release
    EXPECT_EQ(controller->DeviceCount(), 1);
    expectCounts(1, 0, 0);
}

TEST_F(HidControllerTest, EventOrderOfOneChange)
{
    start(2);
    std::vector<std::string> all;
    controller->SetOnRemoval(
        [&](THidDevice* dev) { all.push_back("removal " + dev->PnPRecord()->InterfacePath); });
    controller->SetOnArrival([&](THidDevice* dev) {
        EXPECT_TRUE(dev->InEvent());
        all.push_back("arrival " + dev->PnPRecord()->InterfacePath + " " + dev->ProductText().toStdString());
    });
    controller->SetOnDeviceChange([&] { all.push_back("change"); });
    all.clear();

    platform.unplug("/dev/hidraw0");
    platform.unplug("/dev/hidraw1");
    platform.plug(deviceSpec(3));
    platform.plug(deviceSpec(4));
    platform.notifyChange();
    EXPECT_EQ(all,
        (std::vector<std::string> { "removal /dev/hidraw1", "removal /dev/hidraw0",
            "arrival /dev/hidraw3 USB to Serial", "arrival /dev/hidraw4 USB to Serial", "change" }));
    expectCounts(2, 0, 0);
}

TEST_F(HidControllerTest, ScanEndsWhenOneMemberHasNoDetails)
{
    FakeHidDeviceSpec broken = deviceSpec(1);
    broken.detailFails = true;
    platform.plug(deviceSpec(0));
    platform.plug(broken);
    platform.plug(deviceSpec(2));
    controller = std::make_unique<THidDeviceController>(platform);
    ASSERT_EQ(controller->DeviceCount(), 2);
    EXPECT_EQ(controller->Devices()[1]->PnPRecord()->InterfacePath, "/dev/hidraw2");
}

TEST_F(HidControllerTest, ReleaseKeepsTheSlotWithHandlerAndInterval)
{
    start(2);
    const THidDataEvent handler = [](THidDevice*, uint8_t, const uint8_t*, uint16_t) {};
    claimed.push_back(controller->ClaimByIndex(1));
    THidDevice* old = claimed[0].get();
    old->SetPollInterval(250);
    old->SetReportHandler(handler);
    EXPECT_TRUE(old->HasReader());

    claimed.clear();
    ASSERT_EQ(controller->DeviceCount(), 2);
    THidDevice* fresh = controller->Devices()[1];
    EXPECT_FALSE(fresh->Claimed());
    EXPECT_FALSE(fresh->HasReader());
    EXPECT_TRUE(fresh->ReportHandler() == handler);
    EXPECT_EQ(fresh->PollInterval(), 250);
    expectCounts(2, 0, 0);

    // Claimed again, it reads at once.
    claimed.push_back(controller->ClaimByIndex(1));
    EXPECT_TRUE(claimed[0]->HasReader());
}

TEST_F(HidControllerTest, ReleaseOfADeviceThatNoLongerOpensDropsTheSlot)
{
    start(2);
    claimed.push_back(controller->ClaimByIndex(0));
    platform.setAccess("/dev/hidraw0", FakeHidDeviceSpec::None);
    EXPECT_NO_THROW(claimed.clear());
    ASSERT_EQ(controller->DeviceCount(), 1);
    EXPECT_EQ(controller->Devices()[0]->PnPRecord()->InterfacePath, "/dev/hidraw1");
    expectCounts(1, 0, 0);
    platform.notifyChange(); // no stale entry is touched
    EXPECT_TRUE(events.empty());
}

TEST_F(HidControllerTest, HandlerAssignmentRules)
{
    start(2);
    claimed.push_back(controller->ClaimByIndex(0));
    const THidDataEvent data = [](THidDevice*, uint8_t, const uint8_t*, uint16_t) {};
    const THidDataEvent own = [](THidDevice*, uint8_t, const uint8_t*, uint16_t) {};
    controller->Devices()[1]->SetReportHandler(own);

    controller->SetOnDeviceData(data);
    EXPECT_TRUE(claimed[0]->ReportHandler() == data);
    EXPECT_TRUE(claimed[0]->HasReader()) << "a claimed device given the default handler reads";
    EXPECT_TRUE(controller->Devices()[1]->ReportHandler() == own) << "a device's own handler was replaced";

    controller->SetOnDeviceData({});
    EXPECT_FALSE(claimed[0]->HasReader());

    const THidDataErrorEvent error = [](THidDevice*, uint32_t) {};
    controller->SetOnDeviceDataError(error);
    EXPECT_TRUE(claimed[0]->ReadErrorHandler() == error);
    platform.plug(deviceSpec(5));
    controller->DeviceChange();
    EXPECT_FALSE(controller->Devices().back()->ReadErrorHandler()) << "an arrival got the read-error handler";
}

TEST_F(HidControllerTest, DevThreadSleepTime)
{
    start(2);
    controller->Devices()[1]->SetPollInterval(300);
    controller->SetDevThreadSleepTime(5);
    EXPECT_EQ(controller->DevThreadSleepTime(), 5);
    EXPECT_EQ(controller->Devices()[0]->PollInterval(), 100);
    controller->SetDevThreadSleepTime(40); // 5 -> 40: no device is at 5
    EXPECT_EQ(controller->Devices()[0]->PollInterval(), 100);

    controller.reset();
    start(0);
    platform.plug(deviceSpec(0));
    controller->DeviceChange();
    controller->SetDevThreadSleepTime(50);
    EXPECT_EQ(controller->Devices()[0]->PollInterval(), 50) << "a device at the old value did not follow";
    EXPECT_EQ(controller->Version(), QStringLiteral("1.0.22"));
}

TEST_F(HidControllerTest, DestructionLeavesClaimedDevicesToTheirHolder)
{
    start(2);
    claimed.push_back(controller->ClaimByIndex(0));
    claimed[0]->SetReportHandler([](THidDevice*, uint8_t, const uint8_t*, uint16_t) {});
    controller.reset();
    EXPECT_FALSE(platform.watching());
    EXPECT_FALSE(claimed[0]->Present());
    EXPECT_EQ(claimed[0]->OwnerController(), nullptr);
    claimed.clear(); // stops its reader; nothing to go back to
    EXPECT_EQ(platform.openHandles(), 0);
}

} // namespace
