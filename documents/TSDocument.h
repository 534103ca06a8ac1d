#pragma once
// The parallel-text document: one text tree of sections and lines with its
// footnotes, vocabulary, base font attributes and the PDF files that serve
// as its page facsimile.
//
// File form: a binary property list whose root dictionary holds
// "Keyed Window position" (keyed archive of the window's frame), "Text" (the
// tree's dictionary form), "Vocab List" (the vocabulary's archive),
// "Font attributes" (keyed archive of the base attributes), "Footnotes" (the
// archive of the footnotes the text still links to), "pdfURL" (bookmark data
// of the current PDF), "pdfFiles" (the bookmark list) and "uuid" (canonical
// text). Every key is optional on reading.
//
// Reading refuses what it cannot take rather than opening it empty: bytes
// that are not a property list, a root that is not a dictionary, or a "Text"
// that names no readable tree fail with an error, so autosave never writes an
// empty document over the user's file. Everything else missing gets its
// default (one empty line, no footnotes, a new uuid).
//
// "Vocab List", "Footnotes" and "Font attributes" that cannot be read keep
// their bytes, which the next save writes back unchanged.
//
// Saving archives a copy of the footnotes purged of notes the text no longer
// links to; the open document keeps them all.
//
// This part links QtCore only; the window (outline, location column, rows)
// lives in the documents GUI library and reaches the document through the
// window factory it installs. Main thread only.

#include "platform/Document.h"
#include "platform/NotificationCenter.h"
#include "platform/Url.h"
#include "platform/Uuid.h"
#include "platform/AttributedString.h"
#include "platform/Value.h"

#include <QRectF>

#include <functional>
#include <memory>
#include <optional>

class TSText;
class TSChunk;
class FootnoteList;
class FootnoteObject;

class WordController;
class TSBookmarkList;
using TSTextPtr = std::shared_ptr<TSText>;
using FootnoteListPtr = std::shared_ptr<FootnoteList>;
using WordControllerPtr = std::shared_ptr<WordController>;
using TSBookmarkListPtr = std::shared_ptr<TSBookmarkList>;
using TSChunkPtr = std::shared_ptr<TSChunk>;
using FootnoteObjectPtr = std::shared_ptr<FootnoteObject>;

class TSDocument;
using TSDocumentPtr = std::shared_ptr<TSDocument>;

class TSDocument : public ts::Document {
public:
    static const QString kTypeName;        // "TSDocument"
    static const QString kFileExtension;   // "tsdx"
    static const QString kAddWordForm;     // "Add word form"
    static const QString kVocabChanged;    // "Vocab Changed"
    // Posted with the document as sender when its whole text was replaced
    // or changed outside its window; the window shows it anew.
    static const QString kTextReplaced;

    // The window layer: makes and shows a document's window.
    using WindowFactory = std::function<void(const TSDocumentPtr& document)>;
    static void setWindowFactory(WindowFactory factory);

    // Registers every class a document file's archives name (platform value
    // classes, rich text, the text tree, footnotes, bookmarks). Called by the
    // constructor, so it has happened before any document reads.
    static void registerClasses();
    // The document type "TSDocument" with its extension; a file of another
    // name opens as one when isDocumentData takes its bytes.
    static void registerDocumentType(ts::DocumentController& controller);
    // Whether the bytes are a property list whose root dictionary holds a
    // document: a "Text" dictionary, or two or more of the file's keys.
    static bool isDocumentData(const QByteArray& data);

    TSDocument();
    ~TSDocument() override;

    // Document machinery.
    bool readFromData(const QByteArray& data, const QString& typeName, ts::DocumentError* error) override;
    std::optional<QByteArray> dataOfType(const QString& typeName, ts::DocumentError* error) const override;
    void makeWindowControllers() override;
    void showWindows() override;
    static QString windowNibName() { return kTypeName; }

    // Fills the document from property-list bytes; the parser's or the
    // tree's error, empty on success. On error nothing of the document is
    // changed.
    QString importFromPListFormat(const QByteArray& data);
    // The file's root dictionary.
    ts::ValueDictionary serialize() const;
    // Binary property-list bytes of serialize(), written without building
    // it; empty (logged) on failure.
    QByteArray exportToPListFormat(QString* error) const;
    // Drops everything the document holds.
    void cleanup();

    // Properties. text(), footnotes(), pdfFiles() and uuid() are made on
    // first use; vocabList() too, and making it leaves the document unedited.
    TSTextPtr text() const;
    void setText(TSTextPtr text);
    FootnoteListPtr footnotes() const;
    void setFootnotes(FootnoteListPtr footnotes);
    WordControllerPtr vocabList();
    WordControllerPtr vocabListIfAny() const { return vocabList_; }
    TSBookmarkListPtr pdfFiles() const;
    ts::Uuid uuid() const;
    QString englishIdentifier() const { return englishIdentifier_; }
    void setEnglishIdentifier(const QString& identifier);
    const ts::ValueDictionary& baseFontAttributes() const { return baseFontAttributes_; }
    // Setting them gives up the bytes of stored attributes that could not be
    // read; until then those bytes are written back unchanged.
    void setBaseFontAttributes(ts::ValueDictionary attributes) {
        baseFontAttributes_ = std::move(attributes);
        unreadableFontAttributes_.clear();
    }
    QByteArray pdfBookmark() const { return pdfBookmark_; }
    void setPdfBookmark(const QByteArray& bookmark) { pdfBookmark_ = bookmark; }

    // The window's frame in screen coordinates, kept by the window layer and
    // saved under "Keyed Window position" (the zero rectangle without one).
    QRectF windowFrame() const { return windowFrame_; }
    void setWindowFrame(const QRectF& frame) { windowFrame_ = frame; }
    // The frame the file stored, until the window has taken it.
    std::optional<QRectF> takeSavedWindowFrame();
    const ts::Value& savedData() const { return savedData_; }

    // An undo step that puts the text and footnotes back as they are now
    // (and forward again on redo): for edits that change the whole tree.
    void registerUndoSnapshot(const QString& name);
    // Tells the windows (kTextReplaced) that setText gave the document a new
    // tree. The tree it replaced is kept until then (replacedText()), so a
    // window can read where its reader was in it.
    void textReplaced();
    const TSTextPtr& replacedText() const { return replacedText_; }
    // Posts "Add word form" with the word; nothing for an empty word.
    void addWordForm(const QString& word);
    // Replaces this document's entry in the search index.
    void indexForSpotlight() const;

    // --- Footnotes (TSDocumentAnnotations.cpp) ---
    // A new note linked at `position` of a node's column ("latin",
    // "english", ...), titled with the selected texts joined by "..."; the
    // column's markers are renumbered and the document marked edited.
    FootnoteObjectPtr addFootnote(const TSChunkPtr& chunk, const QString& identifier, qsizetype position,
                                  const QStringList& selectedTexts = {});
    // Links an existing note at `position`, then renumbers the column.
    bool linkFootnote(const FootnoteObjectPtr& note, const TSChunkPtr& chunk, const QString& identifier,
                      qsizetype position);
    // Numbers the column's markers 1, 2, ... in reading order (a note linked
    // again keeps its number); answers the nodes rewritten.
    std::vector<TSChunkPtr> renumberFootnotes(const QString& identifier, bool forExport = false);
    // The first link run at or after the end of `range`: its value and range.
    static bool findNextLink(ts::Value& link, ts::TextRange& range, const ts::AttributedString* text);
    // A copy for the clipboard: each footnote marker becomes "(n)", numbered
    // from 1 per link, and after a blank line each note follows as
    // "n. text". Other links keep their words and lose the link.
    ts::AttributedString resolveFootnotes(const ts::AttributedString& text) const;

    // --- PDF facsimile ---
    // The URL of the current PDF; null without one or when it does not
    // resolve (reported).
    ts::UrlPtr pdfURL() const;
    // The uuid of the current PDF's entry in pdfFiles, made when missing;
    // null without a current PDF.
    std::shared_ptr<ts::Uuid> curPDFUUID();
    // A line's location was dropped or edited: a new PDF location is stamped
    // with the current PDF's uuid; one that has a uuid keeps it.
    void locationChunkChanged(const TSChunkPtr& chunk);
    // A PDF dropped on this document's viewer becomes its current PDF.
    void pdfFileDropped(const ts::UrlPtr& url);

    // Observers of other objects' notifications; they end with the document.
    void registerForNotifications();
    bool isObserving() const { return vocabObserver_.isActive(); }

private:
    // The root dictionary but its text.
    ts::ValueDictionary entriesBesideText() const;
    mutable TSTextPtr text_;
    mutable FootnoteListPtr footnotes_;
    WordControllerPtr vocabList_;
    mutable TSBookmarkListPtr pdfFiles_;
    mutable std::shared_ptr<ts::Uuid> uuid_;
    ts::Value savedData_;
    QString englishIdentifier_ = QStringLiteral("english");
    ts::ValueDictionary baseFontAttributes_;
    TSTextPtr replacedText_;
    QByteArray unreadableFontAttributes_;
    QByteArray pdfBookmark_;
    QRectF windowFrame_;
    ts::ObserverToken vocabObserver_;
};
