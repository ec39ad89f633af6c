#pragma once

#include "records/report_painter.h"

#include <QString>

#include <memory>

class QPdfWriter;
class QSaveFile;

/**
 * The report written as a PDF file page by page: into a temporary file
 * beside the target that replaces it only on commit(). Destroyed without
 * commit(), it leaves an existing file as it was.
 */
class ReportPdfFile {
public:
    ReportPdfFile(const ReportPainter& report, QString path);
    ~ReportPdfFile();

    int pageCount() const;
    int pagesDone() const;

    /** Creates the temporary file; false with the reason when it cannot. */
    bool open(QString* error = nullptr);
    /** Writes the next page; false once every page is written or writing failed. */
    bool next();
    /** Ends the document and puts the file in place; false with the reason on failure. */
    bool commit(QString* error = nullptr);

private:
    const ReportPainter& report_;
    QString path_;
    std::unique_ptr<QSaveFile> file_;
    std::unique_ptr<QPdfWriter> writer_;
    std::unique_ptr<ReportPainter::Printing> printing_;
    int pages_ = 0;
};
