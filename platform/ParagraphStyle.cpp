#include "platform/ParagraphStyle.h"

#include "platform/Coder.h"

#include <cmath>

namespace ts {

void TextTab::encodeWithCoder(Coder& coder) const { coder.encodeDouble(location_, QStringLiteral("NSLocation")); }

bool TextTab::initWithCoder(Coder& coder) {
    const double loc = coder.decodeDouble(QStringLiteral("NSLocation"));
    if (!std::isfinite(loc)) return false;
    location_ = loc;
    return true;
}

bool TextTab::isEqual(const Object& other) const {
    auto o = dynamic_cast<const TextTab*>(&other);
    return o && o->location_ == location_;
}

ParagraphStylePtr ParagraphStyle::defaultStyle() {
    static const ParagraphStylePtr s = [] {
        std::vector<double> tabs;
        for (int i = 1; i <= 12; ++i) tabs.push_back(28.0 * i);
        return make(Alignment::Natural, tabs);
    }();
    return s;
}

void ParagraphStyle::encodeWithCoder(Coder& coder) const {
    coder.encodeInteger(int(alignment_), QStringLiteral("NSAlignment"));
    if (tabStops_.empty()) {
        coder.encodeObject(Value(), QStringLiteral("NSTabStops"));
        return;
    }
    ValueArray tabs;
    for (double t : tabStops_) tabs.push_back(Value(std::make_shared<TextTab>(t)));
    coder.encodeObject(Value(std::move(tabs)), QStringLiteral("NSTabStops"));
}

bool ParagraphStyle::initWithCoder(Coder& coder) {
    const qint64 a = coder.decodeInteger(QStringLiteral("NSAlignment"));
    alignment_ = (a >= 0 && a <= 4) ? Alignment(a) : Alignment::Natural;
    tabStops_.clear();
    const Value tabs = coder.decodeObject(QStringLiteral("NSTabStops"));
    for (const Value& t : tabs.array()) {
        if (auto tab = t.toObjectAs<TextTab>()) tabStops_.push_back(tab->location());
    }
    return true;
}

bool ParagraphStyle::isEqual(const Object& other) const {
    auto o = dynamic_cast<const ParagraphStyle*>(&other);
    return o && o->alignment_ == alignment_ && o->tabStops_ == tabStops_ && o->inCell_ == inCell_ && (!inCell_ || o->cell_ == cell_);
}

QString ParagraphStyle::description() const {
    return QStringLiteral("Alignment %1, %2 tab stops").arg(int(alignment_)).arg(tabStops_.size());
}

}  // namespace ts
