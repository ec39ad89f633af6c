#include "link/com_port_device_map.h"

#include <gtest/gtest.h>
#include <map>

TEST(ComPortDeviceMapTest, EachPortIsTtySOrItsOverride)
{
    const std::map<QString, QString> environment = {
        { "BRENMOOR_COM2", "/dev/ttyUSB0" },
        { "BRENMOOR_COM3", "  /dev/pts/4 \n" },
        { "BRENMOOR_COM4", "   " },
        { "BRENMOOR_COM5", "/dev/ttyACM0" },
    };
    const ComPortDeviceMap map([&](const QString& name) {
        const auto it = environment.find(name);
        return it == environment.end() ? QString() : it->second;
    });
    const std::pair<TComPortNumber, const char*> cases[] = {
        { TComPortNumber::pnCOM1, "/dev/ttyS0" },
        { TComPortNumber::pnCOM2, "/dev/ttyUSB0" },
        { TComPortNumber::pnCOM3, "/dev/pts/4" },
        { TComPortNumber::pnCOM4, "/dev/ttyS3" },
    };
    for (const auto& [port, expected] : cases)
        EXPECT_EQ(map.devicePath(port), QString::fromLatin1(expected)) << static_cast<int>(port);
}
