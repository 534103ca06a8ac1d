#pragma once
// Paragraph attributes of rich text: alignment, tab stops and the table cell
// a paragraph belongs to. Immutable once shared through ParagraphStylePtr.

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

// The table cell a paragraph belongs to, as RTF describes it: the row (an
// identity within one text, equal for the cells of one row), the cell's
// column, and the right edges of the row's cells in twentieths of a point.
// The last paragraph of a cell ends the cell, so no two cells share a line.
struct TableCell {
    quint64 row = 0;
    int column = 0;
    std::shared_ptr<const std::vector<qint64>> edges;
    bool operator==(const TableCell& o) const {
        static const std::vector<qint64> none;
        return row == o.row && column == o.column && (edges ? *edges : none) == (o.edges ? *o.edges : none);
    }
};

class ParagraphStyle : public Object {
public:
    // The archive's alignment codes.
    enum class Alignment { Left = 0, Right = 1, Center = 2, Justified = 3, Natural = 4 };

    ParagraphStyle() = default;
    explicit ParagraphStyle(Alignment a, std::vector<double> tabs = {}) : alignment_(a), tabStops_(std::move(tabs)) {}
    static ParagraphStylePtr make(Alignment a, std::vector<double> tabs = {}) {
        return std::make_shared<ParagraphStyle>(a, std::move(tabs));
    }
    static ParagraphStylePtr make(Alignment a, std::vector<double> tabs, const TableCell& cell) {
        auto p = std::make_shared<ParagraphStyle>(a, std::move(tabs));
        p->cell_ = cell;
        p->inCell_ = true;
        return p;
    }
    // Natural alignment and the text system's twelve default stops, 28 points apart.
    static ParagraphStylePtr defaultStyle();

    Alignment alignment() const { return alignment_; }
    const std::vector<double>& tabStops() const { return tabStops_; }
    // The table cell of the paragraph, or null outside tables. Kept for RTF;
    // the archive form does not carry it.
    const TableCell* tableCell() const { return inCell_ ? &cell_ : nullptr; }

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
    TableCell cell_;
    bool inCell_ = false;
};

}  // namespace ts
