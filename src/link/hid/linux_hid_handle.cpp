#include "link/hid/linux_hid_handle.h"

#include "link/hid/hid_report_descriptor.h"

#include <QString>

#include <cerrno>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

std::u16string toUtf16(const std::string& utf8)
{
    return QString::fromUtf8(utf8).left(254).toStdU16String();
}

} // namespace

LinuxHidHandle::LinuxHidHandle(HidSysfsInfo info, int fd)
    : info_(std::move(info))
    , numbered_(HidReportDescriptor::parse(info_.reportDescriptor).numberedReports)
    , fd_(fd)
    , cancelFd_(fd >= 0 ? ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK) : -1)
{
}

LinuxHidHandle::~LinuxHidHandle()
{
    if (fd_ >= 0)
        ::close(fd_);
    if (cancelFd_ >= 0)
        ::close(cancelFd_);
}

bool LinuxHidHandle::getAttributes(HidIdentity& identity)
{
    identity = info_.identity;
    return true;
}

bool LinuxHidHandle::getProductString(std::u16string& text)
{
    if (!info_.product)
        return false;
    text = toUtf16(*info_.product);
    return true;
}

bool LinuxHidHandle::getSerialNumberString(std::u16string& text)
{
    if (!info_.serial || info_.serial->empty())
        return false;
    text = toUtf16(*info_.serial);
    return true;
}

bool LinuxHidHandle::getIndexedString(int index, char16_t* buffer, std::size_t units)
{
    // Linux does not expose string descriptor 0. The kernel reads every string
    // in the device's first language; report that list as US English, which
    // no real serial number text starts with.
    if (index != 0 || units == 0)
        return false;
    buffer[0] = char16_t(0x0409);
    if (units > 1)
        buffer[1] = 0;
    return true;
}

bool LinuxHidHandle::getReportDescriptor(std::vector<uint8_t>& descriptor)
{
    if (info_.reportDescriptor.empty())
        return false;
    descriptor = info_.reportDescriptor;
    return true;
}

bool LinuxHidHandle::setFeature(const uint8_t* data, std::size_t size, uint32_t& error)
{
    error = 0;
    if (fd_ < 0 || size == 0) {
        error = fd_ < 0 ? EBADF : EINVAL;
        return false;
    }
    // The first byte is the report id, 0 for devices that do not number
    // their reports; the kernel wants it either way.
    if (::ioctl(fd_, HIDIOCSFEATURE(size), data) < 0) {
        error = uint32_t(errno);
        return false;
    }
    return true;
}

HidReadResult LinuxHidHandle::read(uint8_t* buffer, std::size_t size, int timeoutMs)
{
    HidReadResult result;
    if (fd_ < 0 || cancelFd_ < 0 || size < 2) {
        result.status = HidReadResult::Failed;
        result.error = EBADF;
        return result;
    }
    pollfd fds[2] = { { fd_, POLLIN, 0 }, { cancelFd_, POLLIN, 0 } };
    const int ready = ::poll(fds, 2, timeoutMs);
    if (ready < 0) {
        result.status = errno == EINTR ? HidReadResult::TimedOut : HidReadResult::Failed;
        result.error = uint32_t(errno);
        return result;
    }
    if (ready == 0)
        return result; // timed out
    if (fds[1].revents & POLLIN) {
        eventfd_t count = 0;
        ::eventfd_read(cancelFd_, &count);
        result.status = HidReadResult::Cancelled;
        return result;
    }
    if (!(fds[0].revents & POLLIN)) {
        // Hung up or broken, with nothing left to read.
        result.status = HidReadResult::Failed;
        result.error = ENODEV;
        return result;
    }
    // Reports of devices without numbered reports come without an id byte:
    // put a 0 in front so callers always find the id first.
    uint8_t* target = numbered_ ? buffer : buffer + 1;
    const std::size_t room = numbered_ ? size : size - 1;
    const ssize_t n = ::read(fd_, target, room);
    if (n < 0) {
        if (errno == EAGAIN || errno == EINTR)
            return result;
        result.status = HidReadResult::Failed;
        result.error = errno == EIO ? ENODEV : uint32_t(errno);
        return result;
    }
    if (n == 0) {
        // End of the stream: the other side is gone.
        result.status = HidReadResult::Failed;
        result.error = ENODEV;
        return result;
    }
    result.status = HidReadResult::Completed;
    if (!numbered_)
        buffer[0] = 0;
    result.bytes = std::size_t(n) + (numbered_ ? 0 : 1);
    return result;
}

void LinuxHidHandle::cancel()
{
    if (cancelFd_ >= 0)
        ::eventfd_write(cancelFd_, 1);
}
