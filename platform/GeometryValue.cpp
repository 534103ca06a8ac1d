#include "platform/GeometryValue.h"

#include "platform/Coder.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>

namespace ts {

namespace {
const QString kSpecial = QStringLiteral("NS.special");
const QString kPoint = QStringLiteral("NS.pointval");
const QString kSize = QStringLiteral("NS.sizeval");
const QString kRect = QStringLiteral("NS.rectval");
const QString kLocation = QStringLiteral("NS.rangeval.location");
const QString kLength = QStringLiteral("NS.rangeval.length");

bool holdsObject(const Value& v) {
    if (v.isObject()) return true;
    for (const Value& x : v.array())
        if (holdsObject(x)) return true;
    for (const auto& [k, x] : v.dictionary())
        if (holdsObject(x)) return true;
    return false;
}

QString num(double d) { return QString::number(d, 'g', QLocale::FloatingPointShortest); }

// The numbers of a text form such as "{{0, 0}, {10.5, 2}}", with the braces
// and commas required where the platform puts them.
bool parseNumbers(const QString& text, int count, double* out) {
    static const QString number = QStringLiteral("\\s*([-+]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][-+]?\\d+)?)\\s*");
    static const QRegularExpression pair(QStringLiteral("^\\s*\\{%1,%1\\}\\s*$").arg(number));
    static const QRegularExpression quad(
        QStringLiteral("^\\s*\\{\\s*\\{%1,%1\\}\\s*,\\s*\\{%1,%1\\}\\s*\\}\\s*$").arg(number));
    const QRegularExpressionMatch m = (count == 2 ? pair : quad).match(text);
    if (!m.hasMatch()) return false;
    for (int i = 0; i < count; ++i) {
        bool ok = false;
        out[i] = m.captured(i + 1).toDouble(&ok);
        if (!ok) return false;
    }
    return true;
}
}  // namespace

std::shared_ptr<GeometryValue> GeometryValue::point(const QPointF& p) {
    auto g = std::make_shared<GeometryValue>();
    g->kind_ = Kind::Point;
    g->v_[0] = p.x();
    g->v_[1] = p.y();
    return g;
}

std::shared_ptr<GeometryValue> GeometryValue::size(const QSizeF& s) {
    auto g = std::make_shared<GeometryValue>();
    g->kind_ = Kind::Size;
    g->v_[0] = s.width();
    g->v_[1] = s.height();
    return g;
}

std::shared_ptr<GeometryValue> GeometryValue::rect(const QRectF& r) {
    auto g = std::make_shared<GeometryValue>();
    g->kind_ = Kind::Rect;
    g->v_[0] = r.x();
    g->v_[1] = r.y();
    g->v_[2] = r.width();
    g->v_[3] = r.height();
    return g;
}

std::shared_ptr<GeometryValue> GeometryValue::range(quint64 location, quint64 length) {
    auto g = std::make_shared<GeometryValue>();
    g->kind_ = Kind::Range;
    g->range_ = {location, length};
    return g;
}

QPointF GeometryValue::pointValue() const { return kind_ == Kind::Point ? QPointF(v_[0], v_[1]) : QPointF(); }
QSizeF GeometryValue::sizeValue() const { return kind_ == Kind::Size ? QSizeF(v_[0], v_[1]) : QSizeF(); }
QRectF GeometryValue::rectValue() const { return kind_ == Kind::Rect ? QRectF(v_[0], v_[1], v_[2], v_[3]) : QRectF(); }
GeometryValue::Range GeometryValue::rangeValue() const { return kind_ == Kind::Range ? range_ : Range{}; }

QString GeometryValue::stringFromPoint(const QPointF& p) {
    return QStringLiteral("{%1, %2}").arg(num(p.x()), num(p.y()));
}
QString GeometryValue::stringFromSize(const QSizeF& s) {
    return QStringLiteral("{%1, %2}").arg(num(s.width()), num(s.height()));
}
QString GeometryValue::stringFromRect(const QRectF& r) {
    return QStringLiteral("{{%1, %2}, {%3, %4}}").arg(num(r.x()), num(r.y()), num(r.width()), num(r.height()));
}

bool GeometryValue::parsePoint(const QString& text, QPointF& out) {
    double v[2];
    if (!parseNumbers(text, 2, v)) return false;
    out = QPointF(v[0], v[1]);
    return true;
}
bool GeometryValue::parseSize(const QString& text, QSizeF& out) {
    double v[2];
    if (!parseNumbers(text, 2, v)) return false;
    out = QSizeF(v[0], v[1]);
    return true;
}
bool GeometryValue::parseRect(const QString& text, QRectF& out) {
    double v[4];
    if (!parseNumbers(text, 4, v)) return false;
    out = QRectF(v[0], v[1], v[2], v[3]);
    return true;
}

void GeometryValue::encodeWithCoder(Coder& coder) const {
    if (kind_ == Kind::None) return;
    if (kind_ == Kind::Other) {
        auto* keyed = dynamic_cast<KeyedArchiver*>(&coder);
        for (const auto& [key, v] : inline_) {
            switch (v.type()) {
            case Value::Type::Bool: coder.encodeBool(v.toBool(), key); break;
            case Value::Type::Integer: coder.encodeInteger(v.toInt64(), key); break;
            case Value::Type::Real: coder.encodeDouble(v.toDouble(), key); break;
            case Value::Type::Data: coder.encodeBytes(v.toData(), key); break;
            case Value::Type::String:
                if (keyed) keyed->encodeInlineString(v.toString(), key);
                else coder.encodeObject(v, key);
                break;
            default: coder.encodeObject(v, key); break;
            }
        }
        for (const auto& [key, v] : referenced_) coder.encodeObject(v, key);
        return;
    }
    coder.encodeInteger(qint64(kind_), kSpecial);
    if (kind_ == Kind::Range) {
        // Ranges beyond the signed range do not occur: the platform's "not found"
        // location is the largest signed value.
        coder.encodeInteger(qint64(range_.location), kLocation);
        coder.encodeInteger(qint64(range_.length), kLength);
        return;
    }
    QString text, key;
    switch (kind_) {
    case Kind::Point: text = stringFromPoint(pointValue()), key = kPoint; break;
    case Kind::Size: text = stringFromSize(sizeValue()), key = kSize; break;
    default: text = stringFromRect(rectValue()), key = kRect; break;
    }
    if (auto* keyed = dynamic_cast<KeyedArchiver*>(&coder)) keyed->encodeInlineString(text, key);
    else coder.encodeObject(text, key);
}

bool GeometryValue::initWithCoder(Coder& coder) {
    auto* keyed = dynamic_cast<KeyedUnarchiver*>(&coder);
    // A value that says it is a point, size, rect or range but is not one is
    // damage, not an absent value: the caller hears why.
    const auto malformed = [keyed](const char* what) {
        if (keyed) keyed->failWithError(QStringLiteral("an NSValue %1 with malformed fields").arg(QLatin1String(what)));
        return false;
    };
    const Value specialValue = coder.decodeObject(kSpecial);
    const qint64 special = specialValue.isInteger() ? specialValue.toInt64() : 0;
    switch (special) {
    case 1: {
        QPointF p;
        if (!parsePoint(coder.decodeObject(kPoint).toString(), p)) return malformed("point");
        *this = *point(p);
        return true;
    }
    case 2: {
        QSizeF s;
        if (!parseSize(coder.decodeObject(kSize).toString(), s)) return malformed("size");
        *this = *size(s);
        return true;
    }
    case 3: {
        QRectF r;
        if (!parseRect(coder.decodeObject(kRect).toString(), r)) return malformed("rect");
        *this = *rect(r);
        return true;
    }
    case 4: {
        const Value location = coder.decodeObject(kLocation);
        const Value length = coder.decodeObject(kLength);
        if (!location.isInteger() || !length.isInteger()) return malformed("range");
        kind_ = Kind::Range;
        range_ = {location.toUInt64(), length.toUInt64()};
        return true;
    }
    default: break;
    }
    // A kind modelled nowhere here (edge insets, an Objective-C type with its
    // bytes, ...): kept field by field so that a re-save writes it back.
    if (!keyed) return false;
    kind_ = Kind::Other;
    for (const auto& [key, stored] : keyed->currentEntry()) {
        if (key == QLatin1String("$class")) continue;
        if (stored.isUid()) {
            Value v = keyed->decodeObject(key);
            if (!keyed->ok()) return false;
            // Plain values only: an object here could be one that holds this
            // very value, a cycle no owner would ever release.
            if (holdsObject(v)) {
                keyed->failWithError(QStringLiteral("an NSValue of another kind holds an object under \"%1\"").arg(key));
                return false;
            }
            referenced_[key] = std::move(v);
        } else {
            inline_[key] = stored;
        }
    }
    return true;
}

bool GeometryValue::isEqual(const Object& other) const {
    const auto* o = dynamic_cast<const GeometryValue*>(&other);
    if (!o || o->kind_ != kind_) return false;
    if (kind_ == Kind::Range) return o->range_ == range_;
    if (kind_ == Kind::Other) return o->inline_ == inline_ && o->referenced_ == referenced_;
    return std::equal(std::begin(v_), std::end(v_), std::begin(o->v_));
}

size_t GeometryValue::hash() const {
    if (kind_ == Kind::Range) return qHashMulti(0, int(kind_), range_.location, range_.length);
    return qHashMulti(0, int(kind_), v_[0], v_[1], v_[2], v_[3]);
}

QString GeometryValue::description() const {
    switch (kind_) {
    case Kind::Point: return QStringLiteral("NSPoint: ") + stringFromPoint(pointValue());
    case Kind::Size: return QStringLiteral("NSSize: ") + stringFromSize(sizeValue());
    case Kind::Rect: return QStringLiteral("NSRect: ") + stringFromRect(rectValue());
    case Kind::Range: return QStringLiteral("NSRange: {%1, %2}").arg(range_.location).arg(range_.length);
    case Kind::Other: {
        QStringList keys;
        for (const auto& [key, v] : inline_) keys << key;
        for (const auto& [key, v] : referenced_) keys << key;
        return QStringLiteral("<NSValue of another kind: %1>").arg(keys.join(QStringLiteral(", ")));
    }
    case Kind::None: break;
    }
    return QStringLiteral("<NSValue>");
}

}  // namespace ts
