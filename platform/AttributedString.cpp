#include "platform/AttributedString.h"

#include "platform/ClassRegistry.h"
#include "platform/Coder.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/ParagraphStyle.h"
#include "platform/RtfdAttachment.h"
#include "platform/Url.h"

#include <algorithm>
#include <array>
#include <map>
#include <new>
#include <stdexcept>
#include <utility>

namespace ts {

AttributeSet::Block* AttributeSet::allocate(size_t capacity) {
    void* memory = ::operator new(sizeof(Block) + capacity * sizeof(value_type));
    return new (memory) Block;
}

void AttributeSet::destroy(Block* block) {
    value_type* entries = block->entries();
    for (quint32 i = 0; i < block->size; ++i) entries[i].~value_type();
    delete block->map.load(std::memory_order_acquire);
    block->~Block();
    ::operator delete(block);
}

AttributeSet::AttributeSet(const Attributes& attributes) {
    if (attributes.empty()) return;
    Block* block = allocate(attributes.size());
    for (const value_type& entry : attributes) {
        new (block->entries() + block->size) value_type(entry);
        ++block->size;
    }
    block_ = block;
}

AttributeSet::AttributeSet(Attributes&& attributes) {
    if (attributes.empty()) return;
    Block* block = allocate(attributes.size());
    for (auto& [key, value] : attributes) {
        new (block->entries() + block->size) value_type(key, std::move(value));
        ++block->size;
    }
    block_ = block;
}

const Attributes& AttributeSet::emptyAttributes() {
    static const Attributes none;
    return none;
}

const Attributes& AttributeSet::makeMap() const {
    auto* made = new Attributes(begin(), end());
    const Attributes* expected = nullptr;
    if (block_->map.compare_exchange_strong(expected, made, std::memory_order_acq_rel, std::memory_order_acquire)) return *made;
    // Another thread made it first.
    delete made;
    return *expected;
}

Attributes AttributeSet::toAttributes() const {
    if (!block_) return {};
    if (const Attributes* map = block_->map.load(std::memory_order_acquire)) return *map;
    return Attributes(begin(), end());
}

Attributes AttributeSet::takeAttributes() {
    if (!block_) return {};
    if (block_->refs.load(std::memory_order_acquire) != 1) return toAttributes();
    Attributes out;
    value_type* entries = block_->entries();
    for (quint32 i = 0; i < block_->size; ++i) out.emplace_hint(out.end(), entries[i].first, std::move(entries[i].second));
    *this = AttributeSet();
    return out;
}

AttributeSet::const_iterator AttributeSet::find(const QString& key) const {
    const const_iterator last = end();
    const const_iterator it = std::lower_bound(begin(), last, key, [](const value_type& e, const QString& k) { return e.first < k; });
    return it != last && it->first == key ? it : last;
}

const Value& AttributeSet::at(const QString& key) const {
    const const_iterator it = find(key);
    if (it == end()) throw std::out_of_range("AttributeSet::at");
    return it->second;
}

const Value& AttributeSet::value(const QString& key) const {
    static const Value null;
    const const_iterator it = find(key);
    return it == end() ? null : it->second;
}

AttributeSet AttributeSet::with(const QString& key, const Value& value) const {
    Builder b(size() + 1);
    bool placed = false;
    for (const value_type& e : *this) {
        if (!placed && !(e.first < key)) {
            b.add(key, value);
            placed = true;
            if (e.first == key) continue;
        }
        b.add(e.first, e.second);
    }
    if (!placed) b.add(key, value);
    return b.finish();
}

AttributeSet::Builder::Builder(size_t capacity) : capacity_(capacity) {
    if (capacity_ > 0) block_ = allocate(capacity_);
}

AttributeSet::Builder::~Builder() {
    if (block_) destroy(block_);
}

void AttributeSet::Builder::spill() {
    spilled_ = std::make_unique<Attributes>();
    if (!block_) return;
    value_type* entries = block_->entries();
    for (quint32 i = 0; i < block_->size; ++i) spilled_->emplace_hint(spilled_->end(), entries[i].first, std::move(entries[i].second));
    destroy(block_);
    block_ = nullptr;
}

void AttributeSet::Builder::addSlowly(const QString& key, Value value) {
    if (!spilled_) spill();
    (*spilled_)[key] = std::move(value);
}

AttributeSet AttributeSet::Builder::finish() {
    if (spilled_) {
        AttributeSet out(std::move(*spilled_));
        spilled_.reset();
        return out;
    }
    Block* block = std::exchange(block_, nullptr);
    if (block && block->size == 0) {
        destroy(block);
        block = nullptr;
    }
    return AttributeSet(block);
}

// ---------------------------------------------------------------------------
// Runs

AttributedString::RunList& AttributedString::RunList::operator=(const RunList& other) {
    if (this != &other) {
        RunList copy(other);
        clear();
        take(copy);
    }
    return *this;
}

AttributedString::RunList& AttributedString::RunList::operator=(RunList&& other) noexcept {
    if (this != &other) {
        clear();
        take(other);
    }
    return *this;
}

AttributedString::RunList& AttributedString::RunList::operator=(std::vector<Run>&& runs) {
    clear();
    if (runs.size() == 1) {
        new (one_) Run(std::move(runs.front()));
        state_ = 1;
    } else if (runs.size() > 1) {
        state_ = reinterpret_cast<uintptr_t>(new std::vector<Run>(std::move(runs)));
    }
    return *this;
}

void AttributedString::RunList::push_back(Run run) {
    if (state_ == 0) {
        new (one_) Run(std::move(run));
        state_ = 1;
        return;
    }
    spill().push_back(std::move(run));
}

void AttributedString::RunList::insert(Run* at, Run run) {
    if (at == end()) {
        push_back(std::move(run));
        return;
    }
    const size_t index = size_t(at - begin());
    std::vector<Run>& runs = spill();
    runs.insert(runs.begin() + qsizetype(index), std::move(run));
}

void AttributedString::RunList::insert(Run* at, const Run* first, const Run* last) {
    if (first == last) return;
    if (at == end() && last - first == 1) {
        push_back(*first);
        return;
    }
    const size_t index = size_t(at - begin());
    std::vector<Run>& runs = spill();
    runs.insert(runs.begin() + qsizetype(index), first, last);
}

void AttributedString::RunList::erase(Run* first, Run* last) {
    if (first == last) return;
    if (std::vector<Run>* runs = many()) {
        const Run* data = runs->data();
        runs->erase(runs->begin() + (first - data), runs->begin() + (last - data));
        return;
    }
    clear();  // the one run held in place
}

void AttributedString::RunList::clear() {
    if (std::vector<Run>* runs = many()) delete runs;
    else if (state_ == 1) one()->~Run();
    state_ = 0;
}

void AttributedString::RunList::shrink_to_fit() {
    std::vector<Run>* runs = many();
    if (!runs) return;
    if (runs->size() > 1) {
        runs->shrink_to_fit();
        return;
    }
    std::vector<Run> held = std::move(*runs);
    delete runs;
    state_ = 0;
    *this = std::move(held);
}

std::vector<AttributedString::Run>& AttributedString::RunList::spill() {
    if (std::vector<Run>* runs = many()) return *runs;
    auto* runs = new std::vector<Run>();
    runs->reserve(4);
    if (state_ == 1) {
        runs->push_back(std::move(*one()));
        one()->~Run();
    }
    state_ = reinterpret_cast<uintptr_t>(runs);
    return *runs;
}

void AttributedString::RunList::append(const Run* first, const Run* last) {
    if (last - first == 1 && state_ == 0) {
        push_back(*first);
        return;
    }
    if (first == last) return;
    std::vector<Run>& runs = spill();
    runs.insert(runs.end(), first, last);
}

void AttributedString::RunList::take(RunList& other) noexcept {
    // This list is empty here.
    if (other.many()) {
        state_ = other.state_;
    } else if (other.state_ == 1) {
        new (one_) Run(std::move(*other.one()));
        other.one()->~Run();
        state_ = 1;
    }
    other.state_ = 0;
}

// ---------------------------------------------------------------------------
// AttributedString

AttributedString::AttributedString(const QString& text, const Attributes& attributes) : text_(text) {
    if (!text_.isEmpty()) runs_.push_back({text_.size(), attributes});
}

AttributedString AttributedString::withRuns(QString text, std::vector<Run> runs) {
    AttributedString s;
    s.text_ = std::move(text);
    // Dropping a run of no length may leave its equal neighbours side by
    // side: they become one. Lengths are summed against what is left of the
    // text, so no sum of runs can overflow into a false fit.
    size_t kept = 0;
    qsizetype covered = 0;
    bool dropped = false;
    for (size_t i = 0; i < runs.size(); ++i) {
        Run& r = runs[i];
        if (r.length <= 0) {
            dropped = true;
            continue;
        }
        if (r.length > s.text_.size() - covered) {
            covered = -1;
            break;
        }
        covered += r.length;
        if (dropped && kept > 0 && runs[kept - 1].attributes == r.attributes) {
            runs[kept - 1].length += r.length;
        } else {
            if (kept != i) runs[kept] = std::move(r);
            ++kept;
        }
        dropped = false;
    }
    if (covered != s.text_.size()) {
        if (!s.text_.isEmpty()) s.runs_.push_back({s.text_.size(), AttributeSet()});
        return s;
    }
    runs.erase(runs.begin() + qsizetype(kept), runs.end());
    s.runs_ = std::move(runs);
    return s;
}

AttributedString& AttributedString::operator=(const AttributedString& other) {
    if (this != &other) {
        text_ = other.text_;
        runs_ = other.runs_;
    }
    ++changes_;
    return *this;
}

AttributedString& AttributedString::operator=(AttributedString&& other) {
    if (this != &other) {
        text_ = std::move(other.text_);
        runs_ = std::move(other.runs_);
    }
    ++changes_;
    return *this;
}

TextRange AttributedString::clip(TextRange range) const {
    const qsizetype len = text_.size();
    qsizetype loc = std::clamp<qsizetype>(range.location, 0, len);
    qsizetype l = range.length < 0 ? 0 : range.length;
    if (l > len - loc) l = len - loc;
    return {loc, l};
}

size_t AttributedString::splitAt(qsizetype pos) {
    qsizetype start = 0;
    for (size_t i = 0; i < runs_.size(); ++i) {
        if (start == pos) return i;
        const qsizetype end = start + runs_[i].length;
        if (pos < end) {
            Run tail{end - pos, runs_[i].attributes};
            runs_[i].length = pos - start;
            runs_.insert(runs_.begin() + i + 1, std::move(tail));
            return i + 1;
        }
        start = end;
    }
    return runs_.size();
}

void AttributedString::normalize() {
    ++changes_;
    // In place: joining runs never needs more room than there is.
    size_t out = 0;
    for (size_t i = 0; i < runs_.size(); ++i) {
        if (runs_[i].length <= 0) continue;
        if (out > 0 && runs_[out - 1].attributes == runs_[i].attributes) {
            runs_[out - 1].length += runs_[i].length;
            continue;
        }
        if (out != i) runs_[out] = std::move(runs_[i]);
        ++out;
    }
    runs_.erase(runs_.begin() + qsizetype(out), runs_.end());
}

template <class F> void AttributedString::modifyRuns(TextRange range, F&& change) {
    range = clip(range);
    if (range.length == 0) return;
    const size_t first = splitAt(range.location);
    const size_t last = splitAt(range.end());
    for (size_t i = first; i < last; ++i) runs_[i].attributes.edit(change);
    normalize();
}

size_t AttributedString::runAt(qsizetype index) const {
    if (index < 0 || index >= text_.size()) return runs_.size();
    qsizetype start = 0;
    for (size_t i = 0; i < runs_.size(); ++i) {
        start += runs_[i].length;
        if (index < start) return i;
    }
    return runs_.size();
}

Attributes AttributedString::attributes(qsizetype index, TextRange* effectiveRange) const {
    if (effectiveRange) *effectiveRange = {index, 0};
    if (index < 0 || index >= text_.size()) return {};
    qsizetype start = 0;
    for (const Run& r : runs_) {
        if (index < start + r.length) {
            if (effectiveRange) *effectiveRange = {start, r.length};
            return r.attributes.toAttributes();
        }
        start += r.length;
    }
    return {};
}

Value AttributedString::attribute(const QString& name, qsizetype index, TextRange* effectiveRange) const {
    if (effectiveRange) *effectiveRange = {index, 0};
    if (index < 0 || index >= text_.size()) return {};
    qsizetype start = 0;
    size_t at = 0;
    for (; at < runs_.size(); ++at) {
        if (index < start + runs_[at].length) break;
        start += runs_[at].length;
    }
    const auto valueOf = [&](size_t i) {
        auto it = runs_[i].attributes.find(name);
        return it == runs_[i].attributes.end() ? Value() : it->second;
    };
    const Value v = valueOf(at);
    if (effectiveRange) {
        qsizetype from = start, to = start + runs_[at].length;
        for (size_t i = at; i-- > 0 && valueOf(i) == v;) from -= runs_[i].length;
        for (size_t i = at + 1; i < runs_.size() && valueOf(i) == v; ++i) to += runs_[i].length;
        *effectiveRange = {from, to - from};
    }
    return v;
}

void AttributedString::enumerateAttributes(TextRange range, const std::function<bool(const AttributeSet&, TextRange)>& fn) const {
    range = clip(range);
    qsizetype start = 0;
    for (const Run& r : runs_) {
        const qsizetype end = start + r.length;
        const qsizetype from = std::max(start, range.location), to = std::min(end, range.end());
        if (from < to && !fn(r.attributes, {from, to - from})) return;
        if (end >= range.end()) return;
        start = end;
    }
}

AttributedString AttributedString::attributedSubstring(TextRange range) const {
    range = clip(range);
    AttributedString out;
    out.text_ = text_.mid(range.location, range.length);
    qsizetype start = 0;
    for (const Run& r : runs_) {
        const qsizetype end = start + r.length;
        const qsizetype from = std::max(start, range.location), to = std::min(end, range.end());
        if (from < to) out.runs_.push_back({to - from, r.attributes});
        if (end >= range.end()) break;
        start = end;
    }
    return out;
}

void AttributedString::setAttributes(const Attributes& attributes, TextRange range) {
    setAttributesSharing(AttributeSet(attributes), range);
}

void AttributedString::setAttributesSharing(const AttributeSet& attributes, TextRange range) {
    range = clip(range);
    if (range.length == 0) return;
    const size_t first = splitAt(range.location);
    const size_t last = splitAt(range.end());
    for (size_t i = first; i < last; ++i) runs_[i].attributes = attributes;
    normalize();
}

void AttributedString::addAttribute(const QString& name, const Value& value, TextRange range) {
    if (value.isNull()) return;
    modifyRuns(range, [&](Attributes& a) { a[name] = value; });
}

void AttributedString::addAttributes(const Attributes& attributes, TextRange range) {
    modifyRuns(range, [&](Attributes& a) {
        for (const auto& [k, v] : attributes)
            if (!v.isNull()) a[k] = v;
    });
}

void AttributedString::removeAttribute(const QString& name, TextRange range) {
    modifyRuns(range, [&](Attributes& a) { a.erase(name); });
}

void AttributedString::replaceCharacters(TextRange range, const QString& text) {
    range = clip(range);
    const size_t run = runAt(range.length > 0 || range.location == 0 ? range.location : range.location - 1);
    AttributedString insertion;
    if (!text.isEmpty()) insertion.appendSharing(text, run < runs_.size() ? runs_[run].attributes : AttributeSet());
    replaceCharacters(range, insertion);
}

void AttributedString::replaceCharacters(TextRange range, const AttributedString& text) {
    // The replacement may be this very text: then it is copied first.
    if (&text == this) {
        const AttributedString insertion = text;
        replaceCharacters(range, insertion);
        return;
    }
    range = clip(range);
    const size_t first = splitAt(range.location);
    const size_t last = splitAt(range.end());
    runs_.erase(runs_.begin() + first, runs_.begin() + last);
    runs_.insert(runs_.begin() + first, text.runs_.begin(), text.runs_.end());
    text_.replace(range.location, range.length, text.text_);
    normalize();
}

void AttributedString::insert(const AttributedString& text, qsizetype index) { replaceCharacters({index, 0}, text); }

void AttributedString::append(const AttributedString& text) {
    if (&text == this) {
        const AttributedString insertion = text;
        append(insertion);
        return;
    }
    text_ += text.text_;
    runs_.insert(runs_.end(), text.runs_.begin(), text.runs_.end());
    normalize();
}

void AttributedString::append(const QString& text, const Attributes& attributes) {
    if (text.isEmpty()) return;
    ++changes_;
    text_ += text;
    if (!runs_.empty() && runs_.back().attributes == attributes) runs_.back().length += text.size();
    else runs_.push_back({text.size(), attributes});
}

void AttributedString::append(const QString& text, Attributes&& attributes) {
    if (text.isEmpty()) return;
    ++changes_;
    text_ += text;
    if (!runs_.empty() && runs_.back().attributes == attributes) runs_.back().length += text.size();
    else runs_.push_back({text.size(), std::move(attributes)});
}

void AttributedString::appendSharing(const QString& text, const AttributeSet& attributes) {
    if (text.isEmpty()) return;
    ++changes_;
    text_ += text;
    if (!runs_.empty() && runs_.back().attributes == attributes) runs_.back().length += text.size();
    else runs_.push_back({text.size(), attributes});
}

void AttributedString::appendSharing(QString&& text, const AttributeSet& attributes) {
    if (text_.isEmpty()) {
        // Nothing to join: the text becomes this one's without a copy.
        const qsizetype length = text.size();
        if (length == 0) return;
        ++changes_;
        text_ = std::move(text);
        runs_.clear();
        runs_.push_back({length, attributes});
        return;
    }
    appendSharing(static_cast<const QString&>(text), attributes);
}

void AttributedString::squeeze() {
    // A few spare characters are not worth a reallocation.
    if (text_.capacity() - text_.size() > 8) text_.squeeze();
    if (runs_.capacity() > runs_.size()) runs_.shrink_to_fit();
}

void AttributedString::deleteCharacters(TextRange range) { replaceCharacters(range, AttributedString()); }

void AttributedString::setString(const QString& text, const Attributes& attributes) { *this = AttributedString(text, attributes); }

void AttributedString::changeAttributes(const std::function<void(Attributes&)>& change) {
    for (Run& r : runs_) r.attributes.edit(change);
    normalize();
}

void AttributedString::addAttributeWhereMissing(const QString& name, const Value& value) {
    if (value.isNull()) return;
    struct Outcome {
        AttributeSet from, to;
        QString name;
        Value value;
    };
    thread_local std::array<Outcome, 16> recent;
    thread_local size_t next = 0;
    const auto sameValue = [](const Value& a, const Value& b) {
        return a.isObject() && b.isObject() ? a.toObject() == b.toObject() : a == b;
    };
    bool changed = false;
    for (Run& r : runs_) {
        if (r.attributes.count(name)) continue;
        changed = true;
        const Outcome* known = nullptr;
        for (const Outcome& o : recent)
            if (o.from.isSameSet(r.attributes) && o.name == name && sameValue(o.value, value)) {
                known = &o;
                break;
            }
        if (known) {
            r.attributes = known->to;
            continue;
        }
        Outcome& o = recent[next];
        next = (next + 1) % recent.size();
        o = {r.attributes, r.attributes.with(name, value), name, value};
        r.attributes = o.to;
    }
    if (changed) normalize();
}

namespace {

void appendVarint(QByteArray& out, quint64 v) {
    do {
        quint8 b = v & 0x7F;
        v >>= 7;
        if (v) b |= 0x80;
        out.append(char(b));
    } while (v);
}

bool readVarint(const QByteArray& data, qsizetype& pos, quint64& out) {
    out = 0;
    for (int shift = 0; shift < 64; shift += 7) {
        if (pos >= data.size()) return false;
        const quint8 b = quint8(data[pos++]);
        out |= quint64(b & 0x7F) << shift;
        if (!(b & 0x80)) return true;
    }
    return false;
}

// A dictionary's keys come in order, so the set is made without one.
AttributeSet attributesFromValue(const Value& v) {
    const ValueDictionary& d = v.dictionary();
    AttributeSet::Builder out(d.size());
    for (const auto& [k, val] : d)
        if (!val.isNull()) out.add(k, val);
    return out.finish();
}

}  // namespace

void AttributedString::encodeWithCoder(Coder& coder) const {
    coder.encodeObject(text_, QStringLiteral("NSString"));
    if (runs_.empty()) return;
    if (runs_.size() == 1) {
        coder.encodeObject(Value(runs_.front().attributes.toAttributes()), QStringLiteral("NSAttributes"));
        return;
    }
    ValueArray dicts;
    QByteArray info;
    for (const Run& r : runs_) {
        size_t index = 0;
        while (index < dicts.size() && !(r.attributes == dicts[index].dictionary())) ++index;
        if (index == dicts.size()) dicts.push_back(Value(r.attributes.toAttributes()));
        appendVarint(info, quint64(r.length));
        appendVarint(info, index);
    }
    coder.encodeObject(Value(std::move(dicts)), QStringLiteral("NSAttributes"));
    coder.encodeObject(info, QStringLiteral("NSAttributeInfo"));
}

bool AttributedString::initWithCoder(Coder& coder) {
    const Value str = coder.decodeObject(QStringLiteral("NSString"));
    QString text = str.toString();
    if (!str.isString()) {
        if (!str.isNull()) return false;
    }
    const Value attrs = coder.decodeObject(QStringLiteral("NSAttributes"));
    const Value info = coder.decodeObject(QStringLiteral("NSAttributeInfo"));
    std::vector<Run> runs;
    if (!info.isData()) {
        AttributeSet a;
        if (attrs.isDictionary()) a = attributesFromValue(attrs);
        else if (attrs.isArray() && !attrs.array().empty()) a = attributesFromValue(attrs.array().front());
        if (!text.isEmpty()) runs.push_back({text.size(), a});
    } else {
        const ValueArray single = attrs.isDictionary() ? ValueArray{attrs} : ValueArray{};
        const ValueArray& dicts = attrs.isArray() ? attrs.array() : single;
        const QByteArray data = info.toData();
        qsizetype pos = 0, covered = 0;
        while (pos < data.size()) {
            quint64 len = 0, index = 0;
            if (!readVarint(data, pos, len) || !readVarint(data, pos, index)) return false;
            if (index >= dicts.size() || len > quint64(text.size() - covered)) return false;
            if (len == 0) continue;
            runs.push_back({qsizetype(len), attributesFromValue(dicts[index])});
            covered += qsizetype(len);
        }
        if (covered != text.size()) return false;
    }
    text_ = text;
    runs_ = std::move(runs);
    normalize();
    return true;
}

bool AttributedString::isEqual(const Object& other) const {
    auto o = dynamic_cast<const AttributedString*>(&other);
    return o && isEqualToAttributedString(*o);
}

QString AttributedString::description() const {
    QString out;
    qsizetype start = 0;
    for (const Run& r : runs_) {
        out += text_.mid(start, r.length) + QStringLiteral("{");
        for (const auto& [k, v] : r.attributes) out += QStringLiteral("\n    %1 = %2;").arg(k, v.description());
        out += QStringLiteral("\n}");
        start += r.length;
    }
    return out;
}

void registerRichTextClasses() {
    ClassRegistry::registerClass<Color>();
    ClassRegistry::registerClass<Font>();
    ClassRegistry::registerClass<Url>();
    ClassRegistry::registerClass<ParagraphStyle>();
    ClassRegistry::registerClass(ClassInfo{QStringLiteral("NSMutableParagraphStyle"), [] { return std::make_shared<ParagraphStyle>(); }, {}});
    ClassRegistry::registerClass<TextTab>();
    ClassRegistry::registerClass<AttributedString>();
    for (const char* name : {"NSAttributedString", "NSTextStorage", "NSConcreteAttributedString", "NSConcreteMutableAttributedString"})
        ClassRegistry::registerClass(ClassInfo{QString::fromLatin1(name), [] { return std::make_shared<AttributedString>(); }, {}});
    ClassRegistry::registerClass<TextAttachment>();
    ClassRegistry::registerClass<FileWrapper>();
}

}  // namespace ts
