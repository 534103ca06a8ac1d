#pragma once
// A stand-in for a file logger that collects formatted lines in memory and
// hands them to the file in blocks of about one file-system block, instead of
// one write per message.
//
// Registered with the hub in the file logger's place, it takes logMessage()
// itself and passes everything else on to the file logger, so the hub sees
// the file logger's name, queue and formatter. A block is written through the
// file logger's raw write, whose size check then runs once per block.
//
// Sizes: the default buffer is the fundamental block size of the root file
// system (statvfs("/"), 4096 when it cannot be read); the largest buffer is
// 1 MiB, since Linux reports no optimal transfer size beyond the block size.
//
// Threads: all buffer work runs on the file logger's queue. flush() and the
// destructor move onto that queue first; lines are not in the file until the
// buffer fills, flush() runs or the proxy ends.

#include "LGFileLogger.h"

class LGBufferedProxy : public LGLogger {
public:
    explicit LGBufferedProxy(LGFileLoggerPtr fileLogger);
    ~LGBufferedProxy() override;

    static quint64 defaultBufferSize();
    static quint64 largestBufferSize();

    const LGFileLoggerPtr& fileLogger() const { return fileLogger_; }
    LGFileLoggerPtr unwrapFromBuffer() const { return fileLogger_; }

    // Only from the file logger's queue (or before the proxy is shared).
    quint64 maxBufferSizeBytes() const { return maxBufferSizeBytes_; }
    // Stores the smaller of the value and largestBufferSize().
    void setMaxBufferSizeBytes(quint64 bytes);
    quint64 currentBufferSizeBytes() const { return buffer_.size(); }

    // LGLogger: logMessage buffers; the rest is the file logger's.
    void logMessage(const LGLogMessagePtr& message) override;
    LGLogFormatterPtr logFormatter() override { return fileLogger_->logFormatter(); }
    void setLogFormatter(LGLogFormatterPtr formatter) override { fileLogger_->setLogFormatter(std::move(formatter)); }
    bool didAddLogger() override { return fileLogger_->didAddLogger(); }
    bool didAddLoggerInQueue(const ts::DispatchQueuePtr& queue) override {
        return fileLogger_->didAddLoggerInQueue(queue);
    }
    bool willRemoveLogger() override;
    bool hasFlush() const override { return true; }
    void flush() override;
    ts::DispatchQueuePtr loggerQueue() override { return fileLogger_->loggerQueue(); }
    QString loggerName() const override { return fileLogger_->loggerName(); }

private:
    void lt_sendBufferedDataToFileLogger();

    LGFileLoggerPtr fileLogger_;
    QByteArray buffer_;
    quint64 maxBufferSizeBytes_;
};
