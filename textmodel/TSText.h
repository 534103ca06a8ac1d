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
// itemWithUUID keeps an index of the tree, rebuilt when the tree's
// structure changed and checked on every hit, so restoring many rows is not
// quadratic. Main thread only.

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

    // Values are strings or VDNewArray containers (as ts::Value objects).
    ts::ValueDictionary& information() { return information_; }
    const ts::ValueDictionary& information() const { return information_; }
    void setInformation(ts::ValueDictionary information) { information_ = std::move(information); }
    // The container under "Cast List", stored there first when missing.
    VDNewArrayPtr castList();

    ts::Value serialize() const override;
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
    // The node above at the same depth, looking back at most one parent.
    static TSChunkPtr chunkAbove(const TSChunkPtr& node);
    using TSChunk::childNames;
    static QStringList childNames(const TSChunkPtr& node);
    // The node itself when its name matches (lower case), else its first
    // child whose name equals or ends with the name.
    static TSChunkPtr matchName(const QString& name, const TSChunkPtr& node);
    // The value of the first entry, in the given order, whose key the
    // given key ends with, or an entry "prologus" when the key contains
    // "prologue".
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
    void markFoundNotesForIdentifier(const QString& identifier, FootnoteList& footnotes) const;
    void markFoundNotes(FootnoteList& footnotes) const;

private:
    TSChunkPtr linearSearch(const QUuid& uuid) const;
    void rebuildIndex() const;

    ts::ValueDictionary information_;
    // What a file held that this program does not read.
    ts::ValueDictionary keptOuter_;
    ts::ValueDictionary keptInformation_;

    mutable QHash<QUuid, std::weak_ptr<TSChunk>> uuidIndex_;
    mutable quint64 indexGeneration_ = ~quint64(0);
};
