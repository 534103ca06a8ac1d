#pragma once
// What the window tests share: the folder their pictures go to, and a short
// run of the event loop so queued layout and paint settle.

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QString>

inline QString galleryDir() {
    QString dir = qEnvironmentVariable("TS_GALLERY_DIR");
    if (dir.isEmpty()) dir = QDir::currentPath() + "/gallery";
    QDir().mkpath(dir);
    return dir;
}

inline void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents(QEventLoop::AllEvents, 20);
}
