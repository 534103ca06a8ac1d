#include "platform/Url.h"

#include "platform/Coder.h"

namespace ts {

QString Url::absoluteString() const {
    if (!base_) return relative_;
    const QUrl rel(relative_);
    if (!rel.scheme().isEmpty()) return relative_;
    return QUrl(base_->absoluteString()).resolved(rel).toString();
}

QString Url::scheme() const {
    const QString s = absoluteString();
    const int colon = s.indexOf(QLatin1Char(':'));
    if (colon <= 0) return QString();
    for (int i = 0; i < colon; ++i) {
        const QChar c = s.at(i);
        if (!(c.isLetterOrNumber() || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('.'))) return QString();
    }
    return s.left(colon).toLower();
}

void Url::encodeWithCoder(Coder& coder) const {
    coder.encodeObject(base_ ? Value(base_) : Value(), QStringLiteral("NS.base"));
    coder.encodeObject(relative_, QStringLiteral("NS.relative"));
}

bool Url::initWithCoder(Coder& coder) {
    const Value rel = coder.decodeObject(QStringLiteral("NS.relative"));
    if (!rel.isString()) return false;
    relative_ = rel.toString();
    auto base = coder.decodeObject(QStringLiteral("NS.base")).toObjectAs<Url>();
    // A short chain of bases is legal; a cycle (the unarchiver hands out the
    // same object for the same reference) or an absurd depth is refused.
    int depth = 0;
    for (auto b = base; b; b = b->base_) {
        if (b.get() == this || ++depth > 16) return false;
    }
    base_ = base;
    return true;
}

bool Url::isEqual(const Object& other) const {
    auto o = dynamic_cast<const Url*>(&other);
    return o && o->absoluteString() == absoluteString();
}

}  // namespace ts
