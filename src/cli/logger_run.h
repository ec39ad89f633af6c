#pragma once

#include "cli/logger_options.h"
#include "cli/status_line.h"
#include "records/record_sink.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class HidPlatform;
class Journal;
class UsbCableLink;
class RecordsJournal;
class ReadingPipeline;
class RowWriter;
class SerialLinkSupervisor;
class TComPortDriver;

/**
 * One logging run of brenmoor5082-log: opens the output, the journal and the
 * link, runs every received byte through the same reading pipeline as the
 * window, and ends on a stop signal, --duration, --count or the record limit
 * with the output flushed and closed and the journal committed.
 *
 * Rows are journaled as they are logged. CSV and JSON Lines are streamed row
 * by row; text and Paradox files are written at the end from the journal's
 * rows, so a killed run loses nothing the journal holds.
 */
class LoggerRun : public QObject, private RecordSink {
    Q_OBJECT
public:
    /**
     * Messages go to @p err (standard error); the status line too when it is
     * a terminal. @p hidPlatform serves --usb; null gives the Linux one.
     */
    LoggerRun(const LoggerOptions& options, std::FILE* err,
        std::unique_ptr<HidPlatform> hidPlatform = nullptr, QObject* parent = nullptr);
    ~LoggerRun() override;

    /**
     * Opens everything and starts logging. Returns an exit code when the run
     * cannot start (bad output, a port that cannot be opened); otherwise
     * nothing, and finished() follows.
     */
    std::optional<int> start();
    /** Ends the run as a stop signal does: exit code 0 unless writing failed. */
    void stop();

    qint64 rowsLogged() const { return rows_; }

signals:
    /** The run ended; the process should exit with @p exitCode. */
    void finished(int exitCode);

private:
    // RecordSink: every row the reading log appends.
    void appendRecord(const LoggedRow& row) override;
    bool hasRecords() const override { return rows_ > 0; }
    void emptyRecords() override { }

    std::optional<int> openSerial();
    std::optional<int> openUsb();
    void usbMessage(const QString& text);
    void meterSilent();
    void linkLost(const QDateTime& when);
    void linkBack(const QDateTime& when);
    void finish(int exitCode);
    void say(const QString& line);
    void updateStatus(bool force = false);
    QString linkText() const;

    LoggerOptions options_;
    std::FILE* err_;
    StatusLine status_;
    std::unique_ptr<Journal> journal_;
    std::unique_ptr<RecordsJournal> records_;
    std::unique_ptr<RowWriter> writer_;
    std::unique_ptr<ReadingPipeline> pipeline_;
    std::unique_ptr<TComPortDriver> driver_;
    std::unique_ptr<SerialLinkSupervisor> link_;
    std::unique_ptr<HidPlatform> hidPlatform_; ///< outlives the cable link
    std::unique_ptr<UsbCableLink> usb_;
    bool usbDown_ = false; ///< "USB Connect", held down while the run lasts
    QTimer connectionTimer_;
    QTimer sampleTimer_; ///< the window's Trecord: counts the sampling interval down
    QTimer durationTimer_;
    QTimer statusTimer_;
    qint64 rows_ = 0;
    QString lastReading_;
    QString devicePath_;
    bool linkUp_ = false; ///< a frame was decoded since the link was (re)opened
    bool linkOpen_ = false;
    bool finishing_ = false;
    bool writeFailed_ = false;
    QString writeError_;
};
