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

void TSRichTextField::readFrom(const ts::Value& value) {
    text_.reset();
    asRead_.reset();
    shownAs_.reset();
    unreadable_ = false;
    readAText_ = false;
    source_ = value;
    pending_ = !value.isNull();
}

void TSRichTextField::set(ts::AttributedStringPtr text) {
    // The file's value and the text as read stay: a text that returns to
    // what was read is saved as the file's own bytes again. A value never
    // read has no text to return to.
    if (pending_) {
        source_ = ts::Value();
        unreadable_ = false;
    }
    text_ = std::move(text);
    pending_ = false;
    shownAs_.reset();
}

void TSRichTextField::show(ts::AttributedStringPtr text) {
    const bool keep = unreadable_ && !isEdited();
    set(std::move(text));
    // Kept bytes cannot be made again from the recovered text: a change
    // made only to show the text differently leaves them what is saved.
    if (keep && text_) {
        shownAs_ = text_;
        shownCount_ = text_->changeCount();
    }
}

const ts::AttributedString* TSRichTextField::textAsRead() const {
    if (asRead_ && asRead_->changeCount() == asReadCount_) return asRead_.get();
    // The object read was changed since (it is handed out and may be edited
    // in place): read the stored value again to compare with.
    ReadOutcome r = readStoredValue(source_);
    asRead_ = std::move(r.text);
    asReadCount_ = asRead_ ? asRead_->changeCount() : 0;
    return asRead_.get();
}

bool TSRichTextField::isEdited() const {
    if (pending_ || source_.isNull()) return false;
    if (!text_) return readAText_;
    if (shownAs_ == text_ && shownCount_ == text_->changeCount()) return false;
    const ts::AttributedString* original = textAsRead();
    if (!original) return true;
    if (original == text_.get()) return false;
    return !text_->isEqualToAttributedString(*original);
}

bool TSRichTextField::isPresent() const {
    if (pending_) return source_.isData() || source_.isString();
    return bool(text_);
}

bool TSRichTextField::mayHaveLinks() const {
    if (!pending_) return bool(text_);
    if (!source_.isData()) return false;
    // The RTF reader takes the field instruction in any case; a link it
    // would read but this test missed would leave its footnote unmarked,
    // and purged on the next save.
    const QByteArray& d = source_.toData();
    static const char kWord[] = "hyperlink";
    auto same = [](char a, char b) { return (a >= 'A' && a <= 'Z' ? char(a - 'A' + 'a') : a) == b; };
    return std::search(d.begin(), d.end(), kWord, kWord + sizeof(kWord) - 1, same) != d.end();
}

void TSRichTextField::parse(const QString& key, const ts::Object* owner) const {
    pending_ = false;
    ReadOutcome r = readStoredValue(source_);
    unreadable_ = r.unreadable;
    if (source_.isData() && r.unreadable)
        TSLogError("The %@ text of %@ could not be read (%@); its %ld bytes are kept as they were", key, ownerName(owner),
                   r.error, qint64(source_.toData().size()));
    else if (source_.isString())
        TSLogError("The %@ text of %@ is stored as plain text, not RTF; it is kept as it was", key, ownerName(owner));
    else if (!source_.isData())
        TSLogError("The %@ text of %@ is a %s, not RTF data; it is kept as it was", key, ownerName(owner),
                   ts::Value::typeName(source_.type()));
    text_ = std::move(r.text);
    readAText_ = bool(text_);
    // The text handed out is the text as read until it changes, so nothing
    // is copied to tell the two apart.
    asRead_ = text_;
    asReadCount_ = text_ ? text_->changeCount() : 0;
}

ts::AttributedStringPtr TSRichTextField::get(const QString& key, const ts::Object* owner) const {
    if (pending_) parse(key, owner);
    return text_;
}

ts::Value TSRichTextField::valueToWrite() const {
    if (pending_) return source_;
    if (!source_.isNull() && !isEdited()) return source_;
    if (!text_) return {};
    const QByteArray rtf = ts::writeRtf(*text_);
    if (rtf.isEmpty()) return {};
    return ts::Value(rtf);
}

QStringList TSRichTextField::keptLinkTargets(const QString& key, const ts::Object* owner) const {
    if (pending_) parse(key, owner);
    QStringList targets;
    if (!unreadable_ || !source_.isData() || isEdited()) return targets;
    static const QRegularExpression field(QStringLiteral(R"re(HYPERLINK\s*(?:\\l\s*)?"([^"]*)")re"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QString raw = QString::fromLatin1(source_.toData());
    for (auto it = field.globalMatch(raw); it.hasNext();) targets << it.next().captured(1);
    return targets;
}
