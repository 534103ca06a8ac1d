#pragma once
// A logger for tests: records the text of every message it receives so that
// a test can assert that a failure was (or was not) logged.
//
//   auto capture = CaptureLogger::install();     // registered when this returns
//   objectUnderTest.doSomethingBad();
//   EXPECT_TRUE(capture->contains("Attempting to access object"));
//   capture->uninstall();                         // or: CaptureLogger::Scope
//
// The log call is synchronous, so a message is recorded by the time the call
// that logged it returns.

#include "app/logging/LGAbstractLogger.h"
#include "app/logging/LGLog.h"
#include "app/logging/LGLogMessage.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <vector>

class CaptureLogger : public LGAbstractLogger {
public:
    QString loggerName() const override { return QStringLiteral("tessarin.test.capture"); }

    void logMessage(const LGLogMessagePtr& message) override {
        QString text = logFormatter_ ? logFormatter_->formatLogMessage(*message) : message->message();
        if (text.isNull()) return;
        std::lock_guard<std::mutex> lock(mutex_);
        texts_ << text;
        records_.push_back(message);
    }

    // The texts in the order they arrived.
    QStringList messages() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }
    std::vector<LGLogMessagePtr> records() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return records_;
    }
    int count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return int(texts_.size());
    }
    // Whether some recorded text contains `part`.
    bool contains(const QString& part) const {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const QString& t : texts_)
            if (t.contains(part)) return true;
        return false;
    }
    // The texts so far, leaving the record empty.
    QStringList take() {
        std::lock_guard<std::mutex> lock(mutex_);
        QStringList out = texts_;
        texts_.clear();
        records_.clear();
        return out;
    }
    void clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        texts_.clear();
        records_.clear();
    }

    // A new logger registered with the hub; registration has completed when
    // this returns.
    static std::shared_ptr<CaptureLogger> install(quint64 level = LGLogLevelAll) {
        auto logger = std::make_shared<CaptureLogger>();
        LGLog::addLoggerWithLevel(logger, level);
        LGLog::allLoggers();  // waits on the logging queue, behind the registration
        return logger;
    }
    // Removes this logger's first registration and waits for the removal.
    void uninstall() {
        LGLog::removeLogger(std::static_pointer_cast<CaptureLogger>(shared_from_this()));
        LGLog::allLoggers();
    }

    // Installs on construction, uninstalls on destruction.
    class Scope {
    public:
        explicit Scope(quint64 level = LGLogLevelAll) : logger_(CaptureLogger::install(level)) {}
        ~Scope() { logger_->uninstall(); }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        CaptureLogger* operator->() const { return logger_.get(); }
        const std::shared_ptr<CaptureLogger>& logger() const { return logger_; }

    private:
        std::shared_ptr<CaptureLogger> logger_;
    };

private:
    mutable std::mutex mutex_;
    QStringList texts_;
    std::vector<LGLogMessagePtr> records_;
};
