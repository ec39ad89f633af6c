// The serial devices offered in "ComSetup": menu texts, stable by-id names
// matched to their devices, and devices only the by-id folder knows.
#include "link/serial_port_listing.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

SerialPortEntry entry(const QString& name, const QString& location, const QString& description = {},
    const QString& maker = {}, const QString& serial = {})
{
    SerialPortEntry e;
    e.portName = name;
    e.systemLocation = location;
    e.description = description;
    e.manufacturer = maker;
    e.serialNumber = serial;
    return e;
}

TEST(SerialPortListingTest, MenuTextShowsNameAboutAndSerial)
{
    struct Case {
        SerialPortEntry port;
        const char* text;
    };
    const Case cases[] = {
        { entry("ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A10K1234"),
            "ttyUSB0 \u2014 FT232R USB UART (A10K1234)" },
        { entry("ttyUSB1", "/dev/ttyUSB1", {}, "Prolific Technology Inc."),
            "ttyUSB1 \u2014 Prolific Technology Inc." },
        { entry("ttyACM0", "/dev/ttyACM0", {}, {}, "0001"), "ttyACM0 (0001)" },
        { entry("ttyS0", "/dev/ttyS0"), "ttyS0" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.port.menuText(), QString::fromUtf8(c.text));
    }
}

TEST(SerialPortListingTest, StableNamesJoinTheirDevices)
{
    // Stand-ins for device nodes, and a by-id folder with links to them.
    QTemporaryDir dev;
    ASSERT_TRUE(dev.isValid());
    for (const char* name : { "ttyUSB0", "ttyUSB2", "ttyUSB10", "ttyACM0" }) {
        QFile node(dev.filePath(QLatin1String(name)));
        ASSERT_TRUE(node.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QDir(dev.path()).mkdir(QStringLiteral("by-id")));
    const QString byId = dev.filePath(QStringLiteral("by-id"));
    const auto link = [&](const char* target, const char* name) {
        ASSERT_TRUE(
            QFile::link(QStringLiteral("../") + QLatin1String(target), byId + '/' + QLatin1String(name)));
    };
    link("ttyUSB0", "usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0");
    link("ttyUSB10", "usb-Prolific_USB-Serial_Controller-if00-port0");
    link("ttyACM0", "usb-Arduino_Uno_0001-if00"); // a device Qt did not list
    link("ttyUSB7", "usb-gone-if00-port0"); // points to nothing

    const std::vector<SerialPortEntry> ports = SerialPortListing(byId).withStableNames({
        entry("ttyUSB10", dev.filePath("ttyUSB10"), "USB-Serial Controller"),
        entry("ttyUSB0", dev.filePath("ttyUSB0"), "FT232R USB UART", "FTDI", "A10K1234"),
        entry("ttyUSB2", dev.filePath("ttyUSB2")),
    });

    struct Expected {
        const char* name;
        const char* byId; ///< empty: none
    };
    const Expected expected[] = {
        { "ttyACM0", "usb-Arduino_Uno_0001-if00" },
        { "ttyUSB0", "usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0" },
        { "ttyUSB2", "" },
        { "ttyUSB10", "usb-Prolific_USB-Serial_Controller-if00-port0" },
    };
    ASSERT_EQ(ports.size(), std::size(expected));
    for (std::size_t i = 0; i < ports.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(ports[i].portName, QLatin1String(expected[i].name));
        const QString wantById = *expected[i].byId ? byId + '/' + QLatin1String(expected[i].byId) : QString();
        EXPECT_EQ(ports[i].byIdPath, wantById);
        EXPECT_EQ(ports[i].devicePath(), wantById.isEmpty() ? ports[i].systemLocation : wantById)
            << "the stable name is what gets opened";
    }
    EXPECT_EQ(SerialPortListing::find(ports, byId + QStringLiteral("/usb-Arduino_Uno_0001-if00")), &ports[0]);
    EXPECT_EQ(SerialPortListing::find(ports, dev.filePath("ttyUSB2")), &ports[2]);
    EXPECT_EQ(SerialPortListing::find(ports, QStringLiteral("/dev/ttyUSB99")), nullptr);
}

TEST(SerialPortListingTest, MissingByIdFolderLeavesTheSystemList)
{
    const std::vector<SerialPortEntry> ports = SerialPortListing(QStringLiteral("/nonexistent/by-id"))
                                                   .withStableNames({ entry("ttyS0", "/dev/ttyS0") });
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_TRUE(ports[0].byIdPath.isEmpty());
    // The system's own list never fails, whatever this machine has.
    for (const SerialPortEntry& p : SerialPortListing().ports())
        EXPECT_FALSE(p.devicePath().isEmpty()) << p.portName.toStdString();
}

} // namespace
