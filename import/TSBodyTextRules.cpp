// How imported text is prepared: buffers, fonts, trimming, attribute
// templates, highlighting, Greek and line-break marks.

#include "import/TSBodyElementParser.h"

#include "app/logging/LGLog.h"
#include "platform/Color.h"

#include <QRegularExpression>

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <utility>

namespace {

bool isEdgeSpace(QChar c) {
    const char16_t u = c.unicode();
    return u == ' ' || u == '\n' || u == '\t' || u == 0x1B;
}

// Whether the text (not empty) holds a control character or a blank after a
// blank, eight characters at a time where the processor allows.
bool needsCollapsing(const char16_t* p, qsizetype n) {
    qsizetype i = 1;
    unsigned found = p[0] < 0x20;
#if defined(__SSE2__)
    const __m128i blank = _mm_set1_epi16(0x20);
    __m128i any = _mm_setzero_si128();
    const auto block = [&](qsizetype at) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at - 1));
        // Non-zero where c < 0x20, unsigned.
        any = _mm_or_si128(any, _mm_subs_epu16(blank, c));
        any = _mm_or_si128(any, _mm_and_si128(_mm_cmpeq_epi16(c, blank), _mm_cmpeq_epi16(before, blank)));
    };
    for (; i + 8 <= n; i += 8) block(i);
    // The rest as one more block that overlaps the last: reading a place
    // twice changes nothing.
    if (i < n && n >= 9) {
        block(n - 8);
        i = n;
    }
    found |= unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(any, _mm_setzero_si128())) != 0xFFFF);
#endif
    for (; i < n; ++i) {
        const unsigned c = p[i], before = p[i - 1];
        found |= unsigned(c < 0x20) | (unsigned(c == 0x20) & unsigned(before == 0x20));
    }
    return found != 0;
}

// Replaces the runs the predicate finds, scanning from the end so that the
// positions still to be visited stay valid.
template <class IsRunChar>
void replaceRuns(ts::AttributedString& text, IsRunChar inRun, qsizetype minimumLength, const QString& replacement) {
    const QString s = text.string();
    qsizetype i = s.size();
    while (i > 0) {
        if (!inRun(s.at(i - 1))) {
            --i;
            continue;
        }
        const qsizetype end = i;
        while (i > 0 && inRun(s.at(i - 1))) --i;
        // A run that already is the replacement (one blank) stays as it is.
        const bool same = end - i == replacement.size() &&
                          QStringView(s).sliced(i, end - i) == QStringView(replacement);
        if (end - i >= minimumLength && !same)
            text.replaceCharacters(ts::TextRange{i, end - i}, replacement);
    }
}

ts::FontPtr fontOf(const ts::Attributes& attributes) {
    const auto it = attributes.find(ts::AttributeName::Font);
    return it == attributes.end() ? nullptr : it->second.toObjectAs<ts::Font>();
}

// The bold form of a font; the plain base and note fonts, which nearly all
// imported text uses, keep theirs so that each bold run does not make a font.
ts::FontPtr boldVariant(const ts::FontPtr& font) {
    if (!font->isBold() && !font->isItalic()) {
        static const ts::FontPtr baseBold = TSBodyElementParser::baseFont()->withTraits(true, false);
        static const ts::FontPtr noteBold = TSBodyElementParser::noteFont()->withTraits(true, false);
        if (font == TSBodyElementParser::baseFont() || font->isEqual(*TSBodyElementParser::baseFont())) return baseBold;
        if (font == TSBodyElementParser::noteFont() || font->isEqual(*TSBodyElementParser::noteFont())) return noteBold;
    }
    return font->withTraits(true, font->isItalic());
}

// The plain or note attributes with the font made bold or italic, as the
// general rule below would make them; null for any other set.
const ts::AttributeSet* formattedSet(const ts::AttributeSet& from, bool bold) {
    const bool plain = from.isSameSet(TSBodyElementParser::plainAttributes());
    if (!plain && !from.isSameSet(TSBodyElementParser::noteAttributes())) return nullptr;
    const auto with = [](const ts::AttributeSet& base, const ts::FontPtr& font) {
        ts::Attributes a = base;
        a[ts::AttributeName::Font] = ts::Value(font);
        return ts::AttributeSet(std::move(a));
    };
    static const ts::AttributeSet sets[4] = {
        with(TSBodyElementParser::plainAttributes(), boldVariant(TSBodyElementParser::baseFont())),
        with(TSBodyElementParser::plainAttributes(), TSBodyElementParser::baseItalicFont()),
        with(TSBodyElementParser::noteAttributes(), boldVariant(TSBodyElementParser::noteFont())),
        with(TSBodyElementParser::noteAttributes(), TSBodyElementParser::noteItalicFont())};
    return &sets[(plain ? 0 : 2) + (bold ? 0 : 1)];
}

}  // namespace

ts::FontPtr TSBodyElementParser::baseFont() {
    static const ts::FontPtr font = ts::Font::make(QStringLiteral("HelveticaNeue"), 16);
    return font;
}

ts::FontPtr TSBodyElementParser::noteFont() {
    static const ts::FontPtr font = ts::Font::make(QStringLiteral("HelveticaNeue"), 12);
    return font;
}

ts::FontPtr TSBodyElementParser::baseItalicFont() {
    static const ts::FontPtr font = baseFont()->withTraits(false, true);
    return font;
}

ts::FontPtr TSBodyElementParser::noteItalicFont() {
    static const ts::FontPtr font = noteFont()->withTraits(false, true);
    return font;
}

const ts::AttributeSet& TSBodyElementParser::baseAttributes() const {
    return noteDepth_ > 0 ? noteAttributes() : plainAttributes();
}

const ts::AttributeSet& TSBodyElementParser::plainAttributes() {
    static const ts::AttributeSet plain = ts::Attributes{{ts::AttributeName::Font, ts::Value(baseFont())},
                                         {ts::AttributeName::ForegroundColor, ts::Value(ts::Color::textColor())}};
    return plain;
}

const ts::AttributeSet& TSBodyElementParser::noteAttributes() {
    static const ts::AttributeSet note = ts::Attributes{{ts::AttributeName::Font, ts::Value(noteFont())},
                                        {ts::AttributeName::ForegroundColor, ts::Value(ts::Color::textColor())}};
    return note;
}

// ---------------------------------------------------------------------------
// Buffers

const ts::AttributedStringPtr& TSBodyElementParser::bufferAt(size_t index) const {
    ts::AttributedStringPtr& rich = stackStrings_[index];
    std::u16string& plain = pending_[index];
    if (!rich) rich = std::make_shared<ts::AttributedString>();
    if (!plain.empty()) {
        const ts::AttributeSet& attributes = pendingInNote_[index] ? noteAttributes() : plainAttributes();
        // Copied at its size: the text of a line stays for as long as the
        // document, and the buffer keeps its room for the next element.
        rich->appendSharing(QString(reinterpret_cast<const QChar*>(plain.data()), qsizetype(plain.size())), attributes);
        plain.clear();
    }
    return rich;
}

QString TSBodyElementParser::bufferText(size_t index) const {
    const std::u16string& plain = pending_[index];
    const QString text(reinterpret_cast<const QChar*>(plain.data()), qsizetype(plain.size()));
    const ts::AttributedStringPtr& rich = stackStrings_[index];
    return rich && rich->length() > 0 ? rich->string() + text : text;
}

void TSBodyElementParser::appendPlain(size_t index, const QString& text) {
    const char inNote = noteDepth_ > 0;
    if (!pending_[index].empty() && pendingInNote_[index] != inNote) bufferAt(index);
    pending_[index].append(reinterpret_cast<const char16_t*>(text.constData()), size_t(text.size()));
    pendingInNote_[index] = inNote;
}

void TSBodyElementParser::pushBuffer() {
    stackStrings_.emplace_back();
    // The plain buffers of the levels below stay when their elements end:
    // each level's buffer serves every element opened at that depth.
    if (pending_.size() < stackStrings_.size()) {
        pending_.emplace_back();
        pendingInNote_.push_back(0);
    }
}

void TSBodyElementParser::popBuffer() {
    stackStrings_.pop_back();
    pending_[stackStrings_.size()].clear();
}

void TSBodyElementParser::clearBuffer(size_t index, ts::AttributedStringPtr with) {
    stackStrings_[index] = std::move(with);
    pending_[index].clear();
}

ts::AttributedStringPtr TSBodyElementParser::lastStackString() const {
    return stackStrings_.empty() ? std::make_shared<ts::AttributedString>() : bufferAt(stackStrings_.size() - 1);
}

ts::AttributedStringPtr TSBodyElementParser::prevStackString() const {
    return stackStrings_.size() < 2 ? nullptr : bufferAt(stackStrings_.size() - 2);
}

void TSBodyElementParser::setLastStackString(const ts::AttributedStringPtr& text) {
    if (!text || stackStrings_.empty()) return;
    clearBuffer(stackStrings_.size() - 1, text);
}

void TSBodyElementParser::appendToStackString(const QString& text) {
    if (stackStrings_.empty() || text.isEmpty()) return;
    appendPlain(stackStrings_.size() - 1, text);
}

void TSBodyElementParser::appendToStackString(const ts::AttributedString& text) {
    if (stackStrings_.empty()) return;
    bufferAt(stackStrings_.size() - 1)->append(text);
}

void TSBodyElementParser::appendToPreviousString(const QString& text) {
    if (text.isEmpty() || stackStrings_.size() < 2) return;
    appendPlain(stackStrings_.size() - 2, text);
}

void TSBodyElementParser::appendToPreviousString(const ts::AttributedString& text) {
    if (stackStrings_.size() < 2) return;
    bufferAt(stackStrings_.size() - 2)->append(text);
}

// ---------------------------------------------------------------------------
// Preparation

QString TSBodyElementParser::trimGarbage(const QString& string) {
    qsizetype b = 0, e = string.size();
    auto garbage = [](QChar c) { return c == u' ' || c == u'\n' || c == u'\t'; };
    while (b < e && garbage(string.at(b))) ++b;
    while (e > b && garbage(string.at(e - 1))) --e;
    return string.mid(b, e - b);
}

ts::AttributedStringPtr TSBodyElementParser::trimmedAttributedString(const TSImportElement* setting) const {
    return trimAttributedString(*lastStackString(), setting);
}

ts::AttributedStringPtr TSBodyElementParser::trimAttributedString(const ts::AttributedString& text,
                                                                  const TSImportElement* setting) const {
    auto out = std::make_shared<ts::AttributedString>(text);
    prepareInPlace(*out, setting);
    return out;
}

void TSBodyElementParser::prepareInPlace(ts::AttributedString& s, const TSImportElement* setting) const {
    if (s.runs().size() == 1) {
        // Text in one set of attributes, as nearly all is: trimmed and
        // collapsed in one pass into one new string (none when it is ready
        // as it is), which keeps the run's set.
        const QString& str = s.string();
        const char16_t* p = reinterpret_cast<const char16_t*>(str.constData());
        const qsizetype n = str.size();
        qsizetype b = 0;
        while (b < n && isEdgeSpace(p[b])) ++b;
        QString made;
        bool changed = true;
        if (b < n && needsCollapsing(p + b, n - b)) {
            // Written through a pointer: the text never grows.
            made.resize(n - b);
            char16_t* const first = reinterpret_cast<char16_t*>(made.data());
            char16_t* out = first;
            bool blank = false;
            for (qsizetype i = b; i < n; ++i) {
                const char16_t c = p[i];
                if (c == u'\x1b') continue;
                if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
                    blank = true;
                    continue;
                }
                if (blank) *out++ = u' ';
                blank = false;
                *out++ = c;
            }
            // A blank at the end is trimmed, as every edge space is.
            made.truncate(out - first);
        } else {
            qsizetype e = n;
            while (e > b && isEdgeSpace(p[e - 1])) --e;
            changed = b > 0 || e < n;
            if (changed) made = str.mid(b, e - b);
        }
        if (changed) {
            const ts::AttributeSet attributes = s.runs().front().attributes;
            ts::AttributedString text;
            text.appendSharing(std::move(made), attributes);
            s = std::move(text);
        }
    } else {
        {
            const QString& str = s.string();
            qsizetype b = 0;
            while (b < str.size() && isEdgeSpace(str.at(b))) ++b;
            if (b > 0) s.deleteCharacters(ts::TextRange{0, b});
        }
        // One pass decides whether any run needs collapsing: a tab, a line
        // break, an escape or two blanks in a row. It has no branch per
        // character, so it takes any control character (XML text holds no
        // others): those would only take the longer way to the same text.
        if (s.length() > 0 && needsCollapsing(reinterpret_cast<const char16_t*>(s.string().constData()), s.length())) {
            replaceRuns(s, [](QChar c) { return c == u'\t'; }, 1, QStringLiteral(" "));
            replaceRuns(s, [](QChar c) { return c == u'\x1b'; }, 1, QString());
            // A line break in the source is white space between words: the
            // break and the blanks around it become one blank.
            replaceRuns(s, [](QChar c) { return c == u' ' || c == u'\n' || c == u'\r'; }, 1, QStringLiteral(" "));
        }
        const QString& str = s.string();
        qsizetype e = str.size();
        while (e > 0 && isEdgeSpace(str.at(e - 1))) --e;
        if (e < str.size()) s.deleteCharacters(ts::TextRange{e, str.size() - e});
    }
    if (!setting) return;

    if (!setting->insertString().isNull()) {
        const ts::Attributes a = s.length() > 0 ? s.attributes(s.length() - 1) : ts::Attributes();
        s.append(insertTags(setting->insertString()), a);
    }
    if (!setting->prependString().isNull()) {
        const ts::Attributes a = s.length() > 0 ? s.attributes(0) : ts::Attributes();
        s.insert(ts::AttributedString(insertTags(setting->prependString()), a), 0);
    }
    const qint64 format = setting->formatType();
    if ((format == TSImportElement::FormatBold || format == TSImportElement::FormatItalic) && s.length() > 0 &&
        s.runs().size() == 1) {
        // Text in the plain or note attributes, as nearly all is, takes a
        // set made once: a set per formatted text would outweigh its words.
        if (const ts::AttributeSet* set = formattedSet(s.runs().front().attributes, format == TSImportElement::FormatBold)) {
            s.setAttributesSharing(*set, ts::TextRange{0, s.length()});
            return;
        }
    }
    if ((format == TSImportElement::FormatBold || format == TSImportElement::FormatItalic) && s.length() > 0) {
        std::vector<std::pair<ts::TextRange, ts::FontPtr>> changes;
        s.enumerateAttributes(ts::TextRange{0, s.length()}, [&](const ts::Attributes& a, ts::TextRange r) {
            const ts::FontPtr font = fontOf(a);
            if (!font) return true;
            ts::FontPtr changed;
            if (format == TSImportElement::FormatBold)
                changed = boldVariant(font);
            else if (font->isEqual(*baseFont()))
                changed = baseItalicFont();
            else if (font->isEqual(*noteFont()))
                changed = noteItalicFont();
            else
                changed = font->withTraits(font->isBold(), true);
            changes.emplace_back(r, changed);
            return true;
        });
        for (const auto& [range, font] : changes) s.addAttribute(ts::AttributeName::Font, ts::Value(font), range);
    }
}

QString TSBodyElementParser::insertTags(const QString& templateString) const {
    if (!templateString.contains(QLatin1Char('{'))) return templateString;
    static const QRegularExpression tag(QStringLiteral("\\{(.*?)\\}"), QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype last = 0;
    auto it = tag.globalMatch(templateString);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        out += templateString.mid(last, m.capturedStart() - last);
        const QString value = currentAttribute(m.captured(1));
        if (!value.isNull()) out += value;
        last = m.capturedEnd();
    }
    out += templateString.mid(last);
    return out;
}

// ---------------------------------------------------------------------------
// Highlighting and languages

void TSBodyElementParser::handleHighlight() {
    if (stackStrings_.empty()) return;
    ts::AttributedString& buffer = *lastStackString();
    const QString rend = currentAttribute(QStringLiteral("rend"));
    const ts::FontPtr base = fontOf(baseAttributes());
    const ts::TextRange all{0, buffer.length()};
    // The library writes italics both ways.
    if (rend == QLatin1String("italics") || rend == QLatin1String("ital")) {
        buffer.setAttributes({{ts::AttributeName::Font, ts::Value(base->withTraits(base->isBold(), true))}}, all);
    } else if (rend == QLatin1String("super")) {
        buffer.setAttributes({{ts::AttributeName::Font, ts::Value(base->withSize(base->pointSize() * 0.8))},
                              {ts::AttributeName::SuperScript, ts::Value(1)}},
                             all);
    } else if (rend == QLatin1String("caps")) {
        std::vector<std::pair<ts::TextRange, ts::Attributes>> runs;
        buffer.enumerateAttributes(all, [&](const ts::Attributes& a, ts::TextRange r) {
            runs.emplace_back(r, a);
            return true;
        });
        ts::AttributedString upper;
        for (const auto& [r, a] : runs) upper.append(buffer.string().mid(r.location, r.length).toUpper(), a);
        buffer = upper;
    } else if (rend == QLatin1String("overline")) {
        std::vector<std::pair<ts::TextRange, ts::Attributes>> runs;
        buffer.enumerateAttributes(all, [&](const ts::Attributes& a, ts::TextRange r) {
            runs.emplace_back(r, a);
            return true;
        });
        ts::AttributedString marked;
        for (const auto& [r, a] : runs) {
            QString piece;
            for (QChar c : buffer.string().mid(r.location, r.length)) {
                piece += c;
                piece += QChar(0x0305);
            }
            marked.append(piece, a);
        }
        buffer = marked;
    } else {
        TSLogError("rend not handled %@", rend);
    }
}

void TSBodyElementParser::convertForeignStrings() {
    const QString lang = currentAttribute(QStringLiteral("lang"));
    if (lang.isNull() || stackStrings_.empty()) return;
    if (lang == QLatin1String("greek")) {
        const QString greek = ts::RKXMLFileParser::convertBetacode(lastStackString()->string());
        auto text = std::make_shared<ts::AttributedString>();
        text->appendSharing(greek, baseAttributes());
        setLastStackString(std::move(text));
        return;
    }
    static const QSet<QString> known = {QStringLiteral("latin"), QStringLiteral("la"), QStringLiteral("en"),
                                        QStringLiteral("fr"), QStringLiteral("de")};
    if (!known.contains(lang)) TSLogError("lang not handled %@", lang);
}

// ---------------------------------------------------------------------------
// Line breaks

bool TSBodyElementParser::holdsBreakMark(const QString& text) {
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype n = text.size();
    qsizetype i = 0;
    unsigned found = 0;
#if defined(__SSE2__)
    const __m128i bar = _mm_set1_epi16(u'|'), arrow = _mm_set1_epi16(short(0x2B90));
    __m128i any = _mm_setzero_si128();
    const auto block = [&](qsizetype at) {
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
        any = _mm_or_si128(any, _mm_or_si128(_mm_cmpeq_epi16(c, bar), _mm_cmpeq_epi16(c, arrow)));
    };
    for (; i + 8 <= n; i += 8) block(i);
    // The rest as one more block that overlaps the last.
    if (i < n && n >= 8) {
        block(n - 8);
        i = n;
    }
    found = unsigned(_mm_movemask_epi8(any));
#endif
    for (; i < n; ++i) found |= unsigned(p[i] == u'|') | unsigned(p[i] == 0x2B90);
    return found != 0;
}

void TSBodyElementParser::setCurTextChunk(const TSMatchedChunkPtr& chunk) {
    if (curTextChunk_ == chunk) return;
    const TSMatchedChunkPtr old = std::exchange(curTextChunk_, chunk);
    curTextPlacedKnown_ = false;
    // Only text that may hold a mark is read back and searched.
    const bool marks = curTextMarks_;
    curTextStored_ = curTextMarks_ = false;
    if (old && marks) {
        const QString key = curIdentifier();
        ts::AttributedStringPtr field = old->textForKey(key);
        if (field && holdsBreakMark(field->string())) {
            auto broken = std::make_shared<ts::AttributedString>(*field);
            for (QChar mark : {QChar(0x2B90), QChar(u'|')}) {
                for (qsizetype i = broken->string().size(); i-- > 0;)
                    if (broken->string().at(i) == mark) broken->replaceCharacters(ts::TextRange{i, 1}, QStringLiteral("\n"));
            }
            old->setTextForKey(broken, key);
        }
    }
}
