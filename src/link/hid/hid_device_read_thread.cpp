#include "link/hid/hid_device_read_thread.h"

#include "link/hid/hid_device.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>

// State the reader shares with the UI thread and with the hand-over calls it
// queued; a queued call keeps it alive even after the reader has gone.
struct THidDeviceReadThread::Shared {
    enum HandOverState { Idle, Queued, Running, Done, Withdrawn };

    std::mutex mutex;
    std::condition_variable wakeUp;
    bool stop = false;
    std::shared_ptr<HidPlatformHandle> waitingOn; ///< handle of a read in progress
    uint64_t handOverSeq = 0;
    HandOverState handOverState = Idle;
    uint32_t lastError = 0;
};

THidDeviceReadThread::THidDeviceReadThread(THidDevice& owner, std::size_t reportLength)
    : owner_(owner)
    , ReportBuffer(std::make_shared<std::vector<uint8_t>>(reportLength))
    , shared_(std::make_shared<Shared>())
{
}

THidDeviceReadThread::~THidDeviceReadThread()
{
    requestStop();
    wait();
}

void THidDeviceReadThread::start()
{
    if (!thread_.joinable())
        thread_ = std::thread(&THidDeviceReadThread::run, this);
}

void THidDeviceReadThread::requestStop()
{
    std::shared_ptr<HidPlatformHandle> handle;
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stop = true;
        handle = shared_->waitingOn;
    }
    if (handle)
        handle->cancel();
    shared_->wakeUp.notify_all();
}

void THidDeviceReadThread::wait()
{
    if (thread_.joinable())
        thread_.join();
}

uint32_t THidDeviceReadThread::LastError() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->lastError;
}

bool THidDeviceReadThread::stopRequested() const
{
    std::lock_guard lock(shared_->mutex);
    return shared_->stop;
}

void THidDeviceReadThread::pause(int milliseconds)
{
    std::unique_lock lock(shared_->mutex);
    shared_->wakeUp.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return shared_->stop; });
}

bool THidDeviceReadThread::handOver(std::function<void()> call)
{
    const std::shared_ptr<Shared> shared = shared_;
    uint64_t seq = 0;
    {
        std::lock_guard lock(shared->mutex);
        if (shared->stop)
            return false;
        seq = ++shared->handOverSeq;
        shared->handOverState = Shared::Queued;
    }
    QMetaObject::invokeMethod(
        owner_.handOverContext(),
        [shared, seq, call = std::move(call)] {
            {
                std::lock_guard lock(shared->mutex);
                if (shared->handOverSeq != seq || shared->handOverState != Shared::Queued)
                    return; // withdrawn by a stop
                shared->handOverState = Shared::Running;
            }
            call();
            {
                std::lock_guard lock(shared->mutex);
                if (shared->handOverSeq == seq)
                    shared->handOverState = Shared::Done;
            }
            shared->wakeUp.notify_all();
        },
        Qt::QueuedConnection);

    std::unique_lock lock(shared->mutex);
    shared->wakeUp.wait(lock, [&] { return shared->handOverState == Shared::Done || shared->stop; });
    if (shared->handOverState == Shared::Done)
        return true;
    // Stopped first. A call not yet begun never runs; one already running
    // (the stop came from inside a handler) owns everything it uses.
    if (shared->handOverState == Shared::Queued)
        shared->handOverState = Shared::Withdrawn;
    return false;
}

void THidDeviceReadThread::run()
{
    THidDevice* const device = &owner_;
    while (!stopRequested()) {
        std::vector<uint8_t>& buffer = *ReportBuffer;
        std::fill(buffer.begin(), buffer.end(), uint8_t(0));

        uint32_t error = 0;
        std::shared_ptr<HidPlatformHandle> handle = owner_.BeginRead(error);
        if (!handle) {
            {
                std::lock_guard lock(shared_->mutex);
                shared_->lastError = error;
            }
            handOver([device, error] {
                // A copy: the handler may replace itself while it runs.
                if (const THidDataErrorEvent handler = device->ReadErrorHandler())
                    handler(device, error);
            });
            // A device that is gone fails every request; one report per wait
            // slice keeps the reader from spinning.
            pause(owner_.PollInterval());
            continue;
        }

        {
            std::lock_guard lock(shared_->mutex);
            if (shared_->stop)
                break;
            shared_->waitingOn = handle;
        }
        HidReadResult result;
        do {
            result = handle->read(buffer.data(), buffer.size(), owner_.PollInterval());
        } while (result.status == HidReadResult::TimedOut && !stopRequested());
        {
            std::lock_guard lock(shared_->mutex);
            shared_->waitingOn.reset();
        }
        if (stopRequested())
            break;
        if (result.status == HidReadResult::Failed) {
            pause(owner_.PollInterval()); // a broken handle fails at once; do not spin on it
            continue;
        }
        if (result.status != HidReadResult::Completed || result.bytes == 0 || !owner_.stillReading(handle))
            continue;

        const std::shared_ptr<std::vector<uint8_t>> report = ReportBuffer;
        const std::size_t bytes = std::min(result.bytes, report->size());
        handOver([device, report, bytes] {
            if (const THidDataEvent handler = device->ReportHandler())
                handler(device, (*report)[0], report->data() + 1, uint16_t(bytes - 1));
        });
    }
}
