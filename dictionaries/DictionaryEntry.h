#pragma once
// The node of every dictionary tree: a headword, a word-class line, a sense,
// an example, an etymology, a note and so on, as its type code says.
//
// All data of a node lives in its attribute dictionary under fixed string
// keys (kEntry, kType, ...). The children are kept beside it in a typed list
// but are presented under "children" wherever the whole dictionary is asked
// for (dictionary(), the serialized form, keyed coding). A tree is owned from
// the root down; a child's link to its parent is weak.
//
// The serialized form (serialize / loadSerializedData) is the property-list
// dictionary that dictionary files hold: every stored key as stored, with
// "children" an array of the children's dictionaries, left out when there are
// none. Gender and case are stored as their untranslated names, so files do
// not depend on the user's language; they are translated for display only.
//
// Nothing here throws: misuse is logged and the operation does nothing more.
// Nodes take no locks; one thread at a time builds or reads a tree. The
// shared name tables (guarded, any thread), Greek-letter map, pattern and
// fonts are made once. Entries live in shared pointers: one that no shared
// pointer holds can be filled and read but cannot become a parent.

#include "platform/AttributedString.h"
#include "platform/Font.h"
#include "platform/Object.h"
#include "platform/Value.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace ts {
class Coder;
}

class DictionaryEntry;
using DictionaryEntryPtr = std::shared_ptr<DictionaryEntry>;
using DictionaryEntryList = std::vector<DictionaryEntryPtr>;

class DictionaryEntry : public ts::Object {
    TS_OBJECT(DictionaryEntry, ts::Object)

public:
    // Attribute keys; they are a file format.
    static const QString kEntry, kType, kChildren, kFreq, kAge, kGender, kCase, kConj, kTransIntrans, kDeponent,
        kKey, kAlternative, kLevel, kIdNumber, kParagraphNumber, kPrepend, kTranslation, kForeign, kChanged,
        kReferences;

    // Type codes ("Type").
    enum EntryType : int {
        Uninitialised = 0, Noun = 1, Verb = 2, Adjective = 3, Adverb = 4, Conjunction = 5, Preposition = 6,
        Pronoun = 7, Interjection = 8, Numeral = 9, Packon = 10, Phrase = 11, Root = 12, Meaning = 13,
        WordData = 14, WordModification = 15, Example = 16, Abbreviation = 17, Etymology = 18, Participle = 19,
        Note = 20, Misspelling = 21, Redirect = 22, Particle = 23, Enclitic = 24, AdverbialPhrase = 25,
        Letter = 26, Citation = 27, ParticipialAdjective = 28, AdverbAndPreposition = 29,
        AdjectiveAndAdverb = 30, Unclear = 31, Synonym = 32, Antonym = 33, WordFormSample = 34,
    };

    // Sort descriptors of the outline's columns: a key and a direction, with
    // an optional comparison of the two values (default: ts::compareValues).
    struct SortDescriptor {
        QString key;
        bool ascending = true;
        std::function<int(const ts::Value&, const ts::Value&)> comparator;
    };

    DictionaryEntry();

    static DictionaryEntryPtr make(const QString& entry = QString(), int type = Uninitialised);

    // ---- Run-time state ----
    bool possibleName() const { return possibleName_; }
    void setPossibleName(bool v) { possibleName_ = v; }
    // Shows hidden leading children and opens cross-references.
    bool displayingReferences() const { return displayingReferences_; }
    void setDisplayingReferences(bool v) { displayingReferences_ = v; }
    DictionaryEntryPtr parent() const { return parent_.lock(); }
    void setParent(const DictionaryEntryPtr& parent) { parent_ = parent; }

    // ---- The attribute dictionary ----
    // The whole dictionary, children included under "children" as entry
    // objects when the list exists.
    ts::ValueDictionary dictionary() const;
    // Replaces the attributes; entry objects under "children" become the
    // children list as they are (their parents are not touched); anything
    // else there, and a child that would close a cycle, is dropped.
    void setDictionary(const ts::ValueDictionary& dictionary);
    // The attributes without the children.
    const ts::ValueDictionary& attributes() const { return attributes_; }
    // One stored value (null when missing); "children" answers the list.
    ts::Value attribute(const QString& key) const;
    // Stores a value as it is; null removes the key. "children" is refused.
    void setAttribute(const QString& key, const ts::Value& value);

    // ---- Typed attributes (a missing value answers 0, NO or a null string) ----
    QString entry() const;
    void setEntry(const QString& text);
    void addToEntry(const QString& text);
    int type() const { return type_; }
    void setType(int type);
    qint64 frequency() const;
    qint64 freq() const { return frequency(); }
    void setFrequency(qint64 frequency);
    int getAge() const;
    void setAge(int age);
    int gender() const;
    void setGender(int gender);
    int getCase() const;
    QString caseName() const;  // the stored case translated; null when missing
    void setCase(int caseCode);
    int conjugation() const;
    void setConjugation(int conjugation);
    void setAdjectivalDecension();
    int transIntrans() const;
    void setTransIntrans(int value);
    bool deponent() const;
    void setDeponent(bool value);
    QString key() const;
    void setKey(const QString& key);
    bool isAlternative() const;
    void setAlternative(bool value);
    int level() const;
    void setLevel(std::optional<int> level);
    float idNumber() const;
    void setIDNumber(std::optional<double> idNumber);
    QString paragraphNumber() const;
    void setParagraphNumber(const QString& label);
    QString prependText() const;
    void setPrependText(const QString& text);  // null removes
    QString translation() const;
    void setTranslation(const QString& text);  // null removes
    void addToTranslation(const QString& text);
    std::optional<bool> foreignFlag() const;
    bool isForeign() const;
    bool foreign() const { return isForeign(); }
    void setForeignFlag(std::optional<bool> flag);  // nothing is ignored
    // The cross-references, created empty and stored on first call.
    ts::ValueArray& references();

    // ---- Change marks ----
    bool changed() const;
    void setChanged(bool changed);  // on the receiver and on its primary entry
    bool primaryEntryChanged() const;
    void removeChangeFlags();  // the receiver and every node below it

    // ---- Persistence ----
    static DictionaryEntryPtr entryFromSerializedData(const ts::Value& data);
    static DictionaryEntryPtr entryFromSerializedData(ts::Value&& data);
    ts::Value serialize() const;
    void loadSerializedData(const ts::Value& data);
    void loadSerializedData(ts::Value&& data);
    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;
    // Attributes copied, children shared (they keep the source as parent),
    // the source's parent taken without joining its list, font and flags.
    ts::ObjectPtr copy() const override;
    DictionaryEntryPtr copyEntry() const;
    void makeMeaning(const QString& label, std::optional<int> level, std::optional<double> idNumber);
    QString getObjectAsString() const;
    QString description() const override;

    // ---- Tree ----
    // The children list, created empty and stored when missing.
    DictionaryEntryList& children();
    const DictionaryEntryList& childList() const { return children_; }
    bool hasChildrenList() const { return hasChildrenList_; }
    qsizetype childCount() const { return qsizetype(children_.size()); }
    qsizetype getNumChildren() const;
    // Out-of-range indexes are logged and answer nothing.
    DictionaryEntryPtr childAtIndex(qsizetype index) const;
    DictionaryEntryPtr visibleChildAtIndex(qsizetype index) const;
    DictionaryEntryList visibleChildren() const;
    DictionaryEntryPtr firstChild() const;
    DictionaryEntryPtr lastChild() const;
    qsizetype indexOfFirstMeaningChild() const;
    bool hasHiddenEntries() const;
    bool hasMeaning() const;
    // Appends (or inserts) the child and makes the receiver its parent; under
    // a root (type 12) the list is then put back into root order. A child that
    // is the receiver or one of its ancestors, or whose subtree holds the
    // receiver, is refused and logged. Answers whether the child was added.
    bool addChild(const DictionaryEntryPtr& child);
    bool addChildAtIndex(const DictionaryEntryPtr& child, qsizetype index);
    void addMeaningChild(const DictionaryEntryPtr& child);
    void removeChild(const DictionaryEntryPtr& child);
    void removeFirstChild();
    void addChildrenOfEntry(const DictionaryEntry& other);
    bool isPrimaryEntry() const;
    DictionaryEntryPtr primaryEntry();
    DictionaryEntryPtr firstAncestor();
    DictionaryEntryPtr firstType();
    DictionaryEntryPtr firstSense() const;
    DictionaryEntryPtr lastSense() const;
    DictionaryEntryPtr firstChildOfType(qint32 type) const;
    DictionaryEntryPtr findEntryWithString(const QString& text);
    bool sameLevel(const DictionaryEntry& other) const;
    DictionaryEntryPtr highestMeaningLevel(const DictionaryEntry& other);
    // Root order: word modifications first, then descending frequency.
    int childFrequencyComparison(const DictionaryEntry& other) const;

    // ---- Names and codes ----
    // The display text of a key; a key without a translation shows itself.
    static QString localized(const QString& key);
    // Replaces the translation table (the built-in English one by default);
    // the reverse look-ups follow.
    static void setLocalizationTable(const QHash<QString, QString>& table);
    static QHash<QString, QString> defaultLocalizationTable();

    static QString nameOfType(int type);
    static QString pluralNameOfType(int type);
    static int typeForName(const QString& name);
    static int typeForPluralName(const QString& name);
    static QStringList allSortedTypeNames();
    static QString genderKey(int gender);  // the stored form
    static QString nameOfGender(int gender);
    static int genderForName(const QString& name);
    static QString caseKey(int caseCode);  // the stored form
    static QString getCaseString(int caseCode);
    static int caseForName(const QString& name);
    static QString ageName(int age);  // empty for no age
    static QString nameOfConjugation(int conjugation);
    static int conjugationForName(const QString& name);
    static const QHash<QString, QString>& greekNumbers();
    bool isLatin() const;
    QString getConjugationName() const;

    // ---- Text helpers ----
    // Word 1 (a run of characters between white space) of the line after
    // every "." in it has been deleted; empty when the line has no word.
    static QString getFirstWordInLine(const QString& line);
    // The text with every "." deleted.
    static QString stripDots(const QString& text);

    // ---- Comparison ----
    bool isEqualTo(const DictionaryEntry& other) const;
    bool matchesKey(const QString& key) const;
    int caseInsensitiveCompare(const DictionaryEntry& other) const;

    // ---- Display ----
    static ts::FontPtr getNoteFont();
    static ts::FontPtr getBaseFont();
    static ts::FontPtr getWordFormFont();
    static ts::FontPtr getEtymologyFont();
    static ts::FontPtr getRootFont();
    static ts::FontPtr getDataFont();
    static ts::FontPtr getUninitialisedFont();
    static ts::FontPtr getWordFormSampleFont();
    // Chosen by type on first call and kept; an adjective's declension is
    // filled at that moment.
    ts::FontPtr font();
    void setFont(const ts::FontPtr& font) { font_ = font; }
    QString typeName() const;
    // The value an outline column identified by the key shows.
    ts::Value objectForKey(const QString& key);
    ts::AttributedStringPtr stringForEntry(const QString& key);
    // Rich text answered unchanged, a string set in the font (an example with
    // its translation and prepended text); nothing for other values.
    ts::AttributedStringPtr formattedStringWithFont(const ts::FontPtr& font, const ts::Value& value) const;
    ts::AttributedStringPtr formattedType(const QString& text);
    ts::AttributedStringPtr indicateHiddenEntries(const QString& text);
    ts::AttributedStringPtr replaceReferences(const ts::AttributedString& text) const;
    // Replaces every occurrence in place, keeping the attributes of the
    // replaced text. A replacement that contains the searched text is made
    // once per original occurrence.
    static void replaceString(const QString& search, const QString& replacement, ts::AttributedString& text);

    // ---- Sorting ----
    ts::Value sortValue(const QString& key) const;
    void sortUsingDescriptors(const std::vector<SortDescriptor>& descriptors);
    void sortChildrenUsingDescriptors(const std::vector<SortDescriptor>& descriptors);

    // ---- Searching (each stops at its first hit) ----
    QStringList parts() const;
    bool containsMeaning(const QString& text, bool includeExamples) const;
    // The entries of a list that contain the meaning, in their order (null
    // entries left out).
    static DictionaryEntryList entriesWithMeaning(const DictionaryEntryList& entries, const QString& text, bool includeExamples);
    bool containsRegexEntry(const QRegularExpression& pattern, int type) const;
    bool containsRegexMeaning(const QRegularExpression& pattern, int type) const;
    bool containsFlag() const;
    // The node that stands for the dictionary form of the receiver. The walk
    // goes at most kMaxUninflectedDepth steps; beyond that it is logged and
    // answers nothing.
    static constexpr int kMaxUninflectedDepth = 21;
    DictionaryEntryPtr findUninflectedForm(bool singlePath);

    // ---- Inflected forms ----
    // The base words of the subtree from this node, in walk order: nouns,
    // verbs and adjectives that carry a declension or conjugation (one node
    // per text and codes), numerals, and words that do not inflect. A noun,
    // verb or adjective that cannot be inflected is passed over for its
    // children. A node that no shared pointer holds is not collected itself.
    DictionaryEntryList getBaseWords() const;
    static void addBaseWordsToArray(DictionaryEntryList& array, const DictionaryEntryPtr& entry);
    // Whether the entry counts as a base word (added now or already present).
    static bool addBaseNoun(const DictionaryEntryPtr& entry, DictionaryEntryList& array);
    static bool addBaseVerb(const DictionaryEntryPtr& entry, DictionaryEntryList& array);
    static bool addBaseAdjective(const DictionaryEntryPtr& entry, DictionaryEntryList& array);
    static bool addBaseNumber(const DictionaryEntryPtr& entry, DictionaryEntryList& array);
    // Every form of every base word, built by the vocabulary word classes;
    // compound forms are split into their words by those classes, not here.
    // A hyphen the entry keeps inside a word (expergē-făcĭo) is in none.
    QSet<QString> getAllInflectedForms() const;
    static void addNounForms(QSet<QString>& forms, const DictionaryEntry& entry);
    static void addVerbForms(QSet<QString>& forms, const DictionaryEntry& entry);
    static void addAdjectiveForms(QSet<QString>& forms, const DictionaryEntry& entry);
    // A numeral's text such as "duo -ae -o": each word with its following
    // "-a", "-um" or "-ae" endings is declined as a first-declension
    // adjective (without the singular after "-ae"); other words stand as they are.
    static void addNumberForms(QSet<QString>& forms, const DictionaryEntry& entry);

    // ---- Editing (refused for primary entries and for nodes outside their
    // parent's list; nothing here sets the change mark) ----
    bool elementUp();
    bool elementDown();
    DictionaryEntryPtr addEntry();
    bool promoteChildren();
    bool promoteEntry();
    bool demoteEntry();

private:
    // The owning pointer; empty for an entry that no shared pointer holds
    // (which then cannot be anybody's parent).
    DictionaryEntryPtr self() const {
        return std::static_pointer_cast<DictionaryEntry>(std::const_pointer_cast<ts::Object>(weak_from_this().lock()));
    }
    enum class From { Outside, Parent, Child };
    DictionaryEntryPtr uninflectedForm(bool singlePath, int depth, From from);
    bool wouldCreateCycle(const DictionaryEntry* child) const;
    void attach(const DictionaryEntryPtr& child, qsizetype index);
    void sortIntoRootOrder();
    bool isHeldByParent(DictionaryEntryPtr* parent, qsizetype* index) const;
    bool editableParent(DictionaryEntryPtr* parent, qsizetype* index) const;
    void loadFromDictionary(ts::ValueDictionary&& dictionary);
    // Logs and keeps a "children" value that is not an array.
    void keepChildrenValue(ts::Value&& value);
    void syncType();
    void syncEntry();
    qint64 intAttribute(const QString& key) const;
    QString stringAttribute(const QString& key) const;
    bool boolAttribute(const QString& key) const;
    void appendDump(QString& out) const;

    bool possibleName_ = false;
    bool displayingReferences_ = false;
    ts::ValueDictionary attributes_;
    qint32 type_ = 0;  // "Type" as a 32-bit integer, kept with the attributes
    // The "Entry" text, kept with the attributes: searches read it for every
    // node of a large tree, where finding it among the attributes each time
    // cost several cache misses a node.
    QString entry_;
    DictionaryEntryList children_;
    bool hasChildrenList_ = false;
    // A "children" value of another kind than an array, as the file held it:
    // written back while the entry has no children of its own.
    ts::Value keptChildren_;
    std::weak_ptr<DictionaryEntry> parent_;
    ts::FontPtr font_;
};

// Registers DictionaryEntry with the class registry (done on loading the
// library as well; call it where a program must be sure).
void registerDictionaryEntryClass();
