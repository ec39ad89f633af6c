#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class HidPlatformHandle;
class THidDevice;

/**
 * The read thread of one claimed device. It waits for input reports in
 * slices of the device's poll interval and hands each one to the UI thread,
 * blocking until the handler has run. A stop request ends any wait at once,
 * including a hand-over the UI thread has not started yet, which is then
 * withdrawn; so stopping never depends on the UI thread running events.
 */
class THidDeviceReadThread {
public:
    /** @p reportLength is the device's input report length, report id included. */
    THidDeviceReadThread(THidDevice& owner, std::size_t reportLength);
    /** Stops the thread and waits for it. */
    ~THidDeviceReadThread();

    THidDeviceReadThread(const THidDeviceReadThread&) = delete;
    THidDeviceReadThread& operator=(const THidDeviceReadThread&) = delete;

    void start();
    /** Asks the thread to end and wakes it from any wait. Any thread may call it. */
    void requestStop();
    /** Waits until the thread has ended. */
    void wait();

    /** Platform error code of the last read request that could not be issued. */
    uint32_t LastError() const;

private:
    struct Shared;

    void run();
    bool stopRequested() const;
    /** Runs @p call on the UI thread and waits for it; false when a stop came first. */
    bool handOver(std::function<void()> call);
    /** Sleeps up to @p milliseconds, less when a stop comes. */
    void pause(int milliseconds);

    THidDevice& owner_;
    std::shared_ptr<std::vector<uint8_t>> ReportBuffer;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
};
