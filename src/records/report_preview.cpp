#include "records/report_preview.h"

#include <QAction>
#include <QFileDialog>
#include <QMessageBox>
#include <QToolBar>

ReportPreview::ReportPreview(ReportPainter report, QWidget* parent)
    : QPrintPreviewDialog(parent)
    , report_(std::move(report))
{
    setObjectName(QStringLiteral("QuickRep1"));
    setWindowTitle(QStringLiteral("Print Preview"));
    QPrinter* paper = printer();
    paper->setCopyCount(1);
    paper->setDuplex(QPrinter::DuplexNone);
    ReportPainter::preparePage(paper);
    connect(this, &QPrintPreviewDialog::paintRequested, this, &ReportPreview::paintReport);

    auto* exportAction = new QAction(QStringLiteral("Export PDF"), this);
    exportAction->setObjectName(QStringLiteral("ExportPdf"));
    exportAction->setToolTip(QStringLiteral("Save the report as a PDF file"));
    connect(exportAction, &QAction::triggered, this, &ReportPreview::exportPdf);
    if (auto* toolBar = findChild<QToolBar*>()) {
        toolBar->addSeparator();
        toolBar->addAction(exportAction);
    } else {
        addAction(exportAction);
    }
}

ReportPreview::~ReportPreview() = default;

bool ReportPreview::exportPdfTo(const QString& path)
{
    QString error;
    if (report_.writePdf(path, &error))
        return true;
    QMessageBox::critical(
        this, windowTitle(), QStringLiteral("Could not save the report to %1:\n\n%2").arg(path, error));
    return false;
}

void ReportPreview::exportPdf()
{
    QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export PDF"), QString(), QStringLiteral("PDF File(*.pdf)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QLatin1String(".pdf");
    exportPdfTo(path);
}

void ReportPreview::paintReport(QPrinter* printer)
{
    report_.paint(printer);
}
