#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

/**
 * Turns SIGINT and SIGTERM into a Qt signal on the event loop, so logging
 * stops through the same path as --duration: the output is flushed and
 * closed, the journal committed. The handler itself only writes a byte to a
 * pipe, which is all a signal handler may safely do.
 *
 * One instance per process; it restores the previous handlers when destroyed.
 */
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

    /** The signal number that arrived last, 0 before any. */
    int lastSignal() const { return last_; }

signals:
    /** SIGINT or SIGTERM arrived. */
    void stopRequested(int signalNumber);

private:
    void readPipe();

    int fds_[2] = { -1, -1 };
    int last_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
};
