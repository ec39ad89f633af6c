#pragma once

#include <cstdint>

/** Serial port chosen from the menu; the device behind each comes from ComPortDeviceMap. */
enum class TComPortNumber { pnCOM1, pnCOM2, pnCOM3, pnCOM4 };

/** Line speeds the driver offers; comPortBaud() gives the baud each stands for. */
enum class TComPortBaudRate {
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200
};

enum class TComPortDataBits { db5BITS, db6BITS, db7BITS, db8BITS };
enum class TComPortStopBits { sb1BITS, sb1HALFBITS, sb2BITS };
enum class TComPortParity { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum class TComPortHwHandshaking { hhNONE, hhRTSCTS };
enum class TComPortSwHandshaking { shNONE, shXONXOFF };

/** Line speed in baud for a speed value. */
constexpr std::int32_t comPortBaud(TComPortBaudRate rate)
{
    constexpr std::int32_t table[]
        = { 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200 };
    return table[static_cast<int>(rate)];
}

/**
 * Everything the driver sends to an open port when it applies its settings.
 * Plain values, so a platform layer needs no knowledge of the driver.
 */
struct ComLineSettings {
    std::int32_t baud = 9600;
    int dataBits = 8; ///< 5 to 8
    TComPortParity parity = TComPortParity::ptNONE;
    TComPortStopBits stopBits = TComPortStopBits::sb1BITS;
    bool rtsCtsFlow = false; ///< CTS watched, RTS driven by the receiver
    bool xonXoffFlow = false; ///< XON/XOFF in both directions
    bool dtrOn = true; ///< DTR raised (true) or dropped
    int xonLimit = 512; ///< input queue size / 4
    int xoffLimit = 1;
    char xonChar = 0x11;
    char xoffChar = 0x13;
};
