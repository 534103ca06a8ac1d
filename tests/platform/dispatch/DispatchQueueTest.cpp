#include "platform/Dispatch.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using ts::DispatchGroup;
using ts::DispatchQueue;

namespace {

// Waits for a predicate without hanging the suite when it never holds.
template <class Pred>
bool eventually(Pred pred, std::chrono::milliseconds limit = 60s) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

}  // namespace

TEST(DispatchQueue, SerialKeepsOrderAndExclusionFromManyThreads) {
    // syncEvery 0: only async. Otherwise every so often a sync, which may run on
    // the caller's thread when the queue is idle; it must still wait for earlier
    // async work and never overlap the worker.
    for (int syncEvery : {0, 3}) {
        SCOPED_TRACE(syncEvery);
        auto queue = DispatchQueue::createSerial(QStringLiteral("test.fifo"));
        std::vector<int> seen;  // touched only by queue tasks: a race would corrupt it
        std::atomic<int> running{0};
        std::atomic<bool> overlapped{false};
        auto record = [&](int v) {
            if (running.fetch_add(1) != 0) overlapped = true;
            seen.push_back(v);
            running.fetch_sub(1);
        };
        std::vector<std::thread> producers;
        for (int p = 0; p < 4; ++p) {
            producers.emplace_back([&, p] {
                for (int i = 0; i < 450; ++i) {
                    if (syncEvery && i % syncEvery == 2) {
                        queue->sync([&, p, i] {
                            record(p * 1000 + i);
                            queue->sync([] {});  // from inside, a nested sync runs at once
                        });
                    } else {
                        queue->async([&, p, i] { record(p * 1000 + i); });
                    }
                }
            });
        }
        for (auto& t : producers) t.join();
        queue->sync([] {});
        ASSERT_EQ(seen.size(), 1800u);
        EXPECT_FALSE(overlapped);
        // Each producer's tasks keep their submission order.
        std::vector<int> last(4, -1);
        for (int v : seen) {
            EXPECT_EQ(v % 1000, last[v / 1000] + 1);
            last[v / 1000] = v % 1000;
        }
    }
}

TEST(DispatchQueue, TasksSeeTheirQueueLabelAndSpecificValues) {
    auto a = DispatchQueue::createSerial(QStringLiteral("test.a"));
    auto b = DispatchQueue::createSerial();
    int key = 0, value = 7;
    a->setSpecific(&key, &value);
    QString labelA, labelB, labelNested;
    void* specificA = nullptr;
    void* specificNested = reinterpret_cast<void*>(1);
    bool aCurrentInA = false, aCurrentInB = true;
    a->sync([&] {
        labelA = DispatchQueue::currentLabel();
        specificA = DispatchQueue::getSpecific(&key);
        aCurrentInA = a->isCurrent();
        b->sync([&] {
            labelNested = DispatchQueue::currentLabel();
            specificNested = DispatchQueue::getSpecific(&key);
            aCurrentInB = a->isCurrent();
        });
    });
    b->sync([&] { labelB = DispatchQueue::currentLabel(); });
    EXPECT_EQ(labelA, QStringLiteral("test.a"));
    EXPECT_EQ(labelNested, QString());
    EXPECT_EQ(labelB, QString());
    EXPECT_EQ(specificA, &value);
    EXPECT_EQ(specificNested, nullptr);
    EXPECT_TRUE(aCurrentInA);
    EXPECT_FALSE(aCurrentInB);
    EXPECT_FALSE(a->isCurrent());
}

TEST(DispatchQueue, SyncOnOwnQueueRunsInline) {
    auto queue = DispatchQueue::createSerial(QStringLiteral("test.inline"));
    std::vector<int> order;
    queue->sync([&] {
        order.push_back(1);
        queue->sync([&] { order.push_back(2); });  // would deadlock if queued
        order.push_back(3);
    });
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
}

TEST(DispatchQueue, SyncWaitsForEarlierAsyncWork) {
    auto queue = DispatchQueue::createSerial(QStringLiteral("test.wait"));
    std::atomic<int> done{0};
    for (int i = 0; i < 10; ++i)
        queue->async([&] {
            std::this_thread::sleep_for(2ms);
            ++done;
        });
    int seenBySync = -1;
    queue->sync([&] { seenBySync = done; });
    EXPECT_EQ(seenBySync, 10);
}

TEST(DispatchQueue, DroppedQueueStillRunsWhatWasQueued) {
    std::atomic<int> ran{0};
    {
        auto queue = DispatchQueue::createSerial(QStringLiteral("test.dropped"));
        for (int i = 0; i < 20; ++i)
            queue->async([&] {
                std::this_thread::sleep_for(1ms);
                ++ran;
            });
    }
    EXPECT_TRUE(eventually([&] { return ran.load() == 20; }));
}

TEST(DispatchQueue, GlobalQueueRunsTasksConcurrently) {
    // Every task waits until all have started: only concurrent execution
    // lets the group finish, even with more tasks than processors.
    const int n = int(std::thread::hardware_concurrency()) + 4;
    std::atomic<int> started{0};
    DispatchGroup group;
    for (int i = 0; i < n; ++i) {
        group.async(DispatchQueue::global(), [&] {
            ++started;
            eventually([&] { return started.load() == n; });
        });
    }
    EXPECT_TRUE(group.waitFor(120s));
    EXPECT_EQ(started.load(), n);
}

TEST(DispatchQueue, AfterRunsOnTheQueueOnlyWhenTheDelayHasPassed) {
    auto queue = DispatchQueue::createSerial(QStringLiteral("test.after"));
    std::atomic<bool> ran{false};
    QString label;
    auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point ranAt;
    queue->after(60ms, [&] {
        label = DispatchQueue::currentLabel();
        ranAt = std::chrono::steady_clock::now();
        ran = true;
    });
    ASSERT_TRUE(eventually([&] { return ran.load(); }));
    EXPECT_GE(ranAt - start, 60ms);
    EXPECT_EQ(label, QStringLiteral("test.after"));
}

namespace {
[[noreturn]] void reportAndExit(const QString& label) {
    try {
        throw;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "handled on %s: %s\n", qPrintable(label), e.what());
    }
    std::_Exit(7);
}
}  // namespace

TEST(DispatchQueueDeathTest, AnExceptionEscapingATaskIsHandedOnAndEndsTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto throwOn = [](const ts::DispatchQueuePtr& queue) {
        queue->async([] { throw std::runtime_error("bad index"); });
        // Time for the task to end the process, however loaded the machine.
        std::this_thread::sleep_for(60s);
        std::_Exit(0);
    };
    // Without a handler: the runtime's termination, which names the exception.
    EXPECT_DEATH(throwOn(DispatchQueue::createSerial(QStringLiteral("test.thrower"))), "bad index");
    // With one: it learns the exception and the queue.
    EXPECT_EXIT(
        {
            DispatchQueue::setUncaughtTaskExceptionHandler(reportAndExit);
            throwOn(DispatchQueue::createSerial(QStringLiteral("test.thrower")));
        },
        testing::ExitedWithCode(7), "handled on test.thrower: bad index");
    EXPECT_EXIT(
        {
            DispatchQueue::setUncaughtTaskExceptionHandler(reportAndExit);
            throwOn(DispatchQueue::global());
        },
        testing::ExitedWithCode(7), "handled on tessarin.global: bad index");
    EXPECT_EXIT(
        {
            DispatchQueue::setUncaughtTaskExceptionHandler(reportAndExit);
            DispatchQueue::main()->async([] { throw std::runtime_error("bad index"); });
            DispatchQueue::drainMain();
            std::_Exit(0);
        },
        testing::ExitedWithCode(7), "handled on tessarin.main: bad index");
}

TEST(DispatchGroup, WaitReturnsWhenAllMembersLeftAndNotifyRunsAfter) {
    DispatchGroup group;
    auto queue = DispatchQueue::createSerial(QStringLiteral("test.group"));
    std::atomic<int> done{0};
    for (int i = 0; i < 5; ++i)
        group.async(DispatchQueue::global(), [&] {
            std::this_thread::sleep_for(5ms);
            ++done;
        });
    group.enter();
    EXPECT_FALSE(group.waitFor(20ms));  // the manual member is still inside
    std::atomic<int> seenByNotify{-1};
    group.notify(queue, [&] { seenByNotify = done.load(); });
    group.leave();
    group.wait();
    EXPECT_EQ(done.load(), 5);
    ASSERT_TRUE(eventually([&] { return seenByNotify.load() != -1; }));
    EXPECT_EQ(seenByNotify.load(), 5);
}

TEST(DispatchMainQueue, TasksWaitUntilPumpedWithoutApplication) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    DispatchQueue::drainMain();
    std::vector<int> order;
    QString label;
    bool wasMain = false;
    std::thread worker([&] {
        DispatchQueue::main()->async([&] { order.push_back(1); });
        DispatchQueue::main()->async([&] {
            order.push_back(2);
            label = DispatchQueue::currentLabel();
            wasMain = DispatchQueue::main()->isCurrent();
        });
    });
    worker.join();
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(DispatchQueue::pendingMainCount(), 2);
    EXPECT_EQ(DispatchQueue::drainMain(), 2);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(label, DispatchQueue::main()->label());
    EXPECT_TRUE(wasMain);
}

TEST(DispatchMainQueue, SyncFromWorkerIsServedByPumpingMainThread) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    std::atomic<bool> returned{false};
    bool ranOnMain = false;
    std::thread worker([&] {
        DispatchQueue::main()->sync([&] { ranOnMain = DispatchQueue::isMainThread(); });
        returned = true;
    });
    ASSERT_TRUE(eventually([&] {
        DispatchQueue::drainMain();
        return returned.load();
    }));
    worker.join();
    EXPECT_TRUE(ranOnMain);
}

TEST(DispatchMainQueue, HopsIntoTheApplicationEventLoop) {
    ASSERT_EQ(DispatchQueue::pendingMainCount(), 0);
    std::vector<int> order;
    DispatchQueue::main()->async([&] { order.push_back(1); });  // before the application exists
    int argc = 1;
    char name[] = "dispatch_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    std::atomic<bool> onAppThread{false};
    std::thread worker([&] {
        DispatchQueue::main()->async([&] {
            onAppThread = QThread::currentThread() == app.thread();
            order.push_back(2);
            app.quit();
        });
    });
    worker.join();
    QTimer::singleShot(5000, &app, [&] { app.exit(1); });  // guard against a lost task
    EXPECT_EQ(app.exec(), 0);
    EXPECT_TRUE(onAppThread);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_EQ(DispatchQueue::pendingMainCount(), 0);
}
