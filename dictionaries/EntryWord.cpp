#include "dictionaries/EntryWord.h"

#include "morphology/Adjective.h"
#include "morphology/LatinText.h"
#include "morphology/Verb.h"
#include "morphology/VowelLength.h"

namespace EntryWord {

namespace {

char partOfSpeechLetter(int type) {
    switch (type) {
    case DictionaryEntry::Noun: return 'n';
    case DictionaryEntry::Verb: return 'v';
    case DictionaryEntry::Adjective:
    case DictionaryEntry::Participle:
    case DictionaryEntry::ParticipialAdjective: return 'a';
    case DictionaryEntry::Adverb:
    case DictionaryEntry::AdverbAndPreposition: return 'd';
    case DictionaryEntry::Conjunction: return 'c';
    case DictionaryEntry::Preposition: return 'r';
    case DictionaryEntry::Pronoun: return 'p';
    case DictionaryEntry::Interjection: return 'e';
    case DictionaryEntry::Numeral: return 'm';
    default: return 0;
    }
}

QString firstWord(const QString& parts) {
    QString head = parts.section(u' ', 0, 0);
    while (head.endsWith(u',')) head.chop(1);
    return head;
}

// A participle or participial adjective given without its declension:
// "-ns" words decline like amāns, "-us" words like bonus.
WordPtr participleAdjective(const QString& head) {
    auto adjective = std::make_shared<Adjective>();
    if (head.endsWith(QLatin1String("ns")) && head.size() > 3) {
        QString stem = head.chopped(2);
        const QChar last = stem.back();
        static const QString longVowels = QStringLiteral("\u0101\u0113\u012B\u014D\u016B");
        static const QString shortVowels = QStringLiteral("aeiou");
        const qsizetype at = longVowels.indexOf(last);
        if (at >= 0) stem[stem.size() - 1] = shortVowels.at(at);
        adjective->setLatin(head + QLatin1Char(' ') + stem + QStringLiteral("ntis"));
        adjective->setConjugation(3);
    } else if (head.endsWith(QLatin1String("us")) && head.size() > 3) {
        adjective->setLatin(head + QStringLiteral(" -a -um"));
        adjective->setConjugation(1);
    } else {
        return nullptr;
    }
    adjective->setWordType(WordCode::Adjective);
    return adjective;
}

// A verb the entry gives no conjugation: one that lacks its first person
// shows it in the form it has. A perfect (ōdī, meminī) takes the endings
// every conjugation shares; a third person (licet, taedet, ningit) its own
// -at, -et or -it, with the infinitive telling -it of the fourth apart.
qint64 defectiveConjugation(const QString& parts) {
    const QString first = foldLatinString(parts.section(u' ', 0, 0)).toLower();
    const QString second = foldLatinString(parts.section(u' ', 1, 1)).toLower();
    if (first.size() < 3) return 0;
    if (first.endsWith(u'i')) return 3;
    if (first.endsWith(QLatin1String("at"))) return 1;
    if (first.endsWith(QLatin1String("et"))) return 2;
    if (first.endsWith(QLatin1String("it"))) return second.endsWith(QLatin1String("ire")) ? 4 : 3;
    return 0;
}

}  // namespace

QString principalParts(const QString& text) {
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        if (!text.at(i).isSpace()) {
            out.append(text.at(i++));
            continue;
        }
        bool lineBreak = false;
        for (; i < n && text.at(i).isSpace(); ++i)
            if (text.at(i) == u'\n') lineBreak = true;
        if (lineBreak && out.endsWith(QLatin1String(" -"))) continue;
        if (!out.isEmpty() && i < n) out.append(u' ');
    }
    return LatinText::withoutWordHyphens(out);
}

Result fromEntry(const DictionaryEntry& entry) {
    Result r;
    const int type = entry.type();
    r.parts = principalParts(entry.entry());
    r.headword = firstWord(r.parts);
    r.partOfSpeech = partOfSpeechLetter(type);
    if (type == DictionaryEntry::Uninitialised) {
        r.outcome = Outcome::Untyped;
        return r;
    }
    if (type == DictionaryEntry::Redirect || type == DictionaryEntry::Misspelling) {
        r.outcome = Outcome::NotAWord;
        return r;
    }
    if (!r.partOfSpeech || r.parts.isEmpty()) return r;

    const bool indeclinable = r.parts.contains(QLatin1String("(indecl"));
    const auto oneForm = [&] {
        // A headword still holding a hyphen is a part, not a word.
        r.outcome = r.headword.isEmpty() || r.headword.contains(u'-') ? Outcome::Refused : Outcome::OneForm;
        return r;
    };
    switch (type) {
    case DictionaryEntry::Noun: {
        if (indeclinable) return oneForm();
        if (entry.gender() < 1 || entry.conjugation() < 1) return r;
        auto noun = std::make_shared<Word>();
        noun->setWordType(WordCode::Noun);
        noun->setLatin(r.parts);
        noun->setConjugation(entry.conjugation());
        noun->setGender(entry.gender());
        r.word = noun;
        break;
    }
    case DictionaryEntry::Adjective: {
        if (indeclinable) return oneForm();
        if (entry.conjugation() < 1 || entry.conjugation() > 3) return r;
        auto adjective = std::make_shared<Adjective>();
        adjective->setWordType(WordCode::Adjective);
        adjective->setLatin(r.parts);
        adjective->setConjugation(entry.conjugation());
        r.word = adjective;
        break;
    }
    case DictionaryEntry::Verb: {
        const qint64 conjugation = entry.conjugation() >= 1 ? entry.conjugation() : defectiveConjugation(r.parts);
        if (conjugation < 1) return r;
        auto verb = std::make_shared<Verb>();
        verb->setWordType(WordCode::Verb);
        verb->setLatin(r.parts);
        verb->setConjugation(conjugation);
        verb->setTransIntrans(entry.transIntrans());
        r.word = verb;
        break;
    }
    case DictionaryEntry::Participle:
    case DictionaryEntry::ParticipialAdjective:
        r.word = participleAdjective(r.headword);
        if (!r.word) return r;
        break;
    case DictionaryEntry::Pronoun: {
        QString plain = foldLatinString(r.headword).toLower();
        while (!plain.isEmpty() && plain.back().isDigit()) plain.chop(1);
        r.pronounLemma = plain;
        auto pronoun = std::make_shared<Word>();
        pronoun->setWordType(WordCode::Pronoun);
        pronoun->setLatin(r.parts);
        pronoun->setConjugation(entry.conjugation());
        pronoun->setGender(entry.gender());
        r.word = pronoun;
        break;
    }
    case DictionaryEntry::Numeral:
        // A numeral of one word does not inflect; one given with endings
        // (ūnus -a -um) declines, which only its own table can do.
        if (r.parts.contains(u' ') && !indeclinable) return r;
        return oneForm();
    default:
        return oneForm();
    }
    r.outcome = Outcome::Inflected;
    return r;
}

}  // namespace EntryWord
