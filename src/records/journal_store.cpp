#include "records/journal_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/** Marks a database as this program's journal ("BM50"). */
constexpr qint64 kApplicationId = 0x424D3530;
constexpr int kSchemaVersion = 1;
/** Files up to this size are fully checked when opened; larger ones as they are used. */
constexpr qint64 kFullCheckBytes = 64LL * 1024 * 1024;

// SQLite's primary result codes that mean the file itself is unusable.
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

// Row states besides 0, unsaved.
constexpr int kSaved = 1;
constexpr int kDiscarded = 2;
constexpr int kMoved = 3; // restored into another log

const char* const kSchema[] = {
    "CREATE TABLE logs ("
    " id INTEGER PRIMARY KEY,"
    " started TEXT NOT NULL,"
    " started_ms INTEGER NOT NULL,"
    " source TEXT NOT NULL DEFAULT '',"
    " variant TEXT NOT NULL DEFAULT '',"
    " table_path TEXT NOT NULL DEFAULT '',"
    " owner TEXT NOT NULL DEFAULT '')",
    "CREATE TABLE rows ("
    " id INTEGER PRIMARY KEY,"
    " log INTEGER NOT NULL,"
    " stamp TEXT,"
    " no INTEGER NOT NULL,"
    " dc_ac TEXT NOT NULL,"
    " value TEXT NOT NULL,"
    " unit TEXT NOT NULL,"
    " auto TEXT NOT NULL,"
    " nval REAL NOT NULL,"
    " chart REAL NOT NULL,"
    " frame TEXT NOT NULL,"
    " state INTEGER NOT NULL DEFAULT 0)",
    "CREATE INDEX rows_by_log ON rows(log, state)",
    "CREATE INDEX rows_unsaved ON rows(log) WHERE state = 0",
};

bool isDamage(const QSqlError& error)
{
    const int code = error.nativeErrorCode().toInt() & 0xFF;
    return code == kSqliteCorrupt || code == kSqliteNotADatabase;
}

[[noreturn]] void fail(const QSqlError& error)
{
    QString reason = error.databaseText().isEmpty() ? error.text() : error.databaseText();
    throw JournalStoreError { reason, isDamage(error) };
}

/** @p s as a bound value: an empty text, never SQL's NULL, for a null QString. */
QVariant text(const QString& s)
{
    return s.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(s);
}

QString systemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

/** Creates @p dir and its parents; throws with the system's reason. */
void makeFolder(const QString& dir)
{
    if (QFileInfo(dir).isDir())
        return;
    const QString parent = QFileInfo(dir).absolutePath();
    if (parent != dir)
        makeFolder(parent);
    if (QFileInfo::exists(dir)) // something that is not a folder is in the way
        errno = ENOTDIR;
    else if (::mkdir(QFile::encodeName(dir).constData(), 0700) == 0 || errno == EEXIST)
        return;
    throw JournalStoreError { QStringLiteral("cannot create the folder %1: %2").arg(dir, systemReason()) };
}

/** Checks that @p path can be written, creating it empty when missing; throws with the system's reason. */
void probeWritable(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        throw JournalStoreError { systemReason() };
    ::close(fd);
}

} // namespace

struct JournalStore::State {
    QString path;
    QString owner;
    QString connection;
    bool open = false;
    QSqlDatabase db;
    std::unique_ptr<QSqlQuery> insertRow;
    std::unique_ptr<QSqlQuery> insertLog;
    std::unique_ptr<QSqlQuery> markState;
    dev_t device = 0;
    ino_t inode = 0;

    QSqlQuery query() const { return QSqlQuery(db); }
    void exec(QSqlQuery& q) const
    {
        if (!q.exec())
            fail(q.lastError());
    }
    void exec(const QString& sql) const
    {
        QSqlQuery q = query();
        if (!q.exec(sql))
            fail(q.lastError());
    }
    QVariant value(const QString& sql) const
    {
        QSqlQuery q = query();
        if (!q.exec(sql))
            fail(q.lastError());
        return q.next() ? q.value(0) : QVariant();
    }
    void prepare(std::unique_ptr<QSqlQuery>& q, const QString& sql) const
    {
        q = std::make_unique<QSqlQuery>(db);
        if (!q->prepare(sql))
            fail(q->lastError());
    }
};

JournalStore::JournalStore(QString path, QString owner)
    : d_(std::make_unique<State>())
{
    d_->path = std::move(path);
    d_->owner = std::move(owner);
    d_->connection = QStringLiteral("journal-%1").arg(d_->owner);
}

JournalStore::~JournalStore()
{
    close();
}

bool JournalStore::isOpen() const
{
    return d_->open;
}

void JournalStore::close()
{
    d_->insertRow.reset();
    d_->insertLog.reset();
    d_->markState.reset();
    if (d_->db.isValid()) {
        d_->db.close();
        d_->db = QSqlDatabase();
        QSqlDatabase::removeDatabase(d_->connection);
    }
    d_->open = false;
}

QString JournalStore::setAside(const QString& why)
{
    Q_UNUSED(why);
    close();
    if (!QFileInfo::exists(d_->path))
        return {}; // gone already: nothing to keep
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = d_->path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = d_->path + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(d_->path, aside))
        throw JournalStoreError { QStringLiteral("the damaged journal cannot be renamed to %1").arg(aside) };
    // The write-ahead log belongs to the old file; the shared-memory index is rebuilt.
    QFile::rename(d_->path + QStringLiteral("-wal"), aside + QStringLiteral("-wal"));
    QFile::remove(d_->path + QStringLiteral("-shm"));
    return aside;
}

void JournalStore::open(QString* setAsidePath)
{
    close();
    makeFolder(QFileInfo(d_->path).absolutePath());
    probeWritable(d_->path);

    d_->db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), d_->connection);
    d_->db.setDatabaseName(d_->path);
    d_->db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!d_->db.open()) {
        const QSqlError error = d_->db.lastError();
        close();
        fail(error);
    }
    d_->open = true;
    struct stat info { };
    if (::stat(QFile::encodeName(d_->path).constData(), &info) == 0) {
        d_->device = info.st_dev;
        d_->inode = info.st_ino;
    }

    // What is in the file: nothing yet, this program's journal, or something else.
    QString unusable;
    try {
        const qint64 appId = d_->value(QStringLiteral("PRAGMA application_id")).toLongLong();
        const QVariant tables = d_->value(QStringLiteral(
            "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('logs', 'rows')"));
        const qint64 anyObjects
            = d_->value(QStringLiteral("SELECT count(*) FROM sqlite_master")).toLongLong();
        if (appId == 0 && anyObjects == 0) {
            d_->exec(QStringLiteral("PRAGMA journal_mode=WAL"));
            d_->exec(QStringLiteral("BEGIN"));
            for (const char* sql : kSchema)
                d_->exec(QLatin1String(sql));
            d_->exec(QStringLiteral("PRAGMA application_id=%1").arg(kApplicationId));
            d_->exec(QStringLiteral("PRAGMA user_version=%1").arg(kSchemaVersion));
            d_->exec(QStringLiteral("COMMIT"));
        } else if (appId != kApplicationId) {
            unusable = QStringLiteral("it is not a journal of this program");
        } else if (d_->value(QStringLiteral("PRAGMA user_version")).toInt() != kSchemaVersion) {
            unusable = QStringLiteral("it was written by another version of this program");
        } else if (tables.toInt() != 2) {
            unusable = QStringLiteral("its tables are missing");
        } else if (QFileInfo(d_->path).size() <= kFullCheckBytes
            && d_->value(QStringLiteral("PRAGMA quick_check")).toString() != QLatin1String("ok")) {
            unusable = QStringLiteral("the database is damaged");
        }
    } catch (const JournalStoreError& e) {
        if (!e.damaged) {
            close();
            throw;
        }
        unusable = e.reason;
    }
    if (!unusable.isEmpty()) {
        const QString aside = setAside(unusable);
        if (setAsidePath)
            *setAsidePath = aside;
        throw JournalStoreError { unusable, true };
    }

    try {
        d_->exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        d_->exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        d_->prepare(d_->insertRow,
            QStringLiteral(
                "INSERT INTO rows (log, stamp, no, dc_ac, value, unit, auto, nval, chart, frame, state)"
                " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)"));
        d_->prepare(d_->insertLog,
            QStringLiteral(
                "INSERT OR IGNORE INTO logs (id, started, started_ms, source, variant, table_path, owner)"
                " VALUES (?, ?, ?, ?, ?, ?, ?)"));
        d_->prepare(d_->markState, QStringLiteral("UPDATE rows SET state = ? WHERE log = ? AND state = 0"));
    } catch (const JournalStoreError&) {
        close();
        throw;
    }
}

void JournalStore::checkInPlace() const
{
    struct stat info { };
    if (::stat(QFile::encodeName(d_->path).constData(), &info) != 0 || info.st_dev != d_->device
        || info.st_ino != d_->inode)
        throw JournalStoreError { QStringLiteral("the journal file was removed or replaced") };
}

void JournalStore::begin()
{
    d_->exec(QStringLiteral("BEGIN"));
}

void JournalStore::commit()
{
    d_->exec(QStringLiteral("COMMIT"));
}

void JournalStore::rollback() noexcept
{
    if (!d_->open)
        return;
    QSqlQuery q = d_->query();
    q.exec(QStringLiteral("ROLLBACK"));
}

QString JournalStore::stampText(const QDateTime& stamp)
{
    if (!stamp.isValid())
        return {};
    const QDate date = stamp.date();
    const QTime time = stamp.time();
    const int offset = stamp.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", date.year(),
        date.month(), date.day(), time.hour(), time.minute(), time.second(), time.msec(),
        offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return QString::fromLatin1(text);
}

void JournalStore::insertLog(const JournalLogRecord& log)
{
    QSqlQuery& q = *d_->insertLog;
    q.bindValue(0, log.id);
    q.bindValue(1, text(stampText(log.started)));
    q.bindValue(2, log.started.toMSecsSinceEpoch());
    q.bindValue(3, text(log.source));
    q.bindValue(4, text(log.variant));
    q.bindValue(5, text(log.table));
    q.bindValue(6, text(d_->owner));
    d_->exec(q);
}

void JournalStore::setSource(qint64 log, const QString& source)
{
    QSqlQuery q = d_->query();
    q.prepare(QStringLiteral("UPDATE logs SET source = ? WHERE id = ?"));
    q.bindValue(0, text(source));
    q.bindValue(1, log);
    d_->exec(q);
}

void JournalStore::insertRow(qint64 log, const LoggedRow& row)
{
    QSqlQuery& q = *d_->insertRow;
    q.bindValue(0, log);
    q.bindValue(1, row.stamp.isValid() ? QVariant(stampText(row.stamp)) : QVariant());
    q.bindValue(2, row.no);
    q.bindValue(3, text(row.acDc));
    q.bindValue(4, text(row.value));
    q.bindValue(5, text(row.unit));
    q.bindValue(6, text(row.autoText));
    q.bindValue(7, row.Nval);
    q.bindValue(8, row.chartValue);
    q.bindValue(9, text(row.frameText));
    d_->exec(q);
}

void JournalStore::markSaved(qint64 log)
{
    QSqlQuery& q = *d_->markState;
    q.bindValue(0, kSaved);
    q.bindValue(1, log);
    d_->exec(q);
}

void JournalStore::markDiscarded(qint64 log)
{
    QSqlQuery& q = *d_->markState;
    q.bindValue(0, kDiscarded);
    q.bindValue(1, log);
    d_->exec(q);
}

void JournalStore::adopt(const QList<qint64>& logs, qint64 into)
{
    for (qint64 from : logs) {
        if (from == into)
            continue;
        QSqlQuery copy = d_->query();
        copy.prepare(QStringLiteral(
            "INSERT INTO rows (log, stamp, no, dc_ac, value, unit, auto, nval, chart, frame, state)"
            " SELECT ?, stamp, no, dc_ac, value, unit, auto, nval, chart, frame, 0 FROM rows"
            " WHERE log = ? AND state = 0 ORDER BY id"));
        copy.bindValue(0, into);
        copy.bindValue(1, from);
        d_->exec(copy);
        QSqlQuery& moved = *d_->markState;
        moved.bindValue(0, kMoved);
        moved.bindValue(1, from);
        d_->exec(moved);
    }
}

QList<std::pair<Journal::UnsavedLog, QString>> JournalStore::logsWithUnsavedRows()
{
    QSqlQuery q = d_->query();
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT r.log, count(*), min(r.id), max(r.id), l.started, l.source, "
                               "l.variant, l.table_path, l.owner"
                               " FROM rows r LEFT JOIN logs l ON l.id = r.log WHERE r.state = 0"
                               " GROUP BY r.log ORDER BY min(r.id)")))
        fail(q.lastError());
    QList<std::pair<Journal::UnsavedLog, QString>> logs;
    QList<std::pair<qint64, qint64>> ends;
    while (q.next()) {
        Journal::UnsavedLog log;
        log.log = q.value(0).toLongLong();
        log.rows = q.value(1).toLongLong();
        ends.append({ q.value(2).toLongLong(), q.value(3).toLongLong() });
        log.started = QDateTime::fromString(q.value(4).toString(), Qt::ISODateWithMs);
        log.source = q.value(5).toString();
        log.variant = q.value(6).toString();
        log.table = q.value(7).toString();
        logs.append({ log, q.value(8).toString() });
    }
    QSqlQuery stamp = d_->query();
    stamp.prepare(QStringLiteral("SELECT stamp FROM rows WHERE id = ?"));
    auto stampOf = [&](qint64 id) {
        stamp.bindValue(0, id);
        d_->exec(stamp);
        return stamp.next() ? QDateTime::fromString(stamp.value(0).toString(), Qt::ISODateWithMs)
                            : QDateTime();
    };
    for (qsizetype i = 0; i < logs.size(); ++i) {
        logs[i].first.first = stampOf(ends[i].first);
        logs[i].first.last = stampOf(ends[i].second);
    }
    return logs;
}

QList<LoggedRow> JournalStore::rows(qint64 log, bool unsavedOnly)
{
    QSqlQuery q = d_->query();
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT stamp, no, dc_ac, value, unit, auto, nval, chart, frame FROM rows"
                             " WHERE log = ? AND state %1 ORDER BY id")
                  .arg(unsavedOnly ? QStringLiteral("= 0") : QStringLiteral("IN (0, 1)")));
    q.bindValue(0, log);
    d_->exec(q);
    QList<LoggedRow> rows;
    while (q.next()) {
        LoggedRow row;
        if (!q.isNull(0)) {
            row.stamp = QDateTime::fromString(q.value(0).toString(), Qt::ISODateWithMs);
            row.time = row.stamp.time();
        }
        row.no = q.value(1).toInt();
        row.acDc = q.value(2).toString();
        row.value = q.value(3).toString();
        row.unit = q.value(4).toString();
        row.autoText = q.value(5).toString();
        row.Nval = q.value(6).toDouble();
        row.chartValue = q.value(7).toDouble();
        row.frameText = q.value(8).toString();
        rows.append(std::move(row));
    }
    return rows;
}

QList<std::pair<qint32, QDateTime>> JournalStore::stamps(qint64 log)
{
    QSqlQuery q = d_->query();
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT no, stamp FROM rows WHERE log = ? AND state IN (0, 1) ORDER BY id"));
    q.bindValue(0, log);
    d_->exec(q);
    QList<std::pair<qint32, QDateTime>> stamps;
    while (q.next())
        stamps.append({ q.value(0).toInt(),
            q.isNull(1) ? QDateTime() : QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs) });
    return stamps;
}

QSet<QString> JournalStore::ownersBefore(qint64 cutoffMs)
{
    QSqlQuery q = d_->query();
    q.prepare(QStringLiteral("SELECT DISTINCT owner FROM logs WHERE started_ms < ?"));
    q.bindValue(0, cutoffMs);
    d_->exec(q);
    QSet<QString> owners;
    while (q.next())
        owners.insert(q.value(0).toString());
    return owners;
}

void JournalStore::prune(qint64 cutoffMs, const QSet<QString>& liveOwners)
{
    // Owner tokens are hex digits; anything else is never matched as live.
    static const QRegularExpression token(QStringLiteral("^[0-9a-f]{1,32}$"));
    QStringList live { QStringLiteral("''") };
    for (const QString& owner : liveOwners)
        if (token.match(owner).hasMatch())
            live.append(QLatin1Char('\'') + owner + QLatin1Char('\''));
    const QString old
        = QStringLiteral("started_ms < %1 AND owner NOT IN (%2)").arg(cutoffMs).arg(live.join(','));
    d_->exec(QStringLiteral("BEGIN"));
    try {
        d_->exec(QStringLiteral("DELETE FROM rows WHERE log IN (SELECT id FROM logs WHERE %1 AND NOT EXISTS"
                                " (SELECT 1 FROM rows u WHERE u.log = logs.id AND u.state = 0))")
                     .arg(old));
        d_->exec(QStringLiteral(
            "DELETE FROM logs WHERE %1 AND NOT EXISTS (SELECT 1 FROM rows u WHERE u.log = logs.id)")
                     .arg(old));
        d_->exec(QStringLiteral("COMMIT"));
    } catch (const JournalStoreError&) {
        rollback();
        throw;
    }
}
