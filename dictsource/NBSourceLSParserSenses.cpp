// The sense tree of the Lewis and Short converter: senses placed by level,
// citations as examples, synonyms and antonyms, bibliography markers.
#include "dictsource/NBSourceLSParser.h"

#include <charconv>

namespace {

const QString& linkingWord(const QString& s) {
    static const QSet<QString> words{QStringLiteral("and"), QStringLiteral("cf"), QStringLiteral("so")};
    static const QString none;
    return words.contains(s) ? s : none;
}

// The number of a sense id ("n15544.0" without its letter) as a float, as
// the locale-free string conversion reads it; ids are plain ASCII numbers,
// read here without that conversion's cost, which was most of a sense's.
float idNumberOf(QStringView digits) {
    char ascii[32];
    const qsizetype n = digits.size();
    bool plain = n > 0 && n < qsizetype(sizeof ascii);
    for (qsizetype i = 0; plain && i < n; ++i) {
        const char16_t c = digits.at(i).unicode();
        plain = (c >= u'0' && c <= u'9') || c == u'.';
        ascii[i] = char(c);
    }
    double value = 0;
    if (plain) {
        const auto [end, error] = std::from_chars(ascii, ascii + n, value);
        if (error == std::errc() && end == ascii + n) return float(value);
    }
    return digits.toString().toFloat();
}

}  // namespace

const QSet<QString>& NBSourceLSParser::noteIgnoreSet() {
    static const QSet<QString> s{QStringLiteral(";"), QStringLiteral(":"), QStringLiteral(","), QStringLiteral(" "),
                                 QStringLiteral(")")};
    return s;
}

const QStringList& NBSourceLSParser::romanNumeralArray() {
    static const QStringList a{"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X"};
    return a;
}

const QStringList& NBSourceLSParser::letterArray() {
    static const QStringList a = [] {
        QStringList l;
        for (char c = 'a'; c <= 'z'; ++c) l << QString(QLatin1Char(c));
        return l;
    }();
    return a;
}

const QStringList& NBSourceLSParser::upperLetterArray() {
    static const QStringList a = [] {
        QStringList l;
        for (const QString& s : letterArray()) l << s.toUpper();
        return l;
    }();
    return a;
}

const QStringList& NBSourceLSParser::greekLetterArray() {
    static const QStringList a{"(a)", "(b)", "(g)", "(d)"};
    return a;
}

const QStringList& NBSourceLSParser::numberArray() {
    static const QStringList a = [] {
        QStringList l;
        for (int i = 1; i <= 10; ++i) l << QString::number(i);
        return l;
    }();
    return a;
}

QString NBSourceLSParser::cleanedSenseText(const QString& string) { return trimmed(string, u", \n\t."); }

// ---- Placing senses ----

void NBSourceLSParser::addNewSense(const ts::XMLAttributes& attributes) {
    auto sense = std::make_shared<DictionaryEntry>();
    const QString level = attributes.value(QStringLiteral("level"));
    if (!level.isNull()) sense->setLevel(level.toInt());
    sense->setParagraphNumber(attributes.value(QStringLiteral("n")));
    const QString id = attributes.value(QStringLiteral("id"));
    if (id.size() >= 2) sense->setIDNumber(double(idNumberOf(QStringView(id).mid(1))));
    sense->setType(DictionaryEntry::Meaning);
    addSense(sense);
    curMeaning_ = sense;
}

void NBSourceLSParser::keepUnplaced(const DictionaryEntryPtr& node) {
    // Its text, examples and notes would otherwise be built on a node that
    // no tree holds.
    ++statistics_.unplacedSenses;
    if (curEntry()) curEntry()->addChild(node);
}

void NBSourceLSParser::addSense(const DictionaryEntryPtr& sense) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || !sense) return;
    if (sense->level() == 1 || !entry->hasMeaning()) {
        entry->addChild(sense);
        ++statistics_.placedSenses;
        return;
    }
    if (curMeaning_) {
        const int current = curMeaning_->level();
        if (current == sense->level()) {
            if (auto parent = curMeaning_->parent()) {
                parent->addChild(sense);
                ++statistics_.placedSenses;
            } else {
                DSLog("%@ can't find last sense", entry->key());
                keepUnplaced(sense);
            }
        } else if (current > sense->level()) {
            curMeaning_->addChild(sense);
            ++statistics_.placedSenses;
        } else {
            DSLog("%@ strange sense %@", entry->key(), curMeaning_->entry());
            keepUnplaced(sense);
        }
        return;
    }
    if (auto parent = lastSenseAtLevel(sense->level() - 1, entry)) {
        parent->addChild(sense);
        ++statistics_.placedSenses;
    } else {
        DSLog("%@ can't find last sense", entry->key());
        keepUnplaced(sense);
    }
}

DictionaryEntryPtr NBSourceLSParser::lastSenseAtLevel(qint64 level, const DictionaryEntryPtr& entry) const {
    if (!entry) return nullptr;
    const DictionaryEntryList& children = entry->childList();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        const DictionaryEntryPtr& child = *it;
        if (!child || child->type() != DictionaryEntry::Meaning) continue;
        const qint64 childLevel = child->level();
        if (childLevel == level) return child;
        if (childLevel > level) {
            if (child->parent() == curEntry()) return curEntry();
            continue;
        }
        if (auto found = lastSenseAtLevel(level, child)) return found;
        return child;
    }
    return nullptr;
}

void NBSourceLSParser::finishSense() {
    const DictionaryEntryPtr meaning = curMeaning_;
    curMeaning_.reset();
    if (!meaning) return;
    const QString text = cleanedSenseText(lastStackString());
    if (text.isEmpty() || noteIgnoreSet().contains(text)) return;
    if (!meaning->entry().isEmpty()) {
        addNoteToEntry(text, meaning);
        return;
    }
    const QString rest = checkForType(checkForRetainedString(text));
    if (rest.isEmpty()) return;
    meaning->setEntry(cleanedSenseText(rest));
}

void NBSourceLSParser::addExample() {
    static constexpr QStringView kTrim = u", \n\t";
    const QString q = trimmed(lastStackString(), kTrim);
    const QString p = trimmed(prevStackString(), kTrim);
    // A citation after a nested sense has ended has no sense of its own
    // selected; it stays with the entry.
    const DictionaryEntryPtr meaning = curMeaning_ ? curMeaning_ : curEntry();
    if (!meaning) return;
    const QStringList pieces = breakUpNoteString(p);
    auto example = std::make_shared<DictionaryEntry>();
    if (!pieces.isEmpty()) {
        const QString& first = pieces.first();
        if (!first.isEmpty()) {
            if (!linkingWord(first).isEmpty()) {
                example->setPrependText(first);
            } else if (!meaning->entry().isEmpty()) {
                addNoteToEntry(first, meaning);
            } else {
                const QString rest = checkForType(checkForRetainedString(first));
                if (!rest.isEmpty()) meaning->setEntry(cleanedSenseText(rest));
            }
            setPrevStackString(QLatin1String(""));
        }
        for (qsizetype i = 1; i < pieces.size(); ++i) addNoteToEntry(pieces.at(i), meaning);
    }
    example->setType(DictionaryEntry::Example);
    if (!quoteString_.isNull()) {
        example->setEntry(quoteString_);
        if (!q.isEmpty()) example->setTranslation(q);
    } else {
        example->setEntry(q);
    }
    meaning->addChild(example);
    quoteString_ = QString();
}

// ---- Retained strings ----

QString NBSourceLSParser::checkForRetainedString(const QString& string) {
    const qsizetype close = string.indexOf(QLatin1Char(')'));
    if (close < 0) return string;
    const QString first = string.left(close);
    if (first.contains(QLatin1Char('('))) return string;
    const DictionaryEntryPtr node = lastNonMeaningEntry();
    if (!node) return string;
    if (!addRetainedString(first, node, QStringLiteral("("), QStringLiteral(")"))) return string;
    return trimmed(string.mid(close + 1), u" ,");
}

bool NBSourceLSParser::addRetainedString(const QString& string, const DictionaryEntryPtr& entry,
                                         const QString& searchString, const QString& breakString) {
    if (!entry || !entry->entry().contains(searchString)) return false;
    entry->setEntry(entry->entry() + QLatin1Char(' ') + string + breakString);
    return true;
}

DictionaryEntryPtr NBSourceLSParser::lastNonMeaningEntry() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return nullptr;
    const DictionaryEntryList& children = entry->childList();
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        const DictionaryEntryPtr& child = *it;
        if (!child) continue;
        const int type = child->type();
        if (type == DictionaryEntry::Meaning) continue;
        if (type == DictionaryEntry::Synonym) return nullptr;
        if (type != DictionaryEntry::Note) DSLog("%@ not a note type", entry->key());
        return child;
    }
    return nullptr;
}

// ---- Synonyms and antonyms ----

QHash<QString, QString>& NBSourceLSParser::storedSynonyms() {
    hasSynonyms_ = true;
    startResult();
    return synonyms_;
}

QHash<QString, QString>& NBSourceLSParser::storedAntonyms() {
    hasAntonyms_ = true;
    startResult();
    return antonyms_;
}

DictionaryEntryPtr NBSourceLSParser::addRelation(const QString& string, const QString& resultKey, int type) {
    QHash<QString, QString>& list = resultKey == QLatin1String("synonyms") ? storedSynonyms() : storedAntonyms();
    const QString key = keyText();
    auto it = list.find(key);
    QString value = it == list.end() ? firstPart() : it.value();
    list.insert(key, value + QStringLiteral(", ") + string);
    DictionaryEntryPtr note = addNoteToEntry(string, curMeaning_);
    if (note) note->setType(type);
    return note;
}

void NBSourceLSParser::addSynonyms(const QString& string) {
    addRelation(string, QStringLiteral("synonyms"), DictionaryEntry::Synonym);
}

void NBSourceLSParser::addAntonyms(const QString& string) {
    addRelation(string, QStringLiteral("antonyms"), DictionaryEntry::Antonym);
}

// ---- Bibliography and references ----

void NBSourceLSParser::insertBibliography() {
    if (!prevStackElements_.isEmpty() && prevStackElements_.constLast() == QLatin1String("quote")) {
        if (citDepth_ > 0) appendStringToPrevEntry(lastStackString());
        else appendLastStringToPrevEntry();
        return;
    }
    insertRefMarker();
}

void NBSourceLSParser::insertRefMarker() {
    if (citDepth_ > 0) {
        appendStringToPrevEntry(QStringLiteral("<%1>").arg(lastStackString()));
        return;
    }
    if (QString* own = topBuffer()) *own = QLatin1Char('<') + *own + QLatin1Char('>');
    appendLastStringToPrevEntry();
}

// ---- Tree queries ----

DictionaryEntryPtr NBSourceLSParser::firstSense() const {
    if (!curEntry()) return nullptr;
    const DictionaryEntryList& children = curEntry()->childList();
    for (auto it = children.rbegin(); it != children.rend(); ++it)
        if (*it && (*it)->type() == DictionaryEntry::Meaning) return *it;
    return nullptr;
}

DictionaryEntryPtr NBSourceLSParser::lastEntryFrom(const DictionaryEntryPtr& entry) {
    // Iterative, so a deep tree cannot exhaust the stack.
    DictionaryEntryPtr node = entry;
    while (node && node->getNumChildren() >= 1) {
        DictionaryEntryPtr last = node->lastChild();
        if (!last) break;
        node = last;
    }
    return node;
}

DictionaryEntryPtr NBSourceLSParser::lastEntry() const { return lastEntryFrom(curEntry()); }

DictionaryEntryPtr NBSourceLSParser::lastMeaningEntry(const DictionaryEntryPtr& entry) {
    if (!entry) return nullptr;
    DictionaryEntryPtr last = entry->lastChild();
    return last && last->type() == DictionaryEntry::Meaning ? last : nullptr;
}

DictionaryEntryPtr NBSourceLSParser::topDownSameLevelEntry(const DictionaryEntryPtr& sense,
                                                           const DictionaryEntryPtr& entry) {
    if (!sense || !entry) return nullptr;
    if (entry->type() == DictionaryEntry::Meaning) {
        const QString label = entry->paragraphNumber();
        return entry->level() == sense->level() && !label.isNull() && label == sense->paragraphNumber() ? entry
                                                                                                         : nullptr;
    }
    for (const auto& child : entry->childList())
        if (auto found = topDownSameLevelEntry(sense, child)) return found;
    return nullptr;
}

DictionaryEntryPtr NBSourceLSParser::sameLevelEntry(const DictionaryEntryPtr& sense, const DictionaryEntryPtr& entry) {
    if (!sense || !entry) return nullptr;
    if (entry->type() != DictionaryEntry::Meaning) {
        auto parent = entry->parent();
        return parent ? sameLevelEntry(sense, parent) : nullptr;
    }
    const QString label = entry->paragraphNumber();
    if (entry->level() == sense->level() && !label.isNull() && label == sense->paragraphNumber() &&
        entry->idNumber() == sense->idNumber())
        return entry;
    return nullptr;
}

bool NBSourceLSParser::isOneLower(const QString& a, const QString& b, const QStringList& array, bool* contains) {
    const qsizetype ia = array.indexOf(a), ib = array.indexOf(b);
    if (ia < 0 || ib < 0) return false;
    if (contains) *contains = true;
    return ia + 1 == ib;
}

bool NBSourceLSParser::isOneLower(const QString& a, const QString& b) const {
    bool any = false;
    for (const QStringList* array : {&romanNumeralArray(), &letterArray(), &greekLetterArray(), &numberArray(),
                                     &upperLetterArray()}) {
        bool contains = false;
        if (isOneLower(a, b, *array, &contains)) return true;
        any = any || contains;
    }
    if (!any) DSLog("Unhadnled numeral");
    return false;
}

DictionaryEntryPtr NBSourceLSParser::anySibling(const DictionaryEntryPtr& sense, const DictionaryEntryPtr& entry) const {
    if (!sense || !entry) return nullptr;
    if (entry->type() != DictionaryEntry::Meaning) {
        auto parent = entry->parent();
        return parent ? anySibling(sense, parent) : nullptr;
    }
    const QString label = entry->paragraphNumber();
    if (entry->level() == sense->level() && !label.isNull() && isOneLower(label, sense->paragraphNumber()) &&
        sense->idNumber() > entry->idNumber())
        return entry;
    return nullptr;
}

DictionaryEntryPtr NBSourceLSParser::sibling(const DictionaryEntryPtr& sense, const DictionaryEntryPtr& entry) const {
    DictionaryEntryPtr found = anySibling(sense, entry);
    // Each step moves to an earlier label, so the walk ends; the bound only
    // guards against a malformed tree.
    for (int steps = 0; found && steps < 10000; ++steps) {
        auto parent = found->parent();
        DictionaryEntryPtr earlier = parent ? anySibling(found, parent) : nullptr;
        if (!earlier || earlier == found) break;
        found = earlier;
    }
    return found;
}
