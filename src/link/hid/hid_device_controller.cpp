#include "link/hid/hid_device_controller.h"

#include "link/hid/controller_error.h"
#include "link/hid/hid_device.h"

#include <algorithm>
#include <atomic>

namespace {

// Controllers in existence. The one piece of process-wide state of the HID
// layer: it is what enforces a single controller per program.
std::atomic<int> controllerCount { 0 };

} // namespace

THidDeviceController::THidDeviceController(HidPlatform& platform)
    : platform_(platform)
{
    if (controllerCount.fetch_add(1) + 1 > 1) {
        controllerCount.fetch_sub(1);
        throw EControllerError(QStringLiteral("Only one THidDeviceController allowed per program"));
    }
    for (std::unique_ptr<THidDevice>& device : ScanDevices()) {
        THidDevice* raw = device.get();
        devices_.push_back({ raw, std::move(device) });
    }
    freeCount_ = int(devices_.size());
    changeWatch_ = platform_.watchChanges([this] { DeviceChange(); });
}

THidDeviceController::~THidDeviceController()
{
    controllerCount.fetch_sub(1);
    changeWatch_.reset();
    onDeviceChange_ = {};
    onEnumerate_ = {};
    SetOnDeviceUnplug({});
    std::vector<Slot> devices = std::move(devices_);
    devices_.clear();
    for (Slot& slot : devices) {
        slot.device->setOwnerController(nullptr);
        if (slot.owned)
            slot.owned.reset();
        else
            slot.device->MarkUnplugged(); // its holder keeps it
    }
}

std::vector<THidDevice*> THidDeviceController::Devices() const
{
    std::vector<THidDevice*> list;
    for (const Slot& slot : devices_)
        list.push_back(slot.device);
    return list;
}

std::vector<std::unique_ptr<THidDevice>> THidDeviceController::ScanDevices()
{
    std::vector<std::unique_ptr<THidDevice>> list;
    for (const HidInterfaceRecord& record : platform_.enumerateInterfaces()) {
        if (record.path.empty())
            continue; // its details could not be read; the scan moves on
        try {
            list.push_back(std::make_unique<THidDevice>(
                std::make_unique<THidPnPInfo>(THidPnPInfo { record.path, record.instanceId }), this,
                platform_, onDeviceData_, onDeviceUnplug_));
        } catch (const EControllerError&) {
            // An interface that cannot be opened or identified is left out.
        }
    }
    return list;
}

void THidDeviceController::recount()
{
    int claimed = 0;
    freeCount_ = 0;
    unpluggedCount_ = 0;
    for (const Slot& slot : devices_) {
        if (slot.device->Claimed())
            ++claimed;
        else
            ++freeCount_;
        if (!slot.device->Present())
            ++unpluggedCount_;
    }
    claimedCount_ = claimed - unpluggedCount_;
}

void THidDeviceController::DeviceChange()
{
    bool changed = false;
    std::vector<std::unique_ptr<THidDevice>> fresh = ScanDevices();
    const auto foundAgain = [&fresh](const THidDevice* device) {
        return std::any_of(
            fresh.begin(), fresh.end(), [device](const std::unique_ptr<THidDevice>& candidate) {
                return candidate->PnPRecord()->InstanceId == device->PnPRecord()->InstanceId;
            });
    };

    for (std::size_t i = devices_.size(); i-- > 0;) {
        if (i >= devices_.size())
            continue; // a handler shortened the list
        THidDevice* device = devices_[i].device;
        if (device->Present() && foundAgain(device))
            continue;
        device->MarkUnplugged();
        device->setInEvent(true);
        if (onRemoval_)
            onRemoval_(device);
        device->setInEvent(false);
        if (!device->Claimed() && i < devices_.size() && devices_[i].device == device) {
            std::unique_ptr<THidDevice> gone = std::move(devices_[i].owned);
            devices_.erase(devices_.begin() + std::ptrdiff_t(i));
            gone.reset();
        }
        changed = true;
    }

    for (std::unique_ptr<THidDevice>& candidate : fresh) {
        const bool known = std::any_of(devices_.begin(), devices_.end(), [&candidate](const Slot& slot) {
            return slot.device->Present()
                && slot.device->PnPRecord()->InstanceId == candidate->PnPRecord()->InstanceId;
        });
        if (known) {
            candidate->setOwnerController(nullptr);
            candidate.reset();
        }
    }

    for (std::unique_ptr<THidDevice>& candidate : fresh) {
        if (!candidate)
            continue;
        THidDevice* device = candidate.get();
        devices_.push_back({ device, std::move(candidate) });
        changed = true;
        device->setInEvent(true);
        if (onArrival_)
            onArrival_(device);
        device->setInEvent(false);
    }

    recount();
    if ((changed || !changeReported_) && onDeviceChange_)
        onDeviceChange_();
}

int THidDeviceController::EnumerateDevices()
{
    int count = 0;
    const std::size_t length = devices_.size();
    for (std::size_t i = 0; i < length && i < devices_.size(); ++i) {
        THidDevice* device = devices_[i].device;
        if (!device->Present())
            continue;
        ++count;
        if (!onEnumerate_)
            break;
        device->setInEvent(true);
        const bool goOn = onEnumerate_(device, int(i));
        device->setInEvent(false);
        if (!device->Claimed()) {
            device->CloseControlHandle();
            device->CloseIoHandle();
        }
        if (!goOn)
            break;
    }
    return count;
}

std::unique_ptr<THidDevice> THidDeviceController::ClaimByIndex(int Idx)
{
    if (Idx < 0 || Idx >= int(devices_.size()))
        return nullptr;
    Slot& slot = devices_[std::size_t(Idx)];
    if (slot.device->Claimed() || !slot.owned)
        return nullptr;
    slot.device->setClaimed(true);
    ++claimedCount_;
    --freeCount_;
    slot.device->StartReader();
    return std::move(slot.owned);
}

void THidDeviceController::takeBack(THidDevice* released, const THidDataEvent& reportHandler,
    const THidPlugEvent& unplugHandler, int pollInterval, std::unique_ptr<THidPnPInfo> pnp)
{
    const auto it = std::find_if(
        devices_.begin(), devices_.end(), [released](const Slot& slot) { return slot.device == released; });
    if (it == devices_.end())
        return;
    const bool wasClaimed = released->Claimed();
    if (!released->Present()) {
        devices_.erase(it);
        --unpluggedCount_;
        return;
    }
    try {
        auto fresh
            = std::make_unique<THidDevice>(std::move(pnp), this, platform_, onDeviceData_, onDeviceUnplug_);
        fresh->SetReportHandler(reportHandler);
        fresh->SetUnplugHandler(unplugHandler);
        fresh->SetPollInterval(pollInterval);
        it->device = fresh.get();
        it->owned = std::move(fresh);
        if (wasClaimed) {
            --claimedCount_;
            ++freeCount_;
        }
    } catch (const EControllerError&) {
        // The interface can no longer be opened: drop the slot rather than
        // keep a reference to the released object.
        devices_.erase(it);
        if (wasClaimed)
            --claimedCount_;
        else
            --freeCount_;
    }
}

void THidDeviceController::SetDevThreadSleepTime(int value)
{
    if (value == devThreadSleepTime_)
        return;
    for (const Slot& slot : devices_) {
        if (slot.device->PollInterval() == devThreadSleepTime_)
            slot.device->SetPollInterval(value);
    }
    devThreadSleepTime_ = value;
}

void THidDeviceController::SetOnDeviceChange(const THidNotifyEvent& handler)
{
    if (handler == onDeviceChange_)
        return;
    onDeviceChange_ = handler;
    DeviceChange();
    changeReported_ = true;
}

void THidDeviceController::SetOnDeviceData(const THidDataEvent& handler)
{
    if (handler == onDeviceData_)
        return;
    for (const Slot& slot : devices_) {
        if (slot.device->ReportHandler() == onDeviceData_)
            slot.device->SetReportHandler(handler);
    }
    onDeviceData_ = handler;
}

void THidDeviceController::SetOnDeviceDataError(const THidDataErrorEvent& handler)
{
    if (handler == onDeviceDataError_)
        return;
    for (const Slot& slot : devices_) {
        if (slot.device->ReadErrorHandler() == onDeviceDataError_)
            slot.device->SetReadErrorHandler(handler);
    }
    onDeviceDataError_ = handler;
}

void THidDeviceController::SetOnDeviceUnplug(const THidPlugEvent& handler)
{
    if (handler == onDeviceUnplug_)
        return;
    for (const Slot& slot : devices_) {
        if (slot.device->UnplugHandler() == onDeviceUnplug_)
            slot.device->SetUnplugHandler(handler);
    }
    onDeviceUnplug_ = handler;
}
