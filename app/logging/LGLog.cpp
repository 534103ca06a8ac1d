#include "LGLog.h"

#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cstdlib>
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

LGLog::LGLog() { loggers_.reserve(4); }

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
    hubState();
    return ts::DispatchQueue::getSpecific(&loggingQueueMarker) != nullptr;
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
        for (const auto& node : hub->loggers_) result.push_back(node->logger());
    });
    return result;
}

std::vector<LGLoggerInformationPtr> LGLog::allLoggersWithLevel() {
    auto hub = sharedInstance();
    std::vector<LGLoggerInformationPtr> result;
    loggingQueue()->sync([&] {
        for (const auto& node : hub->loggers_)
            result.push_back(LGLoggerInformation::informationWithLogger(node->logger(), node->level()));
    });
    return result;
}

void LGLog::logMessage(bool asynchronous, const QString& message, quint64 level, quint64 flag, qint64 context,
                       const char* file, const char* function, quint64 line, ts::ObjectPtr tag) {
    auto made = std::make_shared<const LGLogMessage>(message, level, flag, context, QString::fromUtf8(file),
                                                     QString::fromUtf8(function), line, std::move(tag), 0);
    sharedInstance()->queueLogMessage(made, asynchronous);
}

void LGLog::logMessage(bool asynchronous, const LGLogMessagePtr& message) {
    if (!message) return;
    sharedInstance()->queueLogMessage(message, asynchronous);
}

void LGLog::queueLogMessage(const LGLogMessagePtr& message, bool asynchronously) {
    auto self = shared_from_this();
    auto deliver = [self, message] { self->lt_log(message); };
    if (asynchronously) {
        loggingQueue()->async(deliver);
    } else if (isOnLoggingQueue()) {
        // Already holding the logging queue: waiting for it would never end.
        deliver();
    } else {
        loggingQueue()->sync(deliver);
    }
}

void LGLog::flushLog() {
    auto hub = sharedInstance();
    loggingQueue()->sync([hub] { hub->lt_flush(); });
}

void LGLog::applicationWillTerminate() { flushLog(); }

void LGLog::lt_log(const LGLogMessagePtr& message) {
    // A copy, so that a logger that logs inline from this queue cannot change
    // the list under the loop.
    const std::vector<LGLoggerNodePtr> nodes = loggers_;
    HubState& state = hubState();
    if (state.processors <= 1) {
        for (const auto& node : nodes) {
            if (!(message->flag() & node->level())) continue;
            const LGLoggerPtr& logger = node->logger();
            node->loggerQueue()->sync([&] { logger->logMessage(message); });
        }
        return;
    }
    // One group per delivery rather than the shared one: an inline delivery
    // nested in another must not wait for the outer one's loggers.
    std::vector<const LGLoggerNodePtr*> admitted;
    for (const auto& node : nodes)
        if (message->flag() & node->level()) admitted.push_back(&node);
    if (admitted.empty()) return;
    // The others run in parallel on their queues; the last one runs through
    // its queue's sync, which uses this thread when that queue is idle.
    ts::DispatchGroup group;
    for (size_t i = 0; i + 1 < admitted.size(); ++i) {
        const LGLoggerNodePtr& node = *admitted[i];
        group.async(node->loggerQueue(), [logger = node->logger(), message] { logger->logMessage(message); });
    }
    const LGLoggerNodePtr& last = *admitted.back();
    last->loggerQueue()->sync([&] { last->logger()->logMessage(message); });
    if (admitted.size() > 1) group.wait();
}

void LGLog::lt_addLogger(const LGLoggerPtr& logger, quint64 level) {
    for (const auto& node : loggers_)
        if (node->logger() == logger && node->level() == level) return;
    ts::DispatchQueuePtr queue = logger->loggerQueue();
    if (!queue) queue = ts::DispatchQueue::createSerial(logger->loggerName());
    loggers_.push_back(LGLoggerNode::nodeWithLogger(logger, queue, level));
    queue->async([logger, queue] {
        if (!logger->didAddLoggerInQueue(queue)) logger->didAddLogger();
    });
}

void LGLog::lt_removeLogger(const LGLoggerPtr& logger) {
    auto it = std::find_if(loggers_.begin(), loggers_.end(),
                           [&](const LGLoggerNodePtr& node) { return node->logger() == logger; });
    if (it == loggers_.end()) return;
    (*it)->loggerQueue()->async([logger] { logger->willRemoveLogger(); });
    loggers_.erase(it);
}

void LGLog::lt_removeAllLoggers() {
    for (const auto& node : loggers_)
        node->loggerQueue()->async([logger = node->logger()] { logger->willRemoveLogger(); });
    loggers_.clear();
}

void LGLog::lt_flush() {
    ts::DispatchGroup group;
    for (const auto& node : loggers_) {
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
