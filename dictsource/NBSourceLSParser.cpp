// Element dispatch, the header and the entity table of the Lewis and Short
// converter.
#include "dictsource/NBSourceLSParser.h"

#include "dictionaries/DictionaryServices.h"
#include "app/logging/LGLog.h"
#include "platform/StringsTable.h"

#include <mutex>


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
    headerDepth_ = senseDepth_ = 0;
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
               "itype", "gen", "hi", "number", "mood", "etym", "figure", "syn", "ant"});
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

// ---- Stacks ----

void NBSourceLSParser::pushElement(const QString& name) {
    stackList().append(name);
    stackStrings_.emplace_back();
    if (name == QLatin1String("teiHeader")) ++headerDepth_;
    else if (name == QLatin1String("sense")) ++senseDepth_;
}

void NBSourceLSParser::popElement() {
    if (!stackList().isEmpty()) {
        const QString& name = stackList().constLast();
        if (name == QLatin1String("teiHeader")) --headerDepth_;
        else if (name == QLatin1String("sense")) --senseDepth_;
        stackList().removeLast();
    }
    if (!stackStrings_.empty()) stackStrings_.pop_back();
}

QString NBSourceLSParser::lastStackString() const {
    return stackStrings_.empty() ? QString() : stackStrings_.back();
}

QString NBSourceLSParser::prevStackString() const {
    if (stackStrings_.size() < 2) return QString();
    const QString& s = stackStrings_[stackStrings_.size() - 2];
    return s.isEmpty() ? QString() : s;
}

void NBSourceLSParser::setPrevStackString(const QString& string) {
    if (stackStrings_.size() < 2) return;
    stackStrings_[stackStrings_.size() - 2] = string.isNull() ? QLatin1String("") : string;
}

QString NBSourceLSParser::priorStackCaller() const {
    const QStringList& list = stackList();
    return list.size() < 2 ? QString() : list.at(list.size() - 2);
}

// ---- Events ----

void NBSourceLSParser::parserDidStartElement(ts::XMLEventParser&, const QString& elementName, const QString&,
                                             const QString&, const ts::XMLAttributes& attributes) {
    pushElement(elementName);
    elementDict_ = attributes;
    if (elementName == QLatin1String("TEI.2")) return;
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
    if (stackStrings_.empty()) return;
    if (caret) stackStrings_.back() += QString(characters).remove(QLatin1Char('^'));
    else stackStrings_.back() += characters;
}

void NBSourceLSParser::parserDidEndElement(ts::XMLEventParser&, const QString& elementName, const QString&,
                                           const QString&) {
    if (inHeader()) headerDidEndElement(elementName);
    else if (inSense()) bodyDidEndSenseElement(elementName);
    else bodyDidEndElement(elementName);
    if (!stackList().isEmpty()) prevStackElements_.append(stackList().constLast());
    popElement();
    if (stackList().size() != qsizetype(stackStrings_.size())) DSLog("String count mismatch");
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
    if (bodyIgnoreSet().contains(name)) return;
    if (name == QLatin1String("entryFree")) {
        auto entry = std::make_shared<DictionaryEntry>();
        setCurEntry(entry);
        entry->setKey(attributes.value(QStringLiteral("key")));
        allEntries().push_back(entry);
        language_ = 0;
        incomplete_ = false;
        prevStackElements_.clear();
        curMeaning_.reset();
        quoteString_.clear();
    } else if (name == QLatin1String("quote") || name == QLatin1String("usg")) {
    } else if (name == QLatin1String("foreign")) {
        startForeignWithAttributes(attributes);
    } else {
        DSLog("%@:\n%@", name, ts::Value(attributes.toDictionary()).toString());
    }
}

void NBSourceLSParser::bodyDidEndElement(const QString& name) {
    const DictionaryEntryPtr entry = curEntry();
    if (name == QLatin1String("entryFree")) {
        if (entry) {
            parseITypes();
            addResidualNotes(lastStackString());
            orthoStack_.clear();
            prevStackElements_.clear();
            if (entry->type() == 0) checkUnknownType();
            if (entry->getCase() != 0 && entry->type() != DictionaryEntry::Preposition &&
                entry->type() != DictionaryEntry::AdverbAndPreposition)
                DSLog("%@ case entered:", entry->key());
        }
    } else if (!entry && !bodyIgnoreText().contains(name)) {
        // Entry elements outside any entry have nothing to fill.
        const QString text = lastStackString();
        if (!text.isEmpty()) DSLog("%@ %@ %@", QString(), name, text);
    } else if (name == QLatin1String("orth")) {
        parseITypes();
        parseOrth();
    } else if (name == QLatin1String("itype")) {
        handleBodyIType();
    } else if (name == QLatin1String("bibl")) {
        appendStringToPrevEntry(lastStackString());
    } else if (name == QLatin1String("gen")) {
        parseITypes();
        handleGen();
    } else if (name == QLatin1String("pos")) {
        parsePos();
        parseITypes();
    } else if (name == QLatin1String("case")) {
        parseCase(true);
    } else if (name == QLatin1String("etym")) {
        addEtymology();
    } else if (name == QLatin1String("mood")) {
        parseMood();
    } else if (name == QLatin1String("quote") || name == QLatin1String("trans") || name == QLatin1String("tr") ||
               name == QLatin1String("usg") || name == QLatin1String("lbl") || name == QLatin1String("ref") ||
               name == QLatin1String("cit") || name == QLatin1String("xr") || name == QLatin1String("number")) {
        appendLastStringToPrevEntry();
    } else if (name == QLatin1String("syn")) {
        addSynonyms(lastStackString());
    } else if (name == QLatin1String("ant")) {
        addAntonyms(lastStackString());
    } else if (name == QLatin1String("foreign")) {
        const QString text = parseForeignString();
        if (!text.isNull()) appendStringToPrevEntry(text);
    } else if (!bodyIgnoreText().contains(name)) {
        const QString text = lastStackString();
        if (!text.isEmpty()) DSLog("%@ %@ %@", keyText(), name, text);
    }
    if (!bodyFormattingSet().contains(name) && !bodyHandledSet().contains(name)) clearCurString();
    elementDict_.clear();
}

// ---- Senses ----

void NBSourceLSParser::senseDidStartElement(const QString& name, const ts::XMLAttributes& attributes) {
    if (senseIgnoreSet().contains(name)) return;
    if (name == QLatin1String("sense")) {
        ++statistics_.senses;
        if (!curEntry()) {
            DSLog("sense outside an entry %@", attributes.value(QStringLiteral("id")));
            return;
        }
        parseITypes();
        addResidualNotes(prevStackString());
        setPrevStackString(QString());
        iTypesArray_.clear();
        addNewSense(attributes);
    } else if (name == QLatin1String("foreign")) {
        startForeignWithAttributes(attributes);
    } else {
        DSLog("%@:\n%@", name, ts::Value(attributes.toDictionary()).toString());
    }
}

void NBSourceLSParser::bodyDidEndSenseElement(const QString& name) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) {
        clearCurString();
        return;
    }
    if (name == QLatin1String("sense")) {
        finishSense();
        quoteString_.clear();
    } else if (name == QLatin1String("foreign")) {
        const QString text = parseForeignString();
        if (!text.isNull()) appendStringToPrevEntry(text);
    } else if (name == QLatin1String("cit")) {
        addExample();
    } else if (name == QLatin1String("quote")) {
        if (!quoteString_.isNull()) DSLog("%@ non nil quote string %@", entry->key(), quoteString_);
        if (!stackList().contains(QStringLiteral("cit"))) DSLog("%@ quote not in citation", entry->key());
        quoteString_ = lastStackString();
        if (quoteString_.isNull()) quoteString_ = QLatin1String("");
    } else if (name == QLatin1String("lbl") || name == QLatin1String("usg") || name == QLatin1String("trans") ||
               name == QLatin1String("tr") || name == QLatin1String("number") || name == QLatin1String("hi")) {
        appendLastStringToPrevEntry();
    } else if (name == QLatin1String("bibl")) {
        insertBibliography();
    } else if (name == QLatin1String("ref") || name == QLatin1String("xr") || name == QLatin1String("orth")) {
        appendStringToPrevEntry(lastStackString());
    } else if (name == QLatin1String("cb") || name == QLatin1String("pb")) {
        const QString text = lastStackString();
        if (!text.isEmpty()) {
            if (name == QLatin1String("cb")) DSLog("%@ cb > 0 %@", entry->key(), text);
            else DSLog("%@ pb > 0 %@", entry->key(), text);
        }
    } else if (name == QLatin1String("case")) {
        if (entry->type() != DictionaryEntry::Verb) parseCase(false);
        appendLastStringToPrevEntry();
    } else if (name == QLatin1String("pos")) {
        if (entry->type() == 0) parsePos();
        appendLastStringToPrevEntry();
    } else if (name == QLatin1String("itype")) {
        if (entry->type() == 0) {
            parseIType(lastStackString());
            if (entry->type() == 0) appendLastStringToPrevEntry();
        } else {
            appendLastStringToPrevEntry();
        }
    } else if (name == QLatin1String("gen")) {
        appendStringToPrevEntry(QStringLiteral("(%1)").arg(lastStackString()));
    } else if (name == QLatin1String("mood")) {
        if (entry->type() == 0) parseMood();
        appendLastStringToPrevEntry();
    } else if (name == QLatin1String("etym")) {
        appendStringToPrevEntry(QStringLiteral("from %1").arg(lastStackString()));
    } else if (name == QLatin1String("syn")) {
        addSynonyms(lastStackString());
    } else if (name == QLatin1String("ant")) {
        addAntonyms(lastStackString());
    } else if (!senseIgnoreText().contains(name)) {
        DSLog("%@ %@ %@", entry->entry(), name, lastStackString());
    }
    clearCurString();
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

// ---- Hooks ----

void NBSourceLSParser::parseITypes() { iTypesArray_.clear(); }
void NBSourceLSParser::parseIType(const QString&) {}
void NBSourceLSParser::parsePos() {}
void NBSourceLSParser::checkUnknownType() {}
QString NBSourceLSParser::checkForType(const QString& text) { return text; }
void NBSourceLSParser::queryHyphen() {}
