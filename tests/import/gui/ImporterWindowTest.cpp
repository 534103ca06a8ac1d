// The importer window over the real Eclogues: the header roles, the preview
// that follows the settings (once, after edits stop), saved settings, the
// import into an unsaved document matching the converter, and an "_eng"
// translation inserted into that document as one undoable step.

#include "documents/TSDocument.h"
#include "import/TSBodyElementParser.h"
#include "import/gui/ImportPreviewModel.h"
#include "import/gui/PerseusImporter.h"
#include "import/gui/TSImporterTab.h"
#include "platform/Document.h"
#include "support/GuiTestSupport.h"
#include "support/Python.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>
#include <atomic>
#include <iostream>

namespace {

QString sharedDir() {
    const QString dir = qEnvironmentVariable("TS_SHARED_DIR");
    return dir.isEmpty() ? QStringLiteral(TS_DEFAULT_SHARED_DIR) : dir;
}

QString tei(const char* name) { return sharedDir() + "/data/tei/" + name; }
QString tei2(const char* name) { return sharedDir() + "/data/tei2/" + name; }

// Every line of a tree, depth first.
void lines(const TSChunkPtr& node, std::vector<TSMatchedChunk*>& out) {
    for (const TSChunkPtr& c : node->childNodes()) {
        if (auto* l = dynamic_cast<TSMatchedChunk*>(c.get()); l && c->childNodes().empty()) out.push_back(l);
        lines(c, out);
    }
}

ts::DocumentController& controller() {
    static ts::DocumentController* c = [] {
        auto* made = new ts::DocumentController;
        TSDocument::registerDocumentType(*made);
        return made;
    }();
    return *c;
}

}  // namespace

TEST(ImporterHeader, RolesChooseTheValues) {
    ts::ValueDictionary data{{QStringLiteral("author"), QStringLiteral("X| Y")}, {QStringLiteral("title"), QStringLiteral("T")}};
    TSElementArray records;
    auto author = std::make_shared<TSImportElement>();
    author->setName(QStringLiteral("author"));
    records.addObject(author);
    struct Case { qint64 store; const char* expected; };
    for (const Case& c : {Case{3, "Y"}, Case{1, "X, Y"}, Case{2, "X"}, Case{4, nullptr}, Case{0, nullptr}}) {
        author->setStore(c.store);
        const QHash<QString, QString> out = TSHeaderImporterTab::collectHeader(ts::Value(data), records);
        if (c.expected) EXPECT_EQ(out.value(QStringLiteral("author")), QString::fromUtf8(c.expected)) << c.store;
        else EXPECT_FALSE(out.contains(QStringLiteral("author"))) << c.store;
    }
    // A single value is kept whichever value the role names.
    const ts::ValueDictionary one{{QStringLiteral("author"), QStringLiteral(" M. Tullius Cicero ")}};
    for (qint64 store : {1, 2, 3, 5}) {
        author->setStore(store);
        EXPECT_EQ(TSHeaderImporterTab::collectHeader(ts::Value(one), records).value(QStringLiteral("author")),
                  store == 1 ? QStringLiteral(" M. Tullius Cicero ") : QStringLiteral("M. Tullius Cicero"))
            << store;
    }
    author->setStore(0);
    EXPECT_TRUE(TSHeaderImporterTab::collectHeader(ts::Value(one), records).isEmpty());
}

TEST(ImporterWindow, AClosedTabTellsItsDelegateNothingMore) {
    // The window that is a tab's delegate goes with the tab; a preview still
    // parsing must then not call it from its thread.
    struct Listener : BodyTabProtocol {
        std::atomic<bool> tabGone{false};
        std::atomic<int> callsAfter{0}, calls{0};
        void reportProgress(float) override { ++(tabGone ? callsAfter : calls); }
        void importFinished() override { ++(tabGone ? callsAfter : calls); }
    } listener;
    TSBodyImporterTab other;  // one preview runs at a time, whichever tab asks
    for (int round = 0; round < 10; ++round) {
        auto* tab = new TSBodyImporterTab;
        tab->setTabDelegate(&listener);
        listener.tabGone = false;
        tab->setFileURL(QUrl::fromLocalFile(tei("eclogues-lat.xml")));
        tab->createPreview();
        ASSERT_TRUE(tab->previewRunning());
        delete tab;
        listener.tabGone = true;
        ASSERT_TRUE(waitUntil([&] { return !other.previewRunning(); }));
    }
    EXPECT_EQ(listener.callsAfter.load(), 0);
}

TEST(ImporterWindow, PreviewImportAndInsertedTranslation) {
    controller();
    PerseusImporter w;
    w.show();
    QSignalSpy previews(w.bodyTab, &TSBodyImporterTab::previewUpdated);
    w.setFileURL(QUrl::fromLocalFile(tei("eclogues-lat.xml")));
    // The preset saved for this source is found and applied.
    EXPECT_EQ(w.elementSettingsPopup->currentText(), QStringLiteral("eclogues-lat"));
    ASSERT_TRUE(waitUntil([&] { return previews.count() >= 1 && !w.bodyTab->previewRunning(); }));
    ASSERT_FALSE(w.bodyTab->texts().empty());
    EXPECT_EQ(w.bodyTab->report(), QString());

    // The window's conversion is the converter's.
    TSBodyElementParser direct;
    direct.setCurIdentifier(QStringLiteral("latin"));
    direct.setElementArray(w.bodyTab->elementArray());
    direct.parseFileAtLocation(QUrl::fromLocalFile(tei("eclogues-lat.xml")));
    std::vector<TSMatchedChunk*> expected;
    for (const TSTextPtr& book : direct.texts()) lines(book, expected);
    ASSERT_GT(expected.size(), 800u);

    // The header's Keep column says in words what the number keeps.
    {
        QAbstractItemModel* header = w.headerTab->elementsTable->model();
        QStringList kept;
        for (int r = 0; r < header->rowCount(); ++r)
            if (header->index(r, 0).data().toString() == QLatin1String("author"))
                kept << header->index(r, 2).data().toString() << header->index(r, 2).data(Qt::EditRole).toString();
        EXPECT_EQ(kept, (QStringList{QStringLiteral("value 2"), QStringLiteral("3")}));
    }

    // Poems named by their number, so that a translation finds them: the
    // user's choice in the name pop-up.
    auto nameByNumber = [&] {
        TSImportElementPtr poem = w.bodyTab->elementArray()->elementNamed(QStringLiteral("div1"));
        ASSERT_TRUE(poem);
        poem->setNameSource(QStringLiteral("{} n"));
    };
    nameByNumber();

    // Three quick edits give one more preview, with the last settings.
    previews.clear();
    TSImportElementPtr note = w.bodyTab->elementArray()->elementNamed(QStringLiteral("note"));
    if (!note) note = w.bodyTab->elementArray()->elements().back();
    const qint64 store = note->store();
    for (qint64 s : {qint64(0), qint64(4), store}) {
        note->setStore(s);
        w.bodyTab->createPreview();
    }
    ASSERT_TRUE(waitUntil([&] { return previews.count() >= 1 && !w.bodyTab->previewRunning(); }));
    QTest::qWait(700);
    EXPECT_EQ(previews.count(), 1);

    auto doc = w.handleImportButtonClick();
    ASSERT_TRUE(doc);
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_TRUE(doc->fileURL().isEmpty());
    EXPECT_FALSE(doc->displayName().isEmpty());
    EXPECT_NE(doc->displayName(), QStringLiteral("Untitled"));
    std::vector<TSMatchedChunk*> imported;
    lines(doc->text(), imported);
    ASSERT_EQ(imported.size(), expected.size());
    EXPECT_EQ(imported.front()->latin()->string(), expected.front()->latin()->string());
    EXPECT_EQ(imported.back()->latin()->string(), expected.back()->latin()->string());
    // The header's title went into the text's information.
    EXPECT_TRUE(doc->text()->information().count(QStringLiteral("title")));
    // The preview keeps its own rows: a second import is whole too.
    auto again = w.handleImportButtonClick();
    ASSERT_TRUE(again);
    std::vector<TSMatchedChunk*> second;
    lines(again->text(), second);
    EXPECT_EQ(second.size(), imported.size());
    std::vector<TSMatchedChunk*> first;
    lines(doc->text(), first);
    EXPECT_EQ(first.size(), imported.size());

    QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (!gallery.isEmpty()) {
        QDir().mkpath(gallery);
        w.resize(1200, 820);
        QTest::qWait(50);
        w.bodyTab->elementsTable->selectRow(1);
        QTest::qWait(50);
        EXPECT_TRUE(w.grab().save(gallery + "/importer-body.png"));
        w.tabs->setCurrentWidget(w.headerTab);
        QTest::qWait(50);
        EXPECT_TRUE(w.grab().save(gallery + "/importer-header.png"));
        w.tabs->setCurrentWidget(w.bodyTab);
    }

    // A translation file: inserted into the open document.
    QTemporaryDir dir;
    const QString eng = dir.filePath(QStringLiteral("eclogues_eng.xml"));
    ASSERT_TRUE(QFile::copy(tei("eclogues-eng.xml"), eng));
    previews.clear();
    w.setFileURL(QUrl::fromLocalFile(eng));
    EXPECT_EQ(w.bodyTab->curIdentifier(), QStringLiteral("perseusEnglish"));
    ASSERT_TRUE(waitUntil([&] { return previews.count() >= 1 && !w.bodyTab->previewRunning(); }));
    previews.clear();
    ASSERT_TRUE(w.insertElementSettings(TSElementArray::elementsFolder() + QStringLiteral("/eclogues-eng.plist")));
    ASSERT_TRUE(waitUntil([&] { return previews.count() >= 1 && !w.bodyTab->previewRunning(); }));
    nameByNumber();
    previews.clear();
    w.bodyTab->createPreview();
    ASSERT_TRUE(waitUntil([&] { return previews.count() >= 1 && !w.bodyTab->previewRunning(); }));
    ASSERT_FALSE(w.bodyTab->texts().empty());
    // A document with no line the translation fits is left as it was:
    // nothing to save, nothing to undo.
    auto unrelated = std::make_shared<TSDocument>();
    EXPECT_FALSE(w.bodyTab->insertTranslation(w.bodyTab->texts().front(), unrelated));
    EXPECT_FALSE(unrelated->isDocumentEdited());
    EXPECT_FALSE(unrelated->canUndo());
    doc->updateChangeCount(ts::Document::ChangeCleared);
    ASSERT_TRUE(w.bodyTab->insertTranslation(w.bodyTab->texts().front(), doc));
    EXPECT_TRUE(doc->isDocumentEdited());
    std::vector<TSMatchedChunk*> after;
    lines(doc->text(), after);
    int withEnglish = 0;
    QStringList rowsEnglish;
    for (TSMatchedChunk* l : after)
        if (l->perseusEnglish() && !l->perseusEnglish()->string().isEmpty()) {
            ++withEnglish;
            rowsEnglish << l->perseusEnglish()->string();
        }
    // Every poem has its translation, so every Latin line gets English.
    EXPECT_EQ(withEnglish, int(after.size()));
    // English lines beyond a poem's last Latin line have rows of their own:
    // each row holds one English line, all of them, in order; the window
    // says how many met no Latin line.
    std::vector<TSMatchedChunk*> translated;
    lines(w.bodyTab->texts().front(), translated);
    QStringList englishLines;
    for (TSMatchedChunk* l : translated)
        if (l->perseusEnglish() && !l->perseusEnglish()->string().isEmpty()) englishLines << l->perseusEnglish()->string();
    EXPECT_EQ(rowsEnglish, englishLines);
    const qint64 added = qint64(after.size()) - qint64(imported.size());
    EXPECT_GT(added, 100);
    EXPECT_TRUE(w.bodyTab->insertionReport().startsWith(QString::number(added) + QStringLiteral(" rows")))
        << w.bodyTab->insertionReport().toStdString();
    EXPECT_EQ(w.bodyTab->reportField->text(), w.bodyTab->insertionReport());
    // One step takes it all back.
    ASSERT_TRUE(doc->canUndo());
    doc->undo();
    std::vector<TSMatchedChunk*> undone;
    lines(doc->text(), undone);
    int stillEnglish = 0;
    for (TSMatchedChunk* l : undone)
        if (l->perseusEnglish() && !l->perseusEnglish()->string().isEmpty()) ++stillEnglish;
    EXPECT_EQ(stillEnglish, 0);
    // The rows made for surplus lines go with it, and so does the report.
    EXPECT_EQ(undone.size(), imported.size());
    EXPECT_TRUE(w.bodyTab->insertionReport().isEmpty()) << w.bodyTab->insertionReport().toStdString();
    EXPECT_EQ(w.bodyTab->reportField->text(), w.bodyTab->report());
    doc->redo();
    std::vector<TSMatchedChunk*> redone;
    lines(doc->text(), redone);
    int english = 0;
    for (TSMatchedChunk* l : redone)
        if (l->perseusEnglish() && !l->perseusEnglish()->string().isEmpty()) ++english;
    EXPECT_EQ(english, withEnglish);
}

TEST(ImporterWindow, SavedSettingsAreListedAndChosenForTheirSource) {
    QTemporaryDir dir;
    const QString src = dir.filePath(QStringLiteral("my-eclogues.xml"));
    ASSERT_TRUE(QFile::copy(tei("eclogues-lat.xml"), src));
    PerseusImporter w;
    w.setFileURL(QUrl::fromLocalFile(src));
    EXPECT_EQ(w.elementSettingsPopup->currentIndex(), 0);
    ASSERT_TRUE(w.handleSaveSettingsClick());
    EXPECT_TRUE(QFileInfo::exists(TSElementArray::elementsFolder() + QStringLiteral("/my-eclogues.plist")));
    PerseusImporter again;
    again.setFileURL(QUrl::fromLocalFile(src));
    EXPECT_EQ(again.elementSettingsPopup->currentText(), QStringLiteral("my-eclogues"));
    waitUntil([&] { return !again.bodyTab->previewRunning(); });
}

namespace {

// Selects an element's row and waits for its controls to show it.
bool selectElement(PerseusImporter& w, const QString& name) {
    const auto& elements = w.bodyTab->elementArray()->elements();
    for (size_t i = 0; i < elements.size(); ++i)
        if (elements[i]->name() == name) {
            w.bodyTab->elementsTable->selectRow(int(i));
            return waitUntil([&] { return w.bodyTab->tagNameField->text() == name && w.bodyTab->handlePopup->count() > 0; });
        }
    return false;
}

// A user's choice in a pop-up: the item shown and its action.
void choose(QComboBox* popup, int index) {
    popup->setCurrentIndex(index);
    Q_EMIT popup->activated(index);
}

bool previewSettles(PerseusImporter& w, QSignalSpy& previews) {
    return waitUntil([&] { return previews.count() >= 1 && !w.bodyTab->previewRunning(); });
}

// Converts a file of books (div1) of sections (div2, named by number) of
// lines, the books named as given.
void convertBooks(PerseusImporter& w, QSignalSpy& previews, const QString& path, const char* line, const char* bookName) {
    w.setFileURL(QUrl::fromLocalFile(path));
    ASSERT_TRUE(previewSettles(w, previews));
    // Settings loaded by earlier tests preset elements of the same name: the
    // roles that matter here are set whole.
    const TSElementArrayPtr records = w.bodyTab->elementArray();
    records->elementNamed(QStringLiteral("body"))->setStore(TSImportElement::Ignore);
    records->elementNamed(QStringLiteral("div1"))->setStore(TSImportElement::NewBook);
    records->elementNamed(QStringLiteral("div1"))->setNameSource(QString::fromUtf8(bookName));
    records->elementNamed(QStringLiteral("div2"))->setStore(TSImportElement::NewSection);
    records->elementNamed(QStringLiteral("div2"))->setSubsectionOf(QString());
    records->elementNamed(QStringLiteral("div2"))->setNameSource(QStringLiteral("{} n"));
    records->elementNamed(QStringLiteral("head"))->setStore(TSImportElement::Ignore);
    records->elementNamed(QString::fromLatin1(line))->setStore(TSImportElement::SubsectionOf);
    records->elementNamed(QString::fromLatin1(line))->setSubsectionOf(QString());
    if (TSImportElementPtr milestone = records->elementNamed(QStringLiteral("milestone")))
        milestone->setStore(TSImportElement::Ignore);
    previews.clear();
    w.bodyTab->createPreview();
    ASSERT_TRUE(previewSettles(w, previews));
}

}  // namespace

// Each pop-up sets only what it shows: with the shipped Eclogues settings a
// speaker's format, changed, leaves its role's parent and a name source the
// name pop-up cannot show as they were, and every speaker stays in the text.
TEST(ImporterWindow, APopupChangesOnlyItsOwnSetting) {
    PerseusImporter w;
    QSignalSpy previews(w.bodyTab, &TSBodyImporterTab::previewUpdated);
    w.setFileURL(QUrl::fromLocalFile(tei("eclogues-lat.xml")));
    ASSERT_TRUE(previewSettles(w, previews));
    ASSERT_EQ(w.bodyTab->report(), QString());
    ASSERT_TRUE(selectElement(w, QStringLiteral("speaker")));
    TSImportElementPtr speaker = w.bodyTab->curElement();
    ASSERT_EQ(speaker->store(), TSImportElement::SubsectionOf);
    ASSERT_TRUE(speaker->subsectionOf().isNull());
    // The role reads with its parent's name after a blank.
    EXPECT_EQ(w.bodyTab->handlePopup->itemText(3), QStringLiteral("Subsection of sp"));

    previews.clear();
    choose(w.bodyTab->formatPopup, 3);
    EXPECT_EQ(speaker->formatType(), 3);
    EXPECT_TRUE(speaker->subsectionOf().isNull());
    ASSERT_TRUE(previewSettles(w, previews));
    EXPECT_EQ(w.bodyTab->report(), QString());

    // A name source set elsewhere (a settings file) that the pop-up lacks.
    speaker->setNameSource(QStringLiteral("{} who"));
    speaker->setIdSource(QStringLiteral("who"));
    choose(w.bodyTab->formatPopup, 2);
    EXPECT_EQ(speaker->formatType(), 2);
    EXPECT_EQ(speaker->nameSource(), QStringLiteral("{} who"));
    EXPECT_EQ(speaker->idSource(), QStringLiteral("who"));
    choose(w.bodyTab->namePopup, 1);
    EXPECT_EQ(speaker->nameSource(), QStringLiteral("Text"));
    EXPECT_EQ(speaker->idSource(), QStringLiteral("who"));
    EXPECT_EQ(speaker->formatType(), 2);
    choose(w.bodyTab->idPopup, 1);
    EXPECT_EQ(speaker->idSource(), QStringLiteral("*milestone*"));
    EXPECT_EQ(speaker->nameSource(), QStringLiteral("Text"));
    // The role pop-up sets the role, and its parent with "Subsection of".
    choose(w.bodyTab->handlePopup, 4);
    EXPECT_EQ(speaker->store(), TSImportElement::Append);
    EXPECT_TRUE(speaker->subsectionOf().isNull());
    EXPECT_EQ(speaker->nameSource(), QStringLiteral("Text"));
    EXPECT_EQ(speaker->formatType(), 2);
    choose(w.bodyTab->handlePopup, 3);
    EXPECT_EQ(speaker->subsectionOf(), QStringLiteral("sp"));
    waitUntil([&] { return !w.bodyTab->previewRunning(); });
}

// A new file without settings of its own shows no other file's settings;
// the "Found inside" table shows a whole path.
TEST(ImporterWindow, ANewFileShowsItsOwnSettingsAndWholePaths) {
    PerseusImporter w;
    w.resize(1100, 780);
    w.show();
    QSignalSpy previews(w.bodyTab, &TSBodyImporterTab::previewUpdated);
    w.setFileURL(QUrl::fromLocalFile(tei("eclogues-lat.xml")));
    EXPECT_EQ(w.elementSettingsPopup->currentText(), QStringLiteral("eclogues-lat"));
    ASSERT_TRUE(previewSettles(w, previews));
    previews.clear();
    w.setFileURL(QUrl::fromLocalFile(tei2("phi0474.phi051.perseus-lat1.xml")));
    EXPECT_EQ(w.elementSettingsPopup->currentIndex(), 0);
    ASSERT_TRUE(previewSettles(w, previews));
    // "l" is found five deep: every entry of its path is in view at once.
    ASSERT_TRUE(selectElement(w, QStringLiteral("l")));
    ASSERT_TRUE(waitUntil([&] { return w.bodyTab->stackTable->model()->rowCount() >= 5; }));
    QTableView* table = w.bodyTab->stackTable;
    const int rows = table->model()->rowCount();
    const int last = table->rowViewportPosition(rows - 1) + table->rowHeight(rows - 1);
    EXPECT_LE(last, table->viewport()->height()) << rows << " rows";
    const QString gallery = qEnvironmentVariable("TS_GALLERY_DIR");
    if (!gallery.isEmpty()) {
        QDir().mkpath(gallery);
        EXPECT_TRUE(w.grab().save(gallery + "/importer-found-inside.png"));
    }
}

namespace {

// An independent reading of a TEI body: how many rows a reader expects
// (each paragraph, verse, speaker, cast entry and stage direction outside a
// paragraph, none of them inside a note) and how many Latin letters the
// body holds outside Greek passages.
const char* kRowsAndLetters = R"PY(
import sys, json, re, xml.parsers.expat
rows = 0; letters = 0; stack = []
def start(name, attrs):
    global rows
    inside = lambda n: n in stack
    if not inside('note') and inside('body'):
        if name in ('p', 'l', 'speaker', 'castItem'): rows += 1
        elif name == 'stage' and not inside('p'): rows += 1
    stack.append((name, attrs.get('lang')))
def end(name): stack.pop()
def chars(data):
    global letters
    names = [n for n, _ in stack]
    if 'body' in names and not any(l == 'greek' for _, l in stack):
        letters += len(re.findall('[A-Za-z]', data))
class S(list):
    def __contains__(self, n): return any(x[0] == n for x in self)
stack = S()
p = xml.parsers.expat.ParserCreate()
p.SetParamEntityParsing(xml.parsers.expat.XML_PARAM_ENTITY_PARSING_NEVER)
p.StartElementHandler = start; p.EndElementHandler = end; p.CharacterDataHandler = chars
p.Parse(open(sys.argv[1], 'rb').read(), True)
print(json.dumps({'rows': rows, 'letters': letters}))
)PY";

qint64 latinLetters(const QString& text) {
    qint64 n = 0;
    for (QChar c : text)
        if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')) ++n;
    return n;
}

void everyRow(const TSChunkPtr& node, std::vector<TSMatchedChunk*>& out) {
    for (const TSChunkPtr& c : node->childNodes()) {
        if (auto* m = dynamic_cast<TSMatchedChunk*>(c.get())) out.push_back(m);
        everyRow(c, out);
    }
}

}  // namespace

// A whole real English play, recognised as a translation by its file name,
// imported through the window with the roles a reader of prose drama sets:
// one row per paragraph, speaker, cast entry and stage direction, none empty,
// none split by the line milestones inside the paragraphs, and every letter
// of the body in a row, a name or a footnote.
TEST(ImporterWindow, AWholeEnglishPlayKeepsEveryParagraphWholeAndEveryLetter) {
    const QString path = tei2("phi0134.phi001.perseus-eng1.xml");
    const PythonRun py = runPython(QString::fromUtf8(kRowsAndLetters), {path});
    ASSERT_EQ(py.exitCode, 0) << py.err.toStdString();
    const QJsonObject expected = QJsonDocument::fromJson(py.out.toUtf8()).object();
    ASSERT_GT(expected[QStringLiteral("rows")].toInteger(), 1000);

    controller();
    PerseusImporter w;
    QSignalSpy previews(w.bodyTab, &TSBodyImporterTab::previewUpdated);
    w.setFileURL(QUrl::fromLocalFile(path));
    EXPECT_EQ(w.bodyTab->curIdentifier(), QStringLiteral("perseusEnglish"));
    ASSERT_TRUE(previewSettles(w, previews));
    const TSElementArrayPtr records = w.bodyTab->elementArray();
    auto role = [&](const char* name, qint64 store, qint64 format = 0) {
        TSImportElementPtr e = records->elementNamed(QString::fromLatin1(name));
        ASSERT_TRUE(e) << name;
        e->setStore(store);
        e->setSubsectionOf(QString());
        e->setFormatType(format);
    };
    role("body", TSImportElement::NewBook);
    role("castList", TSImportElement::NewSection);
    role("div1", TSImportElement::NewSection);
    role("div2", TSImportElement::NewSection);
    for (const char* line : {"castItem", "speaker", "p", "l"}) role(line, TSImportElement::SubsectionOf);
    role("stage", TSImportElement::Append, 3);
    for (const char* part : {"role", "roleDesc", "lemma", "date", "title", "quote", "cit", "bibl", "lg"})
        role(part, TSImportElement::Append);
    // The line numbers of the printed edition locate; they do not divide.
    role("milestone", TSImportElement::Milestone);
    // Heads name their divisions, whatever another file's settings made them.
    role("head", TSImportElement::Ignore);
    records->elementNamed(QStringLiteral("div1"))->setNameSource(QStringLiteral("\u2022 head"));
    previews.clear();
    w.bodyTab->createPreview();
    ASSERT_TRUE(previewSettles(w, previews));
    EXPECT_EQ(w.bodyTab->report(), QString());
    ASSERT_EQ(w.bodyTab->texts().size(), 1u);

    auto doc = w.handleImportButtonClick();
    ASSERT_TRUE(doc);
    std::vector<TSMatchedChunk*> rows;
    everyRow(doc->text(), rows);
    // The book's name is made, not read: its letters are not the body's.
    qint64 lines = 0, empty = 0, letters = 0;
    for (TSMatchedChunk* r : rows) {
        letters += latinLetters(r->name());
        qint64 own = 0;
        for (const QString& key : {QStringLiteral("latin"), QStringLiteral("perseusEnglish")})
            if (auto t = r->textForKey(key)) own += latinLetters(t->string());
        letters += own;
        if (!r->childNodes().empty()) continue;
        if (r->perseusEnglish() && !r->perseusEnglish()->string().trimmed().isEmpty()) ++lines;
        else if (own == 0) ++empty;
    }
    for (const auto& [id, note] : doc->footnotes()->notes())
        if (note->attributedString()) letters += latinLetters(note->attributedString()->string());
    EXPECT_EQ(empty, 0);
    EXPECT_EQ(lines, expected[QStringLiteral("rows")].toInteger());
    EXPECT_EQ(letters, expected[QStringLiteral("letters")].toInteger());
}

// Horace's books have no head: the preview, the right-click Import and the
// Import button all name them by their number, and the English books (a
// "-eng1" file) are inserted by those names.
TEST(ImporterWindow, BooksWithoutANameAreNamedByNumberAndFoundByTranslations) {
    controller();
    PerseusImporter w;
    QSignalSpy previews(w.bodyTab, &TSBodyImporterTab::previewUpdated);
    auto convertWith = [&](const QString& path, const char* line) { convertBooks(w, previews, path, line, "• head"); };
    convertWith(tei2("phi0893.phi004.perseus-lat1.xml"), "l");
    ASSERT_EQ(w.bodyTab->texts().size(), 2u);
    QAbstractItemModel* model = w.bodyTab->preview->model();
    EXPECT_EQ(model->index(0, 0).data().toString(), QStringLiteral("Book 1"));
    EXPECT_EQ(model->index(1, 0).data().toString(), QStringLiteral("Book 2"));

    // The row's menu imports the book under its name.
    const size_t before = TSBodyImporterTab::openDocumentList().size();
    std::unique_ptr<QMenu> menu(w.bodyTab->menuForEvent({}, model->index(1, 0), w.bodyTab->preview, QStringLiteral("latin")));
    ASSERT_TRUE(menu);
    ASSERT_FALSE(menu->actions().isEmpty());
    menu->actions().front()->trigger();
    const auto documents = TSBodyImporterTab::openDocumentList();
    ASSERT_EQ(documents.size(), before + 1);
    EXPECT_EQ(documents.back()->displayName(), QStringLiteral("Book 2"));

    auto whole = w.handleImportButtonClick();
    ASSERT_TRUE(whole);
    QStringList bookNames;
    for (const TSChunkPtr& book : whole->text()->childNodes()) bookNames << book->chunkName();
    EXPECT_EQ(bookNames, (QStringList{"Book 1", "Book 2"}));

    // The translation's first book finds the first Latin book by its name.
    convertWith(tei2("phi0893.phi004.perseus-eng1.xml"), "p");
    ASSERT_EQ(w.bodyTab->curIdentifier(), QStringLiteral("perseusEnglish"));
    ASSERT_EQ(w.bodyTab->texts().size(), 2u);
    EXPECT_EQ(w.bodyTab->texts().front()->name(), QStringLiteral("Book 1"));
    std::unique_ptr<QMenu> english(w.bodyTab->menuForEvent({}, model->index(0, 0), w.bodyTab->preview, QStringLiteral("latin")));
    ASSERT_TRUE(english);
    bool offered = false;
    for (QAction* a : english->actions()) offered = offered || a->text().endsWith(QStringLiteral(": ") + whole->displayName());
    EXPECT_TRUE(offered);
    ASSERT_TRUE(w.bodyTab->insertTranslation(w.bodyTab->texts().front(), whole));
    std::vector<TSMatchedChunk*> first, second;
    lines(whole->text()->childNodes()[0], first);
    lines(whole->text()->childNodes()[1], second);
    auto englished = [](const std::vector<TSMatchedChunk*>& rows) {
        int n = 0;
        for (TSMatchedChunk* l : rows) n += l->perseusEnglish() && !l->perseusEnglish()->string().isEmpty();
        return n;
    };
    EXPECT_GT(englished(first), 50);
    EXPECT_EQ(englished(second), 0);
}

// Horace's books named by their number hold poems named by theirs: poem
// "1" of book "1". Each English book inserted into the whole Latin text
// puts every one of its lines on a row of its own book, or the window's
// report counts it.
TEST(ImporterWindow, BooksAndPoemsNamedByNumberTakeEveryEnglishLine) {
    controller();
    PerseusImporter w;
    QSignalSpy previews(w.bodyTab, &TSBodyImporterTab::previewUpdated);
    convertBooks(w, previews, tei2("phi0893.phi004.perseus-lat1.xml"), "l", "{} n");
    ASSERT_EQ(w.bodyTab->texts().front()->name(), QStringLiteral("1"));
    auto whole = w.handleImportButtonClick();
    ASSERT_TRUE(whole && whole->text()->numChildren() == 2);
    convertBooks(w, previews, tei2("phi0893.phi004.perseus-eng1.xml"), "p", "{} n");
    ASSERT_EQ(w.bodyTab->texts().size(), 2u);
    const auto withEnglish = [](const TSChunkPtr& node) {
        std::vector<TSMatchedChunk*> rows;
        lines(node, rows);
        qint64 n = 0;
        for (TSMatchedChunk* l : rows) n += l->perseusEnglish() && !l->perseusEnglish()->string().isEmpty();
        return std::make_pair(n, qint64(rows.size()));
    };
    for (size_t b = 0; b < 2; ++b) {
        SCOPED_TRACE(b + 1);
        const TSTextPtr book = w.bodyTab->texts()[b];
        const qint64 english = withEnglish(book).first;
        ASSERT_GT(english, 50);
        const qint64 rowsBefore = withEnglish(whole->text()->childNodes()[b]).second;
        const qint64 otherBefore = withEnglish(whole->text()->childNodes()[1 - b]).first;
        ASSERT_TRUE(w.bodyTab->insertTranslation(book, whole));
        // Nothing of this book goes into the other.
        EXPECT_EQ(withEnglish(whole->text()->childNodes()[1 - b]).first, otherBefore);
        const TSChunkPtr inserted = whole->text()->childNodes()[b];
        const auto [placed, rows] = withEnglish(inserted);
        // The poem named like its book has its English too.
        EXPECT_GT(withEnglish(inserted->childAt(0)).first, 0);
        // The report's count: the rows added for surplus lines and the lines
        // with no poem to go to; together with the rows that took a line,
        // every English line of the book.
        const QString report = w.bodyTab->insertionReport();
        const qint64 reported = report.section(QLatin1Char(' '), 0, 0).toLongLong();
        const qint64 added = rows - rowsBefore;
        EXPECT_EQ(placed + reported - added, english) << report.toStdString();
        std::cout << "Satires " << b + 1 << ": " << english << " English lines, " << placed << " on rows ("
                  << added << " added), " << reported - added << " not inserted\n";
    }
}

// The shipped Eclogues and their shipped translation, each converted by the
// window under the settings saved for it: every poem of the translation
// meets its Latin poem, every English row is in the document, and the report
// counts only the rows kept at the end of their poem.
TEST(ImporterWindow, ShippedSettingsLetTheShippedTranslationMeetEveryPoem) {
    controller();
    PerseusImporter w;
    QSignalSpy previews(w.bodyTab, &TSBodyImporterTab::previewUpdated);
    w.setFileURL(QUrl::fromLocalFile(tei("eclogues-lat.xml")));
    ASSERT_EQ(w.elementSettingsPopup->currentText(), QStringLiteral("eclogues-lat"));
    ASSERT_TRUE(previewSettles(w, previews));
    auto doc = w.handleImportButtonClick();
    ASSERT_TRUE(doc);
    previews.clear();
    w.setFileURL(QUrl::fromLocalFile(tei("eclogues-eng.xml")));
    ASSERT_EQ(w.elementSettingsPopup->currentText(), QStringLiteral("eclogues-eng"));
    ASSERT_EQ(w.bodyTab->curIdentifier(), QStringLiteral("perseusEnglish"));
    ASSERT_TRUE(previewSettles(w, previews));
    const TSTextPtr english = w.bodyTab->texts().front();
    ASSERT_EQ(english->childNames(), doc->text()->childNames());
    ASSERT_TRUE(w.bodyTab->insertTranslation(english, doc));
    std::vector<TSMatchedChunk*> rows, after;
    lines(english, rows);
    lines(doc->text(), after);
    QStringList inDocument;
    for (TSMatchedChunk* r : after)
        if (r->perseusEnglish()) inDocument << r->perseusEnglish()->string();
    ASSERT_GT(rows.size(), 900u);
    for (TSMatchedChunk* r : rows)
        if (r->perseusEnglish()) EXPECT_TRUE(inDocument.contains(r->perseusEnglish()->string()));
    const QString report = w.bodyTab->insertionReport();
    EXPECT_FALSE(report.contains(QStringLiteral("not inserted"))) << report.toStdString();
    EXPECT_TRUE(report.contains(QStringLiteral("rows kept as rows of their own"))) << report.toStdString();
}

int main(int argc, char** argv) {
    QTemporaryDir home;
    usePrivateHome(home);
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toUtf8());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    QApplication::processEvents();
    return rc;
}
