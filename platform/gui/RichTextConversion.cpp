#include "platform/gui/RichTextConversion.h"

#include "platform/ParagraphStyle.h"
#include "platform/RtfdAttachment.h"
#include "platform/Url.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

using namespace ts;

namespace RichTextConversion {
namespace {

enum Property {
    PostScriptName = QTextFormat::UserProperty + 1,
    PointSize,
    StringLink,
    BaselineOffset,
    SuperScript,
    UnderlineStyle,
    AttachmentName,
    AttachmentData,
    AttachmentWidth,
    AttachmentHeight,
    ColorSpaceName,
};

template <class A> Value get(const A& a, const QString& key) {
    auto it = a.find(key);
    return it == a.end() ? Value() : it->second;
}

Qt::Alignment toQtAlignment(ParagraphStyle::Alignment a) {
    switch (a) {
    case ParagraphStyle::Alignment::Left: return Qt::AlignLeft | Qt::AlignAbsolute;
    case ParagraphStyle::Alignment::Right: return Qt::AlignRight | Qt::AlignAbsolute;
    case ParagraphStyle::Alignment::Center: return Qt::AlignHCenter;
    case ParagraphStyle::Alignment::Justified: return Qt::AlignJustify;
    case ParagraphStyle::Alignment::Natural: return Qt::AlignLeading;
    }
    return Qt::AlignLeading;
}

ParagraphStylePtr fromBlockFormat(const QTextBlockFormat& f) {
    if (!f.hasProperty(QTextFormat::BlockAlignment) && f.tabPositions().isEmpty()) return nullptr;
    ParagraphStyle::Alignment a = ParagraphStyle::Alignment::Natural;
    const Qt::Alignment al = f.alignment() & Qt::AlignHorizontal_Mask;
    if (al & Qt::AlignHCenter) a = ParagraphStyle::Alignment::Center;
    else if (al & Qt::AlignJustify) a = ParagraphStyle::Alignment::Justified;
    else if ((al & Qt::AlignRight) && (al & Qt::AlignAbsolute)) a = ParagraphStyle::Alignment::Right;
    else if ((al & Qt::AlignLeft) && (al & Qt::AlignAbsolute)) a = ParagraphStyle::Alignment::Left;
    std::vector<double> tabs;
    for (const QTextOption::Tab& t : f.tabPositions()) tabs.push_back(t.position);
    if (a == ParagraphStyle::Alignment::Natural && tabs.empty()) return nullptr;
    return ParagraphStyle::make(a, tabs);
}

}  // namespace

QFont toQFont(const Font& font) {
    QFont f(font.familyName());
    f.setPointSizeF(font.pointSize());
    f.setBold(font.isBold());
    f.setItalic(font.isItalic());
    return f;
}

FontPtr fromQFont(const QFont& font) {
    const double size = font.pointSizeF() > 0 ? font.pointSizeF() : 12;
    return Font::make(font.family(), size)->withTraits(font.bold(), font.italic());
}

QColor toQColor(const ColorPtr& color) {
    if (!color) return QColor();
    const Color::Rgba c = color->toRgb();
    return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue), float(c.alpha));
}

ColorPtr fromQColor(const QColor& color) {
    if (!color.isValid()) return nullptr;
    const QColor c = color.toRgb();
    return Color::calibratedRgb(c.redF(), c.greenF(), c.blueF(), c.alphaF());
}

QString displayLines(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

void clearLink(QTextCharFormat& format) {
    format.setAnchor(false);
    format.clearProperty(QTextFormat::AnchorHref);
    format.clearProperty(QTextFormat::ForegroundBrush);
    format.clearProperty(QTextFormat::TextUnderlineStyle);
    format.setFontUnderline(false);
    format.clearProperty(StringLink);
    format.clearProperty(UnderlineStyle);
}

namespace {

template <class A> QTextCharFormat formatOf(const A& a) {
    QTextCharFormat f;
    FontPtr font = get(a, AttributeName::Font).template toObjectAs<Font>();
    if (font) {
        f.setFont(toQFont(*font), QTextCharFormat::FontPropertiesSpecifiedOnly);
        f.setProperty(PostScriptName, font->postScriptName());
        f.setProperty(PointSize, font->pointSize());
    }
    if (auto c = get(a, AttributeName::ForegroundColor).template toObjectAs<Color>()) {
        f.setForeground(toQColor(c));
        if (c->isNamed()) f.setProperty(ColorSpaceName, c->colorName());
    }
    if (auto c = get(a, AttributeName::BackgroundColor).template toObjectAs<Color>()) f.setBackground(toQColor(c));
    const qint64 underline = get(a, AttributeName::Underline).toInt64();
    if (underline) {
        f.setFontUnderline(true);
        f.setProperty(UnderlineStyle, underline);
    }
    if (get(a, AttributeName::Strikethrough).toInt64()) f.setFontStrikeOut(true);
    const qint64 sup = get(a, AttributeName::SuperScript).toInt64();
    if (sup) {
        f.setVerticalAlignment(sup > 0 ? QTextCharFormat::AlignSuperScript : QTextCharFormat::AlignSubScript);
        f.setProperty(SuperScript, sup);
    }
    const double baseline = get(a, AttributeName::BaselineOffset).toDouble();
    if (baseline != 0 && std::isfinite(baseline)) {
        f.setProperty(BaselineOffset, baseline);
        const double size = font ? font->pointSize() : 12;
        f.setBaselineOffset(baseline / size * 100);
    }
    const Value link = get(a, AttributeName::Link);
    if (auto url = link.toObjectAs<Url>()) {
        f.setAnchor(true);
        f.setAnchorHref(url->absoluteString());
    } else if (link.isString()) {
        f.setAnchor(true);
        f.setAnchorHref(link.toString());
        f.setProperty(StringLink, true);
    }
    if (auto att = get(a, AttributeName::Attachment).template toObjectAs<TextAttachment>()) {
        f.setProperty(AttachmentName, att->fileName());
        f.setProperty(AttachmentData, att->contents());
        f.setProperty(AttachmentWidth, att->widthTwips());
        f.setProperty(AttachmentHeight, att->heightTwips());
    }
    return f;
}

}  // namespace

QTextCharFormat charFormat(const Attributes& a) { return formatOf(a); }
QTextCharFormat charFormat(const AttributeSet& a) { return formatOf(a); }

Attributes attributesFromFormat(const QTextCharFormat& f) {
    Attributes a;
    if (f.hasProperty(PostScriptName)) {
        FontPtr font = Font::make(f.stringProperty(PostScriptName), f.doubleProperty(PointSize));
        // The editor may have changed the face or size since.
        const QFont q = f.font();
        if (f.hasProperty(QTextFormat::FontWeight) || f.hasProperty(QTextFormat::FontItalic))
            font = font->withTraits(q.bold(), q.italic());
        if (f.hasProperty(QTextFormat::FontPointSize) && std::abs(f.fontPointSize() - font->pointSize()) > 0.01)
            font = font->withSize(f.fontPointSize());
        if (f.hasProperty(QTextFormat::FontFamilies) && !f.fontFamilies().toStringList().isEmpty()
            && f.fontFamilies().toStringList().constFirst() != font->familyName())
            font = fromQFont(q);
        a[AttributeName::Font] = Value(font);
    } else if (f.hasProperty(QTextFormat::FontFamilies) || f.hasProperty(QTextFormat::FontPointSize)) {
        a[AttributeName::Font] = Value(fromQFont(f.font()));
    }
    if (f.hasProperty(QTextFormat::ForegroundBrush)) {
        const QColor c = f.foreground().color();
        ColorPtr color = fromQColor(c);
        if (f.hasProperty(ColorSpaceName)) {
            const ColorPtr named = Color::named(QStringLiteral("System"), f.stringProperty(ColorSpaceName));
            if (toQColor(named).rgba() == c.rgba()) color = named;
        }
        if (color) a[AttributeName::ForegroundColor] = Value(color);
    }
    if (f.hasProperty(QTextFormat::BackgroundBrush)) {
        if (auto c = fromQColor(f.background().color())) a[AttributeName::BackgroundColor] = Value(c);
    }
    if (f.fontUnderline()) a[AttributeName::Underline] = Value(f.hasProperty(UnderlineStyle) ? f.property(UnderlineStyle).toLongLong() : 1);
    if (f.fontStrikeOut()) a[AttributeName::Strikethrough] = Value(1);
    if (f.verticalAlignment() == QTextCharFormat::AlignSuperScript) a[AttributeName::SuperScript] = Value(1);
    else if (f.verticalAlignment() == QTextCharFormat::AlignSubScript) a[AttributeName::SuperScript] = Value(-1);
    if (f.hasProperty(BaselineOffset)) a[AttributeName::BaselineOffset] = Value(f.doubleProperty(BaselineOffset));
    if (f.isAnchor() && !f.anchorHref().isEmpty()) {
        a[AttributeName::Link] = f.boolProperty(StringLink) ? Value(f.anchorHref()) : Value(Url::make(f.anchorHref()));
    }
    if (f.hasProperty(AttachmentName)) {
        auto att = std::make_shared<TextAttachment>(f.stringProperty(AttachmentName), f.property(AttachmentData).toByteArray(),
                                                    f.property(AttachmentWidth).toLongLong(), f.property(AttachmentHeight).toLongLong());
        a[AttributeName::Attachment] = Value(att);
    }
    return a;
}

void toTextDocument(const AttributedString& text, QTextDocument& document) {
    document.clear();
    QTextCursor cursor(&document);
    const QString& s = text.string();
    qsizetype pos = 0;
    for (const auto& run : text.runs()) {
        const QTextCharFormat format = charFormat(run.attributes);
        QTextBlockFormat block;
        if (auto ps = get(run.attributes, AttributeName::ParagraphStyle).toObjectAs<ParagraphStyle>()) {
            block.setAlignment(toQtAlignment(ps->alignment()));
            QList<QTextOption::Tab> tabs;
            for (double t : ps->tabStops()) tabs.append(QTextOption::Tab(t, QTextOption::LeftTab));
            block.setTabPositions(tabs);
        }
        // A paragraph takes the style of the text in it.
        cursor.setBlockFormat(block);
        const QString part = s.mid(pos, run.length);
        pos += run.length;
        const QStringList lines = part.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i > 0) cursor.insertBlock(block, format);
            if (!lines[i].isEmpty()) cursor.insertText(lines[i], format);
        }
    }
}

AttributedString fromTextDocument(const QTextDocument& document) {
    AttributedString out;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const ParagraphStylePtr ps = fromBlockFormat(block.blockFormat());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            Attributes a = attributesFromFormat(fragment.charFormat());
            if (ps) a[AttributeName::ParagraphStyle] = Value(ps);
            out.append(fragment.text(), a);
        }
        const QTextBlock next = block.next();
        if (next.isValid()) {
            // A paragraph break is made with the format of the text it was
            // typed in, which becomes the next block's character format.
            Attributes a = attributesFromFormat(next.charFormat());
            if (const ParagraphStylePtr nextStyle = fromBlockFormat(next.blockFormat())) a[AttributeName::ParagraphStyle] = Value(nextStyle);
            out.append(QStringLiteral("\n"), a);
        }
    }
    return out;
}

}  // namespace RichTextConversion
