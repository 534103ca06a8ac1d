#include "dictsource/DeveloperSink.h"

#include "app/logging/LGLog.h"
#include "app/logging/LGLogFileManagerDefault.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

DeveloperSink::DeveloperSink(QString filePath) : filePath_(std::move(filePath)) {}

bool DeveloperSink::writeToPasteBoard(const QString& text) {
    PasteboardWriter writer;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pasteboard_ = text;
        writer = writer_;
    }
    bool ok = append(text);
    if (writer) ok = writer(text) && ok;
    return ok;
}

void DeveloperSink::beep() {
    Beeper beeper;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++beeps_;
        beeper = beeper_;
    }
    append(QStringLiteral("(beep)"));
    if (beeper) beeper();
}

void DeveloperSink::setBeeper(Beeper beeper) {
    std::lock_guard<std::mutex> lock(mutex_);
    beeper_ = std::move(beeper);
}

QString DeveloperSink::pasteboardText() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pasteboard_;
}

int DeveloperSink::beepCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return beeps_;
}

void DeveloperSink::setPasteboardWriter(PasteboardWriter writer) {
    std::lock_guard<std::mutex> lock(mutex_);
    writer_ = std::move(writer);
}

bool DeveloperSink::append(const QString& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (filePath_.isEmpty()) return true;
    QDir().mkpath(QFileInfo(filePath_).absolutePath());
    QFile file(filePath_);
    const QByteArray line =
        (QDateTime::currentDateTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss:zzz")) + QStringLiteral("  ") +
         text + QLatin1Char('\n'))
            .toUtf8();
    const bool ok = file.open(QIODevice::WriteOnly | QIODevice::Append) && file.write(line) == line.size();
    file.close();
    if (!ok && !appendFailureLogged_) {
        appendFailureLogged_ = true;
        TSLogError("Cannot append to %@: %@", filePath_, file.errorString());
    }
    return ok;
}

namespace {

std::mutex& sinkMutex() {
    static std::mutex m;
    return m;
}

DeveloperSinkPtr& sinkSlot() {
    static DeveloperSinkPtr s;
    return s;
}

}  // namespace

QString DeveloperSink::defaultFilePath() {
    return QDir(LGLogFileManagerDefault::defaultLogsDirectory()).filePath(QStringLiteral("DeveloperPasteboard.txt"));
}

DeveloperSinkPtr DeveloperSink::current() {
    std::lock_guard<std::mutex> lock(sinkMutex());
    if (!sinkSlot()) sinkSlot() = std::make_shared<DeveloperSink>(defaultFilePath());
    return sinkSlot();
}

void DeveloperSink::setCurrent(DeveloperSinkPtr sink) {
    std::lock_guard<std::mutex> lock(sinkMutex());
    sinkSlot() = sink ? std::move(sink) : std::make_shared<DeveloperSink>(defaultFilePath());
}
