#pragma once

#include "records/job_progress.h"
#include "records/job_runner.h"

#include <functional>
#include <memory>

namespace testsupport {

/**
 * Runs jobs at once on the calling thread, as the real runner does when the
 * job is quick, with hooks to act while a job runs: what happens on the
 * window meanwhile (readings logged), and a Cancel once the job has done a
 * given amount of its work.
 */
class ScriptedJobRunner : public JobRunner {
public:
    struct Script {
        std::function<void()> whileRunning; ///< called once the job has started
        qint64 cancelAfter = -1; ///< cancel once progress reaches this (-1: never)
        int jobs = 0;
    };
    std::shared_ptr<Script> script = std::make_shared<Script>();

    void run(QWidget*, const QString&, JobProgress& progress, const std::function<void()>& work) override
    {
        prepare(progress);
        work();
    }

    void runInSteps(
        QWidget*, const QString&, JobProgress& progress, const std::function<bool()>& step) override
    {
        prepare(progress);
        while (step()) { }
    }

private:
    void prepare(JobProgress& progress)
    {
        ++script->jobs;
        if (script->whileRunning)
            script->whileRunning();
        if (script->cancelAfter >= 0)
            progress.setObserver([&progress, limit = script->cancelAfter](qint64 done) {
                if (done >= limit)
                    progress.cancel();
            });
    }
};

} // namespace testsupport
