#pragma once
// A node of a document's text tree: a book, a section, a scene or a line.
//
// A node with children is a header, one without is a line. Every node has a
// weak link to its parent, an ordered children list (created on first use),
// a uuid that survives saving (created on first use), the user's flag and two
// import-time labels that are never saved. Subclasses give the text
// operations their meaning; the answers here are the neutral ones.
//
// Property-list form: "ClassName", "name" (when set), "Flagged" (1, only when
// flagged), "uuid" (upper-case text), "Children" (when there are any). Keys
// this program does not know, and children it cannot make (an unknown or
// missing class, nesting deeper than kMaxNodeDepth), are kept as they were
// read and written back unchanged, so a save never drops what a file held.
// Only registered node classes are made from a file.
//
// Ownership: the tree is owned from the root down; parents are weak. Callers
// that insert into the children container directly set the parent link
// themselves. Main thread only; nothing is locked.

#include "foundation/VDNewArray.h"
#include "platform/AttributedString.h"
#include "platform/PropertyList.h"
#include "platform/Uuid.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

class TSChunk;
class TSText;
using TSChunkPtr = std::shared_ptr<TSChunk>;
using TSUuidPtr = std::shared_ptr<ts::Uuid>;

// The mark of a missing line number throughout the text model; never stored.
inline constexpr qint64 TSNotFound = std::numeric_limits<qint64>::max();

class TSChunk : public VDData {
    TS_OBJECT(TSChunk, VDData)

public:
    // Deepest nesting of nodes read from a file; deeper subtrees are kept
    // unread and written back as they were.
    static constexpr int kMaxNodeDepth = 128;

    TSChunk() = default;

    // Tree structure.
    void addChild(const TSChunkPtr& child);
    void removeChild(const TSChunkPtr& child);
    void insertChild(const TSChunkPtr& child, qint64 index);
    void addChildrenFromArray(const std::vector<TSChunkPtr>& children);
    // The container, created empty on first access.
    VDNewArrayPtr children();
    // The container when it exists; never creates it.
    VDNewArrayPtr childrenIfAny() const { return children_; }
    void setChildren(VDNewArrayPtr children);
    // Replaces the children list in one step (parent links are the caller's
    // business); the indexes above learn which nodes came and went.
    void replaceChildMembers(VDNewArray::Members members);
    qint64 numChildren() const;
    bool isHeader() const { return numChildren() > 0; }
    // The children that are nodes, in order (members of other kinds are
    // passed over).
    std::vector<TSChunkPtr> childNodes() const;
    TSChunkPtr childAt(qint64 index) const;
    // The same without taking a share of the node, for callers that only
    // look at it while the tree holds it (an outline asks for every row).
    TSChunk* childNodeAt(qint64 index) const;
    // The position of a node among the children; -1 when absent.
    qint64 indexOfChild(const TSChunk* child) const;
    TSChunkPtr childWithName(const QString& name) const;
    QStringList childNames() const;

    TSChunkPtr parent() const { return std::static_pointer_cast<TSChunk>(parent_.lock()); }
    void setParent(const TSChunkPtr& parent) { parent_ = parent; }

    // Identity, mark and import labels.
    TSUuidPtr uuid() const;
    // The uuid's value, made like uuid() when missing.
    QUuid uuidValue() const;
    void setUuid(TSUuidPtr uuid);
    bool flagged() const { return flagged_; }
    void setFlagged(bool flagged) { flagged_ = flagged; }
    QString tagName() const { return tagName_ ? *tagName_ : QString(); }
    void setTagName(const QString& tagName);
    qint64 chunkType() const { return chunkType_; }
    void setChunkType(qint64 chunkType) { chunkType_ = qint8(chunkType); }

    // Operations the subclasses give meaning.
    virtual QString chunkName() const;
    virtual void magnify(float factor) {}
    ts::Value serialize() const override;
    // Adds what serialize() answers to a property list being written,
    // without building it first (a document's whole text is saved this
    // way); nullopt when serialize() answers null.
    virtual std::optional<quint32> writeTo(ts::BinaryPropertyListWriter& writer) const;
    void importFromDictionary(const ts::Value& dictionary) override;
    virtual qint64 tln() const { return TSNotFound; }
    virtual bool isLine() const { return false; }
    // The book this node is, if it is one; cheaper than a cast, which every
    // change of the tree would make for each node above it.
    virtual TSText* asText() { return nullptr; }
    virtual qint64 wordCount() const { return 0; }
    virtual qint64 englishWordCount() const { return 0; }
    virtual bool hasText() const { return false; }
    virtual void addTextContent(QString& content) const;
    virtual ts::AttributedStringPtr latinStringOutput() const;

    // Text columns by key ("latin", "english", "perseusEnglish", "location");
    // a node without the column answers null and ignores the setter.
    virtual ts::AttributedStringPtr textForKey(const QString& key) const { return nullptr; }
    virtual void setTextForKey(const ts::AttributedStringPtr& text, const QString& key) {}
    // False only when the column certainly holds no link, which a node can
    // tell from stored text it has not read yet.
    virtual bool mayHaveLinksForKey(const QString& key) const { return true; }

    // The number from which the node's siblings count: the tln of the first
    // node of the parent's children (this one included) that has one.
    qint64 firstLineNumber() const;

    // A node of the class named under "ClassName", filled from the
    // dictionary; null when the class is missing, unknown or not a node.
    static TSChunkPtr dataFromDictionary(const ts::Value& dictionary);

    // The pasteboard lives in the window layer: it installs a writer, and
    // until then writing answers false.
    using PasteboardWriter = std::function<bool(const ts::Value&)>;
    static void setPasteboardWriter(PasteboardWriter writer);
    static bool writeToPasteBoard(const ts::Value& object);


protected:
    // The node form of this node: what was kept from the file, then the
    // entries forEachEntry() gives, then the children.
    ts::ValueDictionary nodeDictionary() const;
    // The same, added to a property list being written.
    quint32 writeNode(ts::BinaryPropertyListWriter& writer) const;
    // Calls put(key, value) for each entry of the node form but the kept
    // ones and the children; subclasses add their own after the base's.
    using EntrySink = std::function<void(const QString& key, ts::Value value)>;
    virtual void forEachEntry(const EntrySink& put) const;
    // Reads name, uuid and flag from a node dictionary.
    void readNodeFields(const ts::ValueDictionary& dictionary);
    // The same from the entries a subclass found in its own pass over the
    // dictionary (null for an absent entry).
    void readNodeFields(const ts::Value* name, const ts::Value* uuid, const ts::Value* flagged);
    // Reads a "Children" value, making each child through its class.
    void readChildren(const ts::Value& children);
    // Logs and keeps a known entry whose value is of the wrong kind, to be
    // written back as it was (a value the node sets itself goes over it).
    void keepWrongTypedEntry(const QString& key, const ts::Value& value, const char* expected);
    // Removes and answers a kept entry; null when none is kept.
    ts::Value takeKeptEntry(const QString& key);
    // Keeps the entries of `dictionary` whose keys are not in `known`.
    void keepUnknownEntries(const ts::ValueDictionary& dictionary, std::initializer_list<const char*> known);
    // Keeps one entry this program does not read, to be written back.
    void keepEntry(const QString& key, const ts::Value& value);
    // The tree below this node changed in a way too broad to follow (a
    // node read again from a file): the uuid indexes above start afresh.
    void structureChanged();
    // Depth of the node being read, for the nesting bound.
    static int readingDepth_;
    // A value that few nodes of a subclass hold (a text section's place in
    // its PDF), kept beside the rest that few nodes hold rather than in
    // every node. Null when there is none.
    const ts::Value& rareValue() const;
    void setRareValue(const ts::Value& value);

private:
    void appendChild(const TSChunkPtr& child);
    // Calls fn(root) for each text root at or above this node, so that the
    // root's uuid index follows nodes as they come and go.
    template <class F> void forEachRootAbove(F&& fn);

    // Always a TSChunk; held as the object it was made as, so that adding
    // a child copies the parent's own weak reference instead of locking it.
    std::weak_ptr<ts::Object> parent_;
    VDNewArrayPtr children_;
    // Keeps the text the file wrote, when that is its standard form.
    mutable TSUuidPtr uuid_;
    // The element an import made the node from: a handful of names shared
    // by every line of a text, so each name is kept once for the whole
    // program and a node holds only a pointer to it.
    const QString* tagName_ = nullptr;

    // What a file held that this program does not read: unknown keys, and
    // children it could not make with the position they were read at.
    // Few files hold any, so a node holds them only when there are some.
    struct Kept {
        ts::ValueDictionary entries;
        std::vector<std::pair<qsizetype, ts::Value>> children;
        ts::Value rare;  // see rareValue()
    };
    Kept& kept();
    std::unique_ptr<Kept> kept_;

    // Where this node was last seen among its parent's children: sibling
    // walks look there (and one place either side) before searching. Kept
    // in one word with the kind (a small number: book, section, text
    // section) and the flag: an imported text makes a node per line.
    mutable qint32 positionHint_ = -1;
    qint8 chunkType_ = 0;
    bool flagged_ = false;
};

// Makes the text model's classes known to the class registry. Reading a
// text calls it; other callers need it only to make nodes by name.
void registerTextModelClasses();
