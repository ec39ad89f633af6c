#include "decode/lcd_panel_widget.h"

#include "decode/lcd_panel_layout.h"
#include "decode/seven_segment.h"
#include "decode/unit_glyphs.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor Background(232, 232, 232);
const QColor Ink(24, 26, 30);
const QColor InkShadow(0, 0, 0, 38);
const QColor Ghost(0, 0, 0, 14);

using E = PanelModel::Element;
using K = LcdPanelLayout::Kind;

QFont lcdFont(int pixels)
{
    return UnitGlyphs::font(pixels, true);
}

/** Fills a shape the way an LCD shows a lit element: a soft shadow just below, then the ink. */
void fillLit(QPainter& p, const QPainterPath& path)
{
    p.fillPath(path.translated(0.8, 1.0), InkShadow);
    p.fillPath(path, Ink);
}

QPainterPath polygonPath(const QPolygonF& polygon)
{
    QPainterPath path;
    path.addPolygon(polygon);
    path.closeSubpath();
    return path;
}

QPainterPath textPath(const QString& text, const QRectF& rect, int pixels)
{
    const QFont font = lcdFont(pixels);
    const QFontMetricsF metrics(font);
    QPainterPath path;
    path.addText(0, 0, font, text);
    // Centred across its place; the capital height sits in the middle so that
    // "m" and "k" share a baseline.
    const double x = rect.center().x() - path.boundingRect().center().x();
    const double baseline = rect.center().y() + metrics.capHeight() / 2.0;
    path.translate(x, baseline);
    return path;
}

QPainterPath batteryPath(const QRectF& r)
{
    QPainterPath outline;
    const QRectF body(r.left(), r.top(), r.width() - 3.0, r.height());
    outline.addRect(body);
    QPainterPath inner;
    inner.addRect(body.adjusted(1.6, 1.6, -1.6, -1.6));
    QPainterPath path = outline.subtracted(inner);
    path.addRect(QRectF(body.right(), r.center().y() - 2.5, 3.0, 5.0));
    // A low battery shows one bar left.
    path.addRect(QRectF(body.left() + 3.2, body.top() + 3.2, 3.0, body.height() - 6.4));
    return path;
}

QPainterPath diodePath(const QRectF& r)
{
    const double midY = r.center().y();
    const double triLeft = r.left() + r.width() * 0.25, barX = r.left() + r.width() * 0.68;
    QPainterPath triangle;
    triangle.addPolygon(QPolygonF({ { triLeft, r.top() }, { barX, midY }, { triLeft, r.bottom() } }));
    triangle.closeSubpath();
    QPainterPath bars;
    bars.addRect(QRectF(barX, r.top(), 2.2, r.height()));
    bars.addRect(QRectF(r.left(), midY - 1.0, r.width(), 2.0));
    bars.setFillRule(Qt::WindingFill);
    return triangle.united(bars);
}

QPainterPath beeperPath(const QRectF& r)
{
    QPainterPath path;
    const double h = r.height(), cy = r.center().y();
    // Speaker: a small box and a cone.
    path.addRect(QRectF(r.left(), cy - h * 0.18, 3.0, h * 0.36));
    path.addPolygon(QPolygonF({ { r.left() + 3.0, cy - h * 0.18 }, { r.left() + 8.0, r.top() + 1.0 },
        { r.left() + 8.0, r.bottom() - 1.0 }, { r.left() + 3.0, cy + h * 0.18 } }));
    path.closeSubpath();
    // Three sound waves as thin arcs.
    QPainterPath waves;
    for (int i = 0; i < 3; ++i) {
        const double radius = 3.5 + 3.8 * i;
        const QRectF arc(r.left() + 8.0 - radius, cy - radius, 2.0 * radius, 2.0 * radius);
        waves.arcMoveTo(arc, -45);
        waves.arcTo(arc, -45, 90);
    }
    QPainterPathStroker stroker;
    stroker.setWidth(1.7);
    stroker.setCapStyle(Qt::RoundCap);
    return path.united(stroker.createStroke(waves));
}

} // namespace

LcdPanelWidget::LcdPanelWidget(PanelModel* model, QWidget* parent)
    : QWidget(parent)
    , model_(model)
{
    setObjectName(QStringLiteral("Panel1"));
    setFixedSize(LcdPanelLayout::panelSize());
    setAttribute(Qt::WA_OpaquePaintEvent);
    repaintTimer_.setSingleShot(true);
    repaintTimer_.setInterval(RepaintInterval);
    connect(&repaintTimer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    if (model_)
        connect(model_, &PanelModel::changed, this, &LcdPanelWidget::scheduleRepaint);
}

void LcdPanelWidget::scheduleRepaint()
{
    if (!repaintTimer_.isActive())
        repaintTimer_.start();
}

void LcdPanelWidget::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    paintPanel(p);
}

void LcdPanelWidget::paintPanel(QPainter& p) const
{
    const QRectF all(rect());
    p.fillRect(all, Background);
    // Lowered bevel: dark upper and left edges, light lower and right edges.
    p.setPen(QPen(QColor(128, 128, 128), 1.0));
    p.drawLine(QPointF(0.5, 0.5), QPointF(all.width() - 0.5, 0.5));
    p.drawLine(QPointF(0.5, 0.5), QPointF(0.5, all.height() - 0.5));
    p.setPen(QPen(QColor(255, 255, 255), 1.0));
    p.drawLine(QPointF(0.5, all.height() - 0.5), QPointF(all.width() - 0.5, all.height() - 0.5));
    p.drawLine(QPointF(all.width() - 0.5, 0.5), QPointF(all.width() - 0.5, all.height() - 0.5));
    p.setPen(QPen(QColor(96, 96, 96), 1.0));
    p.drawLine(QPointF(1.5, 1.5), QPointF(all.width() - 1.5, 1.5));
    p.drawLine(QPointF(1.5, 1.5), QPointF(1.5, all.height() - 1.5));
    p.setPen(QPen(QColor(220, 220, 220), 1.0));
    p.drawLine(QPointF(1.5, all.height() - 1.5), QPointF(all.width() - 1.5, all.height() - 1.5));
    p.drawLine(QPointF(all.width() - 1.5, 1.5), QPointF(all.width() - 1.5, all.height() - 1.5));
    p.setPen(Qt::NoPen);

    if (!model_)
        return;
    for (const auto& item : LcdPanelLayout::elements())
        paintElement(p, item.element);
    paintBar(p);
}

void LcdPanelWidget::paintElement(QPainter& p, PanelModel::Element e) const
{
    const auto& item = LcdPanelLayout::place(e);
    if (item.kind == K::Digit) {
        paintDigit(p, e);
        return;
    }
    if (!model_->isVisible(e))
        return;
    switch (item.kind) {
    case K::Sign: {
        QPainterPath path;
        path.addRoundedRect(item.rect, 1.5, 1.5);
        fillLit(p, path);
        break;
    }
    case K::Point: {
        QPainterPath path;
        path.addRoundedRect(item.rect.adjusted(0.5, 0.5, -0.5, -0.5), 1.5, 1.5);
        fillLit(p, path);
        break;
    }
    case K::Text: {
        const QString text
            = item.fixedText.isEmpty() ? UnitGlyphs::toDisplay(model_->caption(e)) : item.fixedText;
        if (!text.trimmed().isEmpty())
            fillLit(p, textPath(text, item.rect, item.fontPixels));
        break;
    }
    case K::Battery:
        fillLit(p, batteryPath(item.rect));
        break;
    case K::Diode:
        fillLit(p, diodePath(item.rect));
        break;
    case K::Beeper:
        fillLit(p, beeperPath(item.rect));
        break;
    case K::Digit:
    case K::None:
        break;
    }
}

void LcdPanelWidget::paintDigit(QPainter& p, PanelModel::Element e) const
{
    const auto& item = LcdPanelLayout::place(e);
    const auto polygons = SevenSegment::segmentPolygons(item.rect, LcdPanelLayout::digitStyle());
    const QString caption = model_->caption(e);
    const SevenSegment::Mask lit
        = model_->isVisible(e) && !caption.isEmpty() ? SevenSegment::segmentsFor(caption.front()) : 0;
    for (int s = 0; s < SevenSegment::SegmentCount; ++s) {
        const QPainterPath path = polygonPath(polygons[std::size_t(s)]);
        if (SevenSegment::isLit(lit, SevenSegment::Segment(s)))
            fillLit(p, path);
        else
            p.fillPath(path, Ghost);
    }
}

void LcdPanelWidget::paintBar(QPainter& p) const
{
    const int position = model_->barPosition();
    for (int i = 0; i < LcdPanelLayout::BarSegments; ++i) {
        QPainterPath path;
        path.addRect(LcdPanelLayout::barSegment(i));
        if (i < position)
            fillLit(p, path);
        else
            p.fillPath(path, Ghost);
    }
    // Scale: a tick every 5 segments, a longer one and a number every 10.
    const QRectF scale = LcdPanelLayout::barScale();
    QPainterPath marks;
    for (int i = 0; i <= LcdPanelLayout::BarSegments; i += 5) {
        const double x = i < LcdPanelLayout::BarSegments ? LcdPanelLayout::barSegment(i).left()
                                                         : LcdPanelLayout::barSegment(i - 1).right();
        const double length = i % 10 == 0 ? 4.5 : 2.5;
        marks.addRect(QRectF(x, scale.top(), 1.2, length));
        if (i % 10 == 0) {
            const QRectF label(x - 10.0, scale.top() + 5.5, 20.0, 9.0);
            marks.addPath(textPath(QString::number(i), label, 9));
        }
    }
    marks.addRect(QRectF(scale.left(), scale.top(), scale.width() + 1.2, 0.9));
    fillLit(p, marks);
}
