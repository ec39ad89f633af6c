#include "records/job_progress.h"
#include "records/job_runner.h"

#include <QAbstractButton>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <new>
#include <stdexcept>
#include <thread>

namespace {

using namespace std::chrono_literals;

class JobRunnerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window.resize(300, 200);
        button = new QPushButton(QStringLiteral("Other command"), &window);
        button->setGeometry(10, 10, 120, 30);
        QObject::connect(button, &QPushButton::clicked, [this] { ++otherCommands; });
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    QProgressDialog* dialog() const
    {
        return window.findChild<QProgressDialog*>(QStringLiteral("JobProgress"));
    }

    /** Every 20 ms while a job runs: what the window's event loop does meanwhile. */
    void whileRunning(std::function<void()> tick)
    {
        auto* timer = new QTimer(&window);
        QObject::connect(timer, &QTimer::timeout, timer, std::move(tick));
        timer->start(20);
    }

    QWidget window;
    QPushButton* button = nullptr;
    int otherCommands = 0;
    ProgressJobRunner runner;
};

TEST_F(JobRunnerTest, WhatTheWorkThrowsReachesTheCaller)
{
    JobProgress progress;
    EXPECT_THROW(runner.run(&window, "job", progress, [] { throw std::bad_alloc(); }), std::bad_alloc);
    EXPECT_THROW(runner.run(&window, "job", progress, [] { throw JobCancelled(); }), JobCancelled);
    EXPECT_THROW(
        runner.run(&window, "job", progress, [] { throw std::runtime_error("disk"); }), std::runtime_error);
    EXPECT_THROW(runner.runInSteps(&window, "job", progress, []() -> bool { throw std::bad_alloc(); }),
        std::bad_alloc);
    int steps = 0;
    runner.runInSteps(&window, "job", progress, [&] { return ++steps < 5; });
    EXPECT_EQ(steps, 5);
    bool ran = false;
    runner.run(&window, "job", progress, [&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_EQ(dialog() ? dialog()->isVisible() : false, false) << "a quick job shows no dialog";
}

TEST_F(JobRunnerTest, ALongJobShowsProgressAndCancelEndsIt)
{
    JobProgress progress;
    progress.setTotal(1000);
    int ticks = 0;
    QElapsedTimer shown;
    whileRunning([&] {
        ++ticks;
        QProgressDialog* d = dialog();
        if (d && d->isVisible() && !shown.isValid()) {
            shown.start();
            // Clicks on the window behind are held back while the job runs.
            QTest::mouseClick(button, Qt::LeftButton);
            d->findChild<QPushButton*>()->click();
        }
    });
    QElapsedTimer started;
    started.start();
    std::atomic<qint64> done { 0 };
    EXPECT_THROW(runner.run(&window, "Saving...", progress,
                     [&] {
                         for (qint64 i = 0;; ++i) {
                             std::this_thread::sleep_for(2ms);
                             done = i % 1000;
                             progress.advance(done);
                         }
                     }),
        JobCancelled);
    EXPECT_TRUE(shown.isValid()) << "no progress dialog appeared";
    EXPECT_GE(started.elapsed(), ProgressJobRunner::showAfterMs);
    EXPECT_GE(ticks, 10) << "the event loop stalled during the job";
    EXPECT_EQ(otherCommands, 0);
    EXPECT_TRUE(progress.cancelled());
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(otherCommands, 1) << "input is back once the job has ended";
}

TEST_F(JobRunnerTest, StepsLetTheEventLoopRunAndStopOnCancel)
{
    JobProgress progress;
    progress.setTotal(100000);
    int ticks = 0;
    whileRunning([&] {
        if (++ticks == 5)
            progress.cancel();
    });
    qint64 steps = 0;
    EXPECT_THROW(runner.runInSteps(&window, "Printing...", progress,
                     [&] {
                         std::this_thread::sleep_for(1ms);
                         progress.advance(++steps);
                         return true;
                     }),
        JobCancelled);
    EXPECT_GE(ticks, 5);
    EXPECT_GT(steps, 0);
}

} // namespace
