#pragma once

#include "records/record_sink.h"

class RecordsTable;

/** The reading log's rows go into the records table, fields assigned in the log's order. */
class RecordsTableSink : public RecordSink {
public:
    explicit RecordsTableSink(RecordsTable& table)
        : table_(table)
    {
    }

    /** Appends and posts the row; the table's TableStoreError reaches the caller. */
    void appendRecord(const LoggedRow& row) override;
    bool hasRecords() const override;
    void emptyRecords() override;

private:
    RecordsTable& table_;
};
