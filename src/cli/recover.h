#pragma once

#include "cli/logger_options.h"

#include <cstdio>

/**
 * --recover FILE: writes the readings that the journal holds from runs that
 * ended without saving (a killed logger, a crashed window) to FILE, in the
 * format its extension names, and marks them saved so they are not offered
 * again. Returns the exit code: 0 when rows were written or there were none,
 * 1 when the file could not be written (the rows then stay in the journal).
 */
int recoverFromJournal(const LoggerOptions& options, std::FILE* err);
