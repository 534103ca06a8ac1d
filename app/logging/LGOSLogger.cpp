#include "LGOSLogger.h"

#include "LGASLLogger.h"
#include "LGLogMessage.h"
#include "LGLogSupport.h"

#include <mutex>

#include <syslog.h>

std::shared_ptr<LGOSLogger> LGOSLogger::sharedInstance() {
    static std::shared_ptr<LGOSLogger> instance = std::make_shared<LGOSLogger>();
    return instance;
}

LGOSLogger::LGOSLogger(const QString& subsystem, const QString& category)
    : subsystem_(subsystem), category_(category) {
    // The same identity as the system-log logger: the log capture must not
    // feed these entries back either.
    ::openlog(LGASLLogger::syslogIdentity(), LOG_PID | LOG_NDELAY, LOG_USER);
}

LGOSLogHandlePtr LGOSLogger::getLogger() const {
    auto handle = std::make_shared<LGOSLogHandle>();
    if (!subsystem_.isEmpty() && !category_.isEmpty()) {
        handle->subsystem = subsystem_;
        handle->category = category_;
        handle->prefix = QStringLiteral("[%1:%2] ").arg(subsystem_, category_).toUtf8();
    }
    return handle;
}

LGOSLogHandlePtr LGOSLogger::logger() {
    std::lock_guard<std::mutex> lock(handleMutex_);
    if (!logger_) logger_ = getLogger();
    return logger_;
}

void LGOSLogger::setLogger(LGOSLogHandlePtr handle) {
    std::lock_guard<std::mutex> lock(handleMutex_);
    logger_ = std::move(handle);
}

int LGOSLogger::priorityForFlag(quint64 flag) {
    switch (flag) {
    case 1:
        return LOG_ERR;
    case 2:
    case 4:
        return LOG_INFO;
    default:
        return LOG_DEBUG;
    }
}

void LGOSLogger::logMessage(const LGLogMessagePtr& message) {
    if (!message || message->fileName() == QLatin1String("LGASLLogCapture")) return;
    QString text = logFormatter_ ? logFormatter_->formatLogMessage(*message) : message->message();
    if (text.isNull()) return;
    const int priority = priorityForFlag(message->flag());
    // setlogmask(0) reads the mask without changing it.
    if (!(::setlogmask(0) & LOG_MASK(priority))) return;
    LGOSLogHandlePtr handle = logger();
    QByteArray line = handle->prefix + text.toUtf8();
    LGSyslog::write(priority | LOG_USER, line);
}
