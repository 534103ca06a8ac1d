#include "AppTestSupport.h"

#include "app/gui/MainWindow.h"
#include "app/logging/LGLog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QDeadlineTimer>
#include <QTest>

#include <gtest/gtest.h>

namespace {
QTemporaryDir* gHome = nullptr;
}

QString AppHarness::home() { return gHome->path(); }

AppHarness& AppHarness::get() {
    static AppHarness* harness = [] {
        auto* h = new AppHarness;
        h->prompter = std::make_shared<ts::ScriptedPrompter>();
        ts::Prompter::setCurrent(h->prompter);
        h->capture = CaptureLogger::install();
        // The launch offers the spellchecker; this user declines.
        h->prompter->queueAlertAnswer(1);
        AppController::registryHooks().saveDictionaries = [h] { ++h->dictionarySaves; };
        h->controller = std::make_unique<AppController>();
        h->controller->applicationWillFinishLaunching();
        h->controller->applicationDidFinishLaunching();
        drainEvents();
        // The offer waits for a window on screen, as the program's first window.
        {
            MainWindow first(h->controller.get());
            first.show();
            for (QDeadlineTimer ceiling(60000); !ceiling.hasExpired() && h->prompter->alerts().empty();) QTest::qWait(10);
        }
        drainEvents();
        return h;
    }();
    return *harness;
}

void drainEvents() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

int main(int argc, char** argv) {
    gHome = new QTemporaryDir;
    const QString h = gHome->path();
    qputenv("HOME", h.toUtf8());
    qputenv("XDG_CONFIG_HOME", (h + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (h + "/data").toUtf8());
    qputenv("XDG_STATE_HOME", (h + "/state").toUtf8());
    qputenv("XDG_CACHE_HOME", (h + "/cache").toUtf8());
    qputenv("TMPDIR", (h + "/tmp").toUtf8());
    QDir().mkpath(h + "/tmp");
    qunsetenv("DICPATH");
    qunsetenv("TS_RESOURCES_DIR");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    LGLog::removeAllLoggers();
    return rc;
}
