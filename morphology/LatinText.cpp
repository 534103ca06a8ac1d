#include "morphology/LatinText.h"

#include <algorithm>

#include "morphology/VowelLength.h"

#include <QVarLengthArray>

bool LatinCharacterSet::isWordLetter(char32_t c) {
    if (c == U'-' || c == U'/') return true;
    if (c < 0x80) return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z');
    return QChar::isLetter(c) || QChar::isMark(c);
}

const LatinCharacterSet& LatinCharacterSet::wordLetters() {
    static const LatinCharacterSet set(false);
    return set;
}

const LatinCharacterSet& LatinCharacterSet::separators() {
    static const LatinCharacterSet set(true);
    return set;
}

namespace LatinText {

namespace {

// The code point at i and its length in code units.
char32_t codePointAt(const QString& s, qsizetype i, int* units) {
    const QChar c = s.at(i);
    if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) {
        *units = 2;
        return QChar::surrogateToUcs4(c, s.at(i + 1));
    }
    *units = 1;
    return c.unicode();
}

}  // namespace

QStringList words(const QString& text, qsizetype maxWords) {
    QStringList result;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && (maxWords < 0 || result.size() < maxWords)) {
        int units = 1;
        while (i < n && !LatinCharacterSet::isWordLetter(codePointAt(text, i, &units))) i += units;
        const qsizetype start = i;
        while (i < n && LatinCharacterSet::isWordLetter(codePointAt(text, i, &units))) i += units;
        if (i > start) result.append(text.mid(start, i - start));
    }
    return result;
}

QString firstWord(const QString& text) {
    const QStringList w = words(text, 1);
    return w.isEmpty() ? QString() : w.first();
}

QStringList splitAtWhitespace(const QString& text) {
    QStringList parts;
    if (text.isNull()) return parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isSpace()) {
            parts.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    parts.append(text.mid(start));
    return parts;
}

QString dropLast(const QString& s, qsizetype n) {
    if (s.isNull() || s.size() < n) return QString();
    return s.left(s.size() - n);
}

QString plainLetterCopy(const QString& s) {
    QString out = s;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const char16_t c = out.at(i).unicode();
        if (c < 0x80) continue;
        const QString folded = foldLatinString(QString(QChar(c)));
        out[i] = (folded.size() == 1 && folded.at(0).unicode() < 0x80) ? folded.at(0) : QChar(u'?');
    }
    return out;
}

QString withoutWordHyphens(const QString& text) {
    QString out = text;
    for (qsizetype at = out.indexOf(u'-', 1); at > 0; at = out.indexOf(u'-', at)) {
        qsizetype before = at - 1;
        while (before > 0 && out.at(before).isMark()) --before;
        if (at + 1 < out.size() && out.at(before).isLetter() && out.at(at + 1).isLetter()) out.remove(at, 1);
        else ++at;
    }
    return out;
}

}  // namespace LatinText

QString joinStemAndEnding(const QString& stem, const QString& ending) {
    if (stem.isNull() || ending.isNull()) return QString();
    if (!ending.startsWith(u'-')) return ending;
    QString form;
    form.reserve(stem.size() + ending.size() - 1);
    form.append(stem);
    form.append(QStringView(ending).mid(1));
    return form;
}

QString expandAbbreviation(const QString& word, const QString& suffix) {
    if (word.isNull() || suffix.isNull() || word.size() < 2) return QString();
    if (suffix.isEmpty()) return word;
    const QString plainWord = LatinText::plainLetterCopy(word.toLower());
    const QChar first = LatinText::plainLetterCopy(suffix.left(1).toLower()).at(0);
    auto isVowel = [](QChar c) {
        return c == u'a' || c == u'e' || c == u'i' || c == u'o' || c == u'u' || c == u'y';
    };
    qsizetype cut = -1;
    for (qsizetype i = plainWord.size() - 1; i > 0 && cut < 0; --i) {
        const QChar c = plainWord.at(i);
        if (isVowel(first) ? isVowel(c) : c == first) cut = i;
    }
    if (cut < 0) cut = word.size() - 2;
    return word.left(cut) + suffix;
}

QString expandGenitive(const QString& nominative, const QString& suffix, qint64 declension) {
    if (nominative.size() < 2 || suffix.isEmpty()) return QString();
    const QString word = LatinText::plainLetterCopy(nominative.toLower());
    const QString ending = LatinText::plainLetterCopy(suffix.toLower());
    auto isVowel = [](QChar c) {
        return c == u'a' || c == u'e' || c == u'i' || c == u'o' || c == u'u' || c == u'y';
    };
    // rēx -rēgis, ars -artis, os -ossis: written in full after the hyphen.
    if (ending.size() >= word.size() && ending.startsWith(word.left(2))) return suffix;

    const QChar last = word.at(word.size() - 1);
    const QChar beforeLast = word.at(word.size() - 2);
    // The bare ending of the genitive after a nominative that is the stem
    // itself (puer -ī, vir -ī, cōnsul -is, Caesar -is), or the stem and an s
    // (urbs -is, plēbs -is).
    const bool bareEnding = (declension == 2 && ending == QLatin1String("i")) ||
                            (declension == 3 && ending == QLatin1String("is"));
    if (bareEnding) {
        if (last == u'r' || last == u'l') return nominative + suffix;
        if (declension == 3 && last == u's' && !isVowel(beforeLast)) return nominative.chopped(1) + suffix;
    }

    const QChar first = ending.at(0);
    qsizetype cut = -1;
    if (isVowel(first)) {
        // The suffix takes over at the nominative's last vowel (homō -inis,
        // diēs -ēī), or at the vowel before it when the suffix repeats that
        // one (fīlius -iī).
        // A suffix that restates the nominative's last syllable takes over
        // where that syllable begins (lūmināre -āris, not lūminārāris).
        // Only the nominative's own ending may follow it (-e, -is; not the
        // -to of fronto -ōnis).
        qsizetype restated = ending.size() >= 3 ? word.lastIndexOf(ending.left(2)) : -1;
        if (restated > 0) {
            const QString after = word.mid(restated + 2);
            const bool endingOnly = after.size() <= 2 && std::all_of(after.begin(), after.end(), [&](QChar c) {
                                        return isVowel(c) || c == u's';
                                    });
            if (!endingOnly) restated = -1;
        }
        if (restated > 0) cut = restated;
        for (qsizetype i = word.size() - 1; i > 0 && cut < 0; --i)
            if (isVowel(word.at(i))) cut = i;
        if (restated < 0 && cut > 1 && ending.size() > 1 && word.at(cut - 1) == first) --cut;
        if (cut < 0) cut = word.size() - 2;
    } else {
        // ager -grī, pater -tris: at the last place the consonant stands.
        for (qsizetype i = word.size() - 1; i > 0 && cut < 0; --i)
            if (word.at(i) == first) cut = i;
        if (cut < 0) {
            // nox -ctis, rēx -gis, ars -tis: the consonant is hidden in the
            // nominative's x or s; cor -dis: the nominative is the stem.
            cut = (last == u'x' || last == u's') ? word.size() - 1 : word.size();
        }
    }
    QString genitive = nominative.left(cut) + suffix;
    // A vowel is long before ns and short before nt, nd: mōns montis,
    // gēns gentis, frōns frondis.
    const qsizetype n = word.size() - 2;
    if (n >= 1 && last == u's' && beforeLast == u'n' && genitive.size() > n + 1 && genitive.at(n) == u'n' &&
        (genitive.at(n + 1) == u't' || genitive.at(n + 1) == u'd')) {
        const QString vowel = genitive.mid(n - 1, 1);
        const QString plain = foldLatinString(vowel);
        if (plain != vowel && plain.size() == 1 && isVowel(plain.at(0))) genitive.replace(n - 1, 1, plain);
    }
    return genitive;
}

bool beginsWithHyphen(const QString& s) {
    return !s.isNull() && s.startsWith(u'-');
}

int countSyllables(const QString& word) {
    const QString folded = foldLatinString(word.toLower());
    QVarLengthArray<char16_t, 64> buf;
    for (const QChar c : folded) buf.append(c.unicode());
    int count = 0;
    // Each diphthong, then each vowel, is replaced over the whole word in
    // turn; a replaced group cannot be matched again.
    static constexpr char16_t diphthongs[][2] = {
        {u'a', u'e'}, {u'e', u'i'}, {u'u', u'i'}, {u'a', u'u'}, {u'o', u'e'}, {u'e', u'u'}};
    for (const auto& d : diphthongs) {
        for (qsizetype i = 0; i + 1 < buf.size(); ++i) {
            if (buf[i] == d[0] && buf[i + 1] == d[1]) {
                buf[i] = u'*';
                buf.remove(i + 1);
                ++count;
            }
        }
    }
    for (const char16_t c : buf) {
        if (c == u'a' || c == u'e' || c == u'i' || c == u'o' || c == u'u') ++count;
    }
    return count;
}

bool endsInTwoConsonants(const QString& s) {
    if (s.size() < 2) return false;
    auto consonant = [](QChar ch) {
        const char16_t c = ch.toLower().unicode();
        if (c < u'a' || c > u'z') return false;
        return c != u'a' && c != u'e' && c != u'i' && c != u'o' && c != u'u';
    };
    return consonant(s.at(s.size() - 2)) && consonant(s.at(s.size() - 1));
}
