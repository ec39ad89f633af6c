#pragma once

#include <QDateTime>
#include <QString>
#include <QTime>

/** One logged reading, as the reading log hands it to the records table and the journal. */
struct LoggedRow {
    QString value; ///< "value": the value text as displayed
    double Nval = 0; ///< "Nval": the signed count without decimal point
    QTime time; ///< "time": local time of day
    qint32 no = 0; ///< "no": the record number
    QString acDc; ///< "DC/AC"
    QString unit; ///< "unit", in display glyph codes
    QString autoText; ///< "Auto"
    QDateTime stamp; ///< full local date-time of @c time; null for rows that carry no date
    double chartValue = 0; ///< the point the trend chart got
    QString frameText; ///< the raw frame the reading was decoded from
};

/**
 * Where the reading log puts its rows: the records table in the program, a
 * plain list in tests. Failures are thrown and reach the window unchanged.
 */
class RecordSink {
public:
    virtual ~RecordSink() = default;
    /** Appends and posts one row; throws when the table refuses it. */
    virtual void appendRecord(const LoggedRow& row) = 0;
    virtual bool hasRecords() const = 0;
    /** Removes every row; the table stays open. */
    virtual void emptyRecords() = 0;
    /** Appends a row brought back from the journal; it is in the journal already. */
    virtual void restoreRecord(const LoggedRow& row) { appendRecord(row); }
};
