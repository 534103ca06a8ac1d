#include "morphology/TSGrammarUsage.h"

#include "app/logging/LGLog.h"

namespace {

const QString kName = QStringLiteral("name");
const QString kNotes = QStringLiteral("notes");
const QString kReferenceURL = QStringLiteral("referenceURL");
const QString kChildren = QStringLiteral("children");

ts::ObjectPtr usageFromPlist(const ts::Value& dictionary) { return TSGrammarUsage::usageFromDictionary(dictionary); }

bool isHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

}  // namespace

TS_REGISTER_CLASS(TSGrammarUsage, usageFromPlist)

TSGrammarUsage::TSGrammarUsage() { setName(QStringLiteral("untitled")); }

TSGrammarUsagePtr TSGrammarUsage::usageFromDictionary(const ts::Value& dictionary) {
    auto usage = std::make_shared<TSGrammarUsage>();
    usage->readFromDictionary(dictionary, 0);
    return usage;
}

void TSGrammarUsage::readFromDictionary(const ts::Value& dictionary) { readFromDictionary(dictionary, 0); }

void TSGrammarUsage::readFromDictionary(const ts::Value& dictionary, int depth) {
    if (!dictionary.isDictionary()) return;
    const ts::Value& name = dictionary[kName];
    setName(name.isString() ? name.toString() : QString());
    const ts::Value& notes = dictionary[kNotes];
    notes_ = notes.isString() ? notes.toString() : QString();
    if (dictionary.contains(kReferenceURL)) {
        const ts::Value& url = dictionary[kReferenceURL];
        referenceURL_ = url.isString() && isValidURLText(url.toString()) ? ts::Url::make(url.toString()) : nullptr;
    }
    if (!dictionary.contains(kChildren)) return;
    if (depth >= kMaxDepth) {
        TSLogError("Grammar usages nested more than %d deep; the rest is skipped", kMaxDepth);
        return;
    }
    for (const ts::Value& child : dictionary[kChildren].array()) {
        if (!child.isDictionary()) continue;
        auto usage = std::make_shared<TSGrammarUsage>();
        usage->readFromDictionary(child, depth + 1);
        addObject(usage);
    }
}

bool TSGrammarUsage::isValidURLText(const QString& text) {
    if (text.isEmpty()) return false;
    static const QString forbidden = QStringLiteral(" \"<>\\^`{|}");
    int hashes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F || forbidden.contains(c)) return false;
        if (c == QLatin1Char('#') && ++hashes > 1) return false;
        if (c == QLatin1Char('%')) {
            if (i + 2 >= text.size() || !isHexDigit(text[i + 1]) || !isHexDigit(text[i + 2])) return false;
        }
    }
    return QUrl(text, QUrl::StrictMode).isValid();
}

ts::Value TSGrammarUsage::valueForKey(const QString& key) const {
    if (key == kName) return name().isNull() ? ts::Value() : ts::Value(name());
    if (key == kNotes) return notes_.isNull() ? ts::Value() : ts::Value(notes_);
    if (key == kReferenceURL) return ts::Value(referenceURL_);
    TSLogError("No grammar usage field named %@", key);
    return {};
}

void TSGrammarUsage::setValueForKey(const ts::Value& value, const QString& key) {
    if (key == kName) {
        setName(value.isString() ? value.toString() : QString());
    } else if (key == kNotes) {
        notes_ = value.isString() ? value.toString() : QString();
    } else if (key == kReferenceURL) {
        // The outline edits the address as text; a URL object is taken as is.
        if (auto url = value.toObjectAs<ts::Url>())
            referenceURL_ = url;
        else
            referenceURL_ = value.isString() && isValidURLText(value.toString()) ? ts::Url::make(value.toString()) : nullptr;
    } else {
        TSLogError("No grammar usage field named %@", key);
    }
}

std::vector<TSGrammarUsagePtr> TSGrammarUsage::children() const {
    std::vector<TSGrammarUsagePtr> out;
    for (const auto& m : objectEnumerator())
        if (auto u = std::dynamic_pointer_cast<TSGrammarUsage>(m)) out.push_back(u);
    return out;
}

ts::Value TSGrammarUsage::serialize() const {
    ts::ValueDictionary d;
    if (!name().isNull()) d[kName] = name();
    if (!notes_.isNull()) d[kNotes] = notes_;
    if (referenceURL_) {
        const QString text = referenceURL_->absoluteString();
        if (!text.isEmpty()) d[kReferenceURL] = text;
    }
    ts::Value children = VDNewArray::serialize();
    if (!children.array().empty()) d[kChildren] = std::move(children);
    return d;
}

ts::ObjectPtr TSGrammarUsage::copy() const {
    auto c = std::dynamic_pointer_cast<TSGrammarUsage>(VDNewArray::copy());
    if (!c) return nullptr;
    c->referenceURL_ = referenceURL_ ? std::dynamic_pointer_cast<ts::Url>(referenceURL_->copy()) : nullptr;
    c->notes_ = notes_;
    return c;
}

void TSGrammarUsage::encodeWithCoder(ts::Coder& coder) const {
    VDNewArray::encodeWithCoder(coder);
    coder.encodeObject(ts::Value(referenceURL_), kReferenceURL);
    coder.encodeObject(notes_.isNull() ? ts::Value() : ts::Value(notes_), kNotes);
}

bool TSGrammarUsage::initWithCoder(ts::Coder& coder) {
    VDNewArray::initWithCoder(coder);
    if (!coder.allowsKeyedCoding()) {
        TSLogError("Panic here");
        return true;
    }
    referenceURL_ = coder.decodeObject(kReferenceURL).toObjectAs<ts::Url>();
    const ts::Value notes = coder.decodeObject(kNotes);
    notes_ = notes.isString() ? notes.toString() : QString();
    return true;
}
