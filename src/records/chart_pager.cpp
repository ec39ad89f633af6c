#include "records/chart_pager.h"

#include "records/whole_number.h"

#include <algorithm>

namespace {
constexpr size_t smallBlock = 64;
constexpr size_t largeBlock = 4096;
} // namespace

ChartPager::ChartPager(QObject* parent)
    : QObject(parent)
{
    clearPoints();
}

void ChartPager::clearPoints()
{
    values_.clear();
    blocks64_.clear();
    blocks4096_.clear();
    values_.push_back(placeholderValue);
    summarize(blocks64_, smallBlock, 0);
    summarize(blocks4096_, largeBlock, 0);
}

void ChartPager::summarize(std::vector<Extremes>& level, size_t blockSize, size_t index)
{
    const size_t block = index / blockSize;
    if (block == level.size()) {
        level.push_back({ index, index });
        return;
    }
    Extremes& e = level[block];
    if (values_[index] < values_[e.minIndex])
        e.minIndex = index;
    if (values_[index] > values_[e.maxIndex])
        e.maxIndex = index;
}

void ChartPager::addPoint(double value)
{
    values_.push_back(value);
    const size_t index = values_.size() - 1;
    summarize(blocks64_, smallBlock, index);
    summarize(blocks4096_, largeBlock, index);
    if (followsLast_) {
        page_ = pageCount();
        caption_ = QString::number(page_);
        emit controlsChanged();
    }
    emit pageChanged();
}

void ChartPager::BtNewClick()
{
    clearPoints();
    emit pageChanged();
}

int ChartPager::pageCount() const
{
    const qsizetype n = pointCount();
    if (pointsPerPage_ <= 0 || n == 0)
        return 1;
    return int((n + pointsPerPage_ - 1) / pointsPerPage_);
}

void ChartPager::setPage(int page)
{
    page_ = std::clamp(page, 1, pageCount());
    emit pageChanged();
}

void ChartPager::setPointsPerPage(int count)
{
    pointsPerPage_ = std::max(count, 0);
    if (page_ > pageCount())
        page_ = pageCount();
    // The caption names the page on show, so it moves with the page.
    caption_ = QString::number(page_);
    emit controlsChanged();
    emit pageChanged();
}

void ChartPager::MaxrecordExit(const QString& text)
{
    setPointsPerPage(wholenumber::parse(text));
}

void ChartPager::finishPageAction(bool followsLast)
{
    followsLast_ = followsLast;
    caption_ = QString::number(page_);
    emit controlsChanged();
    emit pageChanged();
}

void ChartPager::BtFirstClick()
{
    page_ = 1;
    buttons_ = { false, false, true, true };
    finishPageAction(false);
}

void ChartPager::BTPreviousClick()
{
    if (page_ <= 1) {
        buttons_ = { false, false, true, true };
    } else {
        page_ = std::clamp(page_ - 1, 1, pageCount());
        buttons_.next = buttons_.last = true;
    }
    finishPageAction(false);
}

void ChartPager::BtNextClick()
{
    if (page_ >= pageCount()) {
        buttons_ = { true, true, false, false };
    } else {
        ++page_;
        buttons_.first = buttons_.previous = true;
    }
    finishPageAction(false);
}

void ChartPager::BTlastClick()
{
    page_ = pageCount();
    buttons_ = { true, true, false, false };
    finishPageAction(true);
}

void ChartPager::pageAfterReading()
{
    // Turning to the first page after every reading, as the paging step once
    // did, would keep the newest readings off the chart for good.
    if (!followsLast_)
        return;
    const PageButtons onLast { true, true, false, false };
    if (page_ == pageCount() && buttons_ == onLast)
        return;
    page_ = pageCount();
    buttons_ = onLast;
    caption_ = QString::number(page_);
    emit controlsChanged();
    emit pageChanged();
}

ChartPager::PageButtons ChartPager::pageButtons() const
{
    PageButtons b = buttons_;
    if (held_)
        b.next = b.last = false;
    return b;
}

void ChartPager::setNextAndLastHeld(bool held)
{
    held_ = held;
    if (!held)
        buttons_.next = buttons_.last = true;
    emit controlsChanged();
}

std::pair<double, double> ChartPager::pageXRange() const
{
    if (pointsPerPage_ <= 0)
        return { 0.0, double(std::max<qsizetype>(pointCount() - 1, 1)) };
    const double first = double(page_ - 1) * pointsPerPage_;
    return { first, first + pointsPerPage_ };
}

ChartPager::Extremes ChartPager::extremesIn(size_t begin, size_t end) const
{
    Extremes e { begin, begin };
    auto take = [&](const Extremes& part) {
        if (values_[part.minIndex] < values_[e.minIndex])
            e.minIndex = part.minIndex;
        if (values_[part.maxIndex] > values_[e.maxIndex])
            e.maxIndex = part.maxIndex;
    };
    size_t i = begin;
    while (i < end) {
        if (i % largeBlock == 0 && i + largeBlock <= end) {
            take(blocks4096_[i / largeBlock]);
            i += largeBlock;
        } else if (i % smallBlock == 0 && i + smallBlock <= end) {
            take(blocks64_[i / smallBlock]);
            i += smallBlock;
        } else {
            take({ i, i });
            ++i;
        }
    }
    return e;
}

std::pair<size_t, size_t> ChartPager::pageIndexRange() const
{
    size_t begin = 0;
    size_t end = values_.size();
    if (pointsPerPage_ > 0) {
        begin = std::min(size_t(page_ - 1) * size_t(pointsPerPage_), end);
        end = std::min(begin + size_t(pointsPerPage_), end);
    }
    return { begin, end };
}

qsizetype ChartPager::pagePointCount() const
{
    const auto [begin, end] = pageIndexRange();
    return qsizetype(end - begin);
}

std::vector<ChartPager::EnvelopeColumn> ChartPager::pageEnvelope(int columns) const
{
    std::vector<EnvelopeColumn> envelope;
    const auto [begin, end] = pageIndexRange();
    if (begin == end || columns <= 0)
        return envelope;
    const auto [first, last] = pageXRange();
    const size_t origin = size_t(first);
    const size_t span = size_t(last - first);
    const size_t width = size_t(columns);
    envelope.reserve(width);
    for (size_t c = 0; c < width; ++c) {
        // Column c holds the ordinals whose position (i - origin) * width / span lies in [c, c + 1);
        // the last column also takes the right edge itself.
        const size_t from = std::max(origin + (c * span + width - 1) / width, begin);
        const size_t to = c + 1 == width ? end : std::min(origin + ((c + 1) * span + width - 1) / width, end);
        if (from >= to)
            continue;
        const Extremes e = extremesIn(from, to);
        envelope.push_back(
            { int(c), values_[e.minIndex], values_[e.maxIndex], values_[from], values_[to - 1] });
    }
    return envelope;
}

QList<QPointF> ChartPager::pagePoints(int pixelWidth) const
{
    const auto [begin, end] = pageIndexRange();
    const size_t count = end - begin;
    QList<QPointF> points;
    const size_t columns = size_t(std::max(pixelWidth, 1));
    if (count <= columns) {
        points.reserve(qsizetype(count));
        for (size_t i = begin; i < end; ++i)
            points.append(QPointF(double(i), values_[i]));
        return points;
    }
    points.reserve(qsizetype(2 * columns));
    for (size_t c = 0; c < columns; ++c) {
        const size_t from = begin + count * c / columns;
        const size_t to = begin + count * (c + 1) / columns;
        if (from == to)
            continue;
        const Extremes e = extremesIn(from, to);
        const size_t a = std::min(e.minIndex, e.maxIndex);
        const size_t b = std::max(e.minIndex, e.maxIndex);
        points.append(QPointF(double(a), values_[a]));
        if (b != a)
            points.append(QPointF(double(b), values_[b]));
    }
    return points;
}

void ChartPager::setValueRange(double minimum, double maximum)
{
    valueMin_ = minimum;
    valueMax_ = maximum;
    emit controlsChanged();
}

void ChartPager::ShowSeries(int index)
{
    activeSeries_ = (index == 0 || index == 1) ? index : -1;
    emit controlsChanged();
}
