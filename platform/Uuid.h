#pragma once
// A UUID as keyed archives carry it: class "NSUUID", its 16 bytes under
// "NS.uuidbytes". Immutable once made; compares by value. Descriptions use
// the platform's upper-case form, 8-4-4-4-12 hex digits without braces.

#include "platform/Object.h"

#include <QUuid>

namespace ts {

class Uuid : public Object {
public:
    Uuid() = default;
    explicit Uuid(const QUuid& uuid) : uuid_(uuid) {}

    static std::shared_ptr<Uuid> create();  // a new random UUID
    // Null for malformed text. Text already in the form UUIDString() makes
    // is kept and answered again, which spares formatting it on a save.
    static std::shared_ptr<Uuid> fromString(const QString& text);

    QUuid uuid() const { return uuid_; }
    QString UUIDString() const;

    static QString staticClassName() { return QStringLiteral("NSUUID"); }
    QString className() const override { return staticClassName(); }
    QStringList classHierarchy() const override { return {staticClassName(), Object::staticClassName()}; }
    ObjectPtr newInstance() const override { return std::make_shared<Uuid>(); }
    ObjectPtr copy() const override { return std::make_shared<Uuid>(uuid_); }

    void encodeWithCoder(Coder& coder) const override;
    bool initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;
    size_t hash() const override;
    int compare(const Object& other) const override;
    QString description() const override { return UUIDString(); }

private:
    QUuid uuid_;
    QString text_;  // as read or made, when in the standard form; null else
};

}  // namespace ts
