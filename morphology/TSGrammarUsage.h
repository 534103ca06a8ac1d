#pragma once
// A node of the grammar reference: a construction with a name, free notes, an
// optional web address explaining it and child constructions (its members).
//
// Property-list form (the grammar file's): a dictionary with "name", "notes",
// "referenceURL" (the address's text) and "children" (the children's
// dictionaries, in order), each written only when there is something to
// write; no class name is written. Keyed coding adds "referenceURL" and
// "notes" to the persistent array's "name" and "storedData".
//
// Main-thread model object; not synchronised.

#include "foundation/VDNewArray.h"
#include "platform/Url.h"

class TSGrammarUsage;
using TSGrammarUsagePtr = std::shared_ptr<TSGrammarUsage>;

class TSGrammarUsage : public VDNewArray {
    TS_OBJECT(TSGrammarUsage, VDNewArray)

public:
    // Named "untitled", with no children, notes or address.
    TSGrammarUsage();

    // A new usage filled from a usage dictionary; a non-dictionary gives a
    // usage as made by the constructor.
    static TSGrammarUsagePtr usageFromDictionary(const ts::Value& dictionary);

    // Sets the name and notes (absent entries clear them), the address when
    // the entry is there (text that is not a valid URL gives none), and
    // appends a child for each dictionary under "children". Nothing happens
    // for a value that is not a dictionary.
    void readFromDictionary(const ts::Value& dictionary);

    ts::UrlPtr referenceURL() const { return referenceURL_; }
    void setReferenceURL(ts::UrlPtr url) { referenceURL_ = std::move(url); }
    QString notes() const { return notes_; }
    void setNotes(const QString& notes) { notes_ = notes; }

    // By key: "name", "notes" (strings) and "referenceURL" (a URL object);
    // any other key is logged and answers null / is ignored.
    ts::Value valueForKey(const QString& key) const;
    void setValueForKey(const ts::Value& value, const QString& key);

    // The children as usages (members of another kind are left out).
    std::vector<TSGrammarUsagePtr> children() const;

    // Whether a text is acceptable as a URL: printable ASCII without the
    // characters URLs must escape, "%" only before two hex digits, at most
    // one "#", and not empty.
    static bool isValidURLText(const QString& text);

    ts::Value serialize() const override;
    ts::ObjectPtr copy() const override;
    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;

    // Deepest nesting of children read from a dictionary; deeper levels are
    // dropped (logged) rather than risk the stack on a hostile file.
    static constexpr int kMaxDepth = 200;

private:
    void readFromDictionary(const ts::Value& dictionary, int depth);

    ts::UrlPtr referenceURL_;
    QString notes_;
};
