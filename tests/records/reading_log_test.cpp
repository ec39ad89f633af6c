#include "records/chart_pager.h"
#include "records/reading_log.h"
#include "records/record_sink.h"

#include <QSignalSpy>

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

/** Rows kept in a list; can be told to refuse rows like a closed table. */
class ListSink : public RecordSink {
public:
    void appendRecord(const LoggedRow& row) override
    {
        if (!refusal.isEmpty())
            throw std::runtime_error(refusal.toStdString());
        rows.append(row);
    }
    bool hasRecords() const override { return !rows.isEmpty(); }
    void emptyRecords() override
    {
        ++emptied;
        rows.clear();
    }
    QList<LoggedRow> rows;
    QString refusal;
    int emptied = 0;
};

ReadingState reading(const QString& value, const QString& acDc = QStringLiteral("DC"),
    const QString& unit = QStringLiteral("V"), const QString& autoText = QStringLiteral("AUTO"))
{
    ReadingState r;
    r.ValueText = value;
    r.ReadingValue = QString(value).remove(QLatin1Char(',')).remove(QLatin1Char('.')).toDouble();
    r.ChartValue = r.ReadingValue / 1000.0;
    r.AcDcText = acDc;
    r.UnitText = unit;
    r.AutoText = autoText;
    return r;
}

class ReadingLogTest : public ::testing::Test {
protected:
    ChartPager chart;
    ListSink sink;
    ReadingLog log { chart, sink };
};

TEST_F(ReadingLogTest, RowCarriesTheReadingNumberAndTime)
{
    const QDateTime now(QDate(2026, 12, 10), QTime(13, 45, 7, 250));
    log.setClock([now] { return now; });
    log.setRecordSI(false);
    ReadingState r = reading(
        QStringLiteral("-1,234"), QStringLiteral("AC"), QStringLiteral("k*"), QStringLiteral("MANU"));
    r.ReadingValue = -1234;
    r.ChartValue = -1.234;
    r.FrameText = QStringLiteral("A31234B00AD");
    log.INDataToTable(r);

    ASSERT_EQ(sink.rows.size(), 1);
    const LoggedRow& row = sink.rows.first();
    EXPECT_EQ(row.value, QStringLiteral("-1,234"));
    EXPECT_EQ(row.Nval, -1234);
    EXPECT_EQ(row.time, QTime(13, 45, 7, 250));
    EXPECT_EQ(row.stamp, now);
    EXPECT_EQ(row.chartValue, -1.234);
    EXPECT_EQ(row.frameText, QStringLiteral("A31234B00AD"));
    EXPECT_EQ(row.no, 1);
    EXPECT_EQ(row.acDc, QStringLiteral("AC"));
    EXPECT_EQ(row.unit, QStringLiteral("k*"));
    EXPECT_EQ(row.autoText, QStringLiteral("MANU"));
    EXPECT_EQ(log.RecordNo(), 2);
    ASSERT_EQ(chart.pointCount(), 2); // placeholder + the reading
    EXPECT_DOUBLE_EQ(chart.pointAt(1), -1.234);
}

struct SamplingCase {
    const char* name;
    bool recordSI;
    const char* interval;
    int seconds;
    int expectedRows;
};

class Sampling : public ReadingLogTest, public ::testing::WithParamInterface<SamplingCase> { };

// Readings arrive three times a second; the timer ticks after every third.
TEST_P(Sampling, LogsReadingsThatPassTheInterval)
{
    const SamplingCase& c = GetParam();
    log.setRecordSI(c.recordSI);
    log.setIntervalText(QString::fromLatin1(c.interval));
    int n = 0;
    for (int s = 0; s < c.seconds; ++s) {
        for (int i = 0; i < 3; ++i)
            log.INDataToTable(reading(QString::number(++n)));
        log.TrecordTimer();
    }
    EXPECT_EQ(sink.rows.size(), c.expectedRows);
}

INSTANTIATE_TEST_SUITE_P(ReadingLog, Sampling,
    ::testing::Values(SamplingCase { "OneSecond", true, "1", 10, 10 },
        SamplingCase { "TwoSeconds", true, "2", 10, 5 }, SamplingCase { "Zero", true, "0", 10, 30 },
        SamplingCase { "Empty", true, "", 10, 30 }, SamplingCase { "SignOnly", true, "-", 10, 30 },
        SamplingCase { "Unchecked", false, "5", 10, 30 },
        SamplingCase { "NegativeMeansNone", true, "-3", 10, 30 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReadingLogTest, IntervalChangeRestartsTheCountAtOnce)
{
    log.INDataToTable(reading(QStringLiteral("1"))); // logged, countdown 1
    log.RecordSITimeChange(QStringLiteral("3"));
    EXPECT_EQ(log.SampleCountdown(), 3);
    log.TrecordTimer();
    log.TrecordTimer();
    log.INDataToTable(reading(QStringLiteral("2")));
    log.TrecordTimer();
    log.INDataToTable(reading(QStringLiteral("3")));
    ASSERT_EQ(sink.rows.size(), 2);
    EXPECT_EQ(sink.rows[1].value, QStringLiteral("3"));
}

TEST_F(ReadingLogTest, TimerDoesNotCountWhileSamplingIsOff)
{
    log.RecordSITimeChange(QStringLiteral("2"));
    log.setRecordSI(false);
    log.TrecordTimer();
    EXPECT_EQ(log.SampleCountdown(), 2);
}

struct RepeatCase {
    const char* name;
    ReadingState second;
    bool repeatSet;
    int expectedRows;
};

class RepeatFilter : public ReadingLogTest, public ::testing::WithParamInterface<RepeatCase> { };

TEST_P(RepeatFilter, KeyDecidesWhetherTheReadingIsLogged)
{
    const RepeatCase& c = GetParam();
    log.setRecordSI(false);
    log.setRepeatSet(c.repeatSet);
    log.INDataToTable(reading(QStringLiteral("1.000")));
    log.INDataToTable(c.second);
    EXPECT_EQ(sink.rows.size(), c.expectedRows);
    EXPECT_EQ(log.RecordNo(), 3);
    EXPECT_EQ(chart.pointCount(), 3);
}

INSTANTIATE_TEST_SUITE_P(ReadingLog, RepeatFilter,
    ::testing::Values(RepeatCase { "SameSkipped", reading(QStringLiteral("1.000")), false, 1 },
        RepeatCase { "SameKeptWhenRepeatChecked", reading(QStringLiteral("1.000")), true, 2 },
        RepeatCase { "ValueDiffers", reading(QStringLiteral("1.001")), false, 2 },
        RepeatCase { "OnlyAutoDiffers",
            reading(
                QStringLiteral("1.000"), QStringLiteral("DC"), QStringLiteral("V"), QStringLiteral("MANU")),
            false, 2 },
        RepeatCase { "OnlyAcDcDiffers", reading(QStringLiteral("1.000"), QStringLiteral("AC")), false, 2 },
        RepeatCase { "OnlyUnitDiffers",
            reading(QStringLiteral("1.000"), QStringLiteral("DC"), QStringLiteral("mV")), false, 2 }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReadingLogTest, SkippedRepeatsUseUpNumbersAndStillPlot)
{
    log.setRepeatSet(false);
    log.INDataToTable(reading(QStringLiteral("2.500")));
    log.TrecordTimer();
    // The skipped repeats do not reload the countdown, so they all pass the sampling gate.
    for (int i = 0; i < 3; ++i)
        log.INDataToTable(reading(QStringLiteral("2.500")));
    log.INDataToTable(reading(QStringLiteral("2.600")));

    ASSERT_EQ(sink.rows.size(), 2);
    EXPECT_EQ(sink.rows[0].no, 1);
    EXPECT_EQ(sink.rows[1].no, 5);
    EXPECT_EQ(chart.pointCount(), 1 + 5);
}

TEST_F(ReadingLogTest, NewRestartsNumberingButKeepsTheRepeatKey)
{
    log.setRecordSI(false);
    log.setRepeatSet(false);
    log.INDataToTable(reading(QStringLiteral("1.000")));
    log.INDataToTable(reading(QStringLiteral("1.000")));
    log.RecordNewClick();
    EXPECT_EQ(sink.emptied, 1);
    EXPECT_TRUE(sink.rows.isEmpty());
    EXPECT_EQ(log.RecordNo(), 1);
    EXPECT_EQ(log.LimitCount(), 0);

    log.INDataToTable(reading(QStringLiteral("1.000")));
    EXPECT_TRUE(sink.rows.isEmpty()) << "unchanged reading after New";
    log.INDataToTable(reading(QStringLiteral("1.100")));
    ASSERT_EQ(sink.rows.size(), 1);
    EXPECT_EQ(sink.rows[0].no, 2);
}

TEST_F(ReadingLogTest, NewOnEmptyTableOnlyResetsCounters)
{
    log.INDataToTable(reading(QStringLiteral("1")));
    sink.rows.clear();
    const qint32 countdown = log.SampleCountdown();
    log.RecordNewClick();
    EXPECT_EQ(sink.emptied, 0);
    EXPECT_EQ(log.RecordNo(), 1);
    EXPECT_EQ(log.LimitCount(), 0);
    EXPECT_EQ(log.SampleCountdown(), countdown);
    EXPECT_EQ(log.LastLoggedKey(), QStringLiteral("1DCVAUTO"));
    EXPECT_EQ(ReadingLog::recordDeletedMessage(), QStringLiteral(" Record deleted "));
}

TEST(ReadingLogLimits, MenuEntries)
{
    const QList<ReadingLog::LimitItem>& items = ReadingLog::limitItems();
    const QList<qint32> expected { 1000, 5000, 10000, 50000, 100000, 10000000 };
    ASSERT_EQ(items.size(), expected.size());
    for (int i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i].limit, expected[i]) << items[i].caption;
    EXPECT_STREQ(items.last().caption, "limitless");
    EXPECT_STREQ(items[2].caption, "10000");
    EXPECT_EQ(ReadingLog::defaultRecordLimit, 10000);
}

TEST_F(ReadingLogTest, StopsAtExactlyTheLimitAndTellsOnce)
{
    QSignalSpy reached(&log, &ReadingLog::limitReached);
    log.setRecordSI(false);
    log.setRecordLimit(3);
    for (int i = 1; i <= 6; ++i)
        log.INDataToTable(reading(QString::number(i)));

    EXPECT_EQ(sink.rows.size(), 3);
    EXPECT_EQ(log.LimitCount(), 3);
    EXPECT_EQ(log.RecordNo(), 4);
    EXPECT_EQ(chart.pointCount(), 1 + 3) << "turned-away readings are not plotted";
    ASSERT_EQ(reached.count(), 1);
    EXPECT_EQ(reached.first().first().toInt(), 3);

    log.setRecordLimit(5); // a higher limit resumes logging
    for (int i = 7; i <= 10; ++i)
        log.INDataToTable(reading(QString::number(i)));
    EXPECT_EQ(sink.rows.size(), 5);
    EXPECT_EQ(reached.count(), 2);

    log.RecordNewClick();
    log.INDataToTable(reading(QStringLiteral("11")));
    EXPECT_EQ(sink.rows.size(), 1);
    EXPECT_EQ(sink.rows[0].no, 1);
}

TEST_F(ReadingLogTest, LoweringTheLimitBelowTheCountStopsLogging)
{
    QSignalSpy reached(&log, &ReadingLog::limitReached);
    log.setRecordSI(false);
    for (int i = 1; i <= 4; ++i)
        log.INDataToTable(reading(QString::number(i)));
    log.setRecordLimit(2);
    log.INDataToTable(reading(QStringLiteral("5")));
    log.INDataToTable(reading(QStringLiteral("6")));
    EXPECT_EQ(sink.rows.size(), 4);
    EXPECT_EQ(reached.count(), 1);
}

TEST_F(ReadingLogTest, RefusedRowsAreCountedAndTheReadingsStillPlotted)
{
    QSignalSpy refused(&log, &ReadingLog::rowRefused);
    log.setRecordSI(false);
    sink.refusal = QStringLiteral("Cannot perform this operation on a closed dataset");
    for (int i = 1; i <= 3; ++i)
        EXPECT_NO_THROW(log.INDataToTable(reading(QString::number(i))));
    ASSERT_EQ(refused.count(), 3);
    EXPECT_EQ(refused.at(0).at(0).toString(), "Cannot perform this operation on a closed dataset");
    EXPECT_EQ(refused.at(2).at(1).toLongLong(), 3);
    EXPECT_EQ(log.UnloggedCount(), 3);
    EXPECT_EQ(log.LimitCount(), 0) << "refused rows do not count towards the record limit";
    EXPECT_EQ(log.RecordNo(), 4) << "each reading used up its number";
    EXPECT_EQ(chart.pointCount(), 4) << "the chart goes on";
    EXPECT_EQ(ReadingLog::unloggedMessage(1), "1 reading could not be recorded.");
    EXPECT_EQ(ReadingLog::unloggedMessage(3), "3 readings could not be recorded.");

    // The table takes rows again: they carry the numbers that follow.
    sink.refusal.clear();
    log.INDataToTable(reading(QStringLiteral("4")));
    ASSERT_EQ(sink.rows.size(), 1);
    EXPECT_EQ(sink.rows[0].no, 4);
    EXPECT_EQ(log.UnloggedCount(), 3);
    log.RecordNewClick();
    EXPECT_EQ(log.UnloggedCount(), 0) << "New starts the count afresh";
}

TEST_F(ReadingLogTest, IntervalThatIsNoNumber)
{
    log.RecordSITimeChange(QStringLiteral("4"));
    EXPECT_THROW(
        {
            try {
                log.RecordSITimeChange(QStringLiteral("1x"));
            } catch (const std::invalid_argument& e) {
                EXPECT_STREQ(e.what(), "'1x' is not a valid integer value");
                throw;
            }
        },
        std::invalid_argument);
    EXPECT_EQ(log.SampleCountdown(), 4) << "countdown keeps its value";

    // At the next logged reading the text fails again: no row, no number, no point.
    for (int i = 0; i < 4; ++i)
        log.TrecordTimer();
    EXPECT_THROW(log.INDataToTable(reading(QStringLiteral("7"))), std::invalid_argument);
    EXPECT_TRUE(sink.rows.isEmpty());
    EXPECT_EQ(log.RecordNo(), 1);
    EXPECT_EQ(chart.pointCount(), 1);
    EXPECT_EQ(log.LastLoggedKey(), QStringLiteral("7DCVAUTO"));
}

TEST_F(ReadingLogTest, FollowsTheLastPageWhilePointsArrive)
{
    log.setRecordSI(false);
    chart.setPointsPerPage(10);
    for (int i = 0; i < 25; ++i)
        log.INDataToTable(reading(QString::number(i)));
    EXPECT_EQ(chart.page(), 3);
    EXPECT_EQ(chart.pageCaption(), QStringLiteral("3"));
}

// Rows brought back from the journal: numbering goes on after them, they fill
// the record limit, and an unchanged next reading counts as a repeat.
TEST_F(ReadingLogTest, RestoredRowsContinueTheLog)
{
    QList<LoggedRow> restored;
    for (qint32 no : { 7, 8, 10 }) {
        LoggedRow row;
        row.no = no;
        row.value = QStringLiteral("1,000");
        row.acDc = QStringLiteral("DC");
        row.unit = QStringLiteral("V");
        row.autoText = QStringLiteral("AUTO");
        row.chartValue = no / 10.0;
        restored.append(row);
    }
    log.setRecordLimit(4);
    log.restoreRows(restored);
    EXPECT_EQ(sink.rows.size(), 3);
    EXPECT_EQ(log.RecordNo(), 11);
    EXPECT_EQ(log.LimitCount(), 3);
    ASSERT_EQ(chart.pointCount(), 4); // placeholder + the three rows
    EXPECT_DOUBLE_EQ(chart.pointAt(3), 1.0);

    log.setRecordSI(false);
    log.setRepeatSet(false);
    log.INDataToTable(reading(QStringLiteral("1,000")));
    EXPECT_EQ(sink.rows.size(), 3) << "the same reading as the last restored row is a repeat";
    log.INDataToTable(reading(QStringLiteral("1,001")));
    ASSERT_EQ(sink.rows.size(), 4);
    EXPECT_EQ(sink.rows.last().no, 12);
    log.INDataToTable(reading(QStringLiteral("1,002")));
    EXPECT_EQ(sink.rows.size(), 4) << "restored rows count towards the record limit";
}

} // namespace
