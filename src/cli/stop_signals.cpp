#include "cli/stop_signals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The write end of the pipe, for the handler; set while a StopSignals exists.
volatile sig_atomic_t writeFd = -1;

void onSignal(int number)
{
    const int fd = writeFd;
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(number);
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    }
}

void setHandler(int number, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(number, &action, nullptr);
}

} // namespace

StopSignals::StopSignals(QObject* parent)
    : QObject(parent)
{
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    writeFd = fds_[1];
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &StopSignals::readPipe);
    setHandler(SIGINT, onSignal);
    setHandler(SIGTERM, onSignal);
}

StopSignals::~StopSignals()
{
    setHandler(SIGINT, SIG_DFL);
    setHandler(SIGTERM, SIG_DFL);
    writeFd = -1;
    notifier_.reset();
    for (int fd : fds_) {
        if (fd >= 0)
            ::close(fd);
    }
}

void StopSignals::readPipe()
{
    unsigned char byte = 0;
    while (::read(fds_[0], &byte, 1) == 1) {
        last_ = byte;
        emit stopRequested(byte);
    }
}
