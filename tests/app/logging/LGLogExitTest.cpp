#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QStringList runHelper(const QStringList& extra) {
    QTemporaryDir dir;
    EXPECT_TRUE(dir.isValid());
    const QString out = dir.filePath(QStringLiteral("log.txt"));
    QProcess p;
    p.start(QStringLiteral(LOGGING_EXIT_HELPER), QStringList{out} + extra);
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

}  // namespace

// Without an application the exit handler flushes; with one (made before or
// after the hub) its termination flushes before exec() returns.
TEST(LGLogExit, QueuedMessagesAreWrittenAndFlushedAtExit) {
    QStringList expected;
    for (int i = 0; i < 20; ++i) expected << QStringLiteral("message %1").arg(i);
    expected << QStringLiteral("flushed");
    for (const QString mode : {"", "--app", "--app-late"}) {
        SCOPED_TRACE(mode.toStdString());
        const QStringList want = mode.isEmpty() ? expected : expected + QStringList{QStringLiteral("after quit")};
        // Later lines (another flush at exit) do not matter.
        EXPECT_EQ(runHelper(mode.isEmpty() ? QStringList() : QStringList{mode}).mid(0, want.size()), want);
    }
}
