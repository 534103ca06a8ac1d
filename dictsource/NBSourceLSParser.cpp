// Element dispatch, the header and the entity table of the Lewis and Short
// converter.
#include "dictsource/NBSourceLSParser.h"

#include "dictsource/LatinSourceRules.h"

#include "dictionaries/DictionaryServices.h"
#include "app/logging/LGLog.h"
#include "platform/StringsTable.h"

#include <array>
#include <mutex>
#include <vector>


namespace {

QSet<QString> setOf(std::initializer_list<const char*> items) {
    QSet<QString> s;
    for (const char* i : items) s.insert(QString::fromUtf8(i));
    return s;
}

}  // namespace

NBSourceLSParser::NBSourceLSParser() = default;
NBSourceLSParser::~NBSourceLSParser() = default;

void NBSourceLSParser::reset() {
    DictionaryXMLParser::reset();
    // A parse that stopped early leaves its stacks behind; a new document
    // starts with none open.
    stackList().clear();
    stackStrings_.clear();
    depth_ = 0;
    kinds_.clear();
    headerDepth_ = senseDepth_ = citDepth_ = 0;
    statistics_ = Statistics();
}

ts::Value NBSourceLSParser::data() const {
    ts::Value result = DictionaryXMLParser::data();
    if (!result.isDictionary()) return result;
    auto toValue = [](const QHash<QString, QString>& h) {
        ts::ValueDictionary d;
        for (auto it = h.begin(); it != h.end(); ++it) d[it.key()] = ts::Value(it.value());
        return ts::Value(std::move(d));
    };
    if (hasSynonyms_) result.dictionary()[QStringLiteral("synonyms")] = toValue(synonyms_);
    if (hasAntonyms_) result.dictionary()[QStringLiteral("antonyms")] = toValue(antonyms_);
    return result;
}

QString NBSourceLSParser::keyText() const {
    return curEntry() ? curEntry()->key() : QString();
}

// ---- Fixed sets ----

const QSet<QString>& NBSourceLSParser::bodyIgnoreSet() {
    static const QSet<QString> s = setOf({"text", "body", "cb", "div0", "pb", "head", "itype", "gen", "author", "pos",
                                          "bibl", "hi", "case", "etym", "mood", "lbl", "number", "cit", "xr", "ref",
                                          "figure", "trans", "tr", "orth", "syn", "ant"});
    return s;
}

const QSet<QString>& NBSourceLSParser::senseIgnoreSet() {
    static const QSet<QString> s =
        setOf({"cit", "quote", "bibl", "xr", "lbl", "ref", "cb", "orth", "pb", "usg", "trans", "tr", "case", "pos",
               "itype", "gen", "hi", "number", "mood", "etym", "figure", "syn", "ant", "author"});
    return s;
}

const QSet<QString>& NBSourceLSParser::bodyIgnoreText() {
    static const QSet<QString> s = setOf({"text", "body", "div0", "head", "TEI.2"});
    return s;
}

const QSet<QString>& NBSourceLSParser::senseIgnoreText() {
    static const QSet<QString> s = setOf({"figure"});
    return s;
}

const QSet<QString>& NBSourceLSParser::bodyHandledSet() {
    static const QSet<QString> s = setOf({"foreign", "pos"});
    return s;
}

const QSet<QString>& NBSourceLSParser::bodyFormattingSet() {
    static const QSet<QString> s =
        setOf({"bibl", "author", "mood", "lbl", "usg", "number", "cit", "xr", "ref", "figure", "tr"});
    return s;
}

const QSet<QString>& NBSourceLSParser::headerCaptureSet() {
    static const QSet<QString> s =
        setOf({"title", "author", "sponsor", "principal", "funder", "pubPlace", "publisher", "date", "idno"});
    return s;
}

const QSet<QString>& NBSourceLSParser::noHeaderLogSet() {
    static const QSet<QString> s =
        setOf({"teiHeader", "fileDesc", "titleStmt", "respStmt", "resp", "name", "publicationStmt", "authority",
               "monogr", "imprint", "sourceDesc", "biblStruct", "refsDecl", "state", "encodingDesc", "langUsage",
               "language", "profileDesc", "item", "revisionDesc", "change"});
    return s;
}

namespace {

std::mutex& lookupMutex() {
    static std::mutex m;
    return m;
}

}  // namespace

const QHash<QString, QString>& NBSourceLSParser::lookupList() {
    // Read once; a table that could not be found is looked for again at the
    // next use, so that a late installation of the resources still counts.
    static QHash<QString, QString> table;
    static bool loaded = false;
    std::lock_guard<std::mutex> lock(lookupMutex());
    if (!loaded) {
        const QString path = DictionaryServices::resource(QStringLiteral("ExternalEntities"), QStringLiteral("strings"));
        if (!path.isEmpty()) {
            QString error;
            const ts::StringsTable strings = ts::StringsTable::fromFile(path, &error);
            if (!error.isEmpty()) TSLogError("Entity table %@: %@", path, error);
            for (const auto& [key, value] : strings.entries()) table.insert(key, value);
            loaded = true;
        }
    }
    return table;
}

// ---- Element kinds ----

enum class NBSourceLSParser::Kind : quint8 {
    Other, TEI2, TeiHeader, EntryFree, Sense, Orth, IType, Bibl, Gen, Pos, Case, Etym, Mood, Quote, Trans, Tr, Usg,
    Lbl, Ref, Cit, Xr, Number, Syn, Ant, Foreign, Hi, Cb, Pb, Author, Figure, Text, Body, Div0, Head, Count
};

namespace {

using KindT = int;

enum KindFlag : quint8 {
    BodyIgnoreStart = 1, SenseIgnoreStart = 2, BodyIgnoreText = 4, SenseIgnoreText = 8, BodyKeepsString = 16,
};

struct KindTable {
    QHash<QString, KindT> kinds;
    quint8 flags[64] = {};
};

}  // namespace

static const KindTable& kindTable() {
    using K = NBSourceLSParser;
    static const KindTable table = [] {
        KindTable t;
        const std::pair<const char*, int> names[] = {
            {"TEI.2", 1}, {"teiHeader", 2}, {"entryFree", 3}, {"sense", 4}, {"orth", 5}, {"itype", 6},
            {"bibl", 7}, {"gen", 8}, {"pos", 9}, {"case", 10}, {"etym", 11}, {"mood", 12}, {"quote", 13},
            {"trans", 14}, {"tr", 15}, {"usg", 16}, {"lbl", 17}, {"ref", 18}, {"cit", 19}, {"xr", 20},
            {"number", 21}, {"syn", 22}, {"ant", 23}, {"foreign", 24}, {"hi", 25}, {"cb", 26}, {"pb", 27},
            {"author", 28}, {"figure", 29}, {"text", 30}, {"body", 31}, {"div0", 32}, {"head", 33},
        };
        for (const auto& [name, kind] : names) {
            const QString n = QString::fromLatin1(name);
            t.kinds.insert(n, kind);
            quint8 f = 0;
            if (K::bodyIgnoreSet().contains(n)) f |= BodyIgnoreStart;
            if (K::senseIgnoreSet().contains(n)) f |= SenseIgnoreStart;
            if (K::bodyIgnoreText().contains(n)) f |= BodyIgnoreText;
            if (K::senseIgnoreText().contains(n)) f |= SenseIgnoreText;
            if (K::bodyFormattingSet().contains(n) || K::bodyHandledSet().contains(n)) f |= BodyKeepsString;
            t.flags[kind] = f;
        }
        return t;
    }();
    return table;
}

NBSourceLSParser::Kind NBSourceLSParser::kindOf(const QString& name) {
    // Called for every element: the names are few and short, so they are
    // told apart by their length and letters rather than by hashing.
    static const auto byLength = [] {
        std::array<std::vector<std::pair<QString, int>>, 10> groups;
        const KindTable& table = kindTable();
        for (auto it = table.kinds.begin(); it != table.kinds.end(); ++it)
            if (it.key().size() < qsizetype(groups.size())) groups[size_t(it.key().size())].emplace_back(it.key(), it.value());
        return groups;
    }();
    const qsizetype n = name.size();
    if (n >= qsizetype(byLength.size())) return Kind::Other;
    const QChar* letters = name.constData();
    for (const auto& [candidate, kind] : byLength[size_t(n)])
        if (std::equal(letters, letters + n, candidate.constData())) return Kind(kind);
    return Kind::Other;
}

namespace {

bool hasFlag(int kind, quint8 flag) { return (kindTable().flags[kind] & flag) != 0; }

}  // namespace

// ---- Stacks ----

namespace {

bool endsWithConjugation(const QString& text) {
    static const QRegularExpression number(QStringLiteral("(^|,)\\s*[1-4][\\s.]*$"));
    return number.match(text).hasMatch();
}

// Opening minus closing round brackets.
int bracketBalance(const QString& text) {
    int n = 0;
    for (QChar c : text) {
        if (c == u'(') ++n;
        else if (c == u')') --n;
    }
    return n;
}

}  // namespace

void NBSourceLSParser::pushElement(const QString& name) {
    const Kind kind = kindOf(name);
    stackList().append(name);
    if (depth_ < qsizetype(stackStrings_.size())) {
        // Keeps the buffer's storage when nobody else holds it.
        stackStrings_[size_t(depth_)].resize(0);
    } else {
        stackStrings_.emplace_back();
    }
    ++depth_;
    kinds_.push_back(kind);
    if (kind == Kind::TeiHeader) ++headerDepth_;
    else if (kind == Kind::Sense) ++senseDepth_;
    else if (kind == Kind::Cit) ++citDepth_;
}

void NBSourceLSParser::popElement() {
    if (!stackList().isEmpty()) stackList().removeLast();
    if (!kinds_.empty()) {
        const Kind kind = kinds_.back();
        kinds_.pop_back();
        if (kind == Kind::TeiHeader) --headerDepth_;
        else if (kind == Kind::Sense) --senseDepth_;
        else if (kind == Kind::Cit) --citDepth_;
    }
    if (depth_ > 0) {
        --depth_;
        // A long text is not kept alive for the rest of the conversion.
        QString& freed = stackStrings_[size_t(depth_)];
        if (freed.capacity() > 4096) freed = QString();
    }
}

QString NBSourceLSParser::lastStackString() const {
    return depth_ >= 1 ? stackStrings_[size_t(depth_ - 1)] : QString();
}

QString NBSourceLSParser::prevStackString() const {
    if (depth_ < 2) return QString();
    const QString& s = stackStrings_[size_t(depth_ - 2)];
    return s.isEmpty() ? QString() : s;
}

void NBSourceLSParser::setPrevStackString(const QString& string) {
    if (QString* below = enclosingBuffer()) *below = string.isNull() ? QLatin1String("") : string;
}

QString NBSourceLSParser::priorStackCaller() const {
    const QStringList& list = stackList();
    return list.size() < 2 ? QString() : list.at(list.size() - 2);
}

// ---- Events ----

void NBSourceLSParser::parserDidStartElement(ts::XMLEventParser&, const QString& elementName, const QString&,
                                             const QString&, const ts::XMLAttributes& attributes) {
    pushElement(elementName);
    // Slot by slot, so that the storage of the previous tag's attributes is
    // reused.
    elementDict_.clear();
    for (const auto& [name, value] : attributes) {
        auto& slot = elementDict_.appendSlot();
        slot.first = name;
        slot.second = value;
    }
    if (kinds_.back() == Kind::TEI2) return;
    if (inHeader()) headerDidStartElement(elementName, attributes);
    else if (inSense()) senseDidStartElement(elementName, attributes);
    else bodyDidStartElement(elementName, attributes);
}

void NBSourceLSParser::parserFoundCharacters(ts::XMLEventParser&, const QString& characters) {
    const bool caret = characters.contains(QLatin1Char('^'));
    if (inHeader()) {
        if (!stackList().isEmpty() && noHeaderLogSet().contains(stackList().constLast())) return;
        if (caret) curString() += QString(characters).remove(QLatin1Char('^'));
        else curString() += characters;
        return;
    }
    QString* top = topBuffer();
    if (!top) return;
    // Line breaks and indentation inside elements are layout, not text.
    appendCollapsed(*top, characters, caret);
}

void NBSourceLSParser::parserDidEndElement(ts::XMLEventParser&, const QString& elementName, const QString&,
                                           const QString&) {
    if (inHeader()) headerDidEndElement(elementName);
    else if (inSense()) bodyDidEndSenseElement(elementName);
    else bodyDidEndElement(elementName);
    if (!stackList().isEmpty()) prevStackElements_.append(stackList().constLast());
    popElement();
    if (stackList().size() != depth_) DSLog("String count mismatch");
}

std::optional<QByteArray> NBSourceLSParser::parserResolveExternalEntityName(ts::XMLEventParser&, const QString& name,
                                                                            const QString& systemID) {
    // The answer becomes the entity's text, which the parser then delivers
    // to parserFoundCharacters wherever the entity is used; the system
    // identifier is never followed.
    const QHash<QString, QString>& table = lookupList();
    auto it = table.constFind(name);
    if (it != table.constEnd()) return it.value().toUtf8();
    DSLog("resolveExternalEntityName %@\n%@", name, systemID);
    return std::nullopt;
}

// ---- Header ----

void NBSourceLSParser::headerDidStartElement(const QString& name, const ts::XMLAttributes& attributes) {
    if (noHeaderLogSet().contains(name) || headerCaptureSet().contains(name)) return;
    DSLog("%@:\n%@", name, ts::Value(attributes.toDictionary()).toString());
}

void NBSourceLSParser::headerDidEndElement(const QString& name) {
    if (!noHeaderLogSet().contains(name)) {
        if (headerCaptureSet().contains(name)) {
            curString() += lastStackString();
            if (!cleanedString().isEmpty()) setStoredValue(name, ts::Value(curString()));
        } else {
            DSLog("%@ %@ %@", curEntry() ? curEntry()->entry() : QString(), name, curString());
        }
    }
    clearCurString();
}

// ---- Body ----

void NBSourceLSParser::bodyDidStartElement(const QString& name, const ts::XMLAttributes& attributes) {
    const Kind kind = kinds_.empty() ? kindOf(name) : kinds_.back();
    if (hasFlag(int(kind), BodyIgnoreStart)) return;
    switch (kind) {
    case Kind::EntryFree: {
        auto entry = std::make_shared<DictionaryEntry>();
        setCurEntry(entry);
        entry->setKey(attributes.value(QStringLiteral("key")));
        allEntries().push_back(entry);
        language_ = 0;
        incomplete_ = false;
        prefixEnd_ = -1;
        posSeen_ = false;
        headBrackets_ = 0;
        headInSense_ = false;
        senseSeen_ = false;
        ownType_ = 0;
        headITypeTexts_.clear();
        senseITypes_.clear();
        pendingITypes_.clear();
        prevStackElements_.clear();
        curMeaning_.reset();
        quoteString_.clear();
        break;
    }
    case Kind::Quote:
    case Kind::Usg: break;
    case Kind::Foreign: startForeignWithAttributes(attributes); break;
    default:
        if (firstUnknownElement(name)) DSLog("%@:\n%@", name, ts::Value(attributes.toDictionary()).toString());
    }
}

void NBSourceLSParser::bodyDidEndElement(const QString& name) {
    const Kind kind = kinds_.empty() ? kindOf(name) : kinds_.back();
    bodyEnd(name, kind);
    if (!hasFlag(int(kind), BodyKeepsString)) clearCurString();
    elementDict_.clear();
}

void NBSourceLSParser::bodyEnd(const QString& name, Kind kind) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry && kind != Kind::EntryFree) {
        // Entry elements outside any entry have nothing to fill.
        const QString text = lastStackString();
        if (!hasFlag(int(kind), BodyIgnoreText) && !text.isEmpty()) DSLog("%@ %@ %@", QString(), name, text);
        return;
    }
    switch (kind) {
    case Kind::EntryFree:
        if (!entry) return;
        parseITypes();
        retryPendingITypes();
        iTypesArray_.clear();
        addResidualNotes(lastStackString());
        orthoStack_.clear();
        prevStackElements_.clear();
        settleHeadLine();
        if (entry->type() == 0) checkUnknownType();
        // Parts the source gives whole are written whole, so that the forms
        // made from the line never glue a stem in front of them.
        if (entry->type() == DictionaryEntry::Verb) {
            // A part the source writes unmarked takes the long marks of the
            // headword's letters it repeats (vīvo, vixi: vīxi); never a
            // short one, which the root's changed syllable need not keep.
            latinsource::finishVerbLine(entry, true, prefixEnd_);
            settleVerbConjugation();
        }
        if (entry->getCase() != 0 && entry->type() != DictionaryEntry::Preposition &&
            entry->type() != DictionaryEntry::AdverbAndPreposition)
            DSLog("%@ case entered:", entry->key());
        return;
    case Kind::Orth: parseITypes(); parseOrth(); return;
    case Kind::IType: handleBodyIType(); return;
    case Kind::Bibl: appendStringToPrevEntry(lastStackString()); return;
    case Kind::Gen: parseITypes(); handleGen(); return;
    case Kind::Pos:
        // Inside a bracketed remark of the head the class is a form's
        // ("nascor, nātus (… gnatus, v. under P. a. …)"), not the entry's.
        if (bracketBalance(prevStackString()) > 0) {
            appendLastStringToPrevEntry();
            return;
        }
        posSeen_ = true;
        parsePos();
        parseITypes();
        return;
    case Kind::Case: parseCase(true); return;
    case Kind::Etym: addEtymology(); return;
    case Kind::Mood: parseMood(); return;
    case Kind::Quote:
    case Kind::Trans:
    case Kind::Tr:
    case Kind::Usg:
    case Kind::Lbl:
    case Kind::Ref:
    case Kind::Cit:
    case Kind::Xr:
    // A citation's author heads its reference ("Cic. Att. 1, 2").
    case Kind::Author:
    case Kind::Number: appendLastStringToPrevEntry(); return;
    case Kind::Syn: addSynonyms(lastStackString()); return;
    case Kind::Ant: addAntonyms(lastStackString()); return;
    case Kind::Foreign: {
        const QString text = parseForeignString();
        if (!text.isNull()) appendStringToPrevEntry(text);
        return;
    }
    default:
        if (!hasFlag(int(kind), BodyIgnoreText)) {
            const QString text = lastStackString();
            if (!text.isEmpty()) DSLog("%@ %@ %@", keyText(), name, text);
        }
    }
}

// ---- Senses ----

void NBSourceLSParser::senseDidStartElement(const QString& name, const ts::XMLAttributes& attributes) {
    const Kind kind = kinds_.empty() ? kindOf(name) : kinds_.back();
    if (hasFlag(int(kind), SenseIgnoreStart)) return;
    if (kind == Kind::Sense) {
        ++statistics_.senses;
        if (!curEntry()) {
            DSLog("sense outside an entry %@", attributes.value(QStringLiteral("id")));
            return;
        }
        if (headInSense_) endHeadInSense();
        if (!senseSeen_) {
            if (QString* head = enclosingBuffer()) takeLooseParts(*head);
        }
        const int open = senseSeen_ ? 0 : bracketBalance(prevStackString());
        senseSeen_ = true;
        if (open > 0) {
            // The head's inflection texts wait for the rest of the head,
            // which gives the conjugation or gender they depend on.
            headBrackets_ = open;
            headInSense_ = true;
            headITypes_ = iTypesArray_.size();
        } else {
            parseITypes();
            iTypesArray_.clear();
        }
        addResidualNotes(prevStackString());
        setPrevStackString(QString());
        addNewSense(attributes);
    } else if (kind == Kind::Foreign) {
        startForeignWithAttributes(attributes);
    } else if (firstUnknownElement(name)) {
        DSLog("%@:\n%@", name, ts::Value(attributes.toDictionary()).toString());
    }
}

void NBSourceLSParser::bodyDidEndSenseElement(const QString& name) {
    const Kind kind = kinds_.empty() ? kindOf(name) : kinds_.back();
    if (curEntry()) senseEnd(name, kind);
    clearCurString();
}

void NBSourceLSParser::takeLooseParts(QString& head) {
    // Parts the source writes as plain text of the head, outside any
    // remark and with their conjugation number ("ef-fŏdĭo, …, fōdi, fossum,
    // 3 (…"), or the number alone after parts it did mark; never the last
    // number of a reference ("Quint. 11, 3, 183").
    QString masked = head;
    int depth = 0;
    for (QChar& c : masked) {
        if (c == u'(') ++depth;
        const bool inside = depth > 0;
        if (c == u')') depth = qMax(0, depth - 1);
        if (inside || c == u')') c = u'(';
    }
    static const QRegularExpression parts(
        QStringLiteral("(?:^|(?<![\\d\\s])\\s*[,;:]\\s*)((?:[^\\W\\d]+(?: or [^\\W\\d]+)?\\s*,\\s*){0,3})([1-4])(?=\\s*(?:[,;:(]|$))"),
        QRegularExpression::UseUnicodePropertiesOption);
    QRegularExpressionMatch last;
    for (auto it = parts.globalMatch(masked); it.hasNext();) last = it.next();
    if (!last.hasMatch()) {
        // "rĕ-vĕrĕor, ĭtus. 2,": a full stop for the comma after a lone
        // participle or supine; taken only where it is the head's one such
        // pair, so that a reference ("Plin. 3") or a later form's parts are
        // not read as the entry's.
        static const QRegularExpression stopped(
            QStringLiteral("(?:^|[,;:]\\s*)(\\p{Ll}[^\\W\\d]*(?:us|um))\\.\\s+([1-4])(?=\\s*(?:[,;:(]|$))"),
            QRegularExpression::UseUnicodePropertiesOption);
        if (!orthoStack_.empty()) return;
        auto it = stopped.globalMatch(masked);
        if (!it.hasNext()) return;
        const QRegularExpressionMatch only = it.next();
        if (it.hasNext()) return;
        iTypesArray_ << only.captured(1) + QStringLiteral(", ") + only.captured(2);
        head.remove(only.capturedStart(1), only.capturedEnd(2) - only.capturedStart(1));
        return;
    }
    const QString words = last.captured(1).trimmed();
    if (words.isEmpty() && (iTypesArray_.isEmpty() || endsWithConjugation(iTypesArray_.constLast()))) return;
    iTypesArray_ << (words.isEmpty() ? last.captured(2) : words + QLatin1Char(' ') + last.captured(2));
    head.remove(last.capturedStart(1), last.capturedEnd(2) - last.capturedStart(1));
}

bool NBSourceLSParser::atHeadLevel() const {
    if (!headInSense_ || priorStackCaller() != QLatin1String("sense")) return false;
    return -bracketBalance(prevStackString()) >= headBrackets_;
}

bool NBSourceLSParser::takeHeadPosFromHi() {
    static const QRegularExpression verbal(
        QStringLiteral("^v\\.\\s+(dep|a|n|freq|inch|irreg|impers|desid|intens|defect)\\b"));
    const QString pos = collapseWhiteSpace(lastStackString()).trimmed();
    if (posSeen_ || !verbal.match(pos).hasMatch()) return false;
    QString* head = enclosingBuffer();
    if (!head) return false;
    // The number written between the remark's close and the class.
    static const QRegularExpression number(QStringLiteral("\\)\\s*,\\s*([1-4])\\s*,?\\s*$"));
    const QRegularExpressionMatch n = number.match(*head);
    if (n.hasMatch()) {
        iTypesArray_ << n.captured(1);
        head->remove(n.capturedStart(1), n.capturedLength(1));
    }
    posSeen_ = true;
    // The italics may run on into the meaning ("v. n., to stand before"):
    // the class is the text before the first comma.
    handle1ComponentPos(pos.section(u',', 0, 0));
    // The class closes the head, as any italics there do.
    endHeadInSense();
    return true;
}

void NBSourceLSParser::endHeadInSense() {
    headInSense_ = false;
    parseITypes();
}

void NBSourceLSParser::senseEnd(const QString& name, Kind kind) {
    const DictionaryEntryPtr entry = curEntry();
    if (headInSense_) {
        if (atHeadLevel()) {
            // The head's own fields, read as they are before a sense.
            switch (kind) {
            case Kind::Gen: parseITypes(); handleGen(); return;
            case Kind::IType: handleBodyIType(); return;
            case Kind::Pos:
                // The inflection texts are read as they would have been at
                // the sense's start; those the rest of the head completes
                // wait for it.
                if (!iTypesArray_.isEmpty() && !endsWithConjugation(iTypesArray_.constLast())) {
                    QStringList later = iTypesArray_.mid(headITypes_);
                    iTypesArray_ = iTypesArray_.mid(0, headITypes_);
                    parseITypes();
                    iTypesArray_ = later;
                }
                if (!posSeen_ && entry->type() == DictionaryEntry::Noun) retypeAsVerbFromSense(lastStackString());
                posSeen_ = true;
                parsePos();
                parseITypes();
                return;
            case Kind::Hi:
                if (takeHeadPosFromHi()) return;
                [[fallthrough]];
            case Kind::Cit:
            case Kind::Quote: endHeadInSense(); break;
            default: break;
            }
        } else if (kind == Kind::IType || kind == Kind::Pos || kind == Kind::Gen) {
            // Inside the remark: forms of the word, not its class.
            if (kind == Kind::Gen) appendStringToPrevEntry(QStringLiteral("(%1)").arg(lastStackString()));
            else appendLastStringToPrevEntry();
            return;
        }
    }
    switch (kind) {
    case Kind::Sense:
        if (headInSense_) endHeadInSense();
        finishSense();
        quoteString_.clear();
        return;
    case Kind::Foreign: {
        const QString text = parseForeignString();
        if (!text.isNull()) appendStringToPrevEntry(text);
        return;
    }
    case Kind::Cit: addExample(); return;
    case Kind::Quote:
        if (!quoteString_.isNull()) DSLog("%@ non nil quote string %@", entry->key(), quoteString_);
        // The quote itself is open, so an enclosing citation makes the count at least 1.
        if (citDepth_ == 0) DSLog("%@ quote not in citation", entry->key());
        quoteString_ = lastStackString();
        if (quoteString_.isNull()) quoteString_ = QLatin1String("");
        return;
    case Kind::Lbl:
    case Kind::Usg:
    case Kind::Trans:
    case Kind::Tr:
    case Kind::Number:
    case Kind::Author:
    case Kind::Hi: appendLastStringToPrevEntry(); return;
    case Kind::Bibl: insertBibliography(); return;
    case Kind::Ref:
    case Kind::Xr:
    case Kind::Orth: appendStringToPrevEntry(lastStackString()); return;
    case Kind::Cb:
    case Kind::Pb: {
        const QString text = lastStackString();
        if (!text.isEmpty()) {
            if (kind == Kind::Cb) DSLog("%@ cb > 0 %@", entry->key(), text);
            else DSLog("%@ pb > 0 %@", entry->key(), text);
        }
        return;
    }
    case Kind::Case:
        if (entry->type() != DictionaryEntry::Verb) parseCase(false);
        appendLastStringToPrevEntry();
        return;
    case Kind::Pos:
        if (entry->type() == 0) parsePos();
        else if (!posSeen_ && entry->type() == DictionaryEntry::Noun) retypeAsVerbFromSense(lastStackString());
        posSeen_ = true;
        appendLastStringToPrevEntry();
        return;
    case Kind::IType:
        if (!posSeen_ && entry->type() == DictionaryEntry::Noun) senseITypes_ << lastStackString();
        if (entry->type() == 0) {
            parseIType(lastStackString());
            if (entry->type() == 0) appendLastStringToPrevEntry();
        } else {
            appendLastStringToPrevEntry();
        }
        return;
    case Kind::Gen: appendStringToPrevEntry(QStringLiteral("(%1)").arg(lastStackString())); return;
    case Kind::Mood:
        if (entry->type() == 0) parseMood();
        appendLastStringToPrevEntry();
        return;
    case Kind::Etym: appendStringToPrevEntry(QStringLiteral("from %1").arg(lastStackString())); return;
    case Kind::Syn: addSynonyms(lastStackString()); return;
    case Kind::Ant: addAntonyms(lastStackString()); return;
    default:
        if (!hasFlag(int(kind), SenseIgnoreText)) DSLog("%@ %@ %@", entry->entry(), name, lastStackString());
    }
}

// ---- Foreign-language runs ----

void NBSourceLSParser::startForeignWithAttributes(const ts::XMLAttributes& attributes) {
    const QString lang = attributes.value(QStringLiteral("lang"));
    if (lang.isNull()) language_ = 0;
    else if (lang == QLatin1String("la")) language_ = 1;
    else if (lang == QLatin1String("greek")) language_ = 2;
    else {
        language_ = 0;
        DSLog("Language = %@", lang);
    }
}

bool NBSourceLSParser::containsGreekLetters(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x0370 && u <= 0x03FF) || (u >= 0x1F00 && u <= 0x1FFF)) return true;
    }
    return false;
}

QString NBSourceLSParser::parseForeignString() {
    QString text = lastStackString();
    if (text.isEmpty()) return QString();
    // Sources whose Greek is already in Greek letters would be garbled by a
    // second conversion.
    if (language_ == 2 && !containsGreekLetters(text)) text = convertBetacode(text);
    language_ = 1;
    return text;
}

QString NBSourceLSParser::attribution() const {
    return DictionaryServices::localized(QStringLiteral("LS_ATTRIBUTION"));
}
