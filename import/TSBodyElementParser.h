#pragma once
// Turns the body of a TEI source into the text tree of a new document under
// the user's element settings: books (TSText), sections and text sections
// (TSMatchedChunk), and one footnote list per book. Run without settings it
// is the survey of the body: the element names met inside "body", their
// attribute sets and sample texts.
//
// Result (data() after a parse): "Elements", "Attribute Elements",
// "Data Elements", "Attributes Dictionary" (name to array of attribute
// dictionaries), "Strings Dictionary" (name to array of rich-text samples,
// at most kMaxSamplesPerElement each), and for a conversion "Books" (array of
// TSText) and, once a footnote was started, "TheFootnote" (array, one
// dictionary of footnote id to FootnoteObject per book; the typed lists are
// footnoteLists()). Text that found no book or section to hold it is counted:
// "Passages Not Placed" holds the number (only when N > 0). So is text that
// the settings throw away (an element ignored or without a record, the own
// words of an element that a string replaces, a book element's loose text;
// a name taken from it is not lost): "Passages Dropped". "Report" then says
// both, e.g. "2 passages not placed; 1 passage dropped by the element
// settings (bibl 1)".
//
// A milestone inside a verse ("l"), or one without "n" inside any element
// that makes text sections, keeps only a blank between the words around it,
// whatever its record says, unless it queues locations.
//
// A book without a name of its own is named "Book N" by its place. Words of
// a book that come before its first section (a chapter without a section
// mark) go into a section of their own at that place in the book, never
// into the book before.
//
// Inside a note, an element that would make a section or a line adds its
// words to the footnote instead, in place, a blank apart from the words
// around it.
//
// A note is a footnote wherever it stands (first in its line too); its link
// "[n]" stands where it stood: after the line before it when it stands
// between the lines of a section, before the first line when it stands
// before that.
//
// A document that cannot be read whole gives no result (see TSElementParser).
//
// The conversion reads a copy of the settings taken by setElementArray, so
// edits to the records meanwhile do not reach it; the ancestor paths it finds
// are added to the records it was given (under their own lock).
//
// One parse per object, on one thread (the importer runs it off the main
// thread). Progress goes to the delegate at most every 0.2 seconds, on the
// parsing thread.

#include "import/TSElementParser.h"
#include "import/TSImportElement.h"
#include "platform/AttributedString.h"
#include "platform/Font.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <QHash>

#include <memory>
#include <string>
#include <vector>

class BodyImporterProtocol {
public:
    virtual ~BodyImporterProtocol() = default;
    virtual void reportProgress(float fraction) = 0;
};

class TSBodyElementParser : public TSElementParser {
    TS_OBJECT(TSBodyElementParser, TSElementParser)

public:
    static constexpr int kMaxSamplesPerElement = 500;

    TSBodyElementParser() = default;

    // "perseusEnglish" for a translation, else "latin": a translation is a
    // file whose base name ends in "_eng" or in "eng" and digits (the
    // library's "...perseus-eng2"), or, failing that, whose header names
    // English as its first language.
    static QString identifierForSource(const QUrl& url);
    // "latin", or "perseusEnglish" for a translation. Read while unset it is
    // logged and becomes "latin".
    QString curIdentifier();
    void setCurIdentifier(const QString& identifier) { curIdentifier_ = identifier; }
    // Takes a snapshot of the settings; null makes the parse a survey.
    void setElementArray(const TSElementArrayPtr& elements);
    TSElementArrayPtr elementArray() const { return settings_; }
    void setDelegate(std::weak_ptr<BodyImporterProtocol> delegate) { delegate_ = std::move(delegate); }


    const std::vector<TSTextPtr>& texts() const { return books_; }
    TSTextPtr curText() const { return books_.empty() ? nullptr : books_.back(); }
    const std::vector<FootnoteListPtr>& footnoteLists() const { return noteStack_; }
    FootnoteListPtr curFootnoteList();
    qint64 passagesNotPlaced() const { return unplaced_; }
    // Passages of text that the settings threw away (an ignored element, one
    // without a record, an element whose words a string replaces).
    qint64 passagesDropped() const { return dropped_; }
    float numLines() const { return numLines_; }
    qsizetype beginStringsIndex() const;
    static const QSet<QString>& conditionallyAddableElements();

    // --- text rules -------------------------------------------------------
    static ts::FontPtr baseFont();
    static ts::FontPtr noteFont();
    static ts::FontPtr baseItalicFont();
    static ts::FontPtr noteItalicFont();
    // Plain-text attributes; the note font while a "note" element is open.
    // One set each, shared by every run of every text a conversion makes.
    const ts::AttributeSet& baseAttributes() const;
    static const ts::AttributeSet& plainAttributes();
    static const ts::AttributeSet& noteAttributes();

    ts::AttributedStringPtr lastStackString() const;
    ts::AttributedStringPtr prevStackString() const;
    void setLastStackString(const ts::AttributedStringPtr& text);
    void appendToStackString(const QString& text);
    void appendToStackString(const ts::AttributedString& text);
    void appendToPreviousString(const QString& text);
    void appendToPreviousString(const ts::AttributedString& text);

    // The prepared copy of a text under an element's settings (setting may be
    // null): trimmed, blanks collapsed, line breaks turned into blanks,
    // insert and prepend strings added, formatted.
    ts::AttributedStringPtr trimAttributedString(const ts::AttributedString& text, const TSImportElement* setting) const;
    ts::AttributedStringPtr trimmedAttributedString(const TSImportElement* setting) const;
    // The template with each "{attr}" replaced by that attribute of the
    // current element (nothing when it has none).
    QString insertTags(const QString& templateString) const;
    void handleHighlight();
    void convertForeignStrings();
    static QString trimGarbage(const QString& string);
    // Whether the text holds a line-break mark ("|" or U+2B90).
    static bool holdsBreakMark(const QString& text);
    void setCurTextChunk(const TSMatchedChunkPtr& chunk);
    TSMatchedChunkPtr curTextChunk() const { return curTextChunk_; }

    // --- parser events -----------------------------------------------------
    void reset() override;
    void parserDidStartElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                               const QString& qualifiedName, const ts::XMLAttributes& attributes) override;
    void parserFoundCharacters(ts::XMLEventParser& parser, const QString& characters) override;
    void parserDidEndElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                             const QString& qualifiedName) override;
    void parserDidEndDocument(ts::XMLEventParser& parser) override;

protected:
    ts::ValueDictionary buildResult() const override;
    // The stored result with the attribute sets added: they are kept in a
    // compact form, not as a dictionary per set beside the caller's copy.
    ts::Value data() const override;
    void willParseFile(const QUrl& url, const QByteArray& bytes, bool readable) override;

private:
    // What the converter keeps per element name, found by the address of the
    // name's characters: the reader hands every occurrence of a name as the
    // same shared string, so no event hashes a name.
    struct ElementInfo {
        QString name;  // held, so its characters' address stays its own
        const TSImportElement* setting = nullptr;
        TSImportElementPtr original;
        size_t hash = 0;
        bool body = false, note = false, hi = false, milestone = false, line = false;
        bool listed = false, listedWithAttributes = false, holdsText = false;
        // Each attribute set met, in document order: names and values side
        // by side in one list, and where each set ends in it. The result's
        // dictionaries are made from them when the result is asked for.
        std::vector<QString> attributeText;
        std::vector<quint32> attributeEnds;
        std::vector<ts::AttributedStringPtr> samples;
    };
    ElementInfo* infoFor(const QString& name);
    static size_t cacheSlot(const QChar* address);
    const TSImportElement* settingFor(const QString& name) const;
    void reportProgress(ts::XMLEventParser& parser);
    void collectStack(const TSImportElement* setting);

    // start and end of an element's role
    void parseElementToObject(const QString& name);
    // words: whether the element's text is more than white space.
    void parseElementToData(const QString& name, bool words);

    // chunks
    void makeNewBook(const TSImportElement* setting);
    TSMatchedChunkPtr makeNewSection(const TSImportElement* setting);
    TSMatchedChunkPtr makeNewTextSection(const TSImportElement* setting, const QString& elementName);
    // A section without an element of its own, in the open book, for words
    // that come before the book's first section; null outside every book.
    TSMatchedChunkPtr makeLooseSection();
    TSMatchedChunkPtr addNestedMilestone(const TSImportElement* setting, const QString& elementName);
    void removeLastChunkOfType(const TSImportElement* setting);
    TSMatchedChunkPtr lastSection() const;
    void insertName(const TSImportElement* setting, const TSChunkPtr& chunk);
    void setLocation(const TSImportElement* setting, const TSMatchedChunkPtr& chunk);
    void addMilestone(const TSImportElement* setting);
    bool isPlaced(const TSChunkPtr& chunk) const;
    // Whether a child of the chunk is in a book.
    bool isPlacedUnder(const TSChunkPtr& parent) const;
    bool insideLine() const;
    // Whether an "l" element is open around the current element.
    bool insideVerse() const;
    // Counts the buffer's text as thrown away by the settings, when it has
    // words.
    void noteDropped(const QString& name, bool words);
    // Whether the buffer's text prepares to nothing under the setting.
    bool preparesToNothing(size_t index, const TSImportElement* setting) const;

    // storing text
    void finishPreviousSection();
    void appendToTextElement(const QString& elementName);
    // Prepares the current buffer under the element's setting and stores it.
    void storeBuffer(const QString& elementName);
    // The buffer as rich text, taken out of the stack (which holds none then).
    ts::AttributedStringPtr takeBuffer(size_t index);
    void storePrepared(ts::AttributedStringPtr text, const QString& elementName);
    void storeCurrentText(const QString& name, const TSImportElement* setting);
    void makeNewSubsection(const TSImportElement* setting, const QString& name);
    void appendInPlace(const TSImportElement* setting);
    void prepareInPlace(ts::AttributedString& text, const TSImportElement* setting) const;

    // footnotes
    void makeNewFootnote(const TSImportElement* setting);
    void insertFootnoteLink();
    void finishFootnote();
    // Whether a note is open among the first `depth` open elements (the
    // current element is the last), the nearest subsection ending the search.
    bool inNote(size_t depth) const;

    // The "Attributes Dictionary" of the result.
    ts::Value attributesDictionary() const;
    QString currentAttribute(const QString& name) const;

    float numLines_ = 0;
    // The open elements, outermost first.
    std::vector<ElementInfo*> infoStack_;
    // The setting of each open element, looked up once when it opens.
    std::vector<const TSImportElement*> settingStack_;
    std::vector<size_t> pathHashes_;
    int bodyDepth_ = 0;
    int noteDepth_ = 0;
    // One buffer per open body element: rich text (made on first need) and
    // after it plain text in the base or note attributes not yet added to
    // it, so that each piece of character data does not copy attributes.
    // The plain buffers are kept per depth, at least as many as elements
    // are open, and reused: plain character arrays, which keep their room
    // when emptied and take each piece of character data without the
    // bookkeeping of a shared string.
    mutable std::vector<ts::AttributedStringPtr> stackStrings_;
    mutable std::vector<std::u16string> pending_;
    mutable std::vector<char> pendingInNote_;
    const ts::AttributedStringPtr& bufferAt(size_t index) const;
    // A buffer's characters, without making it rich text.
    QString bufferText(size_t index) const;
    // Whether any of them passes the test, without joining them.
    template <class Test> bool bufferHas(size_t index, Test test) const;
    void appendPlain(size_t index, const QString& text);
    void pushBuffer();
    void popBuffer();
    void clearBuffer(size_t index, ts::AttributedStringPtr with = nullptr);
    // The attributes of each open body element, where the survey keeps them
    // (no list for an element without any).
    struct OpenAttributes {
        const std::vector<QString>* list = nullptr;
        quint32 begin = 0, end = 0;
    };
    std::vector<OpenAttributes> attributeStack_;
    // Attribute values repeat (line numbers, types, languages): a value met
    // before is kept as the string already held, so the sets share their
    // strings instead of each holding one of its own. Past the cap (texts
    // whose values are all different, such as ids) values are kept as read.
    static constexpr qsizetype kMaxSharedValues = 4096;
    QSet<QString> attributeValues_;
    QString sharedValue(const QString& value);
    QStringList milestoneQueue_;
    std::vector<bool> sectionStack_;
    std::vector<TSChunkPtr> chunkStack_;
    std::vector<FootnoteListPtr> noteStack_;
    bool noteStackMade_ = false;
    TSMatchedChunkPtr curTextChunk_;  // also held by the tree
    // The last text section made in the current section, which a note
    // standing after it, between the lines, links from.
    TSMatchedChunkPtr lastLine_;
    // The links of notes that stood before the first line of a section,
    // waiting for its first text.
    ts::AttributedString pendingLink_;
    void storePendingLink(const QString& elementName);
    // Whether the current text section is in a book, when known from its
    // making (chunks never move while a conversion makes them).
    bool curTextPlaced_ = false, curTextPlacedKnown_ = false;
    // What the converter knows of the current text section without asking
    // it: whether text was stored in it, and whether that text may hold a
    // line-break mark.
    bool curTextStored_ = false;
    bool curTextMarks_ = false;
    // The parent of the last chunk asked about, and whether it belongs to a
    // book; chunks never move while a conversion makes them.
    mutable TSChunkPtr placedChunk_;  // held, so its address is not reused
    mutable bool placedAnswer_ = false;
    FootnoteObjectPtr curFootnote_;
    ts::AttributedString curFootnoteText_;
    // A chunk waiting for its name from a child element, and the place in
    // sectionStack_ of the element that made it.
    struct PendingName {
        TSChunkPtr chunk;
        size_t level = 0;
    };
    QHash<QString, PendingName> incompleteChunkDict_;
    // Whether the element at `child` (a place in sectionStack_) belongs to
    // the chunk made at `level`, no chunk being made in between.
    bool ownsChild(size_t level, size_t child) const;
    QString curIdentifier_;
    ts::AttributedString postpendString_;
    std::vector<TSTextPtr> books_;
    qint64 unplaced_ = 0;
    qint64 dropped_ = 0;
    QHash<QString, qint64> droppedByElement_;

    TSElementArrayPtr given_;
    TSElementArrayPtr settings_;
    QHash<QString, const TSImportElement*> settingByName_;
    QHash<QString, TSImportElementPtr> originalByName_;
    QSet<size_t> seenPaths_;
    size_t lastPath_ = 0;
    std::weak_ptr<BodyImporterProtocol> delegate_;

    // survey of the body, per element name
    std::vector<std::unique_ptr<ElementInfo>> infos_;
    QHash<QString, ElementInfo*> infoByName_;
    std::vector<std::pair<const QChar*, ElementInfo*>> infoByAddress_;
    // A direct-mapped cache in front of that list.
    std::pair<const QChar*, ElementInfo*> infoCache_[256] = {};
    std::vector<QString> heldNames_;
};
