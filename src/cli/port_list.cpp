#include "cli/port_list.h"

#include "base/build_variant.h"
#include "decode/reading_state.h"
#include "link/com_port_device_map.h"
#include "link/hid/hid_device.h"
#include "link/hid/usb_cable_link.h"
#include "link/serial_port_listing.h"

#include <QFileInfo>

QStringList portListLines(const ComPortDeviceMap& com, const SerialPortListing& serial, HidPlatform* hid)
{
    QStringList lines;
    QStringList comPaths;
    for (int n = 1; n <= 4; ++n) {
        const QString path = com.devicePath(static_cast<TComPortNumber>(n - 1));
        const QFileInfo device(path);
        if (!device.exists())
            continue;
        QString line = QStringLiteral("COM%1\t%2").arg(n).arg(path);
        const QString variable = QStringLiteral("BRENMOOR_COM%1").arg(n);
        if (path != QStringLiteral("/dev/ttyS%1").arg(n - 1))
            line += QStringLiteral("\t(%1)").arg(variable);
        lines << line;
        comPaths << device.canonicalFilePath();
    }
    for (const SerialPortEntry& port : serial.ports()) {
        if (!comPaths.contains(QFileInfo(port.devicePath()).canonicalFilePath())) // listed as COMn already
            lines << QStringLiteral("%1\t%2").arg(port.devicePath(), port.menuText());
    }

    if (hid) {
        // The cable link lists every HID device; the meter's cables are the
        // ones named as the cable is picked.
        ReadingState reading;
        UsbLinkControls controls;
        controls.usbConDown = [] { return false; };
        controls.raiseUsbCon = [] {};
        controls.readBtnDown = [] { return false; };
        controls.raiseReadBtn = [] {};
        controls.setReviewEnabled = [](bool) {};
        controls.showInformation = [](const QString&) {};
        controls.modeFrameComplete = [] {};
        controls.segmentFrameComplete = [] {};
        UsbCableLink link(*hid, BuildVariant::shipped(), reading, std::move(controls));
        for (int row = 0; row < link.DevListLines().size(); ++row) {
            THidDevice* device = link.DevListDevice(row);
            if (device && device->ProductText() == UsbCableLink::cableName())
                lines << QStringLiteral("usb\t%1").arg(link.DevListLines()[row]);
        }
    }
    return lines;
}
