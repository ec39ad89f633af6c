#include "records/job_runner.h"

#include "records/job_progress.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>

#include <atomic>
#include <exception>
#include <thread>

namespace {

/** Holds back user input to one window (the progress dialog excepted) while it lives. */
class InputHold : public QObject {
public:
    explicit InputHold(QWidget* window)
        : window_(window)
    {
        if (window_)
            qApp->installEventFilter(this);
    }
    ~InputHold() override
    {
        if (window_)
            qApp->removeEventFilter(this);
    }

    QWidget* dialog = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Close:
            break;
        default:
            return false;
        }
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget || widget->window() != window_ || (dialog && dialog->isAncestorOf(widget)))
            return false;
        event->ignore();
        return true;
    }

private:
    QPointer<QWidget> window_;
};

/** The progress dialog of one job: shown once the job has lasted showAfterMs, updated from its progress. */
class JobDialog {
public:
    JobDialog(QWidget* parent, const QString& label, JobProgress& progress)
        : progress_(progress)
        , dialog_(label, QStringLiteral("Cancel"), 0, 1000, parent)
        , hold_(parent ? parent->window() : nullptr)
    {
        dialog_.setObjectName(QStringLiteral("JobProgress"));
        dialog_.setWindowModality(Qt::WindowModal);
        dialog_.setAutoClose(false);
        dialog_.setAutoReset(false);
        // Shown by this object, not by the dialog's own estimate.
        dialog_.setMinimumDuration(24 * 3600 * 1000);
        dialog_.setValue(0);
        dialog_.hide();
        hold_.dialog = &dialog_;
        QObject::connect(&dialog_, &QProgressDialog::canceled, [this] {
            progress_.cancel();
            dialog_.setLabelText(QStringLiteral("Cancelling..."));
        });
        started_.start();
    }

    /** Updates the bar; shows the dialog once the job has run long enough. */
    void update()
    {
        const qint64 total = progress_.total();
        if (total > 0)
            dialog_.setValue(int(qBound(qint64(0), progress_.done() * 1000 / total, qint64(1000))));
        if (!dialog_.isVisible() && !progress_.cancelled()
            && started_.elapsed() >= ProgressJobRunner::showAfterMs)
            dialog_.show();
    }

private:
    JobProgress& progress_;
    QProgressDialog dialog_;
    InputHold hold_;
    QElapsedTimer started_;
};

constexpr int kUpdateMs = 50;

} // namespace

void ProgressJobRunner::run(
    QWidget* parent, const QString& label, JobProgress& progress, const std::function<void()>& work)
{
    JobDialog dialog(parent, label, progress);
    QEventLoop loop;
    std::exception_ptr failure;
    std::atomic<bool> finished { false };

    QTimer ticker;
    ticker.setInterval(kUpdateMs);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        dialog.update();
        if (finished.load())
            loop.quit();
    });
    ticker.start();

    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        finished.store(true);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    while (!finished.load()) {
        loop.exec();
        // The application may be ending (its quit ends every loop): the work
        // is cancelled then, and waited for below.
        if (!finished.load() && QCoreApplication::closingDown())
            progress.cancel();
    }
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

void ProgressJobRunner::runInSteps(
    QWidget* parent, const QString& label, JobProgress& progress, const std::function<bool()>& step)
{
    JobDialog dialog(parent, label, progress);
    std::exception_ptr failure;
    bool more = true;
    // Each round runs steps for a short slice of time, then lets the event loop run.
    constexpr int kSliceMs = 30;
    QElapsedTimer lastUpdate;
    lastUpdate.start();
    while (more) {
        QElapsedTimer slice;
        slice.start();
        try {
            while (more && slice.elapsed() < kSliceMs)
                more = step();
        } catch (...) {
            failure = std::current_exception();
            more = false;
        }
        if (lastUpdate.elapsed() >= kUpdateMs || !more) {
            dialog.update();
            lastUpdate.restart();
        }
        if (more)
            QCoreApplication::processEvents(QEventLoop::AllEvents, kSliceMs);
    }
    if (failure)
        std::rethrow_exception(failure);
}
