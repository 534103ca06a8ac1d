// The XML checking window offscreen: the walk, the live check, accept,
// save, the question on closing, and its picture for the gallery.
#include "dictsource/gui/XMLCheckWindowController.h"
#include "dictsource/gui/DeveloperPromptDialog.h"

#include "dictsource/LewisShortSource.h"
#include "platform/Prompter.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTextEdit>

#include <gtest/gtest.h>

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "dictsource_gui_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

const QString kSource = QStringLiteral(
    "<TEI.2><text><body>\n"
    "<entryFree id=\"n1\" key=\"abacus\" type=\"main\"><orth extent=\"full\" lang=\"la\">ăbăcus</orth>, "
    "<itype>i</itype>, <gen>m.</gen> <sense id=\"s1\" n=\"I\" level=\"1\">a sideboard</sense></entryFree>\n"
    "<entryFree id=\"n2\" key=\"abaddir\" type=\"main\"><orth extent=\"full\" lang=\"la\">ăbaddīr</orth>, "
    "<itype>indecl.</itype> <sense id=\"s2\" n=\"I\" level=\"1\">a stone</sense></entryFree>\n"
    "</body></text></TEI.2>\n");

bool waitFor(const std::function<bool()>& done, int ms = 60000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) app().processEvents(QEventLoop::AllEvents, 20);
    return done();
}

struct Window {
    QTemporaryDir dir;
    QString path;
    std::shared_ptr<ts::ScriptedPrompter> prompter = std::make_shared<ts::ScriptedPrompter>();
    ts::Prompter::Scope scope{prompter};
    std::unique_ptr<XMLCheckWindowController> window;

    explicit Window(const QByteArray& bytes) {
        app();
        path = dir.filePath(QStringLiteral("LewisShort.xml"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        window = std::make_unique<XMLCheckWindowController>(path);
        EXPECT_TRUE(window->setSearchAndReplace(QStringLiteral("<itype>(\\w+)</itype>"),
                                                QStringLiteral("<itype>$1, um</itype>")));
    }
    QByteArray bytes() const {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

}  // namespace

TEST(XMLCheckWindow, WalksTheMatchesAndCountsThemOffTheGuiThread) {
    Window w(kSource.toUtf8());
    XMLCheckWindowController& c = *w.window;
    c.skipToNext();
    EXPECT_TRUE(c.origView()->toPlainText().startsWith(QLatin1String("<entryFree id=\"n1\"")));
    EXPECT_TRUE(c.changedView()->toPlainText().contains(QLatin1String("<itype>i, um</itype>")));
    EXPECT_FALSE(c.changedViewFlagged());
    EXPECT_TRUE(c.humanReadableView()->toPlainText().contains(QStringLiteral("ăbăcus")));
    EXPECT_TRUE(c.cleanedReadableView()->toPlainText().contains(QLatin1String("i, um")))
        << c.cleanedReadableView()->toPlainText().toStdString();
    // Only the proposed entry is editable.
    EXPECT_TRUE(c.origView()->isReadOnly());
    EXPECT_FALSE(c.changedView()->isReadOnly());
    EXPECT_TRUE(c.humanReadableView()->isReadOnly());
    EXPECT_TRUE(c.cleanedReadableView()->isReadOnly());
    ASSERT_TRUE(waitFor([&] { return !c.countRunning(); }));
    EXPECT_EQ(c.matchCountField()->text(), QStringLiteral("1"));  // "indecl." does not match \w+ alone

    // Past the last match the views stay as they were.
    const QString shown = c.origView()->toPlainText();
    c.skipToNext();
    EXPECT_EQ(c.origView()->toPlainText(), shown);
}

TEST(XMLCheckWindow, AMalformedEditIsFlaggedAndNeverAccepted) {
    Window w(kSource.toUtf8());
    XMLCheckWindowController& c = *w.window;
    c.skipToNext();
    QString broken = c.changedView()->toPlainText();
    broken.replace(QLatin1String("</gen>"), QLatin1String("</gem>"));
    c.changedView()->setPlainText(broken);  // typing: tinted, no alert
    EXPECT_TRUE(c.changedViewFlagged());
    EXPECT_TRUE(w.prompter->alerts().empty());
    c.insertEditedText();  // accept: the alert, nothing written
    ASSERT_EQ(w.prompter->alerts().size(), 1u);
    EXPECT_EQ(w.prompter->alerts().front().buttons, QStringList({"OK"}));
    EXPECT_EQ(c.session().fileString(), kSource);
    EXPECT_FALSE(c.session().dirty());
    c.transferRawText();  // revert mends it
    EXPECT_FALSE(c.changedViewFlagged());
}

TEST(XMLCheckWindow, AnEntryWithoutAKeyIsNeverAcceptedAndNobodyIsAsked) {
    QString source = kSource;
    source.replace(QLatin1String(" key=\"abacus\""), QString());
    Window w(source.toUtf8());
    XMLCheckWindowController& c = *w.window;
    c.skipToNext();
    c.insertEditedText();
    EXPECT_TRUE(w.prompter->alerts().empty());
    EXPECT_FALSE(c.session().dirty());
    EXPECT_EQ(c.session().fileString(), source);
}

TEST(XMLCheckWindow, AcceptSaveAndTheQuestionOnClosing) {
    // UTF-16 with its mark, to be written back the same way.
    QByteArray utf16("\xFF\xFE", 2);
    for (QChar ch : kSource) {
        utf16.append(char(ch.unicode() & 0xFF));
        utf16.append(char(ch.unicode() >> 8));
    }
    Window w(utf16);
    XMLCheckWindowController& c = *w.window;
    c.show();
    c.skipToNext();
    c.insertUnknownTrans();
    EXPECT_TRUE(c.changedView()->toPlainText().contains(QLatin1String("<pos>u</pos><sense")));
    c.insertEditedText();
    EXPECT_TRUE(c.session().dirty());
    EXPECT_EQ(w.bytes(), utf16);  // nothing on disk before Save

    // Closing with unsaved edits asks; Cancel keeps the window.
    w.prompter->queueAlertAnswer(1);
    EXPECT_FALSE(c.close());
    ASSERT_EQ(w.prompter->alerts().size(), 1u);
    EXPECT_TRUE(c.isVisible());

    ASSERT_TRUE(c.saveChanges());
    QString expected = kSource;
    expected.replace(QLatin1String("<itype>i</itype>, <gen>m.</gen> <sense"),
                     QLatin1String("<itype>i, um</itype>, <gen>m.</gen> <pos>u</pos><sense"));
    const QByteArray bytes = w.bytes();
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2), (bytes.size() - 2) / 2),
              expected);
    EXPECT_TRUE(c.close());  // saved: no question
    EXPECT_EQ(w.prompter->alerts().size(), 1u);
    ASSERT_TRUE(waitFor([&] { return !c.countRunning(); }));
}

TEST(XMLCheckWindow, ARealLetterOfTheSource) {
    app();
    // A real letter of the dictionary and the bundle's first Find/Replace pair.
    QString source = QString::fromLocal8Bit(qgetenv("TS_SOURCE_DIR"));
    if (source.isEmpty()) source = QStringLiteral(TS_SOURCE_DIR_DEFAULT);
    QString error;
    const QByteArray letter =
        LewisShortSource::readSourceFile(source + QStringLiteral("/resources/lexica/uls-B.xml.xz"), &error);
    ASSERT_FALSE(letter.isEmpty()) << error.toStdString();
    Window w(letter);
    XMLCheckWindowController& c = *w.window;
    ASSERT_TRUE(c.setSearchAndReplace(QStringLiteral("<itype>([^<,]*?)\\s*,\\s*([^<]*?)</itype>"),
                                      QStringLiteral("<itype>$1, $2</itype><pos>adj.</pos>")));
    c.resize(1180, 760);
    c.show();
    for (int i = 0; i < 3; ++i) c.skipToNext();
    ASSERT_TRUE(waitFor([&] { return !c.countRunning(); }));
    EXPECT_GT(c.matchCountField()->text().toInt(), 100);
    app().processEvents();
    EXPECT_FALSE(c.origView()->toPlainText().isEmpty());
    EXPECT_TRUE(c.changedView()->toPlainText().contains(QLatin1String("<pos>adj.</pos>")));
    const QImage image = c.grab().toImage();
    EXPECT_GE(image.width(), 1000);
}

TEST(DeveloperPromptDialog, AnswersTheButtonAndTheEditedText) {
    app();
    DeveloperQuestion question;
    question.message = QStringLiteral("amo");
    question.informativeText = QStringLiteral("1: āvi\n2:  ātum");
    question.buttons = {QStringLiteral("Skip"),  QStringLiteral("iType, foreign"), QStringLiteral("iType, remove"),
                        QStringLiteral("add 4"), QStringLiteral("add 3"),          QStringLiteral("add 2"),
                        QStringLiteral("add 1"), QStringLiteral("remove 2nd iType"), QStringLiteral("1st to orth"),
                        QStringLiteral("Edit")};
    question.editableText = QStringLiteral(
        "key=\"amo\" type=\"main\"><orth extent=\"full\" lang=\"la\">amo</orth>, <itype>āvi, ātum</itype>, "
        "<itype>āre</itype> <sense id=\"s2\" n=\"I\" level=\"1\">to love</sense>");

    // Through ask(): the modal dialog is answered by pressing "Edit" after
    // changing the text.
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        modal->findChild<QPlainTextEdit*>(QStringLiteral("editableText"))->setPlainText(QStringLiteral("edited"));
        for (QPushButton* b : modal->findChildren<QPushButton*>())
            if (b->text() == QLatin1String("Edit")) b->click();
    });
    const DeveloperAnswer answer = DialogDeveloperPrompt().ask(question);
    EXPECT_EQ(answer.button, 9);
    EXPECT_EQ(answer.editedText, QStringLiteral("edited"));

    // Closed without a button: the first, with the text unchanged.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    const DeveloperAnswer closed = DialogDeveloperPrompt().ask(question);
    EXPECT_EQ(closed.button, 0);
    EXPECT_EQ(closed.editedText, *question.editableText);

    DeveloperAnswer shown;
    std::unique_ptr<QDialog> dialog(DialogDeveloperPrompt::makeDialog(question, &shown));
    EXPECT_EQ(dialog->findChildren<QPushButton*>().size(), 10);
}

// A text the converter hands the developer reaches the clipboard as well as
// the sink's file, and its beep sounds.
TEST(DeveloperPromptDialog, TheSinkWritesToTheClipboardAndBeeps) {
    app();
    QTemporaryDir dir;
    DeveloperSink::setCurrent(std::make_shared<DeveloperSink>(dir.filePath(QStringLiteral("paste.txt"))));
    installDeveloperDialogs();
    EXPECT_TRUE(std::dynamic_pointer_cast<DialogDeveloperPrompt>(DeveloperPrompt::current()));
    const DeveloperSinkPtr sink = DeveloperSink::current();
    EXPECT_TRUE(sink->writeToPasteBoard(QStringLiteral("@\"ātus, 1\",")));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("@\"ātus, 1\","));
    sink->beep();
    EXPECT_EQ(sink->beepCount(), 1);
    // The application hands its own clipboard writer.
    QStringList written;
    installDeveloperDialogs([&](const QString& text) { return written << text, true; });
    sink->writeToPasteBoard(QStringLiteral("x"));
    EXPECT_EQ(written, QStringList{QStringLiteral("x")});
    DeveloperSink::setCurrent(nullptr);
    DeveloperPrompt::setCurrent(nullptr);
}
