#pragma once
// The base of a logger that stores messages in a database. A subclass does
// the storing (db_log, db_save, db_delete, db_saveAndDelete); the base
// settles the timing: messages are stored as they come, saved in batches
// (after saveThreshold() unsaved messages, or saveInterval() seconds after
// the first unsaved one), and entries older than maxAge() are deleted every
// deleteInterval() seconds.
//
// Threads: all state lives on the logger's queue; the hub, both timers, the
// setters and savePendingLogEntries()/deleteOldLogEntries() run there (the
// setters and the two operations hop onto it and return at once). The
// getters wait on the logging queue and then the logger's queue, so code on
// either queue must not call them.

#include "LGAbstractLogger.h"

class LGAbstractDatabaseLogger : public LGAbstractLogger {
public:
    LGAbstractDatabaseLogger() = default;
    ~LGAbstractDatabaseLogger() override;

    // 0 turns saving by count off. Default 500.
    quint64 saveThreshold();
    void setSaveThreshold(quint64 threshold);
    // Seconds; 0 or less turns the save timer off. Default 60.
    double saveInterval();
    void setSaveInterval(double seconds);
    // Seconds; 0 or less turns deleting off. Default 7 days.
    double maxAge();
    void setMaxAge(double seconds);
    // Seconds; 0 or less turns the delete timer off. Default 300.
    double deleteInterval();
    void setDeleteInterval(double seconds);
    bool deleteOnEverySave();
    void setDeleteOnEverySave(bool value);

    void savePendingLogEntries();
    void deleteOldLogEntries();

    // LGLogger
    void logMessage(const LGLogMessagePtr& message) override;
    bool hasFlush() const override { return true; }
    void flush() override;
    bool didAddLogger() override;
    bool willRemoveLogger() override;

protected:
    // Stores the message; true when it was taken and needs saving.
    virtual bool db_log(const LGLogMessagePtr& message) { return false; }
    virtual void db_save() {}
    virtual void db_delete() {}
    virtual void db_saveAndDelete() {}

private:
    void performSaveAndSuspendSaveTimer();
    void performDelete();
    void createSuspendedSaveTimer();
    void updateAndResumeSaveTimer();
    void destroySaveTimer();
    void createAndStartDeleteTimer();
    void updateDeleteTimer();
    void destroyDeleteTimer();
    std::weak_ptr<LGAbstractDatabaseLogger> weakSelf();

    // Logger queue only.
    quint64 saveThreshold_ = 500;
    double saveInterval_ = 60.0;
    double maxAge_ = 604800.0;
    double deleteInterval_ = 300.0;
    bool deleteOnEverySave_ = false;
    qint64 saveTimerSuspended_ = -1;  // -1 never started, 0 running, 1 suspended
    quint64 unsavedCount_ = 0;
    quint64 unsavedTime_ = 0;         // monotonic nanoseconds; 0: none
    ts::DispatchTimerPtr saveTimer_;
    quint64 lastDeleteTime_ = 0;
    ts::DispatchTimerPtr deleteTimer_;
};
