#include "app/core/TSFootnotePrefs.h"

#include "platform/ClassRegistry.h"
#include "platform/Coder.h"

TS_REGISTER_CLASS(TSFootnotePrefs)

namespace {
const QString kOpen = QStringLiteral("footnoteDelimiterOpen");
const QString kClose = QStringLiteral("footnoteDelimiterClose");
const QString kFontTraits = QStringLiteral("fontTraits");
const QString kUnderline = QStringLiteral("underline");
const QString kLinkColor = QStringLiteral("linkColor");
}  // namespace

TSFootnotePrefs::TSFootnotePrefs() : linkColor_(ts::Color::linkColor()) {}

ts::ColorPtr TSFootnotePrefs::linkColor() const { return linkColor_ ? linkColor_ : ts::Color::linkColor(); }

ts::ObjectPtr TSFootnotePrefs::copy() const {
    auto c = std::make_shared<TSFootnotePrefs>();
    c->underline_ = underline_;
    c->open_ = open_;
    c->close_ = close_;
    c->fontTraits_ = fontTraits_;
    c->linkColor_ = linkColor_ ? std::dynamic_pointer_cast<ts::Color>(linkColor_->copy()) : nullptr;
    return c;
}

void TSFootnotePrefs::encodeWithCoder(ts::Coder& coder) const {
    coder.encodeInteger(qint32(open_.unicode()), kOpen);
    coder.encodeInteger(qint32(close_.unicode()), kClose);
    coder.encodeInteger(fontTraits_, kFontTraits);
    coder.encodeBool(underline_, kUnderline);
    coder.encodeObject(ts::Value(linkColor()), kLinkColor);
}

bool TSFootnotePrefs::initWithCoder(ts::Coder& coder) {
    // A delimiter is one UTF-16 unit; a wider stored value keeps its low bits,
    // as a 16-bit field would.
    open_ = QChar(char16_t(coder.decodeInteger(kOpen) & 0xFFFF));
    close_ = QChar(char16_t(coder.decodeInteger(kClose) & 0xFFFF));
    fontTraits_ = coder.decodeInteger(kFontTraits);
    underline_ = coder.decodeBool(kUnderline);
    linkColor_ = coder.decodeObject(kLinkColor).toObjectAs<ts::Color>();
    return true;
}

bool TSFootnotePrefs::isEqual(const ts::Object& other) const {
    const auto* o = dynamic_cast<const TSFootnotePrefs*>(&other);
    if (!o) return false;
    const ts::ColorPtr a = linkColor(), b = o->linkColor();
    return underline_ == o->underline_ && open_ == o->open_ && close_ == o->close_ &&
           fontTraits_ == o->fontTraits_ && a->isEqual(*b);
}

QString TSFootnotePrefs::description() const {
    return QStringLiteral("<TSFootnotePrefs: %1 %2 traits %3 underline %4 %5>")
        .arg(open_)
        .arg(close_)
        .arg(fontTraits_)
        .arg(underline_ ? "YES" : "NO")
        .arg(linkColor()->description());
}
