#include "records/reading_log.h"

#include "records/chart_pager.h"
#include "records/record_sink.h"
#include "records/whole_number.h"

#include <algorithm>
#include <exception>

const QList<ReadingLog::LimitItem>& ReadingLog::limitItems()
{
    static const QList<LimitItem> items {
        { "N10001", "1000", 1000 },
        { "N50001", "5000", 5000 },
        { "N100001", "10000", 10000 },
        { "N500001", "50000", 50000 },
        { "N1000001", "100000", 100000 },
        { "limitess", "limitless", 10000000 },
    };
    return items;
}

QString ReadingLog::limitReachedMessage(qint32 limit)
{
    return QStringLiteral("Record limit of %1 reached: new readings are not recorded.").arg(limit);
}

QString ReadingLog::unloggedMessage(qint64 count)
{
    return count == 1 ? QStringLiteral("1 reading could not be recorded.")
                      : QStringLiteral("%1 readings could not be recorded.").arg(count);
}

ReadingLog::ReadingLog(ChartPager& chart, RecordSink& sink, QObject* parent)
    : QObject(parent)
    , chart_(chart)
    , sink_(sink)
    , clock_([] { return QDateTime::currentDateTime(); })
{
}

void ReadingLog::reloadCountdown()
{
    // A negative interval would never count down and silently stop logging;
    // it means no interval, like 0.
    sampleCountdown_ = std::max(wholenumber::parseOrZero(intervalText_), 0);
}

void ReadingLog::RecordSITimeChange(const QString& text)
{
    intervalText_ = text;
    reloadCountdown();
}

void ReadingLog::TrecordTimer()
{
    if (recordSI_ && sampleCountdown_ > 0)
        --sampleCountdown_;
}

bool ReadingLog::atLimit()
{
    if (limitCount_ < recordLimit_)
        return false;
    if (!limitNotified_) {
        limitNotified_ = true;
        emit limitReached(recordLimit_);
    }
    return true;
}

void ReadingLog::INDataToTable(const ReadingState& reading)
{
    if (atLimit())
        return;
    if (recordSI_ && sampleCountdown_ != 0)
        return;

    const QString key = reading.ValueText + reading.AcDcText + reading.UnitText + reading.AutoText;
    if (repeatSet_ || key != lastLoggedKey_) {
        lastLoggedKey_ = key;
        reloadCountdown();
        LoggedRow row;
        row.value = reading.ValueText;
        row.Nval = reading.ReadingValue;
        row.stamp = clock_();
        row.time = row.stamp.time();
        row.chartValue = reading.ChartValue;
        row.frameText = reading.FrameText;
        row.no = recordNo_;
        row.acDc = reading.AcDcText;
        row.unit = reading.UnitText;
        row.autoText = reading.AutoText;
        try {
            sink_.appendRecord(row);
            ++limitCount_;
        } catch (const std::exception& e) {
            // The reading still reaches the chart; the window shows the refusal
            // and the count without holding up the link.
            ++unlogged_;
            emit rowRefused(QString::fromUtf8(e.what()), unlogged_);
        }
    }
    ++recordNo_;
    chart_.addPoint(reading.ChartValue);
    // Tell at once when this row filled the table, not only at the next reading.
    atLimit();
}

void ReadingLog::RecordNewClick()
{
    if (sink_.hasRecords())
        sink_.emptyRecords();
    recordNo_ = 1;
    limitCount_ = 0;
    unlogged_ = 0;
    limitNotified_ = false;
}

void ReadingLog::restoreRows(const QList<LoggedRow>& rows)
{
    for (const LoggedRow& row : rows) {
        sink_.restoreRecord(row);
        ++limitCount_;
        recordNo_ = std::max(recordNo_, row.no + 1);
        lastLoggedKey_ = row.value + row.acDc + row.unit + row.autoText;
        chart_.addPoint(row.chartValue);
    }
}

void ReadingLog::setRecordLimit(qint32 limit)
{
    recordLimit_ = limit;
    if (limitCount_ < recordLimit_)
        limitNotified_ = false;
}
