#pragma once
// Task queues, groups and timers over std::thread and the Qt event loop.
//
// Serial queues run their tasks one at a time in the order they were
// submitted, on a worker thread of their own that is started when work arrives
// and ends after a short idle spell. The global queue runs tasks concurrently
// on a pool that grows while every worker is busy (so tasks that wait on one
// another do not starve it). The main queue runs its tasks on the thread of
// the QCoreApplication through its event loop; while there is no application
// object its tasks wait until someone calls DispatchQueue::drainMain() or an
// application is made (they then run once its event loop runs).
//
// Rules on waiting (sync):
//  - sync() on the queue the caller already runs on runs the task inline:
//    waiting for itself would never return.
//  - sync() on another serial queue submits the task and blocks until it has
//    run; two queues that sync into each other still deadlock, as they must.
//  - sync() on the main queue from the main thread runs inline.
//
// An exception that escapes a task is one nobody caught: it is handed to the
// handler set with setUncaughtTaskExceptionHandler() (the crash handler's
// report), and the process then ends through std::terminate.
//
// A task knows the queue it runs on (current(), currentLabel(), isCurrent())
// and can read values attached to that queue with getSpecific(). The worker
// that runs a queue's tasks holds the queue alive until its pending tasks have
// run, so a queue may be dropped by its owner while work is still queued.

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace ts {

class DispatchQueue;
using DispatchQueuePtr = std::shared_ptr<DispatchQueue>;
using DispatchTask = std::function<void()>;
using DispatchDuration = std::chrono::steady_clock::duration;
// Called on the failing thread, inside the handler that caught an exception a
// task let escape (so std::current_exception() answers it), with the label of
// the task's queue. It is not expected to return; when it does, the process
// ends through std::terminate all the same.
using DispatchUncaughtExceptionHandler = void (*)(const QString& queueLabel);

class DispatchQueue : public std::enable_shared_from_this<DispatchQueue> {
public:
    enum class Kind { Serial, Concurrent, Main };

    // A new serial queue. The label may be empty (an unlabelled queue).
    static DispatchQueuePtr createSerial(const QString& label = QString());
    // The process-wide concurrent queue.
    static DispatchQueuePtr global();
    // The queue bound to the application's main thread.
    static DispatchQueuePtr main();

    // The queue whose task the calling thread is running; on the main thread
    // outside any task, the main queue; otherwise null.
    static DispatchQueuePtr current();
    // The label of current(), or an empty string when there is none.
    static QString currentLabel();
    // Whether the calling thread runs a task of this queue (for the main
    // queue: whether it is the main thread).
    bool isCurrent() const;
    // Whether the calling thread is the main thread: the QCoreApplication's
    // thread when one exists, otherwise the process's initial thread.
    static bool isMainThread();

    // Installs the handler of exceptions that escape tasks (null: none, the
    // runtime's termination alone). Answers the previous one.
    static DispatchUncaughtExceptionHandler setUncaughtTaskExceptionHandler(DispatchUncaughtExceptionHandler handler);

    Kind kind() const { return kind_; }
    const QString& label() const { return label_; }

    // Queue-specific values: a key is any address; getSpecific() looks the key
    // up on the queue the caller currently runs on (null when not set there).
    void setSpecific(const void* key, void* value);
    void* specific(const void* key) const;
    static void* getSpecific(const void* key);

    void async(DispatchTask task);
    void sync(const DispatchTask& task);
    // Submits the task after the delay has passed.
    void after(DispatchDuration delay, DispatchTask task);

    // Runs the main queue's pending tasks on the calling thread, which counts
    // as the main thread while they run. Answers how many tasks ran. For tests
    // and tools without an event loop.
    static int drainMain();
    // Number of main-queue tasks not yet run.
    static int pendingMainCount();

    ~DispatchQueue();
    DispatchQueue(const DispatchQueue&) = delete;
    DispatchQueue& operator=(const DispatchQueue&) = delete;

private:
    DispatchQueue(Kind kind, const QString& label);
    void runWorker();
    void scheduleMainDrain();
    // main() without a reference count to pay, for the questions asked on
    // every log call.
    static DispatchQueue& mainQueue();

    Kind kind_;
    QString label_;
    mutable std::mutex specificMutex_;
    std::map<const void*, void*> specific_;

    // Serial queue state.
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<DispatchTask> tasks_;
    bool workerRunning_ = false;
    // A serial queue's task is running, on its worker or inline in sync().
    bool executing_ = false;
    int idleWorkers_ = 0;
    int workers_ = 0;

    friend class DispatchGroup;
};

// Counts outstanding work; wait() blocks until the count returns to zero.
class DispatchGroup {
public:
    DispatchGroup();
    void enter();
    void leave();
    // Runs the task on the queue as a member of the group.
    void async(const DispatchQueuePtr& queue, DispatchTask task);
    // Blocks until every member has left.
    void wait();
    // The same with a limit; answers false when it ran out first.
    bool waitFor(DispatchDuration timeout);
    // Submits the task to the queue once the group is (or becomes) empty.
    void notify(const DispatchQueuePtr& queue, DispatchTask task);

private:
    struct State;
    std::shared_ptr<State> state_;
};

class DispatchTimer;
using DispatchTimerPtr = std::shared_ptr<DispatchTimer>;

// A one-shot or repeating timer whose handler runs on a queue. The timer lives
// as long as its owner holds it: dropping the last reference cancels it. A
// repeating timer does not queue more than one pending firing at a time.
class DispatchTimer : public std::enable_shared_from_this<DispatchTimer> {
public:
    static DispatchTimerPtr create(DispatchQueuePtr queue, DispatchTask handler);

    // Arms the timer: first firing after `start`, then every `interval`
    // (zero interval: once). Re-arming replaces the previous schedule.
    void schedule(DispatchDuration start, DispatchDuration interval = DispatchDuration::zero());
    // Stops further firings; a handler already running completes. The cancel
    // handler, if any, is submitted to the timer's queue once.
    void cancel();
    bool isCancelled() const { return cancelled_.load(); }
    void setCancelHandler(DispatchTask handler);
    const DispatchQueuePtr& queue() const { return queue_; }

    ~DispatchTimer();

private:
    DispatchTimer(DispatchQueuePtr queue, DispatchTask handler);
    void fire(quint64 generation);

    DispatchQueuePtr queue_;
    DispatchTask handler_;
    DispatchTask cancelHandler_;
    std::mutex mutex_;
    DispatchDuration interval_{};
    quint64 generation_ = 0;
    // The schedule whose firing waits on the queue (0: none). Per schedule, so
    // that a firing of a replaced schedule cannot swallow the new one's.
    quint64 pendingGeneration_ = 0;
    std::atomic<bool> cancelled_{false};

    friend struct TimerThread;
};

}  // namespace ts
