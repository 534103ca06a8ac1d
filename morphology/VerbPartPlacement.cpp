#include "morphology/VerbPartPlacement.h"

#include "morphology/LatinText.h"

#include <QList>
#include <QSet>

namespace verbparts {

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

// A shortened part that begins with a consonant restates the end of the first
// part from where its first two letters stand there: rĕlinquo -līqui is
// relīquī, vĭdĕo -vīdi -vīsum is vīdī, vīsum, mitto -mīsi is mīsī. Null when
// they stand nowhere in it (rego -xi, dūco -ctum): such a part is an ending.
// A part's j is the first part's i (adiŭvo -jūvi is adiūvī); in a compound
// of iaciō the simple verb's j stands before a weakened vowel (objĭcĭo
// -jēci is objēcī) or before none (ēĭcĭo -jēci is ēiēcī), and the part is
// written with i where the first part writes no j.
QString restatedPart(const QString& first, const QString& part) {
    if (first.isEmpty() || part.size() < 2) return QString();
    const QString plainPart = LatinText::plainLetterCopy(part.left(2)).toLower();
    if (isVowel(plainPart.at(0)) || !plainPart.at(0).isLetter()) return QString();
    const bool consonantalI = plainPart.at(0) == u'j';
    QString plainFirst = LatinText::plainLetterCopy(first).toLower();
    QString plainRestated = LatinText::plainLetterCopy(part).toLower();
    QString restated = part;
    if (consonantalI) {
        if (!plainFirst.contains(u'j')) restated.replace(u'j', u'i').replace(u'J', u'I');
        plainFirst.replace(u'j', u'i');
        plainRestated.replace(u'j', u'i');
    }
    // Where the two meet: the letters' last place in the first part (ē-bĭbo
    // -bi is ēbĭbī, not ēbī).
    qsizetype at = plainFirst.lastIndexOf(plainRestated.left(2));
    if (at < 0 && consonantalI && plainRestated.size() >= 3) {
        const QChar next = plainRestated.at(2);
        for (qsizetype k = 0; at < 0 && k + 2 < plainFirst.size(); ++k)
            if (plainFirst.at(k) == u'i' && isVowel(plainFirst.at(k + 1)) && plainFirst.at(k + 2) == next) at = k;
        if (at < 0) at = plainFirst.indexOf(QString(QChar(u'i')) + next);
    }
    if (at < 0) return QString();
    // Where the part repeats the first part's letters it takes the lengths
    // the first part marks and it leaves out (vīvo -vixi is vīxī).
    static const QString longVowels = QStringLiteral("\u0101\u0113\u012B\u014D\u016B\u0233");
    for (qsizetype i = 0; at + i < first.size() && i < part.size() && plainFirst.at(at + i) == plainRestated.at(i); ++i)
        if (part.at(i).unicode() < 0x80 && longVowels.contains(first.at(at + i))) restated[i] = first.at(at + i);
    return first.left(at) + restated;
}

// The plain stem's closing consonants: from after its last vowel, a u after
// q, or after g at the stem's end (stingu-, ungu-), counting as a consonant.
qsizetype closingConsonants(const QString& stem) {
    qsizetype k = stem.size();
    while (k > 0) {
        const QChar c = stem.at(k - 1);
        const bool consonantalU = c == u'u' && k >= 2 &&
                                  (stem.at(k - 2) == u'q' || (stem.at(k - 2) == u'g' && k == stem.size()));
        if (isVowel(c) && !consonantalU) break;
        --k;
    }
    return k;
}

// Whether a shortened part's first consonant stands for the stem's closing
// consonants it replaces, as the perfect and supine of a grammar show them:
// x for a guttural or h (rēxī, trāxī, vēxī, flexī, coxī, vīxī), s for a
// guttural, r or qu (mersī, haesī, quaesīvī, torsī), p for a labial (nūpsī,
// scrīpsī), c and t for a guttural (tractus, tortus, indultus).
bool standsFor(QChar first, const QString& replaced) {
    static const QSet<QString> gutturals{QStringLiteral("c"),  QStringLiteral("g"),  QStringLiteral("h"),
                                         QStringLiteral("qu"), QStringLiteral("gu"), QStringLiteral("ct")};
    switch (first.unicode()) {
    case u'x': return gutturals.contains(replaced) || replaced == u"v";
    case u'c': return gutturals.contains(replaced) || replaced == u"v";
    case u's': return gutturals.contains(replaced) || replaced == u"r";
    case u't': return gutturals.contains(replaced);
    case u'p': return replaced == u"b" || replaced == u"p" || replaced.isEmpty();
    default: return false;
    }
}

// A shortened part on the present stem of a regular conjugation. A part
// that begins with a consonant replaces the stem's closing consonants where
// the two meet: from the part's first letter when the stem has it there
// (jung- -nxi: junxī; carp- -psi: carpsī; vert- -ti: vertī; răpĭo -pŭi:
// răpŭī), in place of a final d or t for -si, -sum, -ssum and -tum (verto
// versum, claudo clausī, mitto missum, ostendo ostentum), else in place of
// the consonants the part's letter stands for, a leading liquid or nasal
// kept (flect- -xi: flexī; merg- -si: mersī; torqu- -tum: tortum; dēm- -psi:
// dēmpsī); a stem that ends in u takes -xi and -ctum whole (struxī). True
// vowel endings join the stem: -uī and -ūtum (once, after a stem that ends
// in u: ēlŭo ēlŭī), -itum, -īvī, -iī, and the stem vowel's -āvī/-ātum of the
// first conjugation and -ēvī/-ētum of the second. Any other vowel begins the
// root's own changed syllable and replaces the stem from its last vowel on:
// ĕdo ēsum, ŏbĕdo ŏbēdī, exĭgo exēgī exactum, quĭesco quĭēvī, opprĭmo
// oppressī. Null for a consonant part that fits none of these, and when the
// code is not a regular conjugation (exĕdo's stem ex- already ends before
// the simple verb).
// The present's letters kept before a part that changes the root's closing
// consonant. Where a voiced one gives way (rĕg- rēxī, lĕg- lēctum, trăh-
// trāxī, claud- clausī, jung- jūnxī), the vowel before it is long in the
// perfect and supine whatever the present's: its short mark goes, so the
// letters taken from the present show no length the source did not give
// the part. Before a voiceless one (răp- răpŭī, concŭt- concŭssī) the
// present's mark holds.
QString keptStem(const QString& present, qsizetype length, const QString& replaced) {
    QString kept = present.left(length);
    if (!replaced.contains(u'g') && !replaced.contains(u'd') && !replaced.contains(u'b') && !replaced.contains(u'h'))
        return kept;
    static const QString shortVowels = QStringLiteral("\u0103\u0115\u012D\u014F\u016D\u0102\u0114\u012C\u014E\u016C");
    static const QString plainVowels = QStringLiteral("aeiouAEIOU");
    for (qsizetype i = kept.size() - 1; i >= 0; --i) {
        if (kept.at(i) == QChar(0x0306)) {
            kept.remove(i, 1);
            break;
        }
        const qsizetype at = shortVowels.indexOf(kept.at(i));
        if (at >= 0) {
            kept[i] = plainVowels.at(at);
            break;
        }
        const QString letter = LatinText::plainLetterCopy(QString(kept.at(i))).toLower();
        if (letter.size() == 1 && isVowel(letter.at(0))) break;
    }
    return kept;
}

QString shortPartOnStem(const QString& present, const QString& part, qint64 code) {
    if (present.isEmpty() || part.size() < 2 || code < 1 || code > 5) return QString();
    const QString p = LatinText::plainLetterCopy(part.left(2)).toLower();
    const QString stem = LatinText::plainLetterCopy(present).toLower();
    if (!isVowel(p.at(0))) {
        if (!p.at(0).isLetter()) return QString();
        const qsizetype k = closingConsonants(stem);
        const QString closing = stem.mid(k);
        if (closing.isEmpty())
            return stem.endsWith(u'u') && (p.at(0) == u'x' || p.at(0) == u'c') ? present + part : QString();
        const qsizetype met = closing.indexOf(p.at(0));
        if (met >= 0) {
            // Only the closing letters the part does not repeat give way
            // (jung- -nxi: the g; ēbĭb- -bi: none).
            const QString partPlain = LatinText::plainLetterCopy(part).toLower();
            qsizetype same = 0;
            while (met + same < closing.size() && same < partPlain.size() && closing.at(met + same) == partPlain.at(same))
                ++same;
            return keptStem(present, k + met, closing.mid(met + same)) + part;
        }
        const bool dental = (p.at(0) == u's' && (isVowel(p.at(1)) || p.at(1) == u's')) ||
                            (p.at(0) == u't' && p.at(1) == u'u');
        if (dental && (stem.endsWith(u'd') || stem.endsWith(u't'))) {
            qsizetype at = stem.size();
            while (at > 0 && (stem.at(at - 1) == u'd' || stem.at(at - 1) == u't')) --at;
            return keptStem(present, at, stem.mid(at)) + part;
        }
        const qsizetype kept = QStringLiteral("rlnm").contains(closing.at(0)) &&
                                       (closing.size() >= 2 || (closing == u"m" && p.at(0) == u'p'))
                                   ? 1
                                   : 0;
        return standsFor(p.at(0), closing.mid(kept)) ? keptStem(present, k + kept, closing.mid(kept)) + part : QString();
    }
    const QChar next = p.at(1);
    const bool ending = (p.at(0) == u'u' && (next == u'i' || next == u't')) ||
                        (p.at(0) == u'i' && (next == u't' || next == u'v' || next == u'i')) ||
                        (code == 1 && p.at(0) == u'a' && (next == u'v' || next == u't')) ||
                        (code == 2 && p.at(0) == u'e' && (next == u'v' || next == u't'));
    // An inchoative's -sc- is no part of its perfect and supine (rē-scisco,
    // īvi, ītum: rēscīvī, rēscītum).
    if (code == 3 && p.at(0) == u'i' && stem.size() >= 4 && stem.endsWith(QLatin1String("isc"))) {
        if (next == u't' || next == u'v' || next == u'i') return present.chopped(3) + part;
    }
    if (ending) {
        // The stem's v is the u of -ūtum too (volv- -ūtum: volūtum).
        const bool doubledU = p.at(0) == u'u' && ((stem.endsWith(u'u') && !stem.endsWith(QLatin1String("qu"))) ||
                                                  (stem.endsWith(u'v') && next == u't'));
        return (doubledU ? present.chopped(1) : present) + part;
    }
    for (qsizetype i = stem.size() - 1; i >= 0; --i)
        if (isVowel(stem.at(i)) && !(stem.at(i) == u'u' && i > 0 && stem.at(i - 1) == u'q'))
            return present.left(i) + part;
    return present + part;
}

// A part that is the stem's closing consonant and a true ending (ē-bĭbo,
// bi, bĭtum: ēbĭbī, ēbĭbĭtum): it meets the stem at that consonant, not at
// an earlier place where the same letters stand.
bool endingOnClosingConsonant(const QString& stemPlain, const QString& partPlain) {
    // An inchoative's -sc- is no part of its perfect (ē-măcesco, cŭi: ēmăcŭī).
    if (stemPlain.endsWith(QLatin1String("sc"))) return false;
    static const QSet<QString> endings{QStringLiteral("i"),    QStringLiteral("itum"), QStringLiteral("ui"),
                                       QStringLiteral("utum"), QStringLiteral("ivi"),  QStringLiteral("ii")};
    if (partPlain.size() < 2 || isVowel(partPlain.at(0)) || !endings.contains(partPlain.mid(1))) return false;
    const QString closing = stemPlain.mid(closingConsonants(stemPlain));
    return closing.contains(partPlain.at(0));
}

// The present stem of a headword in plain letters: without its -o, -eo,
// -io or deponent -or.
QString plainStemOf(const QString& headwordPlain) {
    QString stem = headwordPlain;
    if (stem.endsWith(u'r')) stem.chop(1);
    const auto consonantalU = [&] {
        const qsizetype n = stem.size();
        return stem.back() == u'u' && n >= 2 && (stem.at(n - 2) == u'q' || stem.at(n - 2) == u'g');
    };
    while (!stem.isEmpty() && isVowel(stem.back()) && !consonantalU()) stem.chop(1);
    return stem;
}

}  // namespace

QString wholePart(const QString& headword, const QString& part, bool borrowLengths, qsizetype prefixEnd) {
    static const QSet<QString> endings{QStringLiteral("are"), QStringLiteral("ere"), QStringLiteral("ire"),
                                       QStringLiteral("ari"), QStringLiteral("eri"), QStringLiteral("iri"),
                                       QStringLiteral("esse"), QStringLiteral("isse")};
    const PlainLetters head = plainLetters(headword);
    const PlainLetters partLetters = plainLetters(part);
    const QString& p = partLetters.letters;
    const QString& h = head.letters;
    if (p.size() < 3 || h.size() < 3 || endings.contains(p) || part.contains(u' ')) return QString();
    // No perfect ends in -ai, -ei or -oi (a misprint such as ob-rĭgesco,
    // găi is left to the stem rules, which refuse it).
    if (p.endsWith(u'i') && QStringLiteral("aeo").contains(p.at(p.size() - 2))) return QString();
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
    const QString stem = plainStemOf(h);
    // A part whose opening letters stand again later in the present stem
    // meets it there, not after an earlier prefix.
    const auto restatesEnd = [&](qsizetype q) {
        QString stemI = stem;
        return stemI.replace(u'j', u'i').lastIndexOf(pi.left(2)) > q;
    };
    // A consonant and a true ending meet the stem's closing consonant
    // unless the prefix ends among them (red-do, dĭtum: reddĭtum).
    const bool onClosing = endingOnClosingConsonant(stem, p);
    // The source marked the prefix (red-do, rĕ-curro, ob-tĕro): a part that
    // restates the simple verb after it, reduplicated or not, stands there.
    if (prefixEnd > 0 && p.size() >= 4) {
        qsizetype q = 0;
        while (q < head.at.size() && head.at.at(q) < prefixEnd) ++q;
        const bool meetsClosing = onClosing && q < closingConsonants(stem);
        if (q >= 1 && q + 1 < h.size() && pi.at(0) == hi.at(q) && !restatesEnd(q) && !meetsClosing) {
            const QChar p1 = p.at(1), s1 = h.at(q + 1);
            if ((isVowel(p1) && isVowel(s1)) || p1 == s1 || (QStringLiteral("rl").contains(p1) && isVowel(p.at(2))))
                return withPrefix(q);
        }
    }
    if (onClosing) return QString();
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
    // A part with a prefix of its own (sus-tulī, sub-lātum of tollō).
    if (p.size() >= 6)
        for (qsizetype i = 2; i <= 4 && i + 4 <= p.size(); ++i)
            if (isVerbPrefix(p.left(i)) && !isVowel(p.at(i)) && isVowel(p.at(i + 1)) && !pi.startsWith(hi.left(i)))
                return written;
    // Opens like the headword (crēvī of crēscō, rēxī of regō).
    if (pi.at(0) == hi.at(0) && pi.at(1) == hi.at(1)) return lengthened(0);
    // The headword's consonant before r or l and a vowel: a part whose root
    // changed (trīvī of terō), or the same after a compound's prefix
    // (ob-trīvī of obterō).
    if (p.size() >= 4 && !isVowel(p.at(0)) && QStringLiteral("rl").contains(p.at(1)) && isVowel(p.at(2))) {
        if (pi.at(0) == hi.at(0)) return written;
        for (qsizetype q = 1; q + 1 < h.size(); ++q)
            if (hi.at(q) == pi.at(0) && isVowel(h.at(q + 1)) && isPrefixChain(h.left(q))) return withPrefix(q);
    }
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
        if (restatesEnd(q)) return QString();
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


QString placePart(const QString& headword, const QString& present, const QString& part, qint64 code) {
    if (part.isEmpty()) return QString();
    if (endingOnClosingConsonant(LatinText::plainLetterCopy(present).toLower(),
                                 LatinText::plainLetterCopy(part).toLower()))
        return shortPartOnStem(present, part, code);
    const QString restated = restatedPart(headword, part);
    if (!restated.isNull()) return restated;
    const QString whole = wholePart(headword, part);
    if (!whole.isNull()) return whole;
    // An irregular verb's stem is the compound's prefix, which ends where the
    // simple verb's part begins (ex-ēdī, red-iī, trāns-iī).
    if (code < 1 || code > 5) return present + part;
    return shortPartOnStem(present, part, code);
}

}  // namespace verbparts
