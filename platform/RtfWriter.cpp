#include "platform/Rtf.h"

#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/ParagraphStyle.h"
#include "platform/RtfCodec.h"
#include "platform/RtfdAttachment.h"
#include "platform/Url.h"

#include <QSet>

#include <array>
#include <charconv>
#include <string>
#include <cmath>
#include <vector>

namespace ts {
namespace {

struct CharState {
    int font = -1;
    double size = -1;
    bool bold = false, italic = false;
    int underline = 0, strike = 0;
    int fg = -1, bg = 0;
    int superScript = 0;
    int baselineHalfPoints = 0;
};

struct ParaState {
    bool known = false;
    int alignment = int(ParagraphStyle::Alignment::Natural);
    std::vector<double> tabs;
    bool inCell = false;
    TableCell cell;
};

// The attributes of one run that the writer uses, read in one pass over the
// run's dictionary.
struct RunInfo {
    const Font* font = nullptr;
    const Color* fg = nullptr;
    const Color* bg = nullptr;
    qint64 underline = 0, strike = 0, superScript = 0;
    double baseline = 0;
    const Value* link = nullptr;
    const ParagraphStyle* paragraph = nullptr;
    const TextAttachment* attachment = nullptr;
};

RunInfo readRun(const AttributeSet& a) {
    RunInfo r;
    for (const auto& [key, value] : a) {
        // Keys are told apart by length first: most comparisons end there.
        switch (key.size()) {
        case 6:
            if (key == AttributeName::Font) r.font = dynamic_cast<const Font*>(value.toObject().get());
            else if (key == AttributeName::Link) r.link = &value;
            break;
        case 7:
            if (key == AttributeName::ForegroundColor) r.fg = dynamic_cast<const Color*>(value.toObject().get());
            break;
        case 11:
            if (key == AttributeName::Underline) r.underline = value.toInt64();
            break;
        case 12:
            if (key == AttributeName::Attachment) r.attachment = dynamic_cast<const TextAttachment*>(value.toObject().get());
            break;
        case 13:
            if (key == AttributeName::SuperScript) r.superScript = value.toInt64();
            break;
        case 15:
            if (key == AttributeName::Strikethrough) r.strike = value.toInt64();
            break;
        case 16:
            if (key == AttributeName::BaselineOffset) r.baseline = value.toDouble();
            else if (key == AttributeName::ParagraphStyle) r.paragraph = dynamic_cast<const ParagraphStyle*>(value.toObject().get());
            break;
        case 17:
            if (key == AttributeName::BackgroundColor) r.bg = dynamic_cast<const Color*>(value.toObject().get());
            break;
        default: break;
        }
    }
    if (!r.font) r.font = Font::defaultFont().get();
    return r;
}

// Appends a decimal number without a temporary allocation.
void appendNumber(std::string& out, qint64 v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, size_t(r.ptr - buf));
}

QString linkText(const Value* link) {
    if (!link) return QString();
    if (auto url = link->toObjectAs<Url>()) return url->absoluteString();
    return link->isString() ? link->toString() : QString();
}

bool isGray(const Color& c) { return c.space() == Color::Space::CalibratedWhite || c.space() == Color::Space::DeviceWhite; }

// Colours are the same table entry when they would be written the same.
bool sameEntry(const Color& a, const Color& b) {
    if (&a == &b) return true;
    if (isGray(a) != isGray(b)) return false;
    const Color::Rgba x = a.toRgb(), y = b.toRgb();
    const auto unit = [](double v) { return std::lround(v * 100000); };
    return unit(x.red) == unit(y.red) && unit(x.green) == unit(y.green) && unit(x.blue) == unit(y.blue) && unit(x.alpha) == unit(y.alpha);
}

const char* fontFamilyWord(const QString& name) {
    if (name.startsWith(QLatin1String("Times"))) return "\\froman";
    if (name.startsWith(QLatin1String("Courier")) || name.startsWith(QLatin1String("Menlo")) || name.startsWith(QLatin1String("Monaco")))
        return "\\fmodern";
    if (name.startsWith(QLatin1String("Helvetica")) || name.startsWith(QLatin1String("Arial"))) return "\\fswiss";
    return "\\fnil";
}

class Writer {
public:
    Writer(const AttributedString& text, RtfFiles* files) : text_(text), files_(files) {}
    QByteArray run();

private:
    void collectTables();
    void writeHeader();
    void writeTables();
    int fontIndex(const Font& f) const;
    int colorIndex(const Color* c) const;
    void writeParagraph(const ParagraphStyle* style);
    void writeCharState(const RunInfo& run);
    void writeText(QStringView s, const RunInfo& run, const ParagraphStyle* nextParagraph);
    void writeParagraphEnd(const TableCell* cell, const ParagraphStyle* next);
    void writeEscaped(char16_t u);
    void writeAttachment(const TextAttachment& att);
    QString uniqueFileName(const QString& wanted);
    // The paragraph style of the text after run r.
    const ParagraphStyle* nextParagraph(size_t r) const {
        return r + 1 < runs_.size() ? runs_[r + 1].paragraph : nullptr;
    }

    const AttributedString& text_;
    RtfFiles* files_;
    // Built as a plain string, whose appends are inline copies, and handed
    // over as bytes once at the end.
    std::string out_;
    std::vector<RunInfo> runs_;
    std::vector<const Font*> fonts_;  // one per PostScript name, in table order
    std::vector<const Color*> colors_;
    CharState cs_;
    ParaState ps_;
    QSet<QString> usedNames_;
};

int Writer::fontIndex(const Font& f) const {
    for (size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i] == &f) return int(i);
    for (size_t i = 0; i < fonts_.size(); ++i)
        if (fonts_[i]->postScriptName() == f.postScriptName()) return int(i);
    return -1;
}

int Writer::colorIndex(const Color* c) const {
    if (!c) return 0;
    for (size_t i = 0; i < colors_.size(); ++i)
        if (colors_[i] == c) return int(i) + 1;
    for (size_t i = 0; i < colors_.size(); ++i)
        if (sameEntry(*colors_[i], *c)) return int(i) + 1;
    return 0;
}

void Writer::collectTables() {
    runs_.reserve(text_.runs().size());
    for (const auto& run : text_.runs()) {
        runs_.push_back(readRun(run.attributes));
        const RunInfo& r = runs_.back();
        if (fontIndex(*r.font) < 0) fonts_.push_back(r.font);
        for (const Color* c : {r.fg, r.bg})
            if (c && !colorIndex(c)) colors_.push_back(c);
    }
    if (fonts_.empty()) fonts_.push_back(Font::defaultFont().get());
}

// The header of the texts written lately, by the fonts and colours their
// tables list: a document's column uses the same few objects throughout,
// and its texts' headers are the same bytes. An entry holds its objects, so
// it never names freed ones.
struct WrittenHeader {
    std::vector<ObjectPtr> objects;  // the fonts, a null, the colours
    std::string bytes;
};

bool sameTables(const WrittenHeader& h, const std::vector<const Font*>& fonts, const std::vector<const Color*>& colors) {
    if (h.objects.size() != fonts.size() + 1 + colors.size()) return false;
    for (size_t i = 0; i < fonts.size(); ++i)
        if (h.objects[i].get() != fonts[i]) return false;
    for (size_t i = 0; i < colors.size(); ++i)
        if (h.objects[fonts.size() + 1 + i].get() != colors[i]) return false;
    return true;
}

void Writer::writeHeader() {
    thread_local std::array<WrittenHeader, 8> recent;
    thread_local size_t next = 0;
    for (const WrittenHeader& h : recent)
        if (!h.objects.empty() && sameTables(h, fonts_, colors_)) {
            out_ += h.bytes;
            return;
        }
    const size_t start = out_.size();
    writeTables();
    std::vector<ObjectPtr> objects;
    objects.reserve(fonts_.size() + 1 + colors_.size());
    for (const Font* f : fonts_) objects.push_back(std::const_pointer_cast<Object>(f->weak_from_this().lock()));
    objects.push_back(nullptr);
    for (const Color* c : colors_) objects.push_back(std::const_pointer_cast<Object>(c->weak_from_this().lock()));
    // An object nobody shares cannot be held, nor told from a later one.
    for (size_t i = 0; i < objects.size(); ++i)
        if (!objects[i] && i != fonts_.size()) return;
    WrittenHeader& h = recent[next];
    next = (next + 1) % recent.size();
    h.objects = std::move(objects);
    h.bytes.assign(out_, start, std::string::npos);
}

void Writer::writeTables() {
    out_ += "{\\rtf1\\ansi\\ansicpg1252\\cocoartf2822\n\\cocoatextscaling0\\cocoaplatform0{\\fonttbl";
    for (size_t i = 0; i < fonts_.size(); ++i) {
        QString name = fonts_[i]->postScriptName();
        name.remove(QLatin1Char(';')).remove(QLatin1Char('{')).remove(QLatin1Char('}')).remove(QLatin1Char('\\'));
        out_ += "\\f";
        appendNumber(out_, qint64(i));
        out_ += fontFamilyWord(name);
        out_ += "\\fcharset0 ";
        // The table is read in the document's code page like any text, so
        // raw UTF-8 here would come back as other characters.
        for (QChar c : name) writeEscaped(c.unicode());
        out_ += ';';
    }
    out_ += "}\n{\\colortbl;";
    const auto component = [this](const char* word, double v, double scale) {
        out_ += word;
        appendNumber(out_, std::lround(v * scale));
    };
    for (const Color* c : colors_) {
        const Color::Rgba rgb = c->toRgb();
        component("\\red", rgb.red, 255);
        component("\\green", rgb.green, 255);
        component("\\blue", rgb.blue, 255);
        out_ += ';';
    }
    out_ += "}\n{\\*\\expandedcolortbl;";
    for (const Color* c : colors_) {
        const Color::Rgba rgb = c->toRgb();
        if (isGray(*c)) {
            component("\\csgray\\c", rgb.red, 100000);
        } else {
            component("\\csgenericrgb\\c", rgb.red, 100000);
            component("\\c", rgb.green, 100000);
            component("\\c", rgb.blue, 100000);
        }
        if (rgb.alpha != 1) component("\\c", rgb.alpha, 100000);
        out_ += ';';
    }
    out_ += "}\n";
}

QByteArray Writer::run() {
    collectTables();
    out_.reserve(400 + text_.length() * 2);
    writeHeader();

    const auto& runs = text_.runs();
    const QStringView s(text_.string());
    qsizetype pos = 0;
    if (runs.empty()) writeParagraph(nullptr);
    for (size_t r = 0; r < runs.size();) {
        const QString target = linkText(runs_[r].link);
        writeParagraph(runs_[r].paragraph);
        if (target.isEmpty()) {
            writeCharState(runs_[r]);
            writeText(s.mid(pos, runs[r].length), runs_[r], nextParagraph(r));
            pos += runs[r].length;
            ++r;
            continue;
        }
        // One field for the neighbouring runs that share the link.
        const Value link = *runs_[r].link;
        QString instruction = target;
        instruction.replace(QLatin1Char('"'), QLatin1String("%22"));
        out_ += "{\\field{\\*\\fldinst{HYPERLINK \"";
        for (QChar c : instruction) writeEscaped(c.unicode());
        out_ += "\"}}{\\fldrslt ";
        const CharState outer = cs_;
        while (r < runs.size() && runs_[r].link && *runs_[r].link == link) {
            writeCharState(runs_[r]);
            writeText(s.mid(pos, runs[r].length), runs_[r], nextParagraph(r));
            pos += runs[r].length;
            ++r;
        }
        out_ += "}}";
        cs_ = outer;
    }
    out_ += '}';
    return QByteArray(out_.data(), qsizetype(out_.size()));
}

void Writer::writeParagraph(const ParagraphStyle* style) {
    const int alignment = style ? int(style->alignment()) : int(ParagraphStyle::Alignment::Natural);
    static const std::vector<double> kNoTabs;
    const std::vector<double>& tabs = style ? style->tabStops() : kNoTabs;
    const TableCell* cell = style ? style->tableCell() : nullptr;
    const bool sameCell = cell ? ps_.inCell && ps_.cell == *cell : !ps_.inCell;
    if (ps_.known && ps_.alignment == alignment && ps_.tabs == tabs && sameCell) return;
    if (cell && (!ps_.inCell || ps_.cell.row != cell->row)) {
        // A new row: its definition, then its cells.
        out_ += "\\trowd\\trgaph108\\trleft-108";
        if (cell->edges)
            for (qint64 edge : *cell->edges) {
                out_ += "\\cellx";
                appendNumber(out_, edge);
            }
        out_ += '\n';
    }
    ps_.known = true;
    ps_.alignment = alignment;
    ps_.tabs = tabs;
    ps_.inCell = cell != nullptr;
    if (cell) ps_.cell = *cell;
    out_ += cell ? "\\pard\\intbl" : "\\pard";
    for (double t : tabs) {
        out_ += "\\tx";
        appendNumber(out_, std::lround(t * 20));
    }
    switch (ParagraphStyle::Alignment(alignment)) {
    case ParagraphStyle::Alignment::Left: out_ += "\\ql"; break;
    case ParagraphStyle::Alignment::Right: out_ += "\\qr"; break;
    case ParagraphStyle::Alignment::Center: out_ += "\\qc"; break;
    case ParagraphStyle::Alignment::Justified: out_ += "\\qj"; break;
    case ParagraphStyle::Alignment::Natural: out_ += "\\pardirnatural"; break;
    }
    out_ += "\\partightenfactor0\n";
}

void Writer::writeCharState(const RunInfo& run) {
    CharState want;
    const Font& f = *run.font;
    want.font = fontIndex(f);
    want.size = f.pointSize();
    want.bold = f.isBold();
    want.italic = f.isItalic();
    want.underline = int(run.underline);
    // RTF can say only these underline styles; any other counts as single.
    if (want.underline != 0 && want.underline != int(UnderlineStyle::Double) && want.underline != int(UnderlineStyle::Thick))
        want.underline = int(UnderlineStyle::Single);
    want.strike = run.strike != 0;
    want.fg = colorIndex(run.fg);
    want.bg = colorIndex(run.bg);
    want.superScript = run.superScript > 0 ? 1 : (run.superScript < 0 ? -1 : 0);
    want.baselineHalfPoints = std::isfinite(run.baseline) ? int(std::clamp<double>(std::lround(run.baseline * 2), -32768, 32768)) : 0;

    const size_t mark = out_.size();
    if (want.font != cs_.font) {
        out_ += "\\f";
        appendNumber(out_, want.font);
    }
    if (want.size != cs_.size) {
        const double half = want.size * 2;
        out_ += "\\fs";
        appendNumber(out_, std::lround(half));
        if (half != std::floor(half)) {
            out_ += " \\fsmilli";
            appendNumber(out_, std::lround(want.size * 1000));
        }
    }
    if (want.bold != cs_.bold) out_ += want.bold ? "\\b" : "\\b0";
    if (want.italic != cs_.italic) out_ += want.italic ? "\\i" : "\\i0";
    if (want.underline != cs_.underline) {
        switch (want.underline) {
        case 0: out_ += "\\ulnone"; break;
        case int(UnderlineStyle::Double): out_ += "\\uldb"; break;
        case int(UnderlineStyle::Thick): out_ += "\\ulth"; break;
        default: out_ += "\\ul"; break;
        }
    }
    if (want.strike != cs_.strike) out_ += want.strike ? "\\strike" : "\\strike0";
    if (want.fg != cs_.fg) {
        out_ += "\\cf";
        appendNumber(out_, want.fg);
    }
    if (want.bg != cs_.bg) {
        out_ += "\\cb";
        appendNumber(out_, want.bg);
    }
    if (want.superScript != cs_.superScript) out_ += want.superScript > 0 ? "\\super" : (want.superScript < 0 ? "\\sub" : "\\nosupersub");
    if (want.baselineHalfPoints != cs_.baselineHalfPoints) {
        out_ += want.baselineHalfPoints >= 0 ? "\\up" : "\\dn";
        appendNumber(out_, std::abs(want.baselineHalfPoints));
    }
    cs_ = want;
    if (out_.size() != mark) out_ += ' ';
}

void Writer::writeEscaped(char16_t u) {
    switch (u) {
    case u'\\': out_ += "\\\\"; return;
    case u'{': out_ += "\\{"; return;
    case u'}': out_ += "\\}"; return;
    case u'\n': out_ += "\\\n"; return;
    case u'\t': out_ += "\\tab "; return;
    case u'\u2028': out_ += "\\line "; return;
    default: break;
    }
    if (u < 0x80 && u >= 0x20) {
        out_ += char(u);
        return;
    }
    // Control characters have no escape of their own; \u keeps them.
    const int b = u < 0x20 ? -1 : rtf::encodeWindowsLatin1(u);
    if (b >= 0) {
        static const char hex[] = "0123456789abcdef";
        const char escape[4] = {'\\', '\'', hex[b >> 4], hex[b & 15]};
        out_.append(escape, 4);
        return;
    }
    out_ += "\\uc0\\u";
    appendNumber(out_, u > 32767 ? int(u) - 65536 : int(u));
    out_ += ' ';
}

QString Writer::uniqueFileName(const QString& wanted) {
    QString base = wanted;
    base.remove(QLatin1Char('/')).remove(QLatin1Char('\\')).remove(QLatin1Char('{')).remove(QLatin1Char('}')).remove(QLatin1Char(';'));
    base = base.trimmed();
    if (base.isEmpty() || base == QLatin1String(".") || base == QLatin1String("..") || base == QLatin1String("TXT.rtf"))
        base = QStringLiteral("Attachment");
    QString name = base;
    for (int n = 1; usedNames_.contains(name) || (files_ && files_->count(name)); ++n) {
        const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
        name = dot > 0 ? base.left(dot) + QStringLiteral(" %1").arg(n) + base.mid(dot) : base + QStringLiteral(" %1").arg(n);
    }
    usedNames_.insert(name);
    return name;
}

void Writer::writeAttachment(const TextAttachment& att) {
    QString name = att.fileName();
    if (files_ && att.hasContents()) {
        name = uniqueFileName(name);
        (*files_)[name] = att.contents();
    }
    out_ += "{{\\NeXTGraphic ";
    for (QChar c : name) writeEscaped(c.unicode());
    if (att.widthTwips() > 0) {
        out_ += " \\width";
        appendNumber(out_, att.widthTwips());
    }
    if (att.heightTwips() > 0) {
        out_ += " \\height";
        appendNumber(out_, att.heightTwips());
    }
    out_ += "}\xac}";
}

// The line end that closes a paragraph in a table cell: the end of the cell
// (and of its row) unless the cell's next paragraph follows.
void Writer::writeParagraphEnd(const TableCell* cell, const ParagraphStyle* next) {
    const TableCell* following = next ? next->tableCell() : nullptr;
    if (!cell || (following && following->row == cell->row && following->column == cell->column)) {
        writeEscaped(u'\n');
        return;
    }
    out_ += "\\cell ";
    if (!following || following->row != cell->row) out_ += "\\row\n";
}

void Writer::writeText(QStringView s, const RunInfo& run, const ParagraphStyle* nextParagraph) {
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n;) {
        // A stretch of characters that stand for themselves, copied at once.
        qsizetype j = i;
        while (j < n) {
            const char16_t u = s[j].unicode();
            if (u < 0x20 || u >= 0x80 || u == u'\\' || u == u'{' || u == u'}') break;
            ++j;
        }
        if (j > i) {
            const size_t at = out_.size();
            out_.resize(at + size_t(j - i));
            char* d = out_.data() + at;
            for (qsizetype k = i; k < j; ++k) *d++ = char(s[k].unicode());
            i = j;
            continue;
        }
        const char16_t u = s[i].unicode();
        if (run.attachment && u == 0xFFFC) writeAttachment(*run.attachment);
        else if (u == u'\n' && run.paragraph) writeParagraphEnd(run.paragraph->tableCell(), i + 1 < n ? run.paragraph : nextParagraph);
        else writeEscaped(u);
        ++i;
    }
}

}  // namespace

QByteArray writeRtf(const AttributedString& text, RtfFiles* files) {
    Writer writer(text, files);
    return writer.run();
}

}  // namespace ts
