// The inflected forms of the Latin words an entry tree holds, built by the
// vocabulary word classes of the grammar engine.

#include "dictionaries/DictionaryEntry.h"
#include "dictionaries/EntryWord.h"

#include "morphology/Adjective.h"
#include "morphology/LatinText.h"
#include "morphology/Verb.h"
#include "morphology/Word.h"

#include "app/logging/LGLog.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

bool sameWord(const DictionaryEntry& a, const DictionaryEntry& b, bool compareGender) {
    return a.entry() == b.entry() && a.conjugation() == b.conjugation() && (!compareGender || a.gender() == b.gender());
}

bool holds(const DictionaryEntryList& array, const DictionaryEntry& entry, bool compareGender) {
    return std::any_of(array.begin(), array.end(),
                       [&](const DictionaryEntryPtr& e) { return e && sameWord(*e, entry, compareGender); });
}

// Whether a node's children are walked after the node itself is handled.
bool collect(DictionaryEntryList& array, const DictionaryEntryPtr& entry) {
    const int type = entry->type();
    switch (type) {
    case DictionaryEntry::Noun: return !DictionaryEntry::addBaseNoun(entry, array);
    case DictionaryEntry::Verb: return !DictionaryEntry::addBaseVerb(entry, array);
    case DictionaryEntry::Adjective: return !DictionaryEntry::addBaseAdjective(entry, array);
    case DictionaryEntry::Numeral: DictionaryEntry::addBaseNumber(entry, array); return false;
    case DictionaryEntry::Packon: TSLogError("packon not handled"); return true;
    case DictionaryEntry::Phrase: TSLogError("phrase not handled"); return true;
    default: break;
    }
    if ((type >= 4 && type <= 8) || type == 19 || (type >= 23 && type <= 26) || type == 32 || type == 33) {
        array.push_back(entry);
        return true;
    }
    if (type == 0 || (type >= 12 && type <= 18) || (type >= 20 && type <= 22) || type == 27 || type == 31) return true;
    TSLogError("Base words unhandled for %@ type %li", entry, qint64(type));
    return true;
}

bool addsItself(int type) {
    return type == 4 || type == 5 || type == 6 || type == 8 || (type >= 17 && type <= 23) || type == 28 || type == 31;
}

// The entry's text as its forms are built from it: a hyphen the source left
// inside a word (expergē-făcĭo) is no letter of any form, though the entry
// shows it.
QString formText(const DictionaryEntry& entry) { return LatinText::withoutWordHyphens(entry.entry()); }

void insertAll(QSet<QString>& forms, const QStringList& list) {
    for (const QString& form : list)
        if (!form.isEmpty()) forms.insert(form);
}

}  // namespace

DictionaryEntryList DictionaryEntry::getBaseWords() const {
    DictionaryEntryList array;
    if (const DictionaryEntryPtr me = self()) addBaseWordsToArray(array, me);
    return array;
}

void DictionaryEntry::addBaseWordsToArray(DictionaryEntryList& array, const DictionaryEntryPtr& entry) {
    // Depth first, children in order, without recursion: a tree read from a
    // file may be deeper than the stack allows.
    std::vector<DictionaryEntryPtr> pending{entry};
    while (!pending.empty()) {
        const DictionaryEntryPtr node = std::move(pending.back());
        pending.pop_back();
        if (!node || !collect(array, node)) continue;
        const DictionaryEntryList& children = node->childList();
        for (auto it = children.rbegin(); it != children.rend(); ++it) pending.push_back(*it);
    }
}

bool DictionaryEntry::addBaseNoun(const DictionaryEntryPtr& entry, DictionaryEntryList& array) {
    if (!entry || entry->gender() < 1 || entry->conjugation() < 1) return false;
    if (!holds(array, *entry, true)) array.push_back(entry);
    return true;
}

bool DictionaryEntry::addBaseVerb(const DictionaryEntryPtr& entry, DictionaryEntryList& array) {
    if (!entry || entry->conjugation() < 1) return false;
    if (!holds(array, *entry, false)) array.push_back(entry);
    return true;
}

bool DictionaryEntry::addBaseAdjective(const DictionaryEntryPtr& entry, DictionaryEntryList& array) {
    return addBaseVerb(entry, array);
}

bool DictionaryEntry::addBaseNumber(const DictionaryEntryPtr& entry, DictionaryEntryList& array) {
    if (entry) array.push_back(entry);
    return true;
}

QSet<QString> DictionaryEntry::getAllInflectedForms() const {
    QSet<QString> forms;
    for (const DictionaryEntryPtr& word : getBaseWords()) {
        switch (word->type()) {
        case Noun: addNounForms(forms, *word); break;
        case Verb: addVerbForms(forms, *word); break;
        case Adjective: addAdjectiveForms(forms, *word); break;
        case Numeral: addNumberForms(forms, *word); break;
        default:
            if (addsItself(word->type())) {
                if (!word->entry().isEmpty()) forms.insert(formText(*word));
            } else {
                TSLogError("%li not handled %@", qint64(word->type()), word);
            }
        }
    }
    return forms;
}

void DictionaryEntry::addNounForms(QSet<QString>& forms, const DictionaryEntry& entry) {
    const EntryWord::Result r = EntryWord::fromEntry(entry);
    if (!r.word || r.word->getWordType() != WordCode::Noun) return;
    QStringList list;
    Word::addNounForms(list, *r.word);
    insertAll(forms, list);
}

void DictionaryEntry::addVerbForms(QSet<QString>& forms, const DictionaryEntry& entry) {
    const EntryWord::Result r = EntryWord::fromEntry(entry);
    const auto* verb = dynamic_cast<const ::Verb*>(r.word.get());
    if (!verb) return;
    QStringList list;
    ::Verb::addVerbForms(list, *verb);
    insertAll(forms, list);
}

void DictionaryEntry::addAdjectiveForms(QSet<QString>& forms, const DictionaryEntry& entry) {
    const EntryWord::Result r = EntryWord::fromEntry(entry);
    const auto* adjective = dynamic_cast<const ::Adjective*>(r.word.get());
    if (!adjective) return;
    QStringList list;
    ::Adjective::addAdjectiveForms(list, *adjective);
    insertAll(forms, list);
}

void DictionaryEntry::addNumberForms(QSet<QString>& forms, const DictionaryEntry& entry) {
    if (entry.conjugation() > 5) return;
    static const QRegularExpression whiteSpace(QStringLiteral("\\s+"));
    const QStringList words = formText(entry).split(whiteSpace, Qt::SkipEmptyParts);
    QString pending;
    bool omitSingular = false;
    for (auto it = words.rbegin(); it != words.rend(); ++it) {
        const QString& word = *it;
        if (word.contains(QLatin1Char('('))) continue;
        const bool ending = word == QLatin1String("-a") || word == QLatin1String("-um") || word == QLatin1String("-ae");
        if (ending) {
            pending = word + QLatin1Char(' ') + pending;
            if (word == QLatin1String("-ae")) omitSingular = true;
        } else if (!pending.isEmpty()) {
            ::Adjective adjective;
            adjective.setLatin(word + QLatin1Char(' ') + pending);
            adjective.setConjugation(1);
            adjective.setWordType(WordCode::Adjective);
            QStringList list;
            ::Adjective::addNormalAdjectiveForms(list, adjective, omitSingular);
            insertAll(forms, list);
            pending.clear();
            omitSingular = false;
        } else {
            forms.insert(word);
        }
    }
}
