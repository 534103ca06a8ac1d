#include "platform/ChildProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

#include <unistd.h>

// A pipe left open without close-on-exec, as libraries in the process leave
// theirs, is not handed on, nor is anything else above the standard three.
TEST(ChildProcess, ChildHoldsOnlyItsStandardDescriptors) {
    int leaked[2] = {-1, -1};
    ASSERT_EQ(::pipe(leaked), 0);
    QProcess child;
    // Each number tried by name: listing the folder would open one more.
    child.setProgram("/bin/sh");
    child.setArguments({"-c", "n=0; while [ $n -lt 1024 ]; do [ -e /proc/$$/fd/$n ] && echo $n; n=$((n+1)); done"});
    ts::ChildProcess::confine(child);
    child.start();
    ASSERT_TRUE(child.waitForFinished(60000));
    for (int fd : leaked) ::close(fd);
    EXPECT_EQ(QString::fromLatin1(child.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts),
              QStringList({"0", "1", "2"}));
}

TEST(ChildProcess, OutcomeTellsExitCrashAndMissingProgram) {
    int argc = 1;
    char name[] = "child_process_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString notExecutable = dir.filePath("plain-file");
    QFile(notExecutable).open(QIODevice::WriteOnly);
    using Kind = ts::ChildOutcome::Kind;
    struct Case {
        const char* what;
        QString program;
        QStringList arguments;
        bool started;
        Kind kind;
        int exitCode;  // checked for an exit only
    };
    const Case cases[] = {
        {"success", "sh", {"-c", "exit 0"}, true, Kind::Exited, 0},
        {"opener without a program", "sh", {"-c", "exit 3"}, true, Kind::Exited, 3},
        {"killed by a signal", "sh", {"-c", "kill -SEGV $$"}, true, Kind::Crashed, 0},
        {"not on PATH", "tessarin-no-such-program", {}, false, Kind::FailedToStart, 0},
        {"not executable", notExecutable, {}, false, Kind::FailedToStart, 0},
    };
    for (const Case& c : cases) {
        std::optional<ts::ChildOutcome> outcome;
        const bool started = ts::ChildProcess::run(c.program, c.arguments, [&](const ts::ChildOutcome& o) {
            EXPECT_FALSE(outcome) << c.what << ": told twice";
            outcome = o;
        });
        EXPECT_EQ(started, c.started) << c.what;
        for (QDeadlineTimer ceiling(60000); !outcome && !ceiling.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        ASSERT_TRUE(outcome) << c.what;
        EXPECT_EQ(outcome->kind, c.kind) << c.what;
        if (c.kind == Kind::Exited) {
            EXPECT_EQ(outcome->exitCode, c.exitCode) << c.what;
        }
        EXPECT_EQ(outcome->succeeded(), c.kind == Kind::Exited && c.exitCode == 0) << c.what;
    }
}
