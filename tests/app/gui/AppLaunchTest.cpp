#include "AppTestSupport.h"

#include "app/core/Preferences.h"
#include "app/gui/NetworkPageFetcher.h"
#include "dictionaries/DictionaryController.h"
#include "foundation/TSPageRipper.h"
#include "platform/UserDefaults.h"
#include "textmodel/TSBookmarkData.h"
#include "textmodel/TSChunk.h"
#include "textmodel/TSLinkStyle.h"

#include <QAction>
#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <gtest/gtest.h>

namespace {

QStringList stepsWithPrefix(const QString& prefix) {
    QStringList steps;
    for (const QString& m : AppHarness::get().capture->messages())
        if (m.startsWith(prefix)) steps << m.mid(prefix.size());
    return steps;
}

}  // namespace

TEST(AppLaunch, StepsRunInOrder) {
    AppHarness::get();
    const QStringList expected{
        "loggers installed", "crash handlers installed", "settings loaded", "analyser settings provider installed",
        "page fetcher installed", "pasteboard writer installed", "link styles installed",
        "bookmark error presenter installed", "spellchecker offer made once a window shows", "search index delegate set", "menu changed",
        "analyser started", "observing Add word form"};
    EXPECT_EQ(stepsWithPrefix("Launch: "), expected);
}

TEST(AppLaunch, LogFileHoldsTheStepsUnderTheStateFolder) {
    AppHarness::get();
    const QDir logs(AppHarness::home() + "/state/Logs/" + QString::fromLocal8Bit(program_invocation_short_name));
    const QStringList files = logs.entryList({"*.log"}, QDir::Files);
    ASSERT_EQ(files.size(), 1) << logs.path().toStdString();
    EXPECT_TRUE(QRegularExpression("^\\S+ \\d{4}-\\d\\d-\\d\\d--\\d\\d-\\d\\d-\\d\\d-\\d{3}\\.log$").match(files[0]).hasMatch())
        << files[0].toStdString();
    const QString text = QString::fromUtf8(readAll(logs.filePath(files[0])));
    EXPECT_TRUE(QRegularExpression("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d:\\d{3}  Launch: loggers installed\n").match(text).hasMatch())
        << text.left(200).toStdString();
}

TEST(AppLaunch, DeclinedSpellcheckerIsRememberedAndNotAskedAgain) {
    AppHarness& h = AppHarness::get();
    ASSERT_FALSE(h.prompter->alerts().empty());
    EXPECT_EQ(h.prompter->alerts().front().messageText, "Install Spellchecker?");
    EXPECT_EQ(h.prompter->alerts().front().buttons, (QStringList{"Install", "No"}));
    EXPECT_TRUE(ts::UserDefaults::standardUserDefaults()->boolForKey(AppController::kSpellcheckerRefusedKey));
    const size_t asked = h.prompter->alerts().size();
    h.controller->checkForSpellcheckerInstallation();
    EXPECT_EQ(h.prompter->alerts().size(), asked);
    EXPECT_TRUE(ts::UserDefaults::standardUserDefaults()->boolForKey(AppController::kQuitAlwaysKeepsWindowsKey));
}

TEST(AppLaunch, AnalyserChildProcessRuns) {
    AppHarness::get();
    // The child is started on the analyser's own queue.
    qint64 pid = 0;
    for (QDeadlineTimer ceiling(60000); !ceiling.hasExpired() && (pid = DictionaryController::dictionary()->processId()) == 0;)
        QThread::msleep(20);
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)));
    EXPECT_TRUE(DictionaryController::dictionary()->inDictionaryMode());
}

TEST(AppLaunch, DebugMenuRemovedAndCommunicationsItemHidden) {
    AppHarness& h = AppHarness::get();
    QStringList titles;
    for (QAction* top : h.controller->mainMenu()->actions()) titles << top->text();
    EXPECT_FALSE(titles.contains("Debug")) << titles.join(", ").toStdString();
    EXPECT_EQ(h.controller->action("parsePerseusSource:"), nullptr);
    ASSERT_NE(h.controller->communicationsWindowItem(), nullptr);
    EXPECT_FALSE(h.controller->communicationsWindowItem()->isVisible());
    for (const char* selector : {"showDictionary:", "showPrefsWindow:", "reviseOnlyMarked:", "markAutomatically:",
                                 "installSpellchecker:", "loadWebsite:", "emailDeveloper:", "emailDebugLog:",
                                 "saveDebugLog:", "emailChangedWords:", "removeChangeFlags:", "showGrammarWindow:",
                                 "showWordSearchWindow:", "showAnagramWindow:", "showZerivuvWindow:",
                                 "constructionSearch:", "parseMDict:", "showAboutBox:", "newStructuredWindow:",
                                 "newDocument:", "terminate:"})
        EXPECT_NE(h.controller->action(selector), nullptr) << selector;
}

// --- the hooks the model layers left -------------------------------------------------------

TEST(AppHooks, AnalyserSettingsFollowThePreferences) {
    AppHarness::get();
    const PreferencesPtr p = Preferences::preferences();
    const bool log = p->logCommunications();
    p->setLogCommunications(!log);
    p->dictionaryPrefs()->setValueForKey(ts::Value(true), "showOnlyMeanings");
    const DictionaryController::Settings s = DictionaryController::settings();
    EXPECT_EQ(s.logCommunications, !log);
    ASSERT_TRUE(s.dictionaryPrefs);
    EXPECT_TRUE(s.dictionaryPrefs->valueForKey("showOnlyMeanings").toBool());
    p->setLogCommunications(log);
    p->dictionaryPrefs()->setValueForKey(ts::Value(false), "showOnlyMeanings");
}

TEST(AppHooks, PasteboardWriterPutsPlainAndRichText) {
    AppHarness::get();
    ASSERT_TRUE(TSChunk::writeToPasteBoard(ts::Value(QStringLiteral("arma virumque"))));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "arma virumque");
    auto rich = std::make_shared<ts::AttributedString>(QStringLiteral("cano"));
    ASSERT_TRUE(TSChunk::writeToPasteBoard(ts::Value(rich)));
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(mime, nullptr);
    EXPECT_EQ(mime->text(), "cano");
    EXPECT_TRUE(mime->data("text/rtf").startsWith("{\\rtf"));
    EXPECT_FALSE(TSChunk::writeToPasteBoard(ts::Value(qint64(3))));
}

TEST(AppHooks, LinkStylesComeFromTheSettings) {
    AppHarness::get();
    const TSFootnotePrefsPtr footnotes = Preferences::preferences()->footnoteSettings();
    const QChar open = footnotes->footnoteDelimiterOpen();
    footnotes->setFootnoteDelimiterOpen(QLatin1Char('<'));
    EXPECT_EQ(TSLinkStyles::footnoteStyle().footnoteDelimiterOpen, QLatin1Char('<'));
    footnotes->setFootnoteDelimiterOpen(open);
}

TEST(AppHooks, BookmarkErrorsReachTheUser) {
    AppHarness& h = AppHarness::get();
    const size_t before = h.prompter->alerts().size();
    TSBookmarkData::presentError(4, QStringLiteral("missing.pdf"));
    ASSERT_EQ(h.prompter->alerts().size(), before + 1);
    EXPECT_TRUE(h.prompter->alerts().back().informativeText.contains("missing.pdf"));
}

TEST(AppHooks, PageFetcherReadsFilesAndHttpWithinItsLimits) {
    AppHarness::get();
    const QString file = AppHarness::home() + "/page.html";
    ASSERT_TRUE(writeAll(file, "<html><title>Roma</title></html>"));
    EXPECT_EQ(ts::fetchPage(QUrl::fromLocalFile(file)), std::optional<QByteArray>("<html><title>Roma</title></html>"));

    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    QByteArray body = "<html><body>Gallia est omnis divisa</body></html>";
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket* socket = server.nextPendingConnection();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, &body] {
            socket->readAll();
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: " +
                          QByteArray::number(body.size()) + "\r\n\r\n" + body);
            socket->disconnectFromHost();
        });
    });
    const QUrl url(QStringLiteral("http://127.0.0.1:%1/page").arg(server.serverPort()));
    EXPECT_EQ(ts::fetchPage(url), std::optional<QByteArray>(body));

    // A page larger than the cap is refused, not truncated.
    const NetworkPageFetcher::Limits saved = NetworkPageFetcher::limits();
    NetworkPageFetcher::Limits small = saved;
    small.maximumSize = 10;
    NetworkPageFetcher::setLimits(small);
    EXPECT_FALSE(ts::fetchPage(url).has_value());
    EXPECT_FALSE(ts::fetchPage(QUrl::fromLocalFile(file)).has_value());

    // A server that never answers runs into the time-out.
    NetworkPageFetcher::Limits quick = saved;
    quick.transferTimeout = std::chrono::milliseconds(300);
    quick.deadline = std::chrono::milliseconds(2000);
    NetworkPageFetcher::setLimits(quick);
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    EXPECT_FALSE(ts::fetchPage(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(silent.serverPort()))).has_value());
    NetworkPageFetcher::setLimits(saved);

    EXPECT_FALSE(ts::fetchPage(QUrl("ftp://example.org/page")).has_value());
}
