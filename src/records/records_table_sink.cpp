#include "records/records_table_sink.h"

#include "records/records_journal.h"
#include "records/records_table.h"

void RecordsTableSink::appendRecord(const LoggedRow& row)
{
    appendToTable(row);
    if (journal_)
        journal_->rowAppended(row);
}

void RecordsTableSink::restoreRecord(const LoggedRow& row)
{
    appendToTable(row);
}

void RecordsTableSink::appendToTable(const LoggedRow& row)
{
    table_.append();
    table_.setField(QStringLiteral("value"), row.value);
    table_.setField(QStringLiteral("Nval"), row.Nval);
    table_.setField(QStringLiteral("time"), row.time);
    table_.setField(QStringLiteral("no"), qint64(row.no));
    table_.setField(QStringLiteral("DC/AC"), row.acDc);
    table_.setField(QStringLiteral("unit"), row.unit);
    table_.setField(QStringLiteral("Auto"), row.autoText);
    table_.post();
}

bool RecordsTableSink::hasRecords() const
{
    return table_.isOpen() && !table_.isEmpty();
}

void RecordsTableSink::emptyRecords()
{
    table_.emptyTable();
    if (journal_)
        journal_->emptied(table_.path());
}
