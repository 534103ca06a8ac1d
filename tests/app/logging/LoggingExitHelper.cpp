// Logs asynchronously to a slow logger that appends to a file, then leaves
// main at once; every message and a final "flushed" line must still reach the
// file. With "--app" or "--app-late" the process runs a QCoreApplication event
// loop that quits itself, so the flush comes from the application's
// termination instead.

#include "app/logging/LGAbstractLogger.h"
#include "app/logging/LGLog.h"
#include "app/logging/LGLogMessage.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <thread>

namespace {

class SlowFileLogger : public LGAbstractLogger {
public:
    explicit SlowFileLogger(const char* path) : file_(std::fopen(path, "a")) {}
    ~SlowFileLogger() override {
        if (file_) std::fclose(file_);
    }
    QString loggerName() const override { return QStringLiteral("tessarin.test.slowfile"); }
    void logMessage(const LGLogMessagePtr& message) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        write(message->message().toUtf8());
    }
    bool hasFlush() const override { return true; }
    void flush() override { write("flushed"); }

private:
    void write(const QByteArray& line) {
        if (!file_) return;
        std::fprintf(file_, "%s\n", line.constData());
        std::fflush(file_);
    }
    FILE* file_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    // "--app": the application exists before the hub; "--app-late": the hub
    // is made first and learns of the application when it is created.
    const bool appFirst = argc > 2 && std::strcmp(argv[2], "--app") == 0;
    const bool appLate = argc > 2 && std::strcmp(argv[2], "--app-late") == 0;
    const bool withApp = appFirst || appLate;
    std::unique_ptr<QCoreApplication> app;
    if (appFirst) app = std::make_unique<QCoreApplication>(argc, argv);
    LGLog::addLogger(std::make_shared<SlowFileLogger>(argv[1]));
    if (appLate) app = std::make_unique<QCoreApplication>(argc, argv);
    for (int i = 0; i < 20; ++i)
        LGLog::log(true, 3, LGLogFlagError, 0, __FILE__, Q_FUNC_INFO, __LINE__, nullptr, QStringLiteral("message %d"), i);
    if (withApp) {
        QTimer::singleShot(0, app.get(), [&] { app->quit(); });
        int rc = app->exec();
        // Whatever the exit handler would add is marked, so the test can tell
        // that the application's own termination did the flushing.
        std::FILE* f = std::fopen(argv[1], "a");
        if (f) {
            std::fprintf(f, "after quit\n");
            std::fclose(f);
        }
        return rc;
    }
    return 0;
}
