#include "LGContextFilterLogFormatter.h"

#include "LGLogMessage.h"

void LGLoggingContextSet::addToSet(qint64 context) {
    std::lock_guard<std::mutex> lock(mutex_);
    set_.insert(context);
}

void LGLoggingContextSet::removeFromSet(qint64 context) {
    std::lock_guard<std::mutex> lock(mutex_);
    set_.erase(context);
}

QList<qint64> LGLoggingContextSet::currentSet() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return QList<qint64>(set_.begin(), set_.end());
}

bool LGLoggingContextSet::isInSet(qint64 context) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return set_.count(context) != 0;
}

QString LGContextAllowlistFilterLogFormatter::formatLogMessage(const LGLogMessage& message) {
    return isOnAllowlist(message.context()) ? message.message() : QString();
}

QString LGContextDenylistFilterLogFormatter::formatLogMessage(const LGLogMessage& message) {
    return isOnDenylist(message.context()) ? QString() : message.message();
}
