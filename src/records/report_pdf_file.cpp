#include "records/report_pdf_file.h"

#include <QPdfWriter>
#include <QSaveFile>

ReportPdfFile::ReportPdfFile(const ReportPainter& report, QString path)
    : report_(report)
    , path_(std::move(path))
    , pages_(report.pageCount())
{
}

ReportPdfFile::~ReportPdfFile()
{
    // The painter ends before the writer goes, and the temporary is removed last.
    printing_.reset();
    writer_.reset();
    if (file_)
        file_->cancelWriting();
}

int ReportPdfFile::pageCount() const
{
    return printing_ ? printing_->pageCount() : pages_;
}

int ReportPdfFile::pagesDone() const
{
    return printing_ ? printing_->pagesDone() : 0;
}

bool ReportPdfFile::open(QString* error)
{
    file_ = std::make_unique<QSaveFile>(path_);
    if (!file_->open(QIODevice::WriteOnly)) {
        if (error)
            *error = file_->errorString();
        file_.reset();
        return false;
    }
    writer_ = std::make_unique<QPdfWriter>(file_.get());
    writer_->setTitle(QStringLiteral("The Data Print Title"));
    writer_->setCreator(QStringLiteral("Brenmoor 5082 Interface Program"));
    ReportPainter::preparePage(writer_.get());
    printing_ = std::make_unique<ReportPainter::Printing>(report_, writer_.get());
    return true;
}

bool ReportPdfFile::next()
{
    return printing_ && printing_->next();
}

bool ReportPdfFile::commit(QString* error)
{
    if (!printing_ || !printing_->finish()) {
        if (error)
            *error = QStringLiteral("The report could not be drawn.");
        return false;
    }
    printing_.reset();
    writer_.reset();
    // Flushing first: commit() would not notice a failed write of buffered data.
    if (!file_->flush() || !file_->commit()) {
        if (error)
            *error = file_->errorString();
        return false;
    }
    file_.reset();
    return true;
}
