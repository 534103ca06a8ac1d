#include "LGASLLogCapture.h"

#include "LGASLLogger.h"
#include "LGLog.h"
#include "LGLogSupport.h"
#include "platform/ChildProcess.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

#include <atomic>
#include <ctime>

#include <unistd.h>

namespace {

std::atomic<bool> running{false};
std::atomic<quint64> level{31};

QString journalctlPath() { return QStandardPaths::findExecutable(QStringLiteral("journalctl")); }

}  // namespace

bool LGASLLogCapture::isRunning() { return running; }
quint64 LGASLLogCapture::captureLevel() { return level; }
void LGASLLogCapture::setCaptureLevel(quint64 value) { level = value; }
void LGASLLogCapture::stop() { running = false; }

bool LGASLLogCapture::isSystemLogReadable() {
    // journald's sockets live here while it runs.
    return !journalctlPath().isEmpty() && QFileInfo(QStringLiteral("/run/systemd/journal")).isDir();
}

bool LGASLLogCapture::start() {
    if (running.exchange(true)) return true;
    if (!isSystemLogReadable()) {
        running = false;
        LGConsoleLog(QStringLiteral("LGASLLogCapture: there is no systemd journal to read the system log back from; "
                                    "log capture is off."));
        return false;
    }
    long long startSecond = (long long)std::time(nullptr);
    ts::DispatchQueue::global()->async([startSecond] { captureAslLogs(startSecond); });
    return true;
}

void LGASLLogCapture::captureAslLogs(long long startSecond) {
    QProcess journal;
    journal.setProgram(journalctlPath());
    journal.setArguments({QStringLiteral("--follow"), QStringLiteral("--output=json"), QStringLiteral("--no-pager"),
                          QStringLiteral("--since=@%1").arg(startSecond), QStringLiteral("--lines=all"),
                          QStringLiteral("_PID=%1").arg(::getpid())});
    journal.setProcessChannelMode(QProcess::SeparateChannels);
    ts::ChildProcess::confine(journal);
    journal.start(QIODevice::ReadOnly);
    if (!journal.waitForStarted(5000)) {
        LGConsoleLog(QStringLiteral("LGASLLogCapture: journalctl did not start: %1").arg(journal.errorString()));
        running = false;
        return;
    }
    while (running && journal.state() == QProcess::Running) {
        if (!journal.canReadLine() && !journal.waitForReadyRead(500)) continue;
        while (journal.canReadLine()) {
            Entry entry = entryFromJournalJson(journal.readLine());
            if (isCapturable(entry)) aslMessageReceived(entry);
        }
    }
    journal.kill();
    journal.waitForFinished(2000);
    running = false;
}

LGASLLogCapture::Entry LGASLLogCapture::entryFromJournalJson(const QByteArray& line) {
    Entry entry;
    QJsonParseError error;
    QJsonDocument doc = QJsonDocument::fromJson(line.trimmed(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) return entry;
    QJsonObject record = doc.object();
    // Messages that are not valid UTF-8 come as byte arrays; they are skipped.
    QJsonValue message = record.value(QStringLiteral("MESSAGE"));
    if (message.isString()) entry.insert(QStringLiteral("Message"), message.toString());
    QString priority = record.value(QStringLiteral("PRIORITY")).toString();
    if (!priority.isEmpty()) entry.insert(QStringLiteral("Level"), priority);
    bool ok = false;
    qulonglong usec = record.value(QStringLiteral("__REALTIME_TIMESTAMP")).toString().toULongLong(&ok);
    if (ok) {
        entry.insert(QStringLiteral("Time"), QString::number(usec / 1000000));
        entry.insert(QStringLiteral("TimeNanoSec"), QString::number((usec % 1000000) * 1000));
    }
    QString pid = record.value(QStringLiteral("_PID")).toString();
    if (!pid.isEmpty()) entry.insert(QStringLiteral("PID"), pid);
    if (record.value(QStringLiteral("SYSLOG_IDENTIFIER")).toString() == QLatin1String(LGASLLogger::syslogIdentity()))
        entry.insert(QStringLiteral("LGLog"), QStringLiteral("1"));
    return entry;
}

bool LGASLLogCapture::isCapturable(const Entry& entry) {
    if (entry.isEmpty() || entry.value(QStringLiteral("LGLog")) == QLatin1String("1")) return false;
    return entry.value(QStringLiteral("PID")) == QString::number(::getpid());
}

void LGASLLogCapture::aslMessageReceived(const Entry& entry) {
    auto messageIt = entry.find(QStringLiteral("Message"));
    if (messageIt == entry.end()) return;

    quint64 flag = 1;
    bool async = false;
    auto levelIt = entry.find(QStringLiteral("Level"));
    if (levelIt != entry.end()) {
        bool ok = false;
        int value = levelIt->toInt(&ok);
        if (!ok) value = -1;
        async = true;
        switch (value) {
        case 0:
        case 1:
        case 2:
            flag = 1;
            async = false;
            break;
        case 3:
            flag = 2;
            break;
        case 4:
            flag = 4;
            break;
        case 5:
            flag = 8;
            break;
        default:
            flag = 16;
            break;
        }
    }
    const quint64 mask = level;
    if (!(flag & mask)) return;

    double seconds;
    auto timeIt = entry.find(QStringLiteral("Time"));
    if (timeIt != entry.end()) seconds = timeIt->toDouble();
    else seconds = double(std::time(nullptr));
    auto nanoIt = entry.find(QStringLiteral("TimeNanoSec"));
    if (nanoIt != entry.end()) seconds += nanoIt->toDouble() / 1000000000.0;

    auto message = std::make_shared<LGLogMessage>(*messageIt, mask, flag, 0, QStringLiteral("LGASLLogCapture"),
                                                  QString(), 0, nullptr, LGLogMessageDontCopyMessage,
                                                  ts::Date{seconds - LGReferenceDateOffset});
    LGLog::logMessage(async, message);
}
