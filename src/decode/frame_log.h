#pragma once

#include <QString>
#include <QStringList>

#include <deque>

/**
 * The hidden log of received mode frames (`Memo1`): one `FrameText` per
 * line, oldest first. It keeps only the most recent lines so that a meter
 * streaming for days cannot exhaust memory.
 */
class FrameLog {
public:
    /** Lines kept when no capacity is given. */
    static constexpr int DefaultCapacity = 2000;

    /** A log keeping at most `capacity` lines (at least one). */
    explicit FrameLog(int capacity = DefaultCapacity);

    /** Append a line, dropping the oldest one when the log is full. */
    void append(const QString& line);
    void clear();

    int capacity() const { return capacity_; }
    int size() const { return int(lines_.size()); }
    bool isEmpty() const { return lines_.empty(); }
    /** Line `index`, 0 being the oldest kept; empty when out of range. */
    QString line(int index) const;
    /** The most recent line, or empty. */
    QString last() const;
    /** All kept lines, oldest first. */
    QStringList lines() const;
    /** Lines appended since construction or the last clear(), dropped ones included. */
    qint64 totalAppended() const { return totalAppended_; }

private:
    std::deque<QString> lines_;
    int capacity_;
    qint64 totalAppended_ = 0;
};
