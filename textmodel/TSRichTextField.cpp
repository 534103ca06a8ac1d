#include "TSRichTextField.h"

#include "TSTextHelpers.h"

#include "app/logging/LGLog.h"
#include "platform/Rtf.h"
#include "platform/Rtfd.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// Whether the bytes hold "hyperlink" in either case. Every save asks this of
// every line not read yet, so the candidates are found with memchr: a text
// holds few h's.
bool containsHyperlink(QByteArrayView d) {
    static constexpr char kWord[] = "hyperlink";
    constexpr qsizetype kLength = sizeof(kWord) - 1;
    const char* const end = d.constData() + d.size();
    for (const char first : {'h', 'H'}) {
        for (const char* p = d.constData(); end - p >= kLength; ++p) {
            p = static_cast<const char*>(std::memchr(p, first, size_t(end - p - kLength + 1)));
            if (!p) break;
            if (qstrnicmp(p + 1, kWord + 1, kLength - 1) == 0) return true;
        }
    }
    return false;
}

QString ownerName(const ts::Object* owner) { return owner ? owner->description() : QStringLiteral("a line"); }

struct ReadOutcome {
    ts::AttributedStringPtr text;  // null for a value that is no text at all
    bool unreadable = false;
    QString error;
};

// The text a stored value shows: its rich text, or what plain text can be
// recovered from data the reader refuses.
ReadOutcome parseStoredValue(const ts::Value& source) {
    ReadOutcome out;
    if (source.isData()) {
        const QByteArray& data = source.toData();
        ts::RtfdReadResult r = ts::readRichTextData(data);
        if (r.ok) {
            out.text = std::make_shared<ts::AttributedString>(std::move(r.text));
        } else {
            out.unreadable = true;
            out.error = r.error;
            out.text = ts::AttributedString::make(TSTextHelpers::recoverPlainText(data));
        }
    } else if (source.isString()) {
        out.unreadable = true;
        out.text = ts::AttributedString::make(source.toString());
    } else {
        out.unreadable = true;
        return out;
    }
    // Text saved in one appearance stays readable in another.
    TSTextHelpers::addTextColorWhereMissing(*out.text);
    return out;
}

// Short texts recur throughout a document (line numbers that start again
// in every section, empty translations), and the same bytes always read as
// the same text: the short texts recently read from short data are
// remembered (a whole line of verse seldom recurs, and remembering every
// one would cost more than it saves).
// An entry is the very text handed out, so it counts only while that text
// is unchanged; a hit hands out a copy.
struct RecentText {
    ReadOutcome outcome;
    quint64 changeCount = 0;
};
constexpr qsizetype kRecentDataSize = 1024;
constexpr qsizetype kRecentTextLength = 32;
constexpr qsizetype kRecentTexts = 512;

// The texts read lately, in two generations: a full newer one becomes the
// older, and a text found in the older moves back into the newer.
struct RecentTexts {
    QHash<QByteArray, RecentText> newer, older;

    const RecentText* find(const QByteArray& data) {
        auto it = newer.constFind(data);
        if (it != newer.constEnd()) return &*it;
        auto old = older.find(data);
        if (old == older.end()) return nullptr;
        RecentText entry = std::move(*old);
        older.erase(old);
        return &*add(data, std::move(entry));
    }
    QHash<QByteArray, RecentText>::iterator add(const QByteArray& data, RecentText entry) {
        if (newer.size() >= kRecentTexts) {
            older = std::move(newer);
            newer = {};
        }
        return newer.insert(data, std::move(entry));
    }
};

ReadOutcome readStoredValue(const ts::Value& source) {
    if (!source.isData() || source.toData().size() > kRecentDataSize) return parseStoredValue(source);
    thread_local RecentTexts recent;
    const QByteArray data = source.toData();
    const RecentText* known = recent.find(data);
    if (known && known->outcome.text && known->outcome.text->changeCount() == known->changeCount) {
        ReadOutcome copy = known->outcome;
        copy.text = std::make_shared<ts::AttributedString>(*known->outcome.text);
        return copy;
    }
    ReadOutcome out = parseStoredValue(source);
    if (out.text && out.text->length() <= kRecentTextLength) recent.add(data, RecentText{out, out.text->changeCount()});
    return out;
}

}  // namespace

// An imported text makes a line per verse, each with four columns: a
// column costs no more than its text and one word.
static_assert(sizeof(TSRichTextField) == sizeof(ts::AttributedStringPtr) + sizeof(void*));

TSRichTextField::TSRichTextField(const TSRichTextField& other) { copyFrom(other); }

TSRichTextField& TSRichTextField::operator=(const TSRichTextField& other) {
    if (this != &other) {
        clear();
        copyFrom(other);
    }
    return *this;
}

TSRichTextField::TSRichTextField(TSRichTextField&& other) noexcept { moveFrom(other); }

TSRichTextField& TSRichTextField::operator=(TSRichTextField&& other) noexcept {
    if (this != &other) {
        clear();
        moveFrom(other);
    }
    return *this;
}

TSRichTextField::~TSRichTextField() {
    clear();
    std::destroy_at(&slot_.text);
}

void TSRichTextField::setStored(std::unique_ptr<Stored> stored) const {
    if (isUnread()) clear();
    delete reinterpret_cast<Stored*>(word_);
    word_ = reinterpret_cast<quintptr>(stored.release());
}

void TSRichTextField::clear() const {
    if (isUnread()) {
        {
            // Adopted, so released with it.
            Bytes adopted(slot_.unread.header, slot_.unread.data, unreadLength());
        }
        std::construct_at(&slot_.text);
    } else {
        slot_.text.reset();
        delete reinterpret_cast<Stored*>(word_);
    }
    word_ = 0;
}

QByteArray TSRichTextField::unreadBytes() const {
    // Borrowed, not adopted: the copy takes a reference of its own.
    Bytes borrowed(slot_.unread.header, slot_.unread.data, unreadLength());
    QByteArray copy{Bytes(borrowed)};
    borrowed.d = nullptr;
    return copy;
}

void TSRichTextField::keepUnread(QByteArray bytes) {
    clear();
    Bytes& parts = bytes.data_ptr();
    std::destroy_at(&slot_.text);
    std::construct_at(&slot_.unread, UnreadBytes{parts.d, parts.ptr});
    word_ = (quintptr(parts.size) << kLengthShift) | kUnreadBit;
    // The field holds the reference now.
    parts.d = nullptr;
    parts.ptr = nullptr;
    parts.size = 0;
}

void TSRichTextField::copyFrom(const TSRichTextField& other) {
    if (other.isUnread()) {
        keepUnread(other.unreadBytes());
        return;
    }
    slot_.text = other.slot_.text;
    if (const Stored* st = other.stored()) setStored(std::make_unique<Stored>(*st));
}

void TSRichTextField::moveFrom(TSRichTextField& other) noexcept {
    if (other.isUnread()) {
        std::destroy_at(&slot_.text);
        std::construct_at(&slot_.unread, other.slot_.unread);
        std::construct_at(&other.slot_.text);
    } else {
        slot_.text = std::move(other.slot_.text);
    }
    word_ = other.word_;
    other.word_ = 0;
}

void TSRichTextField::materialize() const {
    if (!isUnread()) return;
    auto st = std::make_unique<Stored>();
    st->source = ts::Value(unreadBytes());
    st->pending = true;
    setStored(std::move(st));
}

void TSRichTextField::readFrom(const ts::Value& value) {
    if (value.isNull()) {
        clear();
        return;
    }
    if (value.isData()) {
        keepUnread(value.toData());
        return;
    }
    if (!stored()) setStored(std::make_unique<Stored>());
    slot_.text.reset();
    Stored& st = *stored();
    st.asRead.reset();
    st.shownAs.reset();
    st.unreadable = false;
    st.readAText = false;
    st.source = value;
    st.pending = true;
}

void TSRichTextField::set(ts::AttributedStringPtr text) {
    // A value never read has no text to return to.
    if (isUnread()) clear();
    slot_.text = std::move(text);
    if (!stored()) return;
    // The file's value and the text as read stay: a text that returns to
    // what was read is saved as the file's own bytes again. A value never
    // read has no text to return to.
    if (stored()->pending) {
        setStored(nullptr);
        return;
    }
    stored()->shownAs.reset();
}

void TSRichTextField::show(ts::AttributedStringPtr text) {
    const bool keep = stored() && stored()->unreadable && !isEdited();
    set(std::move(text));
    // Kept bytes cannot be made again from the recovered text: a change
    // made only to show the text differently leaves them what is saved.
    if (keep && slot_.text && stored()) {
        stored()->shownAs = slot_.text;
        stored()->shownCount = slot_.text->changeCount();
    }
}

const ts::AttributedString* TSRichTextField::textAsRead() const {
    Stored& st = *stored();
    if (st.asRead && st.asRead->changeCount() == st.asReadCount) return st.asRead.get();
    // The object read was changed since (it is handed out and may be edited
    // in place): read the stored value again to compare with.
    ReadOutcome r = readStoredValue(st.source);
    st.asRead = std::move(r.text);
    st.asReadCount = st.asRead ? st.asRead->changeCount() : 0;
    return st.asRead.get();
}

bool TSRichTextField::isEdited() const {
    const Stored* stp = stored();
    if (!stp || stp->pending || stp->source.isNull()) return false;
    const Stored& st = *stp;
    const ts::AttributedStringPtr& text = slot_.text;
    if (!text) return st.readAText;
    if (st.shownAs == text && st.shownCount == text->changeCount()) return false;
    const ts::AttributedString* original = textAsRead();
    if (!original) return true;
    if (original == text.get()) return false;
    return !text->isEqualToAttributedString(*original);
}

bool TSRichTextField::isPresent() const {
    if (isUnread()) return true;
    if (pending()) return stored()->source.isData() || stored()->source.isString();
    return bool(slot_.text);
}

bool TSRichTextField::mayHaveLinks() const {
    if (!pending()) return bool(slot_.text);
    if (!isUnread() && !stored()->source.isData()) return false;
    // The RTF reader takes the field instruction in any case; a link it
    // would read but this test missed would leave its footnote unmarked,
    // and purged on the next save.
    if (!isUnread()) return containsHyperlink(stored()->source.toData());
    // Every save asks again of every line not read: bytes without a link
    // are remembered as such, as they never change.
    if (word_ & kNoLinksBit) return false;
    const bool links = containsHyperlink(QByteArrayView(slot_.unread.data, unreadLength()));
    if (!links) word_ |= kNoLinksBit;
    return links;
}

void TSRichTextField::parse(const QString& key, const ts::Object* owner) const {
    materialize();
    Stored& st = *stored();
    st.pending = false;
    const ts::Value& source = st.source;
    ReadOutcome r = readStoredValue(source);
    st.unreadable = r.unreadable;
    if (source.isData() && r.unreadable)
        TSLogError("The %@ text of %@ could not be read (%@); its %ld bytes are kept as they were", key, ownerName(owner),
                   r.error, qint64(source.toData().size()));
    else if (source.isString())
        TSLogError("The %@ text of %@ is stored as plain text, not RTF; it is kept as it was", key, ownerName(owner));
    else if (!source.isData())
        TSLogError("The %@ text of %@ is a %s, not RTF data; it is kept as it was", key, ownerName(owner),
                   ts::Value::typeName(source.type()));
    ts::AttributedStringPtr& text = slot_.text;
    text = std::move(r.text);
    st.readAText = bool(text);
    // The text handed out is the text as read until it changes, so nothing
    // is copied to tell the two apart.
    st.asRead = text;
    st.asReadCount = text ? text->changeCount() : 0;
}

ts::AttributedStringPtr TSRichTextField::get(const QString& key, const ts::Object* owner) const {
    if (pending()) parse(key, owner);
    return slot_.text;
}

ts::Value TSRichTextField::valueToWrite() const {
    if (isUnread()) return ts::Value(unreadBytes());
    const Stored* st = stored();
    if (st && (st->pending || (!st->source.isNull() && !isEdited()))) return st->source;
    if (!slot_.text) return {};
    const QByteArray rtf = ts::writeRtf(*slot_.text);
    if (rtf.isEmpty()) return {};
    return ts::Value(rtf);
}

QStringList TSRichTextField::keptLinkTargets(const QString& key, const ts::Object* owner) const {
    if (pending()) parse(key, owner);
    QStringList targets;
    const Stored* st = stored();
    if (!st || !st->unreadable || !st->source.isData() || isEdited()) return targets;
    static const QRegularExpression field(QStringLiteral(R"re(HYPERLINK\s*(?:\\l\s*)?"([^"]*)")re"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QString raw = QString::fromLatin1(st->source.toData());
    for (auto it = field.globalMatch(raw); it.hasNext();) targets << it.next().captured(1);
    return targets;
}
