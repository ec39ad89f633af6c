#include "cli/logger_run.h"

#include "cli/row_writer.h"
#include "decode/unit_glyphs.h"
#include "link/com_port_driver.h"
#include "link/serial_link_supervisor.h"
#include "records/journal.h"
#include "cli/row_file.h"
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

LoggerRun::LoggerRun(const LoggerOptions& options, std::FILE* err, QObject* parent)
    : QObject(parent)
    , options_(options)
    , err_(err)
    , status_(err, !options.quiet && StatusLine::stderrIsTerminal())
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
    // Output first: a run that cannot write its file should not touch the meter.
    writer_ = makeRowWriter(options_.output);
    if (writer_) {
        writer_->setVerdictColumn(options_.verdict());
        QString error;
        if (!writer_->open(options_.output, &error)) {
            say(error);
            return LoggerExit::RuntimeError;
        }
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

    // The serial link: a COMn name as in the window, or any device path.
    driver_ = std::make_unique<TComPortDriver>();
    if (const auto com = comPortNumber(options_.port))
        driver_->setComPort(*com);
    else
        driver_->setChosenDevice(options_.port);
    driver_->setComPortSpeed(p.settings().speed19200 ? TComPortBaudRate::br19200 : TComPortBaudRate::br2400);
    driver_->setOnReceiveData([this](const QByteArray& bytes) { pipeline_->receive(bytes); });
    link_ = std::make_unique<SerialLinkSupervisor>(*driver_);
    if (!link_->start()) {
        say(link_->openError().message(SerialOpenError::Advice::CommandLine));
        return LoggerExit::CannotOpen;
    }
    devicePath_ = link_->devicePath();
    connect(link_.get(), &SerialLinkSupervisor::lost, this, [this](const QDateTime& when) {
        linkUp_ = false;
        if (options_.exitOnLoss) {
            say(QStringLiteral("lost %1 at %2").arg(devicePath_, when.toString(Qt::ISODate)));
            finish(LoggerExit::RuntimeError);
            return;
        }
        say(QStringLiteral("lost %1 at %2; waiting for it to come back")
                .arg(devicePath_, when.toString(Qt::ISODate)));
    });
    connect(link_.get(), &SerialLinkSupervisor::reopened, this, [this](const QDateTime& when) {
        pipeline_->framer().reset(); // bytes from before the gap never join bytes after it
        say(QStringLiteral("%1 is back at %2; logging goes on").arg(devicePath_, when.toString(Qt::ISODate)));
    });
    connect(link_.get(), &SerialLinkSupervisor::reopenFailed, this,
        [this](const SerialOpenError& error) { say(error.message(SerialOpenError::Advice::CommandLine)); });

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
                    options_.output == QLatin1String("-") ? QStringLiteral("standard output") : options_.output,
                    journal_->path()));
    }
    updateStatus(true);
    return std::nullopt;
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
    if (!link_ || link_->state() != SerialLinkSupervisor::State::Open)
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
    if (link_)
        link_->stop();
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
        saved = writeRowsToFile(journal_->rows(records_->currentLog()), options_.output, options_.format, &error);
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
