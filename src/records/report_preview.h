#pragma once

#include "records/report_painter.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

/**
 * Print preview of the records report. The user prints or sets up the
 * printer from the dialog's own commands; "Export PDF" keeps the report as a
 * PDF file for those without a printer.
 */
class ReportPreview : public QPrintPreviewDialog {
    Q_OBJECT
public:
    /** A preview of @p report on A4, shown by the caller (exec() or open()). */
    explicit ReportPreview(ReportPainter report, QWidget* parent = nullptr);
    ~ReportPreview() override;

    /** The report being previewed. */
    const ReportPainter& report() const { return report_; }

    /** Writes the report to @p path as PDF; a failure is shown in a message box. */
    bool exportPdfTo(const QString& path);

private:
    void exportPdf();
    void paintReport(QPrinter* printer);

    ReportPainter report_;
};
