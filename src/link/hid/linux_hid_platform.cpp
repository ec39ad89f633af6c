#include "link/hid/linux_hid_platform.h"

#include "link/hid/hid_sysfs_info.h"
#include "link/hid/linux_hid_handle.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libudev.h>
#include <unistd.h>

namespace {

struct UdevDeleter {
    void operator()(udev* p) const { udev_unref(p); }
    void operator()(udev_enumerate* p) const { udev_enumerate_unref(p); }
    void operator()(udev_device* p) const { udev_device_unref(p); }
    void operator()(udev_monitor* p) const { udev_monitor_unref(p); }
};
template <typename T> using UdevPtr = std::unique_ptr<T, UdevDeleter>;

// Hot-plug through a udev monitor on the hidraw subsystem. Its socket is
// watched on the thread that created it, the UI thread.
class UdevChangeWatch : public HidChangeWatch {
public:
    UdevChangeWatch(UdevPtr<udev> context, UdevPtr<udev_monitor> monitor, std::function<void()> onChange)
        : context_(std::move(context))
        , monitor_(std::move(monitor))
        , onChange_(std::move(onChange))
        , notifier_(udev_monitor_get_fd(monitor_.get()), QSocketNotifier::Read)
    {
        QObject::connect(&notifier_, &QSocketNotifier::activated, &notifier_, [this] { drain(); });
    }

private:
    void drain()
    {
        bool any = false;
        while (UdevPtr<udev_device> device { udev_monitor_receive_device(monitor_.get()) })
            any = true;
        if (any)
            onChange_();
    }

    UdevPtr<udev> context_;
    UdevPtr<udev_monitor> monitor_;
    std::function<void()> onChange_;
    QSocketNotifier notifier_;
};

std::string baseName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

LinuxHidPlatform::LinuxHidPlatform(std::string sysfsRoot)
    : sysfsRoot_(std::move(sysfsRoot))
{
}

std::string LinuxHidPlatform::classDirOf(const std::string& devicePath) const
{
    return sysfsRoot_ + "/class/hidraw/" + baseName(devicePath);
}

std::vector<HidInterfaceRecord> LinuxHidPlatform::enumerateInterfaces()
{
    std::vector<HidInterfaceRecord> list;
    UdevPtr<udev> context { udev_new() };
    if (!context)
        return list;
    UdevPtr<udev_enumerate> enumerate { udev_enumerate_new(context.get()) };
    if (!enumerate || udev_enumerate_add_match_subsystem(enumerate.get(), "hidraw") < 0
        || udev_enumerate_scan_devices(enumerate.get()) < 0)
        return list;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumerate.get()))
    {
        UdevPtr<udev_device> device { udev_device_new_from_syspath(
            context.get(), udev_list_entry_get_name(entry)) };
        const char* node = device ? udev_device_get_devnode(device.get()) : nullptr;
        HidInterfaceRecord record;
        if (node) {
            if (const std::optional<HidSysfsInfo> info = HidSysfsInfo::read(classDirOf(node))) {
                record.path = node;
                record.instanceId = info->instanceId;
            }
        }
        list.push_back(record); // without a path when its details could not be read
    }
    std::stable_sort(list.begin(), list.end(), [](const HidInterfaceRecord& a, const HidInterfaceRecord& b) {
        return a.path.size() != b.path.size() ? a.path.size() < b.path.size() : a.path < b.path;
    });
    return list;
}

std::unique_ptr<HidPlatformHandle> LinuxHidPlatform::open(
    const std::string& path, HidAccess access, uint32_t& error)
{
    std::optional<HidSysfsInfo> info = HidSysfsInfo::read(classDirOf(path));
    if (!info) {
        error = ENODEV;
        return nullptr;
    }
    int fd = -1;
    if (access == HidAccess::ReadWrite)
        fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    else if (access == HidAccess::Read)
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (access != HidAccess::Query && fd < 0) {
        error = uint32_t(errno);
        return nullptr;
    }
    error = 0;
    return std::make_unique<LinuxHidHandle>(std::move(*info), fd);
}

std::unique_ptr<HidChangeWatch> LinuxHidPlatform::watchChanges(std::function<void()> onChange)
{
    UdevPtr<udev> context { udev_new() };
    if (!context)
        return nullptr;
    UdevPtr<udev_monitor> monitor { udev_monitor_new_from_netlink(context.get(), "udev") };
    if (!monitor || udev_monitor_filter_add_match_subsystem_devtype(monitor.get(), "hidraw", nullptr) < 0
        || udev_monitor_enable_receiving(monitor.get()) < 0 || udev_monitor_get_fd(monitor.get()) < 0)
        return nullptr;
    return std::make_unique<UdevChangeWatch>(std::move(context), std::move(monitor), std::move(onChange));
}

std::string LinuxHidPlatform::errorText(uint32_t error)
{
    return std::strerror(int(error));
}
