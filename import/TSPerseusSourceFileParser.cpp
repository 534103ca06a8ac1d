#include "TSPerseusSourceFileParser.h"

#include "TSPerseusText.h"
#include "app/logging/LGLog.h"

using ts::Value;
using ts::ValueArray;
using ts::ValueDictionary;

namespace {

QSet<QString> makeSet(std::initializer_list<const char*> names) {
    QSet<QString> set;
    for (const char* n : names) set.insert(QString::fromLatin1(n));
    return set;
}

// Body elements whose text is a node of its own rather than part of the
// text around them.
bool keepsOwnText(const QString& name) {
    return name == QLatin1String("head") || name == QLatin1String("note");
}

}  // namespace

const QSet<QString>& TSPerseusSourceFileParser::ignoreSet() {
    static const QSet<QString> set = makeSet(
        {"TEI.2", "teiHeader", "fileDesc", "titleStmt", "extent", "sourceDesc", "biblStruct", "monogr", "imprint",
         "correction", "editorialDecl", "encodingDesc", "profileDesc", "langUsage", "revisionDesc", "change",
         "respStmt", "name", "resp", "item", "castList", "text", "body", "sp", "bibl", "idno"});
    return set;
}

const QSet<QString>& TSPerseusSourceFileParser::storableSet() {
    static const QSet<QString> set = makeSet({"title", "author", "editor", "pubPlace", "publisher", "date"});
    return set;
}

const QSet<QString>& TSPerseusSourceFileParser::headerCaptureSet() {
    static const QSet<QString> set = makeSet(
        {"title", "author", "editor", "sponsor", "principal", "funder", "pubPlace", "publisher", "date", "idno"});
    return set;
}

const QSet<QString>& TSPerseusSourceFileParser::noHeaderLogSet() {
    static const QSet<QString> set = makeSet(
        {"teiHeader", "fileDesc", "titleStmt", "respStmt", "resp", "name", "publicationStmt", "authority", "monogr",
         "imprint", "sourceDesc", "biblStruct", "refsDecl", "state", "encodingDesc", "langUsage", "language",
         "profileDesc", "item", "revisionDesc", "change", "extent"});
    return set;
}

const QSet<QString>& TSPerseusSourceFileParser::bodyIgnoreSet() {
    static const QSet<QString> set = makeSet({"text", "p"});
    return set;
}

const QSet<QString>& TSPerseusSourceFileParser::bodyNoLogSet() {
    static const QSet<QString> set = makeSet({"text", "pb", "head", "note"});
    return set;
}

const QSet<QString>& TSPerseusSourceFileParser::noLogSet() {
    static const QSet<QString> set = makeSet({"p", "head", "role", "placeName", "roleDesc", "speaker", "stage",
                                              "persName", "abbr", "expan", "num", "gap", "emph"});
    return set;
}

const QSet<QString>& TSPerseusSourceFileParser::ignoreText() {
    static const QSet<QString> set = makeSet({"camels"});
    return set;
}

const QHash<QString, QString>& TSPerseusSourceFileParser::lookupList() {
    return TSPerseusText::lookupList();
}

// --- state ---

void TSPerseusSourceFileParser::reset() {
    language_ = 0;
    stackStrings_.clear();
    fullStrings_.clear();
    stackList_.clear();
    storedData_.clear();
    hasStoredData_ = false;
    chunkStack_.clear();
    noteStack_.clear();
    lastMilestoneLine_ = 0;
}

Value TSPerseusSourceFileParser::data() const {
    return hasStoredData_ ? Value(storedData_) : Value();
}

ValueDictionary& TSPerseusSourceFileParser::storedData() {
    if (!hasStoredData_) {
        hasStoredData_ = true;
        storedData_[QStringLiteral("state")] = ValueArray();
        storedData_[QStringLiteral("language")] = ValueDictionary();
    }
    return storedData_;
}

bool TSPerseusSourceFileParser::inHeader() const {
    return stackList_.contains(QStringLiteral("teiHeader"));
}

QString TSPerseusSourceFileParser::lastStackString() const {
    if (stackStrings_.isEmpty() || stackStrings_.last().isEmpty()) return {};
    return stackStrings_.last();
}

QString TSPerseusSourceFileParser::prevStackString() const {
    if (stackStrings_.size() < 2 || stackStrings_.at(stackStrings_.size() - 2).isEmpty()) return {};
    return stackStrings_.at(stackStrings_.size() - 2);
}

void TSPerseusSourceFileParser::setPrevStackString(const QString& string) {
    if (stackStrings_.size() < 2) return;
    stackStrings_[stackStrings_.size() - 2] = string;
    fullStrings_[fullStrings_.size() - 2] = std::make_shared<QString>(string);
}

namespace {
QString trimmedText(const QString& text) {
    QString t = text.trimmed();
    t.replace(QLatin1Char('\n'), QLatin1Char(' '));
    t.replace(QLatin1Char('\r'), QLatin1Char(' '));
    return t;
}
}  // namespace

QString TSPerseusSourceFileParser::trimmedCurString() const {
    return trimmedText(lastStackString());
}

QString TSPerseusSourceFileParser::parseForeignString() {
    QString s = lastStackString();
    if (language_ == 2) s = convertBetacode(s);
    language_ = 0;
    return s;
}

TSTextPtr TSPerseusSourceFileParser::text() {
    Value& slot = storedData()[QStringLiteral("Text")];
    if (auto t = slot.toObjectAs<TSText>()) return t;
    auto t = std::make_shared<TSText>();
    slot = Value(t);
    return t;
}

TSChunkPtr TSPerseusSourceFileParser::curChunk() const {
    return chunkStack_.empty() ? nullptr : chunkStack_.back();
}

std::shared_ptr<TSLine> TSPerseusSourceFileParser::lastLine() const {
    return std::dynamic_pointer_cast<TSLine>(curChunk());
}

QString TSPerseusSourceFileParser::parentStackFrame() const {
    return stackList_.size() < 2 ? QString() : stackList_.at(stackList_.size() - 2);
}

QString TSPerseusSourceFileParser::stateForLevel(qint64 level) {
    const ValueArray& state = storedData()[QStringLiteral("state")].array();
    if (level < 0 || level >= qint64(state.size())) return QStringLiteral("");
    return state[size_t(level)].toString();
}

QString TSPerseusSourceFileParser::curLanguage() const {
    switch (language_) {
    case 1: return QStringLiteral("la");
    case 2: return QStringLiteral("greek");
    default: return {};
    }
}

bool TSPerseusSourceFileParser::inNote() const {
    return stackList_.contains(QStringLiteral("note"));
}

void TSPerseusSourceFileParser::setHeadName() {
    const QString head = trimmedCurString();
    if (parentStackFrame() == QLatin1String("castList") && !head.isEmpty()) text()->castList()->setName(head);
}

// --- events ---

void TSPerseusSourceFileParser::parserDidStartElement(ts::XMLEventParser&, const QString& name, const QString&,
                                                      const QString&, const ts::XMLAttributes& attributes) {
    storedData();
    stackList_ << name;
    stackStrings_.append(QString());
    fullStrings_.append(std::make_shared<QString>());
    if (name == QLatin1String("TEI.2")) return;

    if (inHeader()) {
        if (!noHeaderLogSet().contains(name) && !headerCaptureSet().contains(name))
            TSLogError("%@:\n%@", name, Value(attributes.toDictionary()));
        return;
    }
    if (bodyIgnoreSet().contains(name) || bodyNoLogSet().contains(name) || name == QLatin1String("body") ||
        name == QLatin1String("quote") || name == QLatin1String("usg"))
        return;
    if (name == QLatin1String("div1"))
        language_ = 0;
    else if (name == QLatin1String("milestone"))
        startMilestone(attributes);
    else if (name == QLatin1String("foreign"))
        startForeignWithAttributes(attributes);
    else
        TSLogError("%@:\n%@", name, Value(attributes.toDictionary()));
}

void TSPerseusSourceFileParser::startMilestone(const ts::XMLAttributes& attributes) {
    const QString n = attributes.value(QStringLiteral("n"));
    auto line = std::make_shared<TSLine>();
    line->setName(n);
    line->setTln(TSPerseusText::integerValue(n));
    lastMilestoneLine_ = line->tln();
    if (chunkStack_.empty()) chunkStack_.push_back(std::make_shared<TSText>());
    chunkStack_.back()->addChild(line);
}

void TSPerseusSourceFileParser::startForeignWithAttributes(const ts::XMLAttributes& attributes) {
    const QString lang = attributes.value(QStringLiteral("lang"));
    if (lang.isNull()) {
        language_ = 0;
    } else if (lang == QLatin1String("la")) {
        language_ = 1;
    } else if (lang == QLatin1String("greek")) {
        language_ = 2;
    } else {
        language_ = 0;
        TSLogError("Language = %@", lang);
    }
}

void TSPerseusSourceFileParser::parserFoundCharacters(ts::XMLEventParser&, const QString& characters) {
    if (stackList_.isEmpty()) return;
    if (inHeader() && noHeaderLogSet().contains(stackList_.last())) return;
    stackStrings_.last() += characters;
    *fullStrings_.last() += characters;
}

void TSPerseusSourceFileParser::parserDidEndElement(ts::XMLEventParser&, const QString& name, const QString&,
                                                    const QString&) {
    if (stackList_.isEmpty()) return;
    const bool header = inHeader();
    if (header)
        endHeaderElement(name);
    else
        endBodyElement(name);

    const std::shared_ptr<QString> full = fullStrings_.takeLast();
    const bool greek = name == QLatin1String("foreign") && !header && language_ == 2;
    if (name == QLatin1String("foreign")) language_ = 0;
    stackStrings_.removeLast();
    stackList_.removeLast();
    if (!header && !keepsOwnText(name) && !fullStrings_.isEmpty())
        *fullStrings_.last() += greek ? convertBetacode(*full) : *full;
    if (stackList_.size() != stackStrings_.size()) TSLogError("String count mismatch");
}

void TSPerseusSourceFileParser::endHeaderElement(const QString& name) {
    if (ignoreSet().contains(name)) return;
    if (storableSet().contains(name)) {
        const QString value = lastStackString();
        if (!value.isNull()) storedData()[name] = value;
        return;
    }
    logUnplacedText(name);
}

void TSPerseusSourceFileParser::endBodyElement(const QString& name) {
    if (bodyIgnoreSet().contains(name)) return;
    if (name == QLatin1String("head")) {
        auto heading = std::make_shared<TSText>();
        const QString title = trimmedText(*fullStrings_.last());
        if (!title.isEmpty()) heading->setName(title);
        chunkStack_.push_back(heading);
    } else if (name == QLatin1String("note")) {
        auto note = std::make_shared<TSNote>();
        note->setName(trimmedText(*fullStrings_.last()));
        if (fullStrings_.size() >= 2) {
            const std::shared_ptr<QString>& before = fullStrings_.at(fullStrings_.size() - 2);
            note->setPrecedingText(before, before->size());
        } else {
            note->setPrecedingText(QString());
        }
        note->setTln(curSection());
        noteStack_.push_back(note);
    } else if (name == QLatin1String("milestone")) {
        const QString inside = lastStackString();
        if (!inside.isNull()) TSLogError("Milestone string not nil %@", inside);
    } else {
        logUnplacedText(name);
    }
}

void TSPerseusSourceFileParser::logUnplacedText(const QString& name) const {
    const QString t = trimmedCurString();
    if (!t.isEmpty() && name != QLatin1String("placeName")) TSLogError("%@:\n%@", name, t);
}

std::optional<QByteArray> TSPerseusSourceFileParser::parserResolveExternalEntityName(ts::XMLEventParser&,
                                                                                    const QString& name,
                                                                                    const QString& systemID) {
    return TSPerseusText::entityReplacement(name, systemID);
}
