#pragma once
// The platform's boxed geometry value (class "NSValue") as keyed archives
// carry it: a point, size, rect or range, told apart by "NS.special"
// (1 point, 2 size, 3 rect, 4 range). Points, sizes and rects are written as
// text, "{x, y}", "{w, h}" and "{{x, y}, {w, h}}", under "NS.pointval",
// "NS.sizeval" and "NS.rectval"; a range as the integers
// "NS.rangeval.location" and "NS.rangeval.length". A point, size, rect or
// range whose fields are malformed fails the whole unarchive with a reason.
// NSValues of other kinds (other "NS.special" codes, or none) are kept as the
// archive held them, every key with its inline value or referenced plain
// value (strings, numbers, data and collections of them; an object there is
// an error), and written back the same way; such a value has kind Other.

#include "platform/Object.h"
#include "platform/Value.h"

#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace ts {

class GeometryValue : public Object {
public:
    enum class Kind { None = 0, Point = 1, Size = 2, Rect = 3, Range = 4, Other = -1 };

    struct Range {
        quint64 location = 0;
        quint64 length = 0;
        bool operator==(const Range& o) const { return location == o.location && length == o.length; }
    };

    GeometryValue() = default;
    static std::shared_ptr<GeometryValue> point(const QPointF& p);
    static std::shared_ptr<GeometryValue> size(const QSizeF& s);
    static std::shared_ptr<GeometryValue> rect(const QRectF& r);
    static std::shared_ptr<GeometryValue> range(quint64 location, quint64 length);

    Kind kind() const { return kind_; }
    // Each answers the empty value of its type for a value of another kind.
    QPointF pointValue() const;
    QSizeF sizeValue() const;
    QRectF rectValue() const;
    Range rangeValue() const;
    // The fields of a value of kind Other: those stored inline in its entry
    // and those stored as references to other archive objects.
    const ValueDictionary& otherInlineFields() const { return inline_; }
    const ValueDictionary& otherReferencedFields() const { return referenced_; }

    // The platform's text forms.
    static QString stringFromPoint(const QPointF& p);
    static QString stringFromSize(const QSizeF& s);
    static QString stringFromRect(const QRectF& r);
    // False for text that does not hold exactly the expected numbers.
    static bool parsePoint(const QString& text, QPointF& out);
    static bool parseSize(const QString& text, QSizeF& out);
    static bool parseRect(const QString& text, QRectF& out);

    static QString staticClassName() { return QStringLiteral("NSValue"); }
    QString className() const override { return staticClassName(); }
    QStringList classHierarchy() const override { return {staticClassName(), Object::staticClassName()}; }
    ObjectPtr newInstance() const override { return std::make_shared<GeometryValue>(); }
    ObjectPtr copy() const override { return std::make_shared<GeometryValue>(*this); }

    void encodeWithCoder(Coder& coder) const override;
    bool initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;
    size_t hash() const override;
    QString description() const override;

private:
    Kind kind_ = Kind::None;
    double v_[4] = {0, 0, 0, 0};  // x y w h; x y; w h
    Range range_;
    ValueDictionary inline_, referenced_;
};

}  // namespace ts
