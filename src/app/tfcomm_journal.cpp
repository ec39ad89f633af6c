// The journal in the window: opened at start, the restore question, the
// warning while it cannot be written, and the log's source.
#include "app/tfcomm.h"
#include "records/journal.h"
#include "records/reading_log.h"
#include "records/records_journal.h"
#include "records/records_table.h"

#include <QDir>
#include <QTimer>

#include <exception>
#include <optional>
#include <utility>

QString TFCOMM::journalWarningText(const QString& path, const QString& reason)
{
    return QStringLiteral(
        "The journal %1 cannot be written: %2.\n\nReadings are still logged, in memory only, "
        "so a crash would lose them. The journal is tried again every 10 seconds.")
        .arg(QDir::toNativeSeparators(path), reason);
}

void TFCOMM::buildJournal()
{
    journalNotice_ = new WindowNotice(this, QMessageBox::Warning, this);
    connect(journal_.get(), &Journal::failed, this, [this](const QString& path, const QString& reason) {
        journalNotice_->show(journalWarningText(path, reason));
    });
    connect(journal_.get(), &Journal::working, this, [this] { journalNotice_->clear(); });
    connect(journal_.get(), &Journal::fileSetAside, this,
        [this](const QString& message) { journalNotice_->show(message); });
}

void TFCOMM::startJournal()
{
    const Journal::OpenResult opened = journal_->open(Journal::defaultPath());
    if (opened.outcome == Journal::OpenResult::Outcome::Failed)
        journalNotice_->show(journalWarningText(journal_->path(), journal_->problem()));
    else if (opened.outcome == Journal::OpenResult::Outcome::Replaced)
        journalStartMessage_ = opened.message;
    recordsJournal_->beginTable(T20VDB->path(), T20VDB->rowCount());
    // Asked once the window is up and its event loop runs.
    QTimer::singleShot(0, this, &TFCOMM::offerRecovery);
}

void TFCOMM::offerRecovery()
{
    if (recoveryOffered_)
        return;
    recoveryOffered_ = true;
    if (!journalStartMessage_.isEmpty())
        showMessage(QMessageBox::Warning, std::exchange(journalStartMessage_, QString()));
    // Without a table the rows would have nowhere to go: they are offered at the next start.
    if (!T20VDB->isOpen())
        return;
    const std::optional<RecordsJournal::Offer> offer = recordsJournal_->offer();
    if (!offer)
        return;
    if (asker_->ask(
            this, QMessageBox::Question, RecordsJournal::question(*offer), QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes) {
        recordsJournal_->decline(*offer);
        return;
    }
    try {
        pipeline_->log().restoreRows(recordsJournal_->takeBack(*offer));
    } catch (const std::exception& e) {
        showMessage(QMessageBox::Critical, QString::fromUtf8(e.what()));
    }
}

void TFCOMM::noteLogSource(const QString& source)
{
    recordsJournal_->setSource(source);
}

void TFCOMM::noteLoggingStopped()
{
    recordsJournal_->stopped();
}
