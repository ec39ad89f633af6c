#pragma once

#include <QString>

#include <functional>

class JobProgress;
class QWidget;

/**
 * Runs the long part of a command (a save, an Open, printing) so that the
 * window goes on repainting and readings go on being decoded. The call
 * returns once the work has ended; whatever the work threw (JobCancelled,
 * std::bad_alloc, ...) is thrown again to the caller, the command's
 * boundary. Tests hand the window a runner of their own.
 */
class JobRunner {
public:
    virtual ~JobRunner() = default;

    /**
     * Runs @p work on a worker thread. @p work reports to and checks
     * @p progress, and must touch nothing the user-interface thread changes.
     */
    virtual void run(
        QWidget* parent, const QString& label, JobProgress& progress, const std::function<void()>& work)
        = 0;

    /**
     * Calls @p step on the user-interface thread, again and again with the
     * event loop running between calls, until it returns false. For work
     * that must stay on that thread, such as painting onto a printer.
     */
    virtual void runInSteps(
        QWidget* parent, const QString& label, JobProgress& progress, const std::function<bool()>& step)
        = 0;
};

/**
 * The real runner. A job that lasts longer than half a second shows a
 * progress dialog with Cancel, which cancels the job's JobProgress. Until
 * the job ends, user input to the window that started it is held back, so
 * no other command starts in the meantime.
 */
class ProgressJobRunner : public JobRunner {
public:
    /** Time before the progress dialog shows. */
    static constexpr int showAfterMs = 500;

    void run(QWidget* parent, const QString& label, JobProgress& progress,
        const std::function<void()>& work) override;
    void runInSteps(QWidget* parent, const QString& label, JobProgress& progress,
        const std::function<bool()>& step) override;
};
