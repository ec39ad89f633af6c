#include "cli/recover.h"

#include "cli/row_file.h"
#include "records/journal.h"
#include "records/records_journal.h"

int recoverFromJournal(const LoggerOptions& options, std::FILE* err)
{
    Journal journal;
    const Journal::OpenResult opened = journal.open();
    if (opened.outcome != Journal::OpenResult::Outcome::Opened) {
        std::fprintf(err, "brenmoor5082-log: %s\n", qPrintable(opened.message));
        if (opened.outcome == Journal::OpenResult::Outcome::Failed)
            return LoggerExit::RuntimeError;
    }
    RecordsJournal records(journal, options.variantName);
    const auto offer = records.offer();
    if (!offer) {
        std::fprintf(
            err, "brenmoor5082-log: the journal %s holds no unsaved readings\n", qPrintable(journal.path()));
        return LoggerExit::Ok;
    }
    // The rows join a log of their own, for the file they go to; saved once written.
    records.beginTable(options.recoverFile, 0);
    const QList<LoggedRow> rows = records.takeBack(*offer);
    QString error;
    if (!writeRowsToFile(rows, options.recoverFile, options.format, &error)) {
        std::fprintf(err, "brenmoor5082-log: %s\n", qPrintable(error));
        records.stopped();
        return LoggerExit::RuntimeError;
    }
    records.saved();
    std::fprintf(err, "brenmoor5082-log: %lld readings logged from %s to %s written to %s\n",
        static_cast<long long>(rows.size()), qPrintable(offer->first.toString(Qt::ISODate)),
        qPrintable(offer->last.toString(Qt::ISODate)), qPrintable(options.recoverFile));
    return LoggerExit::Ok;
}
