#pragma once

#include "link/serial_open_error.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

class TComPortDriver;

/**
 * Keeps a started serial link alive across unplugging: when the open
 * device goes away, it says so once and then checks the device path at
 * every retry interval; as soon as the path is there again (the same path,
 * or the same /dev/serial/by-id/ name, which follows the adapter) it reopens
 * the port, and data flow on through the driver's receive handler.
 *
 * It never waits and never shows anything: the owner shows the signals.
 * Whoever assembles frames should start afresh at reopened(), so that bytes
 * from before the gap are never joined to bytes after it.
 */
class SerialLinkSupervisor : public QObject {
    Q_OBJECT
public:
    enum class State {
        Stopped, ///< not started, or stopped
        Open, ///< started and the port is open
        Lost ///< started, the device went away; waiting for it to come back
    };

    /** How often a lost device is looked for. */
    static constexpr int DefaultRetryInterval = 500;

    /** Supervises @p driver, which must outlive it. */
    explicit SerialLinkSupervisor(TComPortDriver& driver, QObject* parent = nullptr);

    /**
     * Opens the driver's port. False when it cannot be opened: then the link
     * stays stopped and openError() says why.
     */
    bool start();
    /** Closes the port and stops waiting for a lost device. */
    void stop();

    State state() const { return state_; }
    /** The device path watched: the one the driver opened at start(). */
    QString devicePath() const { return devicePath_; }
    /** Why the last start, or the last try to reopen, failed. */
    const SerialOpenError& openError() const { return openError_; }
    /** When the device was last lost; invalid before any loss. */
    QDateTime lostAt() const { return lostAt_; }
    /** When the device was last reopened after a loss; invalid before. */
    QDateTime reopenedAt() const { return reopenedAt_; }
    /** Losses since start(). */
    int lossCount() const { return lossCount_; }

    /** How often a lost device is looked for while its path is missing. */
    int retryInterval() const { return retryInterval_; }
    void setRetryInterval(int milliseconds);
    /** Tries that found the path but could not open it, before trying less often. */
    static constexpr int SlowDownAfter = 4;
    static constexpr int SlowDownFactor = 4;

    /** Looks for the lost device once (the retry timer calls it). */
    void retry();

signals:
    /** The open device went away; the port is closed and the device is looked for. */
    void lost(const QDateTime& when);
    /** The lost device came back and the port is open again. */
    void reopened(const QDateTime& when);
    /** The device path is there again but cannot be opened yet; sent when the reason changes. */
    void reopenFailed(const SerialOpenError& error);

private:
    void handleLost();

    TComPortDriver& driver_;
    QTimer retryTimer_;
    int retryInterval_ = DefaultRetryInterval;
    int failedTries_ = 0;
    State state_ = State::Stopped;
    QString devicePath_;
    SerialOpenError openError_;
    QDateTime lostAt_;
    QDateTime reopenedAt_;
    int lossCount_ = 0;
};
