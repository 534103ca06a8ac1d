#pragma once
// One registration of a logger with the hub, and the snapshot the hub hands
// out of it.

#include "LGLogger.h"

#include "platform/Dispatch.h"

#include <memory>

class LGLoggerNode;
class LGLoggerInformation;
using LGLoggerNodePtr = std::shared_ptr<LGLoggerNode>;
using LGLoggerInformationPtr = std::shared_ptr<LGLoggerInformation>;

class LGLoggerNode {
public:
    LGLoggerNode(LGLoggerPtr logger, ts::DispatchQueuePtr loggerQueue, quint64 level)
        : logger_(std::move(logger)), loggerQueue_(std::move(loggerQueue)), level_(level) {}
    static LGLoggerNodePtr nodeWithLogger(LGLoggerPtr logger, ts::DispatchQueuePtr loggerQueue, quint64 level) {
        return std::make_shared<LGLoggerNode>(std::move(logger), std::move(loggerQueue), level);
    }

    const LGLoggerPtr& logger() const { return logger_; }
    const ts::DispatchQueuePtr& loggerQueue() const { return loggerQueue_; }
    quint64 level() const { return level_; }

private:
    LGLoggerPtr logger_;
    ts::DispatchQueuePtr loggerQueue_;
    quint64 level_;
};

class LGLoggerInformation {
public:
    LGLoggerInformation(LGLoggerPtr logger, quint64 level) : logger_(std::move(logger)), level_(level) {}
    static LGLoggerInformationPtr informationWithLogger(LGLoggerPtr logger, quint64 level) {
        return std::make_shared<LGLoggerInformation>(std::move(logger), level);
    }

    const LGLoggerPtr& logger() const { return logger_; }
    quint64 level() const { return level_; }

private:
    LGLoggerPtr logger_;
    quint64 level_;
};
