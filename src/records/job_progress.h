#pragma once

#include <QtGlobal>

#include <atomic>
#include <functional>

/** Thrown by JobProgress::advance() once the job was cancelled. */
struct JobCancelled { };

/**
 * Progress of a long job (a save, an Open, printing) and the user's wish to
 * cancel it. The job advances it, on whichever thread it runs; the window
 * reads it and cancels it from the user-interface thread.
 */
class JobProgress {
public:
    /** Sets the amount of work, in the job's own units (rows, pages). */
    void setTotal(qint64 total) { total_.store(total, std::memory_order_relaxed); }
    qint64 total() const { return total_.load(std::memory_order_relaxed); }
    qint64 done() const { return done_.load(std::memory_order_relaxed); }

    /** Sets the work done so far; throws JobCancelled when the job was cancelled. */
    void advance(qint64 done)
    {
        done_.store(done, std::memory_order_relaxed);
        if (onAdvance_)
            onAdvance_(done);
        if (cancelled())
            throw JobCancelled();
    }

    /** Calls @p observer with every advance, on the job's thread (set before the job starts). */
    void setObserver(std::function<void(qint64 done)> observer) { onAdvance_ = std::move(observer); }

    void cancel() { cancelled_.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return cancelled_.load(std::memory_order_relaxed); }

private:
    std::atomic<qint64> total_ { 0 };
    std::atomic<qint64> done_ { 0 };
    std::atomic<bool> cancelled_ { false };
    std::function<void(qint64)> onAdvance_;
};
