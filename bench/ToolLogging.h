#pragma once
// The converters' messages as the command-line converter writes them: the
// logging hub with a file logger into a private logs folder (synchronous,
// error level), and a developer sink that appends to its file there.

#include "app/logging/LGFileLogger.h"
#include "app/logging/LGLog.h"
#include "dictsource/DeveloperSink.h"

#include <QDir>
#include <QTemporaryDir>

namespace bench {

class ToolLogging {
public:
    ToolLogging() {
        qputenv("XDG_STATE_HOME", dir_.path().toLocal8Bit());
        logger_ = std::make_shared<LGFileLogger>();
        LGLog::addLogger(logger_);
        sink_ = std::make_shared<DeveloperSink>(dir_.filePath(QStringLiteral("DeveloperPasteboard.txt")));
    }
    ~ToolLogging() {
        LGLog::flushLog();
        LGLog::removeLogger(logger_);
    }
    DeveloperSinkPtr sink() const { return sink_; }
    // Bytes written to the logs folder so far.
    qint64 loggedBytes() const {
        LGLog::flushLog();
        qint64 total = 0;
        const QString logs = QDir(dir_.path()).filePath(QStringLiteral("Logs"));
        for (const QFileInfo& d : QDir(logs).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QFileInfo& f : QDir(d.absoluteFilePath()).entryInfoList(QDir::Files)) total += f.size();
        return total;
    }

private:
    QTemporaryDir dir_;
    std::shared_ptr<LGFileLogger> logger_;
    DeveloperSinkPtr sink_;
};

}  // namespace bench
