#pragma once
// A formatter that chains others: each formatter gets a copy of the message
// carrying the text the previous one returned; a null result ends the chain
// and drops the message. With no formatters the message's text passes.
//
// Threads: formatting reads the list under a shared lock, so several logger
// queues may format at once; changes take an exclusive lock and apply to
// messages formatted after them.

#include "LGLogMessage.h"
#include "LGLogger.h"

#include <shared_mutex>
#include <vector>

class LGMultiFormatter : public LGLogFormatter {
public:
    void addFormatter(const LGLogFormatterPtr& formatter);
    void removeFormatter(const LGLogFormatterPtr& formatter);
    void removeAllFormatters();
    std::vector<LGLogFormatterPtr> formatters() const;
    bool isFormattingWithFormatter(const LGLogFormatterPtr& formatter) const;

    // A copy of the message whose text is `line`.
    static LGLogMessagePtr logMessageForLine(const QString& line, const LGLogMessage& original);
    QString formatLogMessage(const LGLogMessage& message) override;

private:
    mutable std::shared_mutex mutex_;
    std::vector<LGLogFormatterPtr> formatters_;
};
