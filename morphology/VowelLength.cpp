#include "morphology/VowelLength.h"

#include <array>

namespace {

// A capital keeps its case: "^Eg^erunt" is Ēgērunt, the first word of a
// sentence, not ēgērunt.
char16_t macronFor(char16_t vowel) {
    switch (vowel) {
    case u'a': return u'\u0101';
    case u'e': return u'\u0113';
    case u'i': return u'\u012B';
    case u'o': return u'\u014D';
    case u'u': return u'\u016B';
    case u'A': return u'\u0100';
    case u'E': return u'\u0112';
    case u'I': return u'\u012A';
    case u'O': return u'\u014C';
    case u'U': return u'\u016A';
    default: return 0;
    }
}

// Base letter of a code unit that decomposes canonically into a letter and
// combining marks, 0 for a standalone combining mark, or the unit itself.
// The Latin blocks, where nearly all of our text lives, are looked up in a
// table made once; everything else asks Qt.
char16_t decomposeToBase(char16_t c) {
    const QChar ch(c);
    if (ch.isMark()) return 0;
    if (ch.decompositionTag() != QChar::Canonical) return c;
    const QString d = ch.decomposition();
    if (d.isEmpty() || d.at(0).isSurrogate()) return c;
    for (qsizetype i = 1; i < d.size(); ++i)
        if (!d.at(i).isMark()) return c;
    // A decomposition may itself start with a decomposable letter (ǖ = ü + ̄).
    const char16_t base = d.at(0).unicode();
    if (base < 0x80) return base;
    const char16_t deeper = decomposeToBase(base);
    return deeper ? deeper : base;
}

constexpr char16_t kTableEnd = 0x0500;

const std::array<char16_t, kTableEnd>& foldTable() {
    static const std::array<char16_t, kTableEnd> table = [] {
        std::array<char16_t, kTableEnd> t{};
        for (char16_t c = 0; c < kTableEnd; ++c) t[c] = c < 0x80 ? c : decomposeToBase(c);
        return t;
    }();
    return table;
}

char16_t foldedUnit(char16_t c) {
    if (c < 0x80) return c;
    if (c < kTableEnd) return foldTable()[c];
    if (QChar(c).isSurrogate()) return c;
    return decomposeToBase(c);
}

template <class Map>
QString markVowels(const QString& text, Map map) {
    QString result = text;
    // Replacing unit by unit gives what the row-by-row replacements give,
    // because every source letter is plain and every target is not.
    char16_t* out = nullptr;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const char16_t marked = map(result.at(i).unicode());
        if (!marked) continue;
        if (!out) out = reinterpret_cast<char16_t*>(result.data());
        out[i] = marked;
    }
    return result;
}

}  // namespace

QString macronizeCaretVowels(const QString& text) {
    const qsizetype caret = text.indexOf(u'^');
    if (caret < 0) return text.isNull() ? QStringLiteral("") : text;
    // One pass does what the five successive replacements do: a replacement
    // never produces a caret, so no new match can appear.
    QString result;
    result.reserve(text.size());
    result.append(QStringView(text).left(caret));
    const qsizetype n = text.size();
    for (qsizetype i = caret; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == u'^' && i + 1 < n) {
            if (const char16_t m = macronFor(text.at(i + 1).unicode())) {
                result.append(QChar(m));
                ++i;
                continue;
            }
        }
        result.append(QChar(c));
    }
    return result;
}

QString caretVowelsToMacrons(const QString& text) {
    if (text.isNull()) return QString();
    return macronizeCaretVowels(text);
}

QString foldLatinString(const QString& text) {
    bool plain = true;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c >= 0x80 || c == u'|') { plain = false; break; }
    }
    if (plain) return text.isNull() ? QStringLiteral("") : text;

    QString result;
    result.reserve(text.size() + 2);
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u'|' || c == u'\u2016') continue;
        const char16_t f = foldedUnit(c);
        switch (f) {
        case 0: break;  // a combining mark on its own belongs to the letter before it
        case u'\u0153': result.append(QLatin1String("oe")); break;
        case u'\u0152': result.append(QLatin1String("OE")); break;
        case u'\u00E6': result.append(QLatin1String("ae")); break;
        case u'\u00C6': result.append(QLatin1String("AE")); break;
        default: result.append(QChar(f)); break;
        }
    }
    return result;
}

QString markVowelsShort(const QString& text) {
    return markVowels(text, [](char16_t c) -> char16_t {
        switch (c) {
        case u'a': return u'\u0103'; case u'e': return u'\u0115'; case u'i': return u'\u012D';
        case u'o': return u'\u014F'; case u'u': return u'\u016D'; case u'y': return u'\u045E';
        case u'A': return u'\u0102'; case u'E': return u'\u0114'; case u'I': return u'\u012C';
        case u'O': return u'\u014E'; case u'U': return u'\u016C'; case u'Y': return u'\u040E';
        default: return 0;
        }
    });
}

QString markVowelsLong(const QString& text) {
    return markVowels(text, [](char16_t c) -> char16_t {
        switch (c) {
        case u'a': return u'\u0101'; case u'e': return u'\u0113'; case u'i': return u'\u012B';
        case u'o': return u'\u014D'; case u'u': return u'\u016B'; case u'y': return u'\u04EF';
        case u'A': return u'\u0100'; case u'E': return u'\u0112'; case u'I': return u'\u012A';
        case u'O': return u'\u014C'; case u'U': return u'\u016A'; case u'Y': return u'\u04EE';
        default: return 0;
        }
    });
}

QString markVowelsLongByPosition(const QString& text) {
    return markVowels(text, [](char16_t c) -> char16_t {
        switch (c) {
        case u'a': return u'\u00E1'; case u'e': return u'\u00E9'; case u'i': return u'\u00ED';
        case u'o': return u'\u00F3'; case u'u': return u'\u00FA';
        case u'A': return u'\u00C1'; case u'E': return u'\u00C9'; case u'I': return u'\u00CD';
        case u'O': return u'\u00D3'; case u'U': return u'\u00DA';
        default: return 0;
        }
    });
}
