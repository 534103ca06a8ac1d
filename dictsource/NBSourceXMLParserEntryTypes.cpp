// The elementary converter's headword, grammar group, part of speech, word
// class guess, verbs, gender, and the data-driven hand-written results.

#include "dictsource/ElementaryRuleData.h"
#include "dictsource/LatinSourceRules.h"
#include "dictsource/NBSourceXMLParser.h"

#include "platform/NotificationCenter.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using elementarydata::Step;

namespace {

QStringList nonEmptyPieces(const QString& text, QStringView separators) {
    // Pieces are copied whole: this runs on every headword.
    QStringList out;
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= n; ++i) {
        if (i < n && !separators.contains(text.at(i))) continue;
        const qsizetype length = i - start;
        if (length > 0 && !(length == 1 && text.at(start) == u' ')) out << text.mid(start, length);
        start = i + 1;
    }
    return out;
}

// Whether the tag stands within the first three characters of the text.
bool nearStart(QStringView text, QStringView tag) {
    const qsizetype last = std::min(tag.size() + 3, text.size()) - tag.size();
    for (qsizetype at = 0; at <= last; ++at)
        if (text[at] == tag[0] && text.mid(at, tag.size()) == tag) return true;
    return false;
}

QString withHalfWidthBrackets(QString s) {
    s.replace(QChar(0xFF09), u')');
    s.replace(QChar(0xFF08), u'(');
    return s;
}

QString without(QString text, const QString& part) { return text.remove(part); }

void removeEvery(QStringList& list, const QString& item) { list.removeAll(item); }

void replaceFirst(QStringList& list, const QString& item, const QString& by) {
    const qsizetype i = list.indexOf(item);
    if (i >= 0) list[i] = by;
}

QSet<QString> setOf(std::initializer_list<const char16_t*> items) {
    QSet<QString> s;
    for (const char16_t* i : items) s.insert(QString::fromUtf16(i));
    return s;
}

}  // namespace

// ---- Sets ----

const QSet<QString>& NBSourceXMLParser::specialPosSet() {
    static const QSet<QString> s = elementarydata::table(u"specialPos"_s).keys();
    return s;
}
const QSet<QString>& NBSourceXMLParser::bracketsAreNotNotesSet() {
    static const QSet<QString> s;
    return s;
}
const QSet<QString>& NBSourceXMLParser::genderTypes() {
    static const QSet<QString> s = setOf({u"m", u"f", u"c", u"n", u"\uFF08f", u"> f"});
    return s;
}
const QSet<QString>& NBSourceXMLParser::verbPassSet() {
    static const QSet<QString>& s = textSet(u"verbPassSet"_s);
    return s;
}
const QSet<QString>& NBSourceXMLParser::specialVerbTreatmentSet() {
    static const QSet<QString> s = elementarydata::table(u"specialVerbTreatment"_s).keys();
    return s;
}
const QSet<QString>& NBSourceXMLParser::specialGenderTreatment() {
    static const QSet<QString> s = elementarydata::table(u"specialGender"_s).keys();
    return s;
}
const QSet<QString>& NBSourceXMLParser::recalcitrantSet() {
    static const QSet<QString> s = elementarydata::table(u"recalcitrants"_s).keys();
    return s;
}

bool NBSourceXMLParser::isRecalcitrant(const QString& headword) {
    static const elementarydata::Table& rows = elementarydata::table(u"recalcitrants"_s);
    return rows.mayHold(headword) && recalcitrantSet().contains(headword);
}

QString NBSourceXMLParser::prependIType(const QString& text) {
    if (iType_.isNull() || !iTypePrependSet().contains(iType_)) return text;
    const QString joined = iType_ + u' ' + text;
    iType_ = QString();
    return joined;
}

// ---- The data-driven results ----

NBSourceXMLParser::FixedOutcome NBSourceXMLParser::runFixedResult(const QString& tableName, const QString& key,
                                                                  const QString& argument) {
    const elementarydata::Row* row = elementarydata::table(tableName).find(key);
    if (!row) return FixedOutcome::NoRow;
    if (row->unfinished()) return FixedOutcome::Unfinished;
    const DictionaryEntryPtr corrected = curEntry();
    if (!corrected) return FixedOutcome::Applied;
    DictionaryEntryPtr entry = corrected;
    const QString lineBefore = corrected->entry();
    DictionaryEntryPtr held;
    bool skipping = false, whenMatched = false;
    for (const Step& step : row->steps) {
        if (step.op == Step::WhenLine) {
            skipping = whenMatched || entry->entry() != step.text;
            whenMatched = whenMatched || !skipping;
            continue;
        }
        if (step.op == Step::Otherwise) {
            skipping = whenMatched;
            continue;
        }
        if (skipping) continue;
        if (step.op == Step::OnlyArgument && argument != step.text) break;
        switch (step.op) {
        case Step::Line: entry->setEntry(step.text); break;
        case Step::Append: entry->setEntry(entry->entry() + step.text); break;
        case Step::Type: entry->setType(step.number); break;
        case Step::Conjugation: entry->setConjugation(step.number); break;
        case Step::Gender: entry->setGender(step.number); break;
        case Step::Case: entry->setCase(step.number); break;
        case Step::Deponent: entry->setDeponent(true); break;
        case Step::Note: addNote(step.text); break;
        case Step::NoteKey: addNote(key); break;
        case Step::NoteArgument: addNote(argument); break;
        case Step::NotesOfArgument:
            for (const QString& piece : argument.split(step.text)) addNote(piece);
            break;
        case Step::Sense: addSense(step.text); break;
        case Step::ParseSense:
            setCurString(step.text);
            parseSense();
            break;
        case Step::SubSense: addSubMeaning(step.text); break;
        case Step::Etymology:
            setCurString(step.text);
            addEtymology(step.text);
            break;
        case Step::Redirect: addRedirect(step.text); break;
        case Step::RedirectKey: addRedirect(key); break;
        case Step::RemoveAll:
            while (entry->lastChild()) entry->removeChild(entry->lastChild());
            break;
        case Step::RemoveFirst:
            if (entry->firstChild()) entry->removeChild(entry->firstChild());
            break;
        case Step::RemoveLast:
            if (entry->lastChild()) entry->removeChild(entry->lastChild());
            break;
        case Step::RemoveFirstMeaning:
            if (auto m = entry->firstChildOfType(DictionaryEntry::Meaning)) entry->removeChild(m);
            break;
        case Step::RemoveNode:
            if (auto node = entry->findEntryWithString(step.text))
                if (auto parent = node->parent()) parent->removeChild(node);
            break;
        case Step::CutFirstMeaningAfter:
            if (auto m = entry->firstChildOfType(DictionaryEntry::Meaning)) {
                const qsizetype at = m->entry().indexOf(step.text);
                if (at >= 0) m->setEntry(m->entry().mid(at + step.text.size()));
            }
            break;
        case Step::TakeFirstMeaning:
            held = entry->firstChildOfType(DictionaryEntry::Meaning);
            if (held) entry->removeChild(held);
            break;
        case Step::AddHeldChildren:
            if (held) {
                const DictionaryEntryList children = held->childList();
                for (const auto& child : children) {
                    held->removeChild(child);
                    entry->addChild(child);
                }
            }
            break;
        case Step::HoldLast: held = entry->lastChild(); break;
        case Step::AddHeld:
            if (held) entry->addChild(held);
            break;
        case Step::RetextLast:
            if (auto last = entry->lastChild()) last->setEntry(step.text);
            break;
        case Step::RetextNode:
            if (auto node = entry->findEntryWithString(step.text)) node->setEntry(step.text2);
            break;
        case Step::Treated: treatedSet().insert(lineBefore); break;
        case Step::NewEntry: {
            auto added = DictionaryEntry::make(step.text);
            auto& all = allEntries();
            auto at = std::find(all.begin(), all.end(), corrected);
            all.insert(at == all.end() ? all.end() : at + 1, added);
            setCurEntry(added);
            entry = added;
            break;
        }
        case Step::WhenLine: case Step::Otherwise: case Step::OnlyArgument: case Step::Unfinished: break;
        }
    }
    setCurEntry(corrected);
    return FixedOutcome::Applied;
}

void NBSourceXMLParser::parseRecalcitrants() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    // A listed headword without a known correction goes to the developer.
    if (runFixedResult(u"recalcitrants"_s, entry->entry()) != FixedOutcome::Applied)
        ts::NotificationCenter::defaultCenter().post(u"NEW EL entry"_s, entry.get());
}

// ---- Headword ----

void NBSourceXMLParser::insertOrthography() {
    static qint64 count = 0;
    const DictionaryEntryPtr entry = curEntry();
    if (++count % 500 == 0) DSLog("Parsing %@", rawString());
    if (!entry) return;
    QString text = rawString();
    if (text.contains(u'-')) {
        text.replace(u" - "_s, u"-"_s);
        text.remove(u'-');
    }
    // Line breaks of an indented source separate like blanks.
    constexpr QStringView kSplit = u" (\n\r\t";
    const bool single = std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        return c == u' ' || c == u'(' || c == u'\n' || c == u'\r' || c == u'\t';
    });
    if (single) {
        // The common case: one word and nothing to note.
        if (!text.isEmpty()) entry->setEntry(trimmed(text, u" ,\uFF09)"));
        return;
    }
    QStringList pieces = nonEmptyPieces(text, kSplit);
    if (pieces.isEmpty()) return;
    entry->setEntry(trimmed(pieces.takeFirst(), u" ,\uFF09)"));
    if (pieces.isEmpty()) return;
    QString rest = pieces.join(u' ');
    if (text.contains(u')') || text.contains(QChar(0xFF09))) rest.prepend(u'(');
    addNote(rest);
}

// ---- Bracketed remarks split by commas ----

void NBSourceXMLParser::reconstructBracketedComments(QStringList& list) {
    if (list.size() > 1) {
        const QStringList walk = list;
        QString open;
        for (qsizetype i = 0; i + 1 < walk.size(); ++i) {
            const QString& w = walk.at(i);
            const QString s = withHalfWidthBrackets(w.trimmed());
            if (s.contains(u'(')) {
                if (s.contains(u')')) addNote(s);
                else open = s;
                removeEvery(list, w);
            } else if (!open.isNull()) {
                const QString joined = open + u", "_s + s;
                if (s.contains(u')')) {
                    replaceFirst(list, w, joined);
                    open = QString();
                } else {
                    removeEvery(list, w);
                    open = joined;
                }
            }
        }
    }
    const QStringList walk = list;
    QString open;
    for (qsizetype i = walk.size() - 1; i >= 0; --i) {
        const QString& w = walk.at(i);
        // A remark already whole (as the forward pass leaves a rejoined
        // one) opens nothing: taken as the end of an earlier remark, it
        // would swallow every component before it into one note.
        if (open.isNull() && w.contains(u'(') && w.indexOf(u'(') < w.indexOf(u')')) continue;
        if (w.contains(u')')) {
            open = w;
            removeEvery(list, w);
        } else if (!open.isNull()) {
            const QString joined = w + u", "_s + open;
            if (w.contains(u'(')) {
                replaceFirst(list, w, joined);
                open = QString();
            } else {
                removeEvery(list, w);
                open = joined;
            }
        }
    }
    if (!open.isNull()) {
        if (!open.contains(u'(')) open.prepend(u'(');
        if (open.size() >= 3) addNote(open);
    }
}

void NBSourceXMLParser::turnBracketedComponentsIntoNotes(QStringList& list) {
    const QStringList walk = list;
    for (const QString& w : walk) {
        const QString s = QString(w).replace(QChar(0xFF08), u'(');
        if (!s.contains(u'(')) continue;
        if (s.contains(u" ("_s)) {
            QStringList pieces;
            for (const QString& p : s.split(u" ("_s))
                if (!p.isEmpty() && p != u" "_s) pieces << (p.contains(u')') ? u"("_s + p : p);
            turnBracketedComponentsIntoNotes(pieces);
            replaceFirst(list, w, pieces.join(u' '));
        } else {
            addNote(w);
            list.removeOne(w);
        }
    }
    if (list.removeAll(u" inch."_s) > 0) addNote(u"inch."_s);
}

// ---- Grammar group ----

void NBSourceXMLParser::parseGramGrp(const QString& given) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    if (specialWordSet().contains(entry->entry())) {
        parseSpecialEntry();
        return;
    }
    if (given.isNull()) return;
    QString text = given.trimmed();
    if (text.size() < 2) return;
    text = prependIType(text);
    if (text.contains(u"praep. with acc."_s)) {
        entry->setType(DictionaryEntry::Preposition);
        entry->setCase(3);
        return;
    }
    bool ignore = false;
    if (!isVerb(text, ignore)) {
        if (!ignore) addNote(text);
        return;
    }
    QStringList components = text.split(u',');
    QStringList slots = entry->entry().split(u'-');
    while (slots.size() < 4) slots << QString();
    for (const QString& junk : {u""_s, u" "_s, u")"_s}) removeEvery(components, junk);
    if (components.size() >= 3) {
        reconstructBracketedComments(components);
        if (components.size() >= 3 && !bracketsAreNotNotesSet().contains(slots.at(0)))
            turnBracketedComponentsIntoNotes(components);
    }
    switch (components.size()) {
    case 1: addNote(components.first()); break;
    case 2: {
        QString first = components.at(0).trimmed(), second = components.at(1).trimmed();
        // "inch." marks an inchoative (third conjugation), not a part; an
        // em dash is a part the source does not give.
        if (second == u"inch." || second == u"inch") {
            addNote(u"inch."_s);
            second = u"ere"_s;
            if (entry->conjugation() == 0) entry->setConjugation(3);
        }
        if (first == QString(latinsource::kEmDash)) first.clear();
        slots[1] = second;
        const bool perfect = first.endsWith(u'ī') || first.endsWith(u'i');
        if (perfect && slots.at(2).trimmed().isEmpty()) slots[2] = first;
        else if (perfect) addNote(first);
        else slots[3] = first;
        entry->setEntry(slots.join(u" -"_s));
        break;
    }
    case 3:
    case 4: handleThreeComponentGrammarGroup(components, slots); break;
    default: DSLog("Unhandled grammar group %@", rawString());
    }
}

void NBSourceXMLParser::handleThreeComponentGrammarGroup(const QStringList& components, QStringList& slots) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || components.size() < 3) return;
    constexpr QStringView kSlotTrim = u" -\u2014";
    QStringList rest = nonEmptyPieces(trimmed(components.at(2), kSlotTrim), u" ");
    const QString infinitive = rest.isEmpty() ? QString(u""_s) : rest.takeFirst().trimmed();
    const QString supine = trimmed(components.at(1), kSlotTrim);
    const QString perfect = trimmed(components.at(0), kSlotTrim);
    slots[1] = infinitive;
    slots[3] = supine;
    if (!perfect.isEmpty()) {
        if (!slots.at(2).isEmpty()) addNote(perfect);
        else slots[2] = perfect;
    }
    if (!rest.isEmpty()) addNote(rest.join(u' '));
    entry->setEntry(slots.join(u" -"_s));
}

// ---- Part of speech ----

void NBSourceXMLParser::parsePos(const QString& given) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    if (given == u"gen. alterutrīus (rarely separate, altera utra, etc.), pronom. adj.,") {
        entry->setType(DictionaryEntry::Adjective);
        entry->setConjugation(3);
        entry->setEntry(entry->entry() + u" gen. alterutrīus"_s);
        addNote(u"(rarely separate, altera utra, etc.)"_s);
        addNote(u"pronom. adj."_s);
        return;
    }
    if (given == u", etc., L.—With a subst. or adj.") {
        finishExample(u", etc., L."_s);
        addSense(u"—With a subst. or adj."_s);
        return;
    }
    if (given == u", Ta.—With the subject, instead of an adv.") {
        finishExample(u", Ta."_s);
        addSense(u"—With the subject, instead of an adv."_s);
        return;
    }
    const QString text = prependIType(given);
    QStringList components;
    for (const QString& c : text.split(u','))
        if (!c.isEmpty()) components << c;
    reconstructBracketedComments(components);
    QString recognised;
    bool found = false;
    for (const QString& c : QStringList(components))
        if (parsePosComponent(c)) {
            recognised = c;
            found = true;
            break;
        }
    if (found) {
        removeEvery(components, recognised);
        if (components.isEmpty()) return;
        if (entry->type() == DictionaryEntry::Adjective) {
            if (entry->parts().size() == 1) {
                for (const QString& c : components) entry->setEntry(entry->entry() + u" -"_s + c.trimmed());
            } else {
                addNote(components.join(QString()));
            }
            return;
        }
        entry->setType(DictionaryEntry::Verb);
        for (qsizetype i = components.size() - 1; i >= 0; --i)
            entry->setEntry(entry->entry() + u" -"_s + components.at(i).trimmed());
        const QString last = components.last().trimmed();
        entry->setConjugation(last == u"ārī" ? 1 : last == u"īrī" ? 4 : 3);
        if (components.size() == 1 && !iType_.isNull()) {
            entry->setEntry(entry->entry() + u" -"_s + iType_);
            iType_ = QString();
        }
        return;
    }
    if (text == u"  num. adj.,") {
        entry->setType(DictionaryEntry::Adjective);
        addNote(u"num. adj."_s);
    } else if (text == u" and adv.,") {
        entry->setType(DictionaryEntry::Adjective);
        addNote(u"and adv."_s);
    } else if (text == u"  pronom. adj.") {
        entry->setType(DictionaryEntry::Adjective);
        addNote(u"pronom. adj."_s);
    } else if (text == u"(no gen.), pron. interr. adj.") {
        entry->setType(DictionaryEntry::Adjective);
        addNote(u"pron. interr. adj."_s);
    } else if (text == u") dep.") {
        if (entry->lastChild()) entry->removeChild(entry->lastChild());
    } else if (text == u", O.—For the adv.") {
        finishExample(u"O."_s);
        addSense(u"—For the adv."_s);
    }
}

bool NBSourceXMLParser::parsePosComponent(const QString& component) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return false;
    const QString d = trimmed(component, u" ;");
    if (d == u"adj.") {
        if (entry->type() == DictionaryEntry::Adjective) return true;
        QString h = entry->entry();
        if (h.contains(u'(')) {
            const QStringList words = nonEmptyPieces(h, u" ");
            h = words.value(0);
            if (words.size() >= 2) entry->addChild(DictionaryEntry::make(words.at(1) + u")"_s, DictionaryEntry::Note));
            for (qsizetype i = 2; i < words.size(); ++i) h += u' ' + words.at(i);
            if (h.contains(u'(')) DSLog("%@", h);
        }
        entry->setType(DictionaryEntry::Adjective);
        const QString ending = h.size() >= 2 ? h.right(2) : QString();
        if (ending == u"us") {
            entry->setConjugation(2);
            entry->setEntry(h + u" -a -um"_s);
        } else if (ending == u"is" || ending == u"īs" || ending == u"os" || ending == u"-e") {
            entry->setConjugation(3);
        } else if (ending == u"\u00FCs") {
            entry->setConjugation(2);
        } else if (iType_.isNull()) {
            if (specialPosSet().contains(h)) parseSpecialPosSet(h);
        } else {
            addITypeToAdjective();
        }
        return true;
    }
    if (d == u"adv.") {
        entry->setType(DictionaryEntry::Adverb);
        return true;
    }
    if (d == u"prep.") {
        entry->setType(DictionaryEntry::Preposition);
        if (auto last = entry->lastChild(); last && last->entry() == u"insepa")
            last->setEntry(u"inseparable preposition"_s);
        iType_ = QString();
        return true;
    }
    if (d == u"P. and adj.") {
        entry->setType(DictionaryEntry::Participle);
        return true;
    }
    if (d == u"dep.") return true;
    if (d == u"subst. and adv.") {
        entry->setType(DictionaryEntry::Noun);
        addNote(u"subst. and adv."_s);
        return true;
    }
    return false;
}

void NBSourceXMLParser::parseSpecialPosSet(const QString& headword) {
    if (runFixedResult(u"specialPos"_s, headword) != FixedOutcome::Applied)
        DSLog("%@ unfinished", curEntry() ? curEntry()->entry() : headword);
}

void NBSourceXMLParser::addITypeToAdjective() {
    const DictionaryEntryPtr entry = curEntry();
    if (iType_.isNull() || !entry) return;
    for (const QString& piece : nonEmptyPieces(iType_, u" ")) entry->setEntry(entry->entry() + u" -"_s + piece);
    iType_ = QString();
}

// ---- The last guess of the word class ----

void NBSourceXMLParser::guessEntryType(const DictionaryEntryPtr& entry) {
    if (!entry || entry->type() != 0) return;
    if (iType_ == u"abbrev.") {
        entry->setType(DictionaryEntry::Abbreviation);
        iType_ = QString();
    }
    const QString headword = entry->entry();
    if (numeralSet().contains(headword)) {
        entry->setType(DictionaryEntry::Numeral);
        return;
    }
    if (conjunctionSet().contains(headword)) {
        entry->setType(DictionaryEntry::Conjunction);
        return;
    }
    if (const DictionaryEntryPtr first = entry->firstChild()) {
        const QString f = first->entry();
        auto is = [&](std::initializer_list<const char16_t*> texts) {
            for (const char16_t* t : texts)
                if (f == QStringView(t)) return true;
            return false;
        };
        int type = 0;
        bool removeFirst = false;
        int caseCode = 0;
        if (is({u"conj."})) type = 5;
        else if (is({u"adj"})) type = 3, removeFirst = true;
        else if (is({u"interj."})) type = 8;
        else if (is({u"praep.", u"praep insep."})) type = 6;
        else if (is({u"pron possess", u"pron poss"})) type = 7;
        else if (is({u"num.", u"num indecl", u"num ord."}) || f.startsWith(u"num ") || f.contains(u"num ord")) type = 9;
        else if (is({u"P."})) type = 19, removeFirst = true;
        else if (is({u"v. defect."})) type = 2;
        else if (is({u"a gentile name"})) type = 1;
        else if (is({u"part enclit"})) type = 24;
        // The last three rows all need "praep": one scan tells whether to try them.
        else if (!f.contains(u"praep")) type = 0;
        else if (f.contains(u"praep. with abl")) type = 6, caseCode = 6, removeFirst = true;
        else if (f.contains(u"adv. and praep")) type = 4;
        else if (f.contains(u"praep. inseparable")) type = 6;
        if (type) {
            entry->setType(type);
            if (caseCode) entry->setCase(caseCode);
            // A meaning that opens with the grammatical note keeps its words
            // and examples; only the note goes.
            if (caseCode == 6 && first->type() == DictionaryEntry::Meaning) {
                const QString rest = trimmed(without(f, u"praep. with abl"_s), u";, :.");
                if (!rest.isEmpty() || first->childCount() > 0) {
                    first->setEntry(rest);
                    removeFirst = false;
                }
            }
            if (removeFirst) entry->removeChild(first);
            return;
        }
    }
    const DictionaryEntryPtr meaning = firstMeaningChild();
    if (!meaning) return;
    {
        const QString t = meaning->entry();
        const bool withCase = t.contains(u"praep. with a");
        for (const auto& [marker, caseCode] : {std::pair{u"praep. with abl"_s, 6}, std::pair{u"praep. with acc"_s, 3}}) {
            if (!withCase || !t.contains(marker)) continue;
            entry->setType(DictionaryEntry::Preposition);
            entry->setCase(caseCode);
            meaning->setEntry(trimmed(without(t, marker), u";, :."));
            return;
        }
        if (t.startsWith(u"imper.")) {
            entry->setType(DictionaryEntry::Note);
            return;
        }
    }
    struct TagRow {
        const char16_t* tag;
        int type;
        bool remove;
        int caseCode;
        const char16_t* note;
    };
    static constexpr TagRow kTags[] = {
        {u"P.", 19, true, 0, nullptr},
        {u"num. indecl,", 9, true, 0, u"num. indecl"},
        {u"num adj.", 3, true, 0, u"num adj"},
        {u"pronom adj.", 3, true, 0, u"pronom adj"},
        {u"adj", 3, true, 0, nullptr},
        {u"Adj.", 3, false, 0, nullptr},
        {u"adv", 4, false, 0, nullptr},
        {u"num ord. adj.,", 9, false, 0, nullptr},
        {u"num adv.", 4, true, 0, u"num adv"},
        {u"num ordin.", 9, false, 0, nullptr},
        {u"num.", 9, true, 0, nullptr},
        {u"num,", 9, true, 0, nullptr},
        {u"praep.,", 6, true, 0, nullptr},
        {u"prep. with acc. or abl", 6, true, 3, u"acc. or abl."},
        {u"As conj.", 5, true, 0, nullptr},
        {u"pron.", 7, false, 0, nullptr},
        {u"praep. with abl", 6, true, 6, nullptr},
        {u"conj.", 5, true, 0, nullptr},
        {u"comp.", 3, false, 0, nullptr},
        {u"voc.", 1, false, 0, nullptr},
        {u"plur. nom..", 1, false, 0, nullptr},
        {u"inf.", 2, false, 0, nullptr},
        {u"subj.", 2, false, 0, nullptr},
        {u"old pass.", 2, false, 0, nullptr},
        {u"enclit.", 24, true, 0, nullptr},
        {u"the Greek letter", 26, true, 0, nullptr},
        {u"acc.", 1, false, 0, nullptr},
        {u"abl.", 1, false, 0, nullptr},
        {u"dat. and abl", 1, false, 0, nullptr},
        {u"adv. and praep", 4, true, 0, nullptr},
    };
    // Texts made once: most entries that get here try every row.
    static const QStringList tags = [] {
        QStringList l;
        for (const TagRow& row : kTags) l << QString::fromUtf16(row.tag);
        return l;
    }();
    // The children's texts are read once; a row is tried for real only when
    // its tag stands near the start of one of them.
    QStringList texts;
    for (const auto& child : entry->childList())
        if (child) texts << child->entry();
    // The letters that can begin a tag near the start of some child, so
    // that most rows are passed over at one test.
    quint64 starts = 0;
    auto noteStarts = [&] {
        starts = 0;
        for (const QString& t : texts)
            for (qsizetype at = 0; at < std::min<qsizetype>(4, t.size()); ++at) starts |= 1ull << (t.at(at).unicode() & 63);
    };
    noteStarts();
    auto near = [&texts, &starts](const QString& tag) {
        if (!(starts & (1ull << (tag.at(0).unicode() & 63)))) return false;
        for (const QString& t : texts)
            if (nearStart(t, tag)) return true;
        return false;
    };
    for (qsizetype i = 0; i < tags.size(); ++i) {
        const TagRow& row = kTags[i];
        if (!near(tags.at(i)) || !checkForTag(tags.at(i), row.type, row.remove)) continue;
        if (row.caseCode) entry->setCase(row.caseCode);
        if (row.note) addNote(QString::fromUtf16(row.note));
        return;
    }
    static constexpr std::pair<const char16_t*, bool> kRedirects[] = {
        {u"Perf. of", false}, {u"neut. comp.", false}, {u"comp. of", false}, {u"Part. of", false},
        {u"sup. of", false},  {u"Voc. of", false},     {u"gen. of", false},  {u"dat. of", false},
        {u"fut. of", false},  {u"see ", false},        {u"sup", true},       {u"supp.", false},
        {u"subj ", false},    {u"fut. inf.", false},   {u"gen. sing.", false}, {u"pass.", false},
        {u"plur. nom.", false}, {u"dat. and abl.", false}, {u"plur. of", false}};
    static const QStringList redirects = [] {
        QStringList l;
        for (const auto& r : kRedirects) l << QString::fromUtf16(r.first);
        return l;
    }();
    // The first redirect check trims every child; the others see the trimmed texts.
    if (checkForRedirect(redirects.at(0), kRedirects[0].second)) return;
    for (QString& t : texts) t = trimmed(t, u");, :.");
    noteStarts();
    for (qsizetype i = 1; i < redirects.size(); ++i) {
        const QString& word = redirects.at(i);
        const bool candidate = kRedirects[i].second ? texts.contains(word) : near(word);
        if (candidate && checkForRedirect(word, kRedirects[i].second)) return;
    }
    static const QString praep = u"praep"_s;
    if (near(praep)) checkForTag(praep, DictionaryEntry::Preposition, true);
}

// ---- Verbs ----

bool NBSourceXMLParser::isVerb(const QString& text, bool& ignore) {
    ignore = false;
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return false;
    if (entry->type() == DictionaryEntry::Verb && incomplete_) return true;
    QStringList pieces;
    for (const QString& p : text.split(u','))
        if (!p.isEmpty()) pieces << p;
    if (pieces.size() < 2) return false;
    const QString last = pieces.last().trimmed();
    auto verb = [&](int conjugation) {
        entry->setType(DictionaryEntry::Verb);
        entry->setConjugation(conjugation);
        return true;
    };
    if (last == u"ere") return verb(conjugationForEreVerb());
    if (last == u"āre") return verb(1);
    if (last == u"ēre") return verb(2);
    if (last == u"īre") return verb(conjugationForIreVerb());
    if (last.endsWith(u"um")) return false;
    if (last.endsWith(u"fierī")) {
        if (entry->entry() == u"commonefaciō") {
            treatedSet().insert(entry->entry());
            entry->setType(DictionaryEntry::Verb);
            entry->setEntry(u"commonefaciō commonefacere commonefēcī commonefactus"_s);
            entry->setConjugation(11);
        }
        return false;
    }
    if (last.endsWith(u"mus") || last.endsWith(u"us)") || last.endsWith(u"e)")) return false;
    if (last.endsWith(u"adv")) {
        entry->setType(DictionaryEntry::Adverb);
        return false;
    }
    if (last.endsWith(u"ē") || last.endsWith(u"me") || last.endsWith(u"only comp. and sup.")) return false;
    if (last.endsWith(u"inch.")) {
        entry->setType(DictionaryEntry::Verb);
        return true;
    }
    ignore = true;  // every row below deals with the text itself, unless it says otherwise
    if (text.endsWith(u"dim, f.")) {
        entry->setType(DictionaryEntry::Noun);
        entry->setGender(2);
        addNote(u"dim."_s);
    } else if (text == u"(not adol-), ntis") {
        entry->setEntry(entry->entry() + u" -ntis"_s);
        addNote(u"(not adol-)"_s);
    } else if (text.endsWith(u"pronom adj. indef.")) {
        addNote(without(text, u"pronom adj. indef."_s));
        addNote(u"pronom adj. indef."_s);
    } else if (text.endsWith(u"; pron pers.")) {
        addNote(without(text, u"; pron pers."_s));
        addNote(u"pron pers."_s);
        entry->setType(DictionaryEntry::Pronoun);
    } else if (text == u"),") {
    } else if (text.endsWith(u", pronom adj.")) {
        entry->setType(DictionaryEntry::Adjective);
        addITypeToAdjective();
        addNote(text.left(text.size() - 13));
    } else if (text.contains(u"praep., with abl.")) {
        entry->setType(DictionaryEntry::Preposition);
        entry->setCase(6);
    } else if (text.endsWith(u", praep. with abl.")) {
        entry->setType(DictionaryEntry::Preposition);
        entry->setCase(6);
        addNote(without(text, u", praep. with abl."_s));
    } else if (text == u"praep., inseparable") {
        entry->setType(DictionaryEntry::Preposition);
        entry->setCase(8);
        ignore = false;
    } else if (text.endsWith(u", conj enclit.")) {
        entry->setType(DictionaryEntry::Enclitic);
        addNote(u"conj enclit."_s);
        addNote(without(text, u", conj enclit."_s));
    } else if (text.endsWith(u", conj.")) {
        entry->setType(DictionaryEntry::Conjunction);
        addNote(without(text, u", conj."_s));
    } else if (text.endsWith(u"fantem)")) {
        addNote(without(text, u")"_s));
    } else if (const qsizetype at = text.indexOf(u", num"_s); at >= 0) {
        addNote(text.mid(at + 2));
        entry->setType(DictionaryEntry::Numeral);
        addNote(text.left(at));
        if (!iType_.isNull()) {
            addNote(iType_);
            iType_ = QString();
        }
    } else if (text.endsWith(u"dedī, datus, are")) {
        entry->setEntry(entry->entry() + u" dare dedī, datus"_s);
        entry->setType(DictionaryEntry::Verb);
        entry->setConjugation(1);
        addNote(without(text, u", dedī, datus, are"_s));
    } else if (text.endsWith(u", pron pers.")) {
        entry->setType(DictionaryEntry::Pronoun);
        addNote(u", pron pers."_s);
        addNote(without(text, u", pron pers."_s));
    } else if (text.endsWith(u"uncertainly")) {
        addSense(text);
        addNote(text);
    } else if (text.endsWith(u". tūm, L.)")) {
        entry->setGender(1);
        addNote(text);
    } else {
        ignore = false;
        if (verbPassSet().contains(text)) return false;
        if (specialVerbTreatmentSet().contains(text) ||
            elementarydata::table(u"specialVerbTreatment"_s).find(text)) {
            performSpecialVerbTreatment(text);
            ignore = true;
            return false;
        }
        if (last.endsWith(u"intens.")) return false;
        DSLog("isVerb %@", text);
    }
    return false;
}

void NBSourceXMLParser::performSpecialVerbTreatment(const QString& text) {
    runFixedResult(u"specialVerbTreatment"_s, text, text);
}

// ---- Gender ----

bool NBSourceXMLParser::setGender(const QString& given) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return false;
    static const elementarydata::Table& specialGenders = elementarydata::table(u"specialGender"_s);
    if (specialGenders.mayHold(entry->entry()) && specialGenderTreatment().contains(entry->entry()) &&
        handleSpecialGenderEntry(given))
        return true;
    const QString g = trimmed(prependIType(given), u" ,)(");
    auto nounIfUntyped = [&] {
        if (entry->type() == 0) entry->setType(DictionaryEntry::Noun);
    };
    auto wrongType = [&] {
        DSLog("Setting gender for wrong type %@: %li: %@", entry->entry(), qint64(entry->type()), g);
        return false;
    };
    if (g == u"m" || g == u"f" || g == u"n" || g == u"\uFF08f" || g == u"> f") {
        nounIfUntyped();
        entry->setGender(g == u"m" ? 1 : g == u"n" ? 3 : 2);
        return true;
    }
    if (g == u"c") {
        nounIfUntyped();
        entry->setGender(4);
        return true;
    }
    if (g == u"or f" || g == u"or n") {
        nounIfUntyped();
        if (entry->type() == DictionaryEntry::Noun && entry->gender() == 1) {
            entry->setGender(g == u"or f" ? 8 : 9);
            return true;
        }
        return wrongType();
    }
    if (g == u"f., or n") {
        nounIfUntyped();
        if (entry->type() != DictionaryEntry::Noun) return false;
        entry->setGender(10);
        return true;
    }
    if (g == u"and f") {
        nounIfUntyped();
        if (entry->type() != DictionaryEntry::Noun) return wrongType();
        entry->setGender(7);
        return true;
    }
    if (g == u"rarely f") {
        nounIfUntyped();
        addNote(g);
        return true;
    }
    // A gender text without a row of its own comes back here through the
    // segmented reading once; a second return would never end.
    if (segmentedGenderDepth_ >= 2) {
        DSLog("Unknown gender %@ for %@", g, entry->entry());
        return false;
    }
    ++segmentedGenderDepth_;
    handleSegmentedGenderString(g);
    --segmentedGenderDepth_;
    return false;
}

bool NBSourceXMLParser::handleSegmentedGenderString(const QString& text) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return false;
    QStringList pieces = text.split(u", "_s);
    removeEvery(pieces, u" "_s);
    removeEvery(pieces, u""_s);
    reconstructBracketedComments(pieces);
    if (pieces.isEmpty()) return true;
    const QString last = pieces.last();
    const bool gender = genderTypes().contains(last);
    if (pieces.size() == 1) {
        if (gender) {
            if (entry->gender() == 0) setGender(last);
            return true;
        }
        addNote(pieces.first());
        return false;
    }
    if (!gender) {
        if (setGender(last)) {
            pieces.removeLast();
            DSLog("%@", pieces.join(u", "_s));
        }
        return false;
    }
    if (entry->gender() != 0) {
        if (pieces.size() == 3 && latinsource::declensionForPotentialNounEnding(pieces.at(1)) > 0)
            addNote(u"%1 -%2 %3"_s.arg(pieces.at(0), pieces.at(1), pieces.at(2)));
        else addNote(pieces.join(u", "_s));
        return true;
    }
    if (!setGender(last)) return true;
    pieces.removeLast();
    if (pieces.size() == 1) {
        const QString piece = pieces.first();
        if (!entry->entry().contains(u' ')) {
            const QString bare = QString(piece).remove(u'(').remove(u')');
            if (const int d = latinsource::declensionForPotentialNounEnding(bare); d > 0) {
                entry->setConjugation(d);
                entry->setEntry(entry->entry() + u" -"_s + bare);
                return true;
            }
        }
        addNote(piece);
        return true;
    }
    if (const int d = latinsource::declensionForPotentialNounEnding(pieces.last()); d > 0) {
        entry->setEntry(entry->entry() + u" -"_s + pieces.last());
        entry->setConjugation(d);
        pieces.removeLast();
    }
    if (!pieces.isEmpty()) addNote(pieces.join(u", "_s));
    return true;
}

bool NBSourceXMLParser::handleSpecialGenderEntry(const QString& text) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return true;
    if (runFixedResult(u"specialGender"_s, entry->entry(), text) == FixedOutcome::Applied) return true;
    // Without its own treatment the entry keeps the gender and class its
    // source gives it rather than none.
    DSLog("unhandled special gender %@", entry->entry());
    return false;
}
