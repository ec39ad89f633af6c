#include "decode/frame_log.h"

#include <algorithm>

FrameLog::FrameLog(int capacity)
    : capacity_(std::max(1, capacity))
{
}

void FrameLog::append(const QString& line)
{
    if (int(lines_.size()) >= capacity_)
        lines_.pop_front();
    lines_.push_back(line);
    ++totalAppended_;
}

void FrameLog::clear()
{
    lines_.clear();
    totalAppended_ = 0;
}

QString FrameLog::line(int index) const
{
    if (index < 0 || index >= int(lines_.size()))
        return {};
    return lines_[std::size_t(index)];
}

QString FrameLog::last() const
{
    return lines_.empty() ? QString() : lines_.back();
}

QStringList FrameLog::lines() const
{
    QStringList out;
    out.reserve(int(lines_.size()));
    for (const auto& l : lines_)
        out.append(l);
    return out;
}
