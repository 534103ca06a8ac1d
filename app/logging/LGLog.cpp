#include "LGLog.h"

#include <QCoreApplication>
#include <QVarLengthArray>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

namespace {

// Its address marks the logging queue.
char loggingQueueMarker;

struct HubState {
    ts::DispatchQueuePtr queue;
    ts::DispatchGroup group;
    std::atomic<unsigned> processors{1};
};

HubState& hubState() {
    // Never destroyed: the exit-time flush runs after static destruction has
    // begun for objects made later than the hub.
    static HubState* state = [] {
        auto* s = new HubState;
        s->queue = ts::DispatchQueue::createSerial(QStringLiteral("tessarin.log"));
        s->queue->setSpecific(&loggingQueueMarker, &loggingQueueMarker);
        s->processors = std::max(1u, std::thread::hardware_concurrency());
        return s;
    }();
    return *state;
}

std::weak_ptr<LGLog>& exitHub() {
    static auto* hub = new std::weak_ptr<LGLog>;
    return *hub;
}

void flushAtExit() {
    if (auto hub = exitHub().lock()) hub->applicationWillTerminate();
}

struct ClassLevel {
    std::function<quint64()> getter;
    std::function<void(quint64)> setter;
};

struct ClassRegistry {
    std::mutex mutex;
    std::map<QString, ClassLevel> classes;
};

ClassRegistry& classRegistry() {
    static auto* registry = new ClassRegistry;
    return *registry;
}

}  // namespace

LGLog::LGLog() : loggers_(std::make_shared<const NodeList>()) {}

namespace {

std::atomic<bool> hubMade{false};

void flushWhenApplicationQuits(QCoreApplication* app, std::weak_ptr<LGLog> weak) {
    QObject::connect(app, &QCoreApplication::aboutToQuit, app, [weak] {
        if (auto strong = weak.lock()) strong->applicationWillTerminate();
    });
}

// A hub made before the application object still flushes when it quits.
void connectHubToNewApplication() {
    if (hubMade.load()) flushWhenApplicationQuits(QCoreApplication::instance(), LGLog::sharedInstance());
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(connectHubToNewApplication)

std::shared_ptr<LGLog> LGLog::sharedInstance() {
    static std::shared_ptr<LGLog>* hub = [] {
        auto* h = new std::shared_ptr<LGLog>(std::make_shared<LGLog>());
        std::weak_ptr<LGLog> weak = *h;
        if (QCoreApplication* app = QCoreApplication::instance()) flushWhenApplicationQuits(app, weak);
        // Also at exit: an application whose event loop never ran, or a tool
        // without one, still gets its queued messages written.
        exitHub() = weak;
        std::atexit(flushAtExit);
        hubMade = true;
        return h;
    }();
    return *hub;
}

ts::DispatchQueuePtr LGLog::loggingQueue() { return hubState().queue; }

bool LGLog::isOnLoggingQueue() {
    // The queue the caller runs on is the logging queue itself: the same
    // answer as its marker gives, without looking the marker up.
    return hubState().queue->isCurrent();
}

unsigned LGLog::processorCount() { return hubState().processors; }

void LGLog::setProcessorCount(unsigned count) { hubState().processors = std::max(1u, count); }

void LGLog::addLogger(const LGLoggerPtr& logger) { addLoggerWithLevel(logger, LGLogLevelAll); }

void LGLog::addLoggerWithLevel(const LGLoggerPtr& logger, quint64 level) {
    if (!logger) return;
    auto hub = sharedInstance();
    loggingQueue()->async([hub, logger, level] { hub->lt_addLogger(logger, level); });
}

void LGLog::removeLogger(const LGLoggerPtr& logger) {
    if (!logger) return;
    auto hub = sharedInstance();
    loggingQueue()->async([hub, logger] { hub->lt_removeLogger(logger); });
}

void LGLog::removeAllLoggers() {
    auto hub = sharedInstance();
    loggingQueue()->async([hub] { hub->lt_removeAllLoggers(); });
}

std::vector<LGLoggerPtr> LGLog::allLoggers() {
    auto hub = sharedInstance();
    std::vector<LGLoggerPtr> result;
    loggingQueue()->sync([&] {
        for (const auto& node : *hub->loggers_) result.push_back(node->logger());
    });
    return result;
}

std::vector<LGLoggerInformationPtr> LGLog::allLoggersWithLevel() {
    auto hub = sharedInstance();
    std::vector<LGLoggerInformationPtr> result;
    loggingQueue()->sync([&] {
        for (const auto& node : *hub->loggers_)
            result.push_back(LGLoggerInformation::informationWithLogger(node->logger(), node->level()));
    });
    return result;
}

namespace {

// The text of a source file or function name. The same few literals come
// with call after call from one thread, so the last ones are kept per
// thread; an entry is used only when the bytes are still the same.
const QString& sourceText(const char* bytes) {
    struct Entry {
        const char* bytes = nullptr;
        QByteArray copy;
        QString text;
    };
    thread_local Entry entries[8];
    thread_local unsigned next = 0;
    static const QString none;
    if (!bytes) return none;
    for (Entry& e : entries) {
        if (e.bytes == bytes && std::strncmp(bytes, e.copy.constData(), size_t(e.copy.size())) == 0 &&
            bytes[e.copy.size()] == '\0')
            return e.text;
    }
    Entry& e = entries[next++ % 8];
    e.bytes = bytes;
    e.copy = QByteArray(bytes);
    e.text = QString::fromUtf8(e.copy);
    return e.text;
}

}  // namespace

void LGLog::logMessage(bool asynchronous, const QString& message, quint64 level, quint64 flag, qint64 context,
                       const char* file, const char* function, quint64 line, ts::ObjectPtr tag) {
    auto made = std::make_shared<const LGLogMessage>(message, level, flag, context, sourceText(file),
                                                     sourceText(function), line, std::move(tag), 0);
    sharedInstance()->queueLogMessage(made, asynchronous);
}

void LGLog::logMessage(bool asynchronous, const LGLogMessagePtr& message) {
    if (!message) return;
    sharedInstance()->queueLogMessage(message, asynchronous);
}

void LGLog::queueLogMessage(const LGLogMessagePtr& message, bool asynchronously) {
    if (asynchronously) {
        auto self = shared_from_this();
        loggingQueue()->async([self, message] { self->lt_log(&message, 1); });
    } else if (isOnLoggingQueue()) {
        // Already holding the logging queue: waiting for it would never end.
        lt_log(&message, 1);
    } else {
        deliverAndWait(message);
    }
}

void LGLog::deliverAndWait(const LGLogMessagePtr& message) {
    Waiting& w = waiting_;
    quint64 mine;
    {
        std::lock_guard<std::mutex> lock(w.mutex);
        w.queued.push_back(message);
        mine = ++w.arrivals;
    }
    quint64 state = w.state.load(std::memory_order_acquire);
    while ((state >> 1) < mine) {
        if (state & 1) {
            // Another caller delivers; its end changes the word.
            w.state.wait(state, std::memory_order_acquire);
            state = w.state.load(std::memory_order_acquire);
            continue;
        }
        if (!w.state.compare_exchange_weak(state, state | 1, std::memory_order_acq_rel)) continue;
        // This caller delivers everything that waits, its own message among
        // it. Through the logging queue like every delivery, so that the
        // order with asynchronous messages and hub changes holds; when the
        // queue is idle, sync runs the delivery right here.
        quint64 upTo;
        {
            std::lock_guard<std::mutex> lock(w.mutex);
            w.taken.swap(w.queued);
            upTo = w.arrivals;
        }
        loggingQueue()->sync([this] { lt_log(waiting_.taken.data(), waiting_.taken.size()); });
        w.taken.clear();
        state = upTo << 1;
        w.state.store(state, std::memory_order_release);
        w.state.notify_all();
    }
}

void LGLog::flushLog() {
    auto hub = sharedInstance();
    loggingQueue()->sync([hub] { hub->lt_flush(); });
}

void LGLog::applicationWillTerminate() { flushLog(); }

namespace {

// The messages of a delivery that a registration admits: all of them, as
// nearly always, or a copy of those it does.
struct Admitted {
    const LGLogMessagePtr* messages = nullptr;
    size_t count = 0;
    std::vector<LGLogMessagePtr> some;

    Admitted(const LGLogMessagePtr* all, size_t total, quint64 level) {
        size_t admitted = 0;
        for (size_t i = 0; i < total; ++i) admitted += (all[i]->flag() & level) ? 1 : 0;
        if (admitted == total) {
            messages = all;
            count = total;
            return;
        }
        some.reserve(admitted);
        for (size_t i = 0; i < total; ++i)
            if (all[i]->flag() & level) some.push_back(all[i]);
        messages = some.data();
        count = some.size();
    }
};

}  // namespace

void LGLog::lt_log(const LGLogMessagePtr* messages, size_t count) {
    if (count == 0) return;
    // Held for the whole delivery: a logger that logs inline from this queue
    // cannot change the list under the loop.
    const std::shared_ptr<const NodeList> nodes = loggers_;
    // Few loggers are registered: their list needs no allocation.
    QVarLengthArray<const LGLoggerNode*, 8> admitted;
    for (const auto& node : *nodes) {
        for (size_t i = 0; i < count; ++i) {
            if (messages[i]->flag() & node->level()) {
                admitted.push_back(node.get());
                break;
            }
        }
    }
    if (admitted.empty()) return;
    auto deliver = [messages, count](const LGLoggerNode& node) {
        const Admitted some(messages, count, node.level());
        node.logger()->logMessages(some.messages, some.count);
    };
    // A logger's queue runs the delivery on this thread when it is idle (the
    // usual case: the caller waits anyway), and otherwise after the work
    // queued on it before.
    if (hubState().processors <= 1) {
        for (const LGLoggerNode* node : admitted) node->loggerQueue()->sync([&] { deliver(*node); });
        return;
    }
    // One group per delivery rather than the shared one: an inline delivery
    // nested in another must not wait for the outer one's loggers. The
    // others run in parallel on their queues, the last one here.
    ts::DispatchGroup group;
    for (qsizetype i = 0; i + 1 < admitted.size(); ++i) {
        const LGLoggerNode* node = admitted[i];
        group.async(node->loggerQueue(), [&deliver, node] { deliver(*node); });
    }
    const LGLoggerNode* last = admitted.back();
    last->loggerQueue()->sync([&] { deliver(*last); });
    if (admitted.size() > 1) group.wait();
}

void LGLog::lt_addLogger(const LGLoggerPtr& logger, quint64 level) {
    for (const auto& node : *loggers_)
        if (node->logger() == logger && node->level() == level) return;
    ts::DispatchQueuePtr queue = logger->loggerQueue();
    if (!queue) queue = ts::DispatchQueue::createSerial(logger->loggerName());
    auto nodes = std::make_shared<NodeList>(*loggers_);
    nodes->push_back(LGLoggerNode::nodeWithLogger(logger, queue, level));
    loggers_ = std::move(nodes);
    queue->async([logger, queue] {
        if (!logger->didAddLoggerInQueue(queue)) logger->didAddLogger();
    });
}

void LGLog::lt_removeLogger(const LGLoggerPtr& logger) {
    auto it = std::find_if(loggers_->begin(), loggers_->end(),
                           [&](const LGLoggerNodePtr& node) { return node->logger() == logger; });
    if (it == loggers_->end()) return;
    (*it)->loggerQueue()->async([logger] { logger->willRemoveLogger(); });
    auto nodes = std::make_shared<NodeList>(*loggers_);
    nodes->erase(nodes->begin() + (it - loggers_->begin()));
    loggers_ = std::move(nodes);
}

void LGLog::lt_removeAllLoggers() {
    for (const auto& node : *loggers_)
        node->loggerQueue()->async([logger = node->logger()] { logger->willRemoveLogger(); });
    loggers_ = std::make_shared<const NodeList>();
}

void LGLog::lt_flush() {
    ts::DispatchGroup group;
    for (const auto& node : *loggers_) {
        if (!node->logger()->hasFlush()) continue;
        group.async(node->loggerQueue(), [logger = node->logger()] { logger->flush(); });
    }
    group.wait();
}

bool LGLog::registerClass(const QString& name, std::function<quint64()> getter, std::function<void(quint64)> setter) {
    if (name.isEmpty() || !getter || !setter) return false;
    auto& registry = classRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    registry.classes[name] = ClassLevel{std::move(getter), std::move(setter)};
    return true;
}

bool LGLog::isRegisteredClass(const QString& name) {
    auto& registry = classRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    return registry.classes.count(name) > 0;
}

QStringList LGLog::registeredClasses() { return registeredClassNames(); }

QStringList LGLog::registeredClassNames() {
    auto& registry = classRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    QStringList names;
    for (const auto& entry : registry.classes) names << entry.first;
    return names;
}

quint64 LGLog::levelForClassWithName(const QString& name) {
    std::function<quint64()> getter;
    {
        auto& registry = classRegistry();
        std::lock_guard<std::mutex> lock(registry.mutex);
        auto it = registry.classes.find(name);
        if (it == registry.classes.end()) return LGLogLevelAll;
        getter = it->second.getter;
    }
    return getter();
}

void LGLog::setLevelForClassWithName(quint64 level, const QString& name) {
    std::function<void(quint64)> setter;
    {
        auto& registry = classRegistry();
        std::lock_guard<std::mutex> lock(registry.mutex);
        auto it = registry.classes.find(name);
        if (it == registry.classes.end()) return;
        setter = it->second.setter;
    }
    setter(level);
}
