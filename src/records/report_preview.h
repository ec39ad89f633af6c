#pragma once

#include "records/report_painter.h"

#include <QAbstractScrollArea>
#include <QDialog>
#include <QPrinter>

#include <memory>

class JobRunner;
class QLabel;
class QSpinBox;

/**
 * The pages of a report stacked one under the other at a zoom. Only the
 * pages in sight are painted, when they come into sight, so a report of
 * thousands of pages opens as fast as one of a single page.
 */
class ReportPageView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit ReportPageView(const ReportPainter& report, QWidget* parent = nullptr);

    int pageCount() const { return pages_; }
    /** The page at the middle of the view, 1-based (0 when there are none). */
    int currentPage() const;
    /** Scrolls page @p page (1-based) to the top of the view. */
    void showPage(int page);

    double zoom() const { return zoom_; }
    void setZoom(double zoom);
    /** Zoom at which a page fills the view's width, or its whole height too. */
    void fitWidth();
    void fitPage();

    /** Pages painted by the last paint event, for tests. */
    QList<int> pagesPainted() const { return painted_; }

signals:
    void currentPageChanged(int page);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    QSizeF pageSize() const;
    double pageStride() const;
    void updateScrollBars();
    qint64 scrollTop() const;

    const ReportPainter& report_;
    int pages_ = 0;
    double zoom_ = 1.0;
    // Scroll bars count in steps of this many pixels, so very long reports fit their int range.
    qint64 unit_ = 1;
    QList<int> painted_;
    int lastCurrent_ = 0;
};

/**
 * Print preview of the records report: the pages, with page and zoom
 * controls, "Print..." through the printer dialog and "Export PDF".
 * Printing and the PDF are made page by page with a progress dialog that
 * can cancel them.
 */
class ReportPreview : public QDialog {
    Q_OBJECT
public:
    /** A preview of @p report on A4, shown by the caller (exec() or open()). */
    explicit ReportPreview(ReportPainter report, QWidget* parent = nullptr, JobRunner* runner = nullptr);
    ~ReportPreview() override;

    /** The report being previewed. */
    const ReportPainter& report() const { return report_; }
    ReportPageView* pageView() const { return view_; }
    QPrinter* printer() { return &printer_; }

    /**
     * Writes the report to @p path as PDF; a failure is shown in a message
     * box, and a cancelled export leaves an existing file as it was.
     */
    bool exportPdfTo(const QString& path);
    /** Prints pages @p firstPage to @p lastPage (0: all) on the preview's printer. */
    bool printTo(QPrinter* printer, int firstPage = 0, int lastPage = 0);

private:
    void exportPdf();
    void print();
    void showPageNumber(int page);

    ReportPainter report_;
    QPrinter printer_;
    std::unique_ptr<JobRunner> ownRunner_;
    JobRunner* runner_ = nullptr;
    ReportPageView* view_ = nullptr;
    QSpinBox* pageBox_ = nullptr;
    QLabel* pageTotal_ = nullptr;
};
