#pragma once

#include "metersim/mode_frame.h"
#include "metersim/segment_frame.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QStringList>

#include <optional>
#include <variant>
#include <vector>

namespace metersim {

/** Which of the meter's two frame formats a simulated meter sends. */
enum class FrameFormat { Mode, Segment };

/**
 * The sequence of frames a simulated meter sends: either the frames of a
 * script, repeated in order, or a random walk of DC voltage readings.
 */
class ReadingScript {
public:
    using Frame = std::variant<ModeFrame, SegmentFrame>;

    /**
     * Script from lines in the format's syntax (see ModeFrame::parse and
     * SegmentFrame::parse); blank lines and lines starting with '#' are skipped.
     * Empty with @p error set (naming the line) when a line is bad or no frame is left.
     */
    static std::optional<ReadingScript> fromLines(
        const QStringList& lines, FrameFormat format, QString* error = nullptr);
    /** Random readings, reproducible for one @p seed. */
    static ReadingScript random(FrameFormat format, quint32 seed);

    /** Bytes of the next frame on the wire. */
    QByteArray nextFrame();
    /** The scripted frames (empty for random readings). */
    const std::vector<Frame>& frames() const { return frames_; }

private:
    ReadingScript(FrameFormat format, quint32 seed);
    Frame randomFrame();

    FrameFormat format_;
    std::vector<Frame> frames_;
    std::size_t next_ = 0;
    QRandomGenerator random_;
    int walk_ = 1234;
};

/** Wire bytes of a frame of either format. */
QByteArray frameBytes(const ReadingScript::Frame& frame);
/** FrameText that frame assembly delivers for a frame of either format. */
QString frameText(const ReadingScript::Frame& frame);

} // namespace metersim
