#pragma once

#include "decode/reading_state.h"

#include <QDateTime>
#include <QList>
#include <QObject>

#include <functional>

class ChartPager;
class RecordSink;
struct LoggedRow;

/**
 * The reading log: decides for every decoded reading whether it becomes a
 * row of the records table, numbers and stamps it, and adds the point to the
 * trend chart.
 *
 * The controls it reads (RecordSI, RepeatSet, the text of RecordSITime) are
 * plain inputs, and the once-a-second tick and the time of day are injected,
 * so the rules run without widgets or a real clock.
 *
 * Record limit: LimitCount counts the rows appended since the last New; once
 * it reaches RecordLimit no further reading is logged or plotted, and
 * limitReached() is emitted once.
 *
 * A row the records table refuses (a closed table, a missing field) does not
 * stop the reading: it is numbered and plotted as usual, counted in
 * UnloggedCount(), and rowRefused() tells the window, which shows it without
 * waiting.
 */
class ReadingLog : public QObject {
    Q_OBJECT
public:
    /** An entry of the Record menu's limit list. */
    struct LimitItem {
        const char* objectName;
        const char* caption;
        qint32 limit;
    };
    /** The six limit entries in menu order ("1000" … "limitless"). */
    static const QList<LimitItem>& limitItems();
    /** RecordLimit at start: the checked entry "10000". */
    static constexpr qint32 defaultRecordLimit = 10000;

    /** The information text of New (with its leading and trailing blank). */
    static QString recordDeletedMessage() { return QStringLiteral(" Record deleted "); }
    /** The notice shown once when logging stops at the record limit. */
    static QString limitReachedMessage(qint32 limit);
    /** The line that counts the readings the records table refused. */
    static QString unloggedMessage(qint64 count);

    ReadingLog(ChartPager& chart, RecordSink& sink, QObject* parent = nullptr);

    /** Replaces the clock whose local date-time is stamped into each row. */
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

    void setRecordSI(bool checked) { recordSI_ = checked; }
    void setRepeatSet(bool checked) { repeatSet_ = checked; }
    /** Takes the interval text without touching the countdown (the box's start text). */
    void setIntervalText(const QString& text) { intervalText_ = text; }

    /**
     * Change of RecordSITime: stores the text and reloads the countdown at
     * once. A text that is no whole number throws std::invalid_argument and
     * leaves the countdown as it was.
     */
    void RecordSITimeChange(const QString& text);
    /** Tick of Trecord, once a second: counts the sampling interval down. */
    void TrecordTimer();

    /**
     * Logs the reading if the record limit, the sampling interval and the
     * repeat filter let it through. A row the records table refuses is
     * counted and reported through rowRefused(); the reading is still
     * numbered and plotted. An interval text that is no whole number is
     * thrown to the caller; the reading is then neither numbered nor plotted.
     */
    void INDataToTable(const ReadingState& reading);

    /** The New command, after its message was shown: empties the table, numbering restarts at 1. */
    void RecordNewClick();

    /**
     * Puts rows brought back from the journal into the table and the chart,
     * as if they had just been logged: numbering continues after the last of
     * them, they count towards the record limit, and the repeat filter
     * compares the next reading with the last of them.
     */
    void restoreRows(const QList<LoggedRow>& rows);

    void setRecordLimit(qint32 limit);
    qint32 RecordLimit() const { return recordLimit_; }
    qint32 RecordNo() const { return recordNo_; }
    qint32 LimitCount() const { return limitCount_; }
    qint32 SampleCountdown() const { return sampleCountdown_; }
    /** Readings whose row the records table refused, since start or the last New. */
    qint64 UnloggedCount() const { return unlogged_; }
    QString LastLoggedKey() const { return lastLoggedKey_; }

signals:
    /** Logging stopped because the table holds RecordLimit rows; emitted once until New or a higher limit. */
    void limitReached(qint32 limit);
    /**
     * The records table refused a row with @p message; @p unlogged readings
     * have been refused since start or the last New, this one included.
     */
    void rowRefused(const QString& message, qint64 unlogged);

private:
    void reloadCountdown();
    bool atLimit();

    ChartPager& chart_;
    RecordSink& sink_;
    std::function<QDateTime()> clock_;

    bool recordSI_ = true;
    bool repeatSet_ = true;
    QString intervalText_ = QStringLiteral("1");

    qint32 recordNo_ = 1;
    qint32 recordLimit_ = defaultRecordLimit;
    qint32 limitCount_ = 0;
    qint32 sampleCountdown_ = 0;
    qint64 unlogged_ = 0;
    QString lastLoggedKey_;
    bool limitNotified_ = false;
};
