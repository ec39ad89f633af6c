#include "records/report_painter.h"

#include "decode/unit_glyphs.h"
#include "records/job_progress.h"
#include "records/records_snapshot.h"
#include "records/report_pdf_file.h"
#include "records/table_store_error.h"
#include "records/text_export.h"

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>

#include <array>
#include <cmath>
#include <vector>

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

constexpr Column kColumns[ReportPainter::Columns] = {
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

constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;

/**
 * How a text of a band reaches the painter. The plain way is drawText(); a
 * printout uses cached glyph runs instead (Printing::Glyphs), which give the
 * same glyphs at the same places.
 */
class TextSink {
public:
    virtual ~TextSink() = default;
    /** A text whose top-left corner is at @p topLeft, in device pixels. */
    virtual void text(QPainter& painter, QPointF topLeft, double width, double height, const QString& text)
        = 0;
    /** Ends a band: texts gathered so far may be drawn together. */
    virtual void endBand(QPainter&) { }
};

class DrawTextSink : public TextSink {
public:
    void text(QPainter& painter, QPointF topLeft, double width, double height, const QString& text) override
    {
        painter.drawText(QRectF(topLeft, QSizeF(width, height)), kTextFlags, text);
    }
};

/** One report's pages and the rows behind them. */
void paintBands(QPainter& painter, const ReportPainter& report, int page, int perPage, double pageHeightMm,
    TextSink& sink)
{
    const double pxPerMm = painter.device()->logicalDpiY() / 25.4;
    const auto px = [pxPerMm](double mm) { return mm * pxPerMm; };
    const auto textAt = [&](double leftMm, double topMm, const QString& text) {
        sink.text(painter, QPointF(px(leftMm), px(topMm)), px(kBandWidth - leftMm), px(kDetailHeight), text);
    };

    painter.drawText(QRectF(0, px(kTitleTop), px(kBandWidth), px(kHeaderHeight - kTitleTop)),
        Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, QStringLiteral("The Data Print Title"));

    const double captionBand = kHeaderHeight;
    for (const Column& column : kColumns)
        textAt(column.captionLeft, captionBand + kCaptionTop, QString::fromLatin1(column.caption));
    sink.endBand(painter);

    const qint64 first = qint64(page) * perPage;
    const qint64 end = std::min<qint64>(first + perPage, report.rowCount());
    double bandTop = kHeaderHeight + kColumnHeaderHeight;
    for (qint64 r = first; r < end; ++r, bandTop += kDetailHeight) {
        const QStringList row = report.rowTexts(r);
        for (int c = 0; c < ReportPainter::Columns && c < row.size(); ++c) {
            const QString text = c == kUnitColumn ? UnitGlyphs::toDisplay(row[c]) : row[c];
            textAt(kColumns[c].fieldLeft, bandTop + kFieldTop, text);
        }
        sink.endBand(painter);
    }

    const double footerBand = pageHeightMm - kFooterHeight;
    textAt(kFooterLeft, footerBand + kFooterTop, QStringLiteral("The Data Print Foot"));
    sink.endBand(painter);
}

} // namespace

// ---- Where the rows come from ------------------------------------------------

class ReportPainter::Source {
public:
    virtual ~Source() = default;
    virtual qint64 count() const = 0;
    virtual QStringList texts(qint64 row) const = 0;
};

namespace {

class ListSource : public ReportPainter::Source {
public:
    explicit ListSource(QList<QStringList> rows)
        : rows_(std::move(rows))
    {
    }
    qint64 count() const override { return rows_.size(); }
    QStringList texts(qint64 row) const override { return rows_[row]; }

private:
    QList<QStringList> rows_;
};

class SnapshotSource : public ReportPainter::Source {
public:
    explicit SnapshotSource(RecordsSnapshot rows)
        : rows_(std::move(rows))
    {
        for (const QString& name : TextExport::columnNames()) {
            const int index = rows_.fieldIndex(name);
            if (index < 0)
                throw TableStoreError(QStringLiteral("Field '%1' not found").arg(name));
            columns_.append(index);
        }
    }
    qint64 count() const override { return rows_.rowCount(); }
    QStringList texts(qint64 row) const override
    {
        QStringList texts;
        texts.reserve(columns_.size());
        for (int field : columns_)
            texts.append(rows_.displayText(row, field));
        return texts;
    }

private:
    RecordsSnapshot rows_;
    QList<int> columns_;
};

} // namespace

// ---- The report ---------------------------------------------------------------

ReportPainter::ReportPainter(QList<QStringList> rows)
    : source_(std::make_shared<ListSource>(std::move(rows)))
{
}

ReportPainter::ReportPainter(RecordsSnapshot rows)
    : source_(std::make_shared<SnapshotSource>(std::move(rows)))
{
}

ReportPainter::~ReportPainter() = default;
ReportPainter::ReportPainter(const ReportPainter&) = default;
ReportPainter& ReportPainter::operator=(const ReportPainter&) = default;

qint64 ReportPainter::rowCount() const
{
    return source_->count();
}

int ReportPainter::pageCount() const
{
    return pageCount(RowsPerPage);
}

int ReportPainter::pageCount(int rowsPerPage) const
{
    const qint64 perPage = std::max(1, rowsPerPage);
    return int((rowCount() + perPage - 1) / perPage);
}

QStringList ReportPainter::rowTexts(qint64 row) const
{
    return source_->texts(row);
}

int ReportPainter::rowsPerPage(double heightMm)
{
    const double room = heightMm - kHeaderHeight - kColumnHeaderHeight - kFooterHeight;
    // A small tolerance keeps rounding of the device's page area from losing a line.
    return std::max(1, int(std::floor((room + 1e-6) / kDetailHeight)));
}

namespace {
double pageAreaHeight(QPagedPaintDevice* device)
{
    const double height = device->pageLayout().paintRect(QPageLayout::Millimeter).height();
    return height > 0 ? height : kA4AreaHeight;
}
} // namespace

int ReportPainter::rowsPerPage(QPagedPaintDevice* device)
{
    // The layout is A4's; a taller area keeps 37 lines, a shorter one fits fewer.
    return std::min(RowsPerPage, rowsPerPage(pageAreaHeight(device)));
}

void ReportPainter::preparePage(QPagedPaintDevice* device)
{
    device->setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(10.0, 10.0, 10.0, 10.0), QPageLayout::Millimeter));
}

void ReportPainter::paintPage(QPainter& painter, int page, int perPage, double pageHeightMm) const
{
    painter.save();
    painter.setFont(reportFont());
    painter.setPen(Qt::black);
    DrawTextSink sink;
    paintBands(painter, *this, page, perPage, pageHeightMm, sink);
    painter.restore();
}

bool ReportPainter::paint(QPagedPaintDevice* device) const
{
    Printing printing(*this, device);
    while (printing.next()) { }
    return printing.finish();
}

bool ReportPainter::writePdf(const QString& path, QString* error, JobProgress* progress) const
{
    ReportPdfFile file(*this, path);
    if (progress)
        progress->setTotal(file.pageCount());
    if (!file.open(error))
        return false;
    while (file.next())
        if (progress)
            progress->advance(file.pagesDone());
    return file.commit(error);
}

// ---- Page by page onto a device ----------------------------------------------------

/**
 * Glyph runs of the texts met so far, laid out once for the device. A row's
 * texts are drawn together as one run per font, which a PDF stores far more
 * compactly than one text object per field.
 */
struct ReportPainter::Printing::Glyphs : TextSink {
    explicit Glyphs(QPaintDevice* device)
        : font(reportFont(), device)
        , device(device)
    {
        learnDigits();
    }

    void text(QPainter&, QPointF topLeft, double, double, const QString& text) override
    {
        if (composeDigits(text, topLeft))
            return;
        auto it = cache.constFind(text);
        if (it == cache.constEnd()) {
            if (cache.size() >= kCacheLimit)
                cache.clear();
            it = cache.insert(text, layOut(text));
        }
        for (const QGlyphRun& run : *it) {
            Band& band = bandFor(run.rawFont());
            band.glyphs += run.glyphIndexes();
            for (const QPointF& p : run.positions())
                band.positions.append(p + topLeft);
        }
    }

    void endBand(QPainter& painter) override
    {
        for (Band& band : bands) {
            QGlyphRun run;
            run.setRawFont(band.font);
            run.setGlyphIndexes(band.glyphs);
            run.setPositions(band.positions);
            painter.drawGlyphRun(QPointF(0, 0), run);
        }
        bands.clear();
    }

    /** What drawText() would draw at the origin, as glyph runs. */
    QList<QGlyphRun> layOut(const QString& text) const
    {
        QTextLayout layout(text, font, device);
        QTextOption option(Qt::AlignLeft | Qt::AlignTop);
        option.setWrapMode(QTextOption::NoWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        if (line.isValid())
            line.setPosition(QPointF(0, 0));
        layout.endLayout();
        return layout.glyphRuns();
    }

    /**
     * Numbers and times are new texts on nearly every line. When the font
     * sets each of their characters as one glyph, and every pair of them as
     * the two glyphs side by side (no kerning, no ligature), such a text is
     * composed from the characters instead of being laid out again.
     */
    void learnDigits()
    {
        const QString chars = QStringLiteral("0123456789:.,-+ ");
        for (const QChar c : chars) {
            const QList<QGlyphRun> runs = layOut(QString(c));
            if (runs.size() != 1 || runs[0].glyphIndexes().size() != 1)
                return;
            if (digitFont.isValid() && !(runs[0].rawFont() == digitFont))
                return;
            digitFont = runs[0].rawFont();
            const quint32 glyph = runs[0].glyphIndexes()[0];
            const QPointF advance = digitFont.advancesForGlyphIndexes({ glyph }).value(0);
            digits.insert(c, { glyph, advance.x() });
            baseline = runs[0].positions()[0].y();
        }
        for (const QChar a : chars)
            for (const QChar b : chars) {
                const QList<QGlyphRun> runs = layOut(QString(a) + b);
                if (runs.size() != 1 || runs[0].glyphIndexes().size() != 2
                    || runs[0].glyphIndexes()[0] != digits[a].glyph
                    || runs[0].glyphIndexes()[1] != digits[b].glyph
                    || std::abs(runs[0].positions()[1].x() - runs[0].positions()[0].x() - digits[a].advance)
                        > 0.05) {
                    digits.clear();
                    return;
                }
            }
    }

    bool composeDigits(const QString& text, QPointF topLeft)
    {
        if (digits.isEmpty() || text.isEmpty())
            return false;
        for (const QChar c : text)
            if (!digits.contains(c))
                return false;
        Band& band = bandFor(digitFont);
        double x = topLeft.x();
        for (const QChar c : text) {
            const Digit d = digits.value(c);
            band.glyphs.append(d.glyph);
            band.positions.append(QPointF(x, topLeft.y() + baseline));
            x += d.advance;
        }
        return true;
    }

    struct Band {
        QRawFont font;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };

    Band& bandFor(const QRawFont& rawFont)
    {
        for (Band& b : bands)
            if (b.font == rawFont)
                return b;
        bands.push_back({ rawFont, {}, {} });
        return bands.back();
    }

    struct Digit {
        quint32 glyph = 0;
        double advance = 0;
    };
    static constexpr qsizetype kCacheLimit = 4096;

    QFont font;
    QPaintDevice* device;
    QHash<QString, QList<QGlyphRun>> cache;
    std::vector<Band> bands;
    QRawFont digitFont;
    QHash<QChar, Digit> digits;
    double baseline = 0;
};

ReportPainter::Printing::Printing(
    const ReportPainter& report, QPagedPaintDevice* device, int firstPage, int lastPage)
    : report_(report)
    , device_(device)
{
    pageHeight_ = pageAreaHeight(device);
    perPage_ = rowsPerPage(device);
    const int pages = report.pageCount(perPage_);
    first_ = firstPage > 0 ? firstPage - 1 : 0;
    last_ = lastPage > 0 ? std::min(lastPage, pages) - 1 : pages - 1;
}

ReportPainter::Printing::~Printing()
{
    if (painter_ && painter_->isActive())
        painter_->end();
}

int ReportPainter::Printing::pageCount() const
{
    return std::max(0, last_ - first_ + 1);
}

bool ReportPainter::Printing::next()
{
    if (!ok_ || done_ >= pageCount())
        return false;
    if (!started_) {
        started_ = true;
        painter_ = std::make_unique<QPainter>();
        if (!painter_->begin(device_)) {
            ok_ = false;
            return false;
        }
        painter_->setFont(reportFont());
        painter_->setPen(Qt::black);
        glyphs_ = std::make_unique<Glyphs>(device_);
    } else if (!device_->newPage()) {
        ok_ = false;
        return false;
    }
    paintBands(*painter_, report_, first_ + done_, perPage_, pageHeight_, *glyphs_);
    ++done_;
    return done_ < pageCount();
}

bool ReportPainter::Printing::finish()
{
    if (painter_ && painter_->isActive() && !painter_->end())
        ok_ = false;
    return ok_;
}
