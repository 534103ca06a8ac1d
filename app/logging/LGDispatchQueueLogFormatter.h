#pragma once
// A formatter that prefixes each message with its local time and the name of
// the queue or thread it was logged from:
// "yyyy-MM-dd HH:mm:ss:SSS [<origin> (QOS:<class>)] <text>".
//
// The origin is the message's queue label, unless the message was logged
// outside a queue or on the global concurrent queue, whose label says nothing
// about the code; then it is the thread's name, else its identifier. Labels
// and thread names may be replaced ("tessarin.main" shows as "main"), then
// cut to maxQueueLength() or padded with blanks to minQueueLength().
//
// Threads: the replacement table is guarded by a lock; the lengths are plain
// fields set before use.

#include "LGLogger.h"

#include "platform/Value.h"

#include <QHash>
#include <QString>

#include <mutex>

class LGDispatchQueueLogFormatter : public LGLogFormatter {
public:
    LGDispatchQueueLogFormatter();
    // The mode is accepted for callers that pass one and not used.
    explicit LGDispatchQueueLogFormatter(int mode) : LGDispatchQueueLogFormatter() {}

    quint64 minQueueLength() const { return minQueueLength_; }
    void setMinQueueLength(quint64 length) { minQueueLength_ = length; }
    quint64 maxQueueLength() const { return maxQueueLength_; }
    void setMaxQueueLength(quint64 length) { maxQueueLength_ = length; }

    QString replacementStringForQueueLabel(const QString& label) const;
    // A null replacement removes the label's entry.
    void setReplacementString(const QString& replacement, const QString& label);

    // Local time "yyyy-MM-dd HH:mm:ss:SSS".
    QString stringFromDate(const ts::Date& date) const;
    QString queueThreadLabelForLogMessage(const LGLogMessage& message) const;
    // "UI", "IN", "DF", "UT", "BG" or "UN".
    static QString serviceClassAbbreviation(quint64 qos);
    // The labels of global queues, which are never shown.
    static bool isGlobalQueueLabel(const QString& label);

    QString formatLogMessage(const LGLogMessage& message) override;

private:
    mutable std::mutex mutex_;
    quint64 minQueueLength_ = 0;
    quint64 maxQueueLength_ = 0;
    QHash<QString, QString> replacements_;
};
