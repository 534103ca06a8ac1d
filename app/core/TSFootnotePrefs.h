#pragma once
// The look of one kind of link in rich text (footnote or vocabulary links):
// the footnote delimiters, a font-trait mask, underlining and the link colour.
//
// Archive keys, in writing order: "footnoteDelimiterOpen" and
// "footnoteDelimiterClose" (32-bit integers), "fontTraits" (64-bit integer),
// "underline" (bool), "linkColor" (a colour object). A key the archive lacks
// reads as 0, NO or no colour; linkColor() then supplies the platform's link
// colour.
//
// A plain value object: copies are independent (the colour is copied too).
// Not synchronised; the settings hand out snapshots.

#include "platform/Color.h"
#include "platform/Object.h"

#include <QChar>

#include <memory>

class TSFootnotePrefs;
using TSFootnotePrefsPtr = std::shared_ptr<TSFootnotePrefs>;

class TSFootnotePrefs : public ts::Object {
    TS_OBJECT(TSFootnotePrefs, ts::Object)

public:
    // The font manager's trait bits that the link style may carry.
    enum FontTrait : qint64 {
        ItalicFontMask = 0x1,
        BoldFontMask = 0x2,
        UnboldFontMask = 0x4,
        UnitalicFontMask = 0x01000000,
    };

    // Underlined, "[" and "]", no font traits, the link colour.
    TSFootnotePrefs();

    bool underline() const { return underline_; }
    void setUnderline(bool value) { underline_ = value; }
    QChar footnoteDelimiterOpen() const { return open_; }
    void setFootnoteDelimiterOpen(QChar c) { open_ = c; }
    QChar footnoteDelimiterClose() const { return close_; }
    void setFootnoteDelimiterClose(QChar c) { close_ = c; }
    qint64 fontTraits() const { return fontTraits_; }
    void setFontTraits(qint64 traits) { fontTraits_ = traits; }
    // Never empty: the platform's link colour stands in for a missing one.
    ts::ColorPtr linkColor() const;
    void setLinkColor(ts::ColorPtr color) { linkColor_ = std::move(color); }
    // The stored colour, which may be empty.
    ts::ColorPtr storedLinkColor() const { return linkColor_; }

    // Object
    ts::ObjectPtr copy() const override;
    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;
    bool isEqual(const ts::Object& other) const override;
    QString description() const override;

private:
    bool underline_ = true;
    QChar open_ = QLatin1Char('[');
    QChar close_ = QLatin1Char(']');
    qint64 fontTraits_ = 0;
    ts::ColorPtr linkColor_;
};
