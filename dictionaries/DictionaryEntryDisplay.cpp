// How a dictionary entry shows in an outline: fonts by type, the rendered
// entry with its grammatical suffix, age note and cross-references, the
// column values and the sorting of children.

#include "dictionaries/DictionaryEntry.h"

#include "platform/Format.h"
#include "platform/ParagraphStyle.h"

#include <algorithm>

namespace {

// The platform's standard fonts by role. The label and system fonts share
// the interface face; the user font is the default face for user text.
const QString kInterfaceFace = QStringLiteral("LucidaGrande");
const QString kUserFace = QStringLiteral("Helvetica");

ts::FontPtr userFont(double size) { return ts::Font::make(kUserFace, size); }
ts::FontPtr labelFont(double size) { return ts::Font::make(kInterfaceFace, size); }

ts::Attributes fontAttributes(const ts::FontPtr& font) {
    ts::Attributes a;
    if (font) a[ts::AttributeName::Font] = ts::Value(font);
    return a;
}

ts::FontPtr withTraits(const ts::FontPtr& font, bool bold, bool italic) {
    return (font ? font : ts::Font::defaultFont())->withTraits(bold, italic);
}

const QRegularExpression& referencePattern() {
    static const QRegularExpression re(QStringLiteral("<(.*?)>"),
                                       QRegularExpression::CaseInsensitiveOption
                                           | QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

}  // namespace

// ---- Fonts ----

// The interface has no font database below the window layer, so the named
// faces are always taken; the window layer substitutes a missing face.
ts::FontPtr DictionaryEntry::getNoteFont() {
    static const ts::FontPtr f = ts::Font::make(QStringLiteral("Helvetica"), 10);
    return f;
}

ts::FontPtr DictionaryEntry::getBaseFont() {
    static const ts::FontPtr f = ts::Font::make(QStringLiteral("Palatino-Roman"), 12);
    return f;
}

ts::FontPtr DictionaryEntry::getWordFormFont() {
    static const ts::FontPtr f = userFont(14);
    return f;
}

ts::FontPtr DictionaryEntry::getEtymologyFont() {
    static const ts::FontPtr f = userFont(10);
    return f;
}

ts::FontPtr DictionaryEntry::getRootFont() {
    static const ts::FontPtr f = withTraits(labelFont(10), true, false);
    return f;
}

ts::FontPtr DictionaryEntry::getDataFont() {
    static const ts::FontPtr f = withTraits(userFont(10), true, false);
    return f;
}

ts::FontPtr DictionaryEntry::getUninitialisedFont() {
    static const ts::FontPtr f = withTraits(labelFont(14), false, true);
    return f;
}

ts::FontPtr DictionaryEntry::getWordFormSampleFont() {
    static const ts::FontPtr f = withTraits(labelFont(15), false, true);
    return f;
}

ts::FontPtr DictionaryEntry::font() {
    if (font_) return font_;
    const int t = type();
    switch (t) {
    case Noun: case Verb: case Adverb: case Conjunction: case Preposition: case Pronoun: case Interjection:
    case Numeral: case Abbreviation: case Participle: case Misspelling: case Redirect: case Particle:
    case Enclitic: case AdverbialPhrase: case Letter: case ParticipialAdjective: case AdverbAndPreposition:
    case AdjectiveAndAdverb: case Unclear: case Synonym: case Antonym:
        font_ = getWordFormFont();
        break;
    case Adjective:
        font_ = getWordFormFont();
        setAdjectivalDecension();
        break;
    case Root: font_ = getRootFont(); break;
    case Meaning: case Example: case Citation: font_ = getBaseFont(); break;
    case WordData: case WordModification: font_ = getDataFont(); break;
    case Etymology: font_ = getEtymologyFont(); break;
    case Note: font_ = getNoteFont(); break;
    case WordFormSample: font_ = getWordFormSampleFont(); break;
    default: font_ = getUninitialisedFont(); break;
    }
    return font_;
}

void DictionaryEntry::setAdjectivalDecension() {
    if (conjugation() != 0) return;
    const QString text = entry();
    if (text.isNull()) return;
    // Split at every white-space character, so that runs of blanks give empty
    // parts as the stored text has them.
    static const QRegularExpression blank(QStringLiteral("\\s"), QRegularExpression::UseUnicodePropertiesOption);
    const QStringList split = text.split(blank);
    if (split.size() < 2) return;
    const QString second = split.at(1);
    if (second.isEmpty()) return;
    setConjugation(second.endsWith(QLatin1Char('a')) ? 2 : 3);
}

// ---- Texts and column values ----

QString DictionaryEntry::typeName() const {
    const int t = type();
    switch (t) {
    case Meaning: {
        const QString label = paragraphNumber();
        return label.isNull() ? QStringLiteral("") : label;
    }
    case Root: case WordData: case WordModification: case Example: case Etymology: case Note: case Redirect:
    case Citation: case Unclear:
        return QStringLiteral("");
    case Packon: case WordFormSample:
        return localized(QStringLiteral("Unknown type"));
    default:
        if (t >= 0 && t <= Antonym) return nameOfType(t);
        return localized(QStringLiteral("Unknown type"));
    }
}

ts::Value DictionaryEntry::objectForKey(const QString& key) {
    if (key == kType) {
        const int t = type();
        if (t == Meaning || t == Synonym) return ts::Value(formattedType(typeName()));
        if (hasHiddenEntries()) return ts::Value(indicateHiddenEntries(typeName()));
        return typeName();
    }
    if (key == kFreq) return attribute(kFreq);
    if (key == kEntry) {
        auto s = stringForEntry(key);
        return s ? ts::Value(s) : ts::Value();
    }
    return attribute(key);
}

ts::AttributedStringPtr DictionaryEntry::stringForEntry(const QString& key) {
    const ts::Value stored = attribute(key);
    if (!stored.isString()) return nullptr;
    QString text = stored.toString();
    switch (type()) {
    case Noun: {
        const QString g = stringAttribute(kGender);
        if (!g.isNull()) text += ts::format("(%@)", localized(g));
        text += getConjugationName();
        break;
    }
    case Verb: {
        // Irregular verbs (sum, ferō) have no conjugation to name.
        if (const QString name = getConjugationName(); !name.isEmpty()) text += ts::format("(%@)", name);
        const int ti = transIntrans();
        const char* key = ti == 1 ? "TRANS" : ti == 2 ? "INTRANS" : ti == 3 ? "TRANSINTRANS" : nullptr;
        if (key) text += ts::format(" %@", localized(QLatin1String(key)));
        break;
    }
    case Preposition: case AdverbAndPreposition: {
        const QString c = stringAttribute(kCase);
        if (!c.isNull()) {
            // Stored untranslated; older files hold the translated name.
            const bool insep = c == QLatin1String("insep") || c == localized(QStringLiteral("insep"));
            text += insep ? ts::format(" (%@)", localized(c)) : ts::format(" + %@", localized(c));
        }
        break;
    }
    default:
        break;
    }
    const QString age = ageName(getAge());
    if (age.isEmpty()) {
        ts::AttributedStringPtr rendered = formattedStringWithFont(font(), text);
        return rendered ? replaceReferences(*rendered) : nullptr;
    }
    // The age note joins after the references are collapsed, which would
    // otherwise fold its four leading blanks into one.
    const ts::Attributes attributes = fontAttributes(font());
    ts::AttributedStringPtr rendered = replaceReferences(ts::AttributedString(text, attributes));
    rendered->append(QStringLiteral("    {") + age + QLatin1Char('}'), attributes);
    return rendered;
}

ts::AttributedStringPtr DictionaryEntry::formattedStringWithFont(const ts::FontPtr& font, const ts::Value& value) const {
    if (value.isObject()) {
        auto rich = value.toObjectAs<ts::AttributedString>();
        return rich;  // nothing for any other kind of object
    }
    if (!value.isString()) return nullptr;
    const QString text = value.toString();
    if (type() != Example) return ts::AttributedString::make(text, fontAttributes(font));
    auto out = ts::AttributedString::make();
    const QString prepend = prependText();
    if (!prepend.isNull()) out->append(ts::format("%@: ", prepend), fontAttributes(font));
    const QString trans = translation();
    if (!trans.isNull()) {
        out->append(text + QLatin1Char(' '), fontAttributes(withTraits(font, false, true)));
        out->append(trans, fontAttributes(font));
    } else {
        out->append(text, fontAttributes(font));
    }
    return out;
}

ts::AttributedStringPtr DictionaryEntry::formattedType(const QString& text) {
    ts::Attributes a = fontAttributes(withTraits(font(), true, false));
    a[ts::AttributeName::ParagraphStyle] = ts::Value(ts::ParagraphStyle::make(ts::ParagraphStyle::Alignment::Right));
    return ts::AttributedString::make(text, a);
}

ts::AttributedStringPtr DictionaryEntry::indicateHiddenEntries(const QString& text) {
    ts::Attributes a = fontAttributes(font());
    a[ts::AttributeName::ParagraphStyle] =
        ts::Value(ts::ParagraphStyle::make(ts::ParagraphStyle::Alignment::Justified));
    return ts::AttributedString::make(text + QStringLiteral(" \u25B8"), a);
}

ts::AttributedStringPtr DictionaryEntry::replaceReferences(const ts::AttributedString& text) const {
    auto out = std::make_shared<ts::AttributedString>(text);
    if (!displayingReferences_) {
        // Adjacent references, the words that lead into them and the
        // punctuation after them merge into one bracketed run.
        static const std::pair<const char*, const char*> merges[] = {
            {"  ", " "}, {"\r", ""}, {"\n", ""}, {">;", ">"}, {">,", ">"}, {">:", ">"}, {">cf", ">"}, {">so", ">"},
            {"cf <", "<"}, {"so <", "<"}, {"> <", ""}, {"><", ""},
        };
        for (const auto& [search, replacement] : merges)
            replaceString(QLatin1String(search), QLatin1String(replacement), *out);
    }
    const QRegularExpression& re = referencePattern();
    // Every replacement removes one ">", so the loop ends.
    for (;;) {
        const QRegularExpressionMatch m = re.match(out->string());
        if (!m.hasMatch()) break;
        const QString with = displayingReferences_ ? m.captured(1) : QStringLiteral("[ref]");
        out->replaceCharacters(ts::TextRange{m.capturedStart(0), m.capturedLength(0)}, with);
    }
    return out;
}

void DictionaryEntry::replaceString(const QString& search, const QString& replacement, ts::AttributedString& text) {
    if (search.isEmpty()) return;
    // Searching again from the start would never end when the replacement
    // holds the searched text; then every occurrence is replaced once, left
    // to right. Otherwise a replacement can only make a new occurrence that
    // overlaps it, so the search goes on from just before it.
    const bool once = replacement.contains(search);
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.string().indexOf(search, from);
        if (at < 0) break;
        text.replaceCharacters(ts::TextRange{at, search.size()}, replacement);
        from = once ? at + replacement.size() : std::max<qsizetype>(0, at - search.size() + 1);
    }
}

// ---- Sorting ----

ts::Value DictionaryEntry::sortValue(const QString& key) const {
    if (key == kFreq || key == QLatin1String("frequency")) return frequency();
    if (key == QLatin1String("entry")) return attribute(kEntry);
    if (key == QLatin1String("type")) return qint64(type());
    return attribute(key);
}

void DictionaryEntry::sortUsingDescriptors(const std::vector<SortDescriptor>& descriptors) {
    if (descriptors.empty() || children_.size() < 2) return;
    std::stable_sort(children_.begin(), children_.end(), [&](const DictionaryEntryPtr& a, const DictionaryEntryPtr& b) {
        for (const auto& d : descriptors) {
            const ts::Value va = a->sortValue(d.key), vb = b->sortValue(d.key);
            int r = d.comparator ? d.comparator(va, vb) : ts::compareValues(va, vb);
            if (!d.ascending) r = -r;
            if (r != 0) return r < 0;
        }
        return false;
    });
}

void DictionaryEntry::sortChildrenUsingDescriptors(const std::vector<SortDescriptor>& descriptors) {
    if (descriptors.empty()) return;
    for (const auto& c : children_) c->sortUsingDescriptors(descriptors);
}
