#pragma once

#include "records/record_sink.h"

#include <QFile>
#include <QString>

#include <memory>

/**
 * Where the logger streams its rows as they are logged: a CSV or JSON Lines
 * file, or standard output. Every row is written and flushed at once, so a
 * reader following the file (tail -f, a test script) sees it immediately and
 * a kill leaves complete lines only.
 */
class RowWriter {
public:
    virtual ~RowWriter() = default;

    /** Opens @p path ("-" is standard output); false with @p error set when it cannot be written. */
    bool open(const QString& path, QString* error);
    /** Writes one row; @p verdict is "Pass", "Fail" or empty when no limits were given. */
    bool write(const LoggedRow& row, const QString& verdict);
    /** Flushes and closes; false with @p error set when that failed. */
    bool close(QString* error);

    /** Whether the rows carry the verdict column (set before open()). */
    void setVerdictColumn(bool on) { verdictColumn_ = on; }
    QString path() const { return path_; }
    QString errorString() const { return file_.errorString(); }

protected:
    /** What goes first in the file; empty for none. */
    virtual QByteArray header() const = 0;
    /** The bytes of one row, its line end included. */
    virtual QByteArray line(const LoggedRow& row, const QString& verdict) const = 0;
    bool verdictColumn() const { return verdictColumn_; }

private:
    QFile file_;
    QString path_;
    bool verdictColumn_ = false;
};

/** CSV with date and time, as the window saves it, with a "Verdict" column when limits were given. */
class CsvRowWriter : public RowWriter {
protected:
    QByteArray header() const override;
    QByteArray line(const LoggedRow& row, const QString& verdict) const override;
};

/** One JSON object a line: no, time (ISO 8601 with offset), acdc, value (a number, or null), text, unit,
 * auto[, verdict]. */
class JsonLinesRowWriter : public RowWriter {
protected:
    QByteArray header() const override { return {}; }
    QByteArray line(const LoggedRow& row, const QString& verdict) const override;
};

/**
 * Whether @p path ("-" is standard output) can be written, without touching
 * it: an existing file that may be written, or a new one in a folder that
 * may be written. False with @p error set to the reason otherwise.
 */
bool outputWritable(const QString& path, QString* error);

/** A writer for a streamed format; null for the formats written at the end. */
std::unique_ptr<RowWriter> makeRowWriter(const QString& output);
