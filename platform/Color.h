#pragma once
// A colour as the rich-text attributes and keyed archives carry it.
//
// Colours are immutable values shared through ColorPtr (nothing changes a colour once made). A colour keeps the
// space it was made in (calibrated or device RGB, calibrated or device white,
// or a named catalogue colour with a fallback), so that writing it back gives
// the same archive form; toRgb() answers the device-independent RGB
// components every comparison works on.

#include "platform/Object.h"

#include <array>
#include <memory>

namespace ts {

class Color;
using ColorPtr = std::shared_ptr<Color>;

class Color : public Object {
public:
    // The archive's colour-space codes.
    enum class Space { CalibratedRGB = 1, DeviceRGB = 2, CalibratedWhite = 3, DeviceWhite = 4, Catalog = 6 };

    struct Rgba {
        double red = 0, green = 0, blue = 0, alpha = 1;
    };

    Color() = default;

    static ColorPtr calibratedRgb(double r, double g, double b, double a = 1);
    static ColorPtr deviceRgb(double r, double g, double b, double a = 1);
    static ColorPtr white(double w, double a = 1, bool calibrated = true);
    // A catalogue colour; a missing fallback is taken from the built-in table.
    static ColorPtr named(const QString& catalog, const QString& name, ColorPtr fallback = nullptr);

    // The dynamic colours the text system uses.
    static ColorPtr textColor();  // the standard text colour
    static ColorPtr textBackgroundColor();
    static ColorPtr systemRedColor();
    static ColorPtr systemOrangeColor();
    static ColorPtr systemBlueColor();
    static ColorPtr systemGreenColor();
    static ColorPtr linkColor();
    static ColorPtr clearColor();
    static ColorPtr blackColor();
    static ColorPtr redColor();

    Space space() const { return space_; }
    // As the colour holds them: r g b a for RGB spaces, w a for white spaces,
    // the fallback's for catalogue colours.
    std::array<double, 4> components() const;
    Rgba toRgb() const;
    double alpha() const { return toRgb().alpha; }
    ColorPtr withAlpha(double alpha) const;

    QString catalogName() const { return catalog_; }
    QString colorName() const { return name_; }
    ColorPtr fallback() const { return fallback_; }
    bool isNamed() const { return space_ == Space::Catalog; }

    // Object
    static QString staticClassName() { return QStringLiteral("NSColor"); }
    QString className() const override { return staticClassName(); }
    QStringList classHierarchy() const override { return {staticClassName(), Object::staticClassName()}; }
    ObjectPtr newInstance() const override { return std::make_shared<Color>(); }
    ObjectPtr copy() const override { return std::make_shared<Color>(*this); }
    void encodeWithCoder(Coder& coder) const override;
    bool initWithCoder(Coder& coder) override;
    // Exact equality of space and components; use the tolerant comparison of
    // the colour extensions for "looks the same".
    bool isEqual(const Object& other) const override;
    size_t hash() const override;
    QString description() const override;

    // The RGB a known catalogue colour resolves to; false for unknown names.
    static bool builtinNamedRgb(const QString& name, Rgba& out);

private:
    Space space_ = Space::CalibratedRGB;
    double c_[4] = {0, 0, 0, 1};  // r g b a, or w a
    QString catalog_, name_;
    ColorPtr fallback_;
};

}  // namespace ts
