// Macron marking of rich text from the word-form dictionary.
//
// The marked text keeps the length of the original: every replacement puts a
// form of the same length over a word, so the result is built in one pass
// from the original's attribute runs and a colour per character.
#include "morphology/TSWordFormDictionary.h"
#include "morphology/RomanNumerals.h"
#include "morphology/ShortStringHash.h"

#include "app/logging/LGLog.h"
#include "foundation/StringExtensions.h"
#include "platform/Color.h"
#include "platform/Dispatch.h"

#include <algorithm>
#include <array>
#include <memory_resource>
#include <optional>
#include <unordered_map>

namespace {

enum Colour : quint8 { NoColour = 0, Clear = 1, Red = 2, Orange = 3 };

// Enclitics split off a stem inside a stem go no deeper than this.
constexpr int kMaxEncliticDepth = 4;

bool isApostrophe(QChar c) { return c == u'\'' || c == QChar(0x2019); }

bool isWordCharacter(QChar c) { return c.isLetterOrNumber() || (c.unicode() >= 0x0300 && c.isMark()); }

// Trimmed from the two ends when a word's neighbourhood is compared with it.
bool isTrimmed(QChar c) {
    static const QString set = QStringLiteral(".,:;!+\"?\u201C\u201D[]()");
    return c.isSpace() || set.contains(c);
}

// The plain copy (diacritics removed, case kept) and the search copy (that in
// lower case with "u" for "v"), both the text's length character for
// character: a character the ASCII reduction would drop or widen stays.
void plainAndSearchCopies(const QString& text, QString* plain, QString* search) {
    const qsizetype n = text.size();
    // Shared with the text until a character is changed (most texts have
    // no diacritics).
    *plain = text;
    *search = QString(n, Qt::Uninitialized);
    const QChar* in = text.constData();
    QChar* s = search->data();
    for (qsizetype i = 0; i < n; ++i) {
        QChar c = in[i];
        if (c.unicode() >= 0x80) {
            const QString one = StringExtensions::stripDiacritics(QString(c));
            // A letter without a one-letter ASCII form (æ) stays a letter.
            if (one.size() == 1 && one.at(0) != u'?' && one.at(0) != c) {
                c = one.at(0);
                (*plain)[i] = c;
            }
        }
        QChar lower = c;
        if (c.unicode() >= u'A' && c.unicode() <= u'Z') lower = QChar(char16_t(c.unicode() + 32));
        else if (c.unicode() >= 0x80 && !c.isSurrogate()) lower = c.toLower();
        s[i] = lower == u'v' ? QChar(u'u') : lower;
    }
}

const ts::Value& colourValue(quint8 colour) {
    static const ts::Value clear(ts::Color::clearColor());
    static const ts::Value red(ts::Color::systemRedColor());
    static const ts::Value orange(ts::Color::systemOrangeColor());
    static const ts::Value none;
    switch (colour) {
    case Clear: return clear;
    case Red: return red;
    case Orange: return orange;
    default: return none;
    }
}

}  // namespace

// What the dictionary says about one search word: whether its key was found
// as written (the choice then holds for every occurrence), and the form to
// write with its colour.
struct Choice {
    bool primary = false;
    bool found = false;
    QString form;  // null when no form could be chosen
    quint8 colour = Red;
};
// A word as a view with its hash. A table of them compares the hashes before
// the characters and never hashes a key again, so a look-up seldom reads the
// text of a word that is not the one looked for.
struct HashedWord {
    QStringView text;
    size_t hash;
    explicit HashedWord(QStringView word) : text(word), hash(ShortStringHash()(word)) {}
    bool operator==(const HashedWord& other) const { return hash == other.hash && text == other.text; }
};
struct HashOfWord {
    size_t operator()(const HashedWord& word) const noexcept { return word.hash; }
};

// The choices by search word. Its keys are views into the search texts of
// the markings that met the words, which it keeps: a new word costs no copy.
struct ChoiceMemo {
    // Its nodes are taken from one arena and given back together.
    std::pmr::monotonic_buffer_resource arena;
    std::pmr::unordered_map<HashedWord, Choice, HashOfWord> choices{&arena};
    std::vector<QString> searchTexts;
};

struct TSWordFormDictionary::Memo : ChoiceMemo {};

struct TSWordFormDictionary::Marking {
    QString original;
    QString text;    // the result's characters
    QString plain;   // the original without diacritics, case kept
    QString search;  // plain in lower case with "u" for "v"
    std::vector<quint8> colours;
    // Shared by a text and the stems split off its words: a word met again
    // costs one look-up in it.
    std::shared_ptr<ChoiceMemo> memo;
    // Words as written (case and diacritics kept) to where the outermost
    // marking first met them: their next occurrences are written as that
    // one was. Unused by the markings of split-off stems. Its nodes are
    // taken from one arena and given back together.
    std::pmr::monotonic_buffer_resource arena;
    std::pmr::unordered_map<HashedWord, qsizetype, HashOfWord> outcomes{&arena};

    Marking(const QString& text, std::shared_ptr<ChoiceMemo> sharedMemo)
        : original(text), text(text), colours(size_t(original.size()), NoColour),
          memo(sharedMemo ? std::move(sharedMemo) : std::make_shared<ChoiceMemo>()) {
        // About one new word in every twenty characters of a long text.
        if (memo->choices.empty()) memo->choices.reserve(size_t(text.size() / 20));
        plainAndSearchCopies(text, &plain, &search);
        memo->searchTexts.push_back(search);
    }

    void colour(qsizetype from, qsizetype length, quint8 c) {
        for (qsizetype i = from; i < from + length && i < qsizetype(colours.size()); ++i) colours[size_t(i)] = c;
    }
    void write(qsizetype at, QStringView form) {
        for (qsizetype i = 0; i < form.size() && at + i < text.size(); ++i) text[at + i] = form.at(i);
    }
};

// ---- Words as written ----

QString TSWordFormDictionary::restoreCaps(const QString& form, const QString& origString) {
    if (form.size() != origString.size()) return QString();
    QString out = form;
    for (qsizetype i = 0; i < out.size(); ++i)
        if (origString.at(i).isUpper()) out[i] = out.at(i).toUpper();
    return out;
}

QString TSWordFormDictionary::restoreIs(const QString& form, const QString& origString) {
    if (form.isNull()) return QString();
    QString out = form;
    const qsizetype n = std::min(out.size(), origString.size());
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = out.at(i), o = origString.at(i);
        if (c == u'j' && o != u'j') out[i] = u'i';
        else if (c == u'J' && o != u'J') out[i] = u'I';
        else if (o == u'j') out[i] = u'j';
        else if (o == u'J') out[i] = u'J';
        else if (c == u'u' && o != u'u') out[i] = u'v';
        else if (c == u'U' && o != u'U') out[i] = u'V';
    }
    return out;
}

QString TSWordFormDictionary::restoreString(const QString& form, const QString& origString) {
    const QString caps = restoreCaps(form, origString);
    return caps.isNull() ? QString() : restoreIs(caps, origString);
}

namespace {

// An enclitic split off a word: the stem is the word's first stemLength
// characters, with an "s" after them when padded.
struct EncliticSplit {
    qsizetype stemLength = 0;
    QStringView enclitic;
    bool padded = false;
};

// An enclitic leans on a word of at least two letters: with less, the rules
// would read a short word as another one ("in" as "is" with "-n", "ne" as
// nothing with "-ne"), and a short word has few letters to make that guess
// safe.
constexpr qsizetype kMinStemLength = 2;

std::optional<EncliticSplit> splitEnclitic(QStringView word) {
    const auto cut = [&](QStringView enclitic, bool padded) -> std::optional<EncliticSplit> {
        if (word.size() - enclitic.size() < kMinStemLength) return std::nullopt;
        return EncliticSplit{word.size() - enclitic.size(), enclitic, padded};
    };
    // Each enclitic ends in its own letter: most words need one comparison.
    switch (word.isEmpty() ? 0 : word.back().unicode()) {
    case u'e':
        for (const QStringView enclitic : {u"que", u"ve", u"ue", u"ne"})
            if (word.endsWith(enclitic)) return cut(enclitic, false);
        return std::nullopt;
    case u't':
        if (!word.endsWith(u"st")) return std::nullopt;
        return cut(u"st", !word.chopped(2).endsWith(u'm') && !word.chopped(2).endsWith(u'a'));
    case u'n': return cut(u"n", true);
    case u's':
        if (!word.endsWith(u"'s")) return std::nullopt;
        return cut(u"'s", true);
    default: return std::nullopt;
    }
}

}  // namespace

QStringList TSWordFormDictionary::checkForEnclitics(const QString& word, bool* padded) {
    const std::optional<EncliticSplit> split = splitEnclitic(word);
    if (padded) *padded = split && split->padded;
    if (!split) return {};
    QString stem = word.left(split->stemLength);
    if (split->padded) stem += u's';
    return {stem, split->enclitic.toString()};
}

namespace {

// Writes the form over the word at `at` with the written word's capitals and
// its i/j and u/v spelling; false, writing nothing, when the lengths differ.
bool writeRestored(QString& text, qsizetype at, const QString& form, QStringView written) {
    if (form.size() != written.size()) return false;
    QChar* out = text.data() + at;
    for (qsizetype i = 0; i < form.size(); ++i) {
        const QChar o = written.at(i);
        QChar c = form.at(i);
        if (o.isUpper()) c = c.toUpper();
        if (c == u'j' && o != u'j') c = u'i';
        else if (c == u'J' && o != u'J') c = u'I';
        else if (o == u'j') c = u'j';
        else if (o == u'J') c = u'J';
        else if (c == u'u' && o != u'u') c = u'v';
        else if (c == u'U' && o != u'U') c = u'V';
        out[i] = c;
    }
    return true;
}

}  // namespace

namespace {

// A digit, or a letter of a Roman numeral in either case, "u" and "j"
// included.
bool isNumeralCharacter(char16_t c) {
    switch (c) {
    case u'0': case u'1': case u'2': case u'3': case u'4': case u'5': case u'6': case u'7': case u'8': case u'9':
    case u'i': case u'v': case u'x': case u'l': case u'c': case u'd': case u'm': case u'u': case u'j':
    case u'I': case u'V': case u'X': case u'L': case u'C': case u'D': case u'M': case u'U': case u'J':
        return true;
    default:
        return false;
    }
}

// Most words have a letter no numeral has; they need no closer look.
bool mayBeNumber(QStringView word) {
    for (const QChar c : word)
        if (c.unicode() < 0x80 && !isNumeralCharacter(c.unicode())) return false;
    return !word.isEmpty();
}

}  // namespace

// The search text writes "u" for "v", so a numeral arrives as "xuii": the
// standard form (upper case, U made V, J made I) is what the reader checks.
bool TSWordFormDictionary::isNumber(const QString& word) {
    if (!mayBeNumber(word)) return false;
    return RomanNumerals::isArabicNumeral(word, nullptr) ||
           RomanNumerals::isRomanNumeral(RomanNumerals::standardString(word), nullptr);
}

// ---- Marking ----

void TSWordFormDictionary::handleNilArray(QStringView word, Marking& marking, ts::TextRange range, int depth) const {
    // A numeral has nothing to mark. Texts write Roman numerals in capitals;
    // in lower case the letters are far more often a word the list lacks
    // ("diu", "di", "mi"), which must not look certain.
    const QStringView written = QStringView(marking.plain).mid(range.location, range.length);
    const bool lowerCase = std::any_of(written.begin(), written.end(), [](QChar c) { return c.isLower(); });
    if (!lowerCase && mayBeNumber(word) && isNumber(word.toString())) {
        marking.colour(range.location, range.length, Clear);
        return;
    }
    const std::optional<EncliticSplit> split = depth < kMaxEncliticDepth ? splitEnclitic(word) : std::nullopt;
    if (!split) {
        marking.colour(range.location, range.length, Red);
        return;
    }
    const QStringView enclitic = split->enclitic;
    qsizetype loc = range.location;

    // The stem as written, with the "s" a padded stem was given.
    QString piece;
    if (enclitic == u"'s") piece = marking.text.mid(loc, word.size() - 2) + u's';
    else piece = marking.text.mid(loc, split->stemLength + (split->padded ? 1 : 0));
    if (split->padded && enclitic.size() == 1 && !piece.isEmpty()) piece[piece.size() - 1] = u's';

    Marking inner(piece, marking.memo);
    markText(inner, depth + 1);
    // The added "s" is not in the text.
    const qsizetype replaced =
        std::clamp<qsizetype>(split->stemLength, 0, std::min(inner.text.size(), range.length - enclitic.size()));
    marking.write(loc, QStringView(inner.text).first(replaced));
    // The list does not hold the word itself: its reading is a guess, however
    // sure the stem's form, so it is never shown as certain.
    for (qsizetype i = 0; i < replaced; ++i) {
        const quint8 c = inner.colours[size_t(i)];
        marking.colours[size_t(loc + i)] = c == Clear ? quint8(Orange) : c;
    }
    loc += replaced;

    marking.write(loc, enclitic);
    marking.colour(loc, enclitic.size(), Clear);
}

namespace {

// One form for every record, clear; several different forms, the first in
// order, orange.
void chooseForm(const TSWordFormDictionary::RecordViews& records, Choice* choice) {
    choice->found = true;
    choice->colour = Clear;
    if (records.size() == 1) {
        choice->form = records.front().form.toString();
        return;
    }
    const auto forms = TSWordFormDictionary::uniqueForms(records);
    if (forms.size() == 1) {
        choice->form = forms.front().form;
        return;
    }
    const QStringList ordered = TSWordFormDictionary::formsInOrderOfFrequency(forms, records);
    choice->form = ordered.isEmpty() ? QString() : ordered.first();
    choice->colour = Orange;
}

}  // namespace

void TSWordFormDictionary::colourSurroundings(Marking& marking, ts::TextRange range, ts::TextRange enclosing) {
    // The spaces and punctuation after the word take no colour.
    if (enclosing.end() > range.end()) marking.colour(range.end(), enclosing.end() - range.end(), Clear);
    // Nor does what stands before the first word, when it is only spaces
    // and punctuation; the word keeps its own colour.
    if (enclosing.location < range.location) {
        const QString before = marking.text.mid(enclosing.location, range.location - enclosing.location);
        if (std::all_of(before.begin(), before.end(), isTrimmed)) {
            marking.colour(enclosing.location, range.location - enclosing.location, Clear);
        } else {
            TSLogError("enclosingRange \u2260 substringRange %@ vs %@",
                       marking.text.mid(enclosing.location, enclosing.length).trimmed(),
                       marking.text.mid(range.location, range.length));
        }
    }
}

void TSWordFormDictionary::markText(Marking& marking, int depth) const {
    if (depth == 0) marking.outcomes.reserve(size_t(marking.text.size() / 20));
    const QString& search = marking.search;
    const qsizetype n = search.size();
    const auto wordAt = [&](qsizetype i) {
        if (isWordCharacter(search.at(i))) return true;
        // An apostrophe between two word characters belongs to the word.
        return isApostrophe(search.at(i)) && i > 0 && i + 1 < n && isWordCharacter(search.at(i - 1)) &&
               isWordCharacter(search.at(i + 1));
    };

    RecordViews views;
    qsizetype enclosingStart = 0;
    qsizetype i = 0;
    while (i < n && !wordAt(i)) ++i;
    while (i < n) {
        const qsizetype start = i;
        while (i < n && wordAt(i)) ++i;
        const ts::TextRange range{start, i - start};
        while (i < n && !wordAt(i)) ++i;
        const ts::TextRange enclosing{enclosingStart, i - enclosingStart};
        enclosingStart = i;

        // A word met before in this text is written as it was then; a new one
        // is noted at once with where it stands.
        const QStringView asWritten = QStringView(marking.original).mid(range.location, range.length);
        if (depth == 0) {
            const auto [done, isNew] = marking.outcomes.try_emplace(HashedWord(asWritten), range.location);
            if (!isNew) {
                const qsizetype at = done->second;
                std::copy_n(marking.text.constData() + at, range.length, marking.text.data() + range.location);
                std::copy_n(marking.colours.begin() + at, range.length, marking.colours.begin() + range.location);
                colourSurroundings(marking, range, enclosing);
                continue;
            }
        }

        // Views, not copies: a word met before costs one hash look-up and no
        // allocation, and a new one is entered by that same look-up.
        const QString word = QString::fromRawData(search.constData() + range.location, range.length);
        const QStringView written = QStringView(marking.plain).mid(range.location, range.length);
        const auto [known, isNew] = marking.memo->choices.try_emplace(HashedWord(word));
        if (isNew) {
            Choice& choice = known->second;
            QReadLocker lock(&lock_);
            viewsOf(word, &views);
            if (!views.empty()) {
                choice.primary = true;
                chooseForm(views, &choice);
            }
        }
        const Choice* chosen = &known->second;
        // Some keys keep the "v" they are written with.
        Choice withV;
        if (!chosen->primary) {
            QReadLocker lock(&lock_);
            if (store_.keysWithV() && written.contains(QLatin1Char('v'), Qt::CaseInsensitive)) {
                viewsOf(written.toString().toLower(), &views);
                if (!views.empty()) {
                    chooseForm(views, &withV);
                    chosen = &withV;
                }
            }
        }
        const Choice& choice = *chosen;
        if (!choice.found) {
            handleNilArray(word, marking, range, depth);
        } else {
            quint8 colour = choice.colour;
            const bool restored = !choice.form.isNull() && writeRestored(marking.text, range.location, choice.form, written);
            if (!restored && colour == Clear) colour = Red;
            marking.colour(range.location, range.length, colour);
        }

        colourSurroundings(marking, range, enclosing);
    }
}

ts::AttributedStringPtr TSWordFormDictionary::addMacrons(const ts::AttributedString& text) const {
    return markOne(text, nullptr);
}

std::vector<ts::AttributedStringPtr> TSWordFormDictionary::addMacrons(
    const std::vector<ts::AttributedStringPtr>& texts) const {
    const auto memo = std::make_shared<Memo>();
    std::vector<ts::AttributedStringPtr> results;
    results.reserve(texts.size());
    for (const ts::AttributedStringPtr& text : texts) results.push_back(markOne(text ? *text : ts::AttributedString(), memo));
    return results;
}

ts::AttributedStringPtr TSWordFormDictionary::markOne(const ts::AttributedString& text,
                                                      const std::shared_ptr<Memo>& memo) const {
    Marking marking(text.string(), memo ? std::shared_ptr<ChoiceMemo>(memo, memo.get()) : nullptr);
    markText(marking, 0);

    // One pass over the original's runs: its attributes without any
    // background, the background of each stretch of one colour laid over
    // them. The marked characters become the result's text as they are.
    std::vector<ts::AttributedString::Run> runs;
    qsizetype pos = 0;
    for (const ts::AttributedString::Run& run : text.runs()) {
        // The run's attributes under each of the four backgrounds, made once
        // and shared by its stretches.
        std::array<ts::AttributeSet, 4> variants;
        ts::Attributes attributes = run.attributes.toAttributes();
        attributes.erase(ts::AttributeName::BackgroundColor);
        variants[NoColour] = ts::AttributeSet(attributes);
        for (quint8 c : {Clear, Red, Orange}) {
            attributes[ts::AttributeName::BackgroundColor] = colourValue(c);
            variants[c] = ts::AttributeSet(attributes);
        }
        const qsizetype start = pos, end = pos + run.length;
        while (pos < end) {
            const quint8 c = marking.colours[size_t(pos)];
            qsizetype stop = pos + 1;
            while (stop < end && marking.colours[size_t(stop)] == c) ++stop;
            // Stretches of one run differ in colour; the first of the next
            // run may equal the last one before it.
            if (pos == start && !runs.empty() && runs.back().attributes == variants[c])
                runs.back().length += stop - pos;
            else
                runs.push_back({stop - pos, variants[c]});
            pos = stop;
        }
    }
    return std::make_shared<ts::AttributedString>(ts::AttributedString::withRuns(std::move(marking.text), std::move(runs)));
}

void TSWordFormDictionary::addMacrons(std::vector<ts::AttributedStringPtr> texts, ts::ObjectPtr object,
                                      std::weak_ptr<TextMacronizerProtocol> owner) {
    ts::DispatchQueue::global()->async([texts = std::move(texts), object = std::move(object), owner = std::move(owner)] {
        TSWordFormDictionaryPtr dictionary;
        if (waitForInitialisation()) {
            dictionary = sharedDictionary();
        } else {
            // Without forms every word reads as unknown, and the owner still
            // hears back.
            TSLogError("%@", QStringLiteral("No word forms to mark the text with"));
            dictionary = std::make_shared<TSWordFormDictionary>();
        }
        std::vector<ts::AttributedStringPtr> results = dictionary->addMacrons(texts);
        if (results.empty()) return;
        ts::DispatchQueue::main()->async([results = std::move(results), object, owner] {
            if (const auto o = owner.lock()) o->textMacronized(results, object);
        });
    });
}

ts::AttributedStringPtr TSWordFormDictionary::replaceMarkers(const ts::AttributedString& text) {
    auto result = std::make_shared<ts::AttributedString>();
    qsizetype pos = 0;
    for (const ts::AttributedString::Run& run : text.runs()) {
        QString piece = text.string().mid(pos, run.length);
        piece.replace(QChar(0x2022), QLatin1Char('\n'));
        result->appendSharing(piece, run.attributes);
        pos += run.length;
    }
    return result;
}
