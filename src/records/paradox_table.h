#pragma once

#include "records/paradox_header.h"
#include "records/paradox_rows.h"

/** A Paradox table in memory: its header and every row. */
struct ParadoxTable {
    ParadoxHeader header;
    ParadoxRows rows;
};
