#pragma once
// The system-log logger: writes each admitted message to the system log
// through syslog(3), so every failure report reaches the system log as well
// as the log file.
//
// Levels (syslog priorities): error 2 (LOG_CRIT), warning 3 (LOG_ERR), info 4
// (LOG_WARNING), debug, verbose and any other flag 5 (LOG_NOTICE); a message
// with two flags counts as "other". Entries are written under the identity
// syslogIdentity() ("<process name>.LGLog"), which is how the log capture
// (LGASLLogCapture) tells them from the process's other system-log entries
// and never feeds them back into the hub; messages that came from the
// capture are never written back.
//
// Threads: one instance per process (sharedInstance()); it writes on its
// queue "tessarin.log.aslLogger". It never reports its own failures (that
// would loop through the hub).

#include "LGAbstractLogger.h"

class LGASLLogger : public LGAbstractLogger {
    struct Passkey {};

public:
    static std::shared_ptr<LGASLLogger> sharedInstance();
    explicit LGASLLogger(Passkey);

    QString loggerName() const override { return QStringLiteral("tessarin.log.aslLogger"); }
    void logMessage(const LGLogMessagePtr& message) override;

    // The level digit written for a flag: "2", "3", "4" or "5".
    static int levelForFlag(quint64 flag);
    // The syslog identity of the logger's entries.
    static const char* syslogIdentity();
};
