#pragma once
// The look of footnote and vocabulary links in rich text, as the settings
// hold it (one style per link kind), and the attributes such a style adds to
// a link run.
//
// The text model reads the style afresh for every marker it writes. The
// settings layer installs a provider once it has loaded; until then (and in
// tools and tests without settings) the defaults below are used: "[" and "]"
// as delimiters, a single underline, no font traits and the platform's link
// colour. Main thread.

#include "platform/AttributedString.h"
#include "platform/Color.h"

#include <QChar>

#include <functional>

// Link kinds as the link attribute's URL scheme tells them.
enum TSLinkType : qint32 { TSLinkTypeNone = 0, TSLinkTypeFootnote = 1, TSLinkTypeVocab = 2 };

// Font-trait bits of the style's mask, as the font manager numbers them.
enum TSFontTraitMask : qint64 {
    TSItalicFontMask = 0x1,
    TSBoldFontMask = 0x2,
    TSUnboldFontMask = 0x4,
    TSUnitalicFontMask = 0x01000000,
};

struct TSLinkStyle {
    QChar footnoteDelimiterOpen = QLatin1Char('[');
    QChar footnoteDelimiterClose = QLatin1Char(']');
    bool underline = true;
    qint64 fontTraits = 0;
    ts::ColorPtr linkColor;  // null: the platform's link colour
};

namespace TSLinkStyles {

// Answers the style for a link type (1 footnote, 2 vocabulary) and false for
// any other type.
using Provider = std::function<bool(qint32 linkType, TSLinkStyle& style)>;

// Installs the settings' provider; an empty function restores the defaults.
void setProvider(Provider provider);

// The style of a link type; the default style for a type the provider does
// not know. `known` reports whether the type is 1 or 2.
TSLinkStyle styleForLinkType(qint32 linkType, bool* known = nullptr);

// The footnote style's delimiters, as markers use them.
TSLinkStyle footnoteStyle();

// A footnote marker in the footnote style: the number between the
// delimiters, or "*" for a note not yet numbered (below 1).
QString footnoteMarker(qint64 number);

// Adds the style of a link type to `attributes`: the link colour as
// foreground, a single underline when the style has one, and, when current
// attributes carrying a font are given and the style has font traits, that
// font with those traits. Any other link type is logged ("bad link type at
// addLinkAttributes") and changes nothing.
void addLinkAttributes(ts::Attributes& attributes, qint32 linkType, const ts::Attributes* currentAttributes);

}  // namespace TSLinkStyles
