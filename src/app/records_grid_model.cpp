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
    learnColumns();
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

void RecordsGridModel::learnColumns()
{
    kinds_.assign(std::size_t(columnCount()), ColumnKind::Other);
    for (int column = 0; column < columnCount(); ++column) {
        const QString name = source_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const auto is = [&name](const char* field) {
            return name.compare(QLatin1String(field), Qt::CaseInsensitive) == 0;
        };
        if (is("Value"))
            kinds_[std::size_t(column)] = ColumnKind::Value;
        else if (is("Unit"))
            kinds_[std::size_t(column)] = ColumnKind::Unit;
        else if (is("Time") || is("DC/AC") || is("AUTO"))
            kinds_[std::size_t(column)] = ColumnKind::Centred;
    }
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
    const ColumnKind kind
        = std::size_t(column) < kinds_.size() ? kinds_[std::size_t(column)] : ColumnKind::Other;
    switch (role) {
    case Qt::DisplayRole: {
        const QVariant text = source_->index(first_ + index.row(), column).data(role);
        return kind == ColumnKind::Unit ? QVariant(UnitGlyphs::toDisplay(text.toString())) : text;
    }
    case Qt::TextAlignmentRole:
        switch (kind) {
        case ColumnKind::Value:
        case ColumnKind::Unit:
            return int(Qt::AlignRight | Qt::AlignVCenter);
        case ColumnKind::Centred:
            return int(Qt::AlignHCenter | Qt::AlignVCenter);
        case ColumnKind::Other:
            break;
        }
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::FontRole:
        if (kind == ColumnKind::Value)
            return valueFont_;
        if (kind == ColumnKind::Unit)
            return unitFont_;
        break;
    default:
        break;
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
    learnColumns();
    endResetModel();
    emit windowChanged();
}
