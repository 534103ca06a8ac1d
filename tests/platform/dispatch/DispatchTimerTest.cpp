#include "platform/Dispatch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace std::chrono_literals;
using ts::DispatchQueue;
using ts::DispatchTimer;

namespace {

// Waits (within a generous ceiling) for a timer due after `delay` on the
// queue to have fired and run: the timers on that queue due earlier have come
// due and run by then too, as due timers fire in order.
bool letTimePass(const ts::DispatchQueuePtr& queue, std::chrono::milliseconds delay) {
    std::atomic<bool> done{false};
    auto probe = DispatchTimer::create(queue, [&] { done = true; });
    probe->schedule(delay);
    const auto end = std::chrono::steady_clock::now() + 60s;
    while (!done && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(2ms);
    queue->sync([] {});
    return done;
}

}  // namespace

TEST(DispatchTimer, OneShotFiresOnceOnItsQueue) {
    auto queue = DispatchQueue::createSerial(QStringLiteral("test.timer"));
    std::atomic<int> fired{0};
    QString label;
    auto timer = DispatchTimer::create(queue, [&] {
        label = DispatchQueue::currentLabel();
        ++fired;
    });
    timer->schedule(20ms);
    ASSERT_TRUE(letTimePass(queue, 60ms));
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
    auto end = std::chrono::steady_clock::now() + 60s;
    while (fired.load() < 3 && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(2ms);
    ASSERT_GE(fired.load(), 3);
    timer->cancel();
    queue->sync([] {});
    int atCancel = fired.load();
    ASSERT_TRUE(letTimePass(queue, 60ms));
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
    // Far enough off that no load on the machine brings it before the probe.
    rescheduled->schedule(1h);
    ASSERT_TRUE(letTimePass(queue, 100ms));
    EXPECT_EQ(fired.load(), 0);
    rescheduled->cancel();
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
    auto end = std::chrono::steady_clock::now() + 60s;
    while (fired.load() == 0 && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(2ms);
    ASSERT_TRUE(letTimePass(queue, 30ms));
    EXPECT_EQ(fired.load(), 1);
}
