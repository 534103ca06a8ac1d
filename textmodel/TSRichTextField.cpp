#include "TSRichTextField.h"

#include "TSTextHelpers.h"

#include "app/logging/LGLog.h"
#include "platform/Rtf.h"
#include "platform/Rtfd.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace {

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

TSRichTextField::TSRichTextField(const TSRichTextField& other)
    : text_(other.text_),
      stored_(other.stored_ ? std::make_unique<Stored>(*other.stored_) : nullptr),
      pendingData_(other.pendingData_),
      hasPendingData_(other.hasPendingData_) {}

TSRichTextField& TSRichTextField::operator=(const TSRichTextField& other) {
    if (this != &other) {
        text_ = other.text_;
        stored_ = other.stored_ ? std::make_unique<Stored>(*other.stored_) : nullptr;
        pendingData_ = other.pendingData_;
        hasPendingData_ = other.hasPendingData_;
    }
    return *this;
}

TSRichTextField::~TSRichTextField() = default;

void TSRichTextField::materialize() const {
    if (!hasPendingData_) return;
    stored_ = std::make_unique<Stored>();
    stored_->source = ts::Value(pendingData_);
    stored_->pending = true;
    pendingData_ = QByteArray();
    hasPendingData_ = false;
}

void TSRichTextField::readFrom(const ts::Value& value) {
    text_.reset();
    pendingData_ = QByteArray();
    hasPendingData_ = false;
    if (value.isNull()) {
        stored_.reset();
        return;
    }
    if (value.isData()) {
        stored_.reset();
        pendingData_ = value.toData();
        hasPendingData_ = true;
        return;
    }
    if (!stored_) stored_ = std::make_unique<Stored>();
    Stored& st = *stored_;
    st.asRead.reset();
    st.shownAs.reset();
    st.unreadable = false;
    st.readAText = false;
    st.source = value;
    st.pending = true;
}

void TSRichTextField::set(ts::AttributedStringPtr text) {
    text_ = std::move(text);
    if (hasPendingData_) {
        // A value never read has no text to return to.
        pendingData_ = QByteArray();
        hasPendingData_ = false;
    }
    if (!stored_) return;
    // The file's value and the text as read stay: a text that returns to
    // what was read is saved as the file's own bytes again. A value never
    // read has no text to return to.
    if (stored_->pending) {
        stored_.reset();
        return;
    }
    stored_->shownAs.reset();
}

void TSRichTextField::show(ts::AttributedStringPtr text) {
    const bool keep = stored_ && stored_->unreadable && !isEdited();
    set(std::move(text));
    // Kept bytes cannot be made again from the recovered text: a change
    // made only to show the text differently leaves them what is saved.
    if (keep && text_ && stored_) {
        stored_->shownAs = text_;
        stored_->shownCount = text_->changeCount();
    }
}

const ts::AttributedString* TSRichTextField::textAsRead() const {
    Stored& st = *stored_;
    if (st.asRead && st.asRead->changeCount() == st.asReadCount) return st.asRead.get();
    // The object read was changed since (it is handed out and may be edited
    // in place): read the stored value again to compare with.
    ReadOutcome r = readStoredValue(st.source);
    st.asRead = std::move(r.text);
    st.asReadCount = st.asRead ? st.asRead->changeCount() : 0;
    return st.asRead.get();
}

bool TSRichTextField::isEdited() const {
    if (hasPendingData_ || !stored_ || stored_->pending || stored_->source.isNull()) return false;
    const Stored& st = *stored_;
    if (!text_) return st.readAText;
    if (st.shownAs == text_ && st.shownCount == text_->changeCount()) return false;
    const ts::AttributedString* original = textAsRead();
    if (!original) return true;
    if (original == text_.get()) return false;
    return !text_->isEqualToAttributedString(*original);
}

bool TSRichTextField::isPresent() const {
    if (hasPendingData_) return true;
    if (pending()) return stored_->source.isData() || stored_->source.isString();
    return bool(text_);
}

bool TSRichTextField::mayHaveLinks() const {
    if (!pending()) return bool(text_);
    if (!hasPendingData_ && !stored_->source.isData()) return false;
    // The RTF reader takes the field instruction in any case; a link it
    // would read but this test missed would leave its footnote unmarked,
    // and purged on the next save.
    const QByteArray d = hasPendingData_ ? pendingData_ : stored_->source.toData();
    static const char kWord[] = "hyperlink";
    auto same = [](char a, char b) { return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b; };
    return std::search(d.begin(), d.end(), kWord, kWord + sizeof(kWord) - 1, same) != d.end();
}

void TSRichTextField::parse(const QString& key, const ts::Object* owner) const {
    materialize();
    Stored& st = *stored_;
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
    text_ = std::move(r.text);
    st.readAText = bool(text_);
    // The text handed out is the text as read until it changes, so nothing
    // is copied to tell the two apart.
    st.asRead = text_;
    st.asReadCount = text_ ? text_->changeCount() : 0;
}

ts::AttributedStringPtr TSRichTextField::get(const QString& key, const ts::Object* owner) const {
    if (pending()) parse(key, owner);
    return text_;
}

ts::Value TSRichTextField::valueToWrite() const {
    if (hasPendingData_) return ts::Value(pendingData_);
    if (pending()) return stored_->source;
    if (stored_ && !stored_->source.isNull() && !isEdited()) return stored_->source;
    if (!text_) return {};
    const QByteArray rtf = ts::writeRtf(*text_);
    if (rtf.isEmpty()) return {};
    return ts::Value(rtf);
}

QStringList TSRichTextField::keptLinkTargets(const QString& key, const ts::Object* owner) const {
    if (pending()) parse(key, owner);
    QStringList targets;
    if (!stored_ || !stored_->unreadable || !stored_->source.isData() || isEdited()) return targets;
    static const QRegularExpression field(QStringLiteral(R"re(HYPERLINK\s*(?:\\l\s*)?"([^"]*)")re"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QString raw = QString::fromLatin1(stored_->source.toData());
    for (auto it = field.globalMatch(raw); it.hasNext();) targets << it.next().captured(1);
    return targets;
}
