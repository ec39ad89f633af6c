// UsbCableLink: listing and picking the cable, configuring it, unwrapping
// frames from its reports, the watchdog and hot-plug, on the fake platform.
#include "decode/reading_state.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/usb_cable_link.h"
#include "support/fake_hid_platform.h"

#include <gtest/gtest.h>

using testsupport::waitUntil;

namespace {

using Report = std::vector<uint8_t>; // status byte first, as the handlers get it

FakeHidDeviceSpec cable(int n, std::u16string product = u"USB to Serial")
{
    FakeHidDeviceSpec setup;
    setup.path = "/dev/hidraw" + std::to_string(n);
    setup.instanceId = "0003:1A86:E008.000" + std::to_string(n);
    setup.product = std::move(product);
    return setup;
}

class UsbCableLinkTest : public ::testing::Test {
protected:
    void start(const BuildVariant& variant = BuildVariant::shipped())
    {
        UsbLinkControls controls;
        controls.usbConDown = [this] { return usbConDown; };
        controls.raiseUsbCon = [this] { usbConDown = false; };
        controls.readBtnDown = [this] { return readBtnDown; };
        controls.raiseReadBtn = [this] { readBtnDown = false; };
        controls.setReviewEnabled = [this](bool enabled) { reviewEnabled = enabled; };
        controls.showInformation = [this](const QString& text) { messages << text; };
        controls.modeFrameComplete = [this] { modeFrames << reading.FrameText; };
        controls.segmentFrameComplete = [this] { segmentFrames << reading.FrameText; };
        link = std::make_unique<UsbCableLink>(platform, variant, reading, controls);
    }

    void clickUsbCon()
    {
        usbConDown = !usbConDown;
        link->USBConClick();
    }

    /** Feeds reports straight to the variant's handler, as the reader would. */
    void feed(const std::vector<Report>& reports, bool segment = false)
    {
        for (const Report& r : reports) {
            if (segment)
                link->HidReport20V(nullptr, 0, r.data(), uint16_t(r.size()));
            else
                link->HidReport40V(nullptr, 0, r.data(), uint16_t(r.size()));
        }
    }

    void TearDown() override
    {
        link.reset();
        EXPECT_EQ(platform.openHandles(), 0);
    }

    FakeHidPlatform platform;
    ReadingState reading;
    std::unique_ptr<UsbCableLink> link;
    bool usbConDown = false;
    bool readBtnDown = false;
    bool reviewEnabled = true;
    QStringList messages;
    QStringList modeFrames;
    QStringList segmentFrames;
};

TEST_F(UsbCableLinkTest, ModeFramesFromBursts)
{
    struct Case {
        const char* name;
        std::vector<Report> reports;
        QString frameText;
        int decoderCalls;
        int idleReports;
    };
    const Report end { 0x00, 0, 0, 0, 0, 0, 0, 0, 0 };
    const std::vector<Case> cases = {
        { "eleven bytes over 7 + 4",
            { { 0x07, 0x34, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0 },
                { 0x04, 0x30, 0x3A, 0x0D, 0x0A, 0, 0, 0, 0 }, end },
            "A41234B00AD", 1, 1 },
        { "ten bytes, no LF",
            { { 0x07, 0x34, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0 },
                { 0x03, 0x30, 0x3A, 0x0D, 0, 0, 0, 0, 0 }, end },
            "41234B00AD", 0, 1 },
        { "status A-F ends the frame and counts",
            { { 0x07, 0x34, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0 },
                { 0xF4, 0x30, 0x3A, 0x0D, 0x0A, 0, 0, 0, 0 }, { 0x0B } },
            "A41234B00AD", 1, 1 },
        { "size 0 ends the frame without counting",
            { { 0x07, 0x34, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0 },
                { 0x04, 0x30, 0x3A, 0x0D, 0x0A, 0, 0, 0, 0 }, {} },
            "A41234B00AD", 1, 0 },
        { "two empty reports finish once",
            { { 0x07, 0x34, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0 },
                { 0x04, 0x30, 0x3A, 0x0D, 0x0A, 0, 0, 0, 0 }, end, end },
            "A41234B00AD", 1, 2 },
        { "count beyond the report keeps what is there",
            { { 0x09, 0x34, 0x31, 0x32 }, { 0x08, 0x33, 0x34, 0x3B, 0x30, 0x30, 0x3A, 0x0D, 0x0A }, end },
            "A41234B00AD", 1, 1 },
        { "later bytes of a long burst are dropped",
            { { 0x07, 0x34, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0 },
                { 0x06, 0x30, 0x3A, 0x0D, 0x0A, 0x55, 0x66, 0, 0 }, end },
            "A41234B00AD", 1, 1 },
        { "burst out of step", { { 0x03, 0x0D, 0x0A, 0x34 }, end }, "DA4", 0, 1 },
    };
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        modeFrames.clear();
        feed(c.reports);
        EXPECT_EQ(reading.FrameText, c.frameText);
        EXPECT_EQ(link->USBtxt(), c.frameText);
        EXPECT_EQ(modeFrames.size(), c.decoderCalls);
        EXPECT_EQ(link->UsbIdleReports(), c.idleReports);
        EXPECT_FALSE(link->UsbFrameOpen());
        EXPECT_TRUE(link->UsbPayloadHex().isEmpty());
    }
}

TEST_F(UsbCableLinkTest, SegmentFrames)
{
    Report first { 0x09 }, second { 0x05 }, third { 0x06 };
    for (int i = 1; i <= 9; ++i)
        first.push_back(uint8_t(i << 4 | (i % 16)));
    for (int i = 10; i <= 14; ++i)
        second.push_back(uint8_t(i << 4 | 0x5));
    for (int i = 10; i <= 15; ++i)
        third.push_back(uint8_t((i % 16) << 4 | 0x5));
    const Report end { 0x00 };

    BuildVariant variant;
    variant.IFRK20S = true;
    start(variant);
    feed({ first, second, end }, true);
    feed({ first, third, end }, true); // 15 bytes: the 15th is dropped
    feed({ second, end }, true); // out of step
    EXPECT_EQ(segmentFrames, (QStringList { "12345678955555", "12345678955555" }));
    EXPECT_EQ(reading.FrameText, QStringLiteral("55555"));
}

TEST_F(UsbCableLinkTest, PayloadReportsAreTracedInTheHistory)
{
    start();
    link->ClearBtnClick();
    const Report r { 0x02, 0x0D, 0x0A, 0xFF };
    link->HidReport40V(nullptr, 0x00, r.data(), uint16_t(r.size()));
    const Report idle { 0x00, 0x00 };
    link->HidReport40V(nullptr, 0x00, idle.data(), uint16_t(idle.size()));
    EXPECT_EQ(link->HistoryLines(), (QStringList { "R 00  02 0D 0A FF " }));
    EXPECT_EQ(link->HistorySelected(), 0);
}

TEST_F(UsbCableLinkTest, ConnectConfiguresTheCableAndAttachesTheHandler)
{
    platform.plug(cable(0, u"Mouse"));
    platform.plug(cable(1));
    start();
    ASSERT_EQ(link->DevListLines(), (QStringList { "Mouse", "USB to Serial" }));
    EXPECT_EQ(link->DevListSelected(), 1);

    clickUsbCon();
    EXPECT_TRUE(usbConDown);
    EXPECT_FALSE(reviewEnabled);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(link->HistoryLines().last(), QStringLiteral("60 09 00 00 03 00 00 00 00 "));
    EXPECT_EQ(
        platform.features("/dev/hidraw1"), (std::vector<Report> { { 0, 0x60, 0x09, 0, 0, 3, 0, 0, 0, 0 } }));
    ASSERT_EQ(link->SelectedHidDevice(), link->DevListDevice(1));
    EXPECT_TRUE(link->SelectedHidDevice()->ReportHandler() == link->report40VHandler());
    EXPECT_TRUE(link->SelectedHidDevice()->HasReader());

    clickUsbCon();
    EXPECT_TRUE(reviewEnabled);
    EXPECT_FALSE(link->SelectedHidDevice()->HasReader());
    EXPECT_EQ(platform.features("/dev/hidraw1").size(), 2u) << "the cable is configured on every click";
}

TEST_F(UsbCableLinkTest, FeatureSpeedPerVariant)
{
    struct Case {
        const char* name;
        BuildVariant variant;
        const char* line;
    };
    BuildVariant rk91;
    rk91.IFRK91N = true;
    BuildVariant rk91And40 = rk91;
    rk91And40.IFRK40V = true;
    const Case cases[] = {
        { "RK91N", rk91, "00 4B 00 00 03 00 00 00 00 " },
        { "RK91N and RK40V", rk91And40, "60 09 00 00 03 00 00 00 00 " },
        { "none", BuildVariant(), "60 09 00 00 03 00 00 00 00 " },
    };
    platform.plug(cable(0));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        link.reset();
        start(c.variant);
        link->SetFeatureClick();
        EXPECT_EQ(link->HistoryLines().last(), QLatin1String(c.line));
    }
}

TEST_F(UsbCableLinkTest, ConnectWithoutAUsableCable)
{
    struct Case {
        const char* name;
        bool plugged;
        FakeHidDeviceSpec::Access access;
        int messages;
    };
    const Case cases[] = {
        { "empty list", false, FakeHidDeviceSpec::Full, 1 },
        { "query access only", true, FakeHidDeviceSpec::QueryOnly, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        link.reset();
        platform.unplug("/dev/hidraw0");
        if (c.plugged) {
            FakeHidDeviceSpec setup = cable(0);
            setup.access = c.access;
            platform.plug(setup);
        }
        messages.clear();
        usbConDown = false;
        start();
        clickUsbCon();
        EXPECT_FALSE(usbConDown);
        ASSERT_EQ(messages.size(), c.messages);
        if (c.messages) {
            EXPECT_EQ(messages[0],
                QStringLiteral("USB interface cable is not securely connected, please check and re-try."));
        }
    }
}

TEST_F(UsbCableLinkTest, DeviceDescriptionsAndSelection)
{
    FakeHidDeviceSpec withSerial = cable(0);
    withSerial.hasSerial = true;
    withSerial.serial = u"0001";
    FakeHidDeviceSpec anonymous = cable(1, u"");
    anonymous.hasProduct = false;
    anonymous.identity = { 0x04D8, 0x00DF, 1 };
    platform.plug(withSerial);
    platform.plug(anonymous);
    platform.plug(cable(2));
    platform.plug(cable(3));
    start();
    EXPECT_EQ(link->DevListLines(),
        (QStringList {
            "USB to Serial (Serial=0001)", "Device VID=04D8 PID=00DF", "USB to Serial", "USB to Serial" }));
    EXPECT_EQ(link->DevListSelected(), 3) << "the later cable wins";
}

TEST_F(UsbCableLinkTest, NoMatchingLineMeansNoSelection)
{
    platform.plug(cable(0, u"USB to Serial "));
    start();
    EXPECT_EQ(link->DevListSelected(), -1);
    link->USBConClick();
    EXPECT_EQ(link->SelectedHidDevice(), nullptr);
}

TEST_F(UsbCableLinkTest, WatchdogGivesUpAt1900IdleReports)
{
    platform.plug(cable(0));
    start();
    clickUsbCon();
    messages.clear();
    const Report idle { 0x00 };
    for (int i = 0; i < 1899; ++i)
        feed({ idle });
    link->ConTimerUsbStep();
    EXPECT_TRUE(usbConDown);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(link->SelectedHidDevice()->HasReader());

    feed({ idle });
    link->ConTimerUsbStep();
    EXPECT_FALSE(usbConDown);
    EXPECT_EQ(messages,
        (QStringList { "USB interface cable is securely connected, please check if the meter is ready." }));
    EXPECT_FALSE(link->SelectedHidDevice()->HasReader());
    EXPECT_EQ(link->UsbIdleReports(), 0);
    link->ConTimerUsbStep();
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(UsbCableLinkTest, HistoryKeepsTheMostRecentLines)
{
    start();
    const Report r { 0x01, 0x30 };
    for (int i = 0; i < UsbCableLink::HistoryLimit + 10; ++i)
        link->HidReport40V(nullptr, uint8_t(i), r.data(), uint16_t(r.size()));
    EXPECT_EQ(link->HistoryLines().size(), UsbCableLink::HistoryLimit);
    EXPECT_EQ(link->HistoryLines().last(),
        QString::asprintf("R %.2X  01 30 ", unsigned((UsbCableLink::HistoryLimit + 9) & 0xFF)));
    EXPECT_EQ(link->HistorySelected(), UsbCableLink::HistoryLimit - 1);
    link->ClearBtnClick();
    EXPECT_TRUE(link->HistoryLines().isEmpty());
}

TEST_F(UsbCableLinkTest, ReadErrorLine)
{
    platform.plug(cable(0));
    start();
    link->HidCtlDeviceDataError(link->DevListDevice(0), HidErrorNoDevice);
    EXPECT_EQ(link->HistoryLines().last(), QStringLiteral("READ ERROR: No such device (13)"));
}

TEST_F(UsbCableLinkTest, ReadButtonAttachesTheSegmentHandler)
{
    platform.plug(cable(0));
    start();
    readBtnDown = true;
    link->ReadBtnClick();
    EXPECT_TRUE(link->SelectedHidDevice()->ReportHandler() == link->report20VHandler());
    readBtnDown = false;
    link->ReadBtnClick();
    EXPECT_FALSE(link->SelectedHidDevice()->HasReader());
}

TEST_F(UsbCableLinkTest, HotPlugWhileConnected)
{
    platform.plug(cable(0, u"Keyboard"));
    platform.plug(cable(1));
    start();
    clickUsbCon();
    const std::string path = "/dev/hidraw1";
    const auto sendFrame = [&] {
        platform.pushReport(path, { 0x00, 0x07, 0x34, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0 });
        platform.pushReport(path, { 0x00, 0x04, 0x30, 0x3A, 0x0D, 0x0A, 0, 0, 0, 0 });
        platform.pushReport(path, { 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0 });
    };
    sendFrame();
    ASSERT_TRUE(waitUntil([&] { return modeFrames.size() == 1; }));

    // Unplugged while connected: reported, handler gone, USB Connect stays down.
    platform.unplug(path);
    platform.notifyChange();
    EXPECT_EQ(link->HistoryLines().last(), QStringLiteral("Removal of USB to Serial"));
    EXPECT_EQ(link->DevListLines(), (QStringList { "Keyboard" }));
    EXPECT_EQ(link->SelectedHidDevice(), nullptr);
    EXPECT_TRUE(usbConDown);

    // Plugged back in as a new instance: listed and selected again.
    FakeHidDeviceSpec back = cable(1);
    back.instanceId = "0003:1A86:E008.0009";
    platform.plug(back);
    platform.notifyChange();
    EXPECT_EQ(link->HistoryLines().last(), QStringLiteral("Arrival of USB to Serial"));
    EXPECT_EQ(link->DevListSelected(), 1);
    EXPECT_EQ(link->HidCtl().ClaimedCount(), 2);
    EXPECT_EQ(link->HidCtl().UnpluggedCount(), 0);

    // Up and down again, and readings flow.
    clickUsbCon();
    clickUsbCon();
    EXPECT_TRUE(usbConDown);
    sendFrame();
    EXPECT_TRUE(waitUntil([&] { return modeFrames.size() == 2; }));
    EXPECT_EQ(modeFrames.last(), QStringLiteral("A41234B00AD"));
}

TEST_F(UsbCableLinkTest, ClosingWhileAReportWaitsForTheUiThread)
{
    platform.plug(cable(0));
    start();
    clickUsbCon();
    platform.pushReport("/dev/hidraw0", { 0x00, 0x01, 0x30, 0, 0, 0, 0, 0, 0, 0 });
    ASSERT_TRUE(waitUntil([&] { return platform.reportsTaken("/dev/hidraw0") == 1; }));
    link.reset(); // the reader is waiting in its hand-over
    testsupport::runEventsFor(30);
    EXPECT_EQ(platform.openHandles(), 0);
}

} // namespace
