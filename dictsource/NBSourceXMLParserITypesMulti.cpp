// The elementary converter's inflection types of two, three and four
// components, and the headwords whose whole result is written by hand.

#include "dictsource/ElementaryRuleData.h"
#include "dictsource/LatinSourceRules.h"
#include "dictsource/NBSourceXMLParser.h"

#include <tuple>
#include <vector>

using latinsource::kEmDash;

namespace {
QSet<QString> makeSet(std::initializer_list<const char16_t*> items) {
    QSet<QString> set;
    for (const char16_t* s : items) set.insert(QString::fromUtf16(s));
    return set;
}
QString emptiedDash(const QString& s) { return s == QString(kEmDash) ? QStringLiteral("") : s; }

}  // namespace

using namespace Qt::Literals::StringLiterals;

const QSet<QString>& NBSourceXMLParser::pronounSet() {
    static const QSet<QString> set = makeSet({u"aliqua"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::treatedHeadwordSet() {
    static const QSet<QString> set = makeSet(
        {u"arbitrātus -ūs", u"commonefaciō", u"cōnītor", u"ecquisnam", u"ecquīnam", u"effulgeō -ēre -sī -", u"faciēs",
         u"for", u"haveō", u"intellegō", u"is", u"istic", u"iugulum -ī", u"īdem", u"lavō", u"lūxus -ūs", u"mālō",
         u"ningit -", u"ōdī", u"parturiō", u"possum", u"prex", u"quantō", u"quispiam quaepiam quodpiam", u"quī",
         u"sciō", u"seriēs -", u"suī", u"sum", u"surgō", u"suus", u"tōtus", u"uter -utra -utrum", u"volgus -ī",
         u"volō", u"\uFF08īnspectō -āre - -"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::ignorables() {
    static const QSet<QString> set = makeSet({u"alter", u"Āfer", u"integer", u"minor", u"plērusque",
                                              u"quantuluscumque", u"quantuscumque", u"quantuslibet", u"singulī",
                                              u"vafer"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::ereExceptionSet() {
    static const QSet<QString> set = elementarydata::table(u"ereExceptions"_s).keys();
    return set;
}
const QSet<QString>& NBSourceXMLParser::specialWordSet() {
    static const QSet<QString> set = elementarydata::table(u"specialEntries"_s).keys();
    return set;
}

void NBSourceXMLParser::handle2ComponentIType(QStringList& pieces) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || pieces.size() < 2) return;
    QString a = pieces.at(0).trimmed(), b = pieces.at(1).trimmed();
    const QString headword = entry->entry();
    auto verb = [&](const QString& text, int conjugation) {
        appendToHeadword(text);
        entry->setType(DictionaryEntry::Verb);
        entry->setConjugation(conjugation);
    };
    if (pronounSet().contains(a)) {
        appendToHeadword(u" "_s + a + u" "_s + b);
        entry->setType(DictionaryEntry::Pronoun);
    } else if (b == u"āre" || b == u"ere") {
        pieces.insert(1, QString(kEmDash));
        handle3ComponentIType(pieces);
    } else if (a == u"uī") {
        if (headword == u"ruō") {
            entry->setType(DictionaryEntry::Verb);
            entry->setConjugation(3);
            entry->setEntry(u"ruō ruere ruī ruātus"_s);
            addNote(u"P. fut. ruitūrus"_s);
        } else {
            pieces.insert(1, QString(kEmDash));
            addNote(pieces.join(QLatin1Char(' ')));
            handle3ComponentIType(pieces);
        }
    } else if (b == u"ērī") verb(u" -"_s + b + u" -"_s + emptiedDash(a), 2);
    else if (b == u"ārī" || b == u"arī") verb(u" -"_s + b + u" -"_s + emptiedDash(a), 1);
    else if (a == u"ārī" || a == u"arī") verb(u" -"_s + a + u" -"_s + emptiedDash(b), 1);
    else if (b == u"īrī") verb(u" -"_s + b + u" -"_s + emptiedDash(a), 4);
    else if (b == u"īre") verb(u" -"_s + b + u" -"_s + emptiedDash(a), conjugationForIreVerb());
    else if (b == u"ī") verb(u" -"_s + b + u" -"_s + emptiedDash(a), 3);
    else if (a.endsWith(u"is")) {
        entry->setType(DictionaryEntry::Adjective);
        appendToHeadword(u" "_s + a + u" "_s + b);
        entry->setConjugation(3);
    } else if (a.startsWith(u"see ")) {
        entry->setType(DictionaryEntry::Redirect);
        addNote(trimmed(b, u"."));
        addNote(a);
    } else if (treatedHeadwordSet().contains(headword)) {
    } else if (b.startsWith(u"see ")) {
        entry->setType(DictionaryEntry::Redirect);
        if (!handleEtc(a) && !handleIE(a)) handle1ComponentIType(a);
        addNote(b);
    } else {
        static const QList<std::pair<QString, QString>> adjectives = {
            {u"ferum"_s, u" -fera -ferum"_s}, {u"gerum"_s, u" -gera -gerum"_s}, {u"erum"_s, u" -era -erum"_s},
            {u"brum"_s, u" -bra -brum"_s},    {u"grum"_s, u" -gra -grum"_s},   {u"crum"_s, u" -cra -crum"_s},
            {u"chrum"_s, u" -chra -chrum"_s}, {u"trum"_s, u" -tra -trum"_s},   {u"urum"_s, u" -ura -urum"_s},
            {u"utrum"_s, u" -utra -utrum"_s}};
        for (const auto& [ending, text] : adjectives) {
            if (b != ending) continue;
            entry->setType(DictionaryEntry::Adjective);
            // niger, miser, pulcher, sacer decline like bonus.
            entry->setConjugation(2);
            if (ending == u"trum" && headword == u"neuter") entry->setEntry(u"neuter -tra -trum"_s);
            else appendToHeadword(text);
            return;
        }
        if (b == u"ēre") parseEre(a);
        else if (b.endsWith(u"esse") || b == u"posse") {
            // sum and its compounds (possum, prōsum): whole parts, the
            // perfect given or missing.
            const QString perfect = QString(a).remove(kEmDash).trimmed();
            verb(u" "_s + sumInfinitive(headword, b) + (perfect.isEmpty() ? u" -"_s : u" "_s + perfect),
                 b == u"posse" ? 15 : 8);
        } else if (b.endsWith(u"lātus")) {
            // fero and its compounds: the infinitive keeps the headword's own
            // (assimilated or not) prefix; the suppletive parts stand whole.
            verb(u" "_s + ferreOf(headword, a) + u" "_s + a + u" "_s + b, 9);
        } else if (b == QString(kEmDash)) parseEmDash(a);
        else if (b == u"positus") verb(u" -ere -posuī -positus"_s, 3);
        else if (b == u"fierī") verb(u" -fierī -factus"_s, 11);
        else if (b == u"a") {
            appendToHeadword(u" -ae -a"_s);
            if (entry->type() == 0) entry->setType(DictionaryEntry::Numeral);
        } else if (b == u"ātus") verb(u" - -"_s + QString(a).remove(kEmDash) + u" -"_s + b, 1);
        else if (b == u"ambō" || ignorables().contains(headword)) {
        } else {
            const QString key = pieces.join(QLatin1Char(' '));
            iType_ = key;
            parse2ComponentITypeExceptions(key);
        }
    }
}

QString NBSourceXMLParser::ferreOf(const QString& headword, const QString& perfect) {
    // adferō adferre, afferō afferre, ferō ferre; a headword not in -ferō
    // takes the perfect's prefix before "tulī".
    const QString first = headword.section(u' ', 0, 0);
    if (first.endsWith(u"ferō") || first.endsWith(u"fero")) return first.chopped(1) + u"re"_s;
    return perfect.left(std::max<qsizetype>(0, perfect.size() - 4)) + u"ferre"_s;
}

QString NBSourceXMLParser::sumInfinitive(const QString& headword, const QString& given) {
    // A compound of sum given the bare "esse" takes its own prefix (absum
    // abesse); a whole infinitive (prōdesse, posse) stands.
    const QString first = headword.section(u' ', 0, 0);
    if (given == u"esse" && first.endsWith(u"sum")) return first.chopped(3) + given;
    return given;
}

void NBSourceXMLParser::parseEre(const QString& a) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    if (a == QString(kEmDash)) appendToHeadword(u" -ēre - -"_s);
    else if (a == u"uit") appendToHeadword(u" -ēre -uit -"_s);
    else if (a == u"sī") {
        if (!entry->entry().contains(QLatin1Char(' '))) appendToHeadword(u" -ēre -sī -"_s);
    } else if (runFixedResult(u"ereExceptions"_s, a) != FixedOutcome::Applied) {
        // A semi-deponent gives its perfect participle ("ausus" of audeō);
        // any other perfect stands in the perfect's slot.
        const QString whole = latinsource::wholePrincipalPart(entry->entry(), a);
        const QString part = whole.isNull() ? u"-"_s + a : whole;
        appendToHeadword(a.endsWith(u"us") ? u" -ēre "_s + part : u" -ēre "_s + part + u" -"_s);
    }
    entry->setType(DictionaryEntry::Verb);
    entry->setConjugation(2);
}

void NBSourceXMLParser::parseEreExceptions(const QString& a) { runFixedResult(u"ereExceptions"_s, a); }

void NBSourceXMLParser::parseEmDash(const QString& a) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    entry->setType(DictionaryEntry::Verb);
    entry->setConjugation(3);
    if (a == QString(kEmDash)) appendToHeadword(u" - - -"_s);
    else if (a == u"fūgī") appendToHeadword(u" fugere fūgī -"_s);
    else {
        // The em dash says the supine is missing; the perfect is the one
        // given, on the root where it restates it (tabēscō, buī: tabuī).
        const QString headword = entry->entry();
        const QString whole = latinsource::wholePrincipalPart(headword, a);
        appendToHeadword(u" -ere "_s + (whole.isNull() ? u"-"_s + a : whole) + u" -"_s);
        if (headword.endsWith(u"scō")) addNote(u"inch"_s);
    }
}

void NBSourceXMLParser::parse2ComponentITypeExceptions(const QString& key) {
    runFixedResult(u"twoComponentExceptions"_s, key);
}

bool NBSourceXMLParser::handle3ComponentIType(QStringList& pieces) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || pieces.size() < 3) return false;
    const QString headword = entry->entry();
    const QString p = trimmed(pieces.at(0), u" ."), s = trimmed(pieces.at(1), u" .");
    const QStringList infinitiveParts = trimmed(pieces.at(2), u" .").split(kEmDash);
    const QString i = trimmed(infinitiveParts.first(), u" .");
    for (qsizetype k = 1; k < infinitiveParts.size(); ++k) addNote(infinitiveParts.at(k));
    const QString pe = emptiedDash(p), se = emptiedDash(s);
    auto verbLine = [&](const QString& parts, int conjugation) {
        appendToHeadword(parts);
        entry->setType(DictionaryEntry::Verb);
        entry->setConjugation(conjugation);
        return true;
    };
    auto slots = [&](const QString& infinitive, int conjugation) {
        return verbLine(u" -"_s + infinitive + u" -"_s + pe + u" -"_s + se, conjugation);
    };
    if (i == u"āre" || i == u"arē" || i == u"ārr" || p == u"āre") return slots(u"āre"_s, 1);
    if (i == u"are") return slots(u"are"_s, 1);
    if (i == u"ārī") return slots(i, 1);
    if (i == u"ēre") return slots(i, 2);
    if (i == u"ere") {
        // A short headword or an empty perfect gives the third conjugation.
        int conjugation = 3;
        const QChar h = headword.size() >= 2 ? headword.at(headword.size() - 2) : QChar();
        const QChar q = pe.size() >= 2 ? pe.at(pe.size() - 2) : QChar();
        if (h == QLatin1Char('i')) conjugation = 5;
        else if (h == QLatin1Char('e') && q == QLatin1Char('u')) conjugation = 2;
        entry->setConjugation(conjugation);
        makeThirdConjEndings(i, pe, se);
        entry->setType(DictionaryEntry::Verb);
        return true;
    }
    if (i == u"īre" || i == u"ire") return slots(i, conjugationForIreVerb());
    if (i == u"īrī") return slots(i, 4);
    // fero, sum, possum, volō, nōlō, mālō and their compounds: the parts
    // stand whole, the missing ones as a bare slot.
    auto whole = [&](int conjugation) {
        return verbLine(u" "_s + i + u" "_s + (pe.isEmpty() ? u"-"_s : pe) + u" "_s + (se.isEmpty() ? u"-"_s : se),
                        conjugation);
    };
    if (i.endsWith(u"ferre")) return whole(9);
    if (i == u"posse") return whole(15);
    if (i.endsWith(u"esse"))
        return verbLine(u" "_s + sumInfinitive(headword, i) + u" "_s + (pe.isEmpty() ? u"-"_s : pe) +
                            (se.isEmpty() ? QString() : u" "_s + se),
                        8);
    if (i == u"mālle") return whole(14);
    handle3ComponentExceptions(pieces.join(QLatin1Char(' ')));
    return false;
}

void NBSourceXMLParser::handle4ComponentIType(QStringList& pieces) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry || pieces.size() < 4) return;
    const QString fourth = pieces.at(3);
    if (handle3ComponentIType(pieces) && fourth.size() >= 2)
        entry->addChild(DictionaryEntry::make(fourth, DictionaryEntry::Note));
}

void NBSourceXMLParser::handle3ComponentExceptions(const QString& key) {
    runFixedResult(u"threeComponentExceptions"_s, key);
}

void NBSourceXMLParser::parseSpecialEntry() {
    if (const DictionaryEntryPtr entry = curEntry()) runFixedResult(u"specialEntries"_s, entry->entry());
}
