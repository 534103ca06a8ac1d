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
    EXPECT_TRUE(p.waitForFinished(15000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    QFile f(out);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList expectedMessages() {
    QStringList l;
    for (int i = 0; i < 20; ++i) l << QStringLiteral("message %1").arg(i);
    return l;
}

}  // namespace

TEST(LGLogExit, QueuedMessagesAreWrittenAndFlushedAtExitWithoutApplication) {
    QStringList lines = runHelper({});
    ASSERT_GE(lines.size(), 21);
    EXPECT_EQ(lines.mid(0, 20), expectedMessages());
    EXPECT_EQ(lines.at(20), QStringLiteral("flushed"));
}

TEST(LGLogExit, ApplicationTerminationFlushesBeforeExecReturns) {
    // Whether the application or the hub came first.
    for (const char* mode : {"--app", "--app-late"}) {
        QStringList lines = runHelper({QString::fromLatin1(mode)});
        ASSERT_GE(lines.size(), 22) << mode;
        EXPECT_EQ(lines.mid(0, 20), expectedMessages()) << mode;
        EXPECT_EQ(lines.at(20), QStringLiteral("flushed")) << mode;
        EXPECT_EQ(lines.at(21), QStringLiteral("after quit")) << mode;
    }
}
