// Record file commands of the main window: Save (text or Paradox), Open an
// earlier saved table, and the printed report through its preview.
#include "app/tfcomm.h"
#include "records/job_progress.h"
#include "records/record_files.h"
#include "records/records_journal.h"
#include "records/records_table.h"
#include "records/report_painter.h"
#include "records/text_export.h"

#include <QAction>
#include <QFileInfo>
#include <QTableView>
#include <QToolButton>

#include <new>
#include <optional>

namespace {

QMessageBox::Icon boxIcon(FileOutcome::Icon icon)
{
    switch (icon) {
    case FileOutcome::Icon::Information:
        return QMessageBox::Information;
    case FileOutcome::Icon::Warning:
        return QMessageBox::Warning;
    case FileOutcome::Icon::Critical:
        return QMessageBox::Critical;
    case FileOutcome::Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void TFCOMM::connectRecordFiles()
{
    connect(saveas, &QToolButton::clicked, this, &TFCOMM::saveasClick);
    connect(Save1, &QAction::triggered, this, &TFCOMM::saveasClick);
    connect(OpenDataFiles, &QToolButton::clicked, this, &TFCOMM::SpeedButton2Click);
    connect(BtPrint, &QToolButton::clicked, this, &TFCOMM::BtPrintClick);
}

void TFCOMM::setRecordFileDialogs(std::unique_ptr<RecordFileDialogs> dialogs)
{
    fileDialogs_ = std::move(dialogs);
}

void TFCOMM::setJobRunner(std::unique_ptr<JobRunner> runner)
{
    jobRunner_ = std::move(runner);
}

void TFCOMM::showFileOutcome(const FileOutcome& outcome)
{
    if (!outcome.message.isEmpty())
        showMessage(boxIcon(outcome.icon), outcome.message);
}

void TFCOMM::saveasClick()
{
    const QString fileName = fileDialogs_->saveFileName(this);
    if (fileName.isEmpty())
        return;
    if (!T20VDB->isOpen()) {
        showFileOutcome(RecordFiles::save(*T20VDB, fileName)); // says the table is closed
        return;
    }
    // The save walks the rows as they are now, on a worker thread; readings
    // logged meanwhile are kept and stay unsaved.
    FileOutcome outcome;
    try {
        const RecordsSnapshot rows = T20VDB->snapshot();
        // The CSV dates each logged row from the journal, looked up by the worker too.
        const bool dated = RecordFiles::formatFor(fileName) == RecordFiles::Format::Csv;
        const RecordsJournal::StampLookup stamps = recordsJournal_->stampLookup();
        JobProgress progress;
        jobRunner_->run(
            this, QStringLiteral("Saving %1...").arg(QFileInfo(fileName).fileName()), progress, [&] {
                outcome = RecordFiles::saveRows(
                    rows, fileName, &progress, dated ? stamps.stamps(rows) : QList<QDateTime>());
            });
        if (outcome.ok) {
            T20VDB->markSaved(rows);
            // The journal settles a table's log as a whole. Rows logged while
            // the save ran are not in the file, so the log then stays open:
            // after a crash its rows are offered back rather than lost.
            if (T20VDB->unsavedRowCount() == 0)
                recordsJournal_->saved();
        }
    } catch (const std::bad_alloc&) {
        outcome = { false,
            TextExport::failureMessage(fileName)
                + QStringLiteral(
                    "\n\nThere is not enough memory to save the records. They are kept as they were."),
            FileOutcome::Icon::Critical };
    }
    // Writing the text walks the table to its end, so the grid shows the last row.
    if (outcome.ok && RecordFiles::formatFor(fileName) == RecordFiles::Format::Text && T20VDB->rowCount() > 0)
        DBGrid1->showTableRow(int(T20VDB->rowCount() - 1));
    showFileOutcome(outcome);
}

void TFCOMM::SpeedButton2Click()
{
    const QString fileName = fileDialogs_->openFileName(this);
    if (fileName.isEmpty())
        return;
    try {
        // The new file is read and checked first, on a worker thread while
        // readings go on being logged: one that fails, or an Open cancelled,
        // leaves the open table and its rows exactly as they were.
        RecordFiles::OpenCheck check;
        JobProgress progress;
        try {
            jobRunner_->run(this, QStringLiteral("Opening %1...").arg(QFileInfo(fileName).fileName()),
                progress, [&] { check = RecordFiles::readForOpen(*T20VDB, fileName, &progress); });
        } catch (const JobCancelled&) {
            return;
        }
        if (!check.table) {
            showFileOutcome(check.outcome);
            return;
        }
        // Opening drops the rows that were logged but never saved: ask first, as the exits do.
        const qint64 unsaved = T20VDB->isOpen() ? T20VDB->unsavedRowCount() : 0;
        if (unsaved > 0) {
            const QString question
                = QStringLiteral("%1 record(s) not saved will be lost.\nOpen the data file anyway?")
                      .arg(unsaved);
            if (asker_->ask(this, QMessageBox::Question, question, QMessageBox::Yes | QMessageBox::No)
                != QMessageBox::Yes)
                return;
        }
        T20VDB->replaceWith(std::move(*check.table));
    } catch (const std::bad_alloc&) {
        showMessage(QMessageBox::Critical,
            QStringLiteral("There is not enough memory to open %1.\n\nThe records table is kept as it was.")
                .arg(fileName));
        return;
    }
    recordsJournal_->dropped();
    recordsJournal_->beginTable(T20VDB->path(), T20VDB->rowCount());
}

void TFCOMM::BtPrintClick()
{
    // The report reads its rows from a snapshot as its pages are viewed or printed.
    try {
        std::optional<ReportPainter> report;
        try {
            report.emplace(T20VDB->snapshot());
        } catch (const TableStoreError& e) {
            showMessage(QMessageBox::Critical, e.message());
            return;
        }
        if (report->rowCount() == 0) {
            showMessage(QMessageBox::Information, QStringLiteral("There are no records to print."));
            return;
        }
        fileDialogs_->previewReport(this, *report);
    } catch (const std::bad_alloc&) {
        showMessage(QMessageBox::Critical,
            QStringLiteral(
                "There is not enough memory to show the report. The records are kept as they were."));
    }
}
