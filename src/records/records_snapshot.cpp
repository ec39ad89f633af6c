#include "records/records_snapshot.h"

#include "records/paradox_value.h"

RecordsSnapshot::RecordsSnapshot(
    QVector<FieldDef> fields, ParadoxRows rows, QString timeFormat, quint64 generation)
    : fields_(std::move(fields))
    , rows_(std::move(rows))
    , timeFormat_(std::move(timeFormat))
    , generation_(generation)
{
    int offset = 0;
    for (const FieldDef& f : fields_) {
        offsets_.append(offset);
        offset += f.size;
    }
}

RecordsSnapshot RecordsSnapshot::share() const
{
    return RecordsSnapshot(fields_, rows_.snapshot(), timeFormat_, generation_);
}

int RecordsSnapshot::fieldIndex(const QString& name) const
{
    for (int i = 0; i < fields_.size(); ++i)
        if (fields_[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString RecordsSnapshot::displayText(qint64 row, int field) const
{
    if (row < 0 || row >= rows_.count() || field < 0 || field >= fields_.size())
        return {};
    return ParadoxValue::toDisplay(fields_[field], rows_.row(row) + offsets_[field], timeFormat_);
}
