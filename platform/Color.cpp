#include "platform/Color.h"

#include "platform/Coder.h"
#include "platform/KeyedArchiver.h"

#include <QHash>
#include <QList>

#include <cmath>

namespace ts {
namespace {

double clampUnit(double v) {
    if (!std::isfinite(v)) return 0;
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

QByteArray componentText(std::initializer_list<double> values) {
    QByteArray out;
    for (double v : values) {
        if (!out.isEmpty()) out += ' ';
        out += QByteArray::number(v, 'g', QLocale::FloatingPointShortest);
    }
    out += '\0';
    return out;
}

// The archive writes components as ASCII numbers separated by blanks and
// ended by a NUL; anything unparsable makes the whole colour unreadable.
bool parseComponents(const QByteArray& data, QList<double>& out) {
    QByteArray text = data;
    int nul = text.indexOf('\0');
    if (nul >= 0) text.truncate(nul);
    const QList<QByteArray> parts = text.simplified().split(' ');
    for (const QByteArray& p : parts) {
        if (p.isEmpty()) continue;
        bool ok = false;
        double v = p.toDouble(&ok);
        if (!ok || !std::isfinite(v)) return false;
        out.append(v);
        if (out.size() > 8) return false;
    }
    return !out.isEmpty();
}

// Components live inline in the colour's own archive dictionary, as the
// platform writes them, when the coder can do that.
void encodeComponents(Coder& coder, const QByteArray& bytes, const QString& key) {
    if (auto* archiver = dynamic_cast<KeyedArchiver*>(&coder)) archiver->encodeBytes(bytes, key);
    else coder.encodeObject(bytes, key);
}

}  // namespace

ColorPtr Color::calibratedRgb(double r, double g, double b, double a) {
    auto c = std::make_shared<Color>();
    c->space_ = Space::CalibratedRGB;
    c->c_[0] = clampUnit(r); c->c_[1] = clampUnit(g); c->c_[2] = clampUnit(b); c->c_[3] = clampUnit(a);
    return c;
}

ColorPtr Color::deviceRgb(double r, double g, double b, double a) {
    auto c = std::make_shared<Color>();
    c->space_ = Space::DeviceRGB;
    c->c_[0] = clampUnit(r); c->c_[1] = clampUnit(g); c->c_[2] = clampUnit(b); c->c_[3] = clampUnit(a);
    return c;
}

ColorPtr Color::white(double w, double a, bool calibrated) {
    auto c = std::make_shared<Color>();
    c->space_ = calibrated ? Space::CalibratedWhite : Space::DeviceWhite;
    c->c_[0] = clampUnit(w); c->c_[1] = clampUnit(a); c->c_[2] = 0; c->c_[3] = 0;
    return c;
}

bool Color::builtinNamedRgb(const QString& name, Rgba& out) {
    // Light-appearance values of the platform's dynamic colours.
    static const QHash<QString, Rgba> table = {
        {QStringLiteral("textColor"), {0, 0, 0, 1}},
        {QStringLiteral("controlTextColor"), {0, 0, 0, 1}},
        {QStringLiteral("labelColor"), {0, 0, 0, 0.847}},
        {QStringLiteral("textBackgroundColor"), {1, 1, 1, 1}},
        {QStringLiteral("controlBackgroundColor"), {1, 1, 1, 1}},
        {QStringLiteral("systemRedColor"), {1, 0.231, 0.188, 1}},
        {QStringLiteral("systemOrangeColor"), {1, 0.584, 0, 1}},
        {QStringLiteral("systemBlueColor"), {0, 0.478, 1, 1}},
        {QStringLiteral("systemGreenColor"), {0.157, 0.804, 0.255, 1}},
        {QStringLiteral("linkColor"), {0, 0.408, 0.855, 1}},
        {QStringLiteral("clearColor"), {0, 0, 0, 0}},
        {QStringLiteral("selectedTextBackgroundColor"), {0.702, 0.843, 1, 1}},
        {QStringLiteral("selectedTextColor"), {0, 0, 0, 1}},
        {QStringLiteral("disabledControlTextColor"), {0, 0, 0, 0.247}},
    };
    auto it = table.find(name);
    if (it == table.end()) return false;
    out = *it;
    return true;
}

ColorPtr Color::named(const QString& catalog, const QString& name, ColorPtr fallback) {
    auto c = std::make_shared<Color>();
    c->space_ = Space::Catalog;
    c->catalog_ = catalog;
    c->name_ = name;
    if (!fallback) {
        Rgba rgb;
        builtinNamedRgb(name, rgb);
        fallback = calibratedRgb(rgb.red, rgb.green, rgb.blue, rgb.alpha);
    }
    c->fallback_ = std::move(fallback);
    return c;
}

ColorPtr Color::textColor() { static const ColorPtr c = named("System", "textColor"); return c; }
ColorPtr Color::textBackgroundColor() { static const ColorPtr c = named("System", "textBackgroundColor"); return c; }
ColorPtr Color::systemRedColor() { static const ColorPtr c = named("System", "systemRedColor"); return c; }
ColorPtr Color::systemOrangeColor() { static const ColorPtr c = named("System", "systemOrangeColor"); return c; }
ColorPtr Color::systemBlueColor() { static const ColorPtr c = named("System", "systemBlueColor"); return c; }
ColorPtr Color::systemGreenColor() { static const ColorPtr c = named("System", "systemGreenColor"); return c; }
ColorPtr Color::linkColor() { static const ColorPtr c = named("System", "linkColor"); return c; }
ColorPtr Color::clearColor() { static const ColorPtr c = named("System", "clearColor"); return c; }
ColorPtr Color::blackColor() { static const ColorPtr c = white(0, 1); return c; }
ColorPtr Color::redColor() { static const ColorPtr c = calibratedRgb(1, 0, 0, 1); return c; }

std::array<double, 4> Color::components() const {
    switch (space_) {
    case Space::CalibratedRGB:
    case Space::DeviceRGB: return {c_[0], c_[1], c_[2], c_[3]};
    case Space::CalibratedWhite:
    case Space::DeviceWhite: return {c_[0], c_[1], 0, 0};
    case Space::Catalog: break;
    }
    return fallback_ ? fallback_->components() : std::array<double, 4>{0, 0, 0, 1};
}

Color::Rgba Color::toRgb() const {
    switch (space_) {
    case Space::CalibratedRGB:
    case Space::DeviceRGB: return {c_[0], c_[1], c_[2], c_[3]};
    case Space::CalibratedWhite:
    case Space::DeviceWhite: return {c_[0], c_[0], c_[0], c_[1]};
    case Space::Catalog: break;
    }
    Rgba rgb;
    // The built-in table first: it is what the name means on this system,
    // while an archived fallback may be any approximation.
    if (builtinNamedRgb(name_, rgb)) return rgb;
    // A fallback is never a catalogue colour itself (see initWithCoder), so
    // this cannot recurse without end.
    return fallback_ ? fallback_->toRgb() : Rgba{};
}

ColorPtr Color::withAlpha(double alpha) const {
    const Rgba rgb = toRgb();
    return calibratedRgb(rgb.red, rgb.green, rgb.blue, alpha);
}

void Color::encodeWithCoder(Coder& coder) const {
    coder.encodeInteger(int(space_), QStringLiteral("NSColorSpace"));
    switch (space_) {
    case Space::CalibratedRGB:
    case Space::DeviceRGB:
        encodeComponents(coder, c_[3] == 1 ? componentText({c_[0], c_[1], c_[2]}) : componentText({c_[0], c_[1], c_[2], c_[3]}),
                         QStringLiteral("NSRGB"));
        break;
    case Space::CalibratedWhite:
    case Space::DeviceWhite:
        encodeComponents(coder, c_[1] == 1 ? componentText({c_[0]}) : componentText({c_[0], c_[1]}), QStringLiteral("NSWhite"));
        break;
    case Space::Catalog:
        coder.encodeObject(catalog_, QStringLiteral("NSCatalogName"));
        coder.encodeObject(name_, QStringLiteral("NSColorName"));
        if (fallback_) coder.encodeObject(Value(fallback_), QStringLiteral("NSColor"));
        break;
    }
}

bool Color::initWithCoder(Coder& coder) {
    const qint64 space = coder.decodeInteger(QStringLiteral("NSColorSpace"));
    QList<double> v;
    switch (space) {
    case 1:
    case 2:
        if (!parseComponents(coder.decodeObject(QStringLiteral("NSRGB")).toData(), v) || v.size() < 3) return false;
        space_ = space == 1 ? Space::CalibratedRGB : Space::DeviceRGB;
        c_[0] = clampUnit(v[0]); c_[1] = clampUnit(v[1]); c_[2] = clampUnit(v[2]);
        c_[3] = v.size() > 3 ? clampUnit(v[3]) : 1;
        return true;
    case 3:
    case 4:
        if (!parseComponents(coder.decodeObject(QStringLiteral("NSWhite")).toData(), v)) return false;
        space_ = space == 3 ? Space::CalibratedWhite : Space::DeviceWhite;
        c_[0] = clampUnit(v[0]);
        c_[1] = v.size() > 1 ? clampUnit(v[1]) : 1;
        c_[2] = c_[3] = 0;
        return true;
    case 5: {
        // CMYK has no form of its own here; keep what it looks like.
        if (!parseComponents(coder.decodeObject(QStringLiteral("NSCMYK")).toData(), v) || v.size() < 4) return false;
        space_ = Space::DeviceRGB;
        const double k = clampUnit(v[3]);
        c_[0] = (1 - clampUnit(v[0])) * (1 - k);
        c_[1] = (1 - clampUnit(v[1])) * (1 - k);
        c_[2] = (1 - clampUnit(v[2])) * (1 - k);
        c_[3] = v.size() > 4 ? clampUnit(v[4]) : 1;
        return true;
    }
    case 6: {
        space_ = Space::Catalog;
        catalog_ = coder.decodeObject(QStringLiteral("NSCatalogName")).toString();
        name_ = coder.decodeObject(QStringLiteral("NSColorName")).toString();
        if (name_.isEmpty()) return false;
        auto fb = coder.decodeObject(QStringLiteral("NSColor")).toObjectAs<Color>();
        // A catalogue colour falling back on another catalogue colour could
        // form a cycle in a hostile archive; flatten it to its components.
        if (fb && fb->isNamed()) {
            const Rgba rgb = fb->toRgb();
            fb = calibratedRgb(rgb.red, rgb.green, rgb.blue, rgb.alpha);
        }
        if (!fb) {
            Rgba rgb;
            builtinNamedRgb(name_, rgb);
            fb = calibratedRgb(rgb.red, rgb.green, rgb.blue, rgb.alpha);
        }
        fallback_ = fb;
        return true;
    }
    default: return false;
    }
}

bool Color::isEqual(const Object& other) const {
    auto o = dynamic_cast<const Color*>(&other);
    if (!o || o->space_ != space_) return false;
    if (space_ == Space::Catalog) return o->catalog_ == catalog_ && o->name_ == name_;
    for (int i = 0; i < 4; ++i)
        if (c_[i] != o->c_[i]) return false;
    return true;
}

size_t Color::hash() const {
    size_t h = size_t(space_);
    if (space_ == Space::Catalog) return h ^ qHash(name_);
    for (double d : c_) h = h * 31 + std::hash<double>()(d);
    return h;
}

QString Color::description() const {
    switch (space_) {
    case Space::CalibratedRGB:
    case Space::DeviceRGB:
        return QStringLiteral("%1 %2 %3 %4 %5").arg(space_ == Space::CalibratedRGB ? "NSCalibratedRGBColorSpace" : "NSDeviceRGBColorSpace")
            .arg(c_[0]).arg(c_[1]).arg(c_[2]).arg(c_[3]);
    case Space::CalibratedWhite:
    case Space::DeviceWhite:
        return QStringLiteral("%1 %2 %3").arg(space_ == Space::CalibratedWhite ? "NSCalibratedWhiteColorSpace" : "NSDeviceWhiteColorSpace")
            .arg(c_[0]).arg(c_[1]);
    case Space::Catalog: break;
    }
    return QStringLiteral("Catalog color: %1 %2").arg(catalog_, name_);
}

}  // namespace ts
