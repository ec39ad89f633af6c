#pragma once

#include <QStringList>

class ComPortDeviceMap;
class HidPlatform;
class SerialPortListing;

/**
 * The lines of --list-ports, tab-separated, one device a line:
 *
 *     COM1<TAB>/dev/ttyS0
 *     COM2<TAB>/tmp/meter<TAB>(BRENMOOR_COM2)
 *     /dev/serial/by-id/usb-FTDI_…<TAB>ttyUSB0 — FT232R USB UART (A10K1234)
 *     usb<TAB>USB to Serial (Serial=…)
 *
 * COM1 to COM4 are listed where their device exists (the first column is
 * what --port takes), then the serial devices present, by the path to give
 * --port, then the meter's USB cables (for --usb).
 */
QStringList portListLines(const ComPortDeviceMap& com, const SerialPortListing& serial, HidPlatform* hid);
