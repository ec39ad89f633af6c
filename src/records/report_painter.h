#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QPagedPaintDevice;
class QPainter;

/**
 * The printed records report `QuickRep1`: A4 portrait with 10 mm margins,
 * every page with the title band, the column captions, up to 37 detail lines
 * and the footer band. It paints onto any paged device, so the print preview,
 * a printer and a PDF file all get the same pages.
 */
class ReportPainter {
public:
    /** Detail lines on a page of the report's A4 layout. */
    static constexpr int RowsPerPage = 37;

    /**
     * A report over @p rows, each holding the display texts of "No", "Time",
     * "DC/AC", "Value", "Unit" and "AUTO" in that order. Unit glyph codes are
     * printed as the symbols they stand for.
     */
    explicit ReportPainter(QList<QStringList> rows);

    /** Number of pages; an empty table has none. */
    int pageCount() const;

    /** Detail lines that fit between the bands on a page area @p heightMm tall. */
    static int rowsPerPage(double heightMm);

    /** Gives @p device the report's paper: A4 portrait, 10 mm margins. */
    static void preparePage(QPagedPaintDevice* device);

    /**
     * Paints every page onto @p device (prepared or not; the page area it has
     * is used). Returns false if the device refused painting. Paints nothing
     * for an empty table.
     */
    bool paint(QPagedPaintDevice* device) const;

    /**
     * Writes the report as a PDF file at @p path, replacing it only once the
     * whole file is written. On failure returns false and gives the reason.
     */
    bool writePdf(const QString& path, QString* error = nullptr) const;

private:
    void paintPage(QPainter& painter, double pxPerMm, double pageHeightMm, int firstRow, int rowCount) const;

    QList<QStringList> rows_;
};
