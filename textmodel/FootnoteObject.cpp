#include "FootnoteObject.h"

#include "app/logging/LGLog.h"
#include "platform/Coder.h"
#include "platform/Rtfd.h"
#include "platform/Url.h"

std::shared_ptr<ts::Uuid> FootnoteObject::uuid() const {
    if (!uuid_) uuid_ = ts::Uuid::create();
    return uuid_;
}

bool FootnoteObject::isAlreadyNumbered(qint64* number) const {
    if (number) *number = currentNumber_;
    return currentNumber_ > 0;
}

ts::AttributedStringPtr FootnoteObject::attributedString() const {
    if (note_.isNull()) return nullptr;
    ts::RtfdReadResult r = ts::readRichTextData(note_);
    if (!r.ok) {
        TSLogError("The text of footnote %@ could not be read: %@", uniqueID_, r.error);
        return nullptr;
    }
    return std::make_shared<ts::AttributedString>(std::move(r.text));
}

void FootnoteObject::setAttributedString(const ts::AttributedString& text) { note_ = ts::writeRtfd(text); }

void FootnoteObject::setNoteFromString(const QString& string, const ts::Attributes&) {
    if (string.isNull()) return;
    setAttributedString(ts::AttributedString(string));
}

QString FootnoteObject::description() const {
    QString text;
    if (!note_.isNull()) {
        ts::RtfdReadResult r = ts::readRichTextData(note_);
        if (r.ok) text = r.text.string();
    }
    if (!title_.isNull()) return title_ + QStringLiteral(": ") + text;
    return text;
}

int FootnoteObject::footnoteComparision(const FootnoteObject& other) const {
    const int c = uniqueID_.compare(other.uniqueID_);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool FootnoteObject::ArchivedForm::operator==(const ArchivedForm& o) const {
    auto same = [](const auto& a, const auto& b) { return a.isNull() == b.isNull() && a == b; };
    return uuid == o.uuid && same(title, o.title) && same(uniqueID, o.uniqueID) && same(note, o.note) &&
           newerForm == o.newerForm;
}

void FootnoteObject::encodeWithCoder(ts::Coder& coder) const {
    if (!newerForm_.empty()) {
        for (const ts::Value& v : newerForm_) coder.encodeValue(v);
        return;
    }
    auto orNull = [](const QString& s) { return s.isNull() ? ts::Value() : ts::Value(s); };
    coder.encodeValue(ts::Value(qint64(kArchiveVersion)));
    coder.encodeValue(ts::Value(uuid()));
    coder.encodeValue(orNull(title_));
    coder.encodeValue(orNull(uniqueID_));
    coder.encodeValue(note_.isNull() ? ts::Value() : ts::Value(note_));
}

bool FootnoteObject::initWithCoder(ts::Coder& coder) {
    auto readString = [&coder]() {
        const ts::Value v = coder.decodeValue();
        return v.isString() ? v.toString() : QString();
    };
    auto readNote = [&coder]() {
        const ts::Value v = coder.decodeValue();
        return v.isData() ? v.toData() : QByteArray();
    };
    const ts::Value versionValue = coder.decodeValue();
    const qint64 version = versionValue.toInt64();
    newerForm_.clear();
    switch (version) {
    case 3:
        uuid_ = coder.decodeValue().toObjectAs<ts::Uuid>();
        [[fallthrough]];
    case 2:
        title_ = readString();
        [[fallthrough]];
    case 1:
        uniqueID_ = readString();
        note_ = readNote();
        break;
    default:
        TSLogError("bad verions constant at initWithCoder");
        // A newer version's note would be saved back empty: keep its values
        // as they were written, to write them back unchanged.
        if (version > kArchiveVersion) {
            newerForm_.push_back(versionValue);
            for (int i = 1; coder.containsValue(QStringLiteral("$%1").arg(i)); ++i) newerForm_.push_back(coder.decodeValue());
        }
        break;
    }
    return true;
}

qint32 LinkTypeOfLink(const ts::Value& link) {
    auto url = link.toObjectAs<ts::Url>();
    if (!url) return 0;
    const QString text = url->absoluteString();
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QString scheme = colon < 0 ? text : text.left(colon);
    if (scheme == QLatin1String("footnote")) return 1;
    if (scheme == QLatin1String("vocab")) return 2;
    return 0;
}

QString LinkIdentifierString(const ts::Value& link) {
    if (auto url = link.toObjectAs<ts::Url>()) return url->absoluteString();
    if (link.isString()) return link.toString();
    if (auto o = link.toObject()) return o->description();
    return link.description();
}
