// Marking macrons in the two-pane window: through the web macronizer against
// a loopback server answering a saved copy of the service's page (the marks
// come back into the selection, one undo takes them off), against a refused
// connection (the macronizer window says so, the text stays), and the panes'
// context menu with its local marking item.

#include "documents/gui/MyDocumentWindow.h"

#include "LoopbackServer.h"
#include "morphology/TSWordFormDictionary.h"
#include "platform/Font.h"
#include "platform/Prompter.h"
#include "platform/spelling/SpellingHighlighter.h"
#include "support/GuiTestSupport.h"
#include "tools/gui/RKWQFDataDownloaderController.h"
#include "tools/gui/TextRangeMacronizer.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QByteArray savedPage() {
    QFile f(qEnvironmentVariable("TS_SOURCE_DIR") + QStringLiteral("/tests/documents/gui/data/macronizer-page.html"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Long marks of a few words, as the service would give them.
QString marked(QString text) {
    const std::pair<const char*, const char*> words[] = {
        {"Gallia", "Gallia"}, {"omnis", "omnis"}, {"divisa", "dīvīsa"}, {"partes", "partēs"},
        {"tres", "trēs"}, {"quarum", "quārum"}, {"unam", "ūnam"}, {"incolunt", "incolunt"}};
    for (const auto& [plain, long_] : words) text.replace(QString::fromUtf8(plain), QString::fromUtf8(long_));
    return text;
}

// The saved page for a GET; for the form's POST the same page with the
// marked text in its "selecttext" element, lines as <br>.
HttpAnswer service(const HttpRequest& r) {
    HttpAnswer a;
    QByteArray page = savedPage();
    if (r.method == "POST") {
        const QString text = marked(r.field(QStringLiteral("textcontent")));
        const QByteArray shown = text.toHtmlEscaped().replace(QLatin1String("\n"), QLatin1String("<br>")).toUtf8();
        page.replace("@RESULT@", "<div id=\"selecttext\">" + shown + "</div>");
    } else {
        page.replace("@RESULT@", "");
    }
    a.body = page;
    return a;
}

const QString kText = QStringLiteral("Caesar scripsit:\nGallia est omnis divisa in partes tres,\nquarum unam incolunt Belgae.");

void selectFromGalliaToBelgae(MyTextField* latin) {
    QTextCursor c(latin->document());
    c.setPosition(int(kText.indexOf(QLatin1String("Gallia"))));
    c.setPosition(int(kText.indexOf(QLatin1String(" Belgae"))), QTextCursor::KeepAnchor);
    latin->setTextCursor(c);
}

}  // namespace

TEST(MyDocumentMacrons, MarkedOnTheWebIntoTheSelectionAndUndoneInOneStep) {
    ASSERT_FALSE(savedPage().isEmpty());
    LoopbackServer server(service, 20, 60000);
    auto doc = std::make_shared<MyDocument>();
    auto* window = new MyDocumentWindow(doc);
    window->resize(1000, 520);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    MyTextField* latin = window->latinView();
    latin->setPlainText(kText);
    window->englishView()->setPlainText(
        QStringLiteral("Caesar wrote:\nAll Gaul is divided into three parts,\none of which the Belgae inhabit."));
    latin->document()->clearUndoRedoStacks();
    selectFromGalliaToBelgae(latin);
    window->macronWindow()->macronizer().setServiceUrl(server.url(QStringLiteral("/macronizer/")));
    QStringList states;
    QObject::connect(&window->macronWindow()->macronizer(), &WebMacronizer::stateChanged,
                     [&](int, const QString& name) { states << name; });
    window->macronizeOnWeb();
    EXPECT_TRUE(window->macronWindow()->isVisible());
    EXPECT_TRUE(window->macronWindow()->progressIndicator->isVisible());
    ASSERT_TRUE(waitUntil([&] { return latin->toPlainText() != kText; }));
    const QString expected = QStringLiteral("Caesar scripsit:\n") + marked(kText.mid(17, kText.indexOf(QLatin1String(" Belgae")) - 17)) +
                             QStringLiteral(" Belgae.");
    EXPECT_EQ(latin->toPlainText(), expected);
    EXPECT_EQ(states, (QStringList{"Loading", "Processing", "Copying", "Finished"}));
    EXPECT_EQ(TextRangeMacronizer::plainText(latin->textCursor()), marked(kText.mid(17, kText.indexOf(QLatin1String(" Belgae")) - 17)));
    EXPECT_EQ(window->macronWindow()->statusField->text(), QStringLiteral("Finished"));
    EXPECT_FALSE(window->macronWindow()->progressIndicator->isVisible());
    // The service got the selected lines, and nothing else.
    EXPECT_EQ(server.requests().last().field(QStringLiteral("textcontent")),
              kText.mid(17, kText.indexOf(QLatin1String(" Belgae")) - 17));
    EXPECT_TRUE(doc->isDocumentEdited());
    window->activateWindow();
    window->splitter()->setSizes({0, 500, 500});
    QApplication::processEvents();
    EXPECT_TRUE(window->grab().toImage().save(galleryDir() + QStringLiteral("/two-pane-web-macrons.png")));
    EXPECT_TRUE(waitUntil([&] { return !window->macronWindow()->isVisible(); }, 5000));

    latin->undo();
    EXPECT_EQ(latin->toPlainText(), kText);
    delete window;
}

TEST(MyDocumentMacrons, ARefusedConnectionIsSaidInTheWindowAndChangesNothing) {
    // A port that was just free: nothing listens there, so the connection is
    // refused at once.
    quint16 port = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
    }
    auto doc = std::make_shared<MyDocument>();
    auto* window = new MyDocumentWindow(doc);
    window->show();
    MyTextField* latin = window->latinView();
    latin->setPlainText(kText);
    doc->updateChangeCount(ts::Document::ChangeCleared);
    selectFromGalliaToBelgae(latin);
    const QUrl refused(QStringLiteral("http://127.0.0.1:%1/macronizer/").arg(port));
    window->macronWindow()->macronizer().setServiceUrl(refused);
    window->macronizeOnWeb();
    QLabel* status = window->macronWindow()->statusField;
    ASSERT_TRUE(waitUntil([&] { return status->text().contains(QLatin1String("could not be reached")); }))
        << status->text().toStdString();
    EXPECT_TRUE(status->text().contains(refused.toString())) << status->text().toStdString();
    EXPECT_TRUE(status->text().contains(QLatin1String("Nothing was changed."))) << status->text().toStdString();
    // The message stays on screen; the text and the document are untouched.
    QTest::qWait(800);
    EXPECT_TRUE(window->macronWindow()->isVisible());
    EXPECT_TRUE(window->macronWindow()->grab().toImage().save(galleryDir() + QStringLiteral("/macronizer-refused.png")));
    EXPECT_EQ(latin->toPlainText(), kText);
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_FALSE(latin->document()->isUndoAvailable());
    // Its button now closes it.
    EXPECT_EQ(window->macronWindow()->cancelButton->text(), QStringLiteral("Close"));
    QTest::mouseClick(window->macronWindow()->cancelButton, Qt::LeftButton);
    EXPECT_FALSE(window->macronWindow()->isVisible());
    delete window;
}

TEST(MyDocumentMacrons, PaneMenusOfferLocalMarkingBesideTheStandardItems) {
    auto doc = std::make_shared<MyDocument>();
    auto* window = new MyDocumentWindow(doc);
    window->show();
    for (MyTextField* pane : {window->latinView(), window->englishView()}) {
        std::unique_ptr<QMenu> menu(pane->createMacronContextMenu());
        QStringList names;
        QAction* macronize = nullptr;
        for (QAction* a : menu->actions()) {
            names << a->text();
            if (a->objectName() == QLatin1String("macronize")) macronize = a;
        }
        ASSERT_TRUE(macronize) << names.join(',').toStdString();
        EXPECT_EQ(macronize->text(), ts::Prompter::localized(QStringLiteral("MACRONIZE"), QStringLiteral("NonReversable")));
        EXPECT_TRUE(names.join(',').contains(QLatin1String("Copy"))) << names.join(',').toStdString();
        EXPECT_TRUE(names.join(',').contains(QLatin1String("Paste"))) << names.join(',').toStdString();
        EXPECT_TRUE(menu->actions().at(menu->actions().indexOf(macronize) - 1)->isSeparator());
    }
    // The item marks the selection through the word-form list.
    MyTextField* latin = window->latinView();
    latin->setPlainText(QStringLiteral("ne facias hoc"));
    QTextCursor c(latin->document());
    c.setPosition(3);
    c.setPosition(9, QTextCursor::KeepAnchor);
    latin->setTextCursor(c);
    std::unique_ptr<QMenu> menu(latin->createMacronContextMenu());
    for (QAction* a : menu->actions())
        if (a->objectName() == QLatin1String("macronize")) a->trigger();
    ASSERT_TRUE(waitUntil([&] { return latin->toPlainText() != QLatin1String("ne facias hoc"); }));
    EXPECT_EQ(latin->toPlainText(), QStringLiteral("ne faciās hoc"));
    menu.reset();  // a child of the pane
    delete window;
}

// The Latin pane's right-click showed the spelling check's menu in place of
// the pane's, without "Mark Vowel Lengths".
TEST(MyDocumentMacrons, RightClickShowsThePanesOwnMenuWithTheGuesses) {
    auto doc = std::make_shared<MyDocument>();
    auto* window = new MyDocumentWindow(doc);
    window->resize(900, 600);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    const bool dictionary = ts::SpellingHighlighter::checkerFor(QStringLiteral("la")) != nullptr;
    struct Case { MyTextField* pane; QString text, word, guess; };  // guess: the first one on top, or none
    const Case cases[] = {
        {window->latinView(), "arma virumqe cano", "virumqe", dictionary ? "virumque" : ""},
        {window->latinView(), "arma virumque cano", "virumque", ""},
        {window->englishView(), "arms and the man", "man", ""},
    };
    auto titles = [](const QList<QAction*>& actions) {
        QStringList out;
        for (QAction* a : actions) out << (a->isSeparator() ? QStringLiteral("|") : a->text());
        return out;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        c.pane->setPlainText(c.text);
        QTextCursor at(c.pane->document());
        at.setPosition(int(c.text.indexOf(c.word)) + 2);
        const QPoint point = c.pane->cursorRect(at).center();
        QContextMenuEvent click(QContextMenuEvent::Mouse, point, c.pane->viewport()->mapToGlobal(point));
        QApplication::sendEvent(c.pane->viewport(), &click);
        ASSERT_TRUE(waitUntil([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; }));
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        int shown = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) shown += qobject_cast<QMenu*>(w) && w->isVisible();
        EXPECT_EQ(shown, 1) << "one menu per click";

        // The pane's own items, whole, after any guesses.
        std::unique_ptr<QMenu> own(c.pane->createMacronContextMenu());
        const QStringList paneItems = titles(own->actions());
        const QStringList items = titles(popup->actions());
        EXPECT_TRUE(paneItems.contains(ts::Prompter::localized(QStringLiteral("MACRONIZE"), QStringLiteral("NonReversable"))));
        ASSERT_GE(items.size(), paneItems.size()) << items.join(',').toStdString();
        EXPECT_EQ(items.mid(items.size() - paneItems.size()), paneItems) << items.join(',').toStdString();
        if (c.guess.isEmpty()) {
            EXPECT_EQ(items, paneItems);
        } else {
            EXPECT_EQ(items.first(), c.guess);
            EXPECT_EQ(items.at(items.size() - paneItems.size() - 1), QStringLiteral("|"));
        }
        popup->close();
        ASSERT_TRUE(waitUntil([] { return QApplication::activePopupWidget() == nullptr; }));
    }
    delete window;
}

// Marking changes letters only: every run of the pane keeps its own font
// and size, whether the marking is the local one, the web's plain text or
// every vowel marked by hand.
TEST(MyDocumentMacrons, MarkingKeepsEachRunsFont) {
    LoopbackServer server(service, 20, 60000);
    const ts::FontPtr roman = ts::Font::make(QStringLiteral("Times-Roman"), 14);
    const ts::FontPtr bold = ts::Font::make(QStringLiteral("Times-Bold"), 18);
    struct Route {
        const char* name;
        QString text;
        void (*mark)(MyDocumentWindow*);
    };
    const Route routes[] = {
        {"local", QStringLiteral("ne facias hoc"), [](MyDocumentWindow* w) { w->macronizeLocally(); }},
        {"web", QStringLiteral("omnis divisa in partes tres"), [](MyDocumentWindow* w) { w->macronizeOnWeb(); }},
        {"every vowel long", QStringLiteral("arma virumque"), [](MyDocumentWindow* w) { w->markLong(); }},
    };
    for (const Route& route : routes) {
        SCOPED_TRACE(route.name);
        auto doc = std::make_shared<MyDocument>();
        auto* window = new MyDocumentWindow(doc);
        window->show();
        window->macronWindow()->macronizer().setServiceUrl(server.url(QStringLiteral("/macronizer/")));
        MyTextField* latin = window->latinView();
        const qsizetype split = route.text.indexOf(QLatin1Char(' ')) + 1;
        ts::AttributedString text(route.text.left(split), {{ts::AttributeName::Font, ts::Value(roman)}});
        text.append(route.text.mid(split), {{ts::AttributeName::Font, ts::Value(bold)}});
        latin->setAttributedText(text);
        QTextCursor c(latin->document());
        c.setPosition(0);
        c.setPosition(int(route.text.size()), QTextCursor::KeepAnchor);
        latin->setTextCursor(c);
        route.mark(window);
        ASSERT_TRUE(waitUntil([&] { return latin->toPlainText() != route.text; }, 20000))
            << window->macronWindow()->statusField->text().toStdString();
        const ts::AttributedString after = latin->attributedText();
        ASSERT_EQ(after.length(), route.text.size());
        for (qsizetype i = 0; i < after.length(); ++i) {
            const ts::FontPtr font = after.attribute(ts::AttributeName::Font, i).toObjectAs<ts::Font>();
            if (!font) {
                ADD_FAILURE() << "no font at " << i;
                continue;
            }
            EXPECT_EQ(font->postScriptName(), (i < split ? roman : bold)->postScriptName()) << i;
            EXPECT_EQ(font->pointSize(), (i < split ? roman : bold)->pointSize()) << i;
        }
        window->macronWindow()->hide();
        delete window;
    }
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    usePrivateHome(home);
    QApplication app(argc, argv);
    const QString forms = home.path() + QStringLiteral("/forms");
    QDir().mkpath(forms);
    QFile list(forms + QStringLiteral("/macrons.txt"));
    if (!list.open(QIODevice::WriteOnly) || list.write("facias\tv2spsa---\tfacio\tfacia_s\n") < 0) return 2;
    list.close();
    TSWordFormDictionary::Locations places;
    places.supportDirectory = forms;
    places.bundledSource = forms + QStringLiteral("/none.zip");
    places.frequencyFile = forms + QStringLiteral("/none.txt");
    places.temporaryDirectory = forms + QStringLiteral("/tmp");
    TSWordFormDictionary::setLocations(places);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
