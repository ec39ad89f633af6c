#include "link/hid/hid_device.h"

#include "link/hid/controller_error.h"
#include "link/hid/hid_device_controller.h"
#include "link/hid/hid_device_read_thread.h"

#include <algorithm>
#include <array>

namespace {

// Longest string the device texts keep, in UTF-16 units.
constexpr std::size_t TextUnits = 254;
// Report buffer used when the descriptor gave no input report length: the
// longest full-speed report plus its id byte.
constexpr std::size_t FallbackReportLength = 65;

QString upToNul(const std::u16string& text)
{
    const std::size_t end = std::min({ text.find(u'\0'), text.size(), TextUnits });
    return QString::fromStdU16String(text.substr(0, end));
}

} // namespace

THidDevice::THidDevice(std::unique_ptr<THidPnPInfo> pnp, THidDeviceController* owner, HidPlatform& platform,
    const THidDataEvent& reportHandler, const THidPlugEvent& unplugHandler)
    : platform_(platform)
    , owner_(owner)
    , pnp_(std::move(pnp))
    , reportHandler_(reportHandler)
    , unplugHandler_(unplugHandler)
{
    if (!openControl(HidAccess::ReadWrite))
        throw EControllerError(QStringLiteral("device cannot be opened"));
    const bool identified = controlHandle_->getAttributes(identity_);
    CloseControlHandle();
    if (!identified)
        throw EControllerError(QStringLiteral("device cannot be identified"));
}

THidDevice::~THidDevice()
{
    const THidDataEvent reportHandler = reportHandler_;
    const THidPlugEvent unplugHandler = unplugHandler_;
    SetReportHandler({});
    unplugHandler_ = {};
    CloseControlHandle();
    CloseIoHandle();
    descriptorData_.reset();
    if (owner_)
        owner_->takeBack(this, reportHandler, unplugHandler, PollInterval(), std::move(pnp_));
}

bool THidDevice::Present() const
{
    std::lock_guard lock(ioMutex_);
    return present_;
}

bool THidDevice::Claimed() const
{
    std::lock_guard lock(ioMutex_);
    return claimed_;
}

bool THidDevice::InEvent() const
{
    std::lock_guard lock(ioMutex_);
    return inEvent_;
}

bool THidDevice::Accessible() const
{
    std::lock_guard lock(ioMutex_);
    return present_ && (claimed_ || inEvent_);
}

void THidDevice::setClaimed(bool claimed)
{
    std::lock_guard lock(ioMutex_);
    claimed_ = claimed;
}

void THidDevice::setInEvent(bool inEvent)
{
    std::lock_guard lock(ioMutex_);
    inEvent_ = inEvent;
}

namespace {

HidInterfaceRecord recordOf(const THidPnPInfo& pnp)
{
    return { pnp.InterfacePath, pnp.InstanceId };
}

} // namespace

bool THidDevice::openControl(HidAccess access)
{
    uint32_t error = 0;
    controlHandle_ = platform_.open(recordOf(*pnp_), access, error);
    fullAccess_ = controlHandle_ != nullptr;
    accessError_ = fullAccess_ ? 0 : error;
    if (!controlHandle_)
        controlHandle_ = platform_.open(recordOf(*pnp_), HidAccess::Query, error);
    return controlHandle_ != nullptr;
}

bool THidDevice::OpenControlHandle()
{
    if (controlHandle_)
        return true;
    if (!Accessible())
        return false;
    return openControl(HidAccess::ReadWrite);
}

void THidDevice::CloseControlHandle()
{
    controlHandle_.reset();
}

void THidDevice::CloseIoHandle()
{
    std::shared_ptr<HidPlatformHandle> handle;
    {
        std::lock_guard lock(ioMutex_);
        handle = std::move(readHandle_);
    }
    // A reader waiting on the handle still holds it; waking it lets it drop
    // its share, and the handle closes when the last share goes.
    if (handle)
        handle->cancel();
}

QString THidDevice::ProductText()
{
    if (productText_.isEmpty() && OpenControlHandle()) {
        std::u16string text;
        if (controlHandle_->getProductString(text))
            productText_ = upToNul(text);
        CloseControlHandle();
    }
    return productText_;
}

QString THidDevice::SerialText()
{
    if (!serialText_.isEmpty() || !OpenControlHandle())
        return serialText_;

    std::u16string serial;
    if (!controlHandle_->getSerialNumberString(serial)) {
        CloseControlHandle();
        return serialText_;
    }
    std::array<char16_t, TextUnits> a {};
    std::copy_n(serial.begin(), std::min(serial.size(), TextUnits), a.begin());

    // Some devices answer the serial number query with their language list
    // (string descriptor 0). Compare over the units that list filled.
    std::array<char16_t, TextUnits> b;
    b.fill(char16_t(0xFFFF));
    controlHandle_->getIndexedString(0, b.data(), b.size());
    std::size_t n = 0;
    for (std::size_t k = TextUnits; k-- > 0;) {
        if (b[k] != char16_t(0xFFFF)) {
            n = b[k] == 0 ? k : k + 1;
            break;
        }
    }
    if (!std::equal(a.begin(), a.begin() + n, b.begin()))
        serialText_ = upToNul(std::u16string(a.begin(), a.end()));
    CloseControlHandle();
    return serialText_;
}

void THidDevice::fetchDescriptor()
{
    if (descriptorData_ || !OpenControlHandle())
        return;
    std::vector<uint8_t> data;
    if (controlHandle_->getReportDescriptor(data))
        descriptorData_ = std::move(data);
    CloseControlHandle();
}

HidReportCaps THidDevice::DeviceCaps()
{
    fetchDescriptor();
    return descriptorData_ ? HidReportDescriptor::parse(*descriptorData_) : HidReportCaps {};
}

bool THidDevice::SendFeatureReport(const uint8_t* data, std::size_t size)
{
    uint32_t error = HidErrorNoDevice;
    bool sent = false;
    if (!OpenControlHandle()) {
        // Gone, or not ours to open.
    } else if (!fullAccess_) {
        error = accessError_ ? accessError_ : error; // a query handle cannot send
    } else {
        sent = controlHandle_->setFeature(data, size, error);
    }
    featureError_ = sent ? 0 : (error ? error : HidErrorNoDevice);
    return sent;
}

void THidDevice::SetReportHandler(const THidDataEvent& handler)
{
    if (!handler)
        StopReader();
    reportHandler_ = handler;
    StartReader();
}

void THidDevice::SetPollInterval(int milliseconds)
{
    if (milliseconds < 10 || milliseconds > 10000)
        return;
    std::lock_guard lock(ioMutex_);
    pollInterval_ = milliseconds;
}

int THidDevice::PollInterval() const
{
    std::lock_guard lock(ioMutex_);
    return pollInterval_;
}

void THidDevice::StartReader()
{
    if (!reportHandler_ || reader_ || !fullAccess_)
        return;
    {
        std::lock_guard lock(ioMutex_);
        if (!present_ || !claimed_)
            return;
    }
    const std::size_t length = DeviceCaps().InputReportByteLength;
    reader_ = std::make_unique<THidDeviceReadThread>(*this, length ? length : FallbackReportLength);
    reader_->start();
}

void THidDevice::StopReader()
{
    if (!reader_)
        return;
    reader_->requestStop();
    reader_->wait();
    reader_.reset();
    CloseIoHandle();
}

void THidDevice::MarkUnplugged()
{
    CloseControlHandle();
    CloseIoHandle();
    {
        std::lock_guard lock(ioMutex_);
        present_ = false;
    }
    if (unplugHandler_) {
        const THidPlugEvent handler = std::move(unplugHandler_);
        unplugHandler_ = {};
        handler(this);
    }
}

std::shared_ptr<HidPlatformHandle> THidDevice::BeginRead(uint32_t& error)
{
    std::lock_guard lock(ioMutex_);
    if (!present_ || !(claimed_ || inEvent_)) {
        error = HidErrorNoDevice;
        return nullptr;
    }
    if (!readHandle_) {
        error = 0;
        readHandle_ = platform_.open(recordOf(*pnp_), HidAccess::Read, error);
    }
    return readHandle_;
}

bool THidDevice::stillReading(const std::shared_ptr<HidPlatformHandle>& handle) const
{
    std::lock_guard lock(ioMutex_);
    return handle && handle == readHandle_;
}
