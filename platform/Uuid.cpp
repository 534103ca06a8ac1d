#include "platform/Uuid.h"

#include "platform/Coder.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QHash>
#include <QRandomGenerator>

#include <algorithm>
#include <cstring>

namespace ts {

namespace {
const QString kBytesKey = QStringLiteral("NS.uuidbytes");

// The upper-case form; the digits are ASCII, so no case tables are needed.
QString standardText(const QUuid& uuid) {
    QString text = uuid.toString(QUuid::WithoutBraces);
    for (QChar& c : text)
        if (c.unicode() >= u'a' && c.unicode() <= u'f') c = QChar(c.unicode() - (u'a' - u'A'));
    return text;
}
}  // namespace

std::shared_ptr<Uuid> Uuid::create() {
    // A random (version 4) uuid from the process's generator, seeded from
    // the system's: asking the system for every one made each new node or
    // footnote of an import wait on it.
    quint32 words[4];
    QRandomGenerator::global()->fillRange(words);
    char bytes[16];
    std::memcpy(bytes, words, sizeof bytes);
    bytes[6] = char((bytes[6] & 0x0F) | 0x40);
    bytes[8] = char((bytes[8] & 0x3F) | 0x80);
    auto made = std::make_shared<Uuid>(QUuid::fromRfc4122(QByteArrayView(bytes, sizeof bytes)));
    // A new node's uuid is written on every save: its text is made once.
    made->text_ = standardText(made->uuid_);
    return made;
}

std::shared_ptr<Uuid> Uuid::fromString(const QString& text) {
    const QUuid u = QUuid::fromString(text);
    // The null uuid parses as null too: only text that is nothing but its
    // zeros (with dashes or braces) stands for it.
    if (u.isNull() && (text.count(QLatin1Char('0')) != 32 || std::any_of(text.begin(), text.end(), [](QChar c) {
                           return c != u'0' && c != u'-' && c != u'{' && c != u'}';
                       })))
        return nullptr;
    auto made = std::make_shared<Uuid>(u);
    // Thirty-six characters that parse are the standard form; without
    // lower-case letters they are what UUIDString() would make.
    if (text.size() == 36 &&
        std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= u'a' && c.unicode() <= u'z'; }))
        made->text_ = text;
    return made;
}

QString Uuid::UUIDString() const {
    return text_.isNull() ? standardText(uuid_) : text_;
}

void Uuid::encodeWithCoder(Coder& coder) const {
    const QByteArray bytes = uuid_.toRfc4122();
    // The platform keeps the bytes inside the object's own entry.
    if (auto* keyed = dynamic_cast<KeyedArchiver*>(&coder)) keyed->encodeBytes(bytes, kBytesKey);
    else coder.encodeObject(bytes, kBytesKey);
}

bool Uuid::initWithCoder(Coder& coder) {
    QByteArray bytes;
    if (auto* keyed = dynamic_cast<KeyedUnarchiver*>(&coder)) bytes = keyed->decodeBytes(kBytesKey);
    else bytes = coder.decodeObject(kBytesKey).toData();
    if (bytes.size() != 16) return false;
    uuid_ = QUuid::fromRfc4122(bytes);
    text_.clear();  // the text kept from a string would name the old uuid
    return true;
}

bool Uuid::isEqual(const Object& other) const {
    const auto* o = dynamic_cast<const Uuid*>(&other);
    return o && o->uuid_ == uuid_;
}

size_t Uuid::hash() const { return qHash(uuid_); }

int Uuid::compare(const Object& other) const {
    const auto* o = dynamic_cast<const Uuid*>(&other);
    if (!o) return Object::compare(other);
    return UUIDString().compare(o->UUIDString());
}

}  // namespace ts
