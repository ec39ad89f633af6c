#include "link/serial_link_supervisor.h"

#include "link/com_port_driver.h"

#include <QFileInfo>

SerialLinkSupervisor::SerialLinkSupervisor(TComPortDriver& driver, QObject* parent)
    : QObject(parent)
    , driver_(driver)
{
    retryTimer_.setInterval(retryInterval_);
    connect(&retryTimer_, &QTimer::timeout, this, &SerialLinkSupervisor::retry);
    connect(&driver_, &TComPortDriver::linkLost, this, &SerialLinkSupervisor::handleLost);
}

bool SerialLinkSupervisor::start()
{
    if (state_ != State::Stopped)
        stop();
    lossCount_ = 0;
    lostAt_ = {};
    reopenedAt_ = {};
    devicePath_ = driver_.devicePath();
    if (!driver_.OpenPort()) {
        openError_ = driver_.lastOpenError();
        return false;
    }
    openError_ = {};
    state_ = State::Open;
    return true;
}

void SerialLinkSupervisor::setRetryInterval(int milliseconds)
{
    retryInterval_ = milliseconds;
    retryTimer_.setInterval(milliseconds);
}

void SerialLinkSupervisor::stop()
{
    retryTimer_.stop();
    driver_.ClosePort();
    state_ = State::Stopped;
}

void SerialLinkSupervisor::handleLost()
{
    if (state_ != State::Open)
        return;
    state_ = State::Lost;
    ++lossCount_;
    lostAt_ = QDateTime::currentDateTime();
    openError_ = {};
    failedTries_ = 0;
    retryTimer_.setInterval(retryInterval_);
    retryTimer_.start();
    emit lost(lostAt_);
}

void SerialLinkSupervisor::retry()
{
    if (state_ != State::Lost)
        return;
    // Until the path is back there is nothing to try: one stat per interval.
    if (!QFileInfo::exists(devicePath_))
        return;
    if (!driver_.OpenPort()) {
        // Just created nodes may not have their group yet; try again next
        // time. A path that keeps failing (another program took the port)
        // is tried less often, as finding out why is not free.
        const SerialOpenError error = driver_.lastOpenError();
        const bool changed = error.kind != openError_.kind;
        openError_ = error;
        if (++failedTries_ == SlowDownAfter)
            retryTimer_.setInterval(retryInterval_ * SlowDownFactor);
        if (changed)
            emit reopenFailed(openError_);
        return;
    }
    retryTimer_.stop();
    retryTimer_.setInterval(retryInterval_);
    failedTries_ = 0;
    openError_ = {};
    state_ = State::Open;
    reopenedAt_ = QDateTime::currentDateTime();
    emit reopened(reopenedAt_);
}
