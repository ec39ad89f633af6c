#include "link/hid/hid_sysfs_info.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::optional<std::string> readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A sysfs attribute: its text without the trailing newline.
std::optional<std::string> readAttribute(const fs::path& path)
{
    std::optional<std::string> text = readFile(path);
    while (text && !text->empty() && (text->back() == '\n' || text->back() == '\r'))
        text->pop_back();
    return text;
}

bool parseHex(const std::string& text, uint32_t limit, uint32_t& value)
{
    if (text.empty() || text.size() > 8)
        return false;
    value = 0;
    for (const char c : text) {
        const char lower = char(c | 0x20);
        const int digit = c >= '0' && c <= '9' ? c - '0'
            : lower >= 'a' && lower <= 'f'     ? lower - 'a' + 10
                                               : -1;
        if (digit < 0)
            return false;
        value = value * 16 + uint32_t(digit);
    }
    return value <= limit;
}

// The USB device a HID device hangs off: the nearest folder above it with an
// idVendor attribute. Nothing for HID devices on other buses.
std::optional<fs::path> usbDeviceOf(const fs::path& hidDevice)
{
    for (fs::path dir = hidDevice.parent_path(); !dir.empty() && dir != dir.root_path();
         dir = dir.parent_path()) {
        std::error_code ec;
        if (fs::exists(dir / "idVendor", ec))
            return dir;
        if (dir.filename() == "devices")
            break;
    }
    return std::nullopt;
}

} // namespace

std::map<std::string, std::string> HidSysfsInfo::parseUevent(const std::string& text)
{
    std::map<std::string, std::string> properties;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0)
            continue;
        properties[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return properties;
}

bool HidSysfsInfo::parseHidId(const std::string& text, uint16_t& vendorId, uint16_t& productId)
{
    uint16_t bus = 0;
    return parseHidId(text, bus, vendorId, productId);
}

bool HidSysfsInfo::parseHidId(
    const std::string& text, uint16_t& busId, uint16_t& vendorId, uint16_t& productId)
{
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
    if (second == std::string::npos)
        return false;
    uint32_t bus = 0, vendor = 0, product = 0;
    if (!parseHex(text.substr(0, first), 0xFFFF, bus)
        || !parseHex(text.substr(first + 1, second - first - 1), 0xFFFF, vendor)
        || !parseHex(text.substr(second + 1), 0xFFFF, product))
        return false;
    busId = uint16_t(bus);
    vendorId = uint16_t(vendor);
    productId = uint16_t(product);
    return true;
}

std::optional<HidSysfsInfo> HidSysfsInfo::read(const std::string& hidrawDir)
{
    std::error_code ec;
    const fs::path hidDevice = fs::canonical(fs::path(hidrawDir) / "device", ec);
    if (ec)
        return std::nullopt;
    const std::optional<std::string> uevent = readFile(hidDevice / "uevent");
    if (!uevent)
        return std::nullopt;
    const std::map<std::string, std::string> properties = parseUevent(*uevent);

    HidSysfsInfo info;
    info.instanceId = hidDevice.filename().string();
    const auto hidId = properties.find("HID_ID");
    uint16_t bus = 0;
    if (hidId == properties.end()
        || !parseHidId(hidId->second, bus, info.identity.VendorID, info.identity.ProductID))
        return std::nullopt;
    if (std::optional<std::string> descriptor = readFile(hidDevice / "report_descriptor"))
        info.reportDescriptor.assign(descriptor->begin(), descriptor->end());

    // Only a HID device on the USB bus takes the USB device's strings: a
    // Bluetooth keyboard under a USB Bluetooth adapter is not that adapter.
    const std::optional<fs::path> usb = bus == BusUsb ? usbDeviceOf(hidDevice) : std::nullopt;
    if (usb) {
        uint32_t version = 0;
        if (const std::optional<std::string> bcd = readAttribute(*usb / "bcdDevice");
            bcd && parseHex(*bcd, 0xFFFF, version))
            info.identity.VersionNumber = uint16_t(version);
        info.product = readAttribute(*usb / "product");
        info.serial = readAttribute(*usb / "serial");
    } else {
        // Other buses: the kernel's name and unique id of the HID device.
        if (const auto name = properties.find("HID_NAME"); name != properties.end() && !name->second.empty())
            info.product = name->second;
        if (const auto uniq = properties.find("HID_UNIQ"); uniq != properties.end() && !uniq->second.empty())
            info.serial = uniq->second;
    }
    return info;
}
