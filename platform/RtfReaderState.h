#pragma once
// The state the RTF reader keeps while it reads, and what it keeps per
// thread between texts. Internal to RtfReader.cpp.

#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/ParagraphStyle.h"
#include "platform/RtfCodec.h"
#include "platform/RtfdAttachment.h"
#include "platform/Value.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ts::rtf {

enum class Dest : quint8 { Text, FontTable, ColorTable, ExpandedColorTable, FieldInstruction, Graphic, Skip };

// Shared between a group and the groups it opens; a group that holds the
// only reference adds its stops in place.
struct TabList {
    std::vector<double> stops;
    // Whether the thread's scratch keeps it for reuse (a reference more).
    bool pooled = false;
};

// UTF-16 text the reader gathers, kept with its room from text to text:
// appending only writes, growing now and then.
class CharBuffer {
public:
    CharBuffer() = default;
    // A copy holds the characters, not the room.
    CharBuffer(const CharBuffer& other) : chars_(other.chars_.begin(), other.chars_.begin() + qptrdiff(other.size_)), size_(other.size_) {}
    CharBuffer& operator=(const CharBuffer& other) {
        if (this != &other) {
            size_ = 0;
            const char16_t* from = other.chars_.data();
            std::copy(from, from + other.size_, grow(other.size_));
        }
        return *this;
    }

    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    const char16_t* data() const { return chars_.data(); }
    QStringView view() const { return QStringView(chars_.data(), qsizetype(size_)); }
    void clear() { size_ = 0; }
    // Empties the buffer, giving back its room when that is more than
    // `keep` characters: one long text should not hold memory for good.
    void clear(size_t keep) {
        size_ = 0;
        if (chars_.size() > keep) std::vector<char16_t>().swap(chars_);
    }
    void push_back(char16_t c) { *grow(1) = c; }
    void appendLatin1(const char* begin, const char* end) {
        char16_t* to = grow(size_t(end - begin));
        const char* b = begin;
#if defined(__SSE2__)
        for (const __m128i zero = _mm_setzero_si128(); end - b >= 16; b += 16, to += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8), _mm_unpackhi_epi8(bytes, zero));
        }
        // Font names and short stretches of text: eight at a time too.
        if (end - b >= 8) {
            const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(b));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
            b += 8;
            to += 8;
        }
#endif
        for (; b < end; ++b) *to++ = char16_t(quint8(*b));
    }

private:
    char16_t* grow(size_t n) {
        if (chars_.size() - size_ < n) chars_.resize(std::max(chars_.size() * 2, size_ + n + 64));
        char16_t* at = chars_.data() + size_;
        size_ += n;
        return at;
    }
    std::vector<char16_t> chars_;
    size_t size_ = 0;
};

struct State {
    Dest dest = Dest::Text;
    bool bold = false, italic = false;
    int font = 0;
    double size = 12;
    int underline = 0, strike = 0;
    int fg = 0, bg = 0;
    int superScript = 0;
    double baseline = 0;
    int uc = 1;
    int alignment = int(ParagraphStyle::Alignment::Natural);
    bool inTable = false;
    std::shared_ptr<TabList> tabs;
    // The link's Url, or null.
    ObjectPtr link;
    // Set on a group whose \NeXTGraphic child just closed: the next
    // character stands for the attachment.
    TextAttachmentPtr pendingAttachment;
};

// A font name and the fonts made from it, shared between texts.
struct FontFace {
    static constexpr size_t kMaxFonts = 16;
    struct Made {
        double size;
        bool bold, italic;
        FontPtr font;
    };
    QString name;
    std::vector<Made> fonts;
    size_t next = 0;
};
using FontFacePtr = std::shared_ptr<FontFace>;

struct FontEntry {
    int number = 0;
    FontFacePtr face;
    int codePage = kCodePageWindowsLatin1;
};

struct ColorEntry {
    bool present = false;
    Color::Space space = Color::Space::CalibratedRGB;
    double c[5] = {0, 0, 0, 0, 0};
    int count = 0;
    // Field by field: assigning a fresh entry made a copy through memory
    // that the processor could not forward.
    void reset() {
        present = false;
        space = Color::Space::CalibratedRGB;
        for (double& v : c) v = 0;
        count = 0;
    }
};

struct FieldContext {
    size_t depth = 0;
    QString instruction;
};

struct CachedFont {
    int font;
    double size;
    bool bold, italic;
    FontPtr value;
};

// What reading a text's opening (header, font and colour tables, the first
// formatting) left behind, with the bytes it was read from. The texts of a
// document's column come from one writer and open alike: a text that begins
// with the same bytes starts from this state instead of reading them again.
struct Preamble {
    QByteArray bytes;
    State st;
    std::vector<State> stack;
    bool ignorableNext = false;
    int documentCodePage = 0, defaultFont = 0;
    std::vector<FontEntry> fonts;
    int tableFont = 0, tableCharset = 0;
    CharBuffer tableName;
    std::vector<ColorEntry> colors, expandedColors;
    ColorEntry pendingColor;
    QString graphicName;
    qint64 graphicWidth = 0, graphicHeight = 0;
    quint64 row = 0;
    size_t column = 0;
    std::shared_ptr<const std::vector<qint64>> rowEdges;
};

// Openings longer or with larger tables than these are read every time.
constexpr qsizetype kMaxPreambleBytes = 4096;
constexpr size_t kMaxPreambleEntries = 256;

// The reader's containers and converters. A document's column is read as
// thousands of small texts one after another; keeping these per thread and
// emptying them between texts saves allocating them afresh for each.
struct Scratch {
    static constexpr size_t kKeptCharacters = 1 << 16, kKeptRuns = 1 << 12;
    std::array<Preamble, 4> preambles;
    size_t nextPreamble = 0;
    // Texts read in a row whose opening matched none remembered.
    quint64 unmatched = 0;
    std::vector<State> stack;
    std::vector<FontEntry> fonts;
    std::vector<ColorEntry> colors, expandedColors;
    std::vector<FieldContext> fields;
    std::vector<CachedFont> fontCache;
    // Tab lists for reuse once no text's state holds them.
    std::vector<std::shared_ptr<TabList>> tabLists;
    // The colours the text's tables resolved to, by index.
    std::vector<ColorPtr> resolvedColors;
    // The text read so far and its runs; copied out at the end at their size.
    CharBuffer text;
    std::vector<AttributedString::Run> runs;
    // The font table entry's name so far.
    CharBuffer tableName;
    QByteArray pendingBytes;
    ByteDecoder decoder;
    bool busy = false;

    void clear() {
        stack.clear();
        fonts.clear();
        colors.clear();
        expandedColors.clear();
        fields.clear();
        fontCache.clear();
        resolvedColors.clear();
        // Emptied, not freed: the next text reuses the room, unless a long
        // text left more than texts usually need.
        text.clear(kKeptCharacters);
        runs.clear();
        if (runs.capacity() > kKeptRuns) std::vector<AttributedString::Run>().swap(runs);
        tableName.clear(kKeptCharacters);
        if (!pendingBytes.isEmpty()) pendingBytes.resize(0);
        if (pendingBytes.capacity() > qsizetype(kKeptCharacters)) pendingBytes = QByteArray();
    }
};

// The thread's scratch, or a fresh one should a reader ever run inside
// another on the same thread.
class ScratchLease {
public:
    ScratchLease() {
        thread_local Scratch shared;
        if (shared.busy) {
            own_ = std::make_unique<Scratch>();
            scratch_ = own_.get();
        } else {
            scratch_ = &shared;
        }
        scratch_->busy = true;
    }
    ~ScratchLease() {
        scratch_->clear();
        scratch_->busy = false;
    }
    ScratchLease(const ScratchLease&) = delete;
    ScratchLease& operator=(const ScratchLease&) = delete;
    Scratch& get() { return *scratch_; }

private:
    Scratch* scratch_ = nullptr;
    std::unique_ptr<Scratch> own_;
};

}  // namespace ts::rtf
