#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class JobProgress;
class QIODevice;
class RecordsSnapshot;

/**
 * The records table as tab-separated text: a header line with the six column
 * names, then one line per row with the fields' display texts, each line
 * ended by CR LF, in code page 1252. Unit glyph codes ("k*", "#") are kept as
 * they are stored; the field "Nval" is not part of the file.
 */
class TextExport {
public:
    /** Column names of the header line, which are also the fields exported. */
    static QStringList columnNames();

    /** The complete file for @p rows (each row holds the texts in column order). */
    static QByteArray bytes(const QList<QStringList>& rows);

    /** Throws TableStoreError "Field '%s' not found" when @p rows lack one of the columns. */
    static void checkColumns(const RecordsSnapshot& rows);

    /**
     * Writes the file for every row of @p rows to @p out as it walks them,
     * through a buffer of fixed size, so memory does not grow with the rows.
     * Throws TableStoreError when a column is missing or @p out fails, and
     * JobCancelled when @p progress (which counts rows) is cancelled.
     */
    static void write(QIODevice& out, const RecordsSnapshot& rows, JobProgress* progress = nullptr);

    /** Message shown after the file was written. */
    static QString successMessage(const QString& fileName);

    /** Message shown when the file could not be written. */
    static QString failureMessage(const QString& fileName);
};
