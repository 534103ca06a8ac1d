#pragma once
// The converter of the elementary Latin dictionary's TEI source into a flat
// list of DictionaryEntry trees, one per "entry" element.
//
// Text is consumed by the first non-formatting element that ends after it:
// the text of a "sense" before an inner "usg", "gen", "pos", "etym" or
// "itype" goes to that element's handler, and only what follows the last
// of them reaches the sense. Text inside "emph", "tr" and "trans" joins its
// enclosing element. A "foreign" element's start deals with the text read
// before it (a meaning or the rest of an example), its end places the Latin
// or Greek text it held.
//
// An entry whose source gives no headword is headed by its key, set before
// any ending is added; without a key it is left out, at its end or where a
// broken document cuts it off.
//
// The result (data()): "Entries" and the source's "title", "author" and
// "sponsor" texts. Nothing asks the developer anything: text no rule places
// is logged and dropped, an entry that ends without a word class is listed
// through logToDictionary and counted.
//
// Rules shared with the Lewis and Short converter live in LatinSourceRules.
//
// Threads: one conversion at a time per object, on the calling thread; the
// fixed tables are built once per process.

#include "dictsource/DictionaryXMLParser.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <array>

#include <optional>
#include <utility>
#include <vector>

class NBSourceXMLParser;
using NBSourceXMLParserPtr = std::shared_ptr<NBSourceXMLParser>;

class NBSourceXMLParser : public DictionaryXMLParser {
    TS_OBJECT(NBSourceXMLParser, DictionaryXMLParser)
public:
    NBSourceXMLParser();
    ~NBSourceXMLParser() override;

    // Each runs the base's parse; an entry a broken document cut off is then
    // kept only with a headword, as at an entry's end.
    ts::Value parseFileAtLocation(const QUrl& url) override;
    ts::Value parseData(const QByteArray& bytes) override;

    // ---- Parser events ----
    void reset() override;
    void parserDidStartElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                               const QString& qualifiedName, const ts::XMLAttributes& attributes) override;
    void parserFoundCharacters(ts::XMLEventParser& parser, const QString& characters) override;
    void parserDidEndElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                             const QString& qualifiedName) override;

    // ---- Fields ----
    bool incomplete() const { return incomplete_; }
    void setIncomplete(bool v) { incomplete_ = v; }
    int language() const { return language_; }
    void setLanguage(int v) { language_ = v; }
    DictionaryEntryPtr curMeaning() const { return curMeaning_; }
    void setCurMeaning(DictionaryEntryPtr meaning) { curMeaning_ = std::move(meaning); }
    // Null when the entry has no inflection text kept.
    const QString& iType() const { return iType_; }
    void setIType(const QString& t) { iType_ = t; }
    const QString& meaningPrefix() const { return meaningPrefix_; }
    void setMeaningPrefix(const QString& t) { meaningPrefix_ = t; }
    std::optional<int> initialSenseLevel() const { return initialSenseLevel_; }
    int curSenseLevel() const { return curSenseLevel_; }
    const QString& latinExampleText() const { return latinExampleText_; }

    QString priorStackCaller() const;
    bool etymologyStack() const;

    // ---- Element dispatch ----
    void startForeignWithAttributes(const ts::XMLAttributes& attributes);
    void parsePreGramGroup();
    void parseUsage();

    static const QSet<QString>& ignoreSet();
    static const QSet<QString>& ignoreText();
    static const QSet<QString>& captureSet();
    static const QSet<QString>& entrySet();
    static const QSet<QString>& formattingSet();
    static const QSet<QString>& conjunctionSet();
    static const QSet<QString>& pregramIgnoreSet();
    static const QSet<QString>& pregramMeaningSet();
    static const QSet<QString>& pregramNoteSet();
    static const QSet<QString>& pregramSplitMeaningSet();

    // ---- Headword, word class and part of speech ----
    void insertOrthography();
    void parseGramGrp(const QString& text);
    void parsePos(const QString& text);
    bool parsePosComponent(const QString& component);
    void parseSpecialPosSet(const QString& headword);
    void addITypeToAdjective();
    void reconstructBracketedComments(QStringList& components);
    void turnBracketedComponentsIntoNotes(QStringList& components);
    void handleThreeComponentGrammarGroup(const QStringList& components, QStringList& slots);
    void guessEntryType(const DictionaryEntryPtr& entry);
    static const QSet<QString>& specialPosSet();
    static const QSet<QString>& bracketsAreNotNotesSet();

    // ---- Verbs and gender ----
    // Whether a grammar group holds a verb's principal parts; `ignore` comes
    // back true when the text was dealt with here and is not to be noted.
    bool isVerb(const QString& text, bool& ignore);
    void performSpecialVerbTreatment(const QString& text);
    bool setGender(const QString& text);
    // The deepest entry tree kept: each level takes a dictionary and its list
    // of children in the dictionary's property-list file, which refuses
    // nesting past 512, and the file itself takes two levels.
    static constexpr qsizetype kMaxEntryDepth = 250;
    static qsizetype treeDepth(const DictionaryEntryPtr& root);
    bool handleSegmentedGenderString(const QString& text);
    bool handleSpecialGenderEntry(const QString& text);
    static const QSet<QString>& genderTypes();
    static const QSet<QString>& verbPassSet();
    static const QSet<QString>& specialVerbTreatmentSet();
    static const QSet<QString>& specialGenderTreatment();

    // ---- Entries the general rules get wrong ----
    static const QSet<QString>& recalcitrantSet();
    // The same test, asked at every entry's end: most headwords are passed
    // over without hashing them.
    static bool isRecalcitrant(const QString& headword);
    void parseRecalcitrants();

    // Runs the hand-written result of a data table for the key (see
    // ElementaryRuleData.h); `argument` is the caller's text for the steps
    // that read it.
    enum class FixedOutcome { NoRow, Applied, Unfinished };
    FixedOutcome runFixedResult(const QString& table, const QString& key, const QString& argument = QString());

    // ---- Meanings, examples and the sense tree ----
    void parseSense();
    void addSense(const QString& text);
    void addSubMeaning(const QString& text);
    void enterSense(const QString& text, const DictionaryEntryPtr& meaning);
    void setEntry(const QString& text, const DictionaryEntryPtr& meaning);
    void addSense(const DictionaryEntryPtr& meaning, int level, int startLevel, DictionaryEntryPtr entry);
    static DictionaryEntryPtr lastMeaningEntry(const DictionaryEntryPtr& entry);
    void addExample(const QString& text, bool testForeign, DictionaryEntryPtr target);
    void finishExample(const QString& text);
    void fallbackExample(const QString& text, const DictionaryEntryPtr& previous);
    void finishSubExample(const QString& text);
    void addForeignExample(const QString& text);
    void appendToPrevSense(const QString& text);
    void addEtymology(const QString& text);
    DictionaryEntryPtr firstMeaningChild() const;
    DictionaryEntryPtr firstSense() const;
    void checkFirstSenseForValidity();
    bool checkForTag(const QString& tag, int type, bool deleteTag);
    bool checkForRedirect(const QString& word, bool exactEntry);

    static QStringView junkCharSet() { return u" ,.:"; }
    // The text with the kept inflection text in front of it when that text
    // is one that belongs there; the inflection text is then used up.
    QString prependIType(const QString& text);
    // The correction texts, read once from the bundled data file; an
    // unknown name answers an empty set.
    static const QSet<QString>& textSet(const QString& name);
    static const QSet<QString>& appendSourceSet() {
        static const QSet<QString>& set = textSet(QStringLiteral("appendSourceSet"));
        return set;
    }
    static const QSet<QString>& meaningSet() {
        static const QSet<QString>& set = textSet(QStringLiteral("meaningSet"));
        return set;
    }
    static const QSet<QString>& noteSet() {
        static const QSet<QString>& set = textSet(QStringLiteral("noteSet"));
        return set;
    }
    static const QSet<QString>& newForeignExampleSet() {
        static const QSet<QString>& set = textSet(QStringLiteral("newForeignExampleSet"));
        return set;
    }
    static const QSet<QString>& appendPreviousSet() {
        static const QSet<QString>& set = textSet(QStringLiteral("appendPreviousSet"));
        return set;
    }
    static const QSet<QString>& newExampleSet() {
        static const QSet<QString>& set = textSet(QStringLiteral("newExampleSet"));
        return set;
    }
    static const QSet<QString>& subExampleSet() {
        static const QSet<QString>& set = textSet(QStringLiteral("subExampleSet"));
        return set;
    }
    static const QSet<QString>& numeralSet() {
        static const QSet<QString>& set = textSet(QStringLiteral("numeralSet"));
        return set;
    }

    // ---- Inflection types ----
    void parseIType();
    void handle1ComponentIType(const QString& text);
    void handle2ComponentIType(QStringList& pieces);
    bool handle3ComponentIType(QStringList& pieces);
    void handle4ComponentIType(QStringList& pieces);
    void parseEre(const QString& text);
    static QString ferreOf(const QString& headword, const QString& perfect);
    static QString sumInfinitive(const QString& headword, const QString& given);
    void parseEreExceptions(const QString& text);
    void parseEmDash(const QString& text);
    void parse2ComponentITypeExceptions(const QString& key);
    void handle3ComponentExceptions(const QString& key);
    void parseSpecialEntry();
    void handleSeeIType(const QString& text);
    bool handleIE(const QString& text);
    bool handleEtc(const QString& text);
    void removeBracketsFromCurEntry();
    void parseSingleITypeExceptions(const QString& text);
    DictionaryEntryPtr addRedirect(const QString& text);
    void makeThirdConjEndings(const QString& infinitive, const QString& perfect, const QString& supine);
    int conjugationForIreVerb() const;
    int conjugationForEreVerb() const;

    static const QSet<QString>& singleITypeExceptionSet();
    static const QSet<QString>& type1NoteSet();
    static const QSet<QString>& ignoreSingleITypeSet();
    static const QSet<QString>& iTypePrependSet();
    static const QSet<QString>& iTypeAppendSet();
    static const QSet<QString>& iTypeDeleteSet();
    static const QSet<QString>& specialWordSet();
    static const QSet<QString>& pronounSet();
    // Headwords whose two-component text is not read (a fixed class table,
    // apart from the per-conversion treatedSet of the base).
    static const QSet<QString>& treatedHeadwordSet();
    static const QSet<QString>& ignorables();
    static const QSet<QString>& ereExceptionSet();

private:
    enum NameFlag : quint8 { IgnoreStart = 1, IgnoreText = 2, Capture = 4, EntryElement = 8, Formatting = 16 };
    struct NameSlot {
        QString name;
        quint8 flags = 0;
    };
    std::array<NameSlot, 256> nameSlots_;
    quint8 nameFlags(const QString& name);

    void appendToHeadword(const QString& text);
    // The key stands in for a headword the source has not given, before
    // any ending is added to it.
    void settleHeadword();
    // Whether the entry has a headword to be listed by (the key standing in
    // when there is one); endings alone are none.
    bool keepHeadword(const DictionaryEntryPtr& entry);
    void finishCutEntry();
    DictionaryEntryPtr newExample(const QString& text, const DictionaryEntryPtr& meaning, bool foreign);

    bool incomplete_ = false;
    int language_ = 0;
    DictionaryEntryPtr curMeaning_;
    QString iType_;
    QString meaningPrefix_;
    std::optional<int> initialSenseLevel_;
    int curSenseLevel_ = 0;
    int segmentedGenderDepth_ = 0;
    // Whether the current entry's headword came from its orth or its key.
    bool headwordGiven_ = false;
    QString latinExampleText_;
    // Entries an entry was opened inside, innermost last, each with its
    // headwordGiven_: when the inner one ends the outer one is current again,
    // and is finished at its own end like any other.
    std::vector<std::pair<DictionaryEntryPtr, bool>> outerEntries_;
};
