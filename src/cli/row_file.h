#pragma once

#include "cli/logger_options.h"
#include "records/record_sink.h"

#include <QList>
#include <QString>

/**
 * Writes @p rows to @p path in @p format at once: CSV and JSON Lines as the
 * logger streams them, text and Paradox through a records table of the
 * template's fields, saved as the window saves it. False with @p error set
 * when the file could not be written (an existing file is then left as it was
 * for text and Paradox, which are written to a temporary file first).
 */
bool writeRowsToFile(const QList<LoggedRow>& rows, const QString& path, LoggerFormat format, QString* error);
