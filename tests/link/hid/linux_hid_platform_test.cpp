// The Linux HID layer on what needs no hardware: report descriptors, sysfs
// and udev properties from fixture folders, and a machine without devices.
#include "decode/reading_state.h"
#include "link/hid/hid_report_descriptor.h"
#include "link/hid/hid_sysfs_info.h"
#include "link/hid/linux_hid_handle.h"
#include "link/hid/linux_hid_platform.h"
#include "link/hid/usb_cable_link.h"
#include "support/test_paths.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

std::vector<uint8_t> descriptorFixture(const QString& name)
{
    QFile file(testsupport::dataDir() + QStringLiteral("/hid/descriptors/") + name + QStringLiteral(".hex"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
    const QByteArray bytes = QByteArray::fromHex(file.readAll().simplified().replace(' ', QByteArray()));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::string sysfsFixture()
{
    return (testsupport::dataDir() + QStringLiteral("/hid/sysfs")).toStdString();
}

// The cable's node in the fixture tree, with the instance it belongs to.
const HidInterfaceRecord CableNode { "/dev/hidraw0", "0003:1A86:E008.0003" };

TEST(HidReportDescriptorTest, InputReportLengthAndNumbering)
{
    struct Case {
        const char* fixture;
        int length;
        bool numbered;
        int featureLength;
    };
    const Case cases[] = {
        { "usb_serial_cable", 9, false, 6 }, // 5 feature bytes after the id
        { "boot_mouse", 4, false, 0 },
        { "keyboard_with_ids", 9, true, 0 },
        { "push_pop_long_item", 7, false, 0 },
        { "truncated", 4, false, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        const HidReportCaps caps
            = HidReportDescriptor::parse(descriptorFixture(QString::fromLatin1(c.fixture)));
        EXPECT_EQ(caps.InputReportByteLength, c.length);
        EXPECT_EQ(caps.numberedReports, c.numbered);
        EXPECT_EQ(caps.FeatureReportByteLength, c.featureLength);
    }
    EXPECT_EQ(HidReportDescriptor::parse({}).InputReportByteLength, 0);
    EXPECT_EQ(HidReportDescriptor::parse({ 0xFE }).InputReportByteLength, 0);
}

TEST(HidSysfsInfoTest, HidIdProperty)
{
    struct Case {
        const char* text;
        bool ok;
        uint16_t vendor;
        uint16_t product;
    };
    const Case cases[] = {
        { "0003:00001A86:0000E008", true, 0x1A86, 0xE008 },
        { "0005:0000046d:0000b33a", true, 0x046D, 0xB33A },
        { "0003:00011A86:0000E008", false, 0, 0 }, // vendor beyond 16 bits
        { "0003:1A86", false, 0, 0 },
        { "0003::E008", false, 0, 0 },
        { "0003:00001G86:0000E008", false, 0, 0 },
        { "", false, 0, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        uint16_t vendor = 0, product = 0;
        EXPECT_EQ(HidSysfsInfo::parseHidId(c.text, vendor, product), c.ok);
        if (c.ok) {
            EXPECT_EQ(vendor, c.vendor);
            EXPECT_EQ(product, c.product);
        }
    }
    const auto properties
        = HidSysfsInfo::parseUevent("HID_ID=0003:1:2\nHID_NAME=A=B\nbroken\n=x\nHID_UNIQ=\n");
    EXPECT_EQ(properties.at("HID_NAME"), "A=B");
    EXPECT_EQ(properties.at("HID_UNIQ"), "");
    EXPECT_EQ(properties.size(), 3u);
}

TEST(HidSysfsInfoTest, NodesFromAFixtureTree)
{
    struct Case {
        const char* node;
        bool readable;
        const char* instanceId;
        HidIdentity identity;
        std::optional<std::string> product;
        std::optional<std::string> serial;
    };
    const Case cases[] = {
        { "hidraw0", true, "0003:1A86:E008.0003", { 0x1A86, 0xE008, 0x1200 }, "USB to Serial", std::nullopt },
        { "hidraw1", true, "0005:046D:B33A.0004", { 0x046D, 0xB33A, 0 }, "MX Keys", "aa:bb:cc:dd:ee:ff" },
        { "hidraw2", true, "0003:04D9:0169.0006", { 0x04D9, 0x0169, 0x0107 }, "Gaming Keyboard", "K123" },
        // Bluetooth, below a USB Bluetooth adapter: its own name, not the adapter's.
        { "hidraw4", true, "0005:046D:B016.0009", { 0x046D, 0xB016, 0 }, "MX Anywhere", "11:22:33:44:55:66" },
        { "hidraw3", false, "", {}, std::nullopt, std::nullopt },
        { "hidraw9", false, "", {}, std::nullopt, std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        const std::optional<HidSysfsInfo> info
            = HidSysfsInfo::read(sysfsFixture() + "/class/hidraw/" + c.node);
        ASSERT_EQ(info.has_value(), c.readable);
        if (!info)
            continue;
        EXPECT_EQ(info->instanceId, c.instanceId);
        EXPECT_EQ(info->identity.VendorID, c.identity.VendorID);
        EXPECT_EQ(info->identity.ProductID, c.identity.ProductID);
        EXPECT_EQ(info->identity.VersionNumber, c.identity.VersionNumber);
        EXPECT_EQ(info->product, c.product);
        EXPECT_EQ(info->serial, c.serial);
        EXPECT_FALSE(info->reportDescriptor.empty());
    }
}

TEST(LinuxHidPlatformTest, QueryAccessNeedsNoDeviceNode)
{
    LinuxHidPlatform platform(sysfsFixture());
    uint32_t error = 0;
    std::unique_ptr<HidPlatformHandle> handle = platform.open(CableNode, HidAccess::Query, error);
    ASSERT_TRUE(handle);
    HidIdentity identity;
    ASSERT_TRUE(handle->getAttributes(identity));
    EXPECT_EQ(identity.ProductID, 0xE008);
    std::u16string text;
    ASSERT_TRUE(handle->getProductString(text));
    EXPECT_EQ(text, u"USB to Serial");
    EXPECT_FALSE(handle->getSerialNumberString(text));
    std::vector<uint8_t> descriptor;
    ASSERT_TRUE(handle->getReportDescriptor(descriptor));
    EXPECT_EQ(HidReportDescriptor::parse(descriptor).InputReportByteLength, 9);
    const uint8_t feature[] = { 0, 0x60, 0x09, 0, 0, 3, 0, 0, 0, 0 };
    EXPECT_FALSE(handle->setFeature(feature, sizeof feature, error));
    EXPECT_NE(error, 0u);
    uint8_t buffer[9];
    EXPECT_EQ(handle->read(buffer, sizeof buffer, 10).status, HidReadResult::Failed);

    // The fixture has no device nodes: read-write and read access fail with the system's error.
    EXPECT_FALSE(platform.open(CableNode, HidAccess::ReadWrite, error));
    EXPECT_NE(error, 0u);
    EXPECT_FALSE(platform.open({ "/dev/hidraw3", "" }, HidAccess::Query, error));
    EXPECT_FALSE(platform.errorText(error).empty());
}

TEST(LinuxHidPlatformTest, StartsWithoutDevicesOrHotPlugSupport)
{
    LinuxHidPlatform platform;
    const std::size_t present = platform.enumerateInterfaces().size();
    ReadingState reading;
    QStringList messages;
    UsbLinkControls controls;
    controls.showInformation = [&](const QString& text) { messages << text; };
    UsbCableLink link(platform, BuildVariant::shipped(), reading, controls);
    EXPECT_LE(std::size_t(link.DevListLines().size()), present);
    EXPECT_TRUE(messages.isEmpty());
    if (!QDir(QStringLiteral("/dev")).entryList({ QStringLiteral("hidraw*") }, QDir::System).isEmpty())
        GTEST_SKIP() << "this machine has HID devices";
    EXPECT_EQ(link.DevListLines().size(), 0);
    EXPECT_EQ(link.DevListSelected(), -1);
}

TEST(LinuxHidPlatformTest, NodeTakenOverByAnotherDeviceIsNotOpened)
{
    LinuxHidPlatform platform(sysfsFixture());
    uint32_t error = 0;
    // The node now belongs to another instance than the one listed.
    EXPECT_FALSE(platform.open({ CableNode.path, "0003:1A86:E008.0001" }, HidAccess::Query, error));
    EXPECT_EQ(error, uint32_t(ENODEV));

    // A file named like the node opens, but it is not the device sysfs gives
    // for it: the descriptor is turned away after the open.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile impostor(dir.filePath(QStringLiteral("hidraw0")));
    ASSERT_TRUE(impostor.open(QIODevice::WriteOnly));
    impostor.close();
    for (const HidAccess access : { HidAccess::ReadWrite, HidAccess::Read }) {
        error = 0;
        EXPECT_FALSE(
            platform.open({ impostor.fileName().toStdString(), CableNode.instanceId }, access, error));
        EXPECT_EQ(error, uint32_t(ENODEV));
    }
}

/**
 * LinuxHidHandle on one end of a SOCK_SEQPACKET pair, which keeps report
 * boundaries as hidraw does; the test writes reports on the other end.
 */
class LinuxHidHandleRead : public ::testing::Test {
protected:
    void open(bool numbered)
    {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
        HidSysfsInfo info;
        // One 8-byte input report, with report id 5 when numbered.
        info.reportDescriptor = { 0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01 };
        if (numbered)
            info.reportDescriptor.insert(info.reportDescriptor.end(), { 0x85, 0x05 });
        info.reportDescriptor.insert(
            info.reportDescriptor.end(), { 0x75, 0x08, 0x95, 0x08, 0x81, 0x02, 0xC0 });
        handle = std::make_unique<LinuxHidHandle>(std::move(info), fds[0]);
        peer = fds[1];
    }
    void send(std::vector<uint8_t> report)
    {
        ASSERT_EQ(::write(peer, report.data(), report.size()), ssize_t(report.size()));
    }
    void TearDown() override
    {
        handle.reset();
        if (peer >= 0)
            ::close(peer);
        peer = -1;
    }

    std::unique_ptr<LinuxHidHandle> handle;
    int peer = -1;
    uint8_t buffer[9] = {};
};

TEST_F(LinuxHidHandleRead, ReportIdsAsTheHandlersExpectThem)
{
    struct Case {
        const char* name;
        bool numbered;
        std::vector<uint8_t> sent;
        std::vector<uint8_t> read;
    };
    const Case cases[] = {
        { "unnumbered: a 0 in front", false, { 0x07, 0x34, 0x31, 0x32 }, { 0x00, 0x07, 0x34, 0x31, 0x32 } },
        { "numbered: as it came", true, { 0x05, 0x11, 0x22 }, { 0x05, 0x11, 0x22 } },
        { "unnumbered, full length", false, { 1, 2, 3, 4, 5, 6, 7, 8 }, { 0, 1, 2, 3, 4, 5, 6, 7, 8 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        open(c.numbered);
        send(c.sent);
        const HidReadResult r = handle->read(buffer, sizeof buffer, 1000);
        ASSERT_EQ(r.status, HidReadResult::Completed);
        EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + r.bytes), c.read);
        TearDown();
    }
}

TEST_F(LinuxHidHandleRead, WaitEndsByTimeoutCancelOrHangUp)
{
    open(false);
    EXPECT_EQ(handle->read(buffer, sizeof buffer, 20).status, HidReadResult::TimedOut);

    // A cancel from another thread ends a long wait at once; the one after
    // that is not cancelled any more.
    std::thread canceller([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        handle->cancel();
    });
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(handle->read(buffer, sizeof buffer, 10000).status, HidReadResult::Cancelled);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    handle->cancel(); // before the wait: the next read returns at once
    EXPECT_EQ(handle->read(buffer, sizeof buffer, 10000).status, HidReadResult::Cancelled);
    EXPECT_EQ(handle->read(buffer, sizeof buffer, 20).status, HidReadResult::TimedOut);

    // Hang-up with a report still queued: the report first, then the loss.
    send({ 0x01, 0x30 });
    ::close(peer);
    peer = -1;
    HidReadResult r = handle->read(buffer, sizeof buffer, 1000);
    ASSERT_EQ(r.status, HidReadResult::Completed);
    EXPECT_EQ(r.bytes, 3u);
    r = handle->read(buffer, sizeof buffer, 1000);
    EXPECT_EQ(r.status, HidReadResult::Failed);
    EXPECT_EQ(r.error, uint32_t(ENODEV));
}

} // namespace
