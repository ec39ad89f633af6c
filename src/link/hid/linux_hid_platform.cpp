#include "link/hid/linux_hid_platform.h"

#include "link/hid/hid_sysfs_info.h"
#include "link/hid/linux_hid_handle.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <libudev.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
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

// The "major:minor" a sysfs class folder gives for its node; empty when unreadable.
std::string deviceNumberOf(const std::string& classDir)
{
    std::string text;
    if (FILE* f = std::fopen((classDir + "/dev").c_str(), "r")) {
        char line[32] = {};
        if (std::fgets(line, sizeof line, f))
            text = line;
        std::fclose(f);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}

// Whether the open descriptor @p fd is the node of @p classDir, and that
// node still belongs to the HID device instance @p instanceId.
bool sameNode(int fd, const std::string& classDir, const std::string& instanceId)
{
    struct stat st { };
    if (::fstat(fd, &st) != 0)
        return false;
    const std::string expected = deviceNumberOf(classDir);
    if (!expected.empty()
        && expected != std::to_string(major(st.st_rdev)) + ":" + std::to_string(minor(st.st_rdev)))
        return false;
    const std::optional<HidSysfsInfo> now = HidSysfsInfo::read(classDir);
    return now && now->instanceId == instanceId;
}

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
    const HidInterfaceRecord& record, HidAccess access, uint32_t& error)
{
    const std::string classDir = classDirOf(record.path);
    std::optional<HidSysfsInfo> info = HidSysfsInfo::read(classDir);
    // A node number is handed to the next device once its device is gone:
    // never talk to a stranger that took the old name.
    if (!info || (!record.instanceId.empty() && info->instanceId != record.instanceId)) {
        error = ENODEV;
        return nullptr;
    }
    int fd = -1;
    if (access == HidAccess::ReadWrite)
        fd = ::open(record.path.c_str(), O_RDWR | O_CLOEXEC);
    else if (access == HidAccess::Read)
        fd = ::open(record.path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (access != HidAccess::Query && fd < 0) {
        error = uint32_t(errno);
        return nullptr;
    }
    if (fd >= 0 && !sameNode(fd, classDir, info->instanceId)) {
        // Swapped between the check and the open.
        ::close(fd);
        error = ENODEV;
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
