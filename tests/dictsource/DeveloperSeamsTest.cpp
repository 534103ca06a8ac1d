// The developer's seams: questions answered from a script or skipped, and
// pasteboard texts and beeps kept in a file beside the logs.
#include "dictsource/DeveloperPrompt.h"
#include "dictsource/DeveloperSink.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

DeveloperQuestion question(std::optional<QString> text = std::nullopt) {
    DeveloperQuestion q;
    q.message = QStringLiteral("amo type not found");
    q.buttons = {QStringLiteral("Skip"), QStringLiteral("Noun"), QStringLiteral("Edit")};
    q.editableText = std::move(text);
    return q;
}

TEST(DeveloperPrompt, SkipAnswersTheFirstButtonAndKeepsTheText) {
    SkipDeveloperPrompt skip;
    DeveloperAnswer a = skip.ask(question(QStringLiteral("<orth>amo</orth>")));
    EXPECT_EQ(a.button, 0);
    EXPECT_EQ(a.editedText, QStringLiteral("<orth>amo</orth>"));
    DeveloperQuestion none;
    EXPECT_EQ(skip.ask(none).button, -1);
    // Nothing installed: the process-wide prompt skips.
    DeveloperPrompt::setCurrent(nullptr);
    EXPECT_EQ(DeveloperPrompt::current()->ask(question()).button, 0);
}

TEST(DeveloperPrompt, ScriptedAnswersInOrderThenSkips) {
    auto scripted = std::make_shared<ScriptedDeveloperPrompt>();
    scripted->queueAnswer(2, QStringLiteral("edited"));
    scripted->queueAnswer(1);
    DeveloperPrompt::setCurrent(scripted);
    DeveloperAnswer first = DeveloperPrompt::current()->ask(question(QStringLiteral("orig")));
    EXPECT_EQ(first.button, 2);
    EXPECT_EQ(first.editedText, QStringLiteral("edited"));
    DeveloperAnswer second = DeveloperPrompt::current()->ask(question(QStringLiteral("orig")));
    EXPECT_EQ(second.button, 1);
    EXPECT_EQ(second.editedText, QStringLiteral("orig"));
    EXPECT_EQ(DeveloperPrompt::current()->ask(question()).button, 0);
    ASSERT_EQ(scripted->questions().size(), 3u);
    EXPECT_EQ(scripted->questions()[0].message, QStringLiteral("amo type not found"));
    DeveloperPrompt::setCurrent(nullptr);
}

TEST(DeveloperSink, TextsAndBeepsAreAppendedToTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Logs/DeveloperPasteboard.txt"));
    DeveloperSink sink(path);
    QStringList written;
    sink.setPasteboardWriter([&](const QString& t) {
        written << t;
        return true;
    });
    EXPECT_TRUE(sink.writeToPasteBoard(QStringLiteral("@\"gen\",")));
    int beeped = 0;
    sink.setBeeper([&] { ++beeped; });
    sink.beep();
    EXPECT_EQ(beeped, 1);
    EXPECT_TRUE(sink.writeToPasteBoard(QStringLiteral("second")));
    EXPECT_EQ(sink.pasteboardText(), QStringLiteral("second"));
    EXPECT_EQ(sink.beepCount(), 1);
    EXPECT_EQ(written, (QStringList{QStringLiteral("@\"gen\","), QStringLiteral("second")}));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("  @\"gen\",")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("  (beep)")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("  second")));
}

TEST(DeveloperSink, AFailedAppendIsReported) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    // A folder cannot be made under a plain file.
    DeveloperSink sink(dir.filePath(QStringLiteral("file/DeveloperPasteboard.txt")));
    EXPECT_FALSE(sink.writeToPasteBoard(QStringLiteral("x")));
    EXPECT_EQ(sink.pasteboardText(), QStringLiteral("x"));
}

}  // namespace
