#pragma once
// Paragraph attributes of rich text: alignment and tab stops. Immutable once
// shared through ParagraphStylePtr.

#include "platform/Object.h"

#include <memory>
#include <vector>

namespace ts {

// A tab stop ("NSTextTab"); only its location is kept.
class TextTab : public Object {
public:
    TextTab() = default;
    explicit TextTab(double location) : location_(location) {}
    double location() const { return location_; }

    static QString staticClassName() { return QStringLiteral("NSTextTab"); }
    QString className() const override { return staticClassName(); }
    QStringList classHierarchy() const override { return {staticClassName(), Object::staticClassName()}; }
    ObjectPtr newInstance() const override { return std::make_shared<TextTab>(); }
    ObjectPtr copy() const override { return std::make_shared<TextTab>(*this); }
    void encodeWithCoder(Coder& coder) const override;
    bool initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;

private:
    double location_ = 0;
};

class ParagraphStyle;
using ParagraphStylePtr = std::shared_ptr<ParagraphStyle>;

class ParagraphStyle : public Object {
public:
    // The archive's alignment codes.
    enum class Alignment { Left = 0, Right = 1, Center = 2, Justified = 3, Natural = 4 };

    ParagraphStyle() = default;
    explicit ParagraphStyle(Alignment a, std::vector<double> tabs = {}) : alignment_(a), tabStops_(std::move(tabs)) {}
    static ParagraphStylePtr make(Alignment a, std::vector<double> tabs = {}) {
        return std::make_shared<ParagraphStyle>(a, std::move(tabs));
    }
    // Natural alignment and the text system's twelve default stops, 28 points apart.
    static ParagraphStylePtr defaultStyle();

    Alignment alignment() const { return alignment_; }
    const std::vector<double>& tabStops() const { return tabStops_; }

    static QString staticClassName() { return QStringLiteral("NSParagraphStyle"); }
    QString className() const override { return staticClassName(); }
    QStringList classHierarchy() const override { return {staticClassName(), Object::staticClassName()}; }
    ObjectPtr newInstance() const override { return std::make_shared<ParagraphStyle>(); }
    ObjectPtr copy() const override { return std::make_shared<ParagraphStyle>(*this); }
    void encodeWithCoder(Coder& coder) const override;
    bool initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;
    QString description() const override;

private:
    Alignment alignment_ = Alignment::Natural;
    std::vector<double> tabStops_;
};

}  // namespace ts
