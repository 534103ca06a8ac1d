#pragma once
// The converter of the Lewis and Short TEI source into the entry list of
// the prepared LewisAndShort dictionary.
//
// Every start tag, text run and end tag is routed by the open-element stack
// to the header, the entry body or a sense: the mode is never stored but
// read from the stack (kept as counts of open "teiHeader" and "sense"
// elements beside it). Each open element has its own text buffer; handlers
// move text from an element's buffer into its enclosing one or file it as a
// field, child or note of the entry being built. An "entryFree" start makes
// the entry and appends it to the result at once.
//
// The result (data()): "Entries", the captured header texts ("title",
// "author", "sponsor", ...), and "synonyms" / "antonyms" once such an
// element occurred.
//
// Text no rule places is logged and the entry keeps what could be made of
// it; only a malformed document stops a conversion (then succeeded() is
// false and parseError() says where). A sense that cannot be placed by its
// level, and an alternative headword whose prefix made no note to hang
// under, stay under the current entry and are logged.
//
// Entities the document does not define come from the bundle's
// "ExternalEntities.strings" table only; nothing is ever loaded for them.
// Their text arrives through the text handler like any other text.
//
// Greek "foreign" runs are converted from Beta Code unless they already
// hold Greek letters.
//
// Inflection types, part of speech and the entry-type check read the
// collected texts by ordered rules whose literals come from bundled data
// files. What no rule reads goes to checkForChange and checkUnknownType,
// which correct the source file through the developer prompt (as
// queryHyphen does) and log, count and beep what nobody handled.
//
// Threads: one conversion at a time per object, on the calling thread; the
// fixed tables are built once per process (thread-safe statics).

#include "dictsource/DictionaryXMLParser.h"
#include "dictsource/SourceRegex.h"
#include "dictsource/SourceTextFile.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class NBSourceLSParser;
using NBSourceLSParserPtr = std::shared_ptr<NBSourceLSParser>;

class NBSourceLSParser : public DictionaryXMLParser {
    TS_OBJECT(NBSourceLSParser, DictionaryXMLParser)
public:
    NBSourceLSParser();
    ~NBSourceLSParser() override;

    // ---- Counters of the last conversion ----
    struct Statistics {
        qint64 senses = 0;           // "sense" elements met
        qint64 placedSenses = 0;     // placed in the tree by their level
        qint64 unplacedSenses = 0;   // kept under the entry, logged
        qint64 orphanAlternatives = 0;  // alternative headwords kept under the entry
        qint64 untypedAlerts = 0;       // entries that ended without a word class
        // Inflection-type texts no rule read, by component count (1 to 4).
        qint64 iTypesToAlert[4] = {0, 0, 0, 0};
        qint64 correctionsWritten = 0;  // answers written into the source file
    };
    const Statistics& statistics() const { return statistics_; }

    // ---- Parser events ----
    void parserDidStartElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                               const QString& qualifiedName, const ts::XMLAttributes& attributes) override;
    void parserFoundCharacters(ts::XMLEventParser& parser, const QString& characters) override;
    void parserDidEndElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                             const QString& qualifiedName) override;
    std::optional<QByteArray> parserResolveExternalEntityName(ts::XMLEventParser& parser, const QString& name,
                                                              const QString& systemID) override;

    // ---- Modes and stacks ----
    bool inHeader() const { return headerDepth_ > 0; }
    bool inSense() const { return senseDepth_ > 0; }
    // The top buffer; null when the stack is empty.
    QString lastStackString() const;
    // The buffer below the top; null when there is none or it is empty.
    QString prevStackString() const;
    void setPrevStackString(const QString& string);
    QString priorStackCaller() const;
    // The open elements' buffers: how many, the top one and the one below
    // it (null when there is no such buffer).
    qsizetype stackDepth() const { return depth_; }
    QString* topBuffer() { return depth_ >= 1 ? &stackStrings_[size_t(depth_ - 1)] : nullptr; }
    QString* enclosingBuffer() { return depth_ >= 2 ? &stackStrings_[size_t(depth_ - 2)] : nullptr; }
    QStringList& prevStackElements() { return prevStackElements_; }
    QStringList& iTypesArray() { return iTypesArray_; }
    DictionaryEntryList& orthoStack() { return orthoStack_; }
    const ts::XMLAttributes& elementDict() const { return elementDict_; }
    void setElementDict(const ts::XMLAttributes& attributes) { elementDict_ = attributes; }
    bool incomplete() const { return incomplete_; }
    void setIncomplete(bool v) { incomplete_ = v; }
    int language() const { return language_; }
    void setLanguage(int v) { language_ = v; }
    qint64 notifications() const { return notifications_; }
    void setNotifications(qint64 n) { notifications_ = n; }

    // ---- Mode handlers ----
    void headerDidStartElement(const QString& name, const ts::XMLAttributes& attributes);
    void senseDidStartElement(const QString& name, const ts::XMLAttributes& attributes);
    void bodyDidStartElement(const QString& name, const ts::XMLAttributes& attributes);
    void headerDidEndElement(const QString& name);
    void bodyDidEndSenseElement(const QString& name);
    void bodyDidEndElement(const QString& name);

    // ---- Foreign-language runs ----
    void startForeignWithAttributes(const ts::XMLAttributes& attributes);
    QString parseForeignString();
    // Whether the text holds a letter of the Greek blocks.
    static bool containsGreekLetters(const QString& text);

    QString attribution() const;

    // ---- Senses, examples, synonyms (the sense tree) ----
    void addNewSense(const ts::XMLAttributes& attributes);
    void addSense(const DictionaryEntryPtr& sense);
    DictionaryEntryPtr lastSenseAtLevel(qint64 level, const DictionaryEntryPtr& entry) const;
    void finishSense();
    void addExample();
    QString checkForRetainedString(const QString& string);
    bool addRetainedString(const QString& string, const DictionaryEntryPtr& entry, const QString& searchString,
                           const QString& breakString);
    DictionaryEntryPtr lastNonMeaningEntry();
    static QString cleanedSenseText(const QString& string);
    QHash<QString, QString>& storedSynonyms();
    QHash<QString, QString>& storedAntonyms();
    void addSynonyms(const QString& string);
    void addAntonyms(const QString& string);
    void insertBibliography();
    void insertRefMarker();
    DictionaryEntryPtr curMeaning() const { return curMeaning_; }
    void setCurMeaning(DictionaryEntryPtr meaning) { curMeaning_ = std::move(meaning); }
    const QString& quoteString() const { return quoteString_; }
    void setQuoteString(const QString& s) { quoteString_ = s; }

    // Tree queries the conversion does not use.
    DictionaryEntryPtr firstSense() const;
    DictionaryEntryPtr lastEntry() const;
    static DictionaryEntryPtr lastEntryFrom(const DictionaryEntryPtr& entry);
    static DictionaryEntryPtr lastMeaningEntry(const DictionaryEntryPtr& entry);
    static DictionaryEntryPtr topDownSameLevelEntry(const DictionaryEntryPtr& sense, const DictionaryEntryPtr& entry);
    static DictionaryEntryPtr sameLevelEntry(const DictionaryEntryPtr& sense, const DictionaryEntryPtr& entry);
    DictionaryEntryPtr anySibling(const DictionaryEntryPtr& sense, const DictionaryEntryPtr& entry) const;
    DictionaryEntryPtr sibling(const DictionaryEntryPtr& sense, const DictionaryEntryPtr& entry) const;
    bool isOneLower(const QString& a, const QString& b) const;
    static bool isOneLower(const QString& a, const QString& b, const QStringList& array, bool* contains);

    static const QSet<QString>& noteIgnoreSet();
    static const QStringList& romanNumeralArray();
    static const QStringList& letterArray();
    static const QStringList& upperLetterArray();
    static const QStringList& greekLetterArray();
    static const QStringList& numberArray();

    // ---- Grammatical fields and notes ----
    static int declensionForPotentialNounEnding(const QString& ending);
    static QStringList breakUpNoteString(const QString& string);
    DictionaryEntryPtr addNote(const QString& text) override;
    DictionaryEntryPtr addNoteToEntry(const QString& text, const DictionaryEntryPtr& entry);
    void checkEntryTypeForNote(const QString& piece);
    static bool isGreek(const QString& text);
    bool unclosedBracket(const QString& text);
    QString stripClosedBrackets(const QString& text);
    void removeBracketsFromCurEntry();
    static bool isANote(const QString& text);
    void parseOrth();
    void handleGen();
    void parseGen();
    void parseMood();
    void handleBodyIType();
    void addEtymology();
    void parseCase(bool shorten);
    void addAccusativeCase();
    void addAblativeCase();
    void addMaleGender();
    void addFemaleGender();
    void addNeuterGender();
    bool entryTakesGender(const DictionaryEntryPtr& entry) const;
    void addMaleGenderToEntry(const DictionaryEntryPtr& entry);
    void addFemaleGenderToEntry(const DictionaryEntryPtr& entry);
    void addNeuterGenderToEntry(const DictionaryEntryPtr& entry);
    DictionaryEntryPtr addAltEntry(const QString& prefix);
    void appendStringToPrevEntry(const QString& string);
    void appendLastStringToPrevEntry();
    void addResidualNotes(const QString& string);
    void insertNoteBeforeSense(const DictionaryEntryPtr& note);
    void addITypes();
    static void appendStringToEntryPreservingTranslation(const QString& string, const DictionaryEntryPtr& entry);
    // The source text of the entry whose key attribute occupies
    // [keyStart, keyEnd) of `source`; bounded by the text's ends.
    static QString entryString(qsizetype keyStart, qsizetype keyEnd, const QString& source);

    // Registers an alternative headword (duplicates are logged and left out).
    void addOrthoEntry(const DictionaryEntryPtr& entry);
    // Slot 0 of the headword text of the last alternative form, or of the
    // current entry when there is none.
    QString firstPart() const;

    static const QSet<QString>& firstDeclensionEndings();
    static const QSet<QString>& secondDeclensionEndings();
    static const QSet<QString>& thirdDecelensionEndings();
    static const QSet<QString>& fourthDeclensionEndings();
    static const QSet<QString>& fifthDecelensionEndings();
    static const QSet<QString>& thirdDeclensionAdjectiveEndings();
    static const QSet<QString>& letterSet();
    static const QSet<QString>& genderTypes();
    static const QSet<QString>& caseDeleteSet();
    static const QSet<QString>& caseIgnoreSet();
    static const QSet<QString>& redirectSet();
    static const QSet<QString>& ignoreRedirect();

    // ---- Inflection types ----
    // Runs the collected itype texts, the last collected first.
    virtual void parseITypes();
    virtual void parseIType(const QString& text);
    void cullVide();
    void addLookup(const QString& word);
    // Returns the number of the rule that read the text (for the record).
    int handle1ComponentIType(const QString& text);
    // Single texts that no rule read while the entry had no word class,
    // read again at the entry's end.
    void retryPendingITypes();
    // A single word ending in i (a perfect such as "ursi").
    static bool isPerfectForm(const QString& text);
    // A single word of at least four letters, other than the headword,
    // whose last three or more letters are the headword's.
    bool endsLikeHeadword(const QString& form) const;
    int handle2ComponentIType(const QStringList& pieces);
    int handle3ComponentIType(const QStringList& pieces);
    int handle4ComponentIType(const QStringList& pieces);
    void handle3ComponentExceptions(const QString& joined, const QStringList& pieces);
    // Itype texts no rule reads. Here they are counted, and the one- and
    // two-component ones logged and left on the pasteboard with a beep;
    // the correction of the source file overrides them (the three- and
    // four-component forms answer whether it handled the text).
    virtual void checkForChange(const QString& label, const QString& text);
    virtual void checkFor2CompChange(const QStringList& pieces);
    virtual bool checkFor3CompChange(const QStringList& pieces);
    virtual bool checkFor4CompChange(const QStringList& pieces);
    static const QSet<QString>& multiComponentSet(const QString& name);
    void cleanFirstPartEntry();
    void appendToHeadword(const QString& format, const QStringList& args);

    // The headword line "head -second -third -fourth"; the one-argument forms
    // work on the last alternative headword (or the entry) and then on the
    // entry too when it lacks the slot.
    void addSecondPart(const QString& part);
    void addAbsentSecondPart();
    void addThirdPart(const QString& part);
    void addFourthPart(const QString& part);
    void addGenitive(const QString& ending);
    void addSecondPartToEntry(const QString& part, const DictionaryEntryPtr& entry);
    void addAbsentSecondPartToEntry(const DictionaryEntryPtr& entry);
    void addThirdPartToEntry(const QString& part, const DictionaryEntryPtr& entry);
    void addFourthPartToEntry(const QString& part, const DictionaryEntryPtr& entry);
    void addGenitiveToEntry(const QString& ending, const DictionaryEntryPtr& entry);
    void addNounEnding(const QString& ending, int declension);
    // Walking forms: alternative headwords from the last back, then the
    // entry; none overwrites what is already set.
    void setConjugation(int n);
    void setDeponent();
    void setPos(int type);
    // The conjugation code of a verb whose entry gives it: an irregular
    // verb's or an eō compound's own code, the code of the infinitive the
    // line gives, 6 for a perfect without present (ōdi, ōdisse).
    void settleVerbConjugation();
    // The line of a verb the inflection rules leave short or wrong: the
    // irregular verbs, perfects without a present, a deponent given its
    // participle and infinitive, an impersonal's imperfect, an inchoative
    // marked -ēre; and an entry a later form retyped.
    void settleHeadLine();
    void settleVerbLine();
    void determineConjugation();
    void prependToLastString(const QString& text);
    static int numberOfParts(const DictionaryEntryPtr& entry);
    static QString firstPartOf(const QString& text);
    static bool entryLacksPart(const DictionaryEntryPtr& entry, int n);
    static bool entryLacksGenitive(const DictionaryEntryPtr& entry);
    static bool isANumber(const QString& text);

    // The texts of the one-component rules and the small sets beside them,
    // read once from the bundled data file.
    struct ITypeTexts {
        struct Rule {
            QStringList is, endsWith, beginsWith, effects;
        };
        QHash<int, Rule> rules;
        QHash<QString, QSet<QString>> sets;
    };
    static const ITypeTexts& oneComponentTexts();
    static const QSet<QString>& iTypeSet(const QString& name);
    static bool oneComponentRuleHolds(int rule, const QString& text);
    static QString oneComponentEffect(int rule, int index);

    // ---- Part of speech ----
    struct PosRow {
        enum Kind { None, Class, Type };
        QString piece;
        bool prefix = false;
        Kind kind = None;
        int code = 0, transitivity = 0, conjugation = 0;
        bool deponentHeadwords = false, deponentFlag = false;
        bool changesRunningText = false;
        QString runningText, headwordSuffix, note, secondPart;
    };
    static const QList<PosRow>& posTable();
    virtual void parsePos();
    void handle1ComponentPos(const QString& piece);
    // A verb's part of speech that the source gives only inside its first
    // sense (ex-curro, <itype>cŭcurri</itype> (... <itype>cursum, 3</itype>,
    // <pos>v. n.</pos>): an entry its lone inflection text typed as a noun
    // becomes the verb, with the parts and conjugation read in the sense.
    void retypeAsVerbFromSense(const QString& pos);

    // ---- Entry-type check ----
    virtual QString checkForType(const QString& text);
    static const QSet<QString>& knownNounSet();
    static const QSet<QString>& ignoreVSet();
    static const QStringList& unknownTypeButtons();
    // Asks for the word class of an entry that ended without one and writes
    // the answer into the source as a pos element.
    virtual void checkUnknownType();
    // The source with the answer's pos element after the entry's first
    // headword; nothing when the answer is Skip, the key is missing or no
    // headword closes after it.
    static std::optional<QString> insertPos(const QString& source, const QString& key, int button);
    // The source text being corrected and its atomic rewrite; the source
    // correction cycle provides them (here: no source, nothing written).
    virtual QString unknownTypeSource();
    virtual bool writeUnknownTypeSource(const QString& text);

    virtual void queryHyphen();

    // ---- Corrections written back into the source ----
    // Each reads the source file anew (sourcePath()), finds the entry by its
    // anchor 'key="<key>"' (closing quote included, so "amo" never finds
    // "amor"), asks the developer prompt and, when the answer changed the
    // text, writes the file back atomically in the encoding it was read in.
    // Edited XML is tested before it is written: when the edited entry is
    // not well-formed the question is asked again with the edit shown.
    // What cannot be found or is not handled is logged, handed to the
    // developer sink in the form @"text", and beeped.
    //
    // The file being converted, or the one set for corrections made outside
    // a conversion.
    QString sourcePath() const;
    // `text` with its line feeds made the source's line ends (CR LF when
    // the source's first line ends so), for text the developer edited.
    static QString withLineEndsOf(const QString& source, const QString& text);
    void setCorrectionSource(const QString& path) { correctionSource_ = path; }
    void queryHyphen(const QString& headword);
    // Answer YES when the file is to be left unchanged.
    bool parse2CompMatch(const QStringList& components, QString& string, TextRange range, const QString& curString);
    bool parse3CompMatch(const QStringList& components, QString& string, TextRange range);
    bool parse4CompMatch(const QStringList& components, QString& string, TextRange range, const QString& curString);

    // ---- Clean-up tools over the raw source text ----
    void removeExternalEncodings(QString& string);
    QString doNewRegexReplace(const QString& pattern, const QString& templ, const QString& string);
    void doRegexReplace(const QString& pattern, const QString& templ, QString& string);
    QString doRegexReplaceInString(const QString& string);
    QString fixOtherEncodings(const QString& string);
    bool checkReplacement(const QString& matched, const QString& replacement, QString& string, TextRange range,
                          bool* stop);
    QString& doManualRegexReplace(const QString& pattern, const QString& templ, QString& string);
    QString checkReplaceInString(QString& string);
    void testMutStringReplace();
    bool replaceMatchInOrtho(const QString& text, QString& string, TextRange range);
    // Answers YES when the developer asked to stop. "Edit" puts the edited
    // excerpt where the excerpt was shown: the occurrence that covers the
    // range, checked to be still there.
    bool parseMatch(const QString& text, QString& string, TextRange range, bool* skip, const QString& curString);
    bool parseMatches(const std::vector<TextRange>& matches, QString& string);
    void testItype(QString& string);
    void testNLS() {}
    static QString makeStringHumanReadable(const QString& string);
    void insertGreek(QString& string);
    static QSet<QString>& skippedITypes();

    // ---- Rules shared with the elementary converter, which no path of
    // this conversion needs (LatinSourceRules) ----
    // `ignoreString` is always set to false.
    bool isVerb(const QString& text, bool* ignoreString);
    int conjugationForEreVerb() const;
    int conjugationForIreVerb() const;
    static const QSet<QString>& ignorePosSet();
    // Empty here: no headword of this dictionary needs a whole result by hand.
    static const QSet<QString>& recalcitrantSet();
    DictionaryEntryPtr addRedirect(const QString& text);
    void makeThirdConjEndings(const QString& infinitive, const QString& perfect, const QString& supine);
    // Every occurrence in the top buffer replaced.
    void deleteFromLastString(const QString& target, const QString& replacement);
    // No component of this dictionary has a result written by hand.
    void parseSingleITypeExceptions(const QString&) {}

    // ---- Fixed element sets ----
    static const QSet<QString>& bodyIgnoreSet();
    static const QSet<QString>& senseIgnoreSet();
    static const QSet<QString>& bodyIgnoreText();
    static const QSet<QString>& senseIgnoreText();
    static const QSet<QString>& bodyHandledSet();
    static const QSet<QString>& bodyFormattingSet();
    static const QSet<QString>& headerCaptureSet();
    static const QSet<QString>& noHeaderLogSet();
    // The entity table, read once from the bundle's "ExternalEntities.strings".
    static const QHash<QString, QString>& lookupList();

    void reset() override;
    ts::Value data() const override;

private:
    // What the dispatch needs to know of an element name, looked up once
    // when the element starts and kept on a stack beside the names.
    enum class Kind : quint8;
    static Kind kindOf(const QString& name);
    void pushElement(const QString& name);
    void popElement();
    void bodyEnd(const QString& name, Kind kind);
    void senseEnd(const QString& name, Kind kind);
    QString keyText() const;
    void keepUnplaced(const DictionaryEntryPtr& node);
    DictionaryEntryPtr addRelation(const QString& string, const QString& resultKey, int type);
    DictionaryEntryPtr targetEntry() const;
    void applyToTargetAndEntry(const std::function<void(const DictionaryEntryPtr&)>& apply,
                               const std::function<bool(const DictionaryEntryPtr&)>& lacks);

    bool incomplete_ = false;
    // Where the first headword's hyphen marked its prefix (red-do), or -1.
    qsizetype prefixEnd_ = -1;
    // Whether a part of speech was read for the entry, and the inflection
    // texts read inside a sense before the first one was.
    bool posSeen_ = false;
    QStringList senseITypes_;
    // The source often opens the first sense inside a bracketed remark of
    // the head ("ĕquus, i (<sense>gen. plur. equūm ...), <gen>m.</gen>"):
    // the head then goes on inside that sense once the remark closes, up to
    // the first translation. How many brackets were open when it started,
    // whether the head is still being read there, and whether the entry
    // has had a sense at all.
    int headBrackets_ = 0;
    qsizetype headITypes_ = 0;  // inflection texts read before that sense
    bool headInSense_ = false;
    bool senseSeen_ = false;
    // Whether the element now ending stands in the head's continuation
    // inside the first sense, outside any bracket.
    bool atHeadLevel() const;
    void endHeadInSense();
    void takeLooseParts(QString& head);
    // A verb's part of speech the head gives in italics after a remark
    // ("vĕrĕor, ĭtus (…), 2, v. dep. a."), with the conjugation number
    // written before it.
    bool takeHeadPosFromHi();
    // The entry's own class and inflection texts, before a form that is an
    // entry of its own (bācātus … bāco, āre) could change them.
    int ownType_ = 0;
    QStringList headITypeTexts_;
    int language_ = 0;
    DictionaryEntryPtr curMeaning_;
    QStringList iTypesArray_;
    QStringList pendingITypes_;
    bool retryingITypes_ = false;
    // Buffers beyond depth_ are kept for reuse by later elements.
    std::vector<QString> stackStrings_;
    qsizetype depth_ = 0;
    std::vector<Kind> kinds_;
    int citDepth_ = 0;
    QStringList prevStackElements_;
    DictionaryEntryList orthoStack_;
    ts::XMLAttributes elementDict_;
    QString quoteString_;
    qint64 notifications_ = 0;
    int headerDepth_ = 0;
    int senseDepth_ = 0;
    QHash<QString, QString> synonyms_, antonyms_;
    bool hasSynonyms_ = false, hasAntonyms_ = false;
    Statistics statistics_;
    QString correctionSource_;
    std::optional<SourceTextFile::Encoding> unknownTypeEncoding_;  // of the source unknownTypeSource read

    struct SourceSnapshot;
    std::optional<SourceSnapshot> readSource(const QString& operation);
    bool writeSource(const SourceSnapshot& snapshot, const QString& text);
    enum class EditOutcome { Applied, NotFound, Malformed };
    EditOutcome applyEdit(QString& string, const QString& excerpt, TextRange range, const QString& edited);
    // Moves text into the headword element before the range; answers the
    // range's new location, or -1 when nothing moved.
    qsizetype moveToOrth(const QString& text, QString& string, TextRange range);
    void notHandled(const QString& logText, const QString& pasteText);
};
