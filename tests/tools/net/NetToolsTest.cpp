// The fetcher, the web macronizer, the grammar page cache and window and the
// construction search, against a bounded HTTP server on 127.0.0.1.

#include "LoopbackServer.h"

#include "app/net/UrlFetcher.h"
#include "foundation/HXDocument.h"
#include "foundation/TSPageRipper.h"
#include "morphology/TSGrammarCollection.h"
#include "morphology/TSWordFormDictionary.h"
#include "platform/Font.h"
#include "platform/Prompter.h"
#include "platform/Url.h"
#include "platform/UserDefaults.h"
#include "support/GuiTestSupport.h"
#include "tools/gui/RKWQFDataDownloaderController.h"
#include "tools/gui/TSConstructionSearch.h"
#include "tools/gui/TSGrammarWindowController.h"
#include "tools/gui/TextRangeMacronizer.h"
#include "tools/net/ConstructionSearch.h"
#include "tools/net/GrammarPageCache.h"
#include "tools/net/LocalMacronizer.h"
#include "tools/net/WebMacronizer.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTcpServer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextEdit>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace {

// The fake service marks every lower-case vowel long.
QString markVowels(const QString& text) {
    static const QString plain = QStringLiteral("aeiou"), marked = QStringLiteral("āēīōū");
    QString out = text;
    for (QChar& c : out) {
        const int i = plain.indexOf(c);
        if (i >= 0) c = marked.at(i);
    }
    return out;
}

QByteArray escapeLines(const QString& text) {
    return text.toHtmlEscaped().replace(QLatin1String("\n"), QLatin1String("<br>")).toUtf8();
}

const QByteArray kFormPage =
    "<html><body><form method=\"post\" action=\"run\">"
    "<textarea name=\"textcontent\"></textarea>"
    "<input type=\"checkbox\" name=\"doevaluate\" checked>"
    "<input type=\"checkbox\" name=\"unchecked\">"
    "<select name=\"domacronize\"><option value=\"0\">no</option><option value=\"1\" selected>yes</option></select>"
    "<input type=\"submit\" name=\"submit\" value=\"Submit\"><input type=\"submit\" name=\"other\" value=\"Other\">"
    "</form></body></html>";

// /svc/ marks; /slow/ marks after 500 ms; /stall/ never answers the form;
// /broken/ fails; /liar/ changes the words; /csv/ sends a file.
HttpAnswer macronService(const HttpRequest& r) {
    HttpAnswer a;
    const QString folder = r.path.section(QLatin1Char('/'), 0, 1) + QLatin1Char('/');
    if (folder == QLatin1String("/broken/")) {
        a.status = 500;
        return a;
    }
    if (r.method == "GET") {
        a.body = kFormPage;
        return a;
    }
    const QString text = r.field(QStringLiteral("textcontent"));
    if (folder == QLatin1String("/stall/")) a.stall = true;
    if (folder == QLatin1String("/slow/")) a.delayMs = 500;
    if (folder == QLatin1String("/csv/")) {
        a.contentType = "text/csv";
        a.headers.append(qMakePair(QByteArray("Content-Disposition"), QByteArray("attachment; filename=\"../marks.csv\"")));
        a.body = "form,marked\n";
        return a;
    }
    const QString marked = folder == QLatin1String("/liar/") ? QStringLiteral("Alia omnino") : markVowels(text);
    a.body = "<html><body><p>Result</p><div id=\"selecttext\">" + escapeLines(marked) + "</div></body></html>";
    return a;
}

// Three lines of Latin between two others; "omnis" is bold.
void fillEditor(QTextEdit& edit) {
    edit.setPlainText(QStringLiteral("Caesar scripsit:\nGallia est omnis divisa\nin partes tres,\nquarum unam incolunt\nFinis."));
    QTextCursor bold(edit.document());
    const int at = edit.toPlainText().indexOf(QLatin1String("omnis"));
    bold.setPosition(at);
    bold.setPosition(at + 5, QTextCursor::KeepAnchor);
    QTextCharFormat f;
    f.setFontWeight(QFont::Bold);
    bold.mergeCharFormat(f);
    edit.document()->clearUndoRedoStacks();
}

void selectThreeLines(QTextEdit& edit) {
    const QString text = edit.toPlainText();
    QTextCursor c(edit.document());
    c.setPosition(text.indexOf(QLatin1String("Gallia")));
    c.setPosition(text.indexOf(QLatin1String("\nFinis")), QTextCursor::KeepAnchor);
    edit.setTextCursor(c);
}

const QString kThreeLines = QStringLiteral("Gallia est omnis divisa\nin partes tres,\nquarum unam incolunt");

}  // namespace

TEST(UrlFetcher, LimitsRedirectsAndForms) {
    LoopbackServer server([](const HttpRequest& r) {
        HttpAnswer a;
        if (r.path == QLatin1String("/page")) a.body = "<html>Roma</html>";
        else if (r.path == QLatin1String("/big")) a.body = QByteArray(5000, 'x');
        else if (r.path == QLatin1String("/same")) a.status = 302, a.headers.append(qMakePair(QByteArray("Location"), QByteArray("/page")));
        else if (r.path == QLatin1String("/away")) a.status = 302, a.headers.append(qMakePair(QByteArray("Location"), QByteArray("http://localhost:1/page")));
        else if (r.path == QLatin1String("/echo")) a.body = r.body, a.contentType = "text/plain";
        else if (r.path == QLatin1String("/stall")) a.stall = true;
        return a;
    }, 20, 20000);

    struct Case { const char* path; bool ok; const char* body; const char* error; };
    const Case cases[] = {
        {"/page", true, "<html>Roma</html>", ""},
        {"/same", true, "<html>Roma</html>", ""},
        {"/away", false, "", "Redirected to another site"},
        {"/big", false, "", "The page is too large"},
    };
    UrlFetcher::Limits small;
    small.maximumSize = 1000;
    for (const Case& c : cases) {
        UrlFetcher::Request request;
        request.url = server.url(QString::fromLatin1(c.path));
        request.limits = small;
        const UrlFetcher::Response r = UrlFetcher::perform(request);
        EXPECT_EQ(r.ok, c.ok) << c.path;
        if (c.ok) EXPECT_EQ(r.body, QByteArray(c.body)) << c.path;
        else EXPECT_EQ(r.error, QString::fromLatin1(c.error)) << c.path;
    }
    EXPECT_EQ(server.count(QStringLiteral("/page")), 2);  // the refused redirect was not followed

    // Form fields arrive form-encoded, whatever they hold.
    const QString tricky = QStringLiteral("a & b = c + d'; alert(\"x\")\nlīnea");
    const UrlFetcher::Response echo = UrlFetcher::perform(UrlFetcher::formPost(server.url("/echo"), {{"t", tricky}, {"n", "1"}}));
    ASSERT_TRUE(echo.ok);
    HttpRequest parsed;
    parsed.body = echo.body;
    EXPECT_EQ(parsed.field("t"), tricky);
    EXPECT_EQ(server.requests().last().headers.value("content-type"), QByteArray("application/x-www-form-urlencoded; charset=UTF-8"));

    // Cancelling ends a stalled request at once; other schemes are refused.
    UrlFetcher::Request stalled;
    stalled.url = server.url("/stall");
    stalled.cancel = std::make_shared<std::atomic_bool>(false);
    QTimer::singleShot(200, [flag = stalled.cancel] { flag->store(true); });
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(UrlFetcher::perform(stalled).error, QStringLiteral("Cancelled"));
    EXPECT_LT(t.elapsed(), 5000);
    EXPECT_FALSE(UrlFetcher::fetch(QUrl("ftp://127.0.0.1/x")).has_value());

    QTemporaryDir dir;
    QFile f(dir.filePath("p.html"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("<p>x</p>") == 8);
    f.close();
    EXPECT_EQ(UrlFetcher::fetch(QUrl::fromLocalFile(f.fileName())), std::optional<QByteArray>("<p>x</p>"));
}

TEST(WebMacronizer, ThreeLinesComeBackIntoTheSameRange) {
    LoopbackServer server(macronService, 20, 30000);
    QApplication::clipboard()->setText(QStringLiteral("the user's clipboard"));
    QTextEdit edit;
    fillEditor(edit);
    selectThreeLines(edit);
    // An edit before the range while the service works moves the range, and
    // the answer still lands on the lines it was asked for.
    WebMacronizer macronizer;
    macronizer.setServiceUrl(server.url("/slow/"));
    QStringList states;
    QObject::connect(&macronizer, &WebMacronizer::stateChanged, [&](int, const QString& name) { states << name; });
    TextRangeMacronizer request(&edit, &macronizer);
    ASSERT_TRUE(request.start());
    QTextCursor(edit.document()).insertText(QStringLiteral(">> "));
    ASSERT_TRUE(waitUntil([&] { return request.outcome() != TextRangeMacronizer::Outcome::Pending; }));
    EXPECT_EQ(request.outcome(), TextRangeMacronizer::Outcome::Replaced) << request.message().toStdString();
    EXPECT_EQ(edit.toPlainText(), QStringLiteral(">> Caesar scripsit:\n") + markVowels(kThreeLines) + QStringLiteral("\nFinis."));
    EXPECT_EQ(states, (QStringList{"Loading", "Processing", "Copying", "Finished"}));

    // The service saw the text form-encoded with the form's other values.
    const HttpRequest post = server.requests().last();
    EXPECT_EQ(post.path, QStringLiteral("/slow/run"));
    EXPECT_EQ(post.formFields(), (QList<QPair<QString, QString>>{
                                     {"textcontent", kThreeLines}, {"doevaluate", "on"}, {"domacronize", "1"}, {"submit", "Submit"}}));

    // Each letter kept its format; the clipboard is untouched; one undo
    // step takes the marks back off.
    QTextCursor at(edit.document());
    at.setPosition(edit.toPlainText().indexOf(QStringLiteral("ōmnīs")) + 2);
    EXPECT_EQ(at.charFormat().fontWeight(), int(QFont::Bold));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("the user's clipboard"));
    edit.document()->undo();
    EXPECT_EQ(edit.toPlainText(), QStringLiteral(">> Caesar scripsit:\n") + kThreeLines + QStringLiteral("\nFinis."));
}

TEST(WebMacronizer, AnEditInTheRangeMeanwhileCancelsTheReplacement) {
    LoopbackServer server(macronService, 20, 30000);
    auto prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::setCurrent(prompter);
    QTextEdit edit;
    fillEditor(edit);
    selectThreeLines(edit);
    WebMacronizer macronizer;
    macronizer.setServiceUrl(server.url("/slow/"));
    TextRangeMacronizer request(&edit, &macronizer);
    ASSERT_TRUE(request.start());
    QTextCursor inside(edit.document());
    inside.setPosition(edit.toPlainText().indexOf(QLatin1String("partes")));
    inside.insertText(QStringLiteral("tres "));
    const QString edited = edit.toPlainText();
    ASSERT_TRUE(waitUntil([&] { return request.outcome() != TextRangeMacronizer::Outcome::Pending; }));
    EXPECT_EQ(request.outcome(), TextRangeMacronizer::Outcome::TextChanged);
    EXPECT_EQ(edit.toPlainText(), edited);
    ASSERT_EQ(prompter->alerts().size(), 1u);
    EXPECT_TRUE(prompter->alerts()[0].informativeText.contains(QLatin1String("changed")));
    ts::Prompter::setCurrent(nullptr);
}

TEST(WebMacronizer, FailuresReachTheCallerAsMessages) {
    LoopbackServer server(macronService, 40, 30000);
    struct Case { const char* path; const char* message; int state; };
    const Case cases[] = {
        {"", "\"none\" is not a web address", WebMacronizer::InvalidState},
        {"/broken/", "could not be reached", WebMacronizer::Loading},
        {"/stall/", "did not answer for 1 seconds", WebMacronizer::Processing},
        {"/liar/", "changed the text", WebMacronizer::Copying},
    };
    for (const Case& c : cases) {
        WebMacronizer macronizer;
        macronizer.setServiceUrl(*c.path ? server.url(QString::fromLatin1(c.path)) : QUrl(QStringLiteral("none")));
        // Only the stalling service is to run into the watchdog: the others
        // get a limit no loaded machine reaches before their answer.
        const bool stall = std::strcmp(c.path, "/stall/") == 0;
        macronizer.setWatchdog({std::chrono::milliseconds(100), std::chrono::milliseconds(stall ? 800 : 60000)});
        std::optional<MacronizerResult> result;
        macronizer.macronize(kThreeLines, [&](const MacronizerResult& r) { result = r; });
        EXPECT_FALSE(result.has_value()) << "answered inside the call";
        ASSERT_TRUE(waitUntil([&] { return result.has_value(); })) << c.path;
        EXPECT_FALSE(result->ok);
        EXPECT_TRUE(result->message.contains(QString::fromLatin1(c.message))) << result->message.toStdString();
        EXPECT_EQ(macronizer.currentState(), c.state) << c.path;
    }
    // Too long a text is refused before anything is sent.
    const int before = server.requests().size();
    WebMacronizer macronizer;
    macronizer.setServiceUrl(server.url("/svc/"));
    std::optional<MacronizerResult> result;
    macronizer.macronize(QString(WebMacronizer::kMaximumLength, QLatin1Char('a')), [&](const MacronizerResult& r) { result = r; });
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_TRUE(result->message.contains(QLatin1String("20k")));
    EXPECT_EQ(server.requests().size(), before);
    result.reset();
    macronizer.macronize(QString(WebMacronizer::kMaximumLength - 1, QLatin1Char('a')), [&](const MacronizerResult& r) { result = r; });
    ASSERT_TRUE(waitUntil([&] { return result.has_value(); }));
    EXPECT_TRUE(result->ok) << "19,999 characters are sent";
    EXPECT_EQ(WebMacronizer::stateName(7), QStringLiteral("Unhandled state"));
}

TEST(WebMacronizer, DownloadsGetCleanNamesAndNeverOverwrite) {
    const std::pair<const char*, const char*> names[] = {
        {"../../etc/passwd", "passwd"}, {".hidden.csv", "hidden.csv"}, {"a\\b:c.csv", "b_c.csv"},
        {"", "download"}, {"..", "download"}, {"x\ny.csv", "x_y.csv"}};
    for (const auto& [in, out] : names)
        EXPECT_EQ(WebMacronizer::sanitizedFileName(QString::fromLatin1(in)), QString::fromLatin1(out)) << in;

    QTemporaryDir dir;
    const QString first = WebMacronizer::saveDownload(dir.path(), "marks.csv", "one");
    const QString second = WebMacronizer::saveDownload(dir.path(), "marks.csv", "two");
    ASSERT_TRUE(QFile::link(dir.filePath("elsewhere"), dir.filePath("link.csv")));
    const QString third = WebMacronizer::saveDownload(dir.path(), "link.csv", "three");
    EXPECT_EQ(QFileInfo(first).fileName(), QStringLiteral("marks.csv"));
    EXPECT_EQ(QFileInfo(second).fileName(), QStringLiteral("marks 2.csv"));
    EXPECT_EQ(QFileInfo(third).fileName(), QStringLiteral("link 2.csv"));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("elsewhere")));
    QFile f(first);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("one"));

    // A file from the service lands in the download folder under its clean name.
    LoopbackServer server(macronService, 10, 20000);
    RKWQFDataDownloaderController window;
    window.macronizer().setServiceUrl(server.url("/csv/"));
    window.macronizer().setDownloadFolder(dir.path());
    struct Delegate : MacronizerProtocol {
        QString failure;
        void macronizeFailed(const QString& message, const ts::ObjectPtr&) override { failure = message; }
    };
    auto delegate = std::make_shared<Delegate>();
    window.setMacronizerDelegate(delegate);
    window.setParseString(kThreeLines);
    window.startLookup();
    ASSERT_TRUE(waitUntil([&] { return !delegate->failure.isEmpty(); }));
    EXPECT_EQ(window.macronizer().lastDownload(), dir.filePath("marks 3.csv"));
    EXPECT_TRUE(delegate->failure.contains(dir.filePath("marks 3.csv")));
}

// Names are cut to 255 bytes of UTF-8 between characters, keeping their
// extension, numbered copies included; a download that cannot be saved is
// said in the macronizer window.
TEST(WebMacronizer, LongDownloadNamesAreCutByBytesAndFailuresAreShown) {
    const QString cjk = QString(120, QChar(0x8A9E)) + QStringLiteral(".csv");      // 3 bytes each
    const QString pairs = QString::fromUcs4(U"\U0001D4C1").repeated(90) + QStringLiteral(".csv");  // 4 bytes, two units
    for (const QString& suggested : {cjk, pairs}) {
        const QString name = WebMacronizer::sanitizedFileName(suggested);
        EXPECT_LE(name.toUtf8().size(), 255) << name.toStdString();
        EXPECT_GE(name.toUtf8().size(), 250) << name.toStdString();
        EXPECT_TRUE(name.endsWith(QLatin1String(".csv")));
        EXPECT_EQ(QString::fromUtf8(name.toUtf8()), name) << "a character was split";
        EXPECT_TRUE(suggested.startsWith(name.chopped(4)));
    }
    QTemporaryDir dir;
    const QString first = WebMacronizer::saveDownload(dir.path(), cjk, "one");
    const QString second = WebMacronizer::saveDownload(dir.path(), cjk, "two");
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    EXPECT_NE(first, second);
    EXPECT_LE(QFileInfo(second).fileName().toUtf8().size(), 255);

    // A folder that cannot be written: the window says the file was not saved.
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    QFile blocker(blocked);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    LoopbackServer server(macronService, 10, 20000);
    RKWQFDataDownloaderController window;
    window.macronizer().setServiceUrl(server.url("/csv/"));
    window.macronizer().setDownloadFolder(blocked + QStringLiteral("/inside"));
    window.show();
    window.setParseString(kThreeLines);
    window.startLookup();
    ASSERT_TRUE(waitUntil([&] { return window.statusField->text().contains(QLatin1String("could not be saved")); }))
        << window.statusField->text().toStdString();
    EXPECT_TRUE(window.statusField->text().contains(blocked)) << window.statusField->text().toStdString();
    QTest::qWait(700);
    EXPECT_TRUE(window.isVisible());
}

// Escape is the window's Cancel: during a run it stops the run; once a run
// has ended (here failed, its message left on screen) it closes the window.
TEST(WebMacronizer, EscapeStopsTheRunThenClosesTheWindow) {
    LoopbackServer server(macronService, 10, 20000);
    for (const QString& service : {QStringLiteral("/stall/"), QStringLiteral("/broken/")}) {
        SCOPED_TRACE(service.toStdString());
        const bool running = service == QLatin1String("/stall/");
        RKWQFDataDownloaderController window;
        window.macronizer().setServiceUrl(server.url(service));
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        window.setParseString(kThreeLines);
        window.startLookup();
        if (running) {
            ASSERT_TRUE(window.macronizer().isRunning());
        } else {
            ASSERT_TRUE(waitUntil([&] { return window.statusField->text().endsWith(QStringLiteral("Nothing was changed.")); }));
        }
        QTest::keyClick(&window, Qt::Key_Escape);
        EXPECT_TRUE(waitUntil([&] { return !window.macronizer().isRunning(); }));
        if (running) {
            EXPECT_EQ(window.statusField->text(), QStringLiteral("Cancelled"));
        }
        EXPECT_TRUE(waitUntil([&] { return !window.isVisible(); }));
    }
}

TEST(WebMacronizer, WindowHandsTheResultToItsDelegateAndCloses) {
    LoopbackServer server(macronService, 10, 20000);
    struct Delegate : MacronizerProtocol {
        QString text;
        ts::ObjectPtr object;
        void textMacronized(const ts::AttributedStringPtr& t, const ts::ObjectPtr& o) override {
            text = t->string();
            object = o;
        }
    };
    auto delegate = std::make_shared<Delegate>();
    // The service's address comes from the settings.
    ts::UserDefaults::standardUserDefaults()->setObject(ts::Value(server.url("/svc/").toString()),
                                                        WebMacronizer::kServiceURLKey);
    RKWQFDataDownloaderController window;
    window.setMacronizerDelegate(delegate);
    auto object = std::make_shared<ts::Object>();
    window.setMacronizedObject(object);
    window.setParseString(kThreeLines);
    window.show();
    // A second start supersedes the first without closing the window.
    window.setParseString(QStringLiteral("prima"));
    window.startLookup();
    window.setParseString(kThreeLines);
    window.startLookup();
    ASSERT_TRUE(waitUntil([&] { return !delegate->text.isEmpty(); }));
    EXPECT_EQ(delegate->text, markVowels(kThreeLines));
    EXPECT_EQ(delegate->object, object);
    EXPECT_EQ(window.statusField->text(), QStringLiteral("Finished"));
    EXPECT_EQ(window.macronizedObject(), nullptr);
    EXPECT_TRUE(waitUntil([&] { return !window.isVisible(); }));
    ts::UserDefaults::standardUserDefaults()->removeObjectForKey(WebMacronizer::kServiceURLKey);
}

namespace {

// Numbered paragraphs, enough to make the page scroll.
QByteArray sections() {
    QByteArray out;
    const char* uses[] = {"means or instrument", "cause", "manner", "accompaniment", "degree of difference",
                          "quality", "price", "specification", "separation", "source", "comparison", "agent"};
    int n = 404;
    for (int round = 0; round < 3; ++round)
        for (const char* use : uses)
            out += "<h3>\xc2\xa7" + QByteArray::number(n++) + ". Ablative of " + use + "</h3><p>The ablative is used to denote the " +
                   use + ": <i>gladi\xc5\x8d pugn\xc4\x81" "bat</i>.</p>";
    return out;
}

}  // namespace

TEST(GrammarWindow, PageFetchedOnceThenServedFromTheCacheWithItsFragment) {
    LoopbackServer server([](const HttpRequest& r) {
        HttpAnswer a;
        if (r.path == QLatin1String("/ag/ablative.html"))
            a.body = "<html><head><title>Ablative</title><script>document.write('evil')</script></head>"
                     "<body onload=\"steal()\"><h1>The Ablative</h1><p>Ablative of means.</p>"
                     + sections() +
                     "<a name=\"abs\"></a><h2>Ablative absolute</h2><p>Urbe capta.</p>"
                     "<a href=\"genitive.html#part\">genitive</a></body></html>";
        else if (r.path == QLatin1String("/ag/genitive.html"))
            a.body = "<html><body><h1>The Genitive</h1><a name=\"part\"></a><p>Pars militum.</p></body></html>";
        else a.status = 404;
        return a;
    }, 20, 30000);
    QTemporaryDir cacheDir;
    auto grammar = std::make_shared<TSGrammarCollection>();
    grammar->importFromArray(ts::ValueArray{ts::ValueDictionary{
        {"name", "Ablative"},
        {"children", ts::ValueArray{
            ts::ValueDictionary{{"name", "Ablative of means"}, {"notes", "See Allen and Greenough, §409."},
                                {"referenceURL", server.url("/ag/ablative.html").toString()}},
            ts::ValueDictionary{{"name", "Ablative absolute"},
                                {"referenceURL", server.url("/ag/ablative.html").toString() + "#abs"}},
            ts::ValueDictionary{{"name", "Ablative of place"}}}}}});
    TSGrammarWindowController window(grammar, cacheDir.path());
    window.resize(900, 520);
    window.show();
    QList<QPair<QUrl, bool>> shown;
    QObject::connect(&window, &TSGrammarWindowController::pageFinished, [&](const QUrl& u, bool ok) { shown.append({u, ok}); });

    const QModelIndex root = window.grammarView->model()->index(0, 0);
    auto select = [&](int row) { window.grammarView->setCurrentIndex(window.grammarView->model()->index(row, 0, root)); };
    select(1);
    ASSERT_TRUE(waitUntil([&] { return shown.size() == 1; }));
    EXPECT_TRUE(shown[0].second);
    EXPECT_TRUE(window.webView->toPlainText().contains(QLatin1String("Ablative absolute")));
    EXPECT_FALSE(window.webView->toPlainText().contains(QLatin1String("evil")));
    EXPECT_GT(window.webView->verticalScrollBar()->value(), 0) << "scrolled to #abs";
    EXPECT_EQ(window.webView->document()->baseUrl().scheme(), QStringLiteral("https"));
    QApplication::processEvents();
    EXPECT_TRUE(window.grab().toImage().save(galleryDir() + "/grammar.png"));

    // The cache file is named by a hash and holds no script.
    const QString file = window.cache().cacheFilePath(server.url("/ag/ablative.html"));
    EXPECT_EQ(QFileInfo(file).dir().absolutePath(), QDir(cacheDir.path()).absolutePath());
    EXPECT_EQ(QFileInfo(file).fileName().size(), 64 + 5);
    QFile cached(file);
    ASSERT_TRUE(cached.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf16(reinterpret_cast<const char16_t*>(cached.readAll().constData() + 2));
    EXPECT_FALSE(html.contains(QLatin1String("<script"), Qt::CaseInsensitive));
    EXPECT_FALSE(html.contains(QLatin1String("onload"), Qt::CaseInsensitive));

    // A usage without an address changes nothing; the other usage of the same
    // page, and an address differing only in query, come from the cache.
    select(2);
    QTest::qWait(100);
    EXPECT_EQ(shown.size(), 1);
    select(0);
    ASSERT_TRUE(waitUntil([&] { return shown.size() == 2; }));
    window.loadURL(QUrl(server.url("/ag/ablative.html").toString() + "?x=1#abs"));
    ASSERT_TRUE(waitUntil([&] { return shown.size() == 3; }));
    EXPECT_EQ(server.count(QStringLiteral("/ag/ablative.html")), 1);
    EXPECT_EQ(GrammarPageCache::baseURLString(QUrl("http://h:8/a/b.html?q=1#f")), QStringLiteral("https://h:8/a/b.html"));
    const QString hostile = window.cache().cacheFilePath(QUrl("http://h/../../../etc/passwd"));
    EXPECT_TRUE(hostile.startsWith(QDir(cacheDir.path()).filePath("")));


    // A link followed in the page goes through the cache too; a page asked
    // for while another loads is shown once that load has ended.
    Q_EMIT window.webView->anchorClicked(QUrl("genitive.html#part"));
    window.loadURL(server.url("/ag/ablative.html"));
    ASSERT_TRUE(waitUntil([&] { return shown.size() == 4; }));
    EXPECT_EQ(shown.last().first, server.url("/ag/ablative.html"));
    EXPECT_EQ(server.count(QStringLiteral("/ag/genitive.html")), 1);
    EXPECT_TRUE(QFileInfo::exists(window.cache().cacheFilePath(server.url("/ag/genitive.html"))));

    // As the application makes it: the settings' grammar, the support folder's cache.
    TSGrammarWindowController standard;
    EXPECT_GT(standard.grammarView->model()->rowCount(), 3);
    EXPECT_TRUE(standard.cache().folder().endsWith(QLatin1String("/Tessarin/GrammarPages")));
}

// Scripts go by the parsed page, not by pattern: split tags, unquoted
// javascript: links and unquoted handlers leave nothing that would run; a
// page read back from the cache has no byte-order mark.
TEST(GrammarPageCache, ScriptsLeaveByTheParsedPageAndCachedPagesHaveNoMark) {
    const QString hostile = QStringLiteral(
        "<html><head><title>Gerund</title><scr<script></script>ipt>alert(1)</script>"
        "<SCRIPT type=text/javascript>alert(2)</SCRIPT></head>"
        "<body onload=go()><h1 OnClick='x()'>The Gerund</h1><img src=a.png onerror=alert(3)>"
        "<a href=javascript:alert(4)>one</a> <a href=\"  JaVa\tScRiPt:alert(5)\">two</a>"
        "<a href=\"gerundive.html#g\">Gerundive</a><p>Ars <i>amand\u012B</i>.</p></body></html>");
    const QString clean = GrammarPageCache::withoutScripts(hostile);
    // Read back by an HTML reader of its own: no script element, handler or
    // script address is left, and the text and the plain link are.
    ts::HXDocumentPtr page = ts::HXDocument::documentWithHTMLData(clean.toUtf8());
    ASSERT_TRUE(page);
    EXPECT_TRUE(page->searchWithXPathQuery(QStringLiteral("//script")).empty()) << clean.toStdString();
    EXPECT_TRUE(page->searchWithXPathQuery(QStringLiteral("//*[@*[starts-with(translate(name(),'ON','on'),'on')]]")).empty())
        << clean.toStdString();
    EXPECT_FALSE(clean.contains(QLatin1String("<script"), Qt::CaseInsensitive)) << clean.toStdString();
    EXPECT_FALSE(clean.contains(QLatin1String("javascript"), Qt::CaseInsensitive)) << clean.toStdString();
    EXPECT_TRUE(clean.contains(QLatin1String("gerundive.html#g")));
    EXPECT_TRUE(clean.contains(QStringLiteral("amand\u012B")));

    QTemporaryDir dir;
    GrammarPageCache cache(dir.path());
    const QUrl url(QStringLiteral("https://example.org/ag/gerund.html"));
    ASSERT_TRUE(cache.store(url, hostile));
    const std::optional<GrammarPageCache::Page> back = cache.cachedPage(url);
    ASSERT_TRUE(back);
    ASSERT_FALSE(back->html.isEmpty());
    EXPECT_NE(back->html.at(0), QChar(QChar::ByteOrderMark));
    EXPECT_TRUE(back->html.trimmed().startsWith(QLatin1Char('<'))) << back->html.left(20).toStdString();
    EXPECT_FALSE(back->html.contains(QChar(QChar::ByteOrderMark)));
}

// The page pane says why it shows no page: a usage without an address, and
// an address that cannot be reached.
TEST(GrammarWindow, PaneSaysWhenAUsageHasNoAddressOrTheNetworkIsAbsent) {
    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    const QString refused = QStringLiteral("http://127.0.0.1:%1/ag/gerund.html").arg(port);
    QTemporaryDir cacheDir;
    auto grammar = std::make_shared<TSGrammarCollection>();
    grammar->importFromArray(ts::ValueArray{ts::ValueDictionary{
        {"name", "Gerund"},
        {"children", ts::ValueArray{ts::ValueDictionary{{"name", "Gerund of purpose"}},
                                    ts::ValueDictionary{{"name", "Gerund in the genitive"}, {"referenceURL", refused}}}}}});
    TSGrammarWindowController window(grammar, cacheDir.path());
    window.resize(900, 520);
    window.show();
    QList<QPair<QUrl, bool>> shown;
    QObject::connect(&window, &TSGrammarWindowController::pageFinished, [&](const QUrl& u, bool ok) { shown.append({u, ok}); });
    const QModelIndex root = window.grammarView->model()->index(0, 0);
    window.grammarView->setCurrentIndex(window.grammarView->model()->index(0, 0, root));
    EXPECT_TRUE(window.webView->toPlainText().contains(QLatin1String("Gerund of purpose"))) << window.webView->toPlainText().toStdString();
    EXPECT_TRUE(window.webView->toPlainText().contains(QLatin1String("has no reference address")))
        << window.webView->toPlainText().toStdString();
    window.grammarView->setCurrentIndex(window.grammarView->model()->index(1, 0, root));
    ASSERT_TRUE(waitUntil([&] { return shown.size() == 1; }));
    EXPECT_FALSE(shown[0].second);
    const QString text = window.webView->toPlainText();
    EXPECT_TRUE(text.contains(QLatin1String("could not be reached"))) << text.toStdString();
    EXPECT_TRUE(text.contains(refused)) << text.toStdString();
}

namespace {

// Verb forms for the construction search: key TAB tag TAB lemma TAB form.
const char* kForms =
    "facias\tv2spsa---\tfacio\tfacia_s\n"
    "feceris\tv2srsa---\tfacio\tfe_ceris\n"
    "faciat\tv3spsa---\tfacio\tfaciat\n"
    "time\tv2spma---\ttimeo\ttime_\n"
    "timere\tv--pna---\ttimeo\ttime_re\n"
    "ueni\tv2spma---\tuenio\tue_ni\n"
    "iace\tv2spma---\tiaceo\tiace_\n"
    "tangere\tv--pna---\ttango\ttangere\n";

bool isStop(QChar c) { return c == u'.' || c == u'!' || c == u'?'; }

QStringList texts(const std::vector<ts::AttributedStringPtr>& list) {
    QStringList out;
    for (const auto& s : list) out << s->string();
    return out;
}

}  // namespace

TEST(LocalMacronizer, MarksThroughTheWordFormListAndANewRequestSupersedes) {
    QTextEdit edit;
    edit.setPlainText(QStringLiteral("Tu ne facias hoc,\nne feceris illud."));
    LocalMacronizer macronizer;
    std::optional<MacronizerResult> first;
    macronizer.macronize(QStringLiteral("facias"), [&](const MacronizerResult& r) { first = r; });
    TextRangeMacronizer request(&edit, &macronizer);
    ASSERT_TRUE(request.start());
    ASSERT_TRUE(first.has_value());
    EXPECT_TRUE(first->cancelled);
    ASSERT_TRUE(waitUntil([&] { return request.outcome() != TextRangeMacronizer::Outcome::Pending; }));
    EXPECT_EQ(request.outcome(), TextRangeMacronizer::Outcome::Replaced);
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("Tu ne faciās hoc,\nne fēceris illud."));
    // Unknown words come back marked by their background, known ones not.
    QTextCursor at(edit.document());
    at.setPosition(1);
    EXPECT_TRUE(at.charFormat().hasProperty(QTextFormat::BackgroundBrush)) << "Tu";
    at.setPosition(8);
    EXPECT_FALSE(at.charFormat().hasProperty(QTextFormat::BackgroundBrush)) << "faciās";
    QTest::qWait(50);
    EXPECT_TRUE(first->cancelled) << "the superseded request is not answered again";
}

TEST(ConstructionSearch, FindsProhibitions) {
    struct Case { const char* text; const char* key; QStringList found; };
    const Case cases[] = {
        {"Ne facias hoc. Alia res est.", "Present", {"Ne facias hoc."}},
        {"NE FECERIS istud! Ne faciat.", "Perfect", {"NE FECERIS istud!"}},
        {"Tu, amice, ne time, inquit.", "Imperative", {"Tu, amice, ne time, inquit."}},
        {"Ne time quidem.", "Imperative", {}},
        {"Noli timere. Nolite timere!", "Infinitive", {"Noli timere", "Nolite timere"}},
        {"Ne veni", "Imperative", {"Ne veni"}},
        {"Ne jace, puer", "Imperative", {"Ne jace, puer"}},
        {"Ne facias hoc, ne facias illud.", "Present", {"Ne facias hoc, ne facias illud."}},
        {"sine ulla distinctione ne facias", "Present", {"sine ulla distinctione ne facias"}},
    };
    for (const Case& c : cases) {
        const auto found = ConstructionSearch::searchForConstruction(QString::fromUtf8(c.text));
        EXPECT_EQ(texts(found.at(QString::fromLatin1(c.key))), c.found) << c.text;
    }
    // The clause is emphasised, the rest of the sentence is not.
    const auto sentence = ConstructionSearch::searchForConstruction("Tu, amice, ne time, inquit.").at("Imperative").at(0);
    auto font = [&](int i) { return std::dynamic_pointer_cast<const ts::Font>(sentence->attributes(i).at(ts::AttributeName::Font).toObject()); };
    EXPECT_EQ(font(0)->pointSize(), 14);
    EXPECT_EQ(font(12)->pointSize(), 16);
    EXPECT_EQ(font(22)->pointSize(), 14);
}

// A sentence at the very end keeps its last letter; sentences are cut from
// the original text where cleaning changes lengths (three dots beside an
// ellipsis, a dotted capital I that lower-cases to two units).
TEST(ConstructionSearch, SentencesAreCutFromTheOriginalWhereverCleaningMovesThem) {
    struct Case { const char* text; const char* key; QStringList found; };
    const Case cases[] = {
        {"Noli me tangere", "Infinitive", {"Noli me tangere"}},
        {"Dixit. Noli timere", "Infinitive", {"Noli timere"}},
        {"Noli timere. Nolite tangere!", "Infinitive", {"Noli timere", "Nolite tangere"}},
        {"Ne facias hoc", "Present", {"Ne facias hoc"}},
        {"Heu... quid\u2026, ne facias hoc. Alia res.", "Present", {"quid\u2026, ne facias hoc."}},
        {"\u0130\u0130\u0130 dixit \u0130STE. Tu ne facias hoc. Alia.", "Present", {"Tu ne facias hoc."}},
        {"\u0130stanbul\u2026 ... Noli timere, amice. Alia.", "Infinitive", {"Noli timere, amice"}},
        {"\U0001D4C1 Tu ne facias hoc!", "Present", {"\U0001D4C1 Tu ne facias hoc!"}},
    };
    for (const Case& c : cases) {
        const auto found = ConstructionSearch::searchForConstruction(QString::fromUtf8(c.text));
        EXPECT_EQ(texts(found.at(QString::fromLatin1(c.key))), c.found) << c.text;
    }
    // The emphasised clause moves with its sentence.
    const auto sentence = ConstructionSearch::searchForConstruction(
        QStringLiteral("\u0130\u0130\u0130\u0130 Heu... quid\u2026, ne time, inquit.")).at("Imperative").at(0);
    const QString shown = sentence->string();
    auto size = [&](int i) {
        return std::dynamic_pointer_cast<const ts::Font>(sentence->attributes(i).at(ts::AttributeName::Font).toObject())->pointSize();
    };
    EXPECT_EQ(shown, QStringLiteral("quid\u2026, ne time, inquit."));
    EXPECT_EQ(size(int(shown.indexOf(QLatin1String("ne")))), 16);
    EXPECT_EQ(size(int(shown.indexOf(QLatin1String("time")) + 3)), 16);
    EXPECT_EQ(size(int(shown.indexOf(QLatin1String("inquit")))), 14);
}

// Characters the folding has no ASCII for are letters or signs, not stops:
// combining marks fold away with their letter, other letters stay letters.
TEST(ConstructionSearch, UnfoldableCharactersNeitherEndASentenceNorHideAWord) {
    struct Case { const char* text; const char* key; QStringList found; };
    const Case cases[] = {
        {"Ita e\u0301st; ne time!", "Imperative", {"Ita e\u0301st; ne time!"}},
        {"No\u0304li\u0304 time\u0304re\u0304. Alia.", "Infinitive", {"No\u0304li\u0304 time\u0304re\u0304"}},
        {"Ne facia\u0304s hoc. Alia.", "Present", {"Ne facia\u0304s hoc."}},
        {"Dixit \u03BB\u03CC\u03B3\u03BF\u03C2 ne facias hoc.", "Present", {"Dixit \u03BB\u03CC\u03B3\u03BF\u03C2 ne facias hoc."}},
        {"C\u00E6sar et c\u0153na ne time!", "Imperative", {"C\u00E6sar et c\u0153na ne time!"}},
        {"\uFB01lia ne time!", "Imperative", {"\uFB01lia ne time!"}},
        {"Pretium \u20AC \u2192 ne facias hoc.", "Present", {"Pretium \u20AC \u2192 ne facias hoc."}},
        {"\u0130ta dixit \u05D0 ne facias hoc.", "Present", {"\u0130ta dixit \u05D0 ne facias hoc."}},
        {"\U0001D4C1\u20DD ne time!", "Imperative", {"\U0001D4C1\u20DD ne time!"}},
        {"Quid\uFF1F Ne facias hoc.", "Present", {"Ne facias hoc."}},
        {"Quid fecisti\u203C Ne facias hoc.", "Present", {"Ne facias hoc."}},
        {"\u2122 dixit ne facias hoc.", "Present", {"\u2122 dixit ne facias hoc."}},
        {"\u0301Ne time!", "Imperative", {"\u0301Ne time!"}},
    };
    for (const Case& c : cases) {
        const auto found = ConstructionSearch::searchForConstruction(QString::fromUtf8(c.text));
        EXPECT_EQ(texts(found.at(QString::fromLatin1(c.key))), c.found) << c.text;
    }
}

// Every character of Unicode whose compatibility form holds a stop: numbers
// with their full stop, abbreviations, leaders and ellipses end no sentence;
// a full stop in another width does, as do question and exclamation marks.
TEST(ConstructionSearch, OnlyRealStopsEndASentence) {
    int dotted = 0;
    QStringList wrong;
    for (char32_t c = 0x80; c <= QChar::LastValidCodePoint; ++c) {
        const QString form = QChar::decomposition(c).normalized(QString::NormalizationForm_KD);
        if (!std::any_of(form.begin(), form.end(), isStop)) continue;
        const bool dot = form.contains(u'.');
        dotted += dot;
        const bool stop = !dot || (form == u"." && QChar::decompositionTag(c) != QChar::Compat);
        const QString text = QStringLiteral("Dixit") + QString::fromUcs4(&c, 1) + QStringLiteral(" ne facias hoc. Alia.");
        if (texts(ConstructionSearch::searchForConstruction(text).at(QStringLiteral("Present"))) !=
            QStringList{stop ? QStringLiteral("ne facias hoc.") : text.chopped(6)})
            wrong << QString::number(quint32(c), 16);
    }
    EXPECT_GE(dotted, 29);
    EXPECT_TRUE(wrong.isEmpty()) << wrong.join(u' ').toStdString();
}

// Over every real text: each stop of the cleaned text stands for a stop of
// the original (the dictionary's Greek among them).
TEST(ConstructionSearch, EveryStopOfTheCleanedRealTextsIsAStopOfTheOriginal) {
    QStringList files;
    for (const char* folder : {"/data/tei/", "/data/tei2/"})
        for (const QFileInfo& f : QDir(qEnvironmentVariable("TS_SHARED_DIR") + folder).entryInfoList({"*.xml"}, QDir::Files))
            files << f.filePath();
    ASSERT_GE(files.size(), 6);
    for (const QString& path : files) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const QString text = QString::fromUtf8(file.readAll());
        const ConstructionSearch::Cleaned cleaned = ConstructionSearch::cleaned(text);
        QStringList wrong;
        for (size_t i = 0; i < size_t(cleaned.text.size()); ++i) {
            const QString from = text.mid(cleaned.starts[i], cleaned.ends[i] - cleaned.starts[i]);
            if (isStop(cleaned.text.at(qsizetype(i))) && !from.normalized(QString::NormalizationForm_KD).contains(cleaned.text.at(qsizetype(i))))
                wrong << from;
        }
        EXPECT_TRUE(wrong.isEmpty()) << path.toStdString() << ": stops made of " << wrong.join(u' ').toStdString();
    }
}

namespace {

QByteArray page(const char* title, const char* text, QStringList links) {
    QByteArray out = QByteArray("<html><head><title>") + title + "</title></head><body><p>" + text + "</p>";
    for (const QString& l : links) out += "<a href=\"" + l.toUtf8() + "\">link</a>";
    return out + "</body></html>";
}

}  // namespace

TEST(ConstructionSearch, CrawlOfALoopingSiteListsItsSentencesAndStopsAtTheLimit) {
    quint16 port = 0;
    LoopbackServer server([&port](const HttpRequest& r) {
        HttpAnswer a;
        const QString other = QStringLiteral("http://localhost:%1/site/x.html").arg(port);
        if (r.path == QLatin1String("/site/a.html"))
            a.body = page("Prima", "Ne facias hoc.", {"b.html", "c.html", "../outside.html", other, "a.html#top"});
        else if (r.path == QLatin1String("/site/b.html"))
            a.body = page("Secunda", "Noli timere. Nihil aliud.", {"a.html", "c.html"});
        else if (r.path == QLatin1String("/site/c.html"))
            a.body = page("Tertia", "Nihil hic.", {"b.html", "sub/d.html"});
        else if (r.path == QLatin1String("/site/sub/d.html"))
            a.body = page("Quarta", "Ne time, ne feceris!", {"../a.html"});
        else if (r.path.startsWith(QLatin1String("/chain/p"))) {
            const int n = r.path.mid(8).section('.', 0, 0).toInt();
            a.body = page("Catena", "Ne facias.", {QStringLiteral("p%1.html").arg(n + 1)});
        } else a.status = 404;
        return a;
    }, 100, 30000);
    port = server.port();

    std::atomic_bool cancel(false);
    std::vector<TSConstructionResultPtr> pages;
    ConstructionSearch::CrawlCallbacks callbacks;
    callbacks.found = [&](TSConstructionResultPtr p) { pages.push_back(p); };
    EXPECT_EQ(ConstructionSearch::crawl(server.url("/site/a.html"), {}, cancel, callbacks), 4);
    for (const char* p : {"/site/a.html", "/site/b.html", "/site/c.html", "/site/sub/d.html"})
        EXPECT_EQ(server.count(QString::fromLatin1(p)), 1) << p;
    EXPECT_EQ(server.count(QStringLiteral("/outside.html")), 0);
    ASSERT_EQ(pages.size(), 3u);
    QStringList listed;
    for (const auto& p : pages)
        for (const auto& g : p->children())
            for (const auto& s : g->children()) listed << p->name() + "/" + g->name() + ": " + s->result()->string();
    EXPECT_EQ(listed, (QStringList{"Prima/Present: Ne facias hoc.", "Secunda/Noli + Infinitive: Noli timere",
                                   "Quarta/Perfect: Ne time, ne feceris!", "Quarta/Imperative: Ne time, ne feceris!"}));

    pages.clear();
    ConstructionSearch::CrawlOptions five;
    five.pageLimit = 5;
    EXPECT_EQ(ConstructionSearch::crawl(server.url("/chain/p1.html"), five, cancel, callbacks), 5);
    EXPECT_EQ(server.count(QStringLiteral("/chain/p6.html")), 0);
    EXPECT_EQ(pages.size(), 5u);
}

// A page that cannot be read is said, with its cause, and not counted as
// read: a missing page of a site, and a start address nobody answers.
TEST(ConstructionSearch, UnreadablePagesAreSaidAndNotCounted) {
    LoopbackServer server([](const HttpRequest& r) {
        HttpAnswer a;
        if (r.path == QLatin1String("/site/a.html")) a.body = page("Prima", "Ne facias hoc.", {"gone.html"});
        else a.status = 404;
        return a;
    }, 20, 30000);
    std::atomic_bool cancel(false);
    QStringList failed;
    ConstructionSearch::CrawlCallbacks callbacks;
    callbacks.failed = [&](const QUrl& url, const QString& why) { failed << url.path() + ": " + why; };
    EXPECT_EQ(ConstructionSearch::crawl(server.url("/site/a.html"), {}, cancel, callbacks), 1);
    ASSERT_EQ(failed.size(), 1);
    EXPECT_TRUE(failed[0].startsWith(QLatin1String("/site/gone.html: "))) << failed[0].toStdString();
    EXPECT_GT(failed[0].size(), int(QStringLiteral("/site/gone.html: ").size()));

    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    const QString refused = QStringLiteral("http://127.0.0.1:%1/liber/i.html").arg(port);
    TSConstructionSearch window;
    window.resize(820, 520);
    window.show();
    window.urlField->setText(refused);
    QSignalSpy done(&window, &TSConstructionSearch::searchFinished);
    window.doSearch();
    ASSERT_TRUE(waitUntil([&] { return done.size() == 1; }));
    EXPECT_EQ(done.at(0).at(0).toInt(), 0);
    const QString said = window.progressField->text();
    EXPECT_TRUE(said.startsWith(QLatin1String("0 page(s) read"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QLatin1String("could not be read"))) << said.toStdString();
    EXPECT_TRUE(said.contains(refused)) << said.toStdString();
    EXPECT_EQ(window.model()->rowCount(), 0);
}

TEST(ConstructionSearch, WindowListsResultsAndDeletesNodes) {
    LoopbackServer server([](const HttpRequest& r) {
        HttpAnswer a;
        if (r.path == QLatin1String("/liber/i.html"))
            a.body = page("Liber I", "Ne facias hoc, amice, quod tibi non placet. Noli timere, puer, nam di te servant. "
                                     "Tu ne time, sed ne feceris quod ille fecit!",
                          {"ii.html"});
        else if (r.path == QLatin1String("/liber/ii.html"))
            a.body = page("Liber II", "Nolite timere hostes, milites. Ne veni sine amicis.", {"i.html"});
        else if (r.path.startsWith(QLatin1String("/slow/p"))) {
            const int n = r.path.mid(7).section('.', 0, 0).toInt();
            a.body = page("Lente", "Ne facias.", {QStringLiteral("p%1.html").arg(n + 1)});
            a.delayMs = 150;
        } else a.status = 404;
        return a;
    }, 20, 30000);
    TSConstructionSearch window;
    window.resize(820, 520);
    window.show();
    window.urlField->setText(server.url("/liber/i.html").toString());
    QSignalSpy done(&window, &TSConstructionSearch::searchFinished);
    window.doSearch();
    ASSERT_TRUE(waitUntil([&] { return done.size() == 1; }));
    EXPECT_EQ(done.at(0).at(0).toInt(), 2);
    ConstructionResultModel* model = window.model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("Liber I"));
    EXPECT_EQ(model->rowCount(model->index(0, 0)), 4);
    EXPECT_FALSE(window.progressIndicator->isVisible());
    QApplication::processEvents();
    EXPECT_TRUE(window.grab().toImage().save(galleryDir() + "/construction-search.png"));

    // Delete removes the selected node; a group emptied keeps its page.
    window.resultsView->setCurrentIndex(model->index(1, 0));
    QTest::keyClick(window.resultsView, Qt::Key_Delete);
    EXPECT_EQ(model->rowCount(), 1);
    const QModelIndex group = model->index(0, 0, model->index(0, 0));
    window.resultsView->setCurrentIndex(model->index(0, 0, group));
    QTest::keyClick(window.resultsView, Qt::Key_Delete);
    EXPECT_EQ(model->rowCount(group), 0);

    // A second search replaces the first; a bad address does nothing.
    window.urlField->setText(QStringLiteral("not an address"));
    window.doSearch();
    EXPECT_FALSE(window.isSearching());
    window.urlField->setText(server.url("/liber/ii.html").toString());
    window.doSearch();
    window.doSearch();
    ASSERT_TRUE(waitUntil([&] { return done.size() == 2; }));
    QTest::qWait(200);
    EXPECT_EQ(done.size(), 2);
    EXPECT_EQ(model->rowCount(), 2);

    // Cancel stops a crawl after the page being read.
    window.urlField->setText(server.url("/slow/p1.html").toString());
    window.doSearch();
    ASSERT_TRUE(waitUntil([&] { return model->rowCount() >= 2; }));
    QTest::mouseClick(window.cancelButton, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return done.size() == 3; }));
    EXPECT_LT(done.at(2).at(0).toInt(), 5);
    EXPECT_TRUE(window.progressField->text().startsWith(QLatin1String("Cancelled")));
    EXPECT_FALSE(window.cancelButton->isEnabled());
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    const QString h = home.path();
    usePrivateHome(home);
    qputenv("XDG_CACHE_HOME", (h + "/cache").toUtf8());
    QApplication app(argc, argv);
    // Pages are read through the network fetcher; no address leaves the
    // loopback server.
    ts::setPageFetcher(UrlFetcher::fetch);
    QDir().mkpath(h + "/forms");
    QFile forms(h + "/forms/macrons.txt");
    if (!forms.open(QIODevice::WriteOnly) || forms.write(kForms) < 0) return 2;
    forms.close();
    TSWordFormDictionary::Locations places;
    places.supportDirectory = h + "/forms";
    places.bundledSource = h + "/forms/none.zip";
    places.frequencyFile = h + "/forms/none.txt";
    places.temporaryDirectory = h + "/forms/tmp";
    TSWordFormDictionary::setLocations(places);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
