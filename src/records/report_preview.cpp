#include "records/report_preview.h"

#include "records/job_progress.h"
#include "records/job_runner.h"
#include "records/report_pdf_file.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QScrollBar>
#include <QSpinBox>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

#include <cmath>
#include <new>

namespace {
constexpr double kPaperWidthMm = 210.0;
constexpr double kPaperHeightMm = 297.0;
constexpr double kMarginMm = 10.0;
constexpr double kAreaHeightMm = kPaperHeightMm - 2 * kMarginMm;
constexpr int kGap = 12;
constexpr double kMinZoom = 0.1;
constexpr double kMaxZoom = 4.0;
} // namespace

// ---- The pages ------------------------------------------------------------------

ReportPageView::ReportPageView(const ReportPainter& report, QWidget* parent)
    : QAbstractScrollArea(parent)
    , report_(report)
    , pages_(report.pageCount())
{
    setObjectName(QStringLiteral("ReportPages"));
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    updateScrollBars();
}

QSizeF ReportPageView::pageSize() const
{
    const double pxPerMm = viewport()->logicalDpiY() / 25.4 * zoom_;
    return { kPaperWidthMm * pxPerMm, kPaperHeightMm * pxPerMm };
}

double ReportPageView::pageStride() const
{
    return pageSize().height() + kGap;
}

qint64 ReportPageView::scrollTop() const
{
    return qint64(verticalScrollBar()->value()) * unit_;
}

void ReportPageView::updateScrollBars()
{
    const QSizeF page = pageSize();
    const qint64 height = qint64(std::ceil(pages_ * pageStride())) + kGap;
    const qint64 room = std::max<qint64>(0, height - viewport()->height());
    unit_ = std::max<qint64>(1, room / 1000000000 + 1);
    verticalScrollBar()->setRange(0, int(room / unit_));
    verticalScrollBar()->setPageStep(std::max(1, int(viewport()->height() / unit_)));
    verticalScrollBar()->setSingleStep(std::max(1, int(40 / unit_)));
    const int width = int(std::ceil(page.width())) + 2 * kGap;
    horizontalScrollBar()->setRange(0, std::max(0, width - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(20);
}

int ReportPageView::currentPage() const
{
    if (pages_ == 0)
        return 0;
    const double middle = double(scrollTop()) + viewport()->height() / 2.0;
    return std::clamp(int(middle / pageStride()) + 1, 1, pages_);
}

void ReportPageView::showPage(int page)
{
    page = std::clamp(page, 1, std::max(1, pages_));
    // The sheet's top edge just below the view's, half a gap of background above it.
    const qint64 top = qint64(double(page - 1) * pageStride()) + kGap / 2;
    verticalScrollBar()->setValue(int(top / unit_));
    viewport()->update();
}

void ReportPageView::setZoom(double zoom)
{
    const int page = currentPage();
    zoom_ = std::clamp(zoom, kMinZoom, kMaxZoom);
    updateScrollBars();
    if (page > 0)
        showPage(page);
    viewport()->update();
}

void ReportPageView::fitWidth()
{
    const double pxPerMm = viewport()->logicalDpiY() / 25.4;
    setZoom((viewport()->width() - 2.0 * kGap) / (kPaperWidthMm * pxPerMm));
}

void ReportPageView::fitPage()
{
    const double pxPerMm = viewport()->logicalDpiY() / 25.4;
    setZoom(std::min((viewport()->width() - 2.0 * kGap) / (kPaperWidthMm * pxPerMm),
        (viewport()->height() - 2.0 * kGap) / (kPaperHeightMm * pxPerMm)));
}

void ReportPageView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ReportPageView::scrollContentsBy(int, int)
{
    viewport()->update();
    const int page = currentPage();
    if (page != lastCurrent_) {
        lastCurrent_ = page;
        emit currentPageChanged(page);
    }
}

void ReportPageView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    painted_.clear();
    if (pages_ == 0)
        return;

    const QSizeF page = pageSize();
    const double stride = pageStride();
    const double top = double(scrollTop());
    const double bottom = top + viewport()->height();
    const double contentWidth = page.width() + 2 * kGap;
    const double left = contentWidth <= viewport()->width() ? (viewport()->width() - page.width()) / 2.0
                                                            : kGap - horizontalScrollBar()->value();
    const int first = std::max(0, int((top - kGap) / stride));
    const int last = std::min(pages_ - 1, int(bottom / stride));
    const double marginPx = kMarginMm * viewport()->logicalDpiY() / 25.4;

    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (int i = first; i <= last; ++i) {
        const QRectF sheet(left, kGap + i * stride - top, page.width(), page.height());
        if (!sheet.intersects(QRectF(event->rect())))
            continue;
        painter.fillRect(sheet.translated(2, 2), palette().color(QPalette::Shadow));
        painter.fillRect(sheet, Qt::white);
        painter.save();
        painter.setClipRect(sheet);
        painter.translate(sheet.topLeft());
        painter.scale(zoom_, zoom_);
        painter.translate(marginPx, marginPx);
        report_.paintPage(painter, i, ReportPainter::RowsPerPage, kAreaHeightMm);
        painter.restore();
        painted_.append(i + 1);
    }
}

// ---- The dialog -------------------------------------------------------------------

ReportPreview::ReportPreview(ReportPainter report, QWidget* parent, JobRunner* runner)
    : QDialog(parent)
    , report_(std::move(report))
    , printer_(QPrinter::HighResolution)
    , runner_(runner)
{
    setObjectName(QStringLiteral("QuickRep1"));
    setWindowTitle(QStringLiteral("Print Preview"));
    if (!runner_) {
        ownRunner_ = std::make_unique<ProgressJobRunner>();
        runner_ = ownRunner_.get();
    }
    printer_.setCopyCount(1);
    printer_.setDuplex(QPrinter::DuplexNone);
    ReportPainter::preparePage(&printer_);

    view_ = new ReportPageView(report_, this);
    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("PreviewTools"));
    const auto add = [&](const char* name, const QString& text, QStyle::StandardPixmap icon, auto slot) {
        QAction* a = toolBar->addAction(style()->standardIcon(icon), text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    add("FirstPage", QStringLiteral("First page"), QStyle::SP_MediaSkipBackward,
        [this] { view_->showPage(1); });
    add("PreviousPage", QStringLiteral("Previous page"), QStyle::SP_MediaSeekBackward,
        [this] { view_->showPage(view_->currentPage() - 1); });
    pageBox_ = new QSpinBox(toolBar);
    pageBox_->setObjectName(QStringLiteral("PageNumber"));
    pageBox_->setRange(std::min(1, view_->pageCount()), std::max(1, view_->pageCount()));
    pageBox_->setKeyboardTracking(false);
    toolBar->addWidget(pageBox_);
    pageTotal_ = new QLabel(QStringLiteral(" / %1 ").arg(view_->pageCount()), toolBar);
    toolBar->addWidget(pageTotal_);
    add("NextPage", QStringLiteral("Next page"), QStyle::SP_MediaSeekForward,
        [this] { view_->showPage(view_->currentPage() + 1); });
    add("LastPage", QStringLiteral("Last page"), QStyle::SP_MediaSkipForward,
        [this] { view_->showPage(view_->pageCount()); });
    toolBar->addSeparator();
    add("ZoomOut", QStringLiteral("Zoom out"), QStyle::SP_ArrowDown,
        [this] { view_->setZoom(view_->zoom() / 1.25); });
    add("ZoomIn", QStringLiteral("Zoom in"), QStyle::SP_ArrowUp,
        [this] { view_->setZoom(view_->zoom() * 1.25); });
    add("FitWidth", QStringLiteral("Fit width"), QStyle::SP_ToolBarHorizontalExtensionButton,
        [this] { view_->fitWidth(); });
    add("FitPage", QStringLiteral("Fit page"), QStyle::SP_TitleBarNormalButton, [this] { view_->fitPage(); });
    toolBar->addSeparator();
    QAction* printAction
        = add("Print", QStringLiteral("Print..."), QStyle::SP_FileDialogDetailedView, &ReportPreview::print);
    printAction->setToolTip(QStringLiteral("Print the report"));
    QAction* exportAction = add(
        "ExportPdf", QStringLiteral("Export PDF"), QStyle::SP_DialogSaveButton, &ReportPreview::exportPdf);
    exportAction->setToolTip(QStringLiteral("Save the report as a PDF file"));
    toolBar->addSeparator();
    add("ClosePreview", QStringLiteral("Close"), QStyle::SP_DialogCloseButton, &QDialog::accept);

    connect(pageBox_, &QSpinBox::valueChanged, view_, [this](int page) {
        if (page != view_->currentPage())
            view_->showPage(page);
    });
    connect(view_, &ReportPageView::currentPageChanged, this, &ReportPreview::showPageNumber);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(view_, 1);
    resize(720, 860);
    view_->setZoom(0.75);
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::showPageNumber(int page)
{
    const QSignalBlocker quiet(pageBox_);
    pageBox_->setValue(page);
}

bool ReportPreview::exportPdfTo(const QString& path)
{
    QString error;
    ReportPdfFile file(report_, path);
    JobProgress progress;
    progress.setTotal(file.pageCount());
    try {
        if (file.open(&error)) {
            runner_->runInSteps(this, QStringLiteral("Writing the report to %1...").arg(path), progress, [&] {
                const bool more = file.next();
                progress.advance(file.pagesDone());
                return more;
            });
            if (file.commit(&error))
                return true;
        }
    } catch (const JobCancelled&) {
        return false; // the temporary goes with the file; an older PDF stays as it was
    } catch (const std::bad_alloc&) {
        error = QStringLiteral("There is not enough memory to write the report.");
    }
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

bool ReportPreview::printTo(QPrinter* printer, int firstPage, int lastPage)
{
    ReportPainter::Printing printing(report_, printer, firstPage, lastPage);
    JobProgress progress;
    progress.setTotal(printing.pageCount());
    QString error;
    try {
        runner_->runInSteps(this, QStringLiteral("Printing the report..."), progress, [&] {
            const bool more = printing.next();
            progress.advance(printing.pagesDone());
            return more;
        });
        if (printing.finish())
            return true;
        error = QStringLiteral("The printer refused the report.");
    } catch (const JobCancelled&) {
        printer->abort();
        return false;
    } catch (const std::bad_alloc&) {
        printer->abort();
        error = QStringLiteral("There is not enough memory to print the report.");
    }
    QMessageBox::critical(
        this, windowTitle(), QStringLiteral("Could not print the report:\n\n%1").arg(error));
    return false;
}

void ReportPreview::print()
{
    QPrintDialog dialog(&printer_, this);
    dialog.setMinMax(1, std::max(1, report_.pageCount(ReportPainter::rowsPerPage(&printer_))));
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool range = printer_.printRange() == QPrinter::PageRange;
    printTo(&printer_, range ? printer_.fromPage() : 0, range ? printer_.toPage() : 0);
}
