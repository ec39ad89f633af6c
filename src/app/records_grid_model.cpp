#include "app/records_grid_model.h"

#include "decode/unit_glyphs.h"

#include <algorithm>

RecordsGridModel::RecordsGridModel(QAbstractItemModel* source, QObject* parent)
    : QAbstractTableModel(parent)
    , source_(source)
{
    connect(source, &QAbstractItemModel::rowsInserted, this, &RecordsGridModel::onSourceRowsInserted);
    connect(source, &QAbstractItemModel::modelReset, this, &RecordsGridModel::onSourceReset);
    shown_ = shownRows();
}

int RecordsGridModel::tableRowCount() const
{
    return source_ ? source_->rowCount() : 0;
}

int RecordsGridModel::shownRows() const
{
    // One more than fit whole, so the row cut off at the bottom is drawn too.
    return std::clamp(tableRowCount() - first_, 0, size_ + 1);
}

int RecordsGridModel::lastFirstRow() const
{
    return std::max(0, tableRowCount() - size_);
}

int RecordsGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shown_;
}

int RecordsGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !source_ ? 0 : source_->columnCount();
}

QString RecordsGridModel::fieldName(int column) const
{
    return source_ ? source_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString() : QString();
}

bool RecordsGridModel::isField(int column, const char* name) const
{
    return fieldName(column).compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

namespace {

QFont pixelFont(const QStringList& families, int pixels)
{
    QFont f;
    f.setFamilies(families);
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(false); // not the window's bold
    return f;
}

/** Arial Narrow and the faces made to its measure, then Arial and its like. */
QStringList narrowFamilies()
{
    return { QStringLiteral("Arial Narrow"), QStringLiteral("Liberation Sans Narrow"),
        QStringLiteral("Nimbus Sans Narrow"), QStringLiteral("DejaVu Sans Condensed"),
        QStringLiteral("Arial") };
}

} // namespace

QFont RecordsGridModel::gridFont()
{
    return pixelFont(narrowFamilies(), 12);
}

QFont RecordsGridModel::valueFont()
{
    return pixelFont(
        QStringList { QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei") } + narrowFamilies(), 12);
}

QFont RecordsGridModel::unitFont()
{
    return UnitGlyphs::font(12);
}

QVariant RecordsGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || !source_ || index.row() >= shown_)
        return {};
    const int column = index.column();
    if (role == Qt::DisplayRole) {
        const QVariant text = source_->index(first_ + index.row(), column).data(role);
        if (isField(column, "Unit"))
            return UnitGlyphs::toDisplay(text.toString());
        return text;
    }
    if (role == Qt::TextAlignmentRole) {
        if (isField(column, "Value") || isField(column, "Unit"))
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (isField(column, "Time") || isField(column, "DC/AC") || isField(column, "AUTO"))
            return int(Qt::AlignHCenter | Qt::AlignVCenter);
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role == Qt::FontRole) {
        if (isField(column, "Value"))
            return valueFont();
        if (isField(column, "Unit"))
            return unitFont();
    }
    return {};
}

QVariant RecordsGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (!source_)
        return {};
    if (orientation == Qt::Horizontal)
        return source_->headerData(section, orientation, role);
    return {};
}

void RecordsGridModel::setWindowSize(int rows)
{
    rows = std::max(1, rows);
    if (rows == size_)
        return;
    size_ = rows;
    // A taller window shows rows from further up when it would run past the end.
    const int first = std::min(first_, lastFirstRow());
    if (first != first_) {
        first_ = first;
        if (shown_ > 0)
            emit dataChanged(index(0, 0), index(shown_ - 1, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, 0, std::max(0, shown_ - 1));
    }
    fitShownRows();
    emit windowChanged();
}

void RecordsGridModel::fitShownRows()
{
    const int wanted = shownRows();
    if (wanted > shown_) {
        beginInsertRows({}, shown_, wanted - 1);
        shown_ = wanted;
        endInsertRows();
    } else if (wanted < shown_) {
        beginRemoveRows({}, wanted, shown_ - 1);
        shown_ = wanted;
        endRemoveRows();
    }
}

void RecordsGridModel::setFirstRow(int row)
{
    row = std::clamp(row, 0, lastFirstRow());
    if (row == first_)
        return;
    first_ = row;
    // The window keeps its rows, but for the one cut off at the bottom,
    // which is gone at the end of the table; only what they show changes.
    fitShownRows();
    if (shown_ > 0) {
        emit dataChanged(index(0, 0), index(shown_ - 1, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, 0, shown_ - 1);
    }
    emit windowChanged();
}

void RecordsGridModel::onSourceRowsInserted()
{
    if (followsNewRows_) {
        const int before = first_;
        setFirstRow(lastFirstRow());
        if (first_ != before)
            return;
    }
    fitShownRows();
    emit windowChanged();
}

void RecordsGridModel::onSourceReset()
{
    beginResetModel();
    first_ = 0;
    shown_ = shownRows();
    endResetModel();
    emit windowChanged();
}
