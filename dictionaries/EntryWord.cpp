#include "dictionaries/EntryWord.h"

#include "morphology/Adjective.h"
#include "morphology/LatinText.h"
#include "morphology/TaggedForms.h"
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
// fifth feminine. In the third, the neuters by their nominative and
// genitive (-men -minis, -us -oris or -eris, -ma -matis, -e, -al, -ar, -ut
// -itis); masculine and feminine decline alike there, so every other noun
// takes the one its suffix names (-or, -ō -ōnis, -ēs -itis masculine; the
// rest feminine), a name never being neuter. 0 where nothing decides, and
// the noun is then left without forms.
qint64 genderByEnding(const QString& parts, qint64 declension) {
    const QString word = parts.section(u' ', 0, 0);
    const QString head = foldLatinString(word).toLower();
    const QString genitive = foldLatinString(parts.section(u' ', 1, 1)).toLower();
    const auto ends = [&](const QString& text, std::initializer_list<const char*> endings) {
        for (const char* e : endings)
            if (text.endsWith(QLatin1String(e))) return true;
        return false;
    };
    const auto headEnds = [&](std::initializer_list<const char*> endings) { return ends(head, endings); };
    if (head.size() < 3) return 0;
    // A genitive plural names the declension of a noun used in the plural
    // only, whatever number the entry gives (tĕnēbrae -ārum).
    if (ends(genitive, {"arum"})) declension = 1;
    else if (ends(genitive, {"orum"})) declension = 2;
    else if (ends(genitive, {"uum"})) declension = 4;
    if (declension == 3 && headEnds({"a"}) && ends(genitive, {"um"})) return WordCode::Neuter;  // moenia -ium
    switch (declension) {
    case 1: return headEnds({"es", "as"}) ? WordCode::Masculine : headEnds({"a", "e", "ae"}) ? WordCode::Feminine : 0;
    case 2:
        return headEnds({"us", "os", "er", "ir", "i"}) ? WordCode::Masculine
               : headEnds({"um", "on", "a"})           ? WordCode::Neuter
                                                       : 0;
    case 4: return headEnds({"us"}) ? WordCode::Masculine : headEnds({"u"}) ? WordCode::Neuter : 0;
    case 5: return headEnds({"es"}) ? WordCode::Feminine : 0;
    case 3: {
        if (genitive.isEmpty()) return 0;
        const bool name = word.at(0).isUpper();
        const bool neuter = (headEnds({"men"}) && ends(genitive, {"inis"})) ||
                            (headEnds({"us"}) && ends(genitive, {"oris", "eris"})) ||
                            (headEnds({"ma"}) && ends(genitive, {"matis", "atis"})) ||
                            (headEnds({"e"}) && ends(genitive, {"is"})) ||
                            (headEnds({"al", "ar"}) && ends(genitive, {"alis", "aris"})) ||
                            (headEnds({"ut"}) && ends(genitive, {"itis"}));
        if (neuter && !name) return WordCode::Neuter;
        if (neuter) return 0;
        if (headEnds({"or", "er", "ur", "l", "c", "t", "en", "n"})) return name ? WordCode::Masculine : 0;
        if (headEnds({"io", "do", "go"})) return WordCode::Feminine;
        if (headEnds({"o"}) || (headEnds({"es"}) && ends(genitive, {"itis", "etis"}))) return WordCode::Masculine;
        return headEnds({"is", "es", "as", "us", "x", "s"}) ? WordCode::Feminine : 0;
    }
    default: return 0;
    }
}

// The genitive of the noun's declension where the entry gives two ("vesper
// -ĕris and ĕri", typed second declension: vesperī), and the second
// declension's -ī where it writes -ii after a nominative that is no -ius or
// -ium (quādrĭdŭum -ĭi, mănŭlĕus -ii).
//
// Null for a line that is no noun and its genitive: a name of two words
// (Hercynĭa silva -ae), or a gloss the source runs into the line (nis -pro
// nobis). Its forms cannot be built with confidence.
QString givenGenitive(const QString& parts, qint64 declension) {
    QStringList words = parts.split(u' ');
    if (words.size() < 2) return parts;
    const auto plain = [](const QString& w) { return foldLatinString(w).toLower(); };
    const auto joins = [](const QString& w) { return w == QLatin1String("and") || w == QLatin1String("or"); };
    // Another spelling of the headword (Gnĭdus or Gnĭdos -i) is no genitive.
    while (words.size() >= 4 && joins(words.at(1))) words.remove(1, 2);
    if (words.size() > 2 && !joins(words.at(2))) return QString();
    if (words.size() >= 4 && (words.at(2) == QLatin1String("and") || words.at(2) == QLatin1String("or"))) {
        const QString first = plain(words.at(1)), second = plain(words.at(3));
        const auto fits = [&](const QString& g) {
            return declension == 2 ? g.endsWith(u'i') : declension == 3 ? g.endsWith(QLatin1String("is")) : false;
        };
        if (!fits(first) && fits(second)) {
            QString alternative = words.at(3);
            if (!alternative.startsWith(u'-')) alternative.prepend(u'-');
            words[1] = alternative;
            words.remove(2, 2);
        }
    }
    const QString head = plain(words.at(0));
    if (declension == 2 && plain(words.at(1)) == QLatin1String("-ii") && !head.endsWith(QLatin1String("ius")) &&
        !head.endsWith(QLatin1String("ium")))
        words[1] = QStringLiteral("-\u012B");
    return words.join(u' ');
}

// A noun the entry gives by its nominative alone: its genitive where the
// ending leaves no doubt (the second declension's neuters in -um and
// diminutives in -ulus, -olus; the first declension's -a and its plural
// -ae; the fifth's -iēs; the third's -tās -tātis and -tiō -tiōnis), so that
// it declines; the parts unchanged elsewhere.
QString withGenitive(const QString& parts, qint64 gender, qint64* declension) {
    if (parts.contains(u' ')) return parts;
    const QString head = foldLatinString(parts).toLower();
    const auto ends = [&](const char* e) { return head.endsWith(QLatin1String(e)); };
    if (head.size() < 4) return parts;
    struct Rule {
        bool applies;
        qint64 declension;
        QString genitive;
    };
    const Rule rules[] = {
        {ends("um") && (gender == 0 || gender == WordCode::Neuter), 2, QStringLiteral("-\u012B")},
        {(ends("ulus") || ends("olus")) && (gender == 0 || gender == WordCode::Masculine), 2, QStringLiteral("-\u012B")},
        {ends("ae") && gender != WordCode::Neuter, 1, QStringLiteral("-\u0101rum")},
        {ends("a") && !ends("ma") && gender != WordCode::Neuter, 1, QStringLiteral("-ae")},
        {ends("ies") && gender != WordCode::Neuter, 5, QStringLiteral("-\u0113\u012B")},
        {ends("tas") && gender != WordCode::Neuter, 3, QStringLiteral("-t\u0101tis")},
        {ends("tio") && gender != WordCode::Neuter, 3, QStringLiteral("-i\u014Dnis")},
    };
    for (const Rule& rule : rules) {
        if (!rule.applies) continue;
        *declension = rule.declension;
        return parts + u' ' + rule.genitive;
    }
    return parts;
}

// The key of the engine's tables for a headword: plain, lower case, without
// the number that tells homographs apart (quis2).
QString tableKey(const QString& headword) {
    QString plain = foldLatinString(headword).toLower();
    while (!plain.isEmpty() && plain.back().isDigit()) plain.chop(1);
    return plain;
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
    // The source marks rare and late words with a dagger before the
    // headword († moecha): no letter of any form.
    while (!out.isEmpty() && (out.at(0) == QChar(0x2020) || out.at(0) == QChar(0x2021) || out.at(0) == u' '))
        out.remove(0, 1);
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
    // A numeral the entry gives without its declension (ūnus, mīlle) takes
    // the forms of the engine's table, mīlle its plural mīlia with them.
    const auto fromTable = [&] {
        if (entry.conjugation() >= 1 && type == DictionaryEntry::Adjective) return false;
        const QString key = tableKey(r.headword);
        if (!TaggedForms::hasTableForms(key)) return false;
        r.tableLemma = key;
        auto word = std::make_shared<Word>();
        word->setWordType(type == DictionaryEntry::Numeral ? WordCode::Numeral : WordCode::Adjective);
        word->setLatin(r.parts);
        r.word = word;
        return true;
    };
    switch (type) {
    case DictionaryEntry::Noun: {
        if (indeclinable) return oneForm();
        qint64 declension = entry.conjugation();
        const QString latin =
            declension >= 1 ? givenGenitive(r.parts, declension) : withGenitive(r.parts, entry.gender(), &declension);
        if (latin.isNull()) return r;
        const qint64 gender = entry.gender() >= 1 ? entry.gender() : genderByEnding(latin, declension);
        if (gender < 1 || declension < 1) return r;
        auto noun = std::make_shared<Word>();
        noun->setWordType(WordCode::Noun);
        noun->setLatin(latin);
        noun->setConjugation(declension);
        noun->setGender(gender);
        r.word = noun;
        break;
    }
    case DictionaryEntry::Adjective: {
        if (fromTable()) break;
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
        r.tableLemma = tableKey(r.headword);
        auto pronoun = std::make_shared<Word>();
        pronoun->setWordType(WordCode::Pronoun);
        pronoun->setLatin(r.parts);
        pronoun->setConjugation(entry.conjugation());
        pronoun->setGender(entry.gender());
        r.word = pronoun;
        break;
    }
    case DictionaryEntry::Numeral:
        if (fromTable()) break;
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
