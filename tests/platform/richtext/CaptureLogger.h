#pragma once
// Collects the texts of logged messages so tests can check what was reported.
#include "app/logging/LGLog.h"

#include <QMutex>
#include <QStringList>

class CaptureLogger : public LGLogger {
public:
    void logMessage(const LGLogMessagePtr& message) override {
        QMutexLocker lock(&mutex_);
        texts_.append(message->message());
    }
    LGLogFormatterPtr logFormatter() override { return nullptr; }
    void setLogFormatter(LGLogFormatterPtr) override {}
    QStringList take() {
        LGLog::flushLog();
        QMutexLocker lock(&mutex_);
        QStringList out = texts_;
        texts_.clear();
        return out;
    }

    static std::shared_ptr<CaptureLogger> install() {
        static std::shared_ptr<CaptureLogger> logger = [] {
            auto l = std::make_shared<CaptureLogger>();
            LGLog::addLogger(l);
            LGLog::allLoggers();  // waits until the registration has happened
            return l;
        }();
        logger->take();
        return logger;
    }

private:
    QMutex mutex_;
    QStringList texts_;
};
