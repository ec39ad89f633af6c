#include "support/fake_hid_platform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstring>

struct FakeHidPlatform::DeviceState {
    using Queue = std::deque<std::vector<uint8_t>>;

    FakeHidDeviceSpec setup;
    std::mutex mutex;
    std::condition_variable arrived;
    Queue pending; ///< reports before the first reader opened
    std::vector<Queue*> readers; ///< queues of the handles open for reading
    bool everRead = false;
    int lost = 0;
    bool gone = false;
    uint32_t readOpenError = 0;
    int taken = 0;
    std::vector<std::vector<uint8_t>> features;
};

class FakeHidPlatform::Handle : public HidPlatformHandle {
public:
    Handle(std::shared_ptr<DeviceState> state, HidAccess access, std::shared_ptr<int> counter,
        std::mutex& counterMutex)
        : state_(std::move(state))
        , access_(access)
        , counter_(std::move(counter))
        , counterMutex_(counterMutex)
    {
        {
            std::lock_guard lock(counterMutex_);
            ++*counter_;
        }
        if (access_ == HidAccess::Read) {
            std::lock_guard lock(state_->mutex);
            if (!state_->everRead)
                queue_ = std::move(state_->pending);
            state_->everRead = true;
            state_->readers.push_back(&queue_);
        }
    }
    ~Handle() override
    {
        if (access_ == HidAccess::Read) {
            std::lock_guard lock(state_->mutex);
            auto& readers = state_->readers;
            readers.erase(std::remove(readers.begin(), readers.end(), &queue_), readers.end());
        }
        std::lock_guard lock(counterMutex_);
        --*counter_;
    }

    bool getAttributes(HidIdentity& identity) override
    {
        std::lock_guard lock(state_->mutex);
        if (state_->setup.attributesFail)
            return false;
        identity = state_->setup.identity;
        return true;
    }
    bool getProductString(std::u16string& text) override
    {
        std::lock_guard lock(state_->mutex);
        text = state_->setup.product;
        return state_->setup.hasProduct;
    }
    bool getSerialNumberString(std::u16string& text) override
    {
        std::lock_guard lock(state_->mutex);
        text = state_->setup.serial;
        return state_->setup.hasSerial;
    }
    bool getIndexedString(int index, char16_t* buffer, std::size_t units) override
    {
        std::lock_guard lock(state_->mutex);
        if (index != 0)
            return false;
        const std::u16string& list = state_->setup.languageList;
        std::copy_n(list.begin(), std::min(list.size(), units), buffer);
        return true;
    }
    bool getReportDescriptor(std::vector<uint8_t>& descriptor) override
    {
        std::lock_guard lock(state_->mutex);
        const FakeHidDeviceSpec& setup = state_->setup;
        descriptor = setup.descriptor.empty() ? descriptorFor(setup.inputReportLength, setup.numbered)
                                              : setup.descriptor;
        return true;
    }
    bool setFeature(const uint8_t* data, std::size_t size, uint32_t& error) override
    {
        std::lock_guard lock(state_->mutex);
        error = state_->gone                  ? HidErrorNoDevice
            : access_ != HidAccess::ReadWrite ? 13
            : state_->setup.featureFails      ? state_->setup.featureError
                                              : 0;
        if (error)
            return false;
        state_->features.emplace_back(data, data + size);
        return true;
    }
    HidReadResult read(uint8_t* buffer, std::size_t size, int timeoutMs) override
    {
        std::unique_lock lock(state_->mutex);
        HidReadResult result;
        state_->arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs),
            [&] { return cancelled_ || state_->gone || !queue_.empty(); });
        if (cancelled_) {
            cancelled_ = false;
            result.status = HidReadResult::Cancelled;
        } else if (state_->gone) {
            result.status = HidReadResult::Failed;
            result.error = HidErrorNoDevice;
        } else if (!queue_.empty()) {
            const std::vector<uint8_t> report = std::move(queue_.front());
            queue_.pop_front();
            ++state_->taken;
            result.bytes = std::min(report.size(), size);
            std::memcpy(buffer, report.data(), result.bytes);
            result.status = HidReadResult::Completed;
        }
        return result;
    }
    void cancel() override
    {
        {
            std::lock_guard lock(state_->mutex);
            cancelled_ = true;
        }
        state_->arrived.notify_all();
    }

private:
    std::shared_ptr<DeviceState> state_;
    HidAccess access_;
    bool cancelled_ = false; // under state_->mutex
    DeviceState::Queue queue_; // under state_->mutex; Read handles only
    std::shared_ptr<int> counter_;
    std::mutex& counterMutex_;
};

class FakeHidPlatform::Watch : public HidChangeWatch {
public:
    explicit Watch(FakeHidPlatform& platform)
        : platform_(platform)
    {
    }
    ~Watch() override
    {
        std::lock_guard lock(platform_.mutex_);
        platform_.onChange_ = nullptr;
    }

private:
    FakeHidPlatform& platform_;
};

FakeHidPlatform::FakeHidPlatform()
    : openHandles_(std::make_shared<int>(0))
{
}

FakeHidPlatform::~FakeHidPlatform() = default;

std::shared_ptr<FakeHidPlatform::DeviceState> FakeHidPlatform::find(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    for (const auto& device : devices_) {
        if (device->setup.path == path)
            return device;
    }
    return nullptr;
}

void FakeHidPlatform::plug(const FakeHidDeviceSpec& setup)
{
    unplug(setup.path);
    auto state = std::make_shared<DeviceState>();
    state->setup = setup;
    std::lock_guard lock(mutex_);
    devices_.push_back(std::move(state));
}

void FakeHidPlatform::unplug(const std::string& path)
{
    std::shared_ptr<DeviceState> state = find(path);
    if (!state)
        return;
    {
        std::lock_guard lock(mutex_);
        devices_.erase(std::find(devices_.begin(), devices_.end(), state));
    }
    {
        std::lock_guard lock(state->mutex);
        state->gone = true;
    }
    state->arrived.notify_all();
}

void FakeHidPlatform::setAccess(const std::string& path, FakeHidDeviceSpec::Access access)
{
    if (std::shared_ptr<DeviceState> state = find(path)) {
        std::lock_guard lock(state->mutex);
        state->setup.access = access;
    }
}

void FakeHidPlatform::notifyChange()
{
    std::function<void()> onChange;
    {
        std::lock_guard lock(mutex_);
        onChange = onChange_;
    }
    if (onChange)
        onChange();
}

void FakeHidPlatform::pushReport(const std::string& path, std::vector<uint8_t> report)
{
    if (std::shared_ptr<DeviceState> state = find(path)) {
        {
            std::lock_guard lock(state->mutex);
            if (!state->readers.empty()) {
                for (DeviceState::Queue* queue : state->readers)
                    queue->push_back(report);
            } else if (!state->everRead) {
                state->pending.push_back(std::move(report));
            } else {
                ++state->lost;
            }
        }
        state->arrived.notify_all();
    }
}

int FakeHidPlatform::readHandles(const std::string& path) const
{
    if (std::shared_ptr<DeviceState> state = find(path)) {
        std::lock_guard lock(state->mutex);
        return int(state->readers.size());
    }
    return 0;
}

int FakeHidPlatform::reportsLost(const std::string& path) const
{
    if (std::shared_ptr<DeviceState> state = find(path)) {
        std::lock_guard lock(state->mutex);
        return state->lost;
    }
    return 0;
}

void FakeHidPlatform::failReadOpen(const std::string& path, uint32_t error)
{
    if (std::shared_ptr<DeviceState> state = find(path)) {
        std::lock_guard lock(state->mutex);
        state->readOpenError = error;
    }
}

std::vector<std::vector<uint8_t>> FakeHidPlatform::features(const std::string& path) const
{
    if (std::shared_ptr<DeviceState> state = find(path)) {
        std::lock_guard lock(state->mutex);
        return state->features;
    }
    return {};
}

int FakeHidPlatform::reportsTaken(const std::string& path) const
{
    if (std::shared_ptr<DeviceState> state = find(path)) {
        std::lock_guard lock(state->mutex);
        return state->taken;
    }
    return 0;
}

int FakeHidPlatform::openHandles() const
{
    std::lock_guard lock(mutex_);
    return *openHandles_;
}

bool FakeHidPlatform::watching() const
{
    std::lock_guard lock(mutex_);
    return onChange_ != nullptr;
}

std::vector<uint8_t> FakeHidPlatform::descriptorFor(int length, bool numbered)
{
    std::vector<uint8_t> d { 0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1,
        0x01 }; // vendor page, application collection
    if (numbered)
        d.insert(d.end(), { 0x85, 0x05 }); // report id 5
    d.insert(d.end(), { 0x75, 0x08, 0x95, uint8_t(length - 1), 0x09, 0x01, 0x81, 0x02 }); // input bytes
    d.insert(d.end(), { 0x95, 0x09, 0x09, 0x02, 0xB1, 0x02 }); // feature bytes
    d.push_back(0xC0);
    return d;
}

std::vector<HidInterfaceRecord> FakeHidPlatform::enumerateInterfaces()
{
    std::lock_guard lock(mutex_);
    std::vector<HidInterfaceRecord> list;
    for (const auto& device : devices_) {
        std::lock_guard deviceLock(device->mutex);
        list.push_back(
            { device->setup.detailFails ? std::string() : device->setup.path, device->setup.instanceId });
    }
    return list;
}

std::unique_ptr<HidPlatformHandle> FakeHidPlatform::open(
    const HidInterfaceRecord& record, HidAccess access, uint32_t& error)
{
    std::shared_ptr<DeviceState> state = find(record.path);
    error = HidErrorNoDevice;
    if (!state)
        return nullptr;
    {
        std::lock_guard lock(state->mutex);
        if (state->setup.instanceId != record.instanceId)
            return nullptr; // the node belongs to another device now
        const FakeHidDeviceSpec::Access allowed = state->setup.access;
        if (allowed == FakeHidDeviceSpec::None
            || (allowed == FakeHidDeviceSpec::QueryOnly && access != HidAccess::Query)) {
            error = 13; // permission denied
            return nullptr;
        }
        if (access == HidAccess::Read && state->readOpenError) {
            error = state->readOpenError;
            return nullptr;
        }
    }
    error = 0;
    return std::make_unique<Handle>(state, access, openHandles_, mutex_);
}

std::unique_ptr<HidChangeWatch> FakeHidPlatform::watchChanges(std::function<void()> onChange)
{
    std::lock_guard lock(mutex_);
    onChange_ = std::move(onChange);
    return std::make_unique<Watch>(*this);
}

std::string FakeHidPlatform::errorText(uint32_t error)
{
    return error == HidErrorNoDevice ? "No such device.\r\n" : "Error " + std::to_string(error);
}

namespace testsupport {

bool waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return done();
}

void runEventsFor(int ms)
{
    waitUntil([] { return false; }, ms);
}

} // namespace testsupport
