// Headword forms, gender, case, mood, etymology and the note machinery of
// the Lewis and Short converter.
#include "dictsource/LatinSourceRules.h"
#include "dictsource/NBSourceLSParser.h"

#include <QRegularExpression>

namespace {

QSet<QString> setOf(std::initializer_list<const char*> items) {
    QSet<QString> s;
    for (const char* i : items) s.insert(QString::fromUtf8(i));
    return s;
}

const QString kEmDash = QStringLiteral("\u2014");

}  // namespace

// ---- Fixed tables ----

const QSet<QString>& NBSourceLSParser::firstDeclensionEndings() { return latinsource::firstDeclensionEndings(); }

const QSet<QString>& NBSourceLSParser::secondDeclensionEndings() { return latinsource::secondDeclensionEndings(); }

const QSet<QString>& NBSourceLSParser::thirdDecelensionEndings() { return latinsource::thirdDeclensionEndings(); }

const QSet<QString>& NBSourceLSParser::fourthDeclensionEndings() { return latinsource::fourthDeclensionEndings(); }

const QSet<QString>& NBSourceLSParser::fifthDecelensionEndings() { return latinsource::fifthDeclensionEndings(); }

const QSet<QString>& NBSourceLSParser::thirdDeclensionAdjectiveEndings() { return latinsource::thirdDeclensionAdjectiveEndings(); }

const QSet<QString>& NBSourceLSParser::letterSet() {
    static const QSet<QString> s = [] {
        QSet<QString> l{QStringLiteral("A, a")};
        for (char c = 'B'; c <= 'Z'; ++c) l.insert(QString(QLatin1Char(c)));
        return l;
    }();
    return s;
}

const QSet<QString>& NBSourceLSParser::genderTypes() {
    static const QSet<QString> s = setOf({"m", "f", "c", "n", "\xEF\xBC\x88" "f", "> f"});
    return s;
}

const QSet<QString>& NBSourceLSParser::caseDeleteSet() {
    static const QSet<QString> s = setOf({"with "});
    return s;
}

const QSet<QString>& NBSourceLSParser::caseIgnoreSet() {
    static const QSet<QString> s = setOf({"voc", "dat", "nom"});
    return s;
}

const QSet<QString>& NBSourceLSParser::redirectSet() {
    static const QSet<QString> s = setOf({"armon", "arquites", "barinulae"});
    return s;
}

const QSet<QString>& NBSourceLSParser::ignoreRedirect() {
    static const QSet<QString> s = setOf({"adhucine", "Aex", "Axenus", "azoni", "balsamodes", "basanites",
                                          "bimenstruus", "butubatta", "caculatum"});
    return s;
}

bool NBSourceLSParser::isANote(const QString& text) {
    static const QStringList phrases{QStringLiteral("better separately"), QStringLiteral("better written separately"),
                                     QStringLiteral("more correctly written")};
    for (const QString& p : phrases)
        if (text.contains(p)) return true;
    return false;
}

int NBSourceLSParser::declensionForPotentialNounEnding(const QString& ending) {
    return latinsource::declensionForPotentialNounEnding(ending);
}

bool NBSourceLSParser::isGreek(const QString& text) {
    static const QString letters = QStringLiteral("αβγδεζηθικλμνξοπρστυφχψϝωΓΔθΛΞΠΣΦΨΩ");
    for (QChar c : text)
        if (letters.contains(c)) return true;
    return false;
}

// ---- Notes ----

QStringList NBSourceLSParser::breakUpNoteString(const QString& string) {
    QStringList pieces;
    if (string.isEmpty()) return pieces;
    const QStringList parts = string.split(kEmDash);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        QString piece = trimmed(parts.at(i), u".,;: \n\t");
        if (piece.isEmpty()) continue;
        if (i > 0) piece.prepend(kEmDash);
        pieces << piece;
    }
    return pieces;
}

DictionaryEntryPtr NBSourceLSParser::addNote(const QString& text) { return addNoteToEntry(text, nullptr); }

DictionaryEntryPtr NBSourceLSParser::addNoteToEntry(const QString& text, const DictionaryEntryPtr& target) {
    DictionaryEntryPtr last;
    const DictionaryEntryPtr entry = curEntry();
    for (const QString& piece : breakUpNoteString(text)) {
        if (noteIgnoreSet().contains(piece)) continue;
        DictionaryEntryPtr note = DictionaryXMLParser::addNote(piece);
        if (note) {
            if (target && target != entry) {
                if (auto parent = note->parent()) parent->removeChild(note);
                target->addChild(note);
            }
            last = note;
        }
        checkEntryTypeForNote(piece);
    }
    return last;
}

void NBSourceLSParser::checkEntryTypeForNote(const QString& piece) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || entry->type() != 0) return;
    auto has = [&](const char* s) { return piece.contains(QString::fromUtf8(s)); };
    auto begins = [&](const char* s) { return piece.startsWith(QString::fromUtf8(s)); };
    auto ends = [&](const char* s) { return piece.endsWith(QString::fromUtf8(s)); };
    const QString key = entry->key();
    auto ask = [&] { DSLog("%@ is this a redirect %@", key, piece); };
    constexpr int redirect = DictionaryEntry::Redirect;

    if (has("false read")) entry->setType(DictionaryEntry::Misspelling);
    else if (begins("v. ")) entry->setType(redirect);
    else if (begins("Words beginning thus, v. under")) entry->setType(DictionaryEntry::Root);
    else if (begins("=")) {
        if (has(" v. ") || ends(" q. v") || has(" v.")) entry->setType(redirect);
        else if (redirectSet().contains(key)) entry->setType(redirect);
        else if (!isGreek(piece) && !ignoreRedirect().contains(key)) ask();
    } else if (begins("i. q.")) entry->setType(redirect);
    else if (has("etc., v.")) entry->setType(redirect);
    else if (piece == QLatin1String("nom. prop")) entry->setType(DictionaryEntry::Noun);
    else if (begins("for all words in ")) {
        if (has(" v. ")) entry->setType(redirect);
    } else if (begins("an old form")) {
        if (ends(" q. v") || has(" v.") || has("an old form ")) entry->setType(redirect);
        else ask();
    } else if (begins("a form of ")) {
        if (ends(" q. v") || has(" v.")) entry->setType(redirect);
        else ask();
    } else if (has(", v. ")) entry->setType(redirect);
    else if (has("not found here, v.")) entry->setType(redirect);
    else if (begins("the name of")) entry->setType(DictionaryEntry::Noun);
    else if (begins("a town in")) entry->setType(DictionaryEntry::Noun);
    else if (begins("another reading for")) entry->setType(redirect);
    else if (begins("old form for")) {
        if (has(" v. ")) entry->setType(redirect);
    } else if (begins("v 2.")) entry->setType(redirect);
}

// ---- Brackets ----

bool NBSourceLSParser::unclosedBracket(const QString& text) {
    if (text.isNull()) return false;
    auto balance = [&](QChar open, QChar close) {
        int total = 0;
        for (QChar c : text) {
            if (c == open) ++total;
            else if (c == close) --total;
        }
        return total;
    };
    if (text.contains(QLatin1Char('('))) {
        const int total = balance(QLatin1Char('('), QLatin1Char(')'));
        if (total > 0) return true;
        if (total < 0) DSLog("%@ too many closures \n%@", keyText(), text);
    }
    if (text.contains(QLatin1Char('['))) {
        const int total = balance(QLatin1Char('['), QLatin1Char(']'));
        if (total > 0) return true;
        if (total < 0) DSLog("%@ too many closures \n%@", keyText(), text);
    }
    return false;
}

QString NBSourceLSParser::stripClosedBrackets(const QString& text) {
    if (text.isNull() || !text.contains(QLatin1Char('('))) return text;
    int depth = 0;
    bool opened = false, made = false;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('(')) {
            ++depth;
            opened = true;
        } else if (c == QLatin1Char(')')) {
            --depth;
            if (opened && depth == 0) {
                addNote(trimmed(text.mid(start, i - start + 1), u" ,:;"));
                made = true;
                // The next remark starts after this bracket, not with it.
                start = i + 1;
                opened = false;
            }
        }
    }
    if (!made) return text;
    return trimmed(text.mid(start), u" ,");
}

void NBSourceLSParser::removeBracketsFromCurEntry() { latinsource::removeBrackets(*this); }

// ---- Headwords ----

void NBSourceLSParser::parseOrth() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    if (entry->entry().isEmpty()) {
        QString headword = lastStackString();
        headword.remove(QLatin1Char('^'));
        // A prefix set apart before its hyphen ("ex -porrĭgo", "rĕ -sisto")
        // is the same mark as "ex-porrĭgo".
        static const QRegularExpression apart(QStringLiteral("^(\\w{1,6}) -(\\w+)$"),
                                              QRegularExpression::UseUnicodePropertiesOption);
        const QRegularExpressionMatch split = apart.match(headword);
        if (split.hasMatch() && split.captured(2).at(0).isLower())
            headword = split.captured(1) + QLatin1Char('-') + split.captured(2);
        const qsizetype hyphen = headword.indexOf(QLatin1Char('-'));
        // A hyphen at the very start has no character before it to test; such
        // a headword (an enclitic, a suffix) keeps it.
        if (hyphen > 0 && !headword.endsWith(QLatin1Char('-')) && headword.at(hyphen - 1) != QLatin1Char(' ')) {
            if (hyphen <= 6) {
                headword.remove(hyphen, 1);
                prefixEnd_ = hyphen;
            } else {
                queryHyphen();
            }
        }
        entry->setEntry(headword);
        return;
    }
    if (elementDict_.value(QStringLiteral("type")) == QLatin1String("alt")) {
        addNote(lastStackString());
        return;
    }
    const QString enclosing = prevStackString();
    if (unclosedBracket(enclosing)) {
        appendLastStringToPrevEntry();
        return;
    }
    const QString prefix = stripClosedBrackets(trimmed(enclosing, u" ,.\n;"));
    setPrevStackString(prefix);
    if (isANote(prefix)) setPrevStackString(prefix + QStringLiteral(", ") + lastStackString());
    else addAltEntry(prefix);
}

DictionaryEntryPtr NBSourceLSParser::addAltEntry(const QString& prefix) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return nullptr;
    static const QSet<QString> joining = setOf({"and", "or", "also", "for", "not"});
    if (ownType_ == 0) ownType_ = entry->type() != 0 ? entry->type() : -1;
    QString form = trimmed(lastStackString(), u" ,.");
    DictionaryEntryPtr parent = entry;
    if (!prefix.isEmpty() && !joining.contains(prefix)) {
        if (prefix == QLatin1String("=")) form = QStringLiteral("= ") + form;
        else parent = addNote(prefix);
    }
    if (!prefix.isEmpty()) setPrevStackString(QLatin1String(""));
    auto alternative = std::make_shared<DictionaryEntry>();
    if (!form.endsWith(QLatin1Char('-'))) form.remove(QLatin1Char('-'));
    alternative->setEntry(form);
    if (parent) {
        parent->addChild(alternative);
    } else {
        // A prefix that trims to nothing makes no note to hang the form under;
        // the form stays with the entry rather than being lost.
        ++statistics_.orphanAlternatives;
        DSLog("%@ alternative form without a parent %@", entry->key(), form);
        entry->addChild(alternative);
    }
    addOrthoEntry(alternative);
    alternative->setAlternative(true);
    return alternative;
}

void NBSourceLSParser::addOrthoEntry(const DictionaryEntryPtr& alternative) {
    if (!alternative) return;
    const QString text = alternative->entry();
    bool duplicate = false;
    for (const auto& existing : orthoStack_) {
        if (existing && existing->entry() == text) {
            DSLog("%@ Duplicate entry %@", keyText(), text);
            duplicate = true;
        }
    }
    if (duplicate) return;
    const qsizetype hyphen = text.indexOf(QLatin1Char('-'));
    if (hyphen > 0 && !text.endsWith(QLatin1Char('-')) && text.at(hyphen - 1) != QLatin1Char(' ')) DSLog("HYPHEN");
    orthoStack_.push_back(alternative);
}

QString NBSourceLSParser::firstPart() const {
    const DictionaryEntryPtr target = !orthoStack_.empty() && orthoStack_.back() ? orthoStack_.back() : curEntry();
    if (!target) return QString();
    const QString text = target->entry();
    const qsizetype slot = text.indexOf(QStringLiteral(" -"));
    return slot < 0 ? text : text.left(slot);
}

// ---- Gender ----

void NBSourceLSParser::handleGen() {
    if (unclosedBracket(prevStackString())) appendLastStringToPrevEntry();
    else parseGen();
}

void NBSourceLSParser::parseGen() {
    const DictionaryEntryPtr entry = curEntry();
    const QString raw = lastStackString();
    if (entry && !raw.isNull()) {
        const QString gender = trimmed(raw, u" ,.");
        if (gender == QLatin1String("n") && entry->type() == DictionaryEntry::Verb && orthoStack_.empty()) {
            // "v. a. and n.": after a verb's own part of speech "n." is
            // verbum neutrum, an intransitive use, not the neuter gender.
            entry->setTransIntrans(entry->transIntrans() == 1 || entry->transIntrans() == 3 ? 3 : 2);
        } else if (gender == QLatin1String("m")) addMaleGender();
        else if (gender == QLatin1String("f")) addFemaleGender();
        else if (gender == QLatin1String("n")) addNeuterGender();
        else if (gender == QLatin1String("comm") || gender == QLatin1String("c") || gender == QLatin1String("com"))
            entry->setGender(4);
        else DSLog("%@ Gender = %@", entry->entry(), gender);
    }
    orthoStack_.clear();
}

namespace {

enum class Gender { Male, Female, Neuter };

// The gender an entry has after another is read; -1 leaves it, -2 means a
// common noun, whose text goes back to the running text.
int combinedGender(int current, Gender added) {
    switch (current) {
    case 0: return added == Gender::Male ? 1 : added == Gender::Female ? 2 : 3;
    case 1: return added == Gender::Male ? -1 : added == Gender::Female ? 8 : 9;
    case 2: return added == Gender::Male ? 8 : added == Gender::Female ? -1 : 11;
    case 3: return added == Gender::Male ? 9 : added == Gender::Female ? 11 : -1;
    case 8: return added == Gender::Neuter ? 10 : -1;
    case 9: return added == Gender::Female ? 10 : -1;
    case 11: return added == Gender::Male ? 10 : -1;
    case 4: return -2;
    default: return -1;
    }
}

}  // namespace

void NBSourceLSParser::addMaleGenderToEntry(const DictionaryEntryPtr& entry) {
    if (!entry) return;
    const int next = combinedGender(entry->gender(), Gender::Male);
    if (next == -2) appendLastStringToPrevEntry();
    else if (next >= 0) entry->setGender(next);
    entry->setType(DictionaryEntry::Noun);
}

void NBSourceLSParser::addFemaleGenderToEntry(const DictionaryEntryPtr& entry) {
    if (!entry) return;
    const int next = combinedGender(entry->gender(), Gender::Female);
    if (next == -2) appendLastStringToPrevEntry();
    else if (next >= 0) entry->setGender(next);
    entry->setType(DictionaryEntry::Noun);
}

void NBSourceLSParser::addNeuterGenderToEntry(const DictionaryEntryPtr& entry) {
    if (!entry) return;
    const int next = combinedGender(entry->gender(), Gender::Neuter);
    if (next == -2) appendLastStringToPrevEntry();
    else if (next >= 0) entry->setGender(next);
    entry->setType(DictionaryEntry::Noun);
}

// A gender read while forms named after the headword are open belongs to
// those forms alone when the entry has a gender already, or is a verb (the
// forms are then a noun made from it).
bool NBSourceLSParser::entryTakesGender(const DictionaryEntryPtr& entry) const {
    return orthoStack_.empty() || (entry->gender() == 0 && entry->type() != DictionaryEntry::Verb);
}

void NBSourceLSParser::addMaleGender() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    if (entryTakesGender(entry)) addMaleGenderToEntry(entry);
    for (const auto& alternative : DictionaryEntryList(orthoStack_)) addMaleGenderToEntry(alternative);
}

void NBSourceLSParser::addFemaleGender() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    if (entryTakesGender(entry)) addFemaleGenderToEntry(entry);
    for (const auto& alternative : DictionaryEntryList(orthoStack_)) addFemaleGenderToEntry(alternative);
}

void NBSourceLSParser::addNeuterGender() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    if (entryTakesGender(entry)) addNeuterGenderToEntry(entry);
    for (const auto& alternative : DictionaryEntryList(orthoStack_)) addNeuterGenderToEntry(alternative);
}

// ---- Case and mood ----

void NBSourceLSParser::parseCase(bool shorten) {
    const DictionaryEntryPtr entry = curEntry();
    const QString raw = lastStackString();
    if (!entry || raw.isNull()) return;
    const int type = entry->type();
    if (type != 0 && type != DictionaryEntry::Preposition && type != DictionaryEntry::AdverbAndPreposition) return;
    if (unclosedBracket(prevStackString())) return;
    const QString text = trimmed(raw, u";, :.");
    if (text == QLatin1String("abl") || text == QLatin1String("with abl")) addAblativeCase();
    else if (text == QLatin1String("acc")) addAccusativeCase();
    else if (!caseIgnoreSet().contains(text)) {
        DSLog("%@ Unhandled Case: %@", entry->key(), text);
        writeToPasteBoard(QStringLiteral("@\"%1\",").arg(text));
    }
    QString enclosing = prevStackString();
    if (shorten && !enclosing.isEmpty()) {
        for (const QString& ending : caseDeleteSet())
            if (enclosing.endsWith(ending)) enclosing.chop(ending.size());
        setPrevStackString(enclosing);
    }
}

void NBSourceLSParser::addAccusativeCase() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    const int current = entry->getCase();
    if (current == 0) entry->setCase(3);
    else if (current == 6) entry->setCase(9);
}

void NBSourceLSParser::addAblativeCase() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    const int current = entry->getCase();
    if (current == 0) entry->setCase(6);
    else if (current == 3) entry->setCase(9);
}

void NBSourceLSParser::parseMood() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    const QString text = lastStackString();
    if (text == QLatin1String("Part.")) {
        appendLastStringToPrevEntry();
        if (entry->type() == 0) entry->setType(DictionaryEntry::Participle);
    } else {
        DSLog("%@ ? Mood %@", entry->key(), text);
    }
}

// ---- Inflection types, etymology ----

void NBSourceLSParser::handleBodyIType() {
    if (unclosedBracket(prevStackString())) {
        appendLastStringToPrevEntry();
        return;
    }
    const QString text = lastStackString();
    if (!text.isEmpty()) iTypesArray_ << text;
}

void NBSourceLSParser::addITypes() {
    const DictionaryEntryPtr entry = curEntry();
    if (entry && !iTypesArray_.isEmpty()) {
        QString text = entry->entry();
        for (qsizetype i = 0; i < iTypesArray_.size(); ++i) {
            if (i > 0) text += QStringLiteral(" or");
            text += QLatin1Char(' ') + iTypesArray_.at(i);
        }
        entry->setEntry(text);
    }
    iTypesArray_.clear();
}

void NBSourceLSParser::addEtymology() {
    const QString text = trimmed(lastStackString(), u" .,:;");
    if (text.isEmpty()) return;
    if (auto note = addNote(text)) note->setType(DictionaryEntry::Etymology);
}

// ---- Text moved to the enclosing element ----

namespace {

// One blank between the two texts, never two.
void joinWithBlank(QString& enclosing, const QString& text) {
    if (enclosing.isEmpty()) {
        enclosing = text;
        return;
    }
    if (!enclosing.endsWith(QLatin1Char(' ')) && !text.startsWith(QLatin1Char(' '))) enclosing += QLatin1Char(' ');
    else if (enclosing.endsWith(QLatin1Char(' ')) && text.startsWith(QLatin1Char(' '))) enclosing.chop(1);
    enclosing += text;
}

}  // namespace

void NBSourceLSParser::appendStringToPrevEntry(const QString& string) {
    if (string.isEmpty()) return;
    QString* below = enclosingBuffer();
    if (!below) {
        DSLog("%@ Not enough stack strings %@", curEntry() ? curEntry()->entry() : QString(), string);
        return;
    }
    joinWithBlank(*below, string);
}

void NBSourceLSParser::appendLastStringToPrevEntry() {
    QString* top = topBuffer();
    if (!top || top->isEmpty()) return;
    const QString& last = *top;
    QString* below = enclosingBuffer();
    if (!below) {
        DSLog("%@ Not enoug stack strings %@", curEntry() ? curEntry()->entry() : QString(), last);
        return;
    }
    joinWithBlank(*below, last);
}

void NBSourceLSParser::addResidualNotes(const QString& string) {
    const QString text = trimmed(string, u" .,:;");
    if (text.isEmpty()) return;
    const DictionaryEntryPtr note = addNote(text);
    if (!note) return;
    if (auto parent = note->parent()) parent->removeChild(note);
    insertNoteBeforeSense(note);
}

void NBSourceLSParser::insertNoteBeforeSense(const DictionaryEntryPtr& note) {
    const DictionaryEntryPtr entry = curEntry();
    if (!note || !entry) return;
    const DictionaryEntryList& children = entry->childList();
    for (size_t i = 0; i < children.size(); ++i) {
        if (children[i] && children[i]->type() == DictionaryEntry::Meaning) {
            entry->addChildAtIndex(note, qsizetype(i));
            return;
        }
    }
    entry->addChild(note);
}

void NBSourceLSParser::appendStringToEntryPreservingTranslation(const QString& string,
                                                               const DictionaryEntryPtr& entry) {
    if (!entry) return;
    if (entry->isForeign()) {
        const QString translation = entry->translation();
        entry->setTranslation(translation.isEmpty() ? string : translation + QLatin1Char(' ') + string);
    } else {
        entry->setEntry(entry->entry() + QLatin1Char(' ') + string);
    }
}

QString NBSourceLSParser::entryString(qsizetype keyStart, qsizetype keyEnd, const QString& source) {
    keyStart = qBound(qsizetype(0), keyStart, source.size());
    keyEnd = qBound(keyStart, keyEnd, source.size());
    qsizetype begin = source.lastIndexOf(QStringLiteral("<entryFree"), keyStart);
    if (begin < 0) begin = 0;
    qsizetype end = source.size();
    const qsizetype firstSense = source.indexOf(QStringLiteral("</sense"), keyEnd);
    if (firstSense >= 0) {
        const qsizetype secondSense = source.indexOf(QStringLiteral("</sense"), firstSense + 7);
        if (secondSense >= 0) end = secondSense;
    }
    const qsizetype entryEnd = source.indexOf(QStringLiteral("</entryFree"), keyEnd);
    if (entryEnd >= 0 && entryEnd < end) end = entryEnd;
    return source.mid(begin, end - begin);
}
