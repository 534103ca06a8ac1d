#pragma once
// Rich text: a string plus runs of attributes.
//
// Attributes are a dictionary from attribute name (the constants below, the
// platform's own names) to a Value: numbers, strings, or immutable shared
// objects (Color, Font, Url, ParagraphStyle, TextAttachment). Runs always
// cover the whole string, never have zero length, and adjacent runs never
// hold equal attributes, so comparing two texts compares their runs.
//
// A run holds its attributes as an AttributeSet: immutable and shared
// between runs and texts (copying a text, or reading many texts that look
// alike, shares the sets instead of copying dictionaries), compared by
// identity first. Changing a run's attributes gives it a set of its own.
//
// Positions and lengths are in UTF-16 code units, as in the archive form.
// Ranges reaching outside the text are clipped to it; nothing here throws.
// The archive class is "NSMutableAttributedString"; archives naming
// "NSAttributedString" or "NSTextStorage" read into the same class.

#include "platform/Object.h"
#include "platform/Value.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <tuple>
#include <utility>
#include <vector>

namespace ts {

struct TextRange {
    qsizetype location = 0;
    qsizetype length = 0;
    qsizetype end() const { return location + length; }
    bool operator==(const TextRange& o) const { return location == o.location && length == o.length; }
};

using Attributes = ValueDictionary;

namespace AttributeName {
inline const QString Font = QStringLiteral("NSFont");
inline const QString ForegroundColor = QStringLiteral("NSColor");
inline const QString BackgroundColor = QStringLiteral("NSBackgroundColor");
inline const QString Underline = QStringLiteral("NSUnderline");
inline const QString Strikethrough = QStringLiteral("NSStrikethrough");
inline const QString SuperScript = QStringLiteral("NSSuperScript");
inline const QString BaselineOffset = QStringLiteral("NSBaselineOffset");
inline const QString Link = QStringLiteral("NSLink");
inline const QString ParagraphStyle = QStringLiteral("NSParagraphStyle");
inline const QString Attachment = QStringLiteral("NSAttachment");
}  // namespace AttributeName

// An immutable, shared attribute dictionary. Reads like a constant
// Attributes: its elements are the dictionary's (name, value) pairs, in the
// order of their names. The pairs lie flat in the one allocation that holds
// the set (a reader makes a set for every run whose attributes differ, and a
// dictionary would cost one more allocation per attribute). A caller that
// needs a real Attributes gets one made on first request and kept with the
// set. The empty set costs no allocation.
class AttributeSet {
public:
    using value_type = Attributes::value_type;
    using const_iterator = const value_type*;
    using iterator = const_iterator;

private:
    // The reference count, the pairs after it, and the dictionary once made.
    struct Block {
        std::atomic<int> refs{1};
        quint32 size = 0;
        std::atomic<const Attributes*> map{nullptr};
        value_type* entries() { return reinterpret_cast<value_type*>(this + 1); }
        const value_type* entries() const { return reinterpret_cast<const value_type*>(this + 1); }
    };
    static_assert(sizeof(Block) % alignof(value_type) == 0);

public:
    AttributeSet() noexcept = default;
    AttributeSet(const Attributes& attributes);
    AttributeSet(Attributes&& attributes);
    AttributeSet(const AttributeSet& other) noexcept : block_(other.block_) {
        if (block_) block_->refs.fetch_add(1, std::memory_order_relaxed);
    }
    AttributeSet(AttributeSet&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    AttributeSet& operator=(const AttributeSet& other) noexcept {
        AttributeSet(other).swap(*this);
        return *this;
    }
    AttributeSet& operator=(AttributeSet&& other) noexcept {
        AttributeSet(std::move(other)).swap(*this);
        return *this;
    }
    ~AttributeSet() {
        if (block_ && block_->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) destroy(block_);
    }
    void swap(AttributeSet& other) noexcept { std::swap(block_, other.block_); }

    // The set as a dictionary, made once and kept; safe from any thread.
    const Attributes& get() const {
        if (!block_) return emptyAttributes();
        if (const Attributes* map = block_->map.load(std::memory_order_acquire)) return *map;
        return makeMap();
    }
    operator const Attributes&() const { return get(); }
    // A dictionary of one's own, made without keeping one in the set.
    Attributes toAttributes() const;

    const_iterator begin() const { return block_ ? block_->entries() : nullptr; }
    const_iterator end() const { return block_ ? block_->entries() + block_->size : nullptr; }
    const_iterator find(const QString& key) const;
    // Like the dictionary's: a missing key throws std::out_of_range.
    const Value& at(const QString& key) const;
    // The value, or null where the set lacks the key.
    const Value& value(const QString& key) const;
    size_t count(const QString& key) const { return find(key) != end() ? 1 : 0; }
    size_t size() const { return block_ ? block_->size : 0; }
    bool empty() const { return !block_; }

    // This set with one attribute set to the value (replaced or added).
    AttributeSet with(const QString& key, const Value& value) const;

    // Whether both are the very same set (equal, without comparing).
    bool isSameSet(const AttributeSet& other) const { return block_ == other.block_; }
    bool operator==(const AttributeSet& other) const {
        return block_ == other.block_ || std::equal(begin(), end(), other.begin(), other.end());
    }
    bool operator==(const Attributes& other) const { return std::equal(begin(), end(), other.begin(), other.end()); }

    // Lets `change` edit the attributes, then makes the outcome this set
    // (other holders of the old set keep it unchanged).
    template <class F> void edit(F&& change) {
        Attributes copy = takeAttributes();
        change(copy);
        *this = AttributeSet(std::move(copy));
    }

    // Makes a set from pairs given in ascending order of their names,
    // without a dictionary in between. Pairs out of order, a repeated name
    // or more pairs than announced are still taken (the last value of a
    // name wins), only slower.
    class Builder {
    public:
        explicit Builder(size_t capacity);
        ~Builder();
        Builder(const Builder&) = delete;
        Builder& operator=(const Builder&) = delete;
        // The value is made in place, from anything a Value is made from.
        template <class V> void add(const QString& key, V&& value) {
            if (fits(key)) place(key, std::forward<V>(value));
            else addSlowly(key, Value(std::forward<V>(value)));
        }
        // add() for a caller that adds its names in their order, each once,
        // and no more than the capacity: nothing is compared.
        template <class V> void addInOrder(const QString& key, V&& value) {
            Q_ASSERT(fits(key));
            place(key, std::forward<V>(value));
        }
        AttributeSet finish();

    private:
        // Makes the pair in the block's next free place.
        template <class V> void place(const QString& key, V&& value) {
            new (block_->entries() + block_->size)
                value_type(std::piecewise_construct, std::forward_as_tuple(key), std::forward_as_tuple(std::forward<V>(value)));
            ++block_->size;
        }
        bool fits(const QString& key) const {
            if (spilled_ || !block_ || block_->size >= capacity_) return false;
            return block_->size == 0 || block_->entries()[block_->size - 1].first < key;
        }
        void addSlowly(const QString& key, Value value);
        void spill();
        Block* block_ = nullptr;
        size_t capacity_ = 0;
        std::unique_ptr<Attributes> spilled_;
    };

private:
    friend class Builder;

    explicit AttributeSet(Block* block) : block_(block) {}
    static Block* allocate(size_t capacity);
    static void destroy(Block* block);
    static const Attributes& emptyAttributes();
    const Attributes& makeMap() const;
    // The attributes as a dictionary, moved out of the set where nothing
    // else holds it.
    Attributes takeAttributes();

    Block* block_ = nullptr;
};

// Underline styles as the attribute's number.
enum class UnderlineStyle { None = 0, Single = 1, Thick = 2, Double = 9 };

class AttributedString;
using AttributedStringPtr = std::shared_ptr<AttributedString>;

class AttributedString : public Object {
public:
    struct Run {
        qsizetype length = 0;
        AttributeSet attributes;
        bool operator==(const Run& o) const { return length == o.length && attributes == o.attributes; }
    };

    // The runs in order, read like a vector. Nearly every text has one run,
    // which is kept in place: a text then costs one allocation less, which
    // shows where texts are made by the hundred thousand (an imported book
    // has one per line). Texts with more runs keep them in a vector.
    class RunList {
    public:
        using value_type = Run;
        using iterator = Run*;
        using const_iterator = const Run*;

        RunList() = default;
        RunList(const RunList& other) { append(other.begin(), other.end()); }
        RunList(RunList&& other) noexcept { take(other); }
        RunList& operator=(const RunList& other);
        RunList& operator=(RunList&& other) noexcept;
        RunList& operator=(std::vector<Run>&& runs);
        ~RunList() { clear(); }

        size_t size() const { return many() ? many()->size() : state_; }
        bool empty() const { return size() == 0; }
        size_t capacity() const { return many() ? many()->capacity() : 1; }
        Run* begin() { return many() ? many()->data() : one(); }
        Run* end() { return begin() + size(); }
        const Run* begin() const { return many() ? many()->data() : one(); }
        const Run* end() const { return begin() + size(); }
        Run& operator[](size_t i) { return begin()[i]; }
        const Run& operator[](size_t i) const { return begin()[i]; }
        Run& front() { return *begin(); }
        const Run& front() const { return *begin(); }
        Run& back() { return end()[-1]; }
        const Run& back() const { return end()[-1]; }
        bool operator==(const RunList& other) const { return std::equal(begin(), end(), other.begin(), other.end()); }

        void push_back(Run run);
        void insert(Run* at, Run run);
        void insert(Run* at, const Run* first, const Run* last);
        void erase(Run* first, Run* last);
        void clear();
        // Gives back a vector's spare room; one run goes back in place.
        void shrink_to_fit();

    private:
        // 0 or 1: that many runs, held in place; else the address of the
        // vector that holds them.
        uintptr_t state_ = 0;
        alignas(Run) unsigned char one_[sizeof(Run)];

        std::vector<Run>* many() const { return state_ > 1 ? reinterpret_cast<std::vector<Run>*>(state_) : nullptr; }
        Run* one() { return std::launder(reinterpret_cast<Run*>(one_)); }
        const Run* one() const { return std::launder(reinterpret_cast<const Run*>(one_)); }
        // Moves the runs into a vector (made when there is none) and answers it.
        std::vector<Run>& spill();
        void append(const Run* first, const Run* last);
        void take(RunList& other) noexcept;
    };

    AttributedString() = default;
    explicit AttributedString(const QString& text, const Attributes& attributes = {});
    AttributedString(const AttributedString&) = default;
    AttributedString(AttributedString&&) = default;
    // Assigning is a change of the assigned-to text (see changeCount()).
    AttributedString& operator=(const AttributedString& other);
    AttributedString& operator=(AttributedString&& other);

    static AttributedStringPtr make(const QString& text = {}, const Attributes& attributes = {}) {
        return std::make_shared<AttributedString>(text, attributes);
    }
    // A text from runs a builder made (a reader), which keeps equal
    // neighbours in one run. Runs of no length are dropped; runs that do not
    // cover the text exactly give it no attributes rather than wrong ones.
    static AttributedString withRuns(QString text, std::vector<Run> runs);

    const QString& string() const { return text_; }
    qsizetype length() const { return text_.size(); }
    const RunList& runs() const { return runs_; }

    // The attributes at an index and, when asked, the whole run holding them.
    // An index outside the text answers no attributes and an empty range.
    Attributes attributes(qsizetype index, TextRange* effectiveRange = nullptr) const;
    // One attribute at an index; the effective range spans the neighbouring
    // runs that hold the same value.
    Value attribute(const QString& name, qsizetype index, TextRange* effectiveRange = nullptr) const;
    // Calls the function for each run inside the range, clipped to it, in
    // order; the function answers false to stop.
    void enumerateAttributes(TextRange range, const std::function<bool(const AttributeSet&, TextRange)>& fn) const;

    AttributedString attributedSubstring(TextRange range) const;

    // Editing.
    void setAttributes(const Attributes& attributes, TextRange range);
    // Gives the range a set that is shared, not copied.
    void setAttributesSharing(const AttributeSet& attributes, TextRange range);
    void addAttribute(const QString& name, const Value& value, TextRange range);
    void addAttributes(const Attributes& attributes, TextRange range);
    void removeAttribute(const QString& name, TextRange range);
    // New characters take the attributes of the first replaced character, or
    // for an insertion those of the character before (after, at the start).
    void replaceCharacters(TextRange range, const QString& text);
    void replaceCharacters(TextRange range, const AttributedString& text);
    void insert(const AttributedString& text, qsizetype index);
    void append(const AttributedString& text);
    void append(const QString& text, const Attributes& attributes);
    void append(const QString& text, Attributes&& attributes);
    // Appends text with a set that is shared, not copied.
    void appendSharing(const QString& text, const AttributeSet& attributes);
    void appendSharing(QString&& text, const AttributeSet& attributes);
    void deleteCharacters(TextRange range);
    void setString(const QString& text, const Attributes& attributes = {});
    // Gives back storage beyond what the text holds (a text built by
    // appending keeps room to grow); not a change of the text.
    void squeeze();
    // Lets `change` edit the attributes of every run, in order, in one pass
    // over the runs (runs left equal are joined afterwards).
    void changeAttributes(const std::function<void(Attributes&)>& change);
    // Gives the attribute to every run that lacks it. Runs that shared a set
    // share the outcome, within this text and across the texts treated
    // lately on this thread.
    void addAttributeWhereMissing(const QString& name, const Value& value);

    // Grows with every change made to this text, so that a holder can tell
    // without comparing whether the text changed since it last looked. A
    // copy starts from the count of its original.
    quint64 changeCount() const { return changes_; }

    bool isEqualToAttributedString(const AttributedString& other) const { return text_ == other.text_ && runs_ == other.runs_; }

    // Object
    static QString staticClassName() { return QStringLiteral("NSMutableAttributedString"); }
    QString className() const override { return staticClassName(); }
    QStringList classHierarchy() const override {
        return {staticClassName(), QStringLiteral("NSAttributedString"), Object::staticClassName()};
    }
    ObjectPtr newInstance() const override { return std::make_shared<AttributedString>(); }
    ObjectPtr copy() const override { return std::make_shared<AttributedString>(*this); }
    void encodeWithCoder(Coder& coder) const override;
    bool initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;
    size_t hash() const override { return qHash(text_); }
    QString description() const override;

private:
    TextRange clip(TextRange range) const;
    // Makes a run boundary at pos (0 ≤ pos ≤ length); answers the index of the
    // run starting there (runs_.size() at the end).
    size_t splitAt(qsizetype pos);
    // The run holding the index; runs_.size() when there is none.
    size_t runAt(qsizetype index) const;
    void normalize();
    template <class F> void modifyRuns(TextRange range, F&& change);

    QString text_;
    RunList runs_;
    quint64 changes_ = 0;
};

// Registers the rich-text classes (colour, font, URL, paragraph style, tab,
// attributed string, attachment and its file wrapper) with the class
// registry so archives can make them.
void registerRichTextClasses();

}  // namespace ts
