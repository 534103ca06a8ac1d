// Macron marking of rich text from the word-form dictionary.
//
// The marked text keeps the length of the original: every replacement puts a
// form of the same length over a word, so the result is built in one pass
// from the original's attribute runs and a colour per character.
#include "morphology/TSWordFormDictionary.h"

#include "app/logging/LGLog.h"
#include "foundation/StringExtensions.h"
#include "platform/Color.h"
#include "platform/Dispatch.h"

#include <QRegularExpression>

namespace {

enum Colour : quint8 { NoColour = 0, Clear = 1, Red = 2, Orange = 3 };

// Enclitics split off a stem inside a stem go no deeper than this.
constexpr int kMaxEncliticDepth = 4;

bool isApostrophe(QChar c) { return c == u'\'' || c == QChar(0x2019); }

bool isWordCharacter(QChar c) { return c.isLetterOrNumber() || c.isMark(); }

// Trimmed from the two ends when a word's neighbourhood is compared with it.
bool isTrimmed(QChar c) {
    static const QString set = QStringLiteral(".,:;!+\"?\u201C\u201D[]()");
    return c.isSpace() || set.contains(c);
}

// Same length as the text, character for character: a character the ASCII
// reduction would drop or widen stays as it is.
QString plainCopy(const QString& text) {
    QString plain = StringExtensions::stripDiacritics(text);
    if (plain.size() == text.size()) return plain;
    plain = text;
    for (qsizetype i = 0; i < plain.size(); ++i) {
        const QString one = StringExtensions::stripDiacritics(QString(plain.at(i)));
        if (one.size() == 1) plain[i] = one.at(0);
    }
    return plain;
}

QString searchCopy(const QString& plain) {
    QString search = plain.toLower();
    if (search.size() != plain.size()) {
        // Lower-casing that changes the length (rare letters) is done per unit.
        search = plain;
        for (QChar& c : search) c = c.toLower();
    }
    for (QChar& c : search)
        if (c == u'v') c = u'u';
    return search;
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

struct TSWordFormDictionary::Marking {
    QString text;    // the result's characters
    QString plain;   // the original without diacritics, case kept
    QString search;  // plain in lower case with "u" for "v"
    std::vector<quint8> colours;

    explicit Marking(const QString& original)
        : text(original), plain(plainCopy(original)), search(searchCopy(plain)), colours(size_t(original.size()), NoColour) {}

    void colour(qsizetype from, qsizetype length, quint8 c) {
        for (qsizetype i = from; i < from + length && i < qsizetype(colours.size()); ++i) colours[size_t(i)] = c;
    }
    void write(qsizetype at, const QString& form) {
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

QStringList TSWordFormDictionary::checkForEnclitics(const QString& word, bool* padded) {
    if (padded) *padded = false;
    const auto cut = [&](qsizetype n) { return word.left(word.size() - n); };
    if (word.endsWith(QStringLiteral("que"))) return {cut(3), QStringLiteral("que")};
    if (word.endsWith(QStringLiteral("ve"))) return {cut(2), QStringLiteral("ve")};
    if (word.endsWith(QStringLiteral("ue"))) return {cut(2), QStringLiteral("ue")};
    if (word.endsWith(QStringLiteral("ne"))) return {cut(2), QStringLiteral("ne")};
    if (word.endsWith(QStringLiteral("st"))) {
        QString stem = cut(2);
        if (!stem.endsWith(u'm') && !stem.endsWith(u'a')) {
            stem += u's';
            if (padded) *padded = true;
        }
        return {stem, QStringLiteral("st")};
    }
    if (word.endsWith(u'n')) {
        if (padded) *padded = true;
        return {cut(1) + u's', QStringLiteral("n")};
    }
    if (word.endsWith(QStringLiteral("'s"))) {
        if (padded) *padded = true;
        return {cut(2) + u's', QStringLiteral("'s")};
    }
    return {};
}

// Stands in for the shared Roman-numeral reader: the same acceptance, I to
// MMMMCMXCIX and plain decimal digits.
bool TSWordFormDictionary::isNumber(const QString& word) {
    if (word.isEmpty()) return false;
    if (std::all_of(word.begin(), word.end(), [](QChar c) { return c >= u'0' && c <= u'9'; })) return true;
    static const QRegularExpression roman(
        QStringLiteral("^M{0,4}(CM|CD|D?C{0,3})(XC|XL|L?X{0,3})(IX|IV|V?I{0,3})$"));
    // The search text writes "u" for "v".
    QString upper = word.toUpper();
    upper.replace(u'U', u'V');
    return roman.match(upper).hasMatch();
}

// ---- Marking ----

void TSWordFormDictionary::handleNilArray(const QString& word, Marking& marking, ts::TextRange range, int depth) const {
    if (isNumber(word)) {
        marking.colour(range.location, range.length, Clear);
        return;
    }
    bool padded = false;
    const QStringList split = depth < kMaxEncliticDepth ? checkForEnclitics(word, &padded) : QStringList();
    if (split.size() != 2) {
        marking.colour(range.location, range.length, Red);
        return;
    }
    const QString& stem = split.at(0);
    const QString& enclitic = split.at(1);
    qsizetype loc = range.location;

    // The stem as written, with the "s" a padded stem was given.
    QString piece;
    if (enclitic == QStringLiteral("'s")) piece = marking.text.mid(loc, word.size() - 2) + u's';
    else piece = marking.text.mid(loc, stem.size());
    if (padded && enclitic.size() == 1 && !piece.isEmpty()) piece[piece.size() - 1] = stem.back();

    Marking inner(piece);
    markText(inner, depth + 1);
    qsizetype replaced = stem.size();
    if (padded) replaced -= 1;  // the added "s" is not in the text
    replaced = std::clamp<qsizetype>(replaced, 0, std::min(inner.text.size(), range.length - enclitic.size()));
    marking.write(loc, inner.text.left(replaced));
    for (qsizetype i = 0; i < replaced; ++i) marking.colours[size_t(loc + i)] = inner.colours[size_t(i)];
    loc += replaced;

    marking.write(loc, enclitic);
    marking.colour(loc, enclitic.size(), Clear);
}

void TSWordFormDictionary::markText(Marking& marking, int depth) const {
    const QString& search = marking.search;
    const qsizetype n = search.size();
    const auto wordAt = [&](qsizetype i) {
        if (isWordCharacter(search.at(i))) return true;
        // An apostrophe between two word characters belongs to the word.
        return isApostrophe(search.at(i)) && i > 0 && i + 1 < n && isWordCharacter(search.at(i - 1)) &&
               isWordCharacter(search.at(i + 1));
    };

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

        const QString word = search.mid(range.location, range.length);
        const QString written = marking.plain.mid(range.location, range.length);
        Records found;
        {
            QReadLocker lock(&lock_);
            auto it = entries_.constFind(word);
            // Some keys keep the "v" they are written with.
            if (it == entries_.constEnd() && written.contains(QLatin1Char('v'), Qt::CaseInsensitive))
                it = entries_.constFind(written.toLower());
            if (it != entries_.constEnd()) found = it.value();
        }
        if (found.empty()) {
            handleNilArray(word, marking, range, depth);
        } else {
            QString form;
            quint8 colour = Clear;
            if (found.size() == 1) {
                form = found.front()->form();
            } else {
                const std::vector<FormCount> forms = uniqueForms(found);
                if (forms.size() == 1) {
                    form = forms.front().form;
                } else {
                    const QStringList ordered = formsInOrderOfFrequency(forms, found);
                    form = ordered.isEmpty() ? QString() : ordered.first();
                    colour = Orange;
                }
            }
            const QString restored = restoreString(form, written);
            if (!restored.isNull()) marking.write(range.location, restored);
            else if (colour == Clear) colour = Red;
            marking.colour(range.location, range.length, colour);
        }

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
}

ts::AttributedStringPtr TSWordFormDictionary::addMacrons(const ts::AttributedString& text) const {
    Marking marking(text.string());
    markText(marking, 0);

    // One pass over the original's runs: its attributes without any
    // background, the background of each stretch of one colour laid over them.
    auto result = std::make_shared<ts::AttributedString>();
    const QString& chars = marking.text;
    qsizetype pos = 0;
    for (const ts::AttributedString::Run& run : text.runs()) {
        ts::Attributes base = run.attributes;
        base.erase(ts::AttributeName::BackgroundColor);
        const qsizetype end = pos + run.length;
        while (pos < end) {
            const quint8 c = marking.colours[size_t(pos)];
            qsizetype stop = pos + 1;
            while (stop < end && marking.colours[size_t(stop)] == c) ++stop;
            if (c == NoColour) {
                result->append(chars.mid(pos, stop - pos), base);
            } else {
                ts::Attributes withColour = base;
                withColour[ts::AttributeName::BackgroundColor] = colourValue(c);
                result->append(chars.mid(pos, stop - pos), withColour);
            }
            pos = stop;
        }
    }
    return result;
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
        std::vector<ts::AttributedStringPtr> results;
        results.reserve(texts.size());
        for (const ts::AttributedStringPtr& text : texts)
            results.push_back(dictionary->addMacrons(text ? *text : ts::AttributedString()));
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
        result->append(piece, run.attributes);
        pos += run.length;
    }
    return result;
}
