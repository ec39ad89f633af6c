#include "records/report_painter.h"

#include "decode/unit_glyphs.h"

#include <QFont>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <cmath>

namespace {

// Band geometry in millimetres, measured from the page area's left edge and
// from each band's top edge.
constexpr double kBandWidth = 189.97;
constexpr double kHeaderHeight = 10.58;
constexpr double kColumnHeaderHeight = 10.58;
constexpr double kDetailHeight = 6.61;
constexpr double kFooterHeight = 10.58;
constexpr double kA4AreaHeight = 297.0 - 2 * 10.0;

constexpr double kTitleTop = 2.12;
constexpr double kCaptionTop = 4.23;
constexpr double kFieldTop = 2.12;
constexpr double kFooterTop = 4.23;
constexpr double kFooterLeft = 8.47;

struct Column {
    const char* caption;
    double captionLeft;
    double fieldLeft;
};

constexpr Column kColumns[] = {
    { "No", 8.47, 8.47 },
    { "Time", 33.87, 33.87 },
    { "DC/AC", 64.29, 65.62 },
    { "Value", 99.48, 99.48 },
    { "Unit", 132.29, 131.23 },
    { "AUTO", 162.98, 162.98 },
};
constexpr int kUnitColumn = 4;

QFont reportFont()
{
    // The display font the report was laid out for is not available here; unit
    // glyph codes are mapped to symbols instead, so any sans-serif font serves.
    QFont font(QStringLiteral("Sans Serif"), 10);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace

ReportPainter::ReportPainter(QList<QStringList> rows)
    : rows_(std::move(rows))
{
}

int ReportPainter::pageCount() const
{
    return int((rows_.size() + RowsPerPage - 1) / RowsPerPage);
}

int ReportPainter::rowsPerPage(double heightMm)
{
    const double room = heightMm - kHeaderHeight - kColumnHeaderHeight - kFooterHeight;
    // A small tolerance keeps rounding of the device's page area from losing a line.
    return std::max(1, int(std::floor((room + 1e-6) / kDetailHeight)));
}

void ReportPainter::preparePage(QPagedPaintDevice* device)
{
    device->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(10.0, 10.0, 10.0, 10.0), QPageLayout::Millimeter));
}

bool ReportPainter::paint(QPagedPaintDevice* device) const
{
    if (rows_.isEmpty())
        return true;
    QPainter painter;
    if (!painter.begin(device))
        return false;
    painter.setFont(reportFont());
    painter.setPen(Qt::black);

    const double pxPerMm = device->logicalDpiY() / 25.4;
    double pageHeight = device->pageLayout().paintRect(QPageLayout::Millimeter).height();
    if (pageHeight <= 0)
        pageHeight = kA4AreaHeight;
    // The layout is A4's; a taller area keeps 37 lines, a shorter one fits fewer.
    const int perPage = std::min(RowsPerPage, rowsPerPage(pageHeight));

    for (qsizetype first = 0; first < rows_.size(); first += perPage) {
        if (first > 0 && !device->newPage())
            return false;
        paintPage(painter, pxPerMm, pageHeight, int(first),
            int(std::min<qsizetype>(perPage, rows_.size() - first)));
    }
    return painter.end();
}

bool ReportPainter::writePdf(const QString& path, QString* error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(QStringLiteral("The Data Print Title"));
        writer.setCreator(QStringLiteral("Brenmoor 5082 Interface Program"));
        preparePage(&writer);
        if (!paint(&writer)) {
            if (error)
                *error = QStringLiteral("The report could not be drawn.");
            file.cancelWriting();
            return false;
        }
    }
    // Flushing first: commit() would not notice a failed write of buffered data.
    if (!file.flush() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

void ReportPainter::paintPage(
    QPainter& painter, double pxPerMm, double pageHeightMm, int firstRow, int rowCount) const
{
    const auto px = [pxPerMm](double mm) { return mm * pxPerMm; };
    const auto textAt = [&](double leftMm, double topMm, const QString& text) {
        painter.drawText(QRectF(px(leftMm), px(topMm), px(kBandWidth - leftMm), px(kDetailHeight)),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    };

    painter.drawText(QRectF(0, px(kTitleTop), px(kBandWidth), px(kHeaderHeight - kTitleTop)),
        Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, QStringLiteral("The Data Print Title"));

    const double captionBand = kHeaderHeight;
    for (const Column& column : kColumns)
        textAt(column.captionLeft, captionBand + kCaptionTop, QString::fromLatin1(column.caption));

    double bandTop = kHeaderHeight + kColumnHeaderHeight;
    for (int r = firstRow; r < firstRow + rowCount; ++r, bandTop += kDetailHeight) {
        const QStringList& row = rows_[r];
        for (int c = 0; c < int(std::size(kColumns)) && c < row.size(); ++c) {
            const QString text = c == kUnitColumn ? UnitGlyphs::toDisplay(row[c]) : row[c];
            textAt(kColumns[c].fieldLeft, bandTop + kFieldTop, text);
        }
    }

    const double footerBand = pageHeightMm - kFooterHeight;
    textAt(kFooterLeft, footerBand + kFooterTop, QStringLiteral("The Data Print Foot"));
}
