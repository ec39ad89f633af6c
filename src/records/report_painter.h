#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class JobProgress;
class QPagedPaintDevice;
class QPainter;
class RecordsSnapshot;

/**
 * The printed records report `QuickRep1`: A4 portrait with 10 mm margins,
 * every page with the title band, the column captions, up to 37 detail lines
 * and the footer band. It paints onto any paged device, so the print preview,
 * a printer and a PDF file all get the same pages.
 *
 * Pages are laid out only when painted: the page count follows from the row
 * count alone, and painting page n reads only that page's rows, so neither
 * time nor memory grows with the pages not looked at.
 */
class ReportPainter {
public:
    /** Detail lines on a page of the report's A4 layout. */
    static constexpr int RowsPerPage = 37;
    /** Columns of a detail line: "No", "Time", "DC/AC", "Value", "Unit", "AUTO". */
    static constexpr int Columns = 6;

    /**
     * A report over @p rows, each holding the display texts of "No", "Time",
     * "DC/AC", "Value", "Unit" and "AUTO" in that order. Unit glyph codes are
     * printed as the symbols they stand for.
     */
    explicit ReportPainter(QList<QStringList> rows);
    /**
     * A report over the rows of @p rows, read as their pages are painted.
     * Throws TableStoreError "Field '%s' not found" when a column is missing.
     */
    explicit ReportPainter(RecordsSnapshot rows);
    ~ReportPainter();
    ReportPainter(const ReportPainter&);
    ReportPainter& operator=(const ReportPainter&);

    qint64 rowCount() const;
    /** Number of pages on A4; an empty table has none. */
    int pageCount() const;
    /** Pages for @p rowsPerPage detail lines a page. */
    int pageCount(int rowsPerPage) const;

    /** Detail lines that fit between the bands on a page area @p heightMm tall. */
    static int rowsPerPage(double heightMm);
    /** Detail lines a page of @p device holds: 37 on A4, fewer on shorter paper. */
    static int rowsPerPage(QPagedPaintDevice* device);

    /** Gives @p device the report's paper: A4 portrait, 10 mm margins. */
    static void preparePage(QPagedPaintDevice* device);

    /**
     * Paints page @p page (0-based) with @p perPage detail lines, on a page
     * area @p pageHeightMm tall whose top-left corner is the painter's
     * origin. Measures follow the painter's device resolution.
     */
    void paintPage(QPainter& painter, int page, int perPage = RowsPerPage, double pageHeightMm = 277.0) const;

    /**
     * Paints every page onto @p device (prepared or not; the page area it has
     * is used). Returns false if the device refused painting. Paints nothing
     * for an empty table.
     */
    bool paint(QPagedPaintDevice* device) const;

    /**
     * Writes the report as a PDF file at @p path, page by page, replacing it
     * only once the whole file is written. @p progress counts pages;
     * cancelling it throws JobCancelled and leaves an existing file as it
     * was. On failure returns false and gives the reason.
     */
    bool writePdf(const QString& path, QString* error = nullptr, JobProgress* progress = nullptr) const;

    /** The texts of row @p row in column order. */
    QStringList rowTexts(qint64 row) const;

    class Source;
    class Printing;

private:
    std::shared_ptr<const Source> source_;
};

/**
 * Paints a report onto a paged device one page at a time, so a printout or
 * a PDF can be made in steps with the event loop running between them.
 */
class ReportPainter::Printing {
public:
    /** Pages @p firstPage to @p lastPage (1-based, inclusive; 0 for all) onto @p device. */
    Printing(const ReportPainter& report, QPagedPaintDevice* device, int firstPage = 0, int lastPage = 0);
    ~Printing();

    /** Pages to paint. */
    int pageCount() const;
    int pagesDone() const { return done_; }
    /** Paints the next page; false once every page is painted or the device failed (see ok()). */
    bool next();
    /** Ends painting; false if the device refused any of it. */
    bool finish();
    bool ok() const { return ok_; }

private:
    struct Glyphs;
    const ReportPainter& report_;
    QPagedPaintDevice* device_;
    std::unique_ptr<QPainter> painter_;
    std::unique_ptr<Glyphs> glyphs_;
    int first_ = 0;
    int last_ = -1;
    int done_ = 0;
    int perPage_ = RowsPerPage;
    double pageHeight_ = 277.0;
    bool ok_ = true;
    bool started_ = false;
};
