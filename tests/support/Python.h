#pragma once
// Runs python3 (the independent reader the format tests check against) with an
// inline script and its arguments.

#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

struct PythonRun {
    bool started = false;  // false when python3 is missing or would not start
    int exitCode = -1;     // -1 when it crashed or did not finish
    QString out, err;
    QByteArray outBytes;  // standard output as written, for binary answers
};

inline PythonRun runPython(const QString& script, const QStringList& arguments = {}, int timeoutMs = 60000) {
    PythonRun r;
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (python.isEmpty()) return r;
    QProcess p;
    p.start(python, QStringList{QStringLiteral("-c"), script} + arguments);
    if (!p.waitForStarted(60000)) return r;
    r.started = true;
    if (!p.waitForFinished(timeoutMs)) p.kill();
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.outBytes = p.readAllStandardOutput();
    r.out = QString::fromUtf8(r.outBytes);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}
