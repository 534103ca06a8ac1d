#include "LGDispatchQueueLogFormatter.h"

#include "LGLogMessage.h"
#include "LGLogSupport.h"

LGDispatchQueueLogFormatter::LGDispatchQueueLogFormatter() {
    replacements_.insert(QStringLiteral("tessarin.main"), QStringLiteral("main"));
}

QString LGDispatchQueueLogFormatter::replacementStringForQueueLabel(const QString& label) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return replacements_.value(label);
}

void LGDispatchQueueLogFormatter::setReplacementString(const QString& replacement, const QString& label) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (replacement.isNull()) replacements_.remove(label);
    else replacements_.insert(label, replacement);
}

QString LGDispatchQueueLogFormatter::stringFromDate(const ts::Date& date) const {
    char buf[64];
    int n = LGFormatLocalLogTimestamp(date.seconds + LGReferenceDateOffset, buf, sizeof buf);
    return n > 0 ? QString::fromLatin1(buf, n) : QString();
}

bool LGDispatchQueueLogFormatter::isGlobalQueueLabel(const QString& label) {
    return label == QLatin1String("tessarin.global");
}

QString LGDispatchQueueLogFormatter::serviceClassAbbreviation(quint64 qos) {
    switch (qos) {
    case 33:
        return QStringLiteral("UI");
    case 25:
        return QStringLiteral("IN");
    case 21:
        return QStringLiteral("DF");
    case 17:
        return QStringLiteral("UT");
    case 9:
        return QStringLiteral("BG");
    default:
        return QStringLiteral("UN");
    }
}

QString LGDispatchQueueLogFormatter::queueThreadLabelForLogMessage(const LGLogMessage& message) const {
    QString label;
    bool replaceable = true;
    if (!message.queueLabel().isEmpty() && !isGlobalQueueLabel(message.queueLabel())) {
        label = message.queueLabel();
    } else if (!message.threadName().isEmpty()) {
        label = message.threadName();
    } else {
        label = message.threadID();
        replaceable = false;
    }
    if (replaceable) {
        QString replacement = replacementStringForQueueLabel(label);
        if (!replacement.isNull()) label = replacement;
    }
    const quint64 maxLength = maxQueueLength_, minLength = minQueueLength_;
    if (maxLength > 0 && quint64(label.size()) > maxLength) label.truncate(qsizetype(maxLength));
    else if (minLength > quint64(label.size())) label = label.leftJustified(qsizetype(minLength), QLatin1Char(' '));
    return label;
}

QString LGDispatchQueueLogFormatter::formatLogMessage(const LGLogMessage& message) {
    return QStringLiteral("%1 [%2 (QOS:%3)] %4")
        .arg(stringFromDate(message.timestamp()), queueThreadLabelForLogMessage(message),
             serviceClassAbbreviation(message.qos()), message.message());
}
