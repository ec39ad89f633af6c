#pragma once

#include "records/record_sink.h"

class RecordsJournal;
class RecordsTable;

/**
 * The reading log's rows go into the records table, fields assigned in the
 * log's order, and, once the table took them, into the journal.
 */
class RecordsTableSink : public RecordSink {
public:
    /** @param journal where rows are journaled; null for none */
    explicit RecordsTableSink(RecordsTable& table, RecordsJournal* journal = nullptr)
        : table_(table)
        , journal_(journal)
    {
    }

    /** Appends and posts the row; the table's TableStoreError reaches the caller, and the row is not
     * journaled. */
    void appendRecord(const LoggedRow& row) override;
    bool hasRecords() const override;
    /** Empties the table; in the journal its unsaved rows are dropped and a new log starts. */
    void emptyRecords() override;
    /** Appends a row that is in the journal already. */
    void restoreRecord(const LoggedRow& row) override;

private:
    void appendToTable(const LoggedRow& row);

    RecordsTable& table_;
    RecordsJournal* journal_;
};
