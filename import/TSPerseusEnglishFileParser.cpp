#include "TSPerseusEnglishFileParser.h"

#include "TSPerseusText.h"
#include "app/logging/LGLog.h"
#include "textmodel/TSMatchedChunk.h"

#include <QRegularExpression>

using ts::Value;
using ts::ValueArray;
using ts::ValueDictionary;

namespace {

const QString kState = QStringLiteral("state");
const QString kLanguage = QStringLiteral("language");

QSet<QString> makeSet(std::initializer_list<const char*> names) {
    QSet<QString> set;
    for (const char* n : names) set.insert(QString::fromLatin1(n));
    return set;
}

// Elements that never get a buffer: their text is simply the enclosing
// element's text, and an empty marker reads the text before it from there.
const QSet<QString>& transparentSet() {
    static const QSet<QString> set =
        makeSet({"placeName", "bibl", "persName", "rs", "cit", "l", "surname", "milestone", "sp"});
    return set;
}

// Elements whose text ends in a node or a field of their own (or is only the
// white space between their children), and so is not handed on.
const QSet<QString>& consumedSet() {
    static const QSet<QString> set =
        makeSet({"foreign", "quote", "abbr", "emph", "term", "note", "gloss", "lemma", "stage", "speaker", "p",
                 "role", "roleDesc", "castItem", "language", "head", "div0", "div1", "div2", "lb", "state",
                 "refsDecl"});
    return set;
}

}  // namespace

const QSet<QString>& TSPerseusEnglishFileParser::ignoreSet() {
    static const QSet<QString> set = makeSet(
        {"TEI.2", "teiHeader", "fileDesc", "titleStmt", "extent", "sourceDesc", "biblStruct", "monogr", "imprint",
         "correction", "editorialDecl", "encodingDesc", "profileDesc", "langUsage", "revisionDesc", "change",
         "respStmt", "name", "resp", "item", "castList", "text", "body", "sp", "castGroup", "closer", "signed",
         "abbbr", "dateRange"});
    return set;
}

const QSet<QString>& TSPerseusEnglishFileParser::storableSet() {
    static const QSet<QString> set = makeSet({"title", "author", "editor", "pubPlace", "publisher", "date"});
    return set;
}

const QSet<QString>& TSPerseusEnglishFileParser::ignoreText() {
    static const QSet<QString> set = makeSet({"camels"});
    return set;
}

const QSet<QString>& TSPerseusEnglishFileParser::noLogSet() {
    static const QSet<QString> set = makeSet({"head", "role", "placeName", "rs", "roleDesc", "stage", "foreign",
                                              "lemma", "persName", "bibl", "cit", "surname"});
    return set;
}

const QSet<QString>& TSPerseusEnglishFileParser::noDeleteCurLineSet() {
    static const QSet<QString> set =
        makeSet({"foreign", "placeName", "bibl", "persName", "rs", "cit", "l", "surname", "milestone", "title",
                 "gloss", "note", "quote", "sp", "abbr", "emph", "term"});
    return set;
}

// --- state ---

void TSPerseusEnglishFileParser::reset() {
    stringStack_.clear();
    stackList_.clear();
    noteStack_.clear();
    languageStack_.clear();
    storedData_.clear();
    hasStoredData_ = false;
    curKey_.clear();
    chunkStack_.clear();
    curCharacter_.reset();
    curLemma_.clear();
    textKey_ = QStringLiteral("Text");
    ownsBuffer_.clear();
    openedSection_.clear();
    scratch_.clear();
}

Value TSPerseusEnglishFileParser::data() const {
    return hasStoredData_ ? Value(storedData_) : Value();
}

ValueDictionary& TSPerseusEnglishFileParser::storedData() {
    hasStoredData_ = true;
    return storedData_;
}

TSTextPtr TSPerseusEnglishFileParser::text() {
    Value& slot = storedData()[textKey_];
    if (auto t = slot.toObjectAs<TSText>()) return t;
    auto t = std::make_shared<TSText>();
    slot = Value(t);
    return t;
}

QString& TSPerseusEnglishFileParser::curString() {
    if (stringStack_.isEmpty()) {
        scratch_.clear();
        return scratch_;
    }
    return *stringStack_.last();
}

QString TSPerseusEnglishFileParser::trimmedCurString() const {
    if (stringStack_.isEmpty()) return {};
    const QString t = stringStack_.last()->trimmed();
    return t.isEmpty() ? QString() : t;
}

TSChunkPtr TSPerseusEnglishFileParser::curChunk() const {
    return chunkStack_.empty() ? nullptr : chunkStack_.back();
}

std::shared_ptr<TSLine> TSPerseusEnglishFileParser::lastLine() const {
    return std::dynamic_pointer_cast<TSLine>(curChunk());
}

QString TSPerseusEnglishFileParser::parentStackFrame() const {
    return stackList_.size() < 2 ? QString() : stackList_.at(stackList_.size() - 2);
}

QString TSPerseusEnglishFileParser::stateForLevel(qint64 level) {
    const ValueArray& state = storedData()[kState].array();
    if (level < 0 || level >= qint64(state.size())) return QStringLiteral("");
    return state[size_t(level)].toString();
}

std::shared_ptr<TSMilestone> TSPerseusEnglishFileParser::lastMilestone() const {
    for (auto it = noteStack_.rbegin(); it != noteStack_.rend(); ++it)
        if (auto m = std::dynamic_pointer_cast<TSMilestone>(*it)) return m;
    return nullptr;
}

qint64 TSPerseusEnglishFileParser::lastKnownLine() const {
    auto m = lastMilestone();
    return m ? m->tln() : 0;
}

bool TSPerseusEnglishFileParser::inNote() const {
    return stackList_.contains(QStringLiteral("note")) || stackList_.contains(QStringLiteral("gloss"));
}

QString TSPerseusEnglishFileParser::curLanguage() const {
    for (auto it = languageStack_.crbegin(); it != languageStack_.crend(); ++it)
        if (!it->isEmpty()) return *it;
    return {};
}

bool TSPerseusEnglishFileParser::inHeader() const {
    return stackList_.contains(QStringLiteral("teiHeader"));
}

std::shared_ptr<QString> TSPerseusEnglishFileParser::enclosingBuffer() {
    const qsizetype below = stringStack_.size() - ((!ownsBuffer_.empty() && ownsBuffer_.back()) ? 2 : 1);
    return below >= 0 ? stringStack_[below] : nullptr;
}

QString* TSPerseusEnglishFileParser::enclosingString() {
    return enclosingBuffer().get();
}

bool TSPerseusEnglishFileParser::verseOutsideParagraph(const QString& name) const {
    if (name != QLatin1String("l")) return false;
    // The element itself is the last entry.
    for (qsizetype i = 0; i + 1 < stackList_.size(); ++i) {
        const QString& open = stackList_.at(i);
        if (open == QLatin1String("p") || open == QLatin1String("note") || open == QLatin1String("gloss")) return false;
    }
    return true;
}

TSChunkPtr TSPerseusEnglishFileParser::placeForNodes() {
    if (auto c = curChunk()) return c;
    return text();
}

// --- events ---

void TSPerseusEnglishFileParser::parserDidStartElement(ts::XMLEventParser&, const QString& name, const QString&,
                                                       const QString&, const ts::XMLAttributes& attributes) {
    storedData();
    stackList_ << name;
    QString language = QStringLiteral("");
    const QString lang = attributes.value(QStringLiteral("lang"));
    if (!lang.isNull()) {
        const auto languages = storedData_.find(kLanguage);
        if (languages != storedData_.end() && languages->second.isDictionary()) {
            const ValueDictionary& known = languages->second.dictionary();
            const auto found = known.find(lang);
            if (found != known.end() && found->second.isString()) language = found->second.toString();
        }
    }
    languageStack_ << language;
    const bool owns = !transparentSet().contains(name) || verseOutsideParagraph(name);
    ownsBuffer_.push_back(owns);
    openedSection_.push_back(false);
    if (owns) stringStack_.append(std::make_shared<QString>());

    if (ignoreSet().contains(name) || storableSet().contains(name)) return;

    if (name == QLatin1String("state")) {
        const QString unit = attributes.value(QStringLiteral("unit"));
        if (!unit.isNull()) storedData()[kState].array().push_back(unit);
    } else if (name == QLatin1String("refsDecl")) {
        storedData()[kState] = ValueArray();
    } else if (name == QLatin1String("castItem")) {
        curCharacter_ = std::make_shared<TSCharacter>();
    } else if (name == QLatin1String("language")) {
        curKey_ = attributes.value(QStringLiteral("id"));
    } else if (name == QLatin1String("lb") || name == QLatin1String("milestone")) {
        if (attributes.value(QStringLiteral("unit")) == QLatin1String("TLN line")) {
            auto marker = std::make_shared<TSMilestone>();
            marker->setTln(TSPerseusText::integerValue(attributes.value(QStringLiteral("n"))));
            noteStack_.push_back(marker);
        }
    } else if (name == QLatin1String("p") || (name == QLatin1String("l") && owns)) {
        if (chunkStack_.empty()) {
            // Paragraphs and verses outside any division share one section, kept
            // open.
            auto section = std::make_shared<TSMatchedChunk>();
            text()->addChild(section);
            chunkStack_.push_back(section);
        }
    } else if (name == QLatin1String("div0")) {
        const QString n = attributes.value(QStringLiteral("n"));
        if (TSPerseusText::integerValue(n) >= 2) textKey_ = QStringLiteral("Part %1").arg(n);
    } else if (name == QLatin1String("div1")) {
        startSection(attributes, 0);
    } else if (name == QLatin1String("div2")) {
        startSection(attributes, 1);
    } else if (name == QLatin1String("foreign") || name == QLatin1String("quote") || name == QLatin1String("emph") ||
               name == QLatin1String("abbr") || name == QLatin1String("term") || name == QLatin1String("note") ||
               name == QLatin1String("gloss") || name == QLatin1String("lemma") || name == QLatin1String("stage") ||
               name == QLatin1String("speaker") || name == QLatin1String("role") || name == QLatin1String("l")) {
        // Their buffers are already open.
    } else if (!noLogSet().contains(name)) {
        TSLogError("%@:\n%@", name, Value(attributes.toDictionary()));
    }
}

void TSPerseusEnglishFileParser::startSection(const ts::XMLAttributes& attributes, qint64 level) {
    auto section = std::make_shared<TSMatchedChunk>();
    section->setName(QStringLiteral("%1 %2").arg(stateForLevel(level), attributes.value(QStringLiteral("n"))));
    TSChunkPtr parent = level == 0 ? TSChunkPtr(text()) : placeForNodes();
    parent->addChild(section);
    chunkStack_.push_back(section);
    openedSection_.back() = true;
}

void TSPerseusEnglishFileParser::parserFoundCharacters(ts::XMLEventParser&, const QString& characters) {
    if (!stackList_.isEmpty() && ignoreText().contains(stackList_.last())) return;
    curString() += characters;
}

void TSPerseusEnglishFileParser::parserDidEndElement(ts::XMLEventParser&, const QString& name, const QString&,
                                                     const QString&) {
    if (stackList_.isEmpty()) return;
    if (!ignoreSet().contains(name)) endElement(name);

    if (openedSection_.back() && !chunkStack_.empty()) chunkStack_.pop_back();
    if (ownsBuffer_.back() && !stringStack_.isEmpty()) {
        const std::shared_ptr<QString> own = stringStack_.takeLast();
        // A verse with a buffer of its own became lines.
        const bool consumed = consumedSet().contains(name) || name == QLatin1String("l");
        if (!consumed && !stringStack_.isEmpty()) *stringStack_.last() += *own;
    }
    stackList_.removeLast();
    languageStack_.removeLast();
    ownsBuffer_.pop_back();
    openedSection_.pop_back();
}

void TSPerseusEnglishFileParser::endElement(const QString& name) {
    if (storableSet().contains(name)) {
        // Titles, dates and names inside the body belong to its text, not to
        // the header's fields.
        const QString value = trimmedCurString();
        if (!value.isNull() && inHeader()) storedData()[name] = value;
    } else if (name == QLatin1String("lb") || name == QLatin1String("state") || name == QLatin1String("placeName")) {
    } else if (name == QLatin1String("role")) {
        if (curCharacter_) {
            static const QRegularExpression commas(QStringLiteral("^,+|,+$"));
            curCharacter_->setName(trimmedCurString().remove(commas));
        }
    } else if (name == QLatin1String("roleDesc")) {
        if (curCharacter_) curCharacter_->setRoleDescription(trimmedCurString());
    } else if (name == QLatin1String("castItem")) {
        if (curCharacter_) {
            text()->castList()->addObject(curCharacter_);
            for (const auto& n : noteStack_) curCharacter_->addChild(n);
            noteStack_.clear();
            curCharacter_.reset();
        }
    } else if (name == QLatin1String("language")) {
        if (!curKey_.isNull()) storedData()[kLanguage].dictionary()[curKey_] = curString().trimmed();
    } else if (name == QLatin1String("head")) {
        // A head never renames its section: the name made from the reference
        // units is the one alignment matches on.
        const QString head = trimmedCurString();
        if (parentStackFrame() == QLatin1String("castList") && !head.isNull()) text()->castList()->setName(head);
    } else if (name == QLatin1String("div0") || name == QLatin1String("div1") || name == QLatin1String("div2")) {
        // The section each opened is closed after this, in balance.
    } else if (name == QLatin1String("p")) {
        endParagraph();
    } else if (name == QLatin1String("speaker")) {
        if (inNote()) {
            if (QString* below = enclosingString()) *below += curString() + QLatin1Char(' ');
        } else {
            auto speaker = std::make_shared<TSSpeaker>();
            speaker->setName(trimmedCurString());
            placeForNodes()->addChild(speaker);
        }
    } else if (name == QLatin1String("stage")) {
        auto stage = std::make_shared<TSStageDirection>();
        stage->setName(trimmedCurString());
        placeForNodes()->addChild(stage);
    } else if (name == QLatin1String("l")) {
        if (ownsBuffer_.back())
            endParagraph();
        else
            curString() += QLatin1Char('\n');
    } else if (name == QLatin1String("milestone")) {
        endMilestone();
    } else if (name == QLatin1String("lemma")) {
        curLemma_ = trimmedCurString();
    } else if (name == QLatin1String("foreign") || name == QLatin1String("quote") || name == QLatin1String("abbr") ||
               name == QLatin1String("emph") || name == QLatin1String("term")) {
        endInline();
    } else if (name == QLatin1String("note") || name == QLatin1String("gloss")) {
        endNote();
    } else {
        const QString t = trimmedCurString();
        if (!t.isNull() && !noDeleteCurLineSet().contains(name)) TSLogError("%@:\n%@", name, t);
    }
}

void TSPerseusEnglishFileParser::endParagraph() {
    const bool note = inNote();
    const QStringList pieces = trimmedCurString().split(QLatin1Char('\n'));
    QString* below = note ? enclosingString() : nullptr;
    for (const QString& raw : pieces) {
        const QString piece = raw.trimmed();
        if (piece.isEmpty()) continue;
        if (note) {
            if (below) *below += QLatin1Char('\n') + piece;
        } else {
            auto line = std::make_shared<TSLine>();
            line->setName(piece);
            placeForNodes()->addChild(line);
        }
    }
    if (note) return;
    if (!noteStack_.empty()) {
        TSChunkPtr place = placeForNodes();
        for (const auto& n : noteStack_) place->addChild(n);
    }
    noteStack_.clear();
}

void TSPerseusEnglishFileParser::endMilestone() {
    if (noteStack_.empty()) return;
    auto marker = std::dynamic_pointer_cast<TSMilestone>(noteStack_.back());
    if (!marker) {
        TSLogError("%@ not a milestone\n%@", noteStack_.back()->className(), curString());
        return;
    }
    const QString before = trimmedCurString();
    if (before.isNull()) return;
    static const QRegularExpression lineEnds(QStringLiteral("[\r\n]"));
    const QStringList pieces = before.split(lineEnds, Qt::SkipEmptyParts);
    if (pieces.isEmpty()) return;
    QString last = pieces.last().trimmed();
    if (last.size() >= 1 && last.size() <= 9 && pieces.size() >= 2)
        last = QStringLiteral("%1\n%2").arg(pieces.at(pieces.size() - 2).trimmed(), last);
    marker->setPrecedingText(last);
}

void TSPerseusEnglishFileParser::endInline() {
    QString t = trimmedCurString();
    if (!t.isNull() && languageStack_.last() == QLatin1String("Greek")) t = convertBetacode(t);
    if (t.isEmpty()) return;
    if (QString* below = enclosingString()) *below += t;
}

void TSPerseusEnglishFileParser::endNote() {
    auto note = std::make_shared<TSNote>();
    const QString body = trimmedCurString();
    note->setName(body.isNull() ? QStringLiteral("") : body);
    note->setTln(lastKnownLine());
    note->setLemma(curLemma_);
    curLemma_.clear();
    if (body.isEmpty()) return;
    if (const std::shared_ptr<QString> below = enclosingBuffer())
        note->setPrecedingText(below, below->size());
    else
        note->setPrecedingText(QStringLiteral(""));
    noteStack_.push_back(note);
}

void TSPerseusEnglishFileParser::parserDidEndDocument(ts::XMLEventParser&) {
    if (noteStack_.empty()) return;
    TSChunkPtr place = placeForNodes();
    for (const auto& n : noteStack_) place->addChild(n);
    noteStack_.clear();
}

std::optional<QByteArray> TSPerseusEnglishFileParser::parserResolveExternalEntityName(ts::XMLEventParser&,
                                                                                     const QString& name,
                                                                                     const QString& systemID) {
    return TSPerseusText::entityReplacement(name, systemID);
}
