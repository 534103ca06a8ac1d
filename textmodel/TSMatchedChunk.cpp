#include "TSMatchedChunk.h"

#include "TSTextHelpers.h"

#include "app/logging/LGLog.h"
#include "foundation/ColorExtensions.h"
#include "foundation/StringExtensions.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Format.h"
#include "platform/Rtf.h"

namespace {

const QString kEnglish = QStringLiteral("English");
const QString kLatin = QStringLiteral("Latin");
const QString kPerseusEnglish = QStringLiteral("Perseus English");
const QString kLocation = QStringLiteral("Location");
const QString kPdfLocation = QStringLiteral("pdfLocation");

QString plain(const ts::AttributedStringPtr& s) { return s ? s->string() : QString(); }

}  // namespace

const ts::Value& TSMatchedChunk::pdfLocation() const { return rareValue(); }

void TSMatchedChunk::setPdfLocation(const ts::Value& location) { setRareValue(location); }

bool TSMatchedChunk::hasUnreadableText() const {
    for (const TSRichTextField* f : {&english_, &perseusEnglish_, &latin_, &location_}) {
        if (f->isUnreadable()) return true;
    }
    return false;
}

QStringList TSMatchedChunk::keptLinkTargetsForKey(const QString& key) const {
    const TSRichTextField* f = fieldForKey(key);
    if (!f) return {};
    const QString fileKey = f == &latin_ ? kLatin : f == &english_ ? kEnglish : f == &perseusEnglish_ ? kPerseusEnglish : kLocation;
    return f->keptLinkTargets(fileKey, this);
}

QString TSMatchedChunk::chunkName() const {
    if (auto l = latin()) return l->string();
    if (auto e = english()) return e->string();
    if (auto p = perseusEnglish()) return p->string();
    return TSChunk::chunkName();
}

qint64 TSMatchedChunk::tln() const {
    if (numChildren() > 0) return TSNotFound;
    auto loc = location();
    if (!loc || loc->length() == 0) return TSNotFound;
    return TSTextHelpers::integerValue(loc->string());
}

ts::AttributedStringPtr TSMatchedChunk::displayLocation(bool countWithinSection) const {
    auto loc = location();
    const qint64 number = tln();
    if (number == TSNotFound) return loc;
    const qint64 first = firstLineNumber();
    if (first == TSNotFound) return loc;
    const qint64 shown = countWithinSection ? number - first + 1 : number;
    ts::Attributes attributes = loc->attributes(0);
    if (flagged()) attributes[ts::AttributeName::BackgroundColor] = ts::Value(ts::Color::systemRedColor());
    else attributes.erase(ts::AttributeName::BackgroundColor);
    return ts::AttributedString::make(ts::format("%li", shown), attributes);
}

bool TSMatchedChunk::hasText() const {
    return latin_.isPresent() || english_.isPresent() || perseusEnglish_.isPresent();
}

qint64 TSMatchedChunk::wordCount() const {
    qint64 n = TSTextHelpers::countWords(plain(latin()));
    for (const auto& c : childNodes()) n += c->wordCount();
    return n;
}

qint64 TSMatchedChunk::englishWordCount() const {
    qint64 n = TSTextHelpers::countWords(plain(english()));
    for (const auto& c : childNodes()) n += c->englishWordCount();
    return n;
}

void TSMatchedChunk::addTextContent(QString& content) const {
    TSChunk::addTextContent(content);
    if (auto l = latin()) content += StringExtensions::stripDiacritics(l->string()) + QLatin1Char('\n');
    if (auto e = english()) content += e->string() + QLatin1Char('\n');
    if (auto p = perseusEnglish()) content += p->string() + QLatin1Char('\n');
}

// --- copies ---

void TSMatchedChunk::copyLatinText(ts::AttributedString& into) const {
    if (auto l = latin()) {
        into.append(*l);
        into.append(QStringLiteral("\r"), {});
    } else if (!name().isNull()) {
        into.append(name(), {});
        into.append(QStringLiteral("\r"), {});
    }
    for (const auto& c : childNodes())
        if (auto m = std::dynamic_pointer_cast<TSMatchedChunk>(c)) m->copyLatinText(into);
}

void TSMatchedChunk::copyEnglishText(ts::AttributedString& into) const {
    if (auto e = english()) {
        into.append(*e);
        into.append(QStringLiteral("\r\r"), {});
    }
    for (const auto& c : childNodes())
        if (auto m = std::dynamic_pointer_cast<TSMatchedChunk>(c)) m->copyEnglishText(into);
}

ts::AttributedStringPtr TSMatchedChunk::copyText(bool latinText) const {
    auto s = ts::AttributedString::make();
    if (latinText) copyLatinText(*s);
    else copyEnglishText(*s);
    return s;
}

ts::AttributedStringPtr TSMatchedChunk::latinStringOutput() const { return copyText(true); }

ts::AttributedStringPtr TSMatchedChunk::copyInterlinear() const {
    auto s = ts::AttributedString::make();
    if (auto l = latin()) {
        s->append(*l);
        s->append(QStringLiteral("\r\r"), {});
    } else if (!name().isNull()) {
        s->append(name(), {});
        s->append(QStringLiteral("\r\r"), {});
    }
    for (const auto& c : childNodes()) {
        if (auto m = std::dynamic_pointer_cast<TSMatchedChunk>(c)) {
            m->copyLatinText(*s);
            m->copyEnglishText(*s);
        }
    }
    return s;
}

// --- memory aid ---

void TSMatchedChunk::coverText(bool cover) {
    if (auto l = latin()) {
        auto copy = std::make_shared<ts::AttributedString>(*l);
        const ts::Value text(ts::Color::textColor());
        const ts::Value background(ts::Color::textBackgroundColor());
        copy->changeAttributes([&](ts::Attributes& a) {
            if (!cover) {
                a[ts::AttributeName::ForegroundColor] = text;
                return;
            }
            auto bg = a.find(ts::AttributeName::BackgroundColor);
            a[ts::AttributeName::ForegroundColor] = bg != a.end() && bg->second.toObjectAs<ts::Color>() ? bg->second : background;
        });
        latin_.show(copy);
    }
    for (const auto& c : childNodes())
        if (auto m = std::dynamic_pointer_cast<TSMatchedChunk>(c)) m->coverText(cover);
}

void TSMatchedChunk::uncoverOne() {
    auto l = latin();
    if (!l) return;
    const ts::ColorPtr text = ts::Color::textColor();
    for (const auto& w : TSTextHelpers::words(l->string())) {
        auto fg = l->attribute(ts::AttributeName::ForegroundColor, w.word.location).toObjectAs<ts::Color>();
        if (fg && ColorExtensions::isEqualToCalibratedColor(fg, text)) continue;
        auto copy = std::make_shared<ts::AttributedString>(*l);
        copy->addAttribute(ts::AttributeName::ForegroundColor, ts::Value(text), w.enclosing);
        latin_.show(copy);
        return;
    }
}

void TSMatchedChunk::chooseMacronVariant(const QString& variant, ts::TextRange range) {
    auto l = latin();
    if (variant.isNull() || !l) return;
    if (range.length != variant.size()) {
        TSLogError("Range length %li not the same as string %@", qint64(range.length), variant);
        return;
    }
    // A range reaching past the Latin would be clipped, and the variant then
    // replace fewer characters than it holds.
    if (range.location < 0 || range.length < 0 || range.location > l->length() - range.length) {
        TSLogError("Range %li, %li outside the Latin of %li characters; %@ not put in", qint64(range.location),
                   qint64(range.length), qint64(l->length()), variant);
        return;
    }
    ts::Attributes attributes = l->attributes(range.location);
    attributes[ts::AttributeName::BackgroundColor] = ts::Value(ts::Color::clearColor());
    auto copy = std::make_shared<ts::AttributedString>(*l);
    copy->replaceCharacters(range, variant);
    copy->setAttributes(attributes, {range.location, variant.size()});
    setLatin(copy);
}

// --- fonts ---

ts::AttributedStringPtr TSMatchedChunk::magnifyString(const ts::AttributedStringPtr& text, float factor) {
    if (!text) return nullptr;
    auto copy = std::make_shared<ts::AttributedString>(*text);
    copy->changeAttributes([&](ts::Attributes& a) {
        auto it = a.find(ts::AttributeName::Font);
        if (it == a.end()) return;
        auto font = it->second.toObjectAs<ts::Font>();
        if (!font) return;
        const double size = font->pointSize() + (factor > 1.0f ? 1.0 : -1.0);
        if (size >= 5.0) it->second = ts::Value(font->withSize(size));
    });
    return copy;
}

void TSMatchedChunk::magnify(float factor) {
    if (english_.isPresent()) english_.show(magnifyString(english(), factor));
    if (latin_.isPresent()) latin_.show(magnifyString(latin(), factor));
    if (perseusEnglish_.isPresent()) perseusEnglish_.show(magnifyString(perseusEnglish(), factor));
}

// --- columns by key ---

const TSRichTextField* TSMatchedChunk::fieldForKey(const QString& key) const {
    if (key == QLatin1String("latin")) return &latin_;
    if (key == QLatin1String("english")) return &english_;
    if (key == QLatin1String("perseusEnglish")) return &perseusEnglish_;
    if (key == QLatin1String("location")) return &location_;
    return nullptr;
}

ts::AttributedStringPtr TSMatchedChunk::textForKey(const QString& key) const {
    if (key == QLatin1String("latin")) return latin();
    if (key == QLatin1String("english")) return english();
    if (key == QLatin1String("perseusEnglish")) return perseusEnglish();
    if (key == QLatin1String("location")) return location();
    return nullptr;
}

void TSMatchedChunk::setTextForKey(const ts::AttributedStringPtr& text, const QString& key) {
    if (auto f = fieldForKey(key)) const_cast<TSRichTextField*>(f)->set(text);
}

void TSMatchedChunk::setTextForKey(ts::AttributedStringPtr&& text, const QString& key) {
    if (auto f = fieldForKey(key)) const_cast<TSRichTextField*>(f)->set(std::move(text));
}

bool TSMatchedChunk::mayHaveLinksForKey(const QString& key) const {
    auto f = fieldForKey(key);
    return f && f->mayHaveLinks();
}

// --- property-list form ---

void TSMatchedChunk::forEachEntry(const EntrySink& put) const {
    TSChunk::forEachEntry(put);
    auto putColumn = [&](const QString& key, const TSRichTextField& f) {
        ts::Value v = f.valueToWrite();
        if (!v.isNull()) put(key, std::move(v));
    };
    putColumn(kEnglish, english_);
    putColumn(kLatin, latin_);
    putColumn(kPerseusEnglish, perseusEnglish_);
    putColumn(kLocation, location_);
    if (!pdfLocation().isNull()) put(kPdfLocation, pdfLocation());
}

void TSMatchedChunk::importFromDictionary(const ts::Value& dictionary) {
    if (!dictionary.isDictionary()) {
        TSLogError("%@ read from a %s, not a dictionary", className(), ts::Value::typeName(dictionary.type()));
        return;
    }
    const ts::ValueDictionary& d = dictionary.dictionary();
    // One pass over the entries finds the columns and the node's own fields
    // and keeps what is not ours: a document opens ten thousand of these.
    enum Column { English, Latin, PerseusEnglish, Location, PdfLocation, Children, Name, Uuid, Flagged, ClassName, Other };
    auto columnOf = [](const QString& key) {
        using TSTextHelpers::keyIs;
        if (key.isEmpty()) return Other;
        switch (key.front().unicode()) {
        case u'C':
            if (keyIs(key, u"ClassName")) return ClassName;
            if (keyIs(key, u"Children")) return Children;
            break;
        case u'E':
            if (keyIs(key, u"English")) return English;
            break;
        case u'F':
            if (keyIs(key, u"Flagged")) return Flagged;
            break;
        case u'L':
            if (keyIs(key, u"Latin")) return Latin;
            if (keyIs(key, u"Location")) return Location;
            break;
        case u'P':
            if (keyIs(key, u"Perseus English")) return PerseusEnglish;
            break;
        case u'n':
            if (keyIs(key, u"name")) return Name;
            break;
        case u'p':
            if (keyIs(key, u"pdfLocation")) return PdfLocation;
            break;
        case u'u':
            if (keyIs(key, u"uuid")) return Uuid;
            break;
        }
        return Other;
    };
    const ts::Value* found[Other] = {};
    for (const auto& [key, value] : d) {
        const Column c = columnOf(key);
        if (c < Other) found[c] = &value;
        else keepEntry(key, value);
    }
    readNodeFields(found[Name], found[Uuid], found[Flagged]);
    static const ts::Value none;
    auto at = [&](Column c) -> const ts::Value& { return found[c] ? *found[c] : none; };
    readChildren(at(Children));
    english_.readFrom(at(English));
    latin_.readFrom(at(Latin));
    perseusEnglish_.readFrom(at(PerseusEnglish));
    location_.readFrom(at(Location));
    setPdfLocation(at(PdfLocation));
    structureChanged();
}

void TSMatchedChunk::setAttributedString(const ts::AttributedStringPtr& text, const QString& key,
                                          ts::ValueDictionary& dictionary) {
    if (!text) return;
    const QByteArray rtf = ts::writeRtf(*text);
    if (!rtf.isEmpty()) dictionary[key] = ts::Value(rtf);
}

ts::AttributedStringPtr TSMatchedChunk::readAttributedStringForKey(const QString& key, const ts::Value& dictionary) {
    TSRichTextField f;
    f.readFrom(dictionary[key]);
    return f.get(key, nullptr);
}
