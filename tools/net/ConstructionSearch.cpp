#include "tools/net/ConstructionSearch.h"

#include "app/logging/LGLog.h"
#include "foundation/StringExtensions.h"
#include "foundation/TSPageRipper.h"
#include "morphology/TSWordFormDictionary.h"
#include "platform/Font.h"

#include <QTextBoundaryFinder>

#include <algorithm>

void TSConstructionResult::addChild(const TSConstructionResultPtr& child) {
    if (!child) return;
    child->parent_ = std::static_pointer_cast<TSConstructionResult>(shared_from_this());
    children_.push_back(child);
}

bool TSConstructionResult::removeChild(const TSConstructionResult* child) {
    const auto it = std::find_if(children_.begin(), children_.end(),
                                 [child](const TSConstructionResultPtr& c) { return c.get() == child; });
    if (it == children_.end()) return false;
    children_.erase(it);
    return true;
}

namespace {

struct WordRange {
    QString word;
    qsizetype location;
    qsizetype length;
};

// The words of a text, by the Unicode word boundaries.
std::vector<WordRange> wordsOf(const QString& text) {
    std::vector<WordRange> words;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    qsizetype start = 0;
    while (finder.toNextBoundary() != -1) {
        const qsizetype end = finder.position();
        if (end > start && text.at(start).isLetterOrNumber()) words.push_back({text.mid(start, end - start), start, end - start});
        start = end;
    }
    return words;
}

// The span around [location, location+length) bounded by characters of the
// set: {start, last}, last included.
std::pair<qsizetype, qsizetype> spanAround(const QString& text, qsizetype location, qsizetype length,
                                           const std::function<bool(QChar)>& boundary) {
    qsizetype start = 0;
    for (qsizetype i = location; i >= 0; --i) {
        if (boundary(text.at(i))) {
            start = i + 1;
            break;
        }
    }
    qsizetype last = text.size() - 1;
    for (qsizetype i = location + length; i < text.size(); ++i) {
        if (boundary(text.at(i))) {
            last = i;
            break;
        }
    }
    return {start, last};
}

bool isPunctuation(QChar c) {
    static const StringExtensions::CharacterSet set = StringExtensions::CharacterSet::punctuation();
    return set.contains(c.unicode());
}

bool isSentenceEnd(QChar c) { return c == QLatin1Char('.') || c == QLatin1Char('!') || c == QLatin1Char('?'); }

// Whether a character of the text ends a sentence. The folding spells many
// characters out with a full stop in them: numbers with their stop ("⒈"),
// abbreviations ("㏂"), leaders and ellipses ("․", "…", "︰"). None ends a
// sentence; a full stop ends one only as itself or in another width ("．",
// "﹒"), while question and exclamation marks do in any form ("？", "‼").
bool endsSentence(char32_t c) {
    if (c < 0x80) return isSentenceEnd(QChar(char16_t(c)));
    const QString parts = QChar::decomposition(c);
    switch (QChar::decompositionTag(c)) {
    case QChar::Wide:
    case QChar::Small:
    case QChar::Vertical:
        return parts.size() == 1 && endsSentence(parts.at(0).unicode());
    case QChar::Compat:
        return !parts.isEmpty() && std::all_of(parts.begin(), parts.end(), [](QChar p) {
            return p == QLatin1Char('!') || p == QLatin1Char('?');
        });
    default:
        return false;
    }
}

bool isMark(char32_t c) {
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
           category == QChar::Mark_Enclosing;
}

// A character the ASCII folding has no one character for: its compatibility
// characters when they are ASCII ("ﬁ", mathematical letters, "‼"), the Latin
// ligatures spelt out, and otherwise the character itself, so that a Greek
// or Hebrew letter stays a letter and a sign stays a sign.
QString unfoldedCharacter(const QString& lower) {
    QString plain;
    const QString decomposed = lower.normalized(QString::NormalizationForm_KD);
    bool ascii = true;
    for (qsizetype i = 0; i < decomposed.size(); ++i) {
        const char32_t c = decomposed.at(i).isHighSurrogate() && i + 1 < decomposed.size()
                               ? QChar::surrogateToUcs4(decomposed.at(i), decomposed.at(i + 1))
                               : decomposed.at(i).unicode();
        const qsizetype width = c > 0xFFFF ? 2 : 1;
        if (!isMark(c)) {
            ascii = ascii && c < 0x80;
            plain += decomposed.mid(i, width);
        }
        i += width - 1;
    }
    if (ascii && !plain.isEmpty()) return plain.toLower();
    if (lower == QStringLiteral("\u00E6")) return QStringLiteral("ae");
    if (lower == QStringLiteral("\u0153")) return QStringLiteral("oe");
    return lower;
}

// One character of the text, lower case and without its diacritics; empty
// for a combining mark. Only what folds to a real stop becomes one: the
// folding writes "?" for every character it cannot map.
QString foldedCharacter(QStringView character) {
    const QChar first = character.at(0);
    if (character.size() == 1 && first.unicode() < 0x80) return QString(first.toLower());
    // Half a pair is no character at all, and no stop either.
    if (character.size() == 1 && first.isSurrogate()) return QString(QChar(QChar::ReplacementCharacter));
    const char32_t code = character.size() == 2 ? QChar::surrogateToUcs4(first, character.at(1)) : first.unicode();
    if (isMark(code)) return QString();
    const QString lower = character.toString().toLower();
    if (character.size() == 2) return unfoldedCharacter(lower);
    // Lower-casing may add a mark ("İ" gives "i" and a dot above).
    QString out;
    for (const QChar c : lower) {
        if (isMark(c.unicode())) continue;
        const QString folded = StringExtensions::stripDiacritics(QString(c));
        const bool unmapped = folded == QLatin1String("?") &&
                              !QString(c).normalized(QString::NormalizationForm_KD).contains(QLatin1Char('?'));
        out += unmapped ? unfoldedCharacter(QString(c)) : folded;
    }
    return out;
}

void appendUnlessRepeated(ConstructionSearch::Sentences& results, ts::AttributedStringPtr sentence) {
    if (!results.empty() && results.back()->string() == sentence->string()) return;
    results.push_back(std::move(sentence));
}

struct Clause {
    QString text;
    ts::TextRange sentence;
    ts::TextRange clause;
};

Clause clauseAround(const QString& cleaned, const WordRange& word, bool includeSentenceEnd) {
    const auto [cs, cl] = spanAround(cleaned, word.location, word.length, isPunctuation);
    const auto [ss, sl] = spanAround(cleaned, word.location, word.length, isSentenceEnd);
    Clause c;
    c.text = cleaned.mid(cs, cl - cs + 1);
    c.clause = {cs, cl - cs + 1};
    // A text that ends without a stop ends its last sentence with a letter,
    // which stays.
    const bool stop = sl >= 0 && sl < cleaned.size() && isSentenceEnd(cleaned.at(sl));
    c.sentence = {ss, includeSentenceEnd || !stop ? sl - ss + 1 : sl - ss};
    return c;
}

bool verbMatches(const QString& word, const std::function<bool(int person, int tense, int mood)>& test) {
    for (const TSWordFormDataPtr& form : TSWordFormDictionary::wordForms(word)) {
        if (!form || form->wordType() != 2) continue;
        int person = 0, tense = 0, mood = 0;
        bool singular = false, active = false;
        if (!form->verbPerson(&person, &singular, &tense, &mood, &active)) continue;
        if (test(person, tense, mood)) return true;
    }
    return false;
}

void evaluateClause(const Clause& c, const QString& trigger, const QString& original, int tense,
                    ConstructionSearch::Sentences& results) {
    bool after = false;
    for (const WordRange& w : wordsOf(c.text)) {
        if (!after) {
            if (ConstructionSearch::subjIgnoreSet().contains(w.word)) return;
            if (w.word == trigger) after = true;
            continue;
        }
        if (ConstructionSearch::subjPostIgnoreSet().contains(w.word)) return;
        if (verbMatches(w.word, [tense](int p, int t, int m) { return m == 2 && t == tense && p == 2; })) {
            appendUnlessRepeated(results, ConstructionSearch::sentenceString(original, c.sentence, c.clause));
            return;
        }
    }
}

void evaluateClauseForNolo(const Clause& c, const QString& trigger, const QString& original, int mood,
                           ConstructionSearch::Sentences& results) {
    bool after = false;
    for (const WordRange& w : wordsOf(c.text)) {
        if (!after) {
            if (w.word == trigger) after = true;
            continue;
        }
        if (verbMatches(w.word, [mood](int, int, int m) { return m == mood; })) {
            appendUnlessRepeated(results, ConstructionSearch::sentenceString(original, c.sentence, c.clause));
            return;
        }
    }
}

void evaluateClauseForImperatives(const Clause& c, const QString& trigger, const QString& original,
                                  ConstructionSearch::Sentences& results) {
    const std::vector<WordRange> words = wordsOf(c.text);
    const auto it = std::find_if(words.begin(), words.end(), [&](const WordRange& w) { return w.word == trigger; });
    if (it == words.end() || it + 1 == words.end()) return;
    const QString& verb = (it + 1)->word;
    if (!verbMatches(verb, [](int, int, int m) { return m == 3; })) return;
    if (it + 2 != words.end() && (it + 2)->word == QLatin1String("quidem")) return;
    if (ConstructionSearch::imperativeIgnoreSet().contains(verb)) return;
    appendUnlessRepeated(results, ConstructionSearch::sentenceString(original, c.sentence, c.clause));
}

// The range of the original text that a range of the cleaned text came from.
ts::TextRange originalRange(const ConstructionSearch::Cleaned& cleaned, ts::TextRange range) {
    const qsizetype size = cleaned.text.size();
    const qsizetype start = std::clamp<qsizetype>(range.location, 0, size);
    const qsizetype end = std::clamp<qsizetype>(range.end(), start, size);
    if (size == 0) return {0, 0};
    const qsizetype from = start < size ? cleaned.starts[size_t(start)] : cleaned.ends[size_t(size - 1)];
    const qsizetype to = end > start ? cleaned.ends[size_t(end - 1)] : from;
    return {from, to - from};
}

// The clause with its ranges in the original text; its words stay cleaned.
Clause mapped(Clause c, const ConstructionSearch::Cleaned& cleaned) {
    c.sentence = originalRange(cleaned, c.sentence);
    c.clause = originalRange(cleaned, c.clause);
    return c;
}

ConstructionSearch::Sentences evaluateContents(const QString& original, const ConstructionSearch::Cleaned& cleanedText,
                                               int tense, int mood) {
    const QString& cleaned = cleanedText.text;
    ConstructionSearch::Sentences results;
    for (const WordRange& w : wordsOf(cleaned)) {
        if (mood == 4) {
            if (w.word != QLatin1String("noli") && w.word != QLatin1String("nolite")) continue;
            const Clause c = mapped(clauseAround(cleaned, w, false), cleanedText);
            evaluateClauseForNolo(c, QStringLiteral("noli"), original, mood, results);
            evaluateClauseForNolo(c, QStringLiteral("nolite"), original, mood, results);
        } else if (w.word == QLatin1String("ne")) {
            const Clause c = mapped(clauseAround(cleaned, w, true), cleanedText);
            if (mood == 10) evaluateClauseForImperatives(c, w.word, original, results);
            else evaluateClause(c, w.word, original, tense, results);
        }
    }
    return results;
}

}  // namespace

const QSet<QString>& ConstructionSearch::subjIgnoreSet() {
    static const QSet<QString> set;
    return set;
}
const QSet<QString>& ConstructionSearch::subjPostIgnoreSet() {
    static const QSet<QString> set;
    return set;
}
const QSet<QString>& ConstructionSearch::imperativeIgnoreSet() {
    static const QSet<QString> set;
    return set;
}

ConstructionSearch::Cleaned ConstructionSearch::cleaned(const QString& text) {
    // Character by character, so that every unit of the cleaned text knows
    // the characters it came from, whatever lower-casing or folding did to
    // the length ("İ" lower-cases to two units, "…" stays one).
    Cleaned out;
    out.text.reserve(text.size());
    out.starts.reserve(size_t(text.size()));
    out.ends.reserve(size_t(text.size()));
    qsizetype marksBefore = -1;  // where marks with no letter before them began
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype width = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
        QString piece = foldedCharacter(QStringView(text).mid(i, width));
        const char32_t code = width == 2 ? QChar::surrogateToUcs4(text.at(i), text.at(i + 1)) : text.at(i).unicode();
        const bool stop = endsSentence(code);
        for (QChar& p : piece) {
            if (p == QLatin1Char('v')) p = QLatin1Char('u');
            else if (p == QLatin1Char('j')) p = QLatin1Char('i');
            // Still a pause between clauses, but no end of a sentence.
            else if (!stop && isSentenceEnd(p)) p = QLatin1Char(',');
        }
        if (piece.isEmpty()) {
            // A mark belongs to its letter: the sentence that shows the
            // letter shows the mark too.
            if (!out.ends.empty()) out.ends.back() = i + width;
            else if (marksBefore < 0) marksBefore = i;
        }
        out.text += piece;
        for (qsizetype k = 0; k < piece.size(); ++k) {
            out.starts.push_back(marksBefore >= 0 ? marksBefore : i);
            out.ends.push_back(i + width);
            marksBefore = -1;
        }
        i += width;
    }
    return out;
}

ConstructionSearch::Found ConstructionSearch::searchForConstruction(const QString& text) {
    const Cleaned cleaned = ConstructionSearch::cleaned(text);
    Found found;
    found[QStringLiteral("Present")] = evaluateContents(text, cleaned, 1, 2);
    found[QStringLiteral("Perfect")] = evaluateContents(text, cleaned, 4, 2);
    found[QStringLiteral("Imperative")] = evaluateContents(text, cleaned, 0, 10);
    found[QStringLiteral("Infinitive")] = evaluateContents(text, cleaned, 0, 4);
    return found;
}

const ts::Attributes& ConstructionSearch::baseAttributes() {
    static const ts::Attributes attributes = {
        {ts::AttributeName::Font, ts::Value(std::static_pointer_cast<ts::Object>(ts::Font::make(QStringLiteral("HelveticaNeue"), 14)))}};
    return attributes;
}

const ts::Attributes& ConstructionSearch::emphasisAttributes() {
    static const ts::Attributes attributes = {
        {ts::AttributeName::Font,
         ts::Value(std::static_pointer_cast<ts::Object>(ts::Font::make(QStringLiteral("HelveticaNeue-Bold"), 16)))}};
    return attributes;
}

ts::AttributedStringPtr ConstructionSearch::sentenceString(const QString& original, ts::TextRange sentence,
                                                          ts::TextRange clause) {
    const qsizetype size = original.size();
    sentence.location = std::clamp<qsizetype>(sentence.location, 0, size);
    sentence.length = std::clamp<qsizetype>(sentence.length, 0, size - sentence.location);
    // The blank after the previous sentence's full stop is not shown.
    while (sentence.length > 0 && original.at(sentence.location).isSpace()) {
        ++sentence.location;
        --sentence.length;
    }
    auto text = ts::AttributedString::make(original.mid(sentence.location, sentence.length), baseAttributes());
    qsizetype start = std::max<qsizetype>(0, clause.location - sentence.location);
    qsizetype end = std::min<qsizetype>(clause.end() - sentence.location, sentence.length);
    if (end > start) text->setAttributes(emphasisAttributes(), {start, end - start});
    return text;
}

TSConstructionResultPtr ConstructionSearch::pageNode(const QString& title, const QStringList& texts) {
    static const char* const kGroups[][2] = {
        {"Present", "Present"}, {"Perfect", "Perfect"}, {"Imperative", "Imperative"}, {"Infinitive", "Noli + Infinitive"}};
    std::map<QString, Sentences> lists;
    for (const QString& text : texts)
        for (auto& [key, sentences] : searchForConstruction(text))
            lists[key].insert(lists[key].end(), sentences.begin(), sentences.end());
    auto page = std::make_shared<TSConstructionResult>();
    page->setName(title);
    for (const auto& group : kGroups) {
        const Sentences& sentences = lists[QLatin1String(group[0])];
        if (sentences.empty()) continue;
        auto node = std::make_shared<TSConstructionResult>();
        node->setName(QLatin1String(group[1]));
        for (const ts::AttributedStringPtr& s : sentences) {
            auto leaf = std::make_shared<TSConstructionResult>();
            leaf->setResult(s);
            node->addChild(leaf);
        }
        page->addChild(node);
    }
    return page->numChildren() ? page : nullptr;
}

bool ConstructionSearch::inScope(const QUrl& start, const QUrl& link) {
    if (link.scheme().compare(start.scheme(), Qt::CaseInsensitive) != 0) return false;
    if (link.host().compare(start.host(), Qt::CaseInsensitive) != 0 || link.port(-1) != start.port(-1)) return false;
    const QString startPath = start.path();
    const QString folder = startPath.left(startPath.lastIndexOf(QLatin1Char('/')) + 1);
    const QString path = QUrl(link).adjusted(QUrl::NormalizePathSegments).path();
    return path.startsWith(folder.isEmpty() ? QStringLiteral("/") : folder);
}

int ConstructionSearch::crawl(const QUrl& start, const CrawlOptions& options, const std::atomic_bool& cancel,
                              const CrawlCallbacks& callbacks) {
    const QUrl origin = start.adjusted(QUrl::RemoveFragment);
    QSet<QString> read;
    std::vector<QUrl> pending{origin};
    int pages = 0;
    while (!pending.empty() && pages < options.pageLimit && !cancel.load()) {
        const QUrl url = pending.back();
        pending.pop_back();
        const QString key = url.adjusted(QUrl::RemoveFragment | QUrl::NormalizePathSegments).toString();
        if (read.contains(key)) continue;
        read.insert(key);
        if (callbacks.progress) callbacks.progress(url);
        ts::TSPageRipper ripper;
        const ts::ValueDictionary page = ripper.parsePageAtURL(url);
        if (cancel.load()) break;
        const auto error = page.find(QStringLiteral("error"));
        if (error != page.end()) {
            TSLogError("The page %@ could not be read: %@", url.toString(), error->second.toString());
            if (callbacks.failed) callbacks.failed(url, error->second.toString());
            continue;
        }
        ++pages;
        const auto text = page.find(QStringLiteral("text"));
        const auto title = page.find(QStringLiteral("title"));
        if (title == page.end()) {
            TSLogError("No page title");
        } else if (text != page.end()) {
            QStringList texts;
            for (const ts::Value& v : text->second.array()) texts.append(v.toString());
            if (TSConstructionResultPtr node = pageNode(title->second.toString(), texts))
                if (callbacks.found) callbacks.found(node);
        }
        const auto links = page.find(QStringLiteral("links"));
        if (links == page.end()) continue;
        // Pushed last-first, so the first link is read first, as a
        // depth-first walk reads them.
        const ts::ValueArray& list = links->second.array();
        for (auto it = list.rbegin(); it != list.rend(); ++it) {
            const QUrl link = QUrl(it->toString()).adjusted(QUrl::RemoveFragment);
            if (!link.isValid() || !inScope(origin, link)) continue;
            const QString linkKey = link.adjusted(QUrl::NormalizePathSegments).toString();
            if (!read.contains(linkKey)) pending.push_back(link);
        }
    }
    return pages;
}
