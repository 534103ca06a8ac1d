#pragma once
// One launched application per test program: a private home (HOME and the
// XDG folders in a temporary folder, set by the test main before anything
// reads them), a scripted prompter, a capturing logger installed before the
// launch, and the delegate launched once. The quit test runs last.

#include "app/gui/AppController.h"
#include "app/gui/TSDocumentController.h"
#include "platform/Prompter.h"
#include "support/CaptureLogger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <memory>

struct AppHarness {
    static AppHarness& get();
    static QString home();

    TSDocumentController documents;
    std::unique_ptr<AppController> controller;
    std::shared_ptr<ts::ScriptedPrompter> prompter;
    std::shared_ptr<CaptureLogger> capture;
    int dictionarySaves = 0;
};

// Runs what the launch and the commands queued on the main thread.
void drainEvents();

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeAll(const QString& path, const QByteArray& data) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}
