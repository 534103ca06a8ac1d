#include "platform/Rtf.h"

#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/ParagraphStyle.h"
#include "platform/RtfCodec.h"
#include "platform/RtfControlWords.h"
#include "platform/RtfReaderState.h"
#include "platform/RtfdAttachment.h"
#include "platform/Url.h"

#include <QHash>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <vector>

namespace ts {
namespace {

using namespace rtf;

// Deeper nesting than this is not written by any text system; refusing it
// keeps the group stack small whatever the input.
constexpr size_t kMaxDepth = 256;
constexpr size_t kMaxTabStops = 256;
// RTF rows hold at most 63 cells.
constexpr size_t kMaxCellsPerRow = 63;
constexpr size_t kMaxTableEntries = 65536;
constexpr qint64 kParamLimit = 0x7FFFFFFF;
constexpr size_t kMaxResolvedColors = 256;
// The reader tests these words by their order.
static_assert(int(Word::Green) == int(Word::Red) + 1 && int(Word::Blue) == int(Word::Red) + 2);
static_assert(int(Word::Skip) + 5 == int(Word::Graphic) && int(Word::FontTable) > int(Word::Skip));

// A colour table's 0 to 255, as the fractions they stand for.
constexpr std::array<double, 256> kComponentOf255 = [] {
    std::array<double, 256> t{};
    for (int i = 0; i < 256; ++i) t[size_t(i)] = double(i) / 255.0;
    return t;
}();

// Byte classes, looked up once per byte in the loops that carry most of
// the input.
enum : quint8 { kLetter = 1, kDigit = 2, kTableText = 4, kBodyText = 8 };
constexpr std::array<quint8, 256> kByteClass = [] {
    std::array<quint8, 256> t{};
    for (int c = 0; c < 256; ++c) {
        quint8 k = 0;
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) k |= kLetter;
        if (c >= '0' && c <= '9') k |= kDigit;
        // Characters that stand for themselves: printable ASCII but the
        // three RTF syntax characters; a semicolon also ends a table entry.
        if (c >= 0x20 && c < 0x80 && c != '\\' && c != '{' && c != '}') {
            k |= kBodyText;
            if (c != ';') k |= kTableText;
        }
        t[size_t(c)] = k;
    }
    return t;
}();
inline bool is(char c, quint8 kind) { return kByteClass[quint8(c)] & kind; }
bool isLetter(char c) { return is(c, kLetter); }
bool isDigit(char c) { return is(c, kDigit); }
// The loops over letters, digits and plain text look at eight bytes at a
// time where the data allows: control words and their numbers vary in
// length from one to the next, and a byte-by-byte loop would guess wrong
// where each one ends.
constexpr bool kWordAtATime = std::endian::native == std::endian::little;
constexpr quint64 kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
inline quint64 load8(const char* p) {
    quint64 v;
    std::memcpy(&v, p, 8);
    return v;
}
// The high bit of each byte of x from lo to hi; bytes from 0x80 are in no range.
inline quint64 inRange(quint64 x, quint8 lo, quint8 hi) {
    const quint64 y = x & ~kHigh;
    return (y + kOnes * quint8(0x80 - lo)) & ~(y + kOnes * quint8(0x7F - hi)) & ~x & kHigh;
}
// The high bit of each byte of x equal to c.
inline quint64 equalTo(quint64 x, char c) {
    const quint64 t = x ^ (kOnes * quint8(c));
    return ~(((t & ~kHigh) + ~kHigh) | t) & kHigh;
}
inline const char* firstStop(const char* p, quint64 stops) { return p + (std::countr_zero(stops) >> 3); }

const char* skipLetters(const char* p, const char* end) {
    if constexpr (kWordAtATime) {
        for (; end - p >= 8; p += 8)
            if (const quint64 stops = ~inRange(load8(p) | kOnes * 0x20, 'a', 'z') & kHigh) return firstStop(p, stops);
    }
    while (p < end && is(*p, kLetter)) ++p;
    return p;
}

// The value of the first n digits (1 to 7) of the eight bytes x: moved to
// the top with zeros before them, and combined in pairs, fours and eights.
inline qint64 valueOfDigits(quint64 x, int n) {
    quint64 v = (x - kOnes * '0') << (8 * (8 - n));
    v = (v & 0x0F0F0F0F0F0F0F0Full) * 2561 >> 8;
    v = (v & 0x00FF00FF00FF00FFull) * 6553601 >> 16;
    return qint64((v & 0x0000FFFF0000FFFFull) * 42949672960001ull >> 32);
}

// The digits at p and their value, saturated at kParamLimit.
const char* readDigits(const char* p, const char* end, qint64& value) {
    if constexpr (kWordAtATime) {
        if (end - p >= 8) {
            const quint64 x = load8(p);
            if (const quint64 stops = ~inRange(x, '0', '9') & kHigh) {
                const int n = std::countr_zero(stops) >> 3;
                if (n == 0) {
                    value = 0;
                    return p;
                }
                value = valueOfDigits(x, n);
                return p + n;
            }
        }
    }
    qint64 param = 0;
    for (; p < end && is(*p, kDigit); ++p)
        if (param < kParamLimit) param = param * 10 + (*p - '0');
    value = std::min(param, kParamLimit);
    return p;
}

// The value of n digits at p (n > 0), saturated at kParamLimit.
inline qint64 digitsValue(const char* p, size_t n, const char* end) {
    if (kWordAtATime && n < 8 && end - p >= 8) return valueOfDigits(load8(p), int(n));
    qint64 param = 0;
    for (const char* const last = p + n; p < last; ++p)
        if (param < kParamLimit) param = param * 10 + (*p - '0');
    return std::min(param, kParamLimit);
}

// Most control words are short, with a short number or none: their
// letters, digits and delimiter are all found from one load of sixteen
// bytes, so that finding where a word ends never waits on finding where its
// letters end. False for the rest (and negative numbers), which take the
// general path.
struct ShortWord {
    size_t letters = 0, digits = 0;
    bool space = false;
    // The letters as the word table's key.
    detail::WordKey key;
};
inline bool shortWord(const char* p, const char* end, ShortWord& w) {
#if defined(__SSE2__)
    if (end - p < 16) return false;
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // Unsigned distances from 'a' (of the lower case) and from '0'.
    const __m128i fromA = _mm_sub_epi8(_mm_or_si128(v, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i fromZero = _mm_sub_epi8(v, _mm_set1_epi8('0'));
    const unsigned letters = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(fromA, _mm_set1_epi8(25)), fromA)));
    const unsigned digits = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(fromZero, _mm_set1_epi8(9)), fromZero)));
    const unsigned spaces = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(' '))));
    const unsigned l = unsigned(std::countr_zero(~letters));
    const unsigned d = l < 16 ? unsigned(std::countr_zero(~(digits >> l))) : 0;
    if (l + d >= 16 || (d == 0 && p[l] == '-')) return false;
    w.letters = l;
    w.digits = d;
    w.space = (spaces >> (l + d)) & 1;
    // The letters with zeros after them.
    const __m128i inWord = _mm_cmpgt_epi8(_mm_set1_epi8(char(l)), _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
    const __m128i letterBytes = _mm_and_si128(v, inWord);
    w.key.part[0] = quint64(_mm_cvtsi128_si64(letterBytes));
    w.key.part[1] = quint64(_mm_cvtsi128_si64(_mm_unpackhi_epi64(letterBytes, letterBytes)));
    w.key.part[2] = 0;
    return true;
#else
    Q_UNUSED(p);
    Q_UNUSED(end);
    Q_UNUSED(w);
    return false;
#endif
}

// The end of the plain text at p; in tables a semicolon ends it too.
const char* skipText(const char* p, const char* end, bool table) {
#if defined(__SSE2__)
    {
        // Sixteen at a time: as signed bytes, those below a blank and those
        // from 0x80 are all less than a blank.
        const __m128i blank = _mm_set1_epi8(' '), backslash = _mm_set1_epi8('\\'), open = _mm_set1_epi8('{'),
                      close = _mm_set1_epi8('}'), also = _mm_set1_epi8(table ? ';' : '\\');
        for (; end - p >= 16; p += 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i stops = _mm_or_si128(_mm_or_si128(_mm_cmplt_epi8(v, blank), _mm_cmpeq_epi8(v, backslash)),
                                               _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, open), _mm_cmpeq_epi8(v, close)), _mm_cmpeq_epi8(v, also)));
            if (const unsigned mask = unsigned(_mm_movemask_epi8(stops))) return p + std::countr_zero(mask);
        }
    }
#endif
    if constexpr (kWordAtATime) {
        const char also = table ? ';' : '\\';
        for (; end - p >= 8; p += 8) {
            const quint64 x = load8(p);
            const quint64 stops = (~inRange(x, 0x20, 0x7F) & kHigh) | equalTo(x, '\\') | equalTo(x, '{') | equalTo(x, '}') | equalTo(x, also);
            if (stops) return firstStop(p, stops);
        }
    }
    const quint8 kind = table ? kTableText : kBodyText;
    while (p < end && is(*p, kind)) ++p;
    return p;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The link target of a field instruction such as
// HYPERLINK "footnote:12" or HYPERLINK \l "anchor".
QString hyperlinkTarget(const QString& instruction) {
    const QString s = instruction.trimmed();
    if (!s.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive)) return QString();
    const int open = s.indexOf(QLatin1Char('"'));
    if (open >= 0) {
        const int close = s.indexOf(QLatin1Char('"'), open + 1);
        return close < 0 ? s.mid(open + 1) : s.mid(open + 1, close - open - 1);
    }
    const QStringList parts = s.mid(9).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& p : parts)
        if (!p.startsWith(QLatin1Char('\\'))) return p;
    return QString();
}

// Fonts, colours and paragraph styles are immutable, so texts read one
// after another (a document's column) share them; per-thread caches save
// making the same few again and again. The small ones below replace their
// entries in turn, so a miss costs no shuffling, and texts pasted from many
// sources (every one with colours of its own) cost little more than making
// the objects.
template <class Entry, size_t N>
struct RecentObjects {
    std::array<Entry, N> entries{};
    size_t used = 0, next = 0;
    template <class Match> const Entry* find(Match&& match) const {
        for (size_t i = 0; i < used; ++i)
            if (match(entries[i])) return &entries[i];
        return nullptr;
    }
    void add(Entry e) {
        entries[next] = std::move(e);
        next = (next + 1) % N;
        if (used < N) ++used;
    }
};

// The larger caches keep one entry per slot of a hash: a lookup looks at
// one entry whatever the cache holds, and a new entry takes its slot.
template <class Entry, size_t N>
struct HashedObjects {
    static_assert((N & (N - 1)) == 0);
    std::array<Entry, N> entries{};
    Entry& slot(size_t hash) { return entries[(hash ^ (hash >> 29)) & (N - 1)]; }
};

size_t mix(size_t h, quint64 v) { return (h ^ v) * 0x9E3779B97F4A7C15ull; }
size_t mix(size_t h, double v) { return mix(h, std::bit_cast<quint64>(v)); }
size_t mix(size_t h, const void* p) { return mix(h, quint64(quintptr(p))); }

// A font name and the fonts made from it. A text's font table names its
// faces once; the fonts come from the face without looking the name up again.
FontFacePtr sharedFontFace(QStringView name) {
    thread_local HashedObjects<FontFacePtr, 256> faces;
    // Four characters at a time, the last zero-filled.
    size_t h = size_t(name.size());
    const char* bytes = reinterpret_cast<const char*>(name.data());
    const size_t size = size_t(name.size()) * 2;
    const char* const whole = bytes + (size & ~size_t(7));
    for (; bytes < whole; bytes += 8) h = mix(h, load8(bytes));
    if (const size_t left = size & 7) {
        quint64 chunk = 0;
        for (size_t i = 0; i < left; i += 2) chunk |= quint64(quint16(bytes[i] & 0xFF) | quint16(quint8(bytes[i + 1])) << 8) << (8 * i);
        h = mix(h, chunk);
    }
    FontFacePtr& face = faces.slot(h);
    if (!face || face->name.size() != name.size() || std::memcmp(face->name.constData(), name.data(), size) != 0)
        face = std::make_shared<FontFace>(FontFace{name.toString(), {}, 0});
    return face;
}

FontPtr fontFrom(FontFace& face, double size, bool bold, bool italic) {
    for (const FontFace::Made& m : face.fonts)
        if (m.size == size && m.bold == bold && m.italic == italic) return m.font;
    FontPtr f = Font::make(face.name, size);
    if ((bold && !f->isBold()) || (italic && !f->isItalic())) f = f->withTraits(bold || f->isBold(), italic || f->isItalic());
    // Bounded: a hostile stream of sizes only replaces fonts in turn.
    if (face.fonts.size() < FontFace::kMaxFonts) {
        face.fonts.push_back({size, bold, italic, f});
    } else {
        face.fonts[face.next] = {size, bold, italic, f};
        face.next = (face.next + 1) % FontFace::kMaxFonts;
    }
    return f;
}

ColorPtr sharedColor(bool gray, double c0, double c1, double c2, double alpha) {
    struct Entry {
        bool gray = false;
        double c[4] = {};
        ColorPtr color;
    };
    thread_local HashedObjects<Entry, 64> cache;
    Entry& e = cache.slot(mix(mix(mix(mix(mix(0, quint64(gray)), c0), c1), c2), alpha));
    if (e.color && e.c[0] == c0 && e.c[1] == c1 && e.c[2] == c2 && e.c[3] == alpha && e.gray == gray) return e.color;
    ColorPtr c = gray ? Color::white(c0, alpha) : Color::calibratedRgb(c0, c1, c2, alpha);
    e = {gray, {c0, c1, c2, alpha}, c};
    return c;
}

// Paragraph styles outside tables: an alignment and tab stops.
ParagraphStylePtr sharedParagraphStyle(ParagraphStyle::Alignment alignment, const std::vector<double>& tabs) {
    struct Entry {
        ParagraphStylePtr style;
    };
    thread_local RecentObjects<Entry, 16> cache;
    if (const Entry* e = cache.find([&](const Entry& e) {
            return e.style->alignment() == alignment && e.style->tabStops() == tabs && !e.style->tableCell();
        }))
        return e->style;
    ParagraphStylePtr style = ParagraphStyle::make(alignment, tabs);
    cache.add({style});
    return style;
}

// What the attributes of a run are made of, by identity.
struct SetKey {
    const Object *font, *fg, *bg, *link, *paragraph;
    int underline, strike, superScript;
    double baseline;
    bool operator==(const SetKey&) const = default;
};
struct KeyedSet {
    SetKey key{};
    AttributeSet set;
};

inline bool sameObject(const Object* a, const Object* b) { return a == b || (a && b && a->isEqual(*b)); }
// A key's font is one made by fontFor(), or null in the empty key before
// the first run.
inline bool sameFont(const Object* a, const Object* b) {
    return a == b || (a && b && static_cast<const Font*>(a)->isEqualTo(*static_cast<const Font*>(b)));
}
// Whether the sets made from two keys are equal, without comparing the sets:
// a key names each value of its set. The objects are compared by identity
// first; the texts of a column mostly share them.
inline bool sameContent(const SetKey& a, const SetKey& b) {
    return a.underline == b.underline && a.strike == b.strike && a.superScript == b.superScript && a.baseline == b.baseline &&
           sameFont(a.font, b.font) && sameObject(a.fg, b.fg) && sameObject(a.bg, b.bg) && sameObject(a.link, b.link) &&
           sameObject(a.paragraph, b.paragraph);
}

class Reader {
public:
    Reader(const QByteArray& data, const RtfFiles* files)
        : begin_(data.constData()), p_(data.constData()), end_(data.constData() + data.size()), files_(files) {}

    RtfReadResult run();

private:
    bool fail(const QString& why) {
        if (error_.isEmpty()) error_ = why;
        return false;
    }
    bool parse();
    bool controlWord();
    bool controlSymbol();
    bool skipGroupContents();
    void handleWord(rtf::Word word, bool ignorable, bool hasParam, qint64 param);
    void colorTableEntries();
    void text(char16_t c);
    void textRun(const char* begin, const char* end);
    void refreshAttributes();
    void textBytes(char byte);
    // Decodes the bytes escaped so far; most texts have none.
    void flushBytes() {
        if (!pendingBytes_.isEmpty()) decodeBytes();
    }
    void decodeBytes();
    void closeRun();
    void addRun(qsizetype length, const AttributeSet& attributes, const SetKey* key);
    void openGroup();
    bool closeGroup();
    const KeyedSet& currentAttributes();
    // The colour at an index, held by the reader until the tables change;
    // `slot` (0 or 1) keeps apart two colours asked for at once.
    const ColorPtr& colorAt(int index, int slot) {
        if (index <= 0) return noColor_;
        const size_t i = size_t(index);
        if (i < resolvedColors_.size() && resolvedColors_[i]) return resolvedColors_[i];
        return resolveColor(i, slot);
    }
    const ColorPtr& resolveColor(size_t index, int slot);
    const FontPtr& fontFor(const State& s);
    int currentCodePage() const;
    void markDirty() { dirty_ = true; }
    // After a change to the colour tables.
    void forgetColors() {
        if (!resolvedColors_.empty()) resolvedColors_.clear();
        markDirty();
    }
    void commitFontEntry();
    void commitColorEntry(std::vector<ColorEntry>& table);
    std::shared_ptr<TabList> newTabList();
    void rememberPreamble();
    void restorePreamble();

    const char* begin_;
    const char* p_;
    const char* end_;
    const RtfFiles* files_;
    QString error_;
    ScratchLease lease_;

    State st_;
    std::vector<State>& stack_ = lease_.get().stack;
    bool ignorableNext_ = false;
    int skipChars_ = 0;
    int documentCodePage_ = rtf::kCodePageWindowsLatin1;
    int defaultFont_ = 0;
    bool started_ = false;
    bool finished_ = false;
    // Whether this text's opening was remembered or restored already.
    bool preambleDone_ = false;

    // Few fonts per text: a linear search beats hashing.
    std::vector<FontEntry>& fonts_ = lease_.get().fonts;
    const FontEntry* findFont(int number) const {
        for (const FontEntry& e : fonts_)
            if (e.number == number) return &e;
        return nullptr;
    }
    int tableFont_ = 0;
    int tableCharset_ = 0;
    CharBuffer& tableName_ = lease_.get().tableName;

    std::vector<ColorEntry>& colors_ = lease_.get().colors;
    std::vector<ColorEntry>& expandedColors_ = lease_.get().expandedColors;
    ColorEntry pendingColor_;
    std::vector<ColorPtr>& resolvedColors_ = lease_.get().resolvedColors;
    const ColorPtr noColor_;
    std::array<ColorPtr, 2> uncachedColors_;

    std::vector<FieldContext>& fields_ = lease_.get().fields;

    QString graphicName_;
    qint64 graphicWidth_ = 0, graphicHeight_ = 0;

    // Tables: the row being read, the cell in it, and the right edges of the
    // cells the last row definition gave.
    quint64 row_ = 0;
    size_t column_ = 0;
    std::shared_ptr<const std::vector<qint64>> rowEdges_;

    QByteArray& pendingBytes_ = lease_.get().pendingBytes;
    // The text so far, in runs; the text since runStart_ has the attributes
    // run_ and is not yet in a run. The last run's key, when it had one.
    CharBuffer& text_ = lease_.get().text;
    std::vector<AttributedString::Run>& runs_ = lease_.get().runs;
    KeyedSet run_;
    qsizetype runStart_ = 0;
    SetKey lastRunKey_{};
    bool lastRunKeyed_ = false;
    bool dirty_ = true;
    std::vector<CachedFont>& fontCache_ = lease_.get().fontCache;
    ParagraphStylePtr lastStyle_;
    rtf::ByteDecoder& decoder_ = lease_.get().decoder;
};

RtfReadResult Reader::run() {
    RtfReadResult result;
    // Whitespace before the signature is tolerated; anything else is not RTF.
    while (p_ < end_ && (*p_ == ' ' || *p_ == '\r' || *p_ == '\n' || *p_ == '\t')) ++p_;
    if (end_ - p_ < 5 || std::memcmp(p_, "{\\rtf", 5) != 0) {
        result.error = QStringLiteral("The data does not begin with an RTF header");
        return result;
    }
    restorePreamble();
    if (!parse()) {
        result.error = error_;
        return result;
    }
    result.ok = true;
    // Copied out at their size: the scratch keeps its room for the next text.
    std::vector<AttributedString::Run> runs;
    runs.reserve(runs_.size());
    for (AttributedString::Run& r : runs_) runs.push_back(std::move(r));
    const QString text = text_.empty() ? QString() : QString(reinterpret_cast<const QChar*>(text_.data()), qsizetype(text_.size()));
    result.text = AttributedString::withRuns(text, std::move(runs));
    return result;
}

void Reader::rememberPreamble() {
    preambleDone_ = true;
    // Only a state that owes nothing to what follows, nor to the files
    // beside the text, can stand for the bytes read so far.
    const qsizetype length = qsizetype(p_ - begin_);
    if (files_ || !started_ || length > kMaxPreambleBytes || !text_.empty() || !pendingBytes_.isEmpty() || !fields_.empty() || skipChars_ || st_.pendingAttachment || stack_.size() > 16 ||
        fonts_.size() > kMaxPreambleEntries || colors_.size() > kMaxPreambleEntries || expandedColors_.size() > kMaxPreambleEntries)
        return;
    // The bytes must end where no token can go on: after a delimiting blank,
    // a brace or a line end. A control word ended by the text itself
    // ("\fs24x") could read on in another text ("\fs245").
    const char last = p_[-1];
    if (last != ' ' && last != '{' && last != '}' && last != '\n' && last != '\r') return;
    for (const State& s : stack_)
        if (s.pendingAttachment) return;
    Scratch& scratch = lease_.get();
    // Texts pasted from many sources open each in its own way, and
    // remembering every opening would only cost a copy of the state: after
    // a run of openings never met again, one text in eight is remembered,
    // until one is met again.
    if (scratch.unmatched > 8 && scratch.unmatched % 8 != 0) return;
    Preamble& pre = scratch.preambles[scratch.nextPreamble];
    scratch.nextPreamble = (scratch.nextPreamble + 1) % scratch.preambles.size();
    pre.bytes.resize(length);
    std::memcpy(pre.bytes.data(), begin_, size_t(length));
    pre.st = st_;
    pre.stack = stack_;
    pre.ignorableNext = ignorableNext_;
    pre.documentCodePage = documentCodePage_;
    pre.defaultFont = defaultFont_;
    pre.fonts = fonts_;
    pre.tableFont = tableFont_;
    pre.tableCharset = tableCharset_;
    pre.tableName = tableName_;
    pre.colors = colors_;
    pre.expandedColors = expandedColors_;
    pre.pendingColor = pendingColor_;
    pre.graphicName = graphicName_;
    pre.graphicWidth = graphicWidth_;
    pre.graphicHeight = graphicHeight_;
    pre.row = row_;
    pre.column = column_;
    pre.rowEdges = rowEdges_;
}

void Reader::restorePreamble() {
    if (files_) return;
    const qsizetype size = qsizetype(end_ - begin_);
    Scratch& scratch = lease_.get();
    ++scratch.unmatched;
    for (const Preamble& pre : scratch.preambles) {
        const qsizetype length = pre.bytes.size();
        if (length == 0 || length >= size) continue;
        // Openings alike at first differ mostly near their end (sizes,
        // colours): their last bytes are compared first.
        if (length >= 8 && load8(begin_ + length - 8) != load8(pre.bytes.constData() + length - 8)) continue;
        if (std::memcmp(begin_, pre.bytes.constData(), size_t(length)) != 0) continue;
        st_ = pre.st;
        stack_ = pre.stack;
        ignorableNext_ = pre.ignorableNext;
        documentCodePage_ = pre.documentCodePage;
        defaultFont_ = pre.defaultFont;
        fonts_ = pre.fonts;
        tableFont_ = pre.tableFont;
        tableCharset_ = pre.tableCharset;
        tableName_ = pre.tableName;
        colors_ = pre.colors;
        expandedColors_ = pre.expandedColors;
        resolvedColors_.clear();
        pendingColor_ = pre.pendingColor;
        graphicName_ = pre.graphicName;
        graphicWidth_ = pre.graphicWidth;
        graphicHeight_ = pre.graphicHeight;
        row_ = pre.row;
        column_ = pre.column;
        rowEdges_ = pre.rowEdges;
        p_ = begin_ + length;
        started_ = true;
        preambleDone_ = true;
        scratch.unmatched = 0;
        markDirty();
        return;
    }
}

bool Reader::parse() {
    // Colour table entries begin with a control word, a semicolon or a line
    // end, never with a brace.
    const auto colorEntries = [this] {
        if ((st_.dest != Dest::ColorTable && st_.dest != Dest::ExpandedColorTable) || skipChars_ || ignorableNext_ || !pendingBytes_.isEmpty())
            return false;
        const char* before = p_;
        colorTableEntries();
        return p_ != before;
    };
    while (p_ < end_) {
        const char c = *p_;
        if (c == '{') {
            ++p_;
            flushBytes();
            if (stack_.size() >= kMaxDepth) return fail(QStringLiteral("RTF groups nested deeper than %1 levels").arg(kMaxDepth));
            openGroup();
            started_ = true;
        } else if (c == '}') {
            ++p_;
            flushBytes();
            if (!closeGroup()) return false;
            if (stack_.empty()) {
                finished_ = true;
                break;  // anything after the closing brace is not part of the text
            }
        } else if (c == '\\') {
            if (colorEntries()) continue;
            ++p_;
            if (p_ >= end_) return fail(QStringLiteral("RTF data ends inside a control word"));
            if (isLetter(*p_)) {
                if (!controlWord()) return false;
                if (st_.dest == Dest::Skip && skipChars_ == 0 && !skipGroupContents()) return false;
            } else if (!controlSymbol()) {
                return false;
            }
        } else if (skipChars_ == 0 && is(c, st_.dest == Dest::Text ? kBodyText : kTableText) && !st_.pendingAttachment &&
                   (st_.dest == Dest::Text || st_.dest == Dest::FontTable || st_.dest == Dest::FieldInstruction)) {
            // Plain text, the bulk of a document: taken a stretch at a time.
            // In tables a semicolon ends an entry, so the stretch stops there.
            if (!preambleDone_ && st_.dest == Dest::Text) rememberPreamble();
            const char* start = p_;
            p_ = skipText(p_, end_, st_.dest != Dest::Text);
            flushBytes();
            textRun(start, p_);
        } else {
            if (colorEntries()) continue;
            ++p_;
            if (c == '\r' || c == '\n') continue;
            if (skipChars_ > 0) {
                --skipChars_;
                continue;
            }
            if (quint8(c) >= 0x80) {
                textBytes(c);
            } else {
                flushBytes();
                if (c == '\t') text(u'\t');
                else if (quint8(c) >= 0x20) text(char16_t(c));
            }
        }
    }
    if (!started_ || !finished_) return fail(QStringLiteral("RTF data ends before its closing brace"));
    flushBytes();
    closeRun();
    return true;
}

bool Reader::controlWord() {
    // Scanned through locals: bytes read through a char pointer could be
    // the reader's own members, so scanning through p_ itself would store
    // and load it again for every byte.
    const char* p = p_;
    const char* const end = end_;
    const char* wordStart = p;
    size_t len;
    bool hasParam;
    qint64 param = 0;
    // The number of a short word is worked out only for a word that uses it.
    const char* lazyDigits = nullptr;
    size_t lazyCount = 0;
    ShortWord w;
    const bool isShort = shortWord(p, end, w);
    if (isShort) {
        len = w.letters;
        hasParam = w.digits > 0;
        lazyDigits = p + w.letters;
        lazyCount = w.digits;
        p += w.letters + w.digits + (w.space ? 1 : 0);
    } else {
        p = skipLetters(p, end);
        len = size_t(p - wordStart);
        bool negative = false;
        if (p < end && *p == '-' && p + 1 < end && isDigit(p[1])) {
            negative = true;
            ++p;
        }
        // Saturated rather than overflowing; the digits are consumed either way.
        const char* digits = p;
        p = readDigits(p, end, param);
        hasParam = p != digits;
        if (negative) param = -param;
        if (p < end && *p == ' ') ++p;
    }
    p_ = p;

    if (len == 3 && std::memcmp(wordStart, "bin", 3) == 0) {
        if (lazyCount) param = digitsValue(lazyDigits, lazyCount, end);
        flushBytes();
        if (hasParam && param > 0) {
            if (param > end_ - p_) return fail(QStringLiteral("RTF \\bin length %1 runs past the end of the data").arg(param));
            p_ += param;
        }
        return true;
    }
    if (skipChars_ > 0) {
        --skipChars_;
        return true;
    }
    const bool ignorable = ignorableNext_;
    ignorableNext_ = false;
    // No control word is longer than 32 letters: a longer one is passed over,
    // and even after \* its group is read on, not skipped.
    if (len > 32 || st_.dest == Dest::Skip) return true;
    const Word word = isShort ? detail::kWordTable.find(w.key) : lookUpWord(wordStart, len, end);
    if (lazyCount && word != Word::Unknown) param = digitsValue(lazyDigits, lazyCount, end);
    handleWord(word, ignorable, hasParam, param);
    return true;
}

// Word and LibreOffice open their texts with kilobytes of groups the reader
// ignores (style sheets, document information, generators): such a group is
// passed over by its braces up to its closing one, which the caller reads.
// Nothing in it changes the text; only what would make the data unreadable
// is looked for, as reading it word by word would find it.
bool Reader::skipGroupContents() {
    const char* p = p_;
    size_t depth = 0;
    while (true) {
        // Plain bytes up to the next brace or word; the stretches are short.
        while (p < end_ && is(*p, kBodyText)) ++p;
        if (p == end_) break;
        if (*p != '{' && *p != '}' && *p != '\\') {
            ++p;
        } else if (*p == '{') {
            if (stack_.size() + depth >= kMaxDepth) return fail(QStringLiteral("RTF groups nested deeper than %1 levels").arg(kMaxDepth));
            ++depth;
            ++p;
        } else if (*p == '}') {
            if (depth == 0) break;
            --depth;
            ++p;
        } else if (++p == end_) {
            return fail(QStringLiteral("RTF data ends inside a control word"));
        } else if (*p == '\'') {
            if (end_ - p < 3) return fail(QStringLiteral("RTF data ends inside a \\' escape"));
            p += 3;
        } else if (end_ - p >= 3 && std::memcmp(p, "bin", 3) == 0 && (end_ - p == 3 || !isLetter(p[3]))) {
            // Binary data may hold braces: its length is read as elsewhere.
            p_ = p;
            if (!controlWord()) return false;
            p = p_;
        } else if (!isLetter(*p)) {
            ++p;
        }
        // The letters and numbers of other words are passed over as text.
    }
    p_ = p;
    return true;
}

bool Reader::controlSymbol() {
    const char c = *p_++;
    switch (c) {
    case '\'': {
        if (end_ - p_ < 2) return fail(QStringLiteral("RTF data ends inside a \\' escape"));
        const int hi = hexValue(p_[0]), lo = hexValue(p_[1]);
        p_ += 2;
        if (skipChars_ > 0) {
            --skipChars_;
            return true;
        }
        if (hi < 0 || lo < 0) return true;  // a malformed escape stands for nothing
        textBytes(char(hi * 16 + lo));
        return true;
    }
    case '*':
        ignorableNext_ = true;
        return true;
    default: break;
    }
    flushBytes();
    if (skipChars_ > 0) {
        --skipChars_;
        return true;
    }
    switch (c) {
    case '\\': text(u'\\'); break;
    case '{': text(u'{'); break;
    case '}': text(u'}'); break;
    case '~': text(u'\u00A0'); break;
    case '-': text(u'\u00AD'); break;
    case '_': text(u'\u2011'); break;
    case '\t': text(u'\t'); break;
    case '\n':
    case '\r': text(u'\n'); break;
    default: break;
    }
    return true;
}

void Reader::openGroup() {
    stack_.push_back(st_);
    st_.pendingAttachment.reset();
    skipChars_ = 0;
}

bool Reader::closeGroup() {
    if (stack_.empty()) return fail(QStringLiteral("RTF data has an unmatched closing brace"));
    skipChars_ = 0;
    ignorableNext_ = false;
    if (st_.dest == Dest::FontTable) commitFontEntry();
    if (st_.pendingAttachment) {
        // The marker character never came; the attachment still stands.
        text(u'\uFFFC');
    }
    const Dest closing = st_.dest;
    st_ = std::move(stack_.back());
    stack_.pop_back();
    if (closing == Dest::Graphic && st_.dest != Dest::Graphic) {
        const QString name = graphicName_.trimmed();
        QByteArray contents;
        bool has = false;
        if (files_) {
            auto it = files_->find(name);
            if (it != files_->end()) {
                contents = it->second;
                has = true;
            }
        }
        auto att = std::make_shared<TextAttachment>(name, contents, graphicWidth_, graphicHeight_);
        att->setHasContents(has);
        st_.pendingAttachment = att;
        graphicName_.clear();
    }
    if (!fields_.empty() && fields_.back().depth > stack_.size()) fields_.pop_back();
    markDirty();
    return true;
}

int Reader::currentCodePage() const {
    const FontEntry* e = findFont(st_.font);
    return e ? e->codePage : documentCodePage_;
}

void Reader::textBytes(char byte) {
    if (st_.dest == Dest::Text || st_.dest == Dest::FontTable || st_.dest == Dest::FieldInstruction || st_.dest == Dest::Graphic)
        pendingBytes_.append(byte);
}

void Reader::decodeBytes() {
    QString decoded;
    const int cp = st_.dest == Dest::FontTable ? rtf::codePageForCharset(tableCharset_, documentCodePage_) : currentCodePage();
    decoder_.decode(pendingBytes_, cp, decoded);
    pendingBytes_.resize(0);
    for (QChar ch : decoded) text(ch.unicode());
}

void Reader::text(char16_t c) {
    switch (st_.dest) {
    case Dest::Text: break;
    case Dest::FontTable:
        if (c == u';') commitFontEntry();
        else tableName_.push_back(c);
        return;
    case Dest::ColorTable:
        if (c == u';') commitColorEntry(colors_);
        return;
    case Dest::ExpandedColorTable:
        if (c == u';') commitColorEntry(expandedColors_);
        return;
    case Dest::FieldInstruction:
        if (!fields_.empty() && fields_.back().instruction.size() < 65536) fields_.back().instruction.append(QChar(c));
        return;
    case Dest::Graphic:
        if (graphicName_.size() < 1024) graphicName_.append(QChar(c));
        return;
    case Dest::Skip: return;
    }
    if (st_.pendingAttachment) {
        // The character after an attachment's graphic group is its marker.
        const TextAttachmentPtr att = st_.pendingAttachment;
        st_.pendingAttachment.reset();
        AttributeSet a = currentAttributes().set.with(AttributeName::Attachment, Value(att));
        closeRun();
        text_.push_back(u'\uFFFC');
        addRun(1, a, nullptr);
        runStart_ = qsizetype(text_.size());
        return;
    }
    refreshAttributes();
    text_.push_back(c);
}

// Sets equal in content but made apart (a font asked for bold that is bold
// already) keep one run.
void Reader::refreshAttributes() {
    if (!dirty_) return;
    dirty_ = false;
    const KeyedSet& a = currentAttributes();
    if (a.set.isSameSet(run_.set) || sameContent(a.key, run_.key)) return;
    closeRun();
    run_ = a;
}

void Reader::textRun(const char* begin, const char* end) {
    switch (st_.dest) {
    case Dest::FontTable: tableName_.appendLatin1(begin, end); return;
    case Dest::FieldInstruction:
        if (!fields_.empty() && fields_.back().instruction.size() < 65536)
            fields_.back().instruction.append(QLatin1String(begin, qsizetype(end - begin)));
        return;
    default: break;
    }
    refreshAttributes();
    text_.appendLatin1(begin, end);
}

void Reader::closeRun() {
    const qsizetype length = qsizetype(text_.size()) - runStart_;
    runStart_ = qsizetype(text_.size());
    if (length > 0) addRun(length, run_.set, &run_.key);
}

// Runs share their sets; a run equal to the one before joins it. Runs with
// keys are compared by them.
void Reader::addRun(qsizetype length, const AttributeSet& attributes, const SetKey* key) {
    if (!runs_.empty()) {
        AttributedString::Run& last = runs_.back();
        if (attributes.isSameSet(last.attributes) ||
            (key && lastRunKeyed_ ? sameContent(*key, lastRunKey_) : attributes == last.attributes)) {
            last.length += length;
            return;
        }
    }
    runs_.push_back({length, attributes});
    lastRunKeyed_ = key != nullptr;
    if (key) lastRunKey_ = *key;
}

const FontPtr& Reader::fontFor(const State& s) {
    for (const CachedFont& c : fontCache_)
        if (c.font == s.font && c.size == s.size && c.bold == s.bold && c.italic == s.italic) return c.value;
    const FontEntry* e = findFont(s.font);
    thread_local const FontFacePtr fallback = std::make_shared<FontFace>(FontFace{QStringLiteral("Helvetica"), {}, 0});
    FontPtr f = fontFrom(e && e->face ? *e->face : *fallback, s.size, s.bold, s.italic);
    // A text uses few faces; a hostile one cycling through many only loses
    // the cache, never grows it.
    if (fontCache_.size() >= 16) fontCache_.erase(fontCache_.begin());
    fontCache_.push_back({s.font, s.size, s.bold, s.italic, std::move(f)});
    return fontCache_.back().value;
}

// Only the entry asked for is resolved: resolving the whole table whenever
// it changed would let a large table followed by many small changes cost
// time quadratic in the input. sharedColor() keeps the lookups cheap.
const ColorPtr& Reader::resolveColor(size_t i, int slot) {
    const ColorEntry* e = nullptr;
    if (i < expandedColors_.size() && expandedColors_[i].present) e = &expandedColors_[i];
    else if (i < colors_.size() && colors_[i].present) e = &colors_[i];
    if (!e) return noColor_;
    ColorPtr c = e->space == Color::Space::CalibratedWhite ? sharedColor(true, e->c[0], 0, 0, e->count > 1 ? e->c[1] : 1)
                                                            : sharedColor(false, e->c[0], e->c[1], e->c[2], e->count > 3 ? e->c[3] : 1);
    // Texts name few colours, by small indexes. The room for all of them is
    // taken at once, so a colour handed out stays where it is.
    if (i < kMaxResolvedColors) {
        if (resolvedColors_.capacity() < kMaxResolvedColors) resolvedColors_.reserve(kMaxResolvedColors);
        if (resolvedColors_.size() <= i) resolvedColors_.resize(i + 1);
        return resolvedColors_[i] = std::move(c);
    }
    return uncachedColors_[size_t(slot)] = std::move(c);
}

const KeyedSet& Reader::currentAttributes() {
    const FontPtr& font = fontFor(st_);
    const ColorPtr& fg = colorAt(st_.fg, 0);
    const ColorPtr& bg = colorAt(st_.bg, 1);
    const bool hasTabs = st_.tabs && !st_.tabs->stops.empty();
    // A paragraph is in a cell only where the row says where its cells end.
    const bool inCell = st_.inTable && rowEdges_ && column_ < rowEdges_->size();
    const ParagraphStyle* style = nullptr;
    if (st_.alignment != int(ParagraphStyle::Alignment::Natural) || hasTabs || inCell) {
        const auto alignment = ParagraphStyle::Alignment(st_.alignment);
        const std::vector<double> none;
        const std::vector<double>& tabs = hasTabs ? st_.tabs->stops : none;
        const TableCell cell{row_, int(column_), rowEdges_};
        const TableCell* last = lastStyle_ ? lastStyle_->tableCell() : nullptr;
        const bool sameCell = inCell ? last && *last == cell : !last;
        if (!lastStyle_ || lastStyle_->alignment() != alignment || lastStyle_->tabStops() != tabs || !sameCell)
            lastStyle_ = inCell ? ParagraphStyle::make(alignment, tabs, cell) : sharedParagraphStyle(alignment, tabs);
        style = lastStyle_.get();
    }
    // The objects come from the shared caches, so texts that look alike
    // name the same ones, and the sets made from them are shared too. A set
    // holds its objects, so a remembered key never names a freed one.
    const SetKey key{font.get(), fg.get(), bg.get(), st_.link.get(), style, st_.underline, st_.strike, st_.superScript, st_.baseline};
    thread_local HashedObjects<KeyedSet, 64> recentSets;
    size_t h = mix(mix(mix(mix(mix(0, key.font), key.fg), key.bg), key.link), key.paragraph);
    h = mix(mix(h, quint64(key.underline) << 32 ^ quint64(quint32(key.strike))), quint64(quint32(key.superScript)));
    KeyedSet& slot = recentSets.slot(mix(h, key.baseline));
    if (slot.key == key) return slot;
    // In the names' own order, each made in place at the end; count is
    // at least one, so the builder has its block.
    const size_t count = 1 + (bg ? 1 : 0) + (st_.baseline != 0 ? 1 : 0) + (fg ? 1 : 0) + (st_.link ? 1 : 0) + (style ? 1 : 0) +
                         (st_.strike ? 1 : 0) + (st_.superScript ? 1 : 0) + (st_.underline ? 1 : 0);
    AttributeSet::Builder a(count);
    if (bg) a.addInOrder(AttributeName::BackgroundColor, bg);
    if (st_.baseline != 0) a.addInOrder(AttributeName::BaselineOffset, st_.baseline);
    if (fg) a.addInOrder(AttributeName::ForegroundColor, fg);
    a.addInOrder(AttributeName::Font, font);
    if (st_.link) a.addInOrder(AttributeName::Link, st_.link);
    if (style) a.addInOrder(AttributeName::ParagraphStyle, lastStyle_);
    if (st_.strike) a.addInOrder(AttributeName::Strikethrough, st_.strike);
    if (st_.superScript) a.addInOrder(AttributeName::SuperScript, st_.superScript);
    if (st_.underline) a.addInOrder(AttributeName::Underline, st_.underline);
    slot.key = key;
    slot.set = a.finish();
    return slot;
}

void Reader::commitFontEntry() {
    FontFacePtr face;
    if (!tableName_.empty()) {
        QStringView name = tableName_.view();
        // Names are seldom padded: trimmed only when they are.
        if (name.front().isSpace() || name.back().isSpace()) name = name.trimmed();
        if (!name.isEmpty()) face = sharedFontFace(name);
        tableName_.clear();
    }
    FontEntry* existing = const_cast<FontEntry*>(findFont(tableFont_));
    if (!face && !existing) return;
    if (!existing) {
        // A hostile table with thousands of fonts would make every search
        // slow; a real text never has this many.
        if (fonts_.size() >= 1024) return;
        fonts_.push_back({tableFont_, nullptr, rtf::kCodePageWindowsLatin1});
        existing = &fonts_.back();
    }
    FontEntry& e = *existing;
    if (face) e.face = std::move(face);
    e.codePage = rtf::codePageForCharset(tableCharset_, documentCodePage_);
    fontCache_.clear();
    markDirty();
}

// An empty list: one of the thread's that nothing holds any more, or a new one.
std::shared_ptr<TabList> Reader::newTabList() {
    std::vector<std::shared_ptr<TabList>>& pool = lease_.get().tabLists;
    for (const std::shared_ptr<TabList>& t : pool)
        if (t.use_count() == 1) {
            t->stops.clear();
            return t;
        }
    auto t = std::make_shared<TabList>();
    t->stops.reserve(8);
    if (pool.size() < 8) {
        t->pooled = true;
        pool.push_back(t);
    }
    return t;
}

void Reader::commitColorEntry(std::vector<ColorEntry>& table) {
    if (table.size() < kMaxTableEntries) table.push_back(pendingColor_);
    pendingColor_.reset();
    forgetColors();
}

// A word of a colour table; others change nothing there.
inline void addColorWord(ColorEntry& e, Word word, qint64 param) {
    if (word == Word::C) {
        if (e.present && e.count < 5) e.c[e.count++] = double(std::clamp<qint64>(param, 0, 100000)) / 100000.0;
    } else if (word >= Word::Red && word <= Word::Blue) {
        e.present = true;
        e.c[int(word) - int(Word::Red)] = kComponentOf255[size_t(std::clamp<qint64>(param, 0, 255))];
        e.count = std::max(e.count, 3);
    } else if (word == Word::CsRgb || word == Word::CsGray) {
        e.present = true;
        e.space = word == Word::CsRgb ? Color::Space::CalibratedRGB : Color::Space::CalibratedWhite;
        e.count = 0;
    }
}

// `word` (its backslash and letters) at p, then a number of one to seven
// digits and its delimiting blank, if any. Up to sixteen bytes past p may
// be read.
template <size_t N>
inline bool wordAndNumber(const char* p, const char (&word)[N], qint64& value, const char*& next) {
    if (std::memcmp(p, word, N - 1) != 0) return false;
    const char* const digits = p + N - 1;
    const quint64 x = load8(digits);
    const quint64 notDigits = ~inRange(x, '0', '9') & kHigh;
    const int count = std::countr_zero(notDigits) >> 3;
    if (count == 0 || count == 8) return false;
    value = valueOfDigits(x, count);
    next = digits + count + (digits[count] == ' ' ? 1 : 0);
    return true;
}

// A whole colour table entry in the forms writers use, from its first word
// through its semicolon: "\redR\greenG\blueB;" in the table and
// "\cssrgb\cR\cG\cB;" (or gray, or with an alpha) in the expanded one.
// Read as the word-by-word loop below reads it, for an entry begun afresh;
// false, with nothing read, for anything else. Fewer than 80 bytes past p
// are read.
inline bool wholeColorEntry(const char* p, bool expanded, ColorEntry& e, const char*& next) {
    qint64 v[5];
    if (!expanded) {
        if (!wordAndNumber(p, "\\red", v[0], p) || !wordAndNumber(p, "\\green", v[1], p) || !wordAndNumber(p, "\\blue", v[2], p) || *p != ';')
            return false;
        e.present = true;
        for (int i = 0; i < 3; ++i) e.c[i] = kComponentOf255[size_t(std::min<qint64>(v[i], 255))];
        e.count = 3;
        next = p + 1;
        return true;
    }
    Color::Space space;
    if (std::memcmp(p, "\\cssrgb", 7) == 0) {
        space = Color::Space::CalibratedRGB;
        p += 7;
    } else if (std::memcmp(p, "\\csgenericrgb", 13) == 0) {
        space = Color::Space::CalibratedRGB;
        p += 13;
    } else if (std::memcmp(p, "\\csgray", 7) == 0) {
        space = Color::Space::CalibratedWhite;
        p += 7;
    } else {
        return false;
    }
    if (*p == ' ') ++p;
    int count = 0;
    while (count < 5 && wordAndNumber(p, "\\c", v[count], p)) ++count;
    if (count == 0 || *p != ';') return false;
    e.present = true;
    e.space = space;
    for (int i = 0; i < count; ++i) e.c[i] = double(std::min<qint64>(v[i], 100000)) / 100000.0;
    e.count = count;
    next = p + 1;
    return true;
}

// Colour tables make up much of a text's opening: their entries are read
// here without the general path's tests, as far as they hold only colour
// words, semicolons and line ends. Anything else is left to the general
// path, which reads it as it would have read all of it. The colours
// resolved from the tables are forgotten once, at the end.
void Reader::colorTableEntries() {
    std::vector<ColorEntry>& table = st_.dest == Dest::ColorTable ? colors_ : expandedColors_;
    ColorEntry& e = pendingColor_;
    const char* p = p_;
    const char* const end = end_;
    bool committed = false;
    const bool expanded = &table == &expandedColors_;
    // Whether the entry being read has had no word yet.
    bool fresh = !e.present && e.count == 0 && e.space == Color::Space::CalibratedRGB &&
                 std::all_of(std::begin(e.c), std::end(e.c), [](double v) { return v == 0; });
    while (p < end) {
        const char c = *p;
        if (c == ';') {
            if (table.size() < kMaxTableEntries) table.push_back(e);
            e.reset();
            fresh = true;
            committed = true;
            ++p;
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++p;
            continue;
        }
        if (c != '\\') break;
        // Entries are mostly in the writers' own forms, each read whole.
        if (fresh && end - p >= 80 && table.size() < kMaxTableEntries) {
            const char* next;
            if (wholeColorEntry(p, expanded, table.emplace_back(), next)) {
                committed = true;
                p = next;
                continue;
            }
            table.pop_back();
        }
        fresh = false;
        ShortWord w;
        if (!shortWord(p + 1, end, w) || w.letters == 0) break;
        const Word word = detail::kWordTable.find(w.key);
        if (word != Word::C && word != Word::CsRgb && word != Word::CsGray && (word < Word::Red || word > Word::Blue)) break;
        addColorWord(e, word, w.digits ? digitsValue(p + 1 + w.letters, w.digits, end) : 0);
        p += 1 + w.letters + w.digits + (w.space ? 1 : 0);
    }
    p_ = p;
    if (committed) forgetColors();
}

void Reader::handleWord(Word word, bool ignorable, bool hasParam, qint64 param) {
    const int iparam = int(param);
    // Worked out only by the words that take it.
    const auto on = [&] { return !hasParam || param != 0; };

    // Destinations first: they change what the group's text means.
    if (word >= Word::Skip && word <= Word::Graphic) {
        switch (word) {
        case Word::FontTable: st_.dest = Dest::FontTable; tableName_.clear(); return;
        case Word::ColorTable: st_.dest = Dest::ColorTable; colors_.clear(); pendingColor_.reset(); forgetColors(); return;
        case Word::ExpandedColorTable:
            st_.dest = Dest::ExpandedColorTable; expandedColors_.clear(); pendingColor_.reset(); forgetColors(); return;
        case Word::FieldInstruction: st_.dest = fields_.empty() ? Dest::Skip : Dest::FieldInstruction; return;
        case Word::Graphic: st_.dest = Dest::Graphic; graphicName_.clear(); graphicWidth_ = graphicHeight_ = 0; return;
        default: st_.dest = Dest::Skip; return;
        }
    }
    if (ignorable) {
        st_.dest = Dest::Skip;
        return;
    }
    // Unicode escapes stand for characters wherever text is kept: in the
    // font table (font names) and in an attachment's file name as in the text.
    if (word == Word::Uc) {
        st_.uc = std::clamp(iparam, 0, 16);
        return;
    }
    if (word == Word::U) {
        if (!hasParam) return;  // not an escape at all
        flushBytes();
        qint64 v = param;
        if (v < 0) v += 65536;
        text(v >= 0 && v <= 0xFFFF ? char16_t(v) : u'\uFFFD');
        skipChars_ = st_.uc;
        return;
    }

    if (st_.dest == Dest::FontTable) {
        if (word == Word::F) { commitFontEntry(); tableFont_ = iparam; tableCharset_ = 0; }
        else if (word == Word::Fcharset) tableCharset_ = iparam;
        return;
    }
    if (st_.dest == Dest::ColorTable || st_.dest == Dest::ExpandedColorTable) {
        addColorWord(pendingColor_, word, param);
        return;
    }
    if (st_.dest == Dest::Graphic) {
        if (word == Word::Width) graphicWidth_ = param;
        else if (word == Word::Height) graphicHeight_ = param;
        return;
    }

    switch (word) {
    // Document-level words.
    case Word::Ansicpg: if (param > 0) documentCodePage_ = iparam; return;
    case Word::Mac: documentCodePage_ = rtf::kCodePageMacRoman; return;
    case Word::Deff: defaultFont_ = iparam; st_.font = iparam; markDirty(); return;
    case Word::Field: fields_.push_back({stack_.size(), QString()}); return;
    case Word::Trowd:
        rowEdges_.reset();
        markDirty();
        return;
    case Word::Cellx:
        if (!rowEdges_ || rowEdges_->size() < kMaxCellsPerRow) {
            auto edges = std::make_shared<std::vector<qint64>>(rowEdges_ ? *rowEdges_ : std::vector<qint64>());
            edges->push_back(std::clamp<qint64>(param, -kParamLimit, kParamLimit));
            rowEdges_ = std::move(edges);
        }
        markDirty();
        return;
    case Word::Row:
        ++row_;
        column_ = 0;
        markDirty();
        return;
    case Word::Fldrslt:
        if (!fields_.empty()) {
            const QString target = hyperlinkTarget(fields_.back().instruction);
            if (!target.isEmpty()) st_.link = Url::make(target);
        }
        markDirty();
        return;
    default: break;
    }

    flushBytes();
    switch (word) {
    // Characters.
    case Word::Par: text(u'\n'); return;
    case Word::Line: text(u'\u2028'); return;
    case Word::Tab: text(u'\t'); return;
    case Word::Emdash: text(u'\u2014'); return;
    case Word::Endash: text(u'\u2013'); return;
    case Word::Bullet: text(u'\u2022'); return;
    case Word::Lquote: text(u'\u2018'); return;
    case Word::Rquote: text(u'\u2019'); return;
    case Word::Ldblquote: text(u'\u201C'); return;
    case Word::Rdblquote: text(u'\u201D'); return;
    // The end of a cell ends its paragraph, as the text system keeps cells.
    case Word::Cell:
        text(u'\n');
        ++column_;
        markDirty();
        return;
    case Word::Nestcell: text(u'\n'); return;
    // Character formatting.
    case Word::F: st_.font = iparam; break;
    case Word::Fs: if (param > 0) st_.size = double(std::min<qint64>(param, 32768)) / 2; break;
    case Word::Fsmilli: if (param > 0) st_.size = double(std::min<qint64>(param, 16384000)) / 1000; break;
    case Word::B: st_.bold = on(); break;
    case Word::I: st_.italic = on(); break;
    case Word::Ul: st_.underline = on() ? int(UnderlineStyle::Single) : 0; break;
    case Word::Uldb: st_.underline = on() ? int(UnderlineStyle::Double) : 0; break;
    case Word::Ulth: st_.underline = on() ? int(UnderlineStyle::Thick) : 0; break;
    case Word::Ulnone: st_.underline = 0; break;
    case Word::Strike: st_.strike = on() ? 1 : 0; break;
    case Word::Cf: st_.fg = iparam; break;
    case Word::Cb: st_.bg = iparam; break;
    case Word::Super: st_.superScript = 1; break;
    case Word::Sub: st_.superScript = -1; break;
    case Word::Nosupersub: st_.superScript = 0; break;
    case Word::Up: st_.baseline = hasParam ? double(std::clamp<qint64>(param, -32768, 32768)) / 2 : 3; break;
    case Word::Dn: st_.baseline = hasParam ? -double(std::clamp<qint64>(param, -32768, 32768)) / 2 : -3; break;
    case Word::Plain:
        st_.font = defaultFont_;
        st_.size = 12;
        st_.bold = st_.italic = false;
        st_.underline = st_.strike = st_.superScript = 0;
        st_.baseline = 0;
        st_.fg = st_.bg = 0;
        break;
    // Paragraph formatting.
    case Word::Pard: st_.alignment = int(ParagraphStyle::Alignment::Natural); st_.tabs.reset(); st_.inTable = false; break;
    case Word::Intbl: st_.inTable = true; break;
    case Word::Ql: st_.alignment = int(ParagraphStyle::Alignment::Left); break;
    case Word::Qr: st_.alignment = int(ParagraphStyle::Alignment::Right); break;
    case Word::Qc: st_.alignment = int(ParagraphStyle::Alignment::Center); break;
    case Word::Qj: st_.alignment = int(ParagraphStyle::Alignment::Justified); break;
    case Word::Qnatural: st_.alignment = int(ParagraphStyle::Alignment::Natural); break;
    case Word::Tx:
        if (!st_.tabs || st_.tabs->stops.size() < kMaxTabStops) {
            const double stop = double(std::clamp<qint64>(param, 0, 1000000)) / 20;
            // The enclosing groups and remembered openings keep their lists.
            if (!st_.tabs || st_.tabs.use_count() > (st_.tabs->pooled ? 2 : 1)) {
                std::shared_ptr<TabList> tabs = newTabList();
                if (st_.tabs) tabs->stops = st_.tabs->stops;
                st_.tabs = std::move(tabs);
            }
            st_.tabs->stops.push_back(stop);
        }
        break;
    default: return;  // unknown words change nothing
    }
    markDirty();
}

}  // namespace

bool looksLikeRtf(const QByteArray& data) {
    qsizetype i = 0;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\r' || data[i] == '\n' || data[i] == '\t')) ++i;
    return data.mid(i, 5) == "{\\rtf";
}

RtfReadResult readRtf(const QByteArray& data, const RtfFiles* files) {
    Reader reader(data, files);
    return reader.run();
}

}  // namespace ts
