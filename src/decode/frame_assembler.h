#pragma once

#include "decode/reading_state.h"

#include <QByteArray>
#include <QString>

#include <deque>
#include <functional>

/**
 * Turns the meter's byte stream into one complete frame at a time.
 *
 * Every received byte is held as its two upper-case hex digits: the high
 * digit goes to FrameHighDigits, the low digit to FrameLowDigits. At a frame
 * end the low digits become ReadingState::FrameText and, when the frame
 * passes its check, the decoder handler runs at once, before the next byte of
 * the same batch is looked at. Both accumulators are emptied at every frame
 * end, good or bad.
 *
 * - H20VRData (segment frames): a byte with high digit E ends a frame; the
 *   frame is good when its high digits read exactly "123456789ABCDE".
 * - H40VRData (mode frames): the byte 0x0D ends a frame; the frame is good
 *   when the 1st and 11th low digits read "A" and "D".
 *
 * A line that never sends a frame end cannot grow the accumulators past
 * MaxAccumulatedBytes: a byte that would exceed it starts them afresh.
 *
 * Delivery is not re-entrant: bytes handed in while a decoder runs (because
 * something inside it let the event loop poll the port again) wait, and are
 * framed after the rest of the batch being decoded, in arrival order.
 */
class FrameAssembler {
public:
    /** Bytes held at most between two frame ends; far above any real frame (11 or 14 bytes). */
    static constexpr int MaxAccumulatedBytes = 256;

    /** The assembler writes FrameText of @p state, which must outlive it. */
    explicit FrameAssembler(ReadingState& state);

    /** Decoder of segment frames (LcdDisplay20V); reads FrameText. */
    void setSegmentFrameHandler(std::function<void()> handler);
    /** Decoder of mode frames (LcdDisplay40V); reads FrameText. */
    void setModeFrameHandler(std::function<void()> handler);

    /** Receive handler for segment frames (14 bytes tagged 1..E in their high nibbles). */
    void H20VRData(const QByteArray& data);
    /** Receive handler for mode frames (9 data bytes, CR, LF). */
    void H40VRData(const QByteArray& data);

    /**
     * Drops the bytes of an unfinished frame, so that a stream that broke
     * off (a link lost and reopened) cannot join them to later bytes.
     */
    void reset();

    /** High hex digits of the bytes since the last frame end. */
    const QString& FrameHighDigits() const { return high_; }
    /** Low hex digits of the bytes since the last frame end. */
    const QString& FrameLowDigits() const { return low_; }

private:
    enum class Format { Segment, Mode };

    /** Queues @p data and, unless a delivery is already under way, frames the queue. */
    void deliver(Format format, const QByteArray& data);
    void frameSegments(const QByteArray& data);
    void frameModes(const QByteArray& data);
    void append(char high, char low);
    void endFrame(char high, char low, bool (*check)(const QString& high, const QString& low),
        const std::function<void()>& decoder);

    ReadingState& state_;
    std::function<void()> segmentHandler_;
    std::function<void()> modeHandler_;
    QString high_;
    QString low_;
    std::deque<std::pair<Format, QByteArray>> waiting_;
    bool delivering_ = false;
};
