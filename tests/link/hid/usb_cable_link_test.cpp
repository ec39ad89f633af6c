// UsbCableLink: listing and picking the cable, configuring it, unwrapping
// frames from its reports, the watchdog and hot-plug, on the fake platform.
#include "decode/reading_state.h"
#include "link/hid/hid_device.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/usb_cable_link.h"
#include "support/fake_hid_platform.h"
#include "support/test_paths.h"

#include <QFile>
#include <QSignalSpy>

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

    /** The three reports of one mode frame of the meter, as the cable sends them. */
    void sendFrame(const std::string& path)
    {
        platform.pushReport(path, { 0x00, 0x07, 0x34, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0 });
        platform.pushReport(path, { 0x00, 0x04, 0x30, 0x3A, 0x0D, 0x0A, 0, 0, 0, 0 });
        platform.pushReport(path, { 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0 });
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
    QSignalSpy lost(link.get(), &UsbCableLink::cableLost);
    QSignalSpy restored(link.get(), &UsbCableLink::cableRestored);
    clickUsbCon();
    const std::string path = "/dev/hidraw1";
    sendFrame(path);
    ASSERT_TRUE(waitUntil([&] { return modeFrames.size() == 1; }));

    // Unplugged while connected: reported, handler gone, USB Connect stays down.
    platform.unplug(path);
    platform.notifyChange();
    EXPECT_EQ(link->HistoryLines().last(), QStringLiteral("Removal of USB to Serial"));
    EXPECT_EQ(link->DevListLines(), (QStringList { "Keyboard" }));
    EXPECT_EQ(link->SelectedHidDevice(), nullptr);
    EXPECT_TRUE(usbConDown);
    EXPECT_TRUE(link->WaitingForCable());
    EXPECT_EQ(lost.count(), 1);
    EXPECT_FALSE(reviewEnabled) << "still connected, only waiting";

    // Plugged back in as a new instance: listed, selected, configured and
    // read again without a click.
    FakeHidDeviceSpec back = cable(1);
    back.instanceId = "0003:1A86:E008.0009";
    platform.plug(back);
    platform.notifyChange();
    const QStringList& history = link->HistoryLines();
    ASSERT_GE(history.size(), 2);
    EXPECT_EQ(history[history.size() - 2], QStringLiteral("Arrival of USB to Serial"));
    EXPECT_EQ(history.last(), QStringLiteral("60 09 00 00 03 00 00 00 00 "));
    EXPECT_EQ(platform.features(path).size(), 1u) << "the cable that came back was configured";
    EXPECT_EQ(link->DevListSelected(), 1);
    EXPECT_EQ(link->HidCtl().ClaimedCount(), 2);
    EXPECT_EQ(link->HidCtl().UnpluggedCount(), 0);
    EXPECT_FALSE(link->WaitingForCable());
    EXPECT_EQ(restored.count(), 1);
    EXPECT_TRUE(messages.isEmpty());
    sendFrame(path);
    EXPECT_TRUE(waitUntil([&] { return modeFrames.size() == 2; }));

    // Up and down again, and readings flow.
    clickUsbCon();
    clickUsbCon();
    EXPECT_TRUE(usbConDown);
    // Reports reach only a reader that is there: wait for it.
    ASSERT_TRUE(waitUntil([&] { return platform.readHandles(path) == 1; }));
    sendFrame(path);
    EXPECT_TRUE(waitUntil([&] { return modeFrames.size() == 3; }));
    EXPECT_EQ(modeFrames.last(), QStringLiteral("A41234B00AD"));
}

TEST_F(UsbCableLinkTest, UnrelatedHotPlugLeavesAWorkingLinkAlone)
{
    platform.plug(cable(0));
    start();
    QSignalSpy lost(link.get(), &UsbCableLink::cableLost);
    clickUsbCon();
    THidDevice* const cableDevice = link->SelectedHidDevice();
    ASSERT_TRUE(cableDevice && cableDevice->HasReader());
    sendFrame("/dev/hidraw0");
    ASSERT_TRUE(waitUntil([&] { return modeFrames.size() == 1; }));

    FakeHidDeviceSpec mouse = cable(5, u"Bluetooth Mouse");
    mouse.identity = { 0x046D, 0xB016, 1 };
    const auto expectUntouched = [&](const char* step) {
        SCOPED_TRACE(step);
        EXPECT_EQ(link->SelectedHidDevice(), cableDevice) << "the cable's object was replaced";
        EXPECT_EQ(link->DevListDevice(link->DevListSelected()), cableDevice);
        EXPECT_TRUE(cableDevice->ReportHandler() == link->report40VHandler());
        EXPECT_TRUE(cableDevice->HasReader());
        EXPECT_EQ(platform.features("/dev/hidraw0").size(), 1u) << "configured again";
        EXPECT_EQ(lost.count(), 0);
    };
    // A frame is half through when the mouse comes: it still completes.
    platform.pushReport("/dev/hidraw0", { 0x00, 0x07, 0x34, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0 });
    ASSERT_TRUE(waitUntil([&] { return platform.reportsTaken("/dev/hidraw0") == 4; }));
    platform.plug(mouse);
    platform.notifyChange();
    expectUntouched("mouse arrived");
    EXPECT_EQ(link->DevListLines(), (QStringList { "USB to Serial", "Bluetooth Mouse" }));
    platform.pushReport("/dev/hidraw0", { 0x00, 0x04, 0x30, 0x3A, 0x0D, 0x0A, 0, 0, 0, 0 });
    platform.pushReport("/dev/hidraw0", { 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0 });
    EXPECT_TRUE(waitUntil([&] { return modeFrames.size() == 2; }));

    platform.unplug(mouse.path);
    platform.notifyChange();
    expectUntouched("mouse gone");
    EXPECT_EQ(link->DevListLines(), (QStringList { "USB to Serial" }));
    sendFrame("/dev/hidraw0");
    EXPECT_TRUE(waitUntil([&] { return modeFrames.size() == 3; }));
}

TEST_F(UsbCableLinkTest, OnlyTheSameCableIsTakenUpAgain)
{
    struct Case {
        const char* name;
        std::u16string serialBefore;
        std::u16string product;
        std::u16string serialAfter;
        bool raiseFirst; ///< USB Connect raised while the cable is away
        bool takenUp;
    };
    const Case cases[] = {
        { "same cable, no serial number", u"", u"USB to Serial", u"", false, true },
        { "same serial number", u"A1", u"USB to Serial", u"A1", false, true },
        { "another serial number", u"A1", u"USB to Serial", u"B2", false, false },
        { "another product", u"", u"USB Keyboard", u"", false, false },
        { "USB Connect raised meanwhile", u"", u"USB to Serial", u"", true, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        link.reset();
        platform.unplug("/dev/hidraw0");
        FakeHidDeviceSpec before = cable(0);
        before.hasSerial = !c.serialBefore.empty();
        before.serial = c.serialBefore;
        platform.plug(before);
        usbConDown = false;
        start();
        // A serial number keeps the cable from being picked by name: pick it by hand.
        link->SetDevListSelected(0);
        clickUsbCon();
        ASSERT_TRUE(link->SelectedHidDevice());
        QSignalSpy cancelled(link.get(), &UsbCableLink::waitingCancelled);

        platform.unplug("/dev/hidraw0");
        platform.notifyChange();
        ASSERT_TRUE(link->WaitingForCable());
        if (c.raiseFirst) {
            clickUsbCon();
            EXPECT_FALSE(link->WaitingForCable());
            EXPECT_EQ(cancelled.count(), 1);
            EXPECT_TRUE(reviewEnabled);
            EXPECT_TRUE(messages.isEmpty()) << "raising it is no error";
        }
        FakeHidDeviceSpec after = cable(0, c.product);
        after.instanceId = "0003:1A86:E008.0042";
        after.hasSerial = !c.serialAfter.empty();
        after.serial = c.serialAfter;
        platform.plug(after);
        platform.notifyChange();
        EXPECT_EQ(link->WaitingForCable(), !c.takenUp && !c.raiseFirst);
        THidDevice* device = link->DevListDevice(0);
        ASSERT_TRUE(device);
        EXPECT_EQ(device->HasReader(), c.takenUp);
        EXPECT_EQ(platform.features("/dev/hidraw0").size(), c.takenUp ? 1u : 0u);
    }
}

TEST_F(UsbCableLinkTest, StaleReportsAreNotTakenForCurrentReadings)
{
    platform.plug(cable(0));
    start();
    const std::string path = "/dev/hidraw0";
    clickUsbCon();
    ASSERT_TRUE(waitUntil([&] { return platform.readHandles(path) == 1; }));
    // Half a frame, then the link is stopped.
    platform.pushReport(path, { 0x00, 0x07, 0x34, 0x31, 0x32, 0x33, 0x34, 0x3B, 0x30, 0 });
    ASSERT_TRUE(waitUntil([&] { return link->UsbFrameOpen(); }));
    clickUsbCon();
    EXPECT_EQ(platform.readHandles(path), 0) << "the read handle stays open while nobody reads";

    // The meter goes on sending while the link is stopped.
    sendFrame(path);
    clickUsbCon();
    ASSERT_TRUE(waitUntil([&] { return platform.readHandles(path) == 1; }));
    platform.pushReport(path, { 0x00, 0x04, 0x30, 0x3A, 0x0D, 0x0A, 0, 0, 0, 0 });
    platform.pushReport(path, { 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0 });
    testsupport::runEventsFor(200);
    EXPECT_TRUE(modeFrames.isEmpty())
        << "a frame from before the connect was decoded: " << modeFrames.join(QLatin1Char(' ')).toStdString();

    sendFrame(path);
    EXPECT_TRUE(waitUntil([&] { return modeFrames.size() == 1; }));
}

TEST_F(UsbCableLinkTest, FeatureReportHasTheLengthTheCableDeclares)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> descriptor; ///< empty: the fake's, 9 feature bytes
        Report sent;
        const char* line;
    };
    QFile fixture(testsupport::dataDir() + QStringLiteral("/hid/descriptors/usb_serial_cable.hex"));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    const QByteArray cableBytes
        = QByteArray::fromHex(fixture.readAll().simplified().replace(' ', QByteArray()));
    // Input report of 8 bytes and a feature report of 12.
    const std::vector<uint8_t> longFeature { 0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x08,
        0x81, 0x02, 0x95, 0x0C, 0xB1, 0x02, 0xC0 };
    const std::vector<uint8_t> noFeature { 0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x08,
        0x81, 0x02, 0xC0 };
    const Case cases[] = {
        { "the cable: 5 bytes after the id", { cableBytes.begin(), cableBytes.end() },
            { 0, 0x60, 0x09, 0, 0, 0x03 }, "60 09 00 00 03 " },
        { "longer: padded", longFeature, { 0, 0x60, 0x09, 0, 0, 0x03, 0, 0, 0, 0, 0, 0, 0 },
            "60 09 00 00 03 00 00 00 00 00 00 00 " },
        { "none declared: the full 10", noFeature, { 0, 0x60, 0x09, 0, 0, 0x03, 0, 0, 0, 0 },
            "60 09 00 00 03 00 00 00 00 " },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        link.reset();
        FakeHidDeviceSpec setup = cable(0);
        setup.descriptor = c.descriptor;
        platform.plug(setup);
        start();
        link->SetFeatureClick();
        EXPECT_EQ(platform.features(setup.path), (std::vector<Report> { c.sent }));
        EXPECT_EQ(link->HistoryLines().last(), QLatin1String(c.line));
    }
}

TEST_F(UsbCableLinkTest, FailedFeatureReportIsToldAndNotRecordedAsSent)
{
    struct Case {
        const char* name;
        bool featureFails;
        FakeHidDeviceSpec::Access access;
        const char* history;
        const char* problem; ///< part of the message
        bool usbConDownAfter;
    };
    const Case cases[] = {
        { "refused", true, FakeHidDeviceSpec::Full, "FEATURE REPORT FAILED: Error 32 (20)",
            "did not take its line settings", true },
        { "no read-write access", false, FakeHidDeviceSpec::QueryOnly, "FEATURE REPORT FAILED: Error 13 (D)",
            "packaging/70-brenmoor5082.rules", false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        link.reset();
        FakeHidDeviceSpec setup = cable(0);
        setup.featureFails = c.featureFails;
        setup.access = c.access;
        platform.plug(setup);
        usbConDown = false;
        start();
        QSignalSpy problems(link.get(), &UsbCableLink::linkProblem);
        link->ClearBtnClick();
        clickUsbCon();
        EXPECT_EQ(link->HistoryLines(), QStringList { QLatin1String(c.history) }) << "recorded as sent";
        ASSERT_EQ(problems.count(), 1);
        const QString text = problems.at(0).at(0).toString();
        EXPECT_TRUE(text.contains(QLatin1String(c.problem))) << text.toStdString();
        EXPECT_TRUE(text.contains(QLatin1String("/dev/hidraw0"))) << text.toStdString();
        EXPECT_EQ(usbConDown, c.usbConDownAfter);
        EXPECT_TRUE(messages.isEmpty()) << "no modal box";
    }
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
