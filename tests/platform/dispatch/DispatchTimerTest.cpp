#include "platform/Dispatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using ts::DispatchQueue;
using ts::DispatchTimer;

TEST(DispatchTimer, OneShotFiresOnceOnItsQueue) {
    auto queue = DispatchQueue::createSerial(QStringLiteral("test.timer"));
    std::atomic<int> fired{0};
    QString label;
    auto timer = DispatchTimer::create(queue, [&] {
        label = DispatchQueue::currentLabel();
        ++fired;
    });
    timer->schedule(20ms);
    std::this_thread::sleep_for(150ms);
    queue->sync([] {});
    EXPECT_EQ(fired.load(), 1);
    EXPECT_EQ(label, QStringLiteral("test.timer"));
}

TEST(DispatchTimer, RepeatingFiresUntilCancelledThenRunsCancelHandler) {
    auto queue = DispatchQueue::createSerial(QStringLiteral("test.repeat"));
    std::atomic<int> fired{0};
    std::atomic<bool> cancelHandlerRan{false};
    auto timer = DispatchTimer::create(queue, [&] { ++fired; });
    timer->setCancelHandler([&] { cancelHandlerRan = true; });
    timer->schedule(10ms, 10ms);
    auto end = std::chrono::steady_clock::now() + 5s;
    while (fired.load() < 3 && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(2ms);
    ASSERT_GE(fired.load(), 3);
    timer->cancel();
    queue->sync([] {});
    int atCancel = fired.load();
    std::this_thread::sleep_for(60ms);
    queue->sync([] {});
    EXPECT_EQ(fired.load(), atCancel);
    EXPECT_TRUE(cancelHandlerRan.load());
    EXPECT_TRUE(timer->isCancelled());
}

// A later schedule replaces the earlier one rather than adding to it.
TEST(DispatchTimer, CancelledDroppedOrRescheduledTimerDoesNotFireEarly) {
    auto queue = DispatchQueue::createSerial(QStringLiteral("test.drop"));
    std::atomic<int> fired{0};
    auto cancelled = DispatchTimer::create(queue, [&] { ++fired; });
    cancelled->schedule(30ms);
    cancelled->cancel();
    {
        auto dropped = DispatchTimer::create(queue, [&] { ++fired; });
        dropped->schedule(30ms);
    }
    auto rescheduled = DispatchTimer::create(queue, [&] { ++fired; });
    rescheduled->schedule(40ms);
    rescheduled->schedule(400ms);
    std::this_thread::sleep_for(100ms);
    queue->sync([] {});
    EXPECT_EQ(fired.load(), 0);
}

TEST(DispatchTimer, RearmingWhileAFiringWaitsForTheQueueStillFiresOnce) {
    auto queue = DispatchQueue::createSerial(QStringLiteral("test.rearm"));
    std::atomic<int> fired{0};
    auto timer = DispatchTimer::create(queue, [&] { ++fired; });
    std::atomic<bool> release{false};
    queue->async([&] {
        while (!release) std::this_thread::sleep_for(1ms);
    });
    // The first schedule comes due while the queue is busy; the second is
    // armed and comes due before the queue is free again.
    timer->schedule(1ms);
    std::this_thread::sleep_for(50ms);
    timer->schedule(1ms);
    std::this_thread::sleep_for(50ms);
    release = true;
    auto end = std::chrono::steady_clock::now() + 5s;
    while (fired.load() == 0 && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(2ms);
    std::this_thread::sleep_for(30ms);
    queue->sync([] {});
    EXPECT_EQ(fired.load(), 1);
}
