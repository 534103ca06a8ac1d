#pragma once
// A font as rich-text attributes and keyed archives carry it: a PostScript
// name and a point size. Bold and italic are read from the name's style part
// ("Helvetica-BoldOblique"), as the text system names its faces; changing a
// trait gives a font of another name in the same family.

#include "platform/Object.h"

#include <memory>

namespace ts {

class Font;
using FontPtr = std::shared_ptr<Font>;

class Font : public Object {
public:
    Font() = default;
    Font(const QString& postScriptName, double pointSize);

    static FontPtr make(const QString& postScriptName, double pointSize);
    // The text system's default font for rich text.
    static FontPtr defaultFont();

    QString postScriptName() const { return name_; }
    double pointSize() const { return size_; }
    // The part of the name before the style ("Times-Roman" → "Times").
    QString familyName() const;
    bool isBold() const;
    bool isItalic() const;
    // The flags word of the archive form, kept as read.
    qint64 flags() const { return flags_; }

    FontPtr withSize(double pointSize) const;
    FontPtr withTraits(bool bold, bool italic) const;

    // Object
    static QString staticClassName() { return QStringLiteral("NSFont"); }
    QString className() const override { return staticClassName(); }
    QStringList classHierarchy() const override { return {staticClassName(), Object::staticClassName()}; }
    ObjectPtr newInstance() const override { return std::make_shared<Font>(); }
    ObjectPtr copy() const override { return std::make_shared<Font>(*this); }
    void encodeWithCoder(Coder& coder) const override;
    bool initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;
    // isEqual() for a font known to be one: no type check.
    bool isEqualTo(const Font& other) const { return size_ == other.size_ && name_ == other.name_; }
    size_t hash() const override;
    QString description() const override;

private:
    QString name_ = QStringLiteral("Helvetica");
    double size_ = 12;
    qint64 flags_ = 16;
};

}  // namespace ts
