#include "LGMultiFormatter.h"

#include <algorithm>
#include <mutex>

void LGMultiFormatter::addFormatter(const LGLogFormatterPtr& formatter) {
    if (!formatter) return;
    std::unique_lock lock(mutex_);
    formatters_.push_back(formatter);
}

void LGMultiFormatter::removeFormatter(const LGLogFormatterPtr& formatter) {
    std::unique_lock lock(mutex_);
    formatters_.erase(std::remove(formatters_.begin(), formatters_.end(), formatter), formatters_.end());
}

void LGMultiFormatter::removeAllFormatters() {
    std::unique_lock lock(mutex_);
    formatters_.clear();
}

std::vector<LGLogFormatterPtr> LGMultiFormatter::formatters() const {
    std::shared_lock lock(mutex_);
    return formatters_;
}

bool LGMultiFormatter::isFormattingWithFormatter(const LGLogFormatterPtr& formatter) const {
    std::shared_lock lock(mutex_);
    return std::find(formatters_.begin(), formatters_.end(), formatter) != formatters_.end();
}

LGLogMessagePtr LGMultiFormatter::logMessageForLine(const QString& line, const LGLogMessage& original) {
    auto copy = original.copy();
    copy->setMessage(line);
    return copy;
}

QString LGMultiFormatter::formatLogMessage(const LGLogMessage& message) {
    std::shared_lock lock(mutex_);
    QString line = message.message();
    for (const auto& formatter : formatters_) {
        LGLogMessagePtr step = logMessageForLine(line, message);
        line = formatter->formatLogMessage(*step);
        if (line.isNull()) return line;
    }
    return line;
}
