#include "morphology/TaggedForms.h"

#include "morphology/Adjective.h"
#include "morphology/LatinText.h"
#include "morphology/Verb.h"
#include "morphology/VerbStems.h"
#include "morphology/VowelLength.h"

#include "morphology/MorphologyResources.h"

#include "app/logging/LGLog.h"
#include "foundation/StringExtensions.h"

#include <QFile>
#include <QHash>

namespace {

constexpr char kTenseLetters[] = {'-', 'p', 'f', 'i', 'r', 't', 'l'};

// A form of one word; forms of several words, empty and nil ones are none.
bool isOneWord(const QString& form) {
    if (form.isEmpty()) return false;
    for (const QChar c : form)
        if (c.isSpace() || c == u'/') return false;
    return true;
}

// A vowel before ns or nf is long, whether the dictionary marks it or not
// (mēnsus, īnferō, cōnsul).
QString lengthenBeforeNsNf(const QString& form) {
    static const QString plain = QStringLiteral("aeiouyAEIOUY");
    static const QString marked = QStringLiteral("\u0101\u0113\u012B\u014D\u016B\u0233\u0100\u0112\u012A\u014C\u016A\u0232");
    QString out = form;
    for (qsizetype i = 0; i + 2 < out.size(); ++i) {
        if (out.at(i + 1) != u'n' || (out.at(i + 2) != u's' && out.at(i + 2) != u'f')) continue;
        const qsizetype at = plain.indexOf(out.at(i));
        if (at >= 0) out[i] = marked.at(at);
    }
    return out;
}

void add(TaggedFormList& out, const QString& form, const std::array<char, 9>& tag) {
    if (!isOneWord(form)) return;
    if (form.contains(QLatin1String("ns")) || form.contains(QLatin1String("nf"))) out.push_back({lengthenBeforeNsNf(form), tag});
    else out.push_back({form, tag});
}

// "amā/amāte" and "ī / īte": the singular and the plural.
std::pair<QString, QString> splitPair(const QString& text) {
    const qsizetype slash = text.indexOf(u'/');
    if (slash < 0) return {text.trimmed(), QString()};
    return {text.left(slash).trimmed(), text.mid(slash + 1).trimmed()};
}

// A participle or gerundive declined as an adjective of the first and
// second declension, tagged as the verb form it is.
void addDeclined(TaggedFormList& out, const QString& latin, qint64 conj, char tense, char mood, char voice) {
    Adjective adjective;
    adjective.setLatin(latin);
    adjective.setConjugation(conj);
    Adjective::visitForms(adjective, true, [&](qint64 c, bool singular, qint64 gender, qint64, const QString& form) {
        std::array<char, 9> t = TaggedForms::tag('v');
        t[2] = singular ? 's' : 'p';
        t[3] = tense;
        t[4] = mood;
        t[5] = voice;
        t[6] = TaggedForms::genderLetter(gender);
        t[7] = TaggedForms::caseLetter(c);
        add(out, form, t);
        // A participle used as such takes -e in the ablative singular
        // (amante), where the adjective has -ī.
        if (mood == 'p' && tense == 'p' && c == 6 && singular && form.endsWith(QChar(0x012B)))
            add(out, form.chopped(1) + QLatin1Char('e'), t);
    });
}

// The genitive of a present participle: the vowel before -nt- is short
// (amāns amantis, capiēns capientis); eō's is euntis.
QString participleGenitive(const QString& nominative, qint64 code) {
    if (!nominative.endsWith(QLatin1String("ns")) || nominative.size() < 3) return QString();
    QString stem = nominative.chopped(2);
    if (code == WordCode::Eo && stem.endsWith(QStringLiteral("i\u0113"))) return stem.chopped(2) + QStringLiteral("euntis");
    const QChar last = stem.back();
    const QString plain = foldLatinString(QString(last));
    if (plain.size() == 1) stem[stem.size() - 1] = plain.at(0);
    return stem + QStringLiteral("ntis");
}

}  // namespace

namespace TaggedForms {

char caseLetter(qint64 theCase) {
    static constexpr char letters[] = {'-', 'n', 'v', 'a', 'g', 'd', 'b'};
    return theCase >= 1 && theCase <= 6 ? letters[theCase] : '-';
}

char genderLetter(qint64 gender) {
    switch (gender) {
    case WordCode::Masculine: return 'm';
    case WordCode::Feminine: return 'f';
    case WordCode::Neuter: return 'n';
    default: return '-';
    }
}

std::array<char, 9> tag(char partOfSpeech) {
    std::array<char, 9> t;
    t.fill('-');
    t[0] = partOfSpeech;
    return t;
}

void addNounForms(TaggedFormList& out, const Word& noun) {
    // A noun of common gender is either; one table serves both.
    std::array<char, 2> genders = {genderLetter(noun.gender()), 0};
    if (noun.gender() == WordCode::Common || noun.gender() == WordCode::MasculineAndFeminine ||
        noun.gender() == WordCode::MasculineOrFeminine)
        genders = {'m', 'f'};
    // The dictionary leaves the ō of a nominative in -o or -on unmarked when
    // its genitive shows it (mōriō -ōnis, Būbōn -ōnis): the forms written as
    // the nominative take it.
    struct Cell {
        qint64 theCase;
        bool singular;
        QString form;
    };
    std::vector<Cell> cells;
    cells.reserve(12);
    QString genitive, nominative;
    Word::visitNounForms(noun, [&](qint64 c, bool singular, const QString& form) {
        if (singular && c == WordCode::Genitive) genitive = form;
        if (singular && c == WordCode::Nominative) nominative = form;
        cells.push_back({c, singular, form});
    });
    QString longNominative;
    if (genitive.endsWith(QStringLiteral("\u014Dnis"))) {
        if (nominative.endsWith(u'o')) longNominative = nominative.chopped(1) + QChar(0x014D);
        else if (nominative.endsWith(QLatin1String("on"))) longNominative = nominative.chopped(2) + QStringLiteral("\u014Dn");
    }
    for (Cell& cell : cells) {
        const qint64 c = cell.theCase;
        const bool singular = cell.singular;
        const QString& form = !longNominative.isNull() && cell.form == nominative ? longNominative : cell.form;
        std::array<char, 9> t = tag('n');
        t[2] = singular ? 's' : 'p';
        t[7] = caseLetter(c);
        for (char g : genders) {
            if (!g) break;
            t[6] = g;
            add(out, form, t);
        }
    }
}

void addAdjectiveForms(TaggedFormList& out, const Adjective& adjective) {
    static constexpr char degrees[] = {'-', 'c', 's'};
    Adjective::visitForms(adjective, false,
                          [&](qint64 c, bool singular, qint64 gender, qint64 degree, const QString& form) {
                              std::array<char, 9> t = tag('a');
                              t[2] = singular ? 's' : 'p';
                              t[6] = genderLetter(gender);
                              t[7] = caseLetter(c);
                              t[8] = degrees[degree];
                              add(out, form, t);
                          });
}

void addVerbForms(TaggedFormList& out, const Verb& verb) {
    const qint64 code = verb.conjugation();
    if (code < 1 || code > 15 || code == WordCode::NoStem) return;
    const VerbStems stems = verb.verbStems();
    const bool deponent = stems.verbType == WordCode::Deponent;

    // Finite forms; the perfect passive is the participle with a form of
    // sum, which the participle's own forms stand for.
    for (qint64 tense = 1; tense <= 6; ++tense)
        for (const bool active : {true, false}) {
            if (deponent && active) continue;
            if (!active && tense >= 4) continue;
            // A semi-deponent's perfect system is passive in form (ausus sum).
            if (active && stems.verbType == WordCode::SemiDeponent && tense >= 4) continue;
            for (const bool indicative : {true, false})
                for (const bool singular : {true, false})
                    for (qint64 person = 1; person <= 3; ++person) {
                        const QString form = verb.conjugatedValue(stems, person, singular, indicative, active, tense);
                        std::array<char, 9> t = tag('v');
                        t[1] = char('0' + person);
                        t[2] = singular ? 's' : 'p';
                        t[3] = kTenseLetters[tense];
                        t[4] = indicative ? 'i' : 's';
                        t[5] = active ? 'a' : 'p';
                        add(out, form, t);
                    }
        }
    const auto part = [&](qint64 index) { return verb.verbPart(stems, index); };
    std::array<char, 9> t = tag('v');
    t[4] = 'n';
    if (!deponent) {
        t[3] = 'p';
        t[5] = 'a';
        add(out, caretVowelsToMacrons(stems.infinitive), t);
        t[3] = 'r';
        add(out, part(1), t);
    }
    t[3] = 'p';
    t[5] = 'p';
    add(out, part(2), t);

    // Imperatives: a deponent's are passive in form.
    const auto imperatives = [&](const QString& pair, char voice) {
        const auto [singular, plural] = splitPair(pair);
        std::array<char, 9> m = tag('v');
        m[1] = '2';
        m[3] = 'p';
        m[4] = 'm';
        m[5] = voice;
        m[2] = 's';
        add(out, singular, m);
        m[2] = 'p';
        add(out, plural, m);
    };
    imperatives(part(10), deponent ? 'p' : 'a');
    if (!deponent) imperatives(part(11), 'p');

    // Participles and the gerundive, declined.
    const QString present = part(5);
    const QString genitive = isOneWord(present) ? participleGenitive(present, code) : QString();
    if (!genitive.isNull()) addDeclined(out, present + QLatin1Char(' ') + genitive, 3, 'p', 'p', 'a');
    const QString future = part(6);
    if (isOneWord(future) && future.endsWith(QLatin1String("us")))
        addDeclined(out, future + QStringLiteral(" -a -um"), 1, 'f', 'p', 'a');
    const QString past = part(7);
    if (isOneWord(past) && past.endsWith(QLatin1String("us")))
        addDeclined(out, past + QStringLiteral(" -a -um"), 1, 'r', 'p', 'p');
    const QString gerundive = part(9);
    if (isOneWord(gerundive) && gerundive.endsWith(QLatin1String("us")))
        addDeclined(out, gerundive + QStringLiteral(" -a -um"), 1, 'p', 'g', 'p');

    // The gerund: -ī, -ō, -um, -ō on the stem of -ndum.
    const QString gerund = part(8);
    if (isOneWord(gerund) && gerund.endsWith(QLatin1String("um"))) {
        const QString stem = gerund.chopped(2);
        std::array<char, 9> g = tag('v');
        g[2] = 's';
        g[3] = 'p';
        g[4] = 'd';
        g[5] = 'a';
        g[6] = 'n';
        const std::pair<char, const char16_t*> cases[] = {
            {'g', u"\u012B"}, {'d', u"\u014D"}, {'a', u"um"}, {'b', u"\u014D"}};
        for (const auto& [c, ending] : cases) {
            g[7] = c;
            add(out, stem + QString::fromUtf16(ending), g);
        }
    }
}

namespace {

void readDeclinedWords(QHash<QString, TaggedFormList>& table, const QString& name) {
    const QString path = MorphologyResources::path(name);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        TSLogError("No table %@: its words have no forms", path);
        return;
    }
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        const QStringList fields = line.split(u'\t');
        if (fields.size() != 3 || fields.at(1).size() != 9 || fields.at(0).isEmpty() || fields.at(2).isEmpty()) {
            TSLogError("%@ line %ld: %@ is not lemma, tag and form; the line is skipped", name, qint64(i + 1), line);
            continue;
        }
        TaggedForm form{fields.at(2), TaggedForms::tag('p')};
        for (int k = 0; k < 9; ++k) form.tag[size_t(k)] = char(fields.at(1).at(k).toLatin1());
        table[fields.at(0)].push_back(std::move(form));
    }
}

// The pronouns' table and the numerals', in one: both are words whose forms
// no rule makes.
QHash<QString, TaggedFormList> readPronounTable() {
    QHash<QString, TaggedFormList> table;
    for (const QString name : {QStringLiteral("Pronouns.txt"), QStringLiteral("Numerals.txt")})
        readDeclinedWords(table, name);
    return table;
}

}  // namespace

namespace {

const QHash<QString, TaggedFormList>& declinedWords() {
    static const QHash<QString, TaggedFormList> table = readPronounTable();
    return table;
}

}  // namespace

bool hasTableForms(const QString& lemma) { return declinedWords().contains(lemma); }

bool addPronounForms(TaggedFormList& out, const QString& lemma) {
    const QHash<QString, TaggedFormList>& table = declinedWords();
    const auto it = table.constFind(lemma);
    if (it == table.constEnd()) return false;
    out.insert(out.end(), it->begin(), it->end());
    return true;
}

// ---- Source lines ----

namespace {

// The base letter of a Latin letter with a mark and, in *length, "_" for a
// macron and "+" for a diaeresis of e and i; 0 when there is no one-letter
// base.
char16_t baseLetter(char16_t c, char* length) {
    *length = 0;
    switch (c) {
    case 0x0101: *length = '_'; return u'a';
    case 0x0113: *length = '_'; return u'e';
    case 0x012B: *length = '_'; return u'i';
    case 0x014D: *length = '_'; return u'o';
    case 0x016B: *length = '_'; return u'u';
    case 0x0233: *length = '_'; return u'y';
    case 0x0100: *length = '_'; return u'A';
    case 0x0112: *length = '_'; return u'E';
    case 0x012A: *length = '_'; return u'I';
    case 0x014C: *length = '_'; return u'O';
    case 0x016A: *length = '_'; return u'U';
    case 0x0232: return u'Y';
    case 0x00EB: *length = '+'; return u'e';
    case 0x00EF: *length = '+'; return u'i';
    case 0x0103: return u'a';
    case 0x0115: return u'e';
    case 0x012D: return u'i';
    case 0x014F: return u'o';
    case 0x016D: return u'u';
    case 0x0102: return u'A';
    case 0x0114: return u'E';
    case 0x012C: return u'I';
    case 0x014E: return u'O';
    case 0x016C: return u'U';
    default: break;
    }
    const QString plain = StringExtensions::stripDiacritics(QString(QChar(c)));
    return plain.size() == 1 && plain.at(0) != u'?' ? plain.at(0).unicode() : 0;
}

}  // namespace

QString keyOf(const QString& form, bool keepJ) {
    QString key(form.size(), Qt::Uninitialized);
    QChar* out = key.data();
    qsizetype n = 0;
    for (const QChar ch : form) {
        char16_t c = ch.unicode();
        if (c >= 0x80) {
            char length = 0;
            const char16_t base = baseLetter(c, &length);
            if (base) c = base;
            else if (ch.isMark()) continue;
        }
        if (c >= u'A' && c <= u'Z') c = char16_t(c + 32);
        else if (c >= 0x80) c = QChar(c).toLower().unicode();
        if (c == u'v') c = u'u';
        else if (c == u'j' && !keepJ) c = u'i';
        out[n++] = QChar(c);
    }
    key.truncate(n);
    return key;
}

QString asciiForm(const QString& form) {
    QString out;
    out.reserve(form.size() + 4);
    for (const QChar ch : form) {
        const char16_t c = ch.unicode();
        if (c < 0x80) {
            out.append(ch);
            continue;
        }
        char length = 0;
        const char16_t base = baseLetter(c, &length);
        if (!base) {
            if (!ch.isMark()) out.append(ch);
            continue;
        }
        out.append(QChar(base));
        if (length) out.append(QLatin1Char(length));
    }
    return out;
}

int appendSourceLines(QByteArray& out, const TaggedForm& form, const QByteArray& lemma) {
    const QByteArray ascii = asciiForm(form.form).toUtf8();
    const auto line = [&](const QString& key) {
        out.append(key.toUtf8());
        out.append('\t');
        out.append(form.tag.data(), 9);
        out.append('\t');
        out.append(lemma);
        out.append('\t');
        out.append(ascii);
        out.append('\n');
    };
    line(keyOf(form.form, false));
    if (!form.form.contains(u'j') && !form.form.contains(u'J')) return 1;
    line(keyOf(form.form, true));
    return 2;
}

}  // namespace TaggedForms
