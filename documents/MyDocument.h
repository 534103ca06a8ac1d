#pragma once
// The two-pane document: a Latin text and its English translation, side by
// side, with a page image, footnotes and a vocabulary.
//
// File form: a keyed archive whose root is an array of eight elements: the
// Latin text as RTF, the English text as RTF, the footnote archive (only the
// notes the texts still link to), the vocabulary archive, the window's frame
// (an NSValue rect), the window's saved-frame string, the page image's bytes
// (NSNull when there is none) and the document's uuid string. Arrays of 2 to
// 8 elements are read; what a shorter array lacks keeps its default.
//
// Reading refuses what it cannot take: bytes that are not a keyed archive of
// an array, fewer than two elements, or a text that is not RTF are an error,
// so autosave never writes empty panes over the user's file.
//
// This part links QtCore only; the window keeps the texts while they are
// edited and hands them over (setLatin / setEnglish) before each save.
// Main thread only.

#include "platform/AttributedString.h"
#include "platform/Document.h"
#include "platform/NotificationCenter.h"
#include "platform/Uuid.h"

#include <QRectF>

#include <functional>
#include <memory>
#include <optional>

class FootnoteList;
class WordController;
using FootnoteListPtr = std::shared_ptr<FootnoteList>;
using WordControllerPtr = std::shared_ptr<WordController>;

class MyDocument;
using MyDocumentPtr = std::shared_ptr<MyDocument>;

class MyDocument : public ts::Document {
public:
    static const QString kTypeName;       // "MyDocument"
    static const QString kFileExtension;  // "tsmd"
    static constexpr int kElementCount = 8;

    using WindowFactory = std::function<void(const MyDocumentPtr& document)>;
    static void setWindowFactory(WindowFactory factory);
    static void registerDocumentType(ts::DocumentController& controller);
    // Whether the bytes are a keyed archive of an array whose first two
    // elements are data.
    static bool isDocumentData(const QByteArray& data);

    MyDocument();
    ~MyDocument() override;

    bool readFromData(const QByteArray& data, const QString& typeName, ts::DocumentError* error) override;
    std::optional<QByteArray> dataOfType(const QString& typeName, ts::DocumentError* error) const override;
    void makeWindowControllers() override;
    static QString windowNibName() { return kTypeName; }

    // Fills the document from archive bytes; the reason it cannot, empty on
    // success. A refused file leaves the document as it was.
    QString loadFromArchive(const QByteArray& data);
    // The archive of the eight elements; empty (logged) on failure.
    QByteArray archive(QString* error = nullptr) const;

    // The texts as last handed over by the window. Read texts come in the
    // standard text colour, whatever colours they were saved with.
    const ts::AttributedString& latin() const { return latin_; }
    const ts::AttributedString& english() const { return english_; }
    void setLatin(ts::AttributedString text) { latin_ = std::move(text); }
    void setEnglish(ts::AttributedString text) { english_ = std::move(text); }

    // Never null: setting null installs an empty list.
    FootnoteListPtr footnotes() const { return footnotes_; }
    void setFootnotes(FootnoteListPtr footnotes);
    WordControllerPtr vocabList() const { return vocabList_; }
    void setVocabList(WordControllerPtr list);

    QByteArray imageData() const { return imageData_; }
    void setImageData(const QByteArray& data) { imageData_ = data; }
    ts::Uuid uuid() const;
    void setUuid(std::shared_ptr<ts::Uuid> uuid) { uuid_ = std::move(uuid); }
    QRectF windowFrame() const { return windowFrame_; }
    void setWindowFrame(const QRectF& frame) { windowFrame_ = frame; }
    QString savedFrameString() const { return savedFrame_; }
    void setSavedFrameString(const QString& s) { savedFrame_ = s; }

    // Marks found every footnote a footnote link of either text names, after
    // marking all unfound.
    void markFoundNotes() const;
    // The Latin without diacritics, a line end, the English.
    QString textContent() const;
    // Replaces this document's own item in the search index.
    void indexForSpotlight() const;

    // "Vocab Changed" from the vocabulary window over this document's list
    // and "text attributes changed" from one of its own panes mark it
    // edited; other documents' notifications leave it alone.
    void registerForNotifications(const std::function<bool(const void* sender)>& ownsPane = {});
    void cleanup();

private:
    ts::AttributedString latin_;
    ts::AttributedString english_;
    FootnoteListPtr footnotes_;
    WordControllerPtr vocabList_;
    QByteArray imageData_;
    mutable std::shared_ptr<ts::Uuid> uuid_;
    QRectF windowFrame_;
    QString savedFrame_;
    ts::ObserverToken vocabObserver_, attributesObserver_;
};

// Footnote helpers over rich text, shared by the panes and printing.
namespace FootnoteText {

// Every footnote link of the text in order: the link's id and its range.
struct Link {
    QString id;
    ts::TextRange range;
};
std::vector<Link> footnoteLinks(const ts::AttributedString& text);
// A marker: open delimiter, the number (or "*" below 1), close delimiter.
QString marker(qint64 number);
// Numbers the footnote markers in text order from 1; a footnote linked again
// keeps its first number. With forExport the new markers are not linked.
// Links to unknown notes are left as they are. Answers whether anything
// changed.
bool renumber(ts::AttributedString& text, FootnoteList& notes, bool forExport);
// The text with its markers numbered for export, unlinked, followed by
// "\n\nFootnotes" and each note once, in number order.
ts::AttributedString resolveForCopy(const ts::AttributedString& text, FootnoteList& notes);

}  // namespace FootnoteText
