#pragma once
// The node a document stores: a line of the parallel text (its Latin, the
// user's English, an imported translation and its location, with an optional
// place in a facsimile PDF) or, with children, a header with its own texts.
//
// The four texts are saved as RTF data under "Latin", "English",
// "Perseus English" and "Location"; "pdfLocation" is kept as it was given.
// Texts are read from the file on first use and written back unchanged when
// nobody changed them; text that cannot be read is kept, see
// TSRichTextField. Columns are also reachable by the keys "latin",
// "english", "perseusEnglish" and "location". Main thread only.

#include "TSChunk.h"
#include "TSRichTextField.h"

class TSMatchedChunk;
using TSMatchedChunkPtr = std::shared_ptr<TSMatchedChunk>;

class TSMatchedChunk : public TSChunk {
    TS_OBJECT(TSMatchedChunk, TSChunk)

public:
    TSMatchedChunk() = default;

    ts::AttributedStringPtr english() const { return english_.get(QStringLiteral("English"), this); }
    void setEnglish(ts::AttributedStringPtr text) { english_.set(std::move(text)); }
    ts::AttributedStringPtr perseusEnglish() const { return perseusEnglish_.get(QStringLiteral("Perseus English"), this); }
    void setPerseusEnglish(ts::AttributedStringPtr text) { perseusEnglish_.set(std::move(text)); }
    ts::AttributedStringPtr latin() const { return latin_.get(QStringLiteral("Latin"), this); }
    void setLatin(ts::AttributedStringPtr text) { latin_.set(std::move(text)); }
    ts::AttributedStringPtr location() const { return location_.get(QStringLiteral("Location"), this); }
    void setLocation(ts::AttributedStringPtr text) { location_.set(std::move(text)); }
    // "uuid" (the PDF's bookmark), "pageNumber", "locationInWindow" {"x","y"};
    // null when the line has no place in a PDF.
    const ts::Value& pdfLocation() const;
    void setPdfLocation(const ts::Value& location);

    // Whether any column holds data that could not be read as rich text
    // (and is kept as it was).
    bool hasUnreadableText() const;
    // Link targets in a column's stored data that could not be read (and is
    // kept as it was); empty for a readable column.
    QStringList keptLinkTargetsForKey(const QString& key) const;

    QString chunkName() const override;
    bool isLine() const override { return numChildren() == 0; }
    qint64 tln() const override;
    // The number column's text: the line number, counted within the section
    // when asked, with a red background when flagged; the location itself
    // when the line has no number.
    ts::AttributedStringPtr displayLocation(bool countWithinSection) const;
    bool hasText() const override;
    qint64 wordCount() const override;
    qint64 englishWordCount() const override;
    void addTextContent(QString& content) const override;

    // Copies of the node and everything below it.
    void copyLatinText(ts::AttributedString& into) const;
    void copyEnglishText(ts::AttributedString& into) const;
    ts::AttributedStringPtr copyText(bool latin) const;
    ts::AttributedStringPtr latinStringOutput() const override;
    ts::AttributedStringPtr copyInterlinear() const;

    // Memory aid: hide the Latin in its background colour (or show it
    // again), for this node and everything below; reveal the next word.
    void coverText(bool cover);
    void uncoverOne();

    // Puts a vowel-length variant of a word in place of the range.
    void chooseMacronVariant(const QString& variant, ts::TextRange range);

    void magnify(float factor) override;
    static ts::AttributedStringPtr magnifyString(const ts::AttributedStringPtr& text, float factor);

    ts::AttributedStringPtr textForKey(const QString& key) const override;
    void setTextForKey(const ts::AttributedStringPtr& text, const QString& key) override;
    void setTextForKey(ts::AttributedStringPtr&& text, const QString& key);
    bool mayHaveLinksForKey(const QString& key) const override;

    std::optional<quint32> writeTo(ts::BinaryPropertyListWriter& writer) const override { return writeNode(writer); }
    void importFromDictionary(const ts::Value& dictionary) override;

    // The two halves of the RTF conversion of one text.
    static void setAttributedString(const ts::AttributedStringPtr& text, const QString& key, ts::ValueDictionary& dictionary);
    static ts::AttributedStringPtr readAttributedStringForKey(const QString& key, const ts::Value& dictionary);

protected:
    void forEachEntry(const EntrySink& put) const override;

private:
    const TSRichTextField* fieldForKey(const QString& key) const;

    TSRichTextField english_;
    TSRichTextField perseusEnglish_;
    TSRichTextField latin_;
    TSRichTextField location_;
};
