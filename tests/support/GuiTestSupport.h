#pragma once
// What the window tests share: a private home set up before the application
// reads its settings, the folder their pictures go to, a short run of the
// event loop so queued layout and paint settle, and a wait on a condition.

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QString>
#include <QTemporaryDir>

#include <functional>

// HOME and the XDG config and data folders inside home, and the offscreen
// platform unless the run asks for another. Call before the QApplication.
inline void usePrivateHome(const QTemporaryDir& home) {
    const QString h = home.path();
    qputenv("HOME", h.toUtf8());
    qputenv("XDG_CONFIG_HOME", (h + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (h + "/data").toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

inline QString galleryDir() {
    QString dir = qEnvironmentVariable("TS_GALLERY_DIR");
    // Run by hand, outside the build's test runner: never into the source tree.
    if (dir.isEmpty()) dir = QDir::tempPath() + "/tessarin-gallery";
    QDir().mkpath(dir);
    return dir;
}

inline void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Runs the event loop until the condition holds, with a ceiling a loaded
// machine does not reach; answers whether it holds.
inline bool waitUntil(const std::function<bool()>& done, int ms = 60000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}
