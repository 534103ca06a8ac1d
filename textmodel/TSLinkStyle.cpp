#include "TSLinkStyle.h"

#include "app/logging/LGLog.h"
#include "platform/Font.h"

namespace TSLinkStyles {

namespace {
Provider& provider() {
    static Provider p;
    return p;
}
}  // namespace

void setProvider(Provider p) { provider() = std::move(p); }

TSLinkStyle styleForLinkType(qint32 linkType, bool* known) {
    const bool isKnown = linkType == TSLinkTypeFootnote || linkType == TSLinkTypeVocab;
    if (known) *known = isKnown;
    TSLinkStyle style;
    if (isKnown && provider()) {
        TSLinkStyle fromSettings;
        if (provider()(linkType, fromSettings)) style = fromSettings;
    }
    // The settings' getter supplies the link colour whenever none is stored.
    if (!style.linkColor) style.linkColor = ts::Color::linkColor();
    return style;
}

TSLinkStyle footnoteStyle() { return styleForLinkType(TSLinkTypeFootnote); }

void addLinkAttributes(ts::Attributes& attributes, qint32 linkType, const ts::Attributes* currentAttributes) {
    bool known = false;
    const TSLinkStyle style = styleForLinkType(linkType, &known);
    if (!known) {
        TSLogError("bad link type at addLinkAttributes");
        return;
    }
    attributes[ts::AttributeName::ForegroundColor] = ts::Value(style.linkColor);
    if (style.underline) attributes[ts::AttributeName::Underline] = ts::Value(qint64(1));
    if (currentAttributes && style.fontTraits >= 1) {
        auto it = currentAttributes->find(ts::AttributeName::Font);
        if (it != currentAttributes->end()) {
            if (auto font = it->second.toObjectAs<ts::Font>()) {
                bool bold = (style.fontTraits & TSBoldFontMask) || font->isBold();
                bool italic = (style.fontTraits & TSItalicFontMask) || font->isItalic();
                if (style.fontTraits & TSUnboldFontMask) bold = false;
                if (style.fontTraits & TSUnitalicFontMask) italic = false;
                attributes[ts::AttributeName::Font] = ts::Value(font->withTraits(bold, italic));
            }
        }
    }
}

QString footnoteMarker(qint64 number) {
    const TSLinkStyle style = footnoteStyle();
    const QString middle = number >= 1 ? QString::number(number) : QStringLiteral("*");
    return style.footnoteDelimiterOpen + middle + style.footnoteDelimiterClose;
}

}  // namespace TSLinkStyles
