#include "metersim/reading_script.h"

namespace metersim {

ReadingScript::ReadingScript(FrameFormat format, quint32 seed)
    : format_(format)
    , random_(seed)
{
}

std::optional<ReadingScript> ReadingScript::fromLines(
    const QStringList& lines, FrameFormat format, QString* error)
{
    ReadingScript script(format, 0);
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QString why;
        std::optional<Frame> frame;
        if (format == FrameFormat::Mode) {
            if (auto f = ModeFrame::parse(line, &why))
                frame = *f;
        } else if (auto f = SegmentFrame::parse(line, &why)) {
            frame = *f;
        }
        if (!frame) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(i + 1).arg(why);
            return std::nullopt;
        }
        script.frames_.push_back(*frame);
    }
    if (script.frames_.empty()) {
        if (error)
            *error = QStringLiteral("the script holds no reading");
        return std::nullopt;
    }
    return script;
}

ReadingScript ReadingScript::random(FrameFormat format, quint32 seed)
{
    return ReadingScript(format, seed);
}

QByteArray ReadingScript::nextFrame()
{
    if (frames_.empty())
        return frameBytes(randomFrame());
    const Frame& frame = frames_[next_];
    next_ = (next_ + 1) % frames_.size();
    return frameBytes(frame);
}

ReadingScript::Frame ReadingScript::randomFrame()
{
    // A slowly drifting DC voltage between -3999 and 3999 counts on the 4 V range.
    walk_ = std::clamp(walk_ + random_.bounded(-40, 41), -3999, 3999);
    const QString digits = QStringLiteral("%1").arg(std::abs(walk_), 4, 10, QLatin1Char('0'));
    if (format_ == FrameFormat::Mode)
        return ModeFrame { .range = 1, .digits = digits, .minus = walk_ < 0, .dc = true, .autoRange = true };
    return SegmentFrame {
        .digits = digits, .dc = true, .autoRange = true, .minus = walk_ < 0, .point1 = true, .volt = true
    };
}

QByteArray frameBytes(const ReadingScript::Frame& frame)
{
    return std::visit([](const auto& f) { return f.bytes(); }, frame);
}

QString frameText(const ReadingScript::Frame& frame)
{
    return std::visit([](const auto& f) { return f.frameText(); }, frame);
}

} // namespace metersim
