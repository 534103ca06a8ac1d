// A parallel-text document's footnotes (adding, linking, numbering in reading
// order, copies with the notes written out, save and reopen) and the PDF
// location bookkeeping.

#include "documents/TSDocument.h"

#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "support/CaptureLogger.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSBookmarkList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace ts;

namespace {

const QString kLatin = QStringLiteral("latin");

struct ThreeLines {
    std::shared_ptr<TSDocument> doc = std::make_shared<TSDocument>();
    std::vector<TSMatchedChunkPtr> lines;
    ThreeLines() {
        auto text = std::make_shared<TSText>();
        auto section = std::make_shared<TSMatchedChunk>();
        text->addChild(section);
        for (const char* latin : {"arma virumque cano", "Troiae qui primus", "ab oris Italiam"}) {
            auto line = std::make_shared<TSMatchedChunk>();
            line->setTextForKey(AttributedString::make(QString::fromUtf8(latin)), kLatin);
            section->addChild(line);
            lines.push_back(line);
        }
        doc->setText(text);
    }
    QString latin(size_t i) const { return lines[i]->textForKey(kLatin)->string(); }
};

}  // namespace

// Notes B, A, B on three lines number 1, 2, 1 in reading order; a copy
// writes them out; saving keeps them and purges an unlinked note from the
// file only.
TEST(DocumentFootnotes, NumberInReadingOrderCopyAndSurviveSaving) {
    ThreeLines t;
    // A is added first, on the middle line, so ids and creation order differ
    // from reading order.
    FootnoteObjectPtr a = t.doc->addFootnote(t.lines[1], kLatin, 6, {QStringLiteral("Troiae")});
    ASSERT_TRUE(a);
    FootnoteObjectPtr b = t.doc->addFootnote(t.lines[0], kLatin, 4, {QStringLiteral("arma")});
    ASSERT_TRUE(b);
    ASSERT_TRUE(t.doc->linkFootnote(b, t.lines[2], kLatin, 99));  // past the end: at the end
    a->setNoteFromString(QStringLiteral("Troy"));
    b->setNoteFromString(QStringLiteral("weapons"));
    FootnoteObjectPtr unused = t.doc->footnotes()->makeNewNote();

    EXPECT_EQ(t.latin(0), QStringLiteral("arma[1] virumque cano"));
    EXPECT_EQ(t.latin(1), QStringLiteral("Troiae[2] qui primus"));
    EXPECT_EQ(t.latin(2), QStringLiteral("ab oris Italiam[1]"));
    EXPECT_EQ(a->title(), QStringLiteral("Troiae"));
    EXPECT_TRUE(t.doc->isDocumentEdited());

    // Each link is its own number in a copy, and its note is written out.
    AttributedString two = *t.lines[0]->textForKey(kLatin);
    two.append(*t.lines[2]->textForKey(kLatin));
    const AttributedString copy = t.doc->resolveFootnotes(two);
    EXPECT_EQ(copy.string(), QStringLiteral("arma(1) virumque canoab oris Italiam(2)\n\n1. weapons\n2. weapons\n"));
    for (qsizetype i = 0; i < copy.length(); ++i) {
        ASSERT_TRUE(copy.attribute(AttributeName::Link, i).isNull()) << i;
        ASSERT_TRUE(copy.attribute(AttributeName::ForegroundColor, i).isNull()) << i;
    }

    auto again = std::make_shared<TSDocument>();
    ASSERT_TRUE(again->importFromPListFormat(t.doc->exportToPListFormat(nullptr)).isEmpty());
    EXPECT_EQ(t.doc->footnotes()->count(), 3);  // the open document keeps it
    EXPECT_EQ(again->footnotes()->count(), 2);
    EXPECT_FALSE(again->footnotes()->noteForID(unused->uniqueID()));
    const auto line = [&](int i) { return again->text()->childAt(0)->childAt(i); };
    EXPECT_EQ(line(2)->textForKey(kLatin)->string(), QStringLiteral("ab oris Italiam[1]"));
    const AttributedString reread = again->resolveFootnotes(*line(1)->textForKey(kLatin));
    EXPECT_EQ(reread.string(), QStringLiteral("Troiae(1) qui primus\n\n1. Troy\n"));
    // Renumbering the reopened text gives the same numbers.
    again->renumberFootnotes(kLatin);
    EXPECT_EQ(line(0)->textForKey(kLatin)->string(), QStringLiteral("arma[1] virumque cano"));
    EXPECT_EQ(line(1)->textForKey(kLatin)->string(), QStringLiteral("Troiae[2] qui primus"));
}

// Copies: text without links is unchanged; a word linked to the vocabulary
// keeps its text; a link to a note that is gone is still numbered, listed
// without text.
TEST(DocumentFootnotes, ResolvingKeepsWordsAndToleratesMissingNotes) {
    TSDocument doc;
    const AttributedString plain(QStringLiteral("nulla nota"));
    EXPECT_EQ(doc.resolveFootnotes(plain).string(), plain.string());

    AttributedString text(QStringLiteral("cano [*] arma"));
    text.addAttribute(AttributeName::Link, Value(std::static_pointer_cast<Object>(Url::make(QStringLiteral("vocab:ABC")))),
                      {0, 4});
    text.addAttribute(AttributeName::ForegroundColor, Value(Color::calibratedRgb(0, 0, 1)), {0, 4});
    TSText::linkText(text, QStringLiteral("footnote:GONE"), {5, 3});
    const AttributedString copy = doc.resolveFootnotes(text);
    EXPECT_EQ(copy.string(), QStringLiteral("cano (1) arma\n\n1. \n"));
    EXPECT_TRUE(copy.attribute(AttributeName::Link, 0).isNull());

    ts::Value link;
    ts::TextRange range{0, 0};
    EXPECT_FALSE(TSDocument::findNextLink(link, range, nullptr));
    ASSERT_TRUE(TSDocument::findNextLink(link, range, &text));
    EXPECT_EQ(range, (ts::TextRange{0, 4}));
    ASSERT_TRUE(TSDocument::findNextLink(link, range, &text));
    EXPECT_EQ(range, (ts::TextRange{5, 3}));
    EXPECT_FALSE(TSDocument::findNextLink(link, range, &text));
}

// A location is stamped with the current PDF's uuid only while it has none;
// without a current PDF it is left alone and the lack is logged.
TEST(DocumentPdfLocations, OnlyNewLocationsAreStamped) {
    ThreeLines t;
    const ValueDictionary dropped{{QStringLiteral("pageNumber"), Value(qint64(1))},
                                  {QStringLiteral("locationInWindow"),
                                   Value(ValueDictionary{{QStringLiteral("x"), Value(72.0)}, {QStringLiteral("y"), Value(500.0)}})}};
    t.lines[0]->setPdfLocation(Value(dropped));
    {
        CaptureLogger::Scope log;
        t.doc->locationChunkChanged(t.lines[0]);
        LGLog::allLoggers();
        EXPECT_TRUE(log->contains(QStringLiteral("cur pdf uuid nil")));
    }
    EXPECT_FALSE(t.lines[0]->pdfLocation().dictionary().count(QStringLiteral("uuid")));
    EXPECT_TRUE(t.doc->isDocumentEdited());

    QTemporaryDir dir;
    const auto file = [&](const QString& name) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("%PDF-1.4\n%%EOF\n");
        return Url::make(QUrl::fromLocalFile(dir.filePath(name)).toString());
    };
    t.doc->pdfFileDropped(file(QStringLiteral("first.pdf")));
    const QString first = t.doc->curPDFUUID()->UUIDString();
    t.doc->locationChunkChanged(t.lines[0]);
    EXPECT_EQ(t.lines[0]->pdfLocation().dictionary().at(QStringLiteral("uuid")).toString(), first);

    // Another PDF shown: editing the line again keeps its file.
    t.doc->pdfFileDropped(file(QStringLiteral("second.pdf")));
    EXPECT_NE(t.doc->curPDFUUID()->UUIDString(), first);
    EXPECT_EQ(t.doc->pdfFiles()->count(), 2);
    t.doc->locationChunkChanged(t.lines[0]);
    EXPECT_EQ(t.lines[0]->pdfLocation().dictionary().at(QStringLiteral("uuid")).toString(), first);
    EXPECT_TRUE(TSBookmarkList::sameLocation(t.doc->pdfFiles()->urlForUUIDString(first), Url::make(QUrl::fromLocalFile(dir.filePath(QStringLiteral("first.pdf"))).toString())));
}
