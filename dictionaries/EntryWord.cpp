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

// The gender a noun without one takes where its declension and ending
// decide it, as a grammar teaches them: the first declension feminine (a
// Greek -ēs or -ās masculine), the second masculine in -us, -os, -er, -ī and
// neuter in -um, -on, -a, the fourth masculine in -us and neuter in -ū, the
// fifth feminine; in the third only the suffixes that carry one (-tiō,
// -tās, -tūdō, -trīx feminine; -tor, -sor masculine; -men neuter). 0 where
// nothing decides, and the noun is then left without forms.
qint64 genderByEnding(const QString& parts, qint64 declension) {
    const QString head = foldLatinString(parts.section(u' ', 0, 0)).toLower();
    const auto ends = [&](std::initializer_list<const char*> endings) {
        for (const char* e : endings)
            if (head.endsWith(QLatin1String(e))) return true;
        return false;
    };
    if (head.size() < 3) return 0;
    switch (declension) {
    case 1: return ends({"es", "as"}) ? WordCode::Masculine : ends({"a", "e", "ae"}) ? WordCode::Feminine : 0;
    case 2:
        return ends({"us", "os", "er", "ir", "i"}) ? WordCode::Masculine : ends({"um", "on", "a"}) ? WordCode::Neuter : 0;
    case 4: return ends({"us"}) ? WordCode::Masculine : ends({"u"}) ? WordCode::Neuter : 0;
    case 5: return ends({"es"}) ? WordCode::Feminine : 0;
    case 3:
        if (ends({"tio", "sio", "tas", "tudo", "trix"})) return WordCode::Feminine;
        if (ends({"tor", "sor"})) return WordCode::Masculine;
        if (ends({"men"})) return WordCode::Neuter;
        return 0;
    default: return 0;
    }
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
    // A comma between two parts ("nōlo, nōlŭi") is no letter of either.
    for (qsizetype at = out.indexOf(u','); at >= 0; at = out.indexOf(u',', at)) {
        if (at + 1 == out.size() || out.at(at + 1) == u' ') out.remove(at, 1);
        else ++at;
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
        const qint64 gender = entry.gender() >= 1 ? entry.gender() : genderByEnding(r.parts, entry.conjugation());
        if (gender < 1 || entry.conjugation() < 1) return r;
        auto noun = std::make_shared<Word>();
        noun->setWordType(WordCode::Noun);
        noun->setLatin(r.parts);
        noun->setConjugation(entry.conjugation());
        noun->setGender(gender);
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
        // A verb with no stem of its own (code 6) takes the endings of the
        // forms it has.
        const qint64 given = entry.conjugation();
        const qint64 conjugation = given >= 1 && given != WordCode::NoStem ? given : defectiveConjugation(r.parts);
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
