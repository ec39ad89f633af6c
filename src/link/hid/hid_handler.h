#pragma once

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

/**
 * A callable with an identity: two handlers compare equal when they were
 * made from the same assignment (copies share it). The controller needs this
 * to tell which devices still carry its own default handlers.
 */
template <typename Signature> class HidHandler {
public:
    HidHandler() = default;
    template <typename F>
    requires(
        !std::is_same_v<std::decay_t<F>, HidHandler> && std::is_constructible_v<std::function<Signature>, F>)
        HidHandler(F&& f)
    {
        std::function<Signature> fn(std::forward<F>(f));
        if (fn)
            fn_ = std::make_shared<const std::function<Signature>>(std::move(fn));
    }

    explicit operator bool() const { return fn_ != nullptr; }

    template <typename... Args> decltype(auto) operator()(Args&&... args) const
    {
        return (*fn_)(std::forward<Args>(args)...);
    }

    friend bool operator==(const HidHandler& a, const HidHandler& b) { return a.fn_ == b.fn_; }

private:
    std::shared_ptr<const std::function<Signature>> fn_;
};

class THidDevice;

/** A device came or went. */
using THidPlugEvent = HidHandler<void(THidDevice* HidDev)>;
/** One device during an enumeration; false stops it. */
using THidEnumerateEvent = HidHandler<bool(THidDevice* HidDev, int Idx)>;
/** One input report: its id and its data, valid during the call only. */
using THidDataEvent
    = HidHandler<void(THidDevice* HidDev, uint8_t ReportID, const uint8_t* Data, uint16_t Size)>;
/** A read request could not be issued. */
using THidDataErrorEvent = HidHandler<void(THidDevice* HidDev, uint32_t Error)>;
/** Something about the controller changed. */
using THidNotifyEvent = HidHandler<void()>;
