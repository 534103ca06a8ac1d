#pragma once
// A URL as keyed archives and rich-text links carry it: a relative string
// resolved against an optional base URL. The string is kept exactly as given
// (links such as "footnote:0A1B..." are not web addresses and must not be
// normalised), so reading and writing it back is lossless.

#include "platform/Object.h"

#include <QUrl>

#include <memory>

namespace ts {

class Url;
using UrlPtr = std::shared_ptr<Url>;

class Url : public Object {
public:
    Url() = default;
    explicit Url(const QString& relative, UrlPtr base = nullptr) : relative_(relative), base_(std::move(base)) {}

    static UrlPtr make(const QString& string, UrlPtr base = nullptr) { return std::make_shared<Url>(string, std::move(base)); }

    QString relativeString() const { return relative_; }
    UrlPtr baseUrl() const { return base_; }
    // The relative string resolved against the base; the relative string
    // itself when there is no base.
    QString absoluteString() const;
    QString scheme() const;
    QUrl toQUrl() const { return QUrl(absoluteString()); }

    // Object
    static QString staticClassName() { return QStringLiteral("NSURL"); }
    QString className() const override { return staticClassName(); }
    QStringList classHierarchy() const override { return {staticClassName(), Object::staticClassName()}; }
    ObjectPtr newInstance() const override { return std::make_shared<Url>(); }
    ObjectPtr copy() const override { return std::make_shared<Url>(*this); }
    void encodeWithCoder(Coder& coder) const override;
    bool initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;
    size_t hash() const override { return qHash(absoluteString()); }
    QString description() const override { return absoluteString(); }

private:
    QString relative_;
    UrlPtr base_;
};

}  // namespace ts
