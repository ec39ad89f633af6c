#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

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

    /** Message shown after the file was written. */
    static QString successMessage(const QString& fileName);

    /** Message shown when the file could not be written. */
    static QString failureMessage(const QString& fileName);
};
