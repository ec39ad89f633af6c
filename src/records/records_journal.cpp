#include "records/records_journal.h"

#include "records/journal.h"
#include "records/paradox_value.h"
#include "records/records_snapshot.h"
#include "records/records_table.h"

#include <QHash>
#include <QLocale>

RecordsJournal::RecordsJournal(Journal& journal, QString variant)
    : journal_(journal)
    , variant_(std::move(variant))
{
}

void RecordsJournal::beginTable(const QString& table, qint64 baseRows)
{
    log_ = journal_.startLog(QDateTime::currentDateTime(), source_, variant_, table);
    baseRows_ = baseRows;
}

void RecordsJournal::setSource(const QString& source)
{
    if (source == source_)
        return;
    source_ = source;
    if (log_)
        journal_.setSource(log_, source);
}

void RecordsJournal::rowAppended(const LoggedRow& row)
{
    if (log_)
        journal_.append(log_, row);
}

void RecordsJournal::saved()
{
    if (log_)
        journal_.markSaved(log_);
}

void RecordsJournal::dropped()
{
    if (log_)
        journal_.markDiscarded(log_);
}

void RecordsJournal::emptied(const QString& table)
{
    dropped();
    beginTable(table, 0);
}

void RecordsJournal::stopped()
{
    journal_.commit();
}

QList<QDateTime> RecordsJournal::stamps(const RecordsTable& table)
{
    return stampLookup().stamps(table.snapshot());
}

RecordsJournal::StampLookup RecordsJournal::stampLookup() const
{
    StampLookup lookup;
    lookup.journal_ = &journal_;
    lookup.log_ = log_;
    lookup.baseRows_ = baseRows_;
    return lookup;
}

QList<QDateTime> RecordsJournal::StampLookup::stamps(const RecordsSnapshot& table) const
{
    QList<QDateTime> stamps(table.rowCount());
    const int no = table.fieldIndex(QStringLiteral("No"));
    if (!log_ || no < 0)
        return stamps;
    // Matched by number: a log numbers its rows once each.
    QHash<qint32, QDateTime> byNumber;
    for (const auto& [number, stamp] : journal_->stamps(log_))
        byNumber.insert(number, stamp);
    const FieldDef& field = table.fields()[no];
    for (qint64 i = baseRows_; i < table.rowCount(); ++i)
        stamps[i] = byNumber.value(
            ParadoxValue::toVariant(field, table.rows().row(i) + table.fieldOffset(no)).toInt());
    return stamps;
}

std::optional<RecordsJournal::Offer> RecordsJournal::offer()
{
    Offer offer;
    for (const Journal::UnsavedLog& log : journal_.unsavedLogs()) {
        offer.logs.append(log.log);
        offer.rows += log.rows;
        if (!offer.first.isValid() || log.first < offer.first)
            offer.first = log.first;
        if (!offer.last.isValid() || log.last > offer.last)
            offer.last = log.last;
    }
    if (offer.rows == 0)
        return std::nullopt;
    return offer;
}

QString RecordsJournal::question(const Offer& offer)
{
    const QLocale locale = QLocale::system();
    const QString time = QStringLiteral("HH:mm:ss");
    const QString first = offer.first.toString(time);
    // A log that ran past midnight names the day it ended as well.
    QString last = offer.last.toString(time);
    if (offer.last.date() != offer.first.date())
        last = locale.toString(offer.last.date(), QLocale::LongFormat) + QLatin1Char(' ') + last;
    const QString day = locale.toString(offer.first.date(), QLocale::LongFormat);
    if (offer.rows == 1)
        return QStringLiteral("1 reading logged on %1 at %2 was not saved. Restore it?").arg(day, first);
    return QStringLiteral("%1 readings logged on %2 from %3 to %4 were not saved. Restore them?")
        .arg(offer.rows)
        .arg(day, first, last);
}

QList<LoggedRow> RecordsJournal::takeBack(const Offer& offer)
{
    QList<LoggedRow> rows = journal_.unsavedRows(offer.logs);
    if (log_)
        journal_.adopt(offer.logs, log_);
    return rows;
}

void RecordsJournal::decline(const Offer& offer)
{
    for (qint64 log : offer.logs)
        journal_.markDiscarded(log);
}
