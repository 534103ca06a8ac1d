#pragma once
// The record that travels from a log call to every logger: the text and
// everything known about where and when it was logged.
//
// A message is made on the thread that logs (its thread and queue fields are
// read there) and is shared read-only between logger queues afterwards; the
// hub hands out LGLogMessagePtr, a pointer to const.

#include "LGLogger.h"

#include "platform/Object.h"
#include "platform/Value.h"

#include <QString>

#include <optional>

// Option bits of a message.
constexpr qint64 LGLogMessageCopyFile = 1;
constexpr qint64 LGLogMessageCopyFunction = 2;
constexpr qint64 LGLogMessageDontCopyMessage = 4;

class LGLogMessage {
public:
    // An empty message: every field zero or null.
    LGLogMessage() = default;
    // Fills every field; the timestamp defaults to now. Thread, queue and
    // service-class fields describe the calling thread.
    LGLogMessage(const QString& message, quint64 level, quint64 flag, qint64 context, const QString& file,
                 const QString& function, quint64 line, ts::ObjectPtr tag, qint64 options,
                 std::optional<ts::Date> timestamp = std::nullopt);

    const QString& message() const { return message_; }
    quint64 level() const { return level_; }
    quint64 flag() const { return flag_; }
    qint64 context() const { return context_; }
    const QString& file() const { return file_; }
    const QString& fileName() const { return fileName_; }
    const QString& function() const { return function_; }
    quint64 line() const { return line_; }
    const ts::ObjectPtr& tag() const { return representedObject_; }
    const ts::ObjectPtr& representedObject() const { return representedObject_; }
    qint64 options() const { return options_; }
    // Seconds since 2001-01-01 UTC, to the microsecond.
    ts::Date timestamp() const { return timestamp_; }
    const QString& threadID() const { return threadID_; }
    const QString& threadName() const { return threadName_; }
    const QString& queueLabel() const { return queueLabel_; }
    quint64 qos() const { return qos_; }

    // Equal texts, file, thread identifier and queue label, numbers, function,
    // represented object and timestamp; file name, thread name, tag and
    // options are not compared.
    bool isEqual(const LGLogMessage& other) const;
    bool operator==(const LGLogMessage& other) const { return isEqual(other); }
    size_t hash() const;

    // A new message sharing every field of this one. Only a copy that has not
    // been handed to anyone else may be changed, through setMessage().
    std::shared_ptr<LGLogMessage> copy() const { return std::make_shared<LGLogMessage>(*this); }
    void setMessage(const QString& text) { message_ = text; }

private:
    QString message_;
    quint64 level_ = 0;
    quint64 flag_ = 0;
    qint64 context_ = 0;
    QString file_;
    QString fileName_;
    QString function_;
    quint64 line_ = 0;
    ts::ObjectPtr tag_;
    ts::ObjectPtr representedObject_;
    qint64 options_ = 0;
    ts::Date timestamp_;
    QString threadID_;
    QString threadName_;
    QString queueLabel_;
    quint64 qos_ = 0;
};

// The file name without its extension: the text after the last "/" (the whole
// path when there is none) up to the last "." after it (the end when none).
// A null path gives a null string. The text is always copied into the
// answer; `copy` is accepted for callers that state their intent.
QString LGExtractFileNameWithoutExtension(const char* filePath, bool copy);
