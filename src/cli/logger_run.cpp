#include "cli/logger_run.h"

#include "cli/row_file.h"
#include "cli/row_writer.h"
#include "decode/unit_glyphs.h"
#include "link/com_port_driver.h"
#include "link/hid/linux_hid_platform.h"
#include "link/hid/usb_cable_link.h"
#include "link/serial_link_supervisor.h"
#include "records/journal.h"
#include "records/records_journal.h"
#include "session/reading_pipeline.h"

#include <QDateTime>
#include <QRegularExpression>

#include <limits>

namespace {

/** COM1..COM4 (any case) as a port number, or nothing for a device path. */
std::optional<TComPortNumber> comPortNumber(const QString& name)
{
    static const QRegularExpression com(
        QStringLiteral("^COM([1-4])$"), QRegularExpression::CaseInsensitiveOption);
    const auto m = com.match(name);
    if (!m.hasMatch())
        return std::nullopt;
    return static_cast<TComPortNumber>(m.captured(1).toInt() - 1);
}

} // namespace

LoggerRun::LoggerRun(
    const LoggerOptions& options, std::FILE* err, std::unique_ptr<HidPlatform> hidPlatform, QObject* parent)
    : QObject(parent)
    , options_(options)
    , err_(err)
    , status_(err, !options.quiet && StatusLine::stderrIsTerminal())
    , hidPlatform_(std::move(hidPlatform))
{
}

LoggerRun::~LoggerRun() = default;

void LoggerRun::say(const QString& line)
{
    status_.clear();
    std::fprintf(err_, "brenmoor5082-log: %s\n", qPrintable(line));
    std::fflush(err_);
}

std::optional<int> LoggerRun::start()
{
    // A run that cannot write its file should not touch the meter; the file
    // itself is replaced only once the link is open, so a run that cannot
    // open its port leaves an existing file as it was.
    QString error;
    if (!outputWritable(options_.output, &error)) {
        say(error);
        return LoggerExit::RuntimeError;
    }

    journal_ = std::make_unique<Journal>();
    const Journal::OpenResult opened = journal_->open();
    if (opened.outcome != Journal::OpenResult::Outcome::Opened)
        say(opened.message);
    records_ = std::make_unique<RecordsJournal>(*journal_, options_.variantName);
    connect(journal_.get(), &Journal::failed, this, [this](const QString& path, const QString& reason) {
        say(QStringLiteral("the journal %1 cannot be written (%2); rows are kept in memory and retried")
                .arg(path, reason));
    });
    connect(journal_.get(), &Journal::working, this,
        [this](const QString& path) { say(QStringLiteral("the journal %1 works again").arg(path)); });

    pipeline_ = std::make_unique<ReadingPipeline>(options_.variant, static_cast<RecordSink&>(*this));
    ReadingPipeline& p = *pipeline_;
    p.setDecimalPointIsDot([] { return true; });
    p.setErrorHandler([this](const QString& text) { say(text); });
    if (options_.verdict()) {
        const QString high = *options_.high;
        const QString low = *options_.low;
        p.hooks().T1HIText = [high] { return high; };
        p.hooks().T1LOText = [low] { return low; };
    }
    ReadingLog& log = p.log();
    log.setRecordSI(true);
    log.setRepeatSet(!options_.noRepeat);
    log.setIntervalText(QString::number(options_.intervalSeconds));
    log.setRecordLimit(options_.limit > 0 ? qint32(options_.limit) : std::numeric_limits<qint32>::max());
    connect(&log, &ReadingLog::limitReached, this, [this](qint32 limit) {
        say(QStringLiteral("record limit of %1 rows reached").arg(limit));
        // Not from inside the decoder that logged the last row.
        QTimer::singleShot(0, this, [this] { finish(LoggerExit::Ok); });
    });
    connect(&p, &ReadingPipeline::frameDecoded, this, [this] { linkUp_ = true; });

    if (const auto failed = options_.usb ? openUsb() : openSerial())
        return failed;
    writer_ = makeRowWriter(options_.output);
    if (writer_) {
        writer_->setVerdictColumn(options_.verdict());
        if (!writer_->open(options_.output, &error)) {
            say(error);
            return LoggerExit::RuntimeError;
        }
    }

    records_->beginTable(
        options_.output == QLatin1String("-") ? QStringLiteral("(standard output)") : options_.output, 0);
    records_->setSource(devicePath_);

    connect(&sampleTimer_, &QTimer::timeout, this, [this] { pipeline_->log().TrecordTimer(); });
    sampleTimer_.start(1000);
    if (options_.durationMs > 0) {
        durationTimer_.setSingleShot(true);
        connect(&durationTimer_, &QTimer::timeout, this, &LoggerRun::stop);
        durationTimer_.start(std::chrono::milliseconds(options_.durationMs));
    }
    connect(&statusTimer_, &QTimer::timeout, this, [this] { updateStatus(); });
    if (status_.enabled())
        statusTimer_.start(500);
    if (!options_.quiet) {
        say(QStringLiteral("logging %1 to %2; journal %3")
                .arg(devicePath_,
                    options_.output == QLatin1String("-") ? QStringLiteral("standard output")
                                                          : options_.output,
                    journal_->path()));
    }
    updateStatus(true);
    return std::nullopt;
}

std::optional<int> LoggerRun::openSerial()
{
    // The serial link: a COMn name as in the window, or any device path.
    driver_ = std::make_unique<TComPortDriver>();
    if (const auto com = comPortNumber(options_.port))
        driver_->setComPort(*com);
    else
        driver_->setChosenDevice(options_.port);
    driver_->setComPortSpeed(
        pipeline_->settings().speed19200 ? TComPortBaudRate::br19200 : TComPortBaudRate::br2400);
    driver_->setOnReceiveData([this](const QByteArray& bytes) { pipeline_->receive(bytes); });
    link_ = std::make_unique<SerialLinkSupervisor>(*driver_);
    if (!link_->start()) {
        say(link_->openError().message(SerialOpenError::Advice::CommandLine));
        return LoggerExit::CannotOpen;
    }
    linkOpen_ = true;
    devicePath_ = link_->devicePath();
    connect(link_.get(), &SerialLinkSupervisor::lost, this, [this](const QDateTime& when) {
        linkUp_ = false;
        linkLost(when);
    });
    connect(link_.get(), &SerialLinkSupervisor::reopened, this, [this](const QDateTime& when) {
        pipeline_->framer().reset(); // bytes from before the gap never join bytes after it
        linkBack(when);
    });
    connect(link_.get(), &SerialLinkSupervisor::reopenFailed, this,
        [this](const SerialOpenError& error) { say(error.message(SerialOpenError::Advice::CommandLine)); });

    return std::nullopt;
}

std::optional<int> LoggerRun::openUsb()
{
    // The cable link as the window drives it, with "USB Connect" held down
    // for the whole run; its messages go to standard error.
    hidPlatform_ = hidPlatform_ ? std::move(hidPlatform_) : std::make_unique<LinuxHidPlatform>();
    UsbLinkControls controls;
    controls.usbConDown = [this] { return usbDown_; };
    controls.raiseUsbCon = [this] { usbDown_ = false; };
    controls.readBtnDown = [] { return false; };
    controls.raiseReadBtn = [] {};
    controls.setReviewEnabled = [](bool) {};
    controls.showInformation = [this](const QString& text) { usbMessage(text); };
    controls.modeFrameComplete = [this] { pipeline_->decodeModeFrame(); };
    controls.segmentFrameComplete = [this] { pipeline_->decodeSegmentFrame(); };
    try {
        usb_ = std::make_unique<UsbCableLink>(
            *hidPlatform_, options_.variant, pipeline_->reading(), std::move(controls));
    } catch (const std::exception& e) {
        say(QString::fromUtf8(e.what()));
        return LoggerExit::CannotOpen;
    }
    connect(usb_.get(), &UsbCableLink::linkProblem, this, [this](const QString& text) { usbMessage(text); });
    connect(usb_.get(), &UsbCableLink::cableLost, this, &LoggerRun::linkLost);
    connect(usb_.get(), &UsbCableLink::cableRestored, this, &LoggerRun::linkBack);
    if (usb_->DevListSelected() < 0) {
        say(QStringLiteral("no USB cable named \"%1\" is plugged in").arg(UsbCableLink::cableName()));
        return LoggerExit::CannotOpen;
    }
    devicePath_ = QStringLiteral("the USB cable");
    usbDown_ = true;
    usb_->USBConClick();
    if (!usbDown_) // the cable could not be configured; it has said why
        return LoggerExit::CannotOpen;
    linkOpen_ = true;
    // The window's connection timer: the cable watchdog looks at a link that
    // brought no frame for 200 ms.
    connect(&connectionTimer_, &QTimer::timeout, this, [this] {
        ReadingState& reading = pipeline_->reading();
        if (reading.IdleTicks == 2) {
            usb_->ConTimerUsbStep();
            reading.IdleTicks = 0;
        } else {
            ++reading.IdleTicks;
        }
        if (!usbDown_ && !finishing_ && linkOpen_)
            meterSilent();
    });
    connectionTimer_.start(100);
    return std::nullopt;
}

void LoggerRun::usbMessage(const QString& text)
{
    say(text);
}

void LoggerRun::meterSilent()
{
    // The watchdog gave the cable up: no meter data for a long time.
    linkOpen_ = false;
    if (options_.exitOnLoss) {
        QTimer::singleShot(0, this, [this] { finish(LoggerExit::RuntimeError); });
        return;
    }
    // Keep trying, as a user would press "USB Connect" again.
    QTimer::singleShot(1000, this, [this] {
        if (finishing_)
            return;
        usbDown_ = true;
        usb_->USBConClick();
        linkOpen_ = usbDown_;
    });
}

void LoggerRun::linkLost(const QDateTime& when)
{
    linkUp_ = false;
    linkOpen_ = false;
    if (options_.exitOnLoss) {
        say(QStringLiteral("lost %1 at %2").arg(devicePath_, when.toString(Qt::ISODate)));
        QTimer::singleShot(0, this, [this] { finish(LoggerExit::RuntimeError); });
        return;
    }
    say(QStringLiteral("lost %1 at %2; waiting for it to come back")
            .arg(devicePath_, when.toString(Qt::ISODate)));
}

void LoggerRun::linkBack(const QDateTime& when)
{
    linkOpen_ = true;
    say(QStringLiteral("%1 is back at %2; logging goes on").arg(devicePath_, when.toString(Qt::ISODate)));
}

void LoggerRun::appendRecord(const LoggedRow& row)
{
    records_->rowAppended(row);
    ++rows_;
    const QString verdict = pipeline_->view().judgeText();
    lastReading_ = QStringLiteral("%1 %2 %3 %4")
                       .arg(row.value, UnitGlyphs::toDisplay(row.unit), row.acDc, row.autoText)
                       .simplified();
    if (writer_ && !writeFailed_ && !writer_->write(row, verdict)) {
        writeFailed_ = true;
        writeError_ = QStringLiteral("cannot write %1: %2").arg(writer_->path(), writer_->errorString());
        say(writeError_);
        QTimer::singleShot(0, this, [this] { finish(LoggerExit::RuntimeError); });
        return;
    }
    updateStatus();
    if (options_.count > 0 && rows_ >= options_.count)
        QTimer::singleShot(0, this, [this] { finish(LoggerExit::Ok); });
}

QString LoggerRun::linkText() const
{
    if (!linkOpen_)
        return QStringLiteral("waiting for %1").arg(devicePath_);
    return linkUp_ ? QStringLiteral("receiving") : QStringLiteral("no frames");
}

void LoggerRun::updateStatus(bool force)
{
    status_.update({ rows_, lastReading_, linkText() }, force);
}

void LoggerRun::stop()
{
    finish(writeFailed_ ? LoggerExit::RuntimeError : LoggerExit::Ok);
}

void LoggerRun::finish(int exitCode)
{
    if (finishing_)
        return;
    finishing_ = true;
    sampleTimer_.stop();
    durationTimer_.stop();
    statusTimer_.stop();
    connectionTimer_.stop();
    if (link_)
        link_->stop();
    if (usb_) {
        usbDown_ = false;
        usb_->USBConClick(); // raised: the cable's reports stop
    }
    updateStatus(true);
    status_.finish();

    bool saved = true;
    QString error;
    if (records_)
        records_->stopped();
    if (writer_) {
        saved = writer_->close(&error);
    } else if (records_) {
        // Text and Paradox files are written from the journal's rows.
        saved = writeRowsToFile(
            journal_->rows(records_->currentLog()), options_.output, options_.format, &error);
    }
    if (!saved)
        say(error);
    if (records_) {
        // Rows that reached their file are saved; the others stay in the
        // journal for the window or --recover.
        if (saved && !writeFailed_)
            records_->saved();
        journal_->close();
    }
    if (!saved || writeFailed_)
        exitCode = LoggerExit::RuntimeError;
    emit finished(exitCode);
}
