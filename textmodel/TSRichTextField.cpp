#include "TSRichTextField.h"

#include "TSTextHelpers.h"

#include "app/logging/LGLog.h"
#include "platform/Rtf.h"
#include "platform/Rtfd.h"

#include <QRegularExpression>

#include <algorithm>

namespace {
QString ownerName(const ts::Object* owner) { return owner ? owner->description() : QStringLiteral("a line"); }
}  // namespace

void TSRichTextField::readFrom(const ts::Value& value) {
    text_.reset();
    asRead_.reset();
    shownAs_.reset();
    unreadable_ = false;
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
    if (keep && text_) shownAs_ = *text_;
}

bool TSRichTextField::isEdited() const {
    if (pending_ || source_.isNull()) return false;
    if (!text_) return bool(asRead_);
    if (asRead_ && text_->isEqualToAttributedString(*asRead_)) return false;
    if (shownAs_ && text_->isEqualToAttributedString(*shownAs_)) return false;
    return true;
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
    if (source_.isData()) {
        const QByteArray data = source_.toData();
        ts::RtfdReadResult r = ts::readRichTextData(data);
        if (r.ok) {
            text_ = std::make_shared<ts::AttributedString>(std::move(r.text));
        } else {
            unreadable_ = true;
            TSLogError("The %@ text of %@ could not be read (%@); its %ld bytes are kept as they were", key, ownerName(owner),
                       r.error, qint64(data.size()));
            text_ = ts::AttributedString::make(TSTextHelpers::recoverPlainText(data));
        }
    } else if (source_.isString()) {
        unreadable_ = true;
        TSLogError("The %@ text of %@ is stored as plain text, not RTF; it is kept as it was", key, ownerName(owner));
        text_ = ts::AttributedString::make(source_.toString());
    } else {
        unreadable_ = true;
        TSLogError("The %@ text of %@ is a %s, not RTF data; it is kept as it was", key, ownerName(owner),
                   ts::Value::typeName(source_.type()));
        text_.reset();
        return;
    }
    // Text saved in one appearance stays readable in another.
    TSTextHelpers::addTextColorWhereMissing(*text_);
    asRead_ = *text_;
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
