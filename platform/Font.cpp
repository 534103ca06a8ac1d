#include "platform/Font.h"

#include "platform/Coder.h"

#include <cmath>

namespace ts {
namespace {

QStringView stylePart(const QString& name) {
    const qsizetype dash = name.indexOf(QLatin1Char('-'));
    return dash < 0 ? QStringView() : QStringView(name).mid(dash + 1);
}

bool styleIsBold(QStringView style) {
    return style.contains(QLatin1String("Bold")) || style.contains(QLatin1String("Black"))
        || style.contains(QLatin1String("Heavy")) || style.contains(QLatin1String("Semibold"));
}

bool styleIsItalic(QStringView style) {
    return style.contains(QLatin1String("Italic")) || style.contains(QLatin1String("Oblique"));
}

// Families whose slanted faces are called Oblique rather than Italic.
bool usesOblique(const QString& family) {
    return family == QLatin1String("Helvetica") || family == QLatin1String("Courier")
        || family == QLatin1String("HelveticaNeue") || family == QLatin1String("Menlo");
}

double sanePointSize(double size) {
    if (!std::isfinite(size) || size <= 0) return 12;
    return size > 16384 ? 16384 : size;
}

}  // namespace

Font::Font(const QString& postScriptName, double pointSize)
    : name_(postScriptName.isEmpty() ? QStringLiteral("Helvetica") : postScriptName), size_(sanePointSize(pointSize)) {}

FontPtr Font::make(const QString& postScriptName, double pointSize) {
    return std::make_shared<Font>(postScriptName, pointSize);
}

FontPtr Font::defaultFont() {
    static const FontPtr f = make(QStringLiteral("Helvetica"), 12);
    return f;
}

QString Font::familyName() const {
    const int dash = name_.indexOf(QLatin1Char('-'));
    return dash < 0 ? name_ : name_.left(dash);
}

bool Font::isBold() const { return styleIsBold(stylePart(name_)); }
bool Font::isItalic() const { return styleIsItalic(stylePart(name_)); }

FontPtr Font::withSize(double pointSize) const {
    auto f = std::make_shared<Font>(*this);
    f->size_ = sanePointSize(pointSize);
    return f;
}

FontPtr Font::withTraits(bool bold, bool italic) const {
    if (bold == isBold() && italic == isItalic()) return std::make_shared<Font>(*this);
    const QString family = familyName();
    QString style = stylePart(name_).toString();
    // Keep a weight or width the name carries besides the two traits
    // ("Condensed", "Light") only when it is not one of them.
    for (const char* word : {"BoldItalic", "BoldOblique", "Bold", "Italic", "Oblique", "Roman", "Regular", "Plain"})
        style.remove(QLatin1String(word));
    QString traits;
    if (bold) traits += QLatin1String("Bold");
    if (italic) traits += usesOblique(family) ? QLatin1String("Oblique") : QLatin1String("Italic");
    style = style + traits;
    auto f = std::make_shared<Font>(*this);
    if (style.isEmpty()) {
        // Times has no plain-named face; its upright face is "Times-Roman".
        f->name_ = family == QLatin1String("Times") ? QStringLiteral("Times-Roman") : family;
    } else {
        f->name_ = family + QLatin1Char('-') + style;
    }
    return f;
}

void Font::encodeWithCoder(Coder& coder) const {
    coder.encodeObject(name_, QStringLiteral("NSName"));
    coder.encodeDouble(size_, QStringLiteral("NSSize"));
    coder.encodeInteger(flags_, QStringLiteral("NSfFlags"));
}

bool Font::initWithCoder(Coder& coder) {
    const QString name = coder.decodeObject(QStringLiteral("NSName")).toString();
    if (name.isEmpty()) return false;
    name_ = name;
    size_ = sanePointSize(coder.decodeDouble(QStringLiteral("NSSize")));
    if (coder.containsValue(QStringLiteral("NSfFlags"))) flags_ = coder.decodeInteger(QStringLiteral("NSfFlags"));
    return true;
}

bool Font::isEqual(const Object& other) const {
    auto o = dynamic_cast<const Font*>(&other);
    return o && o->name_ == name_ && o->size_ == size_;
}

size_t Font::hash() const { return qHash(name_) ^ std::hash<double>()(size_); }

QString Font::description() const { return QStringLiteral("\"%1 %2 pt.\"").arg(name_, QString::number(size_, 'f', 2)); }

}  // namespace ts
