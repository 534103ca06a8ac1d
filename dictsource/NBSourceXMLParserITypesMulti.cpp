// The elementary converter's inflection types of two, three and four
// components, and the headwords whose whole result is written by hand.

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
QString str(const char16_t* s) { return QString::fromUtf16(s); }

// A hand-written result: the steps it takes, in this order.
struct Fixed {
    const char16_t* key;
    const char16_t* line = nullptr;    // replaces the headword line
    const char16_t* append = nullptr;  // appended to it
    int type = -1, conjugation = -1, gender = -1;
    std::vector<const char16_t*> notes = {};
    bool redirect = false;             // addRedirect with the key
    bool noteKey = false;              // the key as a note
    bool removeChildren = false, removeFirstChild = false;
};
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
    static const QSet<QString> set =
        makeSet({u"mīxtus", u"gāvīsus", u"placitus", u"taesum est", u"buit or bitum est", u"cuit and citum est",
                 u"guit and pigitum est", u"libuit or libitum est"});
    return set;
}
const QSet<QString>& NBSourceXMLParser::specialWordSet() {
    static const QSet<QString> set =
        makeSet({u"dīcō", u"faciō", u"īnsāniō", u"occurrō (obc", u"sonō", u"suēscō", u"trādūoō", u"admisceō",
                 u"porrigō1", u"edō", u"Īlium", u"nīxus", u"perpusillus", u"scindō", u"commūniō", u"pīnus",
                 u"sequor -ī", u"prior -neut. prius -ōris", u"propior -ius"});
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
            if (ending == u"trum" && headword == u"neuter") entry->setEntry(u"neuter -tra -trum"_s);
            else appendToHeadword(text);
            return;
        }
        if (b == u"ēre") parseEre(a);
        else if (b.endsWith(u"lātus")) {
            const QString infinitive = a.left(std::max<qsizetype>(0, a.size() - 4)) + u"ferre"_s;
            if (infinitive.size() == 5) appendToHeadword(u" -"_s + infinitive + u" -"_s + a + u" -"_s + b);
            else appendToHeadword(u" "_s + infinitive + u" "_s + a + u" "_s + b);
            entry->setType(DictionaryEntry::Verb);
            entry->setConjugation(11);
        } else if (b == QString(kEmDash)) parseEmDash(a);
        else if (b == u"positus") verb(u" -ere -posuī positus"_s, 3);
        else if (b == u"fierī") verb(u" -fierī -factus"_s, 11);
        else if (b == u"esse") verb(u" -"_s + b + u" -"_s + QString(a).remove(kEmDash), 8);
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

void NBSourceXMLParser::parseEre(const QString& a) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    if (a == QString(kEmDash)) appendToHeadword(u" -ēre - -"_s);
    else if (a == u"uit") appendToHeadword(u" -ēre -uit -"_s);
    else if (a == u"sī") {
        if (!entry->entry().contains(QLatin1Char(' '))) appendToHeadword(u" -ēre -sī -"_s);
    } else parseEreExceptions(a);
    entry->setType(DictionaryEntry::Verb);
    entry->setConjugation(2);
}

void NBSourceXMLParser::parseEreExceptions(const QString& a) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    static const QList<std::tuple<QString, QString, QString>> rows = {
        {u"buit or bitum est"_s, u"conlibet -ēre -buit"_s, u"Alt Perf. conlibitum est"_s},
        {u"cuit and citum est"_s, u"licet -ēre -cuit"_s, u"Alt Perf. licitum est"_s},
        {u"gāvīsus"_s, u"gaudeō -ēre -gāvīsus"_s, QString()},
        {u"guit and pigitum est"_s, u"piget pigēre piguit"_s, u"Alt Perf. pigitum est"_s},
        {u"libuit or libitum est"_s, u"libet -ēre -buit"_s, u"Alt Perf. libitum est"_s},
        {u"mīxtus"_s, u"remisceō remiscēre - remīxtus"_s, QString()},
        {u"placitus"_s, u"complaceō -ēre - placitus"_s, QString()},
        {u"taesum est"_s, u"pertaedet -ēre -pertaesum est"_s, QString()}};
    for (const auto& [key, line, note] : rows) {
        if (key != a) continue;
        entry->setEntry(line);
        if (!note.isEmpty()) addNote(note);
        return;
    }
}

void NBSourceXMLParser::parseEmDash(const QString& a) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    entry->setType(DictionaryEntry::Verb);
    entry->setConjugation(3);
    if (a == QString(kEmDash)) appendToHeadword(u" - - -"_s);
    else if (a == u"fūgī") appendToHeadword(u" fugere fūgī -"_s);
    else {
        appendToHeadword(u" - duī -"_s);
        addNote(u"inch"_s);
    }
}

namespace {
void applyFixed(NBSourceXMLParser& p, const Fixed& f, const QString& key) {
    const DictionaryEntryPtr entry = p.curEntry();
    if (!entry) return;
    if (f.removeChildren)
        while (entry->lastChild()) entry->removeChild(entry->lastChild());
    if (f.removeFirstChild && entry->firstChild()) entry->removeChild(entry->firstChild());
    if (f.line) entry->setEntry(str(f.line));
    if (f.append) entry->setEntry(entry->entry() + str(f.append));
    if (f.type >= 0) entry->setType(f.type);
    if (f.conjugation >= 0) entry->setConjugation(f.conjugation);
    if (f.gender >= 0) entry->setGender(f.gender);
    if (f.noteKey) p.addNote(key);
    for (const char16_t* n : f.notes) p.addNote(str(n));
    if (f.redirect) p.addRedirect(key);
}

bool applyFirst(NBSourceXMLParser& p, const std::vector<Fixed>& rows, const QString& key) {
    for (const Fixed& f : rows) {
        if (key != str(f.key)) continue;
        applyFixed(p, f, key);
        return true;
    }
    return false;
}
}  // namespace

void NBSourceXMLParser::parse2ComponentITypeExceptions(const QString& key) {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    if (key == u"ae  and") {
        entry->setType(DictionaryEntry::Noun);
        entry->setGender(2);
        entry->setConjugation(1);
        appendToHeadword(u" -ae"_s);
        const QString line = entry->entry();
        if (line == u"lūxuria -ae") {
            addNote(u"and luxŭrĭēs ēi"_s);
            addSense(u"I. Lit., rankness, luxuriance of trees and plants"_s);
            addSense(u"II. Trop., riotous living, extravagance, profusion, luxury, excess"_s);
            addSense(u"B. Of style"_s);
        } else if (line == u"nympha -ae") {
            addNote(u"and nymphē ēs"_s);
            addEtymology(u"νύμφη"_s);
            // Its meanings come from its senses, in source order.
        } else {
            addNote(u" (less freq.) segnĭtĭes , em, ē, segnis"_s);
            addSense(u"slowness, tardiness, dilatoriness, sluggishness, inactivity"_s);
        }
        return;
    }
    static const std::vector<Fixed> rows = [] {
        std::vector<Fixed> r;
        auto add = [&r](Fixed f) { r.push_back(f); };
        add({u"a  ud", u"alius alia aliud", nullptr, -1, -1, -1,
             {u"gen. alīus; or m aliī, f aliae, all rare, alterīus is used instead", u"dat. aliī",
              u"nom plur. aliī, rarely alī", u"adj. pronom"}});
        add({.key = u"alid  old for alius: quod non fortior ausit alis? Ct.: Quid est alid liberalitas? Ct",
             .notes = {u"old for alius"}});
        add({.key = u"better as two words  veri simili-", .redirect = true});
        add({.key = u"em  ē", .conjugation = 5, .noteKey = true});
        add({.key = u"ere  only present stem", .append = u" -ere - -", .type = 2, .conjugation = 3});
        add({.key = u"error for grandicula  T", .type = 21, .noteKey = true});
        add({.key = u"és  and ae", .append = u" -ēs", .type = 1, .conjugation = 1, .notes = {u"and -ae"}});
        add({.key = u"ē  on", .append = u" -ē", .type = 1, .notes = {u"and -on"}});
        add({.key = u"ēdī  ēsus", .append = u" - ēdī ēsus", .type = 2, .conjugation = 10});
        add({.key = u"ēgī  āctus", .line = u"agō ager ēgī āctus", .notes = {u"(old inf pass. agier)"}});
        add({.key = u"fierī  used as", .line = u"fīō fierī", .type = 22});
        add({.key = u"fuī  esse.—Of a remainder", .append = u" -esse -fuī", .type = 2, .conjugation = 8,
             .notes = {u"Of a remainder"}});
        add({.key = u"hausī  haustus", .append = u" -īre -hausī -haustus", .type = 2, .conjugation = 4});
        add({.key = u"illa  illud", .append = u" illa illud", .type = 7});
        add({.key = u"illaec  illuc", .append = u" illaec  illuc", .type = 7});
        add({.key = u"in composition for sex  as in semestris", .type = 23, .noteKey = true});
        add({.key = u"in composition for sēmi  as in selibra", .type = 23, .noteKey = true});
        add({.key = u"itī  itus", .append = u" -īre -itī -itus", .type = 2, .conjugation = 4});
        add({.key = u"ī  ae", .append = u" -ī", .type = 1, .conjugation = 2, .notes = {u"fem. -ae"}});
        add({.key = u"īnfuī  inesse", .append = u" -inesse -īnfuī", .type = 2, .conjugation = 8});
        add({.key = u"iūvī  iūtus", .append = u" -āre -iūvī -iūtus", .type = 2, .conjugation = 1});
        add({.key = u"minxī  mictus", .append = u" -ere -minxī -mictus", .type = 2, .conjugation = 3});
        add({.key = u"miscuī  mīxtus", .append = u" -ēre -miscuī -mīxtus", .type = 2, .conjugation = 2});
        add({.key = u"old for plures  plura", .type = 3, .noteKey = true});
        add({.key = u"peperī  partus", .append = u" -ere -peperī -partus", .type = 2, .conjugation = 5});
        add({.key = u"prop. written agri cultio  etc", .type = 1, .noteKey = true});
        add({.key = u"prōfuī  prōdesse", .append = u" -prōdesse -prōfuī", .type = 2, .conjugation = 8});
        add({.key = u"qua  quid", .append = u" qua quid", .type = 7});
        add({.key = u"quaenam  quidnam or", .append = u" quaenam quidnam", .type = 7});
        add({.key = u"quaevīs  quidvīs and", .append = u" quaevīs quidvīs", .type = 7});
        add({.key = u"sī  sus", .append = u" -ere -sī -sus", .type = 2, .conjugation = 3});
        add({.key = u"stra  strum", .append = u" -stra -strum", .type = 3});
        add({.key = u"sus  tī", .type = 2, .noteKey = true});
        add({.key = u"tacunque  tumcumque", .append = u" -tacumque -tumcumque", .type = 7});
        add({.key = u"tavīs  tumvīs", .append = u" -tavīs -tumvīs", .type = 7});
        add({.key = u"tris or tra  tre", .append = u" -tris -tre", .type = 3, .conjugation = 3,
             .notes = {u"or -tra"}});
        add({.key = u"utracumque  utrumcumque", .append = u" utracumque utrumcumque", .type = 7});
        add({.key = u"utralibet  utrumlibet", .append = u" utralibet utrumlibet", .type = 7});
        add({.key = u"utraque  utrumque", .append = u" utraque utrumque", .type = 7});
        add({.key = u"utravīs  utrumvīs", .append = u" utravīs utrumvīs", .type = 7});
        add({.key = u"vellī  volsus or vulsus", .append = u" -ere -vellī -volsus", .type = 2, .conjugation = 3,
             .notes = {u"or vulsus"}});
        add({.key = u"—  līquī", .append = u" -ere -līquī -", .type = 2, .conjugation = 3});
        add({.key = u"—  ūtī", .append = u" -ūtī -", .type = 2, .conjugation = 3});
        add({.key = u"i. This letter represents  in Latin"});
        return r;
    }();
    if (key == u"i. This letter represents  in Latin") {
        addNote(key + u":"_s);
        entry->setType(DictionaryEntry::Letter);
        return;
    }
    applyFirst(*this, rows, key);
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
    auto slots = [&](const QString& infinitive, int conjugation) {
        appendToHeadword(u" -"_s + infinitive + u" -"_s + pe + u" -"_s + se);
        entry->setType(DictionaryEntry::Verb);
        entry->setConjugation(conjugation);
        return true;
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
    if (i.endsWith(u"ferre")) return slots(i, 9);
    if (i == u"esse") return slots(i, 8);
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
    static const std::vector<Fixed> rows = [] {
        std::vector<Fixed> r;
        auto add = [&r](Fixed f) { r.push_back(f); };
        add({.key = u"—  —  ī", .append = u" -ī -"});
        add({.key = u"—  em  e", .append = u" -", .type = 1, .conjugation = 5, .gender = 2,
             .notes = {u"Acc -em abl ē"}});
        add({.key = u"—  em  ē", .append = u" -", .type = 1, .conjugation = 5, .gender = 2,
             .notes = {u"Acc -em abl ē"}});
        add({.key = u"—  —  ātus", .line = u"reglūtinō — — ātus", .type = 2, .conjugation = 1});
        add({.key = u"ēre  uī  ctus", .append = u" -ēre -uī -ctus", .type = 2, .conjugation = 2});
        add({.key = u"—  gressus  ī", .append = u" -ī -gressus", .type = 2, .conjugation = 4});
        add({.key = u"nōluī  —  nōlle", .append = u" -nōlle -nōluī -", .type = 2, .conjugation = 13});
        add({.key = u"siēs  siet  old", .type = 2, .conjugation = 8, .notes = {u"old subj. siem, siēs, siet"}});
        add({.key = u"voluī  —  velle", .append = u" -velle -voluī -", .type = 2, .conjugation = 12});
        add({.key = u"tetendī  tentus  or", .append = u" -ere -tetendī -tentus", .type = 2, .conjugation = 3});
        add({.key = u"—  ere  see repexus", .append = u" -ere - -", .type = 2, .conjugation = 3,
             .notes = {u"see repexus"}});
        add({.key = u"see meus  -met  -pte", .type = 22, .noteKey = true});
        add({.key = u"etc.  see Hadria  etc", .type = 22, .notes = {u"see Hadria"}});
        add({.key = u"ēmī  ēmptus  or ēmtus", .append = u" -ere -ēmī -ēmptus", .type = 2, .conjugation = 3,
             .notes = {u"or ēmtus"}});
        add({.key = u"plēbis  or plēbēs  ēī", .append = u" plēbis", .type = 1, .conjugation = 3, .gender = 2,
             .notes = {u"or plēbēs -ēī 5th"}, .removeFirstChild = true});
        add({.key = u"quaedam  quoddam  and", .append = u" quaedam quoddam", .type = 7});
        add({.key = u"quaeque  quidque  and", .append = u" quaeque quidque", .type = 7});
        add({.key = u"cīvī  citus  īre or ēre", .append = u" -īre -cīvī -citus", .type = 2, .conjugation = 4,
             .notes = {u"or -ēre"}});
        add({.key = u"quaepiam  quodpiam  and", .append = u" quaepiam quodpiam", .type = 7});
        add({.key = u"ecquae  ecqua  or ecquod", .append = u" ecquae ecqua", .type = 7, .notes = {u"or ecquod"}});
        add({.key = u"see 1 qui  2 qui  and si", .type = 22, .noteKey = true});
        add({.key = u"quaelibet  quodlibet  and", .append = u" quaelibet quodlibet", .type = 7});
        add({.key = u"see quidam  quis  quisque", .type = 22, .noteKey = true});
        add({.key = u"or comprēndō  dī  sus  ere", .append = u" -ere -dī -sus", .type = 2, .conjugation = 3,
             .notes = {u"or comprēndō"}});
        add({.key = u"tera  terum  and tra  trum"});
        add({.key = u"dēriguī  or dīriguī  —  ere", .append = u" -ere -dēriguī -", .type = 2, .conjugation = 3,
             .notes = {u"or dīriguī"}});
        add({.key = u"older form of hic  haec  hoc", .type = 7, .noteKey = true});
        add({.key = u"raeque  raque  see plerusque", .type = 22, .notes = {u"see plerusque"}});
        add({.key = u"see hercle  hercule  Hercules", .redirect = true});
        add({.key = u"tutudī  tūnsus  or tūsus  ere", .append = u" -ere -tutudī -tūnsus", .type = 2,
             .conjugation = 3, .notes = {u"or tūsus"}});
        add({.key = u"ēdī  ēsus or ēstus  ēsse or edere", .append = u" -ēsse -ēdī -ēsus", .type = 2,
             .conjugation = 10, .notes = {u"or edere", u"or ēstus"}});
        add({.key = u"—  fierī  collat. form for conficior", .append = u" -fierī -", .type = 2, .conjugation = 11,
             .notes = {u"collat. form for conficior"}});
        add({.key = u"old form of pro  in prod-eo  prod-est", .line = u"prōd-", .type = 6,
             .notes = {u"old form of pro, in prod-eo, prod-est."}});
        add({.key = u"dēfit  etc.  rare passive for deficior", .type = 2, .noteKey = true});
        add({.key = u"an enclitic suffix  added to any substantive personal pronoun  except the", .type = 24,
             .noteKey = true});
        return r;
    }();
    applyFirst(*this, rows, key);
}

void NBSourceXMLParser::parseSpecialEntry() {
    const DictionaryEntryPtr entry = curEntry();
    if (!entry) return;
    static const std::vector<Fixed> rows = [] {
        std::vector<Fixed> r;
        auto add = [&r](Fixed f) { r.push_back(f); };
        add({.key = u"dīcō", .line = u"dīcō dīcere dīxī dictus", .type = 2, .conjugation = 3,
             .notes = {u"imper. dīc", u"perf. often sync. dīxtī", u"P. praes. gen. plur. dīcentum for dīcentium, O."}});
        add({.key = u"commūniō", .line = u"commūniō commūnīre commūnīvī commūnītus", .type = 2, .conjugation = 4,
             .notes = {u"conm-", u"perfect forms īvīsti or īstī"}});
        add({.key = u"pīnus", .line = u"pīnus -ūs", .type = 1, .conjugation = 4, .gender = 2,
             .notes = {u"abl. pīnū; plur. pīnūs; acc. pīnūs or pīnōs"}});
        add({.key = u"sequor -ī", .line = u"sequor sequī secūtus", .type = 2, .conjugation = 3,
             .notes = {u"(P. praes. gen. plur. sequentūm, V.)", u"(-quūtus)"}, .removeChildren = true});
        add({.key = u"faciō", .line = u"faciō facere fēcī factus", .type = 2, .conjugation = 3,
             .notes = {u"imper. fac (old face)", u"old fut perf. faxo", u"subj. faxim", u"pass. fīō, fierī",
                       u"pass imper. fī"}});
        add({.key = u"īnsāniō", .line = u"īnsāniō īnsānīre īnsānīvī īnsānītus", .type = 2, .conjugation = 4,
             .notes = {u"imperf. īnsānībat"}});
        add({.key = u"occurrō (obc", .line = u"occurrō occurrere occurrī occursus", .type = 2, .conjugation = 3,
             .notes = {u"obc-", u"perf. occucurrī"}});
        add({.key = u"porrigō1", .line = u"porrigō porrigere porrēxī porrēctus", .type = 2, .conjugation = 3});
        add({.key = u"scindō", .line = u"scindō scindere scidī scissus", .type = 2, .conjugation = 3});
        add({.key = u"sonō", .line = u"sonō sonāre sonuī sonitus", .type = 2, .conjugation = 1,
             .notes = {u"P. fut. sonātūrus"}});
        add({.key = u"suēscō", .line = u"suēscō suēscere suēvī suētus", .type = 2, .conjugation = 3});
        add({.key = u"trādūoō", .line = u"trādūcō trādūcere trādūxī trāductus", .type = 2, .conjugation = 3,
             .notes = {u"or trānsdūcō"}});
        add({.key = u"edō", .line = u"edō edere ēdī ēsus", .type = 2, .conjugation = 10,
             .notes = {u"ēst for edit"}});
        add({.key = u"nīxus", .type = 19, .notes = {u"P. of nitor", u"Plur. as subst: Nīxī, m"}});
        add({.key = u"prior -neut. prius -ōris", .line = u"prior -ōris", .type = 3, .conjugation = 3,
             .notes = {u"Comparative Adjective", u"For sup. see primus", u"neut. prius"}});
        add({.key = u"propior -ius", .line = u"propior -ōris", .type = 3, .conjugation = 3,
             .notes = {u"Comparative Adjective", u"For sup. see proximus"}, .removeChildren = true});
        return r;
    }();
    const QString headword = entry->entry();
    if (!applyFirst(*this, rows, headword)) return;
    if (headword == u"commūniō") {
        setCurString(u"to fortify on all sides, secure, barricade, intrench"_s);
        parseSense();
    }
}
