#pragma once
// Every program this application starts goes through here: the analyser, the
// desktop's web and mail openers, xz, unzip and journalctl.
//
// A child inherits no descriptor but its standard input, output and error.
// Libraries in this process (the session-bus client among them) open pipes
// from their own threads at any moment, some without close-on-exec; a child
// started at that moment would keep the write end of such a pipe for its
// whole life, and the library's reader would wait for an end of file that
// never comes.
//
// Threads: confine() on the thread that owns the process, before start();
// run() on a thread with an event loop (the main thread), which is where its
// outcome is reported.

#include <QString>
#include <QStringList>

#include <functional>

class QProcess;

namespace ts {

// How a started program ended.
struct ChildOutcome {
    enum class Kind { Exited, Crashed, FailedToStart };
    Kind kind = Kind::FailedToStart;
    int exitCode = -1;
    // The cause in words, for the log: the start error, the signal, or the
    // exit status.
    QString cause;

    bool succeeded() const { return kind == Kind::Exited && exitCode == 0; }
};

class ChildProcess {
public:
    // Makes the process's child drop, at exec, every descriptor above the
    // standard three. Call before start(); the process keeps reporting a
    // program that cannot be run as a failed start.
    static void confine(QProcess& process);

    using Finished = std::function<void(const ChildOutcome&)>;

    // Starts the program (found on PATH unless given with a path) with the
    // arguments, its input from the null device and its output and errors
    // going where this process's go, and returns at once. `finished` is
    // called exactly once on this thread when the program has ended or could
    // not be started; the answer is false when the start failed already,
    // `finished` having then been called before the return.
    static bool run(const QString& program, const QStringList& arguments, Finished finished);
};

}  // namespace ts
