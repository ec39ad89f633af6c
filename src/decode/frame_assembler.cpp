#include "decode/frame_assembler.h"

namespace {

constexpr char hexDigit(int nibble)
{
    return "0123456789ABCDEF"[nibble & 0x0F];
}

bool segmentFrameGood(const QString& high, const QString& /*low*/)
{
    return high == QLatin1String("123456789ABCDE");
}

bool modeFrameGood(const QString& /*high*/, const QString& low)
{
    // The 1st and 11th low digits; a missing one contributes nothing.
    QString check;
    if (low.size() >= 1)
        check += low.at(0);
    if (low.size() >= 11)
        check += low.at(10);
    return check == QLatin1String("AD");
}

} // namespace

FrameAssembler::FrameAssembler(ReadingState& state)
    : state_(state)
{
    high_.reserve(MaxAccumulatedBytes);
    low_.reserve(MaxAccumulatedBytes);
}

void FrameAssembler::setSegmentFrameHandler(std::function<void()> handler)
{
    segmentHandler_ = std::move(handler);
}

void FrameAssembler::setModeFrameHandler(std::function<void()> handler)
{
    modeHandler_ = std::move(handler);
}

void FrameAssembler::H20VRData(const QByteArray& data)
{
    deliver(Format::Segment, data);
}

void FrameAssembler::H40VRData(const QByteArray& data)
{
    deliver(Format::Mode, data);
}

void FrameAssembler::deliver(Format format, const QByteArray& data)
{
    waiting_.emplace_back(format, data);
    if (delivering_)
        return;
    delivering_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done { delivering_ };
    while (!waiting_.empty()) {
        auto [next, bytes] = std::move(waiting_.front());
        waiting_.pop_front();
        if (next == Format::Segment)
            frameSegments(bytes);
        else
            frameModes(bytes);
    }
}

void FrameAssembler::frameSegments(const QByteArray& data)
{
    for (const char c : data) {
        const auto byte = static_cast<unsigned char>(c);
        const char high = hexDigit(byte >> 4);
        const char low = hexDigit(byte);
        if (high != 'E')
            append(high, low);
        else
            endFrame(high, low, segmentFrameGood, segmentHandler_);
    }
}

void FrameAssembler::frameModes(const QByteArray& data)
{
    for (const char c : data) {
        const auto byte = static_cast<unsigned char>(c);
        const char high = hexDigit(byte >> 4);
        const char low = hexDigit(byte);
        if (byte != 0x0D)
            append(high, low);
        else
            endFrame(high, low, modeFrameGood, modeHandler_);
    }
}

void FrameAssembler::append(char high, char low)
{
    if (low_.size() >= MaxAccumulatedBytes) {
        // Noise without frame ends: start afresh rather than grow without bound.
        high_.clear();
        low_.clear();
    }
    high_ += QLatin1Char(high);
    low_ += QLatin1Char(low);
}

void FrameAssembler::endFrame(
    char high, char low, bool (*check)(const QString&, const QString&), const std::function<void()>& decoder)
{
    high_ += QLatin1Char(high);
    low_ += QLatin1Char(low);
    state_.FrameText = low_;
    const bool good = check(high_, low_);
    // Emptied before the decoder runs, so the next frame starts from scratch
    // even when the decoder does not return normally.
    high_.clear();
    low_.clear();
    if (good && decoder)
        decoder();
}

void FrameAssembler::reset()
{
    high_.clear();
    low_.clear();
}
