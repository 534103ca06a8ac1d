#include "LGASLLogger.h"

#include "LGLogMessage.h"
#include "LGLogSupport.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#include <syslog.h>

std::shared_ptr<LGASLLogger> LGASLLogger::sharedInstance() {
    static std::shared_ptr<LGASLLogger> instance = std::make_shared<LGASLLogger>(Passkey{});
    return instance;
}

LGASLLogger::LGASLLogger(Passkey) {
    // The facility of ordinary user programs; LOG_PID lets readers of the
    // system log (and the capture) tell processes apart.
    ::openlog(syslogIdentity(), LOG_PID | LOG_NDELAY, LOG_USER);
}

const char* LGASLLogger::syslogIdentity() {
    // openlog keeps the pointer, so the text lives as long as the process.
    static const std::string identity = std::string(program_invocation_short_name) + ".LGLog";
    return identity.c_str();
}

int LGASLLogger::levelForFlag(quint64 flag) {
    switch (flag) {
    case 1:
        return 2;
    case 2:
        return 3;
    case 4:
        return 4;
    default:
        return 5;
    }
}

void LGASLLogger::logMessage(const LGLogMessagePtr& message) {
    if (!message) return;
    if (message->fileName() == QLatin1String("LGASLLogCapture")) return;
    QString text = logFormatter_ ? logFormatter_->formatLogMessage(*message) : message->message();
    if (text.isNull()) return;
    QByteArray utf8 = text.toUtf8();
    LGSyslog::write(levelForFlag(message->flag()) | LOG_USER, utf8);
}
