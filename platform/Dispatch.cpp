#include "Dispatch.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <QtGlobal>

#include <exception>
#include <thread>
#include <vector>

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ts {

namespace {

// Workers linger this long before ending, so that a burst of work does not
// pay for a thread start per task.
constexpr auto kIdleTimeout = std::chrono::seconds(3);
// The global pool grows while every worker is busy; waiting tasks would
// otherwise starve the tasks they wait for.
constexpr int kMaxGlobalWorkers = 256;

thread_local DispatchQueue* tlsCurrent = nullptr;
thread_local bool tlsDrainingMain = false;

struct CurrentScope {
    DispatchQueue* saved;
    explicit CurrentScope(DispatchQueue* q) : saved(tlsCurrent) { tlsCurrent = q; }
    ~CurrentScope() { tlsCurrent = saved; }
};

std::atomic<DispatchUncaughtExceptionHandler> uncaughtTaskExceptionHandler{nullptr};

// Every task runs through here. An exception that leaves a task is a fault
// nobody handled: carrying on would leave the queue's owner in an unknown
// state, so it is reported and the process ends.
void runGuarded(const DispatchTask& task, const QString& label) {
    try {
        if (task) task();
    } catch (...) {
        if (DispatchUncaughtExceptionHandler handler = uncaughtTaskExceptionHandler.load()) handler(label);
        // Still inside the handler: the runtime's termination names the
        // exception it finds current.
        std::terminate();
    }
}

// The process's initial thread, known without a system call per question.
// A forked child's one thread is its new initial thread, so the answer
// cached by a thread is only good for the fork generation it was made in.
std::atomic<unsigned> forkGeneration{1};
thread_local unsigned tlsInitialThreadGeneration = 0;
thread_local bool tlsIsInitialThread = false;

void countFork() { forkGeneration.fetch_add(1, std::memory_order_relaxed); }

bool isInitialThread() {
    static const bool forkCounted = (::pthread_atfork(nullptr, nullptr, countFork), true);
    (void)forkCounted;
    const unsigned generation = forkGeneration.load(std::memory_order_relaxed);
    if (tlsInitialThreadGeneration != generation) {
        tlsIsInitialThread = ::syscall(SYS_gettid) == ::getpid();
        tlsInitialThreadGeneration = generation;
    }
    return tlsIsInitialThread;
}

}  // namespace

// ---------------------------------------------------------------------------
// Timer thread: one thread that sleeps until the earliest deadline and hands
// each due entry's callback out. Callbacks only submit work to queues.

struct TimerThread {
    using Clock = std::chrono::steady_clock;
    std::mutex mutex;
    std::condition_variable wake;
    std::multimap<Clock::time_point, std::function<void()>> entries;
    bool started = false;

    static TimerThread& instance() {
        // Never destroyed: the thread may still be waiting at process exit.
        static TimerThread* t = new TimerThread;
        return *t;
    }

    void add(Clock::time_point when, std::function<void()> cb) {
        std::lock_guard<std::mutex> lock(mutex);
        entries.emplace(when, std::move(cb));
        if (!started) {
            started = true;
            std::thread([this] { run(); }).detach();
        }
        wake.notify_one();
    }

    void run() {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            if (entries.empty()) {
                wake.wait(lock);
                continue;
            }
            auto first = entries.begin();
            if (first->first > Clock::now()) {
                wake.wait_until(lock, first->first);
                continue;
            }
            auto cb = std::move(first->second);
            entries.erase(first);
            lock.unlock();
            cb();
            lock.lock();
        }
    }
};

// ---------------------------------------------------------------------------
// DispatchQueue

DispatchQueue::DispatchQueue(Kind kind, const QString& label) : kind_(kind), label_(label) {}

DispatchQueue::~DispatchQueue() = default;

DispatchQueuePtr DispatchQueue::createSerial(const QString& label) {
    return DispatchQueuePtr(new DispatchQueue(Kind::Serial, label));
}

DispatchQueuePtr DispatchQueue::global() {
    static DispatchQueuePtr* q = new DispatchQueuePtr(new DispatchQueue(Kind::Concurrent, QStringLiteral("tessarin.global")));
    return *q;
}

DispatchQueuePtr DispatchQueue::main() {
    static DispatchQueuePtr* q = new DispatchQueuePtr(new DispatchQueue(Kind::Main, QStringLiteral("tessarin.main")));
    return *q;
}

DispatchQueue& DispatchQueue::mainQueue() {
    static DispatchQueue* q = main().get();
    return *q;
}

bool DispatchQueue::isMainThread() {
    if (tlsDrainingMain) return true;
    if (QCoreApplication* app = QCoreApplication::instance())
        return QThread::currentThread() == app->thread();
    return isInitialThread();
}

DispatchUncaughtExceptionHandler DispatchQueue::setUncaughtTaskExceptionHandler(DispatchUncaughtExceptionHandler handler) {
    return uncaughtTaskExceptionHandler.exchange(handler);
}

DispatchQueuePtr DispatchQueue::current() {
    if (tlsCurrent) return tlsCurrent->shared_from_this();
    if (isMainThread()) return main();
    return nullptr;
}

QString DispatchQueue::currentLabel() {
    if (tlsCurrent) return tlsCurrent->label_;
    if (isMainThread()) return mainQueue().label_;
    return QString();
}

bool DispatchQueue::isCurrent() const {
    if (tlsCurrent == this) return true;
    return kind_ == Kind::Main && !tlsCurrent && isMainThread();
}

void DispatchQueue::setSpecific(const void* key, void* value) {
    std::lock_guard<std::mutex> lock(specificMutex_);
    if (value)
        specific_[key] = value;
    else
        specific_.erase(key);
}

void* DispatchQueue::specific(const void* key) const {
    std::lock_guard<std::mutex> lock(specificMutex_);
    auto it = specific_.find(key);
    return it == specific_.end() ? nullptr : it->second;
}

void* DispatchQueue::getSpecific(const void* key) {
    DispatchQueue* q = tlsCurrent;
    if (!q && isMainThread()) q = &mainQueue();
    return q ? q->specific(key) : nullptr;
}

void DispatchQueue::async(DispatchTask task) {
    std::unique_lock<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
    switch (kind_) {
    case Kind::Serial:
        if (!workerRunning_) {
            workerRunning_ = true;
            lock.unlock();
            std::thread([self = shared_from_this()] { self->runWorker(); }).detach();
        } else {
            wake_.notify_one();
        }
        break;
    case Kind::Concurrent:
        if (int(tasks_.size()) > idleWorkers_ && workers_ < kMaxGlobalWorkers) {
            ++workers_;
            lock.unlock();
            std::thread([self = shared_from_this()] { self->runWorker(); }).detach();
        } else {
            wake_.notify_one();
        }
        break;
    case Kind::Main:
        lock.unlock();
        scheduleMainDrain();
        break;
    }
}

// One loop for both worker kinds: a serial queue has at most one worker, so
// its tasks run one at a time in order; the global queue has many.
void DispatchQueue::runWorker() {
    CurrentScope scope(this);
    std::unique_lock<std::mutex> lock(mutex_);
    const bool serial = kind_ == Kind::Serial;
    // A serial queue's task may be running inline in a sync() caller; the
    // worker then waits its turn.
    auto ready = [this, serial] { return !tasks_.empty() && !(serial && executing_); };
    for (;;) {
        if (!ready()) {
            ++idleWorkers_;
            bool woke = wake_.wait_for(lock, kIdleTimeout, ready);
            --idleWorkers_;
            if (!woke) {
                if (!tasks_.empty()) continue;  // still owed work: keep waiting
                if (serial)
                    workerRunning_ = false;
                else
                    --workers_;
                return;
            }
        }
        DispatchTask task = std::move(tasks_.front());
        tasks_.pop_front();
        if (serial) executing_ = true;
        lock.unlock();
        runGuarded(task, label_);
        task = nullptr;  // captured state dies on this thread, outside the lock
        lock.lock();
        if (serial) executing_ = false;
    }
}

void DispatchQueue::scheduleMainDrain() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return;  // kept until drainMain() or until an application is made
    // One post per task is cheap and keeps no shared flag to get wrong; a
    // post that finds the queue empty runs nothing.
    QMetaObject::invokeMethod(app, [] { DispatchQueue::drainMain(); }, Qt::QueuedConnection);
}

namespace {
// Tasks queued before the application object existed join its event loop as
// soon as it is made.
void postMainTasksQueuedBeforeApplication() {
    if (DispatchQueue::pendingMainCount() > 0)
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] { DispatchQueue::drainMain(); }, Qt::QueuedConnection);
}
}  // namespace
Q_COREAPP_STARTUP_FUNCTION(postMainTasksQueuedBeforeApplication)

int DispatchQueue::drainMain() {
    DispatchQueue* q = main().get();
    size_t count;
    {
        std::lock_guard<std::mutex> lock(q->mutex_);
        count = q->tasks_.size();
    }
    // Only the tasks present now: a task that requeues itself must not spin
    // this loop forever.
    int ran = 0;
    bool savedDraining = tlsDrainingMain;
    tlsDrainingMain = true;
    CurrentScope scope(q);
    for (size_t i = 0; i < count; ++i) {
        DispatchTask task;
        {
            std::lock_guard<std::mutex> lock(q->mutex_);
            if (q->tasks_.empty()) break;
            task = std::move(q->tasks_.front());
            q->tasks_.pop_front();
        }
        runGuarded(task, q->label_);
        ++ran;
    }
    tlsDrainingMain = savedDraining;
    return ran;
}

int DispatchQueue::pendingMainCount() {
    DispatchQueue* q = main().get();
    std::lock_guard<std::mutex> lock(q->mutex_);
    return int(q->tasks_.size());
}

void DispatchQueue::sync(const DispatchTask& task) {
    if (isCurrent()) {
        task();
        return;
    }
    if (kind_ == Kind::Concurrent) {
        // Nothing to wait for on a concurrent queue: run here as its task.
        CurrentScope scope(this);
        task();
        return;
    }
    if (kind_ == Kind::Serial) {
        // An idle serial queue runs the task right here, as the queue: the
        // order and exclusion are the same as on its worker, without two
        // thread hand-overs per call.
        std::unique_lock<std::mutex> lock(mutex_);
        if (tasks_.empty() && !executing_) {
            executing_ = true;
            lock.unlock();
            {
                CurrentScope scope(this);
                runGuarded(task, label_);
            }
            lock.lock();
            executing_ = false;
            if (!tasks_.empty()) wake_.notify_all();
            return;
        }
    }
    // The waiter's state lives on the heap: the worker may still be leaving
    // the signalling code when the waiter has already returned.
    struct Done {
        std::mutex mutex;
        std::condition_variable cv;
        bool done = false;
    };
    auto state = std::make_shared<Done>();
    async([state, &task, this] {
        runGuarded(task, label_);
        std::lock_guard<std::mutex> lock(state->mutex);
        state->done = true;
        state->cv.notify_one();
    });
    std::unique_lock<std::mutex> lock(state->mutex);
    state->cv.wait(lock, [&] { return state->done; });
}

void DispatchQueue::after(DispatchDuration delay, DispatchTask task) {
    if (delay <= DispatchDuration::zero()) {
        async(std::move(task));
        return;
    }
    TimerThread::instance().add(std::chrono::steady_clock::now() + delay,
                                [self = shared_from_this(), task = std::move(task)]() mutable {
                                    self->async(std::move(task));
                                });
}

// ---------------------------------------------------------------------------
// DispatchGroup

struct DispatchGroup::State {
    std::mutex mutex;
    std::condition_variable cv;
    long count = 0;
    std::vector<std::pair<DispatchQueuePtr, DispatchTask>> notifications;

    void leave() {
        std::vector<std::pair<DispatchQueuePtr, DispatchTask>> due;
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (count <= 0) {
                qWarning("DispatchGroup: leave() without a matching enter()");
                return;
            }
            if (--count == 0) {
                cv.notify_all();
                due.swap(notifications);
            }
        }
        for (auto& n : due) n.first->async(std::move(n.second));
    }
};

DispatchGroup::DispatchGroup() : state_(std::make_shared<State>()) {}

void DispatchGroup::enter() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    ++state_->count;
}

void DispatchGroup::leave() { state_->leave(); }

void DispatchGroup::async(const DispatchQueuePtr& queue, DispatchTask task) {
    enter();
    queue->async([state = state_, task = std::move(task), label = queue->label()] {
        runGuarded(task, label);
        state->leave();
    });
}

void DispatchGroup::wait() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->cv.wait(lock, [this] { return state_->count == 0; });
}

bool DispatchGroup::waitFor(DispatchDuration timeout) {
    std::unique_lock<std::mutex> lock(state_->mutex);
    return state_->cv.wait_for(lock, timeout, [this] { return state_->count == 0; });
}

void DispatchGroup::notify(const DispatchQueuePtr& queue, DispatchTask task) {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (state_->count > 0) {
            state_->notifications.emplace_back(queue, std::move(task));
            return;
        }
    }
    queue->async(std::move(task));
}

// ---------------------------------------------------------------------------
// DispatchTimer

DispatchTimer::DispatchTimer(DispatchQueuePtr queue, DispatchTask handler)
    : queue_(std::move(queue)), handler_(std::move(handler)) {}

DispatchTimer::~DispatchTimer() { cancelled_ = true; }

DispatchTimerPtr DispatchTimer::create(DispatchQueuePtr queue, DispatchTask handler) {
    if (!queue) queue = DispatchQueue::global();
    return DispatchTimerPtr(new DispatchTimer(std::move(queue), std::move(handler)));
}

void DispatchTimer::schedule(DispatchDuration start, DispatchDuration interval) {
    quint64 generation;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (cancelled_) return;
        interval_ = interval < DispatchDuration::zero() ? DispatchDuration::zero() : interval;
        generation = ++generation_;
    }
    std::weak_ptr<DispatchTimer> weak = shared_from_this();
    TimerThread::instance().add(std::chrono::steady_clock::now() + std::max(start, DispatchDuration::zero()),
                                [weak, generation] {
                                    if (auto t = weak.lock()) t->fire(generation);
                                });
}

void DispatchTimer::fire(quint64 generation) {
    std::weak_ptr<DispatchTimer> weak = shared_from_this();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (cancelled_ || generation != generation_) return;
        if (interval_ > DispatchDuration::zero()) {
            TimerThread::instance().add(std::chrono::steady_clock::now() + interval_, [weak, generation] {
                if (auto t = weak.lock()) t->fire(generation);
            });
        }
        // A slow handler must not pile up firings behind it.
        if (pendingGeneration_ == generation) return;
        pendingGeneration_ = generation;
    }
    queue_->async([weak, generation] {
        auto t = weak.lock();
        if (!t) return;
        DispatchTask handler;
        {
            std::lock_guard<std::mutex> lock(t->mutex_);
            if (t->pendingGeneration_ == generation) t->pendingGeneration_ = 0;
            if (t->cancelled_ || generation != t->generation_) return;
            handler = t->handler_;
        }
        if (handler) handler();
    });
}

void DispatchTimer::cancel() {
    DispatchTask cancelHandler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (cancelled_) return;
        cancelled_ = true;
        cancelHandler = std::move(cancelHandler_);
    }
    if (cancelHandler) queue_->async(std::move(cancelHandler));
}

void DispatchTimer::setCancelHandler(DispatchTask handler) {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelHandler_ = std::move(handler);
}

}  // namespace ts
