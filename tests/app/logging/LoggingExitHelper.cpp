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
#include <thread>

namespace {

void appendLine(const char* path, const QByteArray& line) {
    if (std::FILE* f = std::fopen(path, "a")) std::fprintf(f, "%s\n", line.constData()), std::fclose(f);
}

class SlowFileLogger : public LGAbstractLogger {
public:
    explicit SlowFileLogger(const char* path) : path_(path) {}
    QString loggerName() const override { return QStringLiteral("tessarin.test.slowfile"); }
    void logMessage(const LGLogMessagePtr& message) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        appendLine(path_, message->message().toUtf8());
    }
    bool hasFlush() const override { return true; }
    void flush() override { appendLine(path_, "flushed"); }

private:
    const char* path_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    // "--app": the application exists before the hub; "--app-late": the hub
    // is made first and learns of the application when it is created.
    const QByteArray mode = argc > 2 ? argv[2] : "";
    std::unique_ptr<QCoreApplication> app;
    if (mode == "--app") app = std::make_unique<QCoreApplication>(argc, argv);
    LGLog::addLogger(std::make_shared<SlowFileLogger>(argv[1]));
    if (mode == "--app-late") app = std::make_unique<QCoreApplication>(argc, argv);
    for (int i = 0; i < 20; ++i)
        LGLog::log(true, 3, LGLogFlagError, 0, __FILE__, Q_FUNC_INFO, __LINE__, nullptr, QStringLiteral("message %d"), i);
    if (!app) return 0;
    QTimer::singleShot(0, app.get(), [&] { app->quit(); });
    const int rc = app->exec();
    // Whatever the exit handler would add comes after this mark, so the test
    // can tell that the application's own termination did the flushing.
    appendLine(argv[1], "after quit");
    return rc;
}
