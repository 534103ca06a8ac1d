#pragma once
// The OS logger: writes each message to the system's log under a subsystem
// and a category. On this system the OS log is syslog(3): an entry reads
// "[<subsystem>:<category>] <text>" when both are set; errors go out as
// LOG_ERR, warnings and info as LOG_INFO, everything else as LOG_DEBUG, each
// only when the process's log mask lets that priority through.
//
// Threads: writes on its queue "tessarin.log.osLogger", where the handle is
// made on first use.

#include "LGAbstractLogger.h"

#include <QString>

// The handle of one subsystem and category; empty for the default log.
struct LGOSLogHandle {
    QString subsystem;
    QString category;
    QByteArray prefix;  // "[subsystem:category] " or empty
};
using LGOSLogHandlePtr = std::shared_ptr<const LGOSLogHandle>;

class LGOSLogger : public LGAbstractLogger {
public:
    static std::shared_ptr<LGOSLogger> sharedInstance();
    LGOSLogger() : LGOSLogger(QString(), QString()) {}
    LGOSLogger(const QString& subsystem, const QString& category);

    QString loggerName() const override { return QStringLiteral("tessarin.log.osLogger"); }
    void logMessage(const LGLogMessagePtr& message) override;

    const QString& subsystem() const { return subsystem_; }
    const QString& category() const { return category_; }
    // A new handle for the subsystem and category when both are set, the
    // default handle otherwise.
    LGOSLogHandlePtr getLogger() const;
    // The stored handle, made with getLogger() on first use.
    LGOSLogHandlePtr logger();
    void setLogger(LGOSLogHandlePtr handle);

    // The syslog priority of a flag.
    static int priorityForFlag(quint64 flag);

private:
    QString subsystem_;
    QString category_;
    std::mutex handleMutex_;
    LGOSLogHandlePtr logger_;
};
