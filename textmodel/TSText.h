#pragma once
// The root of a document's text tree.
//
// It carries the text's information (the cast list of a play under
// "Cast List", the bibliographic fields "author", "editor", "publisher",
// "title"), gives the tree the form the document file stores under "Text",
// re-links the tree after reading, and offers the walks in reading order
// (pre-order: a node, then its children) that editing, numbering, footnotes
// and alignment are built on.
//
// File form: "uuid", "Information" (strings as they are, containers as their
// member arrays), "ClassName" = "TSText", and "Text": the root's own node
// form, whose "Children" hold the whole tree. The root's name and flag are
// read back from inside "Text" (and from the outer dictionary, for files
// that put them there). Information values of other kinds that a file holds
// are logged and kept as they were.
//
// Footnote links: the operations that find link runs in one text column of
// the whole tree, write footnote markers, number footnotes in reading order
// and mark the footnotes the text still links to.
//
// itemWithUUID keeps an index of the tree, built on first use and kept up
// to date as nodes are added, removed, moved or given another uuid through
// the tree's own operations, and checked on every hit, so restoring many
// rows after an edit is not quadratic. Main thread only.

#include "TSChunk.h"

#include <QHash>
#include <QUuid>

#include <utility>
#include <vector>

class FootnoteList;
class TSText;
using TSTextPtr = std::shared_ptr<TSText>;

class TSText : public TSChunk {
    TS_OBJECT(TSText, TSChunk)

public:
    TSText() = default;
    TSText* asText() override { return this; }

    // Values are strings or VDNewArray containers (as ts::Value objects).
    ts::ValueDictionary& information() { return information_; }
    const ts::ValueDictionary& information() const { return information_; }
    void setInformation(ts::ValueDictionary information) { information_ = std::move(information); }
    // The container under "Cast List", stored there first when missing.
    VDNewArrayPtr castList();

    ts::Value serialize() const override;
    std::optional<quint32> writeTo(ts::BinaryPropertyListWriter& writer) const override;
    void importFromDictionary(const ts::Value& dictionary) override;
    // Reads a whole text; null unless the dictionary names a root.
    static TSTextPtr textFromDictionary(const ts::Value& dictionary);

    // Sets the parent link of every node below the node.
    static void insertParent(const TSChunkPtr& node);
    // The node after `node` in reading order; null after the last.
    static TSChunkPtr nextChunk(const TSChunkPtr& node);
    static TSChunkPtr closestSiblingOrUncle(const TSChunkPtr& node);
    // The first node in reading order, the root included, with that uuid.
    TSChunkPtr itemWithUUID(const TSUuidPtr& uuid) const;
    TSChunkPtr itemWithUUID(const QUuid& uuid) const;
    // Index upkeep, called by the nodes below as the tree changes: a node
    // and everything under it came or went, a node's uuid changed, or the
    // tree changed too broadly to follow. Nothing to do while no index is
    // built.
    bool hasIndex() const { return indexBuilt_; }
    void indexNodes(const TSChunkPtr& node) const;
    void unindexNodes(const TSChunk& node) const;
    void reindexNode(const QUuid& old, const TSChunkPtr& node) const;
    void dropIndex() const;
    // The node above at the same depth, looking back at most one parent.
    static TSChunkPtr chunkAbove(const TSChunkPtr& node);
    using TSChunk::childNames;
    static QStringList childNames(const TSChunkPtr& node);
    // The node itself when its name matches (lower case), else
    // matchChildName.
    static TSChunkPtr matchName(const QString& name, const TSChunkPtr& node);
    // The node's first child of that name (lower case), else its first
    // child whose name ends with the name.
    static TSChunkPtr matchChildName(const QString& name, const TSChunkPtr& node);
    // The value of the entry of the very key, else of the first entry, in
    // the given order, whose key the given key ends with, or an entry
    // "prologus" when the key contains "prologue".
    static TSChunkPtr findChunkWithKey(const QString& key,
                                       const std::vector<std::pair<QString, TSChunkPtr>>& dictionary);

    // --- footnote links in one column ("latin", "english", "perseusEnglish") ---

    // The first link run at or after the end of `range` in the node's column.
    bool findNextLinkInChunk(ts::Value& link, ts::TextRange& range, const TSChunkPtr& chunk,
                             const QString& identifier) const;
    // As above, moving on through the tree in reading order (the range
    // starting again at {0, 0} in each node) until a link is found.
    bool findNextLinkFromChunk(ts::Value& link, ts::TextRange& range, TSChunkPtr& chunk,
                               const QString& identifier) const;
    // As above, for footnote links only; `footnoteId` is the link's id.
    bool findNextFootnote(QString& footnoteId, ts::TextRange& range, TSChunkPtr& chunk,
                          const QString& identifier) const;
    // The attributes of all runs of the text merged, later runs winning
    // (the range is not consulted); empty for a null text.
    static ts::Attributes getAttributesAroundRange(ts::TextRange range, const ts::AttributedString* text);
    // Makes the range a footnote link run in the footnote link style.
    static void linkText(ts::AttributedString& text, const QString& footnoteId, ts::TextRange range);
    // Writes a marker ("[n]", or "[*]" below 1) in place of the range, linked
    // to the footnote when an id is given; answers the marker's range.
    ts::TextRange insertURL(const QString& footnoteId, qint64 number, ts::TextRange range, const TSChunkPtr& chunk,
                            const QString& identifier);
    // Numbers the column's footnotes 1, 2, 3 ... in reading order and
    // rewrites every marker; answers the nodes rewritten with links (none
    // when exporting).
    std::vector<TSChunkPtr> reunumberFootnotes(FootnoteList& footnotes, const QString& identifier, bool forExport);
    void markFoundNotes(FootnoteList& footnotes) const;

    // Editing, output, paste, line numbering and alignment.
    // (TSTextEditing.cpp, TSTextOutput.cpp, TSTextLineNumbering.cpp,
    // TSTextAlignment.cpp, TSTextConversion.cpp.) Every move sets the parent
    // link of each node it moves; the caller reloads its outline afterwards.

    // Outline commands on a row's node.
    void promoteRow(const TSChunkPtr& node);
    void demoteRow(const TSChunkPtr& node);
    void deleteChunk(const TSChunkPtr& node);
    // Merges a node into the node above it (chunkAbove); see the .cpp.
    void mergeChunk(const TSChunkPtr& node, const TSChunkPtr& above);

    // Renumbers the lines after a line with a positive number, within its
    // own section only, in the style of the line's own number.
    void renumberFromChunk(const TSChunkPtr& node);
    void renumberFromChunkWithAttributes(const TSChunkPtr& node, const ts::Attributes& attributes, qint64& number);
    // Numbers every node after `node` in its list n + 1, n + 2, ...; writes
    // the last number back; answers the last node numbered, or null.
    TSChunkPtr renumberSiblings(const TSChunkPtr& node, const ts::Attributes& attributes, qint64& number);

    // The Latin of a node and everything below, one text per line that has
    // Latin, acute accents removed and highlights dropped.
    std::vector<ts::AttributedStringPtr> extractLatin(const TSChunkPtr& node) const;
    void addLatinFromChunkToArray(const TSChunkPtr& node, std::vector<ts::AttributedStringPtr>& array) const;
    void addLatinFromChunkToString(const TSChunkPtr& node, ts::AttributedString& into) const;
    // Writes marked texts back into the lines they were taken from, in the
    // same order, keeping each line's footnote and vocabulary links. A text
    // whose length differs from its line's Latin is logged and skipped.
    void loadMacronizedText(const std::vector<ts::AttributedStringPtr>& texts, const TSChunkPtr& node);
    // `cursor` is the index of the next unused text.
    void setLatin(const std::vector<ts::AttributedStringPtr>& texts, size_t& cursor, const TSChunkPtr& node);
    void importMacronizedText(const ts::AttributedStringPtr& text, const TSChunkPtr& node);
    // The pieces of a text between separator characters (any character of
    // `separators`), each with its own attributes.
    static std::vector<ts::AttributedStringPtr> attributedStringArray(const ts::AttributedString& text,
                                                                      const QString& separators);

    // Output.
    static QString lastLine(const QString& text);
    static QString strippedLemma(const QString& text);
    static void addLinesToArray(std::vector<TSChunkPtr>& lines, const TSChunkPtr& node);
    std::vector<TSChunkPtr> lines() const;
    // Ranges of each line's column text laid end to end, in line order.
    std::vector<std::pair<ts::TextRange, TSChunkPtr>> rangeDictionaryForIdentifier(const QString& identifier) const;
    QString textContent() const;
    // The distinct words, diacritics stripped, lower case, stop words left
    // out; sorted.
    QStringList wordSet() const;
    ts::AttributedStringPtr stringOutput(double size) const;
    ts::AttributedStringPtr latinStringOutput() const override;
    void magnify(float factor) override;

    // Paste. hasSubsequentText tells whether a paste at the node would
    // replace text; checkIfOKToPaste asks the user through the current
    // prompter and answers true only for "Delete"; insertAttributedString
    // replaces the node and its later siblings with the pasted paragraphs.
    static bool hasSubsequentText(const TSChunkPtr& node);
    static bool checkIfOKToPaste(const TSChunkPtr& node);
    void insertAttributedString(const ts::AttributedString& text, const TSChunkPtr& node, const QString& identifier);
    // The whole command: asks first when text would be replaced and pastes
    // only when the user agrees; answers whether it pasted.
    bool pasteAttributedString(const ts::AttributedString& text, const TSChunkPtr& node, const QString& identifier);

    // Line numbering of an imported translation section (TSLine and
    // TSMilestone children). Groups hold TSLine nodes.
    using LineGroup = std::vector<TSChunkPtr>;
    void adjustLines(const TSChunkPtr& section);
    TSChunkPtr findLine(const QString& precedingText, const LineGroup& lines, qint64 tln) const;
    static qint64 firstLine(const TSChunkPtr& node);
    TSChunkPtr nextScene(const TSChunkPtr& node) const;
    static bool isScene(const TSChunkPtr& node);
    static void spreadLines(LineGroup& group, qint64 finalBoundary, const TSChunkPtr& section);
    static void reduceLineNumbers(LineGroup& group, qint64 target, const TSChunkPtr& section);
    static void increaseLineNumbers(LineGroup& group, qint64 target, const TSChunkPtr& section);
    static void mergeLine(const TSChunkPtr& line, LineGroup& group, const TSChunkPtr& section);
    static void splitLine(const TSChunkPtr& line, ts::TextRange range, LineGroup& group, const TSChunkPtr& section);
    static std::vector<std::pair<qint64, LineGroup>> lengthDictionary(const LineGroup& group);
    static void insertLineNumbers(const LineGroup& group, qint64 first);

    // Alignment of an imported translation onto this text's lines, into
    // "perseusEnglish", its notes becoming linked footnotes.
    // Translation lines beyond a section's last line are kept as rows of
    // their own at its end (without Latin); lines of sections this text
    // does not have are not inserted. Both are counted.
    using LineParents = std::vector<std::pair<QString, TSChunkPtr>>;
    struct TranslationAlignment {
        qint64 rowsAdded = 0;
        qint64 linesUnmatched = 0;
        TranslationAlignment& operator+=(const TranslationAlignment& o) {
            rowsAdded += o.rowsAdded;
            linesUnmatched += o.linesUnmatched;
            return *this;
        }
    };
    TranslationAlignment importPerseusTranslation(const TSTextPtr& translation, FootnoteList& footnotes);
    TranslationAlignment matchChunk(const TSChunkPtr& destination, const TSChunkPtr& source, FootnoteList& footnotes);
    TranslationAlignment insertLines(const TSChunkPtr& source, const TSChunkPtr& destination, FootnoteList& footnotes);
    static void addLineParentsToDictionary(LineParents& dictionary, const TSChunkPtr& node);
    TranslationAlignment matchUnlinedChunk(const TSChunkPtr& destination, const TSChunkPtr& source);
    void insertNotesFromChunk(const TSChunkPtr& source, const TSChunkPtr& destination, FootnoteList& footnotes);
    bool addNoteToChunk(const TSChunkPtr& note, const TSChunkPtr& destination, FootnoteList& footnotes);
    // A note the line numbers could not place goes on `line` (the line laid
    // at its place), after its words or at the end, and the log says so.
    void addUnplacedNote(const TSChunkPtr& note, const TSChunkPtr& line, FootnoteList& footnotes);
    void addNoteToChunkLemma(const QString& noteText, const TSChunkPtr& line, const QString& lemma, ts::TextRange range,
                             FootnoteList& footnotes, const ts::Attributes& attributes);

    // Conversion of import nodes into stored rows, and matching by number.
    void convertToMatched(float size);
    void extractChunk(const ts::ObjectPtr& item, const TSChunkPtr& destination, const ts::Attributes& baseAttributes,
                      bool isLatin);
    void addLine(const TSChunkPtr& line, const TSChunkPtr& destination, const ts::Attributes& baseAttributes,
                 bool isLatin);
    static ts::AttributedStringPtr addSpeaker(const TSChunkPtr& speaker, const TSChunkPtr& destination,
                                              const ts::Attributes& baseAttributes, bool isLatin);
    static void appendAttributedString(const ts::AttributedStringPtr& piece, const TSChunkPtr& node, bool isLatin);
    static void insertSpeakers(const TSChunkPtr& section);
    void matchLines(const TSChunkPtr& destination, const TSChunkPtr& source);

private:
    // Marks the footnotes one column of one node links to.
    void markFoundNotesInChunk(const TSChunkPtr& chunk, const QString& identifier, FootnoteList& footnotes) const;
    // The "Information" entry: the kept one with the text's own entries over it.
    ts::Value informationValue() const;
    TSChunkPtr linearSearch(const QUuid& uuid) const;
    void rebuildIndex() const;

    ts::ValueDictionary information_;
    // What a file held that this program does not read.
    ts::ValueDictionary keptOuter_;
    ts::ValueDictionary keptInformation_;

    mutable QHash<QUuid, std::weak_ptr<VDData>> uuidIndex_;
    mutable bool indexBuilt_ = false;
};
