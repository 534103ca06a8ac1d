#include "platform/ChildProcess.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <climits>
#include <memory>
#include <utility>

#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace ts {

namespace {

// The highest descriptor number worth visiting when the kernel cannot mark a
// range at once; read in the parent, where any call is allowed.
int descriptorCeiling() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 65536;
    return int(std::min<rlim_t>(limit.rlim_cur, INT_MAX));
}

}  // namespace

void ChildProcess::confine(QProcess& process) {
    const int ceiling = descriptorCeiling();
    // Runs in the child between fork and exec, where only async-signal-safe
    // calls are allowed. The descriptors are marked close-on-exec rather than
    // closed: QProcess's own pipe, which reports a failed exec, stays open
    // until the exec succeeds.
    process.setChildProcessModifier([ceiling] {
        if (::syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
        for (int fd = 3; fd < ceiling; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    });
}

bool ChildProcess::run(const QString& program, const QStringList& arguments, Finished finished) {
    // Called once, whichever of the process's signals comes first.
    auto report = std::make_shared<Finished>(std::move(finished));
    auto tell = [report](const ChildOutcome& outcome) {
        if (!*report) return;
        const Finished f = std::exchange(*report, nullptr);
        f(outcome);
    };
    if (!QCoreApplication::instance()) {
        tell({ChildOutcome::Kind::FailedToStart, -1, QStringLiteral("no event loop to wait for %1 on").arg(program)});
        return false;
    }
    // A program that is not there is told at once, while the caller can
    // still answer its user; a failed exec is only known later.
    const QString found = program.contains(QLatin1Char('/'))
                              ? (QFileInfo(program).isExecutable() && QFileInfo(program).isFile() ? program : QString())
                              : QStandardPaths::findExecutable(program);
    if (found.isEmpty()) {
        tell({ChildOutcome::Kind::FailedToStart, -1, QStringLiteral("%1: no such program").arg(program)});
        return false;
    }
    // Owned by the application, so a program still running at quit is not
    // waited for.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setProgram(found);
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    confine(*process);
    QObject::connect(process, &QProcess::errorOccurred, process, [process, tell](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;
        tell({ChildOutcome::Kind::FailedToStart, -1,
              QStringLiteral("%1: %2").arg(process->program(), process->errorString())});
        process->deleteLater();
    });
    QObject::connect(process, &QProcess::finished, process, [process, tell](int code, QProcess::ExitStatus status) {
        if (status == QProcess::CrashExit)
            tell({ChildOutcome::Kind::Crashed, code, QStringLiteral("%1 crashed").arg(process->program())});
        else
            tell({ChildOutcome::Kind::Exited, code,
                  QStringLiteral("%1 exited with status %2").arg(process->program()).arg(code)});
        process->deleteLater();
    });
    process->start();
    return bool(*report);
}

}  // namespace ts
