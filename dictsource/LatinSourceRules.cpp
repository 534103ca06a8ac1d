#include "dictsource/LatinSourceRules.h"

namespace latinsource {

namespace {
QSet<QString> makeSet(std::initializer_list<const char16_t*> items) {
    QSet<QString> set;
    for (const char16_t* s : items) set.insert(QString::fromUtf16(s));
    return set;
}
}  // namespace

const QSet<QString>& firstDeclensionEndings() {
    static const QSet<QString> set = makeSet({u"ae"});
    return set;
}
const QSet<QString>& secondDeclensionEndings() {
    static const QSet<QString> set = makeSet({u"ī", u"trī", u"grī", u"ōrum", u"i", u"iī", u"ï", u"orum"});
    return set;
}
const QSet<QString>& thirdDeclensionEndings() {
    static const QSet<QString> set = makeSet({u"", u"idis or idos"});
    return set;
}
const QSet<QString>& fourthDeclensionEndings() {
    static const QSet<QString> set = makeSet({u"ūs"});
    return set;
}
const QSet<QString>& fifthDeclensionEndings() {
    static const QSet<QString> set = makeSet({u"ēī"});
    return set;
}
const QSet<QString>& thirdDeclensionAdjectiveEndings() {
    static const QSet<QString> set = makeSet({u"e"});
    return set;
}

int declensionForPotentialNounEnding(const QString& ending) {
    if (firstDeclensionEndings().contains(ending)) return 1;
    if (secondDeclensionEndings().contains(ending)) return 2;
    if (thirdDeclensionEndings().contains(ending)) return 3;
    if (fourthDeclensionEndings().contains(ending)) return 4;
    if (fifthDeclensionEndings().contains(ending)) return 5;
    if (ending.endsWith(u"rī")) return 2;
    if (ending.endsWith(u"eī")) return 5;
    if (ending.endsWith(u"is") || ending.endsWith(u"īs") || ending.endsWith(u"um")) return 3;
    return 0;
}

int conjugationForEreVerb(const QString& headword) {
    // făcĭo as well as facio: the length mark leaves the letter an i.
    if (headword.size() >= 3 && QStringLiteral("i\u012D\u012B").contains(headword.at(headword.size() - 2))) return 5;
    return 3;
}

int conjugationForIreVerb(const QString& headword) {
    if (headword.size() >= 2 && headword.at(headword.size() - 2) == QLatin1Char('e')) return 7;
    return 4;
}

void removeBrackets(DictionaryXMLParser& parser) {
    const DictionaryEntryPtr entry = parser.curEntry();
    if (!entry) return;
    const QString text = entry->entry();
    qsizetype at = text.indexOf(QLatin1Char('('));
    if (at < 0) at = text.indexOf(QLatin1Char(','));
    if (at < 0) return;
    parser.addNote(text.mid(at + 1));
    entry->setEntry(text.left(at).remove(QLatin1Char(' ')));
}

DictionaryEntryPtr addRedirect(DictionaryXMLParser& parser, const QString& text) {
    const DictionaryEntryPtr entry = parser.curEntry();
    if (!entry) return nullptr;
    auto redirect = DictionaryEntry::make(text, DictionaryEntry::Redirect);
    entry->addChild(redirect);
    entry->setType(DictionaryEntry::Redirect);
    return redirect;
}

namespace {

// The letters of a word without length marks, breves, carets or hyphens, in
// lower case, each with the index of the character it came from.
struct PlainLetters {
    QString letters;
    QList<qsizetype> at;
};

PlainLetters plainLetters(const QString& word) {
    PlainLetters out;
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word.at(i);
        if (c == u'^' || c == u'_' || c == u'-' || c.category() == QChar::Mark_NonSpacing) continue;
        const QString base = QString(c).normalized(QString::NormalizationForm_D);
        if (base.isEmpty() || !base.at(0).isLetter()) continue;
        out.letters += base.at(0).toLower();
        out.at << i;
    }
    return out;
}

bool isVowel(QChar c) { return QStringLiteral("aeiouy").contains(c); }

// The prefixes of compound verbs, plain and as assimilated before the
// simple verb's first letter.
bool isVerbPrefix(const QString& plain) {
    using namespace Qt::Literals::StringLiterals;
    static const QSet<QString> prefixes{
        u"a"_s,     u"ab"_s,    u"abs"_s,    u"ac"_s,    u"ad"_s,    u"af"_s,    u"ag"_s,    u"al"_s,
        u"am"_s,    u"an"_s,    u"ante"_s,   u"bene"_s,   u"male"_s,   u"manu"_s,   u"ap"_s,    u"ar"_s,    u"as"_s,    u"at"_s,    u"au"_s,
        u"circum"_s, u"co"_s,   u"col"_s,    u"com"_s,   u"con"_s,   u"cor"_s,   u"de"_s,    u"di"_s,
        u"dif"_s,   u"dis"_s,   u"e"_s,      u"ef"_s,    u"ex"_s,    u"extra"_s, u"il"_s,    u"im"_s,
        u"in"_s,    u"inter"_s, u"intro"_s,  u"ir"_s,    u"ob"_s,    u"oc"_s,    u"of"_s,    u"op"_s,
        u"per"_s,   u"por"_s,   u"post"_s,   u"prae"_s,  u"praeter"_s, u"pro"_s, u"prod"_s,  u"re"_s,
        u"red"_s,   u"retro"_s, u"se"_s,     u"sub"_s,   u"subter"_s, u"suc"_s,  u"suf"_s,   u"sug"_s,
        u"sum"_s,   u"sup"_s,   u"super"_s,  u"sur"_s,   u"sus"_s,   u"tra"_s,   u"trans"_s};
    return prefixes.contains(plain);
}

// One prefix or two (re-cor-, dis-con-).
bool isPrefixChain(const QString& plain) {
    if (isVerbPrefix(plain)) return true;
    for (qsizetype i = 1; i < plain.size(); ++i)
        if (isVerbPrefix(plain.left(i)) && isVerbPrefix(plain.mid(i))) return true;
    return false;
}

}  // namespace

QString wholePrincipalPart(const QString& headword, const QString& part, bool borrowLengths) {
    static const QSet<QString> endings{QStringLiteral("are"), QStringLiteral("ere"), QStringLiteral("ire"),
                                       QStringLiteral("ari"), QStringLiteral("eri"), QStringLiteral("iri"),
                                       QStringLiteral("esse"), QStringLiteral("isse")};
    const PlainLetters head = plainLetters(headword);
    const PlainLetters partLetters = plainLetters(part);
    const QString& p = partLetters.letters;
    const QString& h = head.letters;
    if (p.size() < 3 || h.size() < 3 || endings.contains(p) || part.contains(u' ')) return QString();
    // i and j are one letter written two ways (ēĭcĭo, rejēci; objĭcĭo,
    // jēci): letters are compared as i, while p and h keep the j, which is
    // a consonant. A source whose headword writes no j writes the part's
    // j as i too (ē-iēci, not ē-jēci).
    QString pi = p, hi = h;
    pi.replace(u'j', u'i');
    hi.replace(u'j', u'i');
    QString written = part;
    if (!h.contains(u'j')) written.replace(u'j', u'i').replace(u'J', u'I');
    // A part that marks no length at all takes, where it repeats the
    // headword's letters, the lengths the headword marks (vīvo, vixi: vīxi);
    // a part that marks its own (pŏsŭi) keeps them.
    auto lengthened = [&](qsizetype from) {
        static const QString longVowels = QStringLiteral("\u0101\u0113\u012B\u014D\u016B\u0233");
        QString out = written;
        if (!borrowLengths) return out;
        for (const QChar c : part)
            if (c.unicode() >= 0x80) return out;
        for (qsizetype i = 0; from + i < h.size() && i < p.size() && hi.at(from + i) == pi.at(i); ++i) {
            const QChar mark = headword.at(head.at.at(from + i));
            const qsizetype at = partLetters.at.at(i);
            if (out.at(at).unicode() < 0x80 && longVowels.contains(mark)) out[at] = mark;
        }
        return out;
    };
    auto withPrefix = [&](qsizetype plainIndex) {
        return headword.left(head.at.at(plainIndex)) + lengthened(plainIndex);
    };
    // fero and its compounds: tulī and lātus follow the headword's prefix;
    // a part that carries its own prefix (obtulī, sustulī) stands whole.
    if (h.endsWith(u"fero") || h.endsWith(u"feror")) {
        if (p.startsWith(u"tul") || p.startsWith(u"lat")) return withPrefix(h.lastIndexOf(u"fer"));
        if (p.contains(u"tul") || p.contains(u"lat")) return written;
    }
    // The simple verb's part inside a compound that shares the compound's
    // first letters by chance or not at all (re-cor-rēxī, fābrē-fēcī,
    // ac-cēpī, per-pessus): its consonant and vowel stand later in the
    // headword, before the letter that follows there too (x and c answer a
    // present's c, g or h: regō rēxī rēctus), or after a chain of prefixes.
    // Where the compound weakens the simple verb's a (perpetior, accipiō but
    // not attingō), the part's a does so too. The compounds of iaciō that
    // write the simple verb's j as i keep no vowel of their own after it
    // (ē-ĭcĭo, jēci: ē-iēci, trā-ĭcĭo, jectum: trā-iectum).
    if (p.size() >= 4 && !isVowel(p.at(0)) && isVowel(p.at(1))) {
        for (qsizetype q = h.size() - 3; q >= 1; --q) {
            if (hi.at(q) != pi.at(0) || pi.startsWith(hi.left(q))) continue;
            if (p.at(0) == u'j' && h.at(q) == u'i' && h.at(q + 1) == p.at(2) && isPrefixChain(h.left(q)))
                return withPrefix(q);
            if (!isVowel(h.at(q + 1))) continue;
            const QChar next = h.at(q + 2);
            const bool sameNext =
                next == p.at(2) || (QStringLiteral("xc").contains(p.at(2)) && QStringLiteral("cgh").contains(next));
            if (!sameNext && !isPrefixChain(h.left(q))) continue;
            const QChar vowel = h.at(q + 1);
            const bool weakened = p.at(1) == u'a' && (vowel == u'e' || (vowel == u'i' && next != u'n' && !isVowel(p.at(2)) &&
                                                                        !isVowel(p.at(3))));
            if (!weakened) return withPrefix(q);
            QString weak = written;
            weak[partLetters.at.at(1)] = u'e';
            return headword.left(head.at.at(q)) + weak;
        }
    }
    // Opens like the headword (crēvī of crēscō, rēxī of regō).
    if (pi.at(0) == hi.at(0) && pi.at(1) == hi.at(1)) return lengthened(0);
    // A reduplicated perfect inside a compound (re-stitī, dē-didī): after
    // the prefix, where the simple verb's first consonant stands.
    const bool reduplicated = p.size() >= 4 && ((!isVowel(p.at(0)) && isVowel(p.at(1)) && p.at(2) == p.at(0)) ||
                                                 (p.at(0) == u's' && !isVowel(p.at(1)) && isVowel(p.at(2)) && p.at(3) == p.at(1)));
    if (reduplicated) {
        const qsizetype q = h.indexOf(p.at(0), 1);
        if (q >= 1 && isVerbPrefix(h.left(q))) return withPrefix(q);
    }
    // The simple verb restated inside a compound (dē-fēnsus, cōn-suēvī,
    // prō-posuī).
    if (p.size() >= 4) {
        const qsizetype q = hi.indexOf(pi.left(2), 1);
        if (q >= 1 && isVerbPrefix(h.left(q))) return withPrefix(q);
    }
    // The headword's consonant with another vowel: a reduplication or a
    // changed stem vowel (tetigī of tangō, cēpī of capiō).
    if (p.size() >= 4 && pi.at(0) == hi.at(0) && !isVowel(p.at(0)) && isVowel(p.at(1))) return written;
    // An inchoative's perfect on its root (tab-uī of tabēscō).
    for (const char* tail : {"esco", "isco", "asco", "escor", "iscor"}) {
        const QString t = QString::fromLatin1(tail);
        if (!h.endsWith(t) || h.size() < t.size() + 2) continue;
        const qsizetype q = h.size() - t.size() - 1;
        if (h.at(q) == p.at(0) && !isVowel(p.at(0))) return withPrefix(q);
    }
    return QString();
}

namespace {

int conjugationOfVerbLine(const QString& line, int conjugation) {
    if (conjugation != 3) return conjugation;
    const QString plain = plainLetters(line.section(u' ', 0, 0)).letters;
    const bool io = (plain.size() >= 4 && plain.endsWith(QLatin1String("io"))) ||
                    (plain.size() >= 5 && plain.endsWith(QLatin1String("ior")));
    return io ? 5 : conjugation;
}

QString withWholePrincipalParts(const QString& line, bool borrowLengths) {
    QStringList slots = line.split(QStringLiteral(" -"));
    if (slots.size() < 2) return line;
    const QString headword = slots.first().section(u' ', 0, 0);
    QString out = slots.first();
    for (qsizetype i = 1; i < slots.size(); ++i) {
        const QString& slot = slots.at(i);
        const qsizetype blank = slot.indexOf(u' ');
        const QString word = blank < 0 ? slot : slot.left(blank);
        const QString whole = word.isEmpty() ? QString() : wholePrincipalPart(headword, word, borrowLengths);
        if (whole.isNull()) out += QStringLiteral(" -") + slot;
        else out += QLatin1Char(' ') + whole + (blank < 0 ? QString() : slot.mid(blank));
    }
    return out;
}

}  // namespace

void finishVerbLine(const DictionaryEntryPtr& entry, bool borrowLengths) {
    entry->setEntry(withWholePrincipalParts(entry->entry(), borrowLengths));
    entry->setConjugation(conjugationOfVerbLine(entry->entry(), entry->conjugation()));
}

void makeThirdConjEndings(DictionaryXMLParser& parser, const QString& infinitive, const QString& perfect,
                          const QString& supine) {
    removeBrackets(parser);
    const DictionaryEntryPtr entry = parser.curEntry();
    if (!entry) return;
    const QString headword = entry->entry();
    QString line = headword;
    line += infinitive == QLatin1String("ere") ? QStringLiteral(" -ere") : QLatin1Char(' ') + infinitive;
    const QString wholeSupine = supine.isEmpty() ? QString() : wholePrincipalPart(headword, supine);
    auto appendSupine = [&](bool onStem, const QString& stem) {
        if (supine.isEmpty()) line += QStringLiteral(" -");
        else if (!wholeSupine.isNull()) line += QLatin1Char(' ') + wholeSupine;
        else if (!onStem) line += QStringLiteral(" -") + supine;
        else line += QLatin1Char(' ') + stem + supine;
    };
    const QString wholePerfect = perfect.isEmpty() ? QString() : wholePrincipalPart(headword, perfect);
    if (perfect.isEmpty()) {
        line += QStringLiteral(" -");
        appendSupine(false, QString());
    } else if (!wholePerfect.isNull()) {
        // A perfect given whole stands as it is; so does a supine given whole.
        line += QLatin1Char(' ') + wholePerfect;
        appendSupine(false, QString());
    } else {
        const qsizetype from = headword.size() - (entry->conjugation() == 5 ? 3 : 2);
        const qsizetype at = from >= 0 ? headword.lastIndexOf(perfect.at(0), from) : -1;
        if (at >= 0) {
            const QString stem = headword.left(at);
            line += QLatin1Char(' ') + stem + perfect;
            appendSupine(true, stem);
        } else {
            line += QStringLiteral(" -") + perfect;
            appendSupine(false, QString());
        }
    }
    entry->setEntry(line);
}

bool isVerb(DictionaryXMLParser& parser, const QString& text, bool incomplete) {
    const DictionaryEntryPtr entry = parser.curEntry();
    if (!entry) return false;
    if (entry->type() == DictionaryEntry::Verb && incomplete) return true;
    QStringList pieces;
    for (const QString& p : text.split(QLatin1Char(',')))
        if (!p.isEmpty()) pieces << p;
    if (pieces.size() < 2) return false;
    const QString last = pieces.last().trimmed();
    const QString headword = entry->entry();
    int conjugation = 0;
    if (last == u"ere") conjugation = conjugationForEreVerb(headword);
    else if (last == u"āre") conjugation = 1;
    else if (last == u"ēre") conjugation = 2;
    else if (last == u"īre") conjugation = conjugationForIreVerb(headword);
    if (conjugation == 0) {
        if (!last.endsWith(u"um") && parser.loggingEnabled())
            parser.logText(__FILE__, Q_FUNC_INFO, __LINE__, QStringLiteral("isVerb ") + text);
        return false;
    }
    entry->setType(DictionaryEntry::Verb);
    entry->setConjugation(conjugation);
    return true;
}

const QSet<QString>& ignorePosSet() {
    static const QSet<QString> set = makeSet(
        {u"he believes they have the prep", u"as prep", u"with the grave accent; as adv", u"qs. from an adj",
         u"qs. P. a", u"cinctutus from cinctus; and astus itself has the form of a P. a", u"and P. a", u"of the adj",
         u"prop. adj", u"from an unused adj", u"from the unused v. a", u"formerly assumed as P. a", u"from an adj",
         u"comp. of the interj", u"to knead; through an adj", u"obsol. adj", u"prob. adj", u"II. P. a",
         u"v. under P. a", u"from the adv", u"old prep", u"root in Sanscr. prep",
         u"prob. also ante-class.; v. below the adv", u"of tollo; as P. a", u"= ζυγία (prop. an adj"});
    return set;
}

void deleteFromString(QString& text, const QString& target, const QString& replacement) {
    if (target.isEmpty()) return;
    text.replace(target, replacement);
}

}  // namespace latinsource
