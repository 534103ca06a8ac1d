#pragma once
// Records the console lines written through Qt's message handler while it lives.

#include <QStringList>
#include <QtGlobal>

struct ConsoleCapture {
    static inline QStringList lines;
    QtMessageHandler previous;
    ConsoleCapture() {
        lines.clear();
        previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString& m) { lines << m; });
    }
    ~ConsoleCapture() { qInstallMessageHandler(previous); }
};
