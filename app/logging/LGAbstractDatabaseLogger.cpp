#include "LGAbstractDatabaseLogger.h"

#include <chrono>

namespace {

constexpr double kNanosPerSecond = 1000000000.0;

quint64 monotonicNow() {
    auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
                  .count();
    // 0 means "no time" in the fields; the clock never gives it in practice.
    return ns > 0 ? quint64(ns) : 1;
}

ts::DispatchDuration nanos(double ns) {
    return std::chrono::duration_cast<ts::DispatchDuration>(std::chrono::nanoseconds(qint64(ns > 0 ? ns : 0)));
}

}  // namespace

LGAbstractDatabaseLogger::~LGAbstractDatabaseLogger() {
    if (saveTimer_) saveTimer_->cancel();
    if (deleteTimer_) deleteTimer_->cancel();
}

std::weak_ptr<LGAbstractDatabaseLogger> LGAbstractDatabaseLogger::weakSelf() {
    return std::static_pointer_cast<LGAbstractDatabaseLogger>(weak_from_this().lock());
}

// Settings

quint64 LGAbstractDatabaseLogger::saveThreshold() {
    quint64 v = 0;
    readSetting([&] { v = saveThreshold_; });
    return v;
}

void LGAbstractDatabaseLogger::setSaveThreshold(quint64 threshold) {
    changeSetting([this, threshold] {
        if (saveThreshold_ == threshold) return;
        saveThreshold_ = threshold;
        if (saveThreshold_ != 0 && unsavedCount_ >= saveThreshold_) performSaveAndSuspendSaveTimer();
    });
}

double LGAbstractDatabaseLogger::saveInterval() {
    double v = 0;
    readSetting([&] { v = saveInterval_; });
    return v;
}

void LGAbstractDatabaseLogger::setSaveInterval(double seconds) {
    changeSetting([this, seconds] {
        if (saveInterval_ == seconds) return;
        saveInterval_ = seconds;
        if (saveInterval_ > 0) {
            if (!saveTimer_) createSuspendedSaveTimer();
            // A save already due fires at once.
            updateAndResumeSaveTimer();
        } else {
            destroySaveTimer();
        }
    });
}

double LGAbstractDatabaseLogger::maxAge() {
    double v = 0;
    readSetting([&] { v = maxAge_; });
    return v;
}

void LGAbstractDatabaseLogger::setMaxAge(double seconds) {
    changeSetting([this, seconds] {
        if (maxAge_ == seconds) return;
        const double old = maxAge_;
        maxAge_ = seconds;
        const bool deleteNow = (old > 0 && seconds > 0 && seconds < old) || (old <= 0 && seconds > 0);
        if (old > 0 && seconds <= 0) {
            destroyDeleteTimer();
        } else if (deleteNow) {
            performDelete();
            if (deleteTimer_) updateDeleteTimer();
            else createAndStartDeleteTimer();
        }
    });
}

double LGAbstractDatabaseLogger::deleteInterval() {
    double v = 0;
    readSetting([&] { v = deleteInterval_; });
    return v;
}

void LGAbstractDatabaseLogger::setDeleteInterval(double seconds) {
    changeSetting([this, seconds] {
        if (deleteInterval_ == seconds) return;
        deleteInterval_ = seconds;
        if (deleteInterval_ > 0) {
            if (deleteTimer_) updateDeleteTimer();
            else createAndStartDeleteTimer();
        } else {
            destroyDeleteTimer();
        }
    });
}

bool LGAbstractDatabaseLogger::deleteOnEverySave() {
    bool v = false;
    readSetting([&] { v = deleteOnEverySave_; });
    return v;
}

void LGAbstractDatabaseLogger::setDeleteOnEverySave(bool value) {
    changeSetting([this, value] { deleteOnEverySave_ = value; });
}

void LGAbstractDatabaseLogger::savePendingLogEntries() {
    auto keep = weak_from_this().lock();
    if (isOnInternalLoggerQueue()) performSaveAndSuspendSaveTimer();
    else loggerQueue()->async([this, keep] { performSaveAndSuspendSaveTimer(); });
}

void LGAbstractDatabaseLogger::deleteOldLogEntries() {
    auto keep = weak_from_this().lock();
    if (isOnInternalLoggerQueue()) performDelete();
    else loggerQueue()->async([this, keep] { performDelete(); });
}

// The logger protocol

void LGAbstractDatabaseLogger::logMessage(const LGLogMessagePtr& message) {
    if (!db_log(message)) return;
    ++unsavedCount_;
    if (saveThreshold_ != 0 && unsavedCount_ >= saveThreshold_) {
        performSaveAndSuspendSaveTimer();
    } else if (unsavedCount_ == 1) {
        unsavedTime_ = monotonicNow();
        updateAndResumeSaveTimer();
    }
}

void LGAbstractDatabaseLogger::flush() {
    if (isOnInternalLoggerQueue()) performSaveAndSuspendSaveTimer();
    else readSetting([this] { performSaveAndSuspendSaveTimer(); });
}

bool LGAbstractDatabaseLogger::didAddLogger() {
    createSuspendedSaveTimer();
    createAndStartDeleteTimer();
    return true;
}

bool LGAbstractDatabaseLogger::willRemoveLogger() {
    performSaveAndSuspendSaveTimer();
    destroySaveTimer();
    destroyDeleteTimer();
    return true;
}

// Saving and deleting

void LGAbstractDatabaseLogger::performSaveAndSuspendSaveTimer() {
    if (unsavedCount_ > 0) {
        if (deleteOnEverySave_) db_saveAndDelete();
        else db_save();
    }
    unsavedCount_ = 0;
    unsavedTime_ = 0;
    if (saveTimer_ && saveTimerSuspended_ == 0) {
        // Timers here cannot pause; a fresh, unarmed one stands for the
        // suspended timer until the next first unsaved message.
        saveTimer_->cancel();
        saveTimer_.reset();
        createSuspendedSaveTimer();
        saveTimerSuspended_ = 1;
    }
}

void LGAbstractDatabaseLogger::performDelete() {
    if (maxAge_ > 0) {
        db_delete();
        lastDeleteTime_ = monotonicNow();
    }
}

void LGAbstractDatabaseLogger::createSuspendedSaveTimer() {
    if (saveTimer_ || saveInterval_ <= 0) return;
    auto weak = weakSelf();
    saveTimer_ = ts::DispatchTimer::create(loggerQueue(), [weak] {
        if (auto self = weak.lock()) self->performSaveAndSuspendSaveTimer();
    });
    saveTimerSuspended_ = -1;
}

void LGAbstractDatabaseLogger::updateAndResumeSaveTimer() {
    if (!saveTimer_ || saveInterval_ <= 0 || unsavedTime_ == 0) return;
    const double interval = saveInterval_ * kNanosPerSecond;
    const double firstFire = double(unsavedTime_) + interval - double(monotonicNow());
    saveTimer_->schedule(nanos(firstFire), nanos(interval));
    saveTimerSuspended_ = 0;
}

void LGAbstractDatabaseLogger::destroySaveTimer() {
    if (!saveTimer_) return;
    saveTimer_->cancel();
    saveTimer_.reset();
    saveTimerSuspended_ = 0;
}

void LGAbstractDatabaseLogger::createAndStartDeleteTimer() {
    if (deleteTimer_ || deleteInterval_ <= 0 || maxAge_ <= 0) return;
    auto weak = weakSelf();
    deleteTimer_ = ts::DispatchTimer::create(loggerQueue(), [weak] {
        if (auto self = weak.lock()) self->performDelete();
    });
    updateDeleteTimer();
}

void LGAbstractDatabaseLogger::updateDeleteTimer() {
    if (!deleteTimer_ || deleteInterval_ <= 0 || maxAge_ <= 0) return;
    const double interval = deleteInterval_ * kNanosPerSecond;
    const double now = double(monotonicNow());
    const double firstFire = lastDeleteTime_ > 0 ? double(lastDeleteTime_) + interval - now : interval;
    deleteTimer_->schedule(nanos(firstFire), nanos(interval));
}

void LGAbstractDatabaseLogger::destroyDeleteTimer() {
    if (!deleteTimer_) return;
    deleteTimer_->cancel();
    deleteTimer_.reset();
}
