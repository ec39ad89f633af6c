#include "records/journal.h"

#include "records/journal_owner_lock.h"
#include "records/journal_store.h"

#include <QDir>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>
#include <QStandardPaths>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <variant>

namespace {

using Clock = std::chrono::steady_clock;

/** Rows are committed at most this long after they were appended. */
constexpr auto kBatchDelay = std::chrono::milliseconds(100);
/** Rows kept in memory while the database fails; later rows live in the records table only. */
constexpr qint64 kBacklogLimit = 500000;

struct StartLogCmd {
    JournalLogRecord record;
};
struct SetSourceCmd {
    qint64 log;
    QString source;
};
struct AppendCmd {
    qint64 log;
    LoggedRow row;
};
struct MarkCmd {
    qint64 log;
    bool saved;
};
struct AdoptCmd {
    QList<qint64> from;
    qint64 into;
};
struct Command;
/** Work that needs the worker's answer; runs once everything queued before it is committed. */
struct CallCmd {
    /**
     * @p store is the database when it can be read (null when it cannot be
     * opened); @p kept holds the writes kept in memory while it fails, and
     * @p written tells whether everything before this call was committed.
     */
    std::function<void(JournalStore* store, const std::deque<Command>& kept, bool written)> run;
};
struct Command {
    std::variant<StartLogCmd, SetSourceCmd, AppendCmd, MarkCmd, AdoptCmd, CallCmd> what;
};

QString newOwnerToken()
{
    return QString::number(QRandomGenerator::system()->generate64(), 16);
}

} // namespace

class Journal::Worker {
public:
    explicit Worker(Journal* journal)
        : journal_(journal)
        , token_(newOwnerToken())
    {
    }
    ~Worker() { stop(); }

    void start(const QString& path, std::promise<OpenResult> opened)
    {
        path_ = path;
        store_ = std::make_unique<JournalStore>(path, token_);
        thread_ = std::thread([this, p = std::move(opened)]() mutable { run(std::move(p)); });
    }

    void stop()
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    /** Queues @p command; @p urgent wakes the worker at once. */
    void push(Command command, bool urgent = false)
    {
        bool wasEmpty;
        {
            std::lock_guard lock(mutex_);
            if (std::holds_alternative<AppendCmd>(command.what)) {
                if (pending_ >= kBacklogLimit) {
                    ++overflow_;
                    return;
                }
                ++pending_;
            }
            wasEmpty = queue_.empty();
            queue_.push_back(std::move(command));
            urgent_ = urgent_ || urgent;
        }
        if (wasEmpty || urgent)
            wake_.notify_one();
    }

    /** Runs @p call on the worker after everything queued before it and waits up to @p timeoutMs. */
    template <typename T>
    std::optional<T> ask(
        std::function<T(JournalStore*, const std::deque<Command>&, bool)> call, int timeoutMs)
    {
        if (!thread_.joinable())
            return std::nullopt;
        auto promise = std::make_shared<std::promise<T>>();
        std::future<T> answer = promise->get_future();
        push(Command { CallCmd { [promise, call](JournalStore* store, const std::deque<Command>& kept,
                                     bool written) { promise->set_value(call(store, kept, written)); } } },
            true);
        if (answer.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready)
            return std::nullopt;
        return answer.get();
    }

    void setRetryInterval(int ms)
    {
        {
            std::lock_guard lock(mutex_);
            retry_ = std::chrono::milliseconds(ms);
            nextRetry_ = std::min(nextRetry_, Clock::now() + retry_);
        }
        wake_.notify_all();
    }

    bool isWorking() const
    {
        std::lock_guard lock(mutex_);
        return problem_.isEmpty();
    }
    QString problem() const
    {
        std::lock_guard lock(mutex_);
        return problem_;
    }
    qint64 pending() const
    {
        std::lock_guard lock(mutex_);
        return pending_;
    }
    QString path() const { return path_; }
    const QString& token() const { return token_; }
    bool started() const { return thread_.joinable(); }

private:
    void run(std::promise<OpenResult> opened)
    {
        OpenResult result;
        tryOpen(&result);
        if (store_->isOpen())
            pruneOldLogs();
        opened.set_value(result);

        std::unique_lock lock(mutex_);
        for (;;) {
            if (!stopping_) {
                if (failing_) {
                    // The deadline is read again after each wake: a shorter interval may have moved it.
                    while (!stopping_ && !urgent_ && Clock::now() < nextRetry_)
                        wake_.wait_until(lock, nextRetry_);
                } else {
                    wake_.wait(lock, [&] { return stopping_ || urgent_ || !queue_.empty(); });
                    if (!stopping_ && !urgent_)
                        wake_.wait_for(lock, kBatchDelay, [&] { return stopping_ || urgent_; });
                }
            }
            const bool last = stopping_;
            urgent_ = false;
            std::deque<Command> batch;
            batch.swap(queue_);
            lock.unlock();
            if (last)
                retryNow(); // one more try before the program ends
            process(batch);
            lock.lock();
            if (last)
                break;
        }
        lock.unlock();
        store_->close();
        owner_.reset();
    }

    void pruneOldLogs()
    {
        const qint64 cutoff = QDateTime::currentDateTime().addDays(-retentionDays).toMSecsSinceEpoch();
        const QString folder = JournalOwnerLock::folderFor(path_);
        try {
            QSet<QString> live;
            for (const QString& owner : store_->ownersBefore(cutoff))
                if (owner == token_ || JournalOwnerLock::isRunning(folder, owner))
                    live.insert(owner);
            store_->prune(cutoff, live);
        } catch (const JournalStoreError&) {
            // Pruning is housekeeping; the next start tries again.
        }
    }

    /** Opens the database; on failure enters the failing state. */
    bool tryOpen(OpenResult* result)
    {
        QString aside;
        QString why;
        try {
            if (setAsideNext_) {
                setAsideNext_ = false;
                why = lastReason_;
                aside = store_->setAside(why);
            }
            try {
                store_->open(&aside);
            } catch (const JournalStoreError& e) {
                if (!e.damaged || aside.isEmpty())
                    throw;
                why = e.reason;
                store_->open(nullptr); // the damaged file is out of the way: start a new one
            }
        } catch (const JournalStoreError& e) {
            enterFailure(e, result);
            return false;
        }
        if (!owner_)
            owner_ = std::make_unique<JournalOwnerLock>(JournalOwnerLock::folderFor(path_), token_);
        try {
            // A new file lacks the logs this program started in the old one.
            if (!aside.isEmpty() && !logs_.isEmpty()) {
                store_->begin();
                for (const JournalLogRecord& log : std::as_const(logs_))
                    store_->insertLog(log);
                store_->commit();
            }
        } catch (const JournalStoreError& e) {
            store_->rollback();
            enterFailure(e, result);
            return false;
        }
        leaveFailure();
        QString message;
        if (!aside.isEmpty())
            message
                = QStringLiteral("The journal %1 was damaged or was not a journal of this program (%2). It "
                                 "was renamed to %3, and a new journal was started.")
                      .arg(QDir::toNativeSeparators(path_), why, QDir::toNativeSeparators(aside));
        if (result) {
            result->outcome = aside.isEmpty() ? OpenResult::Outcome::Opened : OpenResult::Outcome::Replaced;
            result->message = message;
            result->setAsidePath = aside;
        } else if (!message.isEmpty()) {
            notify([message](Journal* j) { emit j->fileSetAside(message); });
        }
        return true;
    }

    void leaveFailure()
    {
        if (!failing_)
            return;
        failing_ = false;
        lastReason_.clear();
        {
            std::lock_guard lock(mutex_);
            problem_.clear();
        }
        notify([](Journal* j) { emit j->working(j->path()); });
    }

    /** Enters the failing state; the database stays open for reading unless it is unusable. */
    void enterFailure(const JournalStoreError& e, OpenResult* result, bool closeStore = true)
    {
        if (closeStore || e.damaged)
            store_->close();
        if (e.damaged)
            setAsideNext_ = true;
        const bool news = !failing_ || e.reason != lastReason_;
        failing_ = true;
        lastReason_ = e.reason;
        {
            std::lock_guard lock(mutex_);
            problem_ = e.reason;
            nextRetry_ = Clock::now() + retry_;
        }
        if (result) {
            result->outcome = OpenResult::Outcome::Failed;
            result->message = failureMessage(e.reason);
        }
        if (news)
            notify([reason = e.reason](Journal* j) { emit j->failed(j->path(), reason); });
    }

    QString failureMessage(const QString& reason) const
    {
        return QStringLiteral("The journal %1 cannot be written: %2.")
            .arg(QDir::toNativeSeparators(path_), reason);
    }

    template <typename F> void notify(F f)
    {
        Journal* j = journal_;
        QMetaObject::invokeMethod(
            j, [j, f] { f(j); }, Qt::QueuedConnection);
    }

    void apply(const Command& command, qint64& appended)
    {
        std::visit(
            [&](const auto& c) {
                using T = std::decay_t<decltype(c)>;
                if constexpr (std::is_same_v<T, StartLogCmd>) {
                    store_->insertLog(c.record);
                    logs_.insert(c.record.id, c.record);
                } else if constexpr (std::is_same_v<T, SetSourceCmd>) {
                    store_->setSource(c.log, c.source);
                    logs_[c.log].source = c.source;
                } else if constexpr (std::is_same_v<T, AppendCmd>) {
                    store_->insertRow(c.log, c.row);
                    ++appended;
                } else if constexpr (std::is_same_v<T, MarkCmd>) {
                    c.saved ? store_->markSaved(c.log) : store_->markDiscarded(c.log);
                } else if constexpr (std::is_same_v<T, AdoptCmd>) {
                    store_->adopt(c.from, c.into);
                }
            },
            command.what);
    }

    Clock::time_point retryAt() const
    {
        std::lock_guard lock(mutex_);
        return nextRetry_;
    }
    void retryNow()
    {
        std::lock_guard lock(mutex_);
        nextRetry_ = Clock::now();
    }

    void committed(qint64 appended)
    {
        std::lock_guard lock(mutex_);
        pending_ -= appended;
    }

    /** Writes @p batch in order, one transaction between answers; what fails is kept for the next try. */
    void process(std::deque<Command>& batch)
    {
        if (failing_ && Clock::now() < retryAt()) {
            keep(batch, 0);
            return;
        }
        if (store_->isOpen()) {
            try {
                store_->checkInPlace();
            } catch (const JournalStoreError&) {
                store_->close(); // opened again below, as a new file if need be
            }
        }
        if (!store_->isOpen() && !tryOpen(nullptr)) {
            keep(batch, 0);
            return;
        }
        static const std::deque<Command> none;
        size_t first = 0; // first command of the open transaction
        bool inTransaction = false;
        qint64 appended = 0;
        try {
            for (size_t i = 0; i < batch.size(); ++i) {
                if (auto* call = std::get_if<CallCmd>(&batch[i].what)) {
                    if (inTransaction) {
                        store_->commit();
                        inTransaction = false;
                        committed(appended);
                        appended = 0;
                    }
                    first = i + 1;
                    leaveFailure();
                    call->run(store_.get(), none, true);
                    continue;
                }
                if (!inTransaction) {
                    store_->begin();
                    inTransaction = true;
                    first = i;
                }
                apply(batch[i], appended);
            }
            if (inTransaction) {
                store_->commit();
                committed(appended);
            }
            leaveFailure();
        } catch (const JournalStoreError& e) {
            store_->rollback();
            enterFailure(e, nullptr, false);
            keep(batch, first);
        }
    }

    /** Keeps the writes of @p batch from @p from on in memory, answering its calls from them. */
    void keep(std::deque<Command>& batch, size_t from)
    {
        std::deque<Command> kept;
        JournalStore* readable = store_->isOpen() ? store_.get() : nullptr;
        for (size_t i = from; i < batch.size(); ++i) {
            if (auto* call = std::get_if<CallCmd>(&batch[i].what))
                call->run(readable, kept, false);
            else
                kept.push_back(std::move(batch[i]));
        }
        std::lock_guard lock(mutex_);
        queue_.insert(
            queue_.begin(), std::make_move_iterator(kept.begin()), std::make_move_iterator(kept.end()));
    }

    Journal* journal_;
    const QString token_;
    QString path_;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Command> queue_;
    bool stopping_ = false;
    bool urgent_ = false;
    qint64 pending_ = 0;
    qint64 overflow_ = 0;
    QString problem_;
    std::chrono::milliseconds retry_ { 10000 };
    Clock::time_point nextRetry_ {};

    // The worker thread's own.
    std::unique_ptr<JournalStore> store_;
    std::unique_ptr<JournalOwnerLock> owner_;
    bool failing_ = false;
    bool setAsideNext_ = false;
    QString lastReason_;
    QHash<qint64, JournalLogRecord> logs_;

    friend class Journal;
};

QString Journal::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("journal.sqlite"));
}

Journal::Journal(QObject* parent)
    : QObject(parent)
    , worker_(std::make_unique<Worker>(this))
{
}

Journal::~Journal()
{
    close();
}

Journal::OpenResult Journal::open(const QString& path)
{
    if (worker_->started())
        return { OpenResult::Outcome::Failed, QStringLiteral("The journal is already open."), {} };
    std::promise<OpenResult> opened;
    std::future<OpenResult> result = opened.get_future();
    worker_->start(path, std::move(opened));
    return result.get();
}

void Journal::close()
{
    worker_->stop();
}

QString Journal::path() const
{
    return worker_->path();
}

bool Journal::isWorking() const
{
    return worker_->isWorking();
}

QString Journal::problem() const
{
    return worker_->problem();
}

void Journal::setRetryInterval(int ms)
{
    worker_->setRetryInterval(ms);
}

qint64 Journal::startLog(
    const QDateTime& started, const QString& source, const QString& variant, const QString& table)
{
    JournalLogRecord record;
    // Ids are made here, not by the database, so that logging never waits for it.
    record.id = qint64(QRandomGenerator::system()->generate64() >> 12);
    record.started = started;
    record.source = source;
    record.variant = variant;
    record.table = table;
    worker_->push(Command { StartLogCmd { record } });
    return record.id;
}

void Journal::setSource(qint64 log, const QString& source)
{
    worker_->push(Command { SetSourceCmd { log, source } });
}

void Journal::append(qint64 log, const LoggedRow& row)
{
    worker_->push(Command { AppendCmd { log, row } });
}

void Journal::markSaved(qint64 log)
{
    worker_->push(Command { MarkCmd { log, true } }, true);
}

void Journal::markDiscarded(qint64 log)
{
    worker_->push(Command { MarkCmd { log, false } }, true);
}

void Journal::adopt(const QList<qint64>& logs, qint64 into)
{
    worker_->push(Command { AdoptCmd { logs, into } }, true);
}

void Journal::commit()
{
    worker_->push(Command { CallCmd { [](JournalStore*, const std::deque<Command>&, bool) {} } }, true);
}

bool Journal::waitForCommitted(int timeoutMs)
{
    return worker_
        ->ask<bool>(
            [](JournalStore*, const std::deque<Command>&, bool written) { return written; }, timeoutMs)
        .value_or(false);
}

QList<Journal::UnsavedLog> Journal::unsavedLogs()
{
    const QString folder = JournalOwnerLock::folderFor(worker_->path());
    const QString mine = worker_->token();
    return worker_
        ->ask<QList<UnsavedLog>>(
            [folder, mine](JournalStore* store, const std::deque<Command>&, bool) {
                QList<UnsavedLog> logs;
                if (!store)
                    return logs;
                try {
                    for (const auto& [log, owner] : store->logsWithUnsavedRows())
                        if (owner != mine && !JournalOwnerLock::isRunning(folder, owner))
                            logs.append(log);
                } catch (const JournalStoreError&) {
                }
                return logs;
            },
            60000)
        .value_or(QList<UnsavedLog>());
}

QList<LoggedRow> Journal::unsavedRows(const QList<qint64>& logs)
{
    return worker_
        ->ask<QList<LoggedRow>>(
            [logs](JournalStore* store, const std::deque<Command>&, bool) {
                QList<LoggedRow> rows;
                if (!store)
                    return rows;
                try {
                    for (qint64 log : logs)
                        rows += store->rows(log, true);
                } catch (const JournalStoreError&) {
                }
                return rows;
            },
            600000)
        .value_or(QList<LoggedRow>());
}

QList<LoggedRow> Journal::rows(qint64 log)
{
    return worker_
        ->ask<QList<LoggedRow>>(
            [log](JournalStore* store, const std::deque<Command>& kept, bool) {
                QList<LoggedRow> rows;
                if (store) {
                    try {
                        rows = store->rows(log, false);
                    } catch (const JournalStoreError&) {
                    }
                }
                // While the database fails, the newest rows are still in memory.
                for (const Command& c : kept)
                    if (const auto* a = std::get_if<AppendCmd>(&c.what); a && a->log == log)
                        rows.append(a->row);
                return rows;
            },
            600000)
        .value_or(QList<LoggedRow>());
}

QList<std::pair<qint32, QDateTime>> Journal::stamps(qint64 log)
{
    using Stamps = QList<std::pair<qint32, QDateTime>>;
    return worker_
        ->ask<Stamps>(
            [log](JournalStore* store, const std::deque<Command>& kept, bool) {
                Stamps stamps;
                if (store) {
                    try {
                        stamps = store->stamps(log);
                    } catch (const JournalStoreError&) {
                    }
                }
                for (const Command& c : kept)
                    if (const auto* a = std::get_if<AppendCmd>(&c.what); a && a->log == log)
                        stamps.append({ a->row.no, a->row.stamp });
                return stamps;
            },
            600000)
        .value_or(Stamps());
}

qint64 Journal::pendingRows() const
{
    return worker_->pending();
}
