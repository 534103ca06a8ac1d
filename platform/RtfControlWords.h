#pragma once
// The RTF control words the reader acts on. Internal to the RTF reader.

#include <QtGlobal>

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace ts::rtf {

// Every control word the reader acts on; the rest are Unknown.
enum class Word : quint8 {
    Unknown, Skip,
    FontTable, ColorTable, ExpandedColorTable, FieldInstruction, Graphic,
    F, Fcharset, Red, Green, Blue, CsRgb, CsGray, C, Width, Height,
    Ansicpg, Mac, Deff, Uc, U, Field, Fldrslt,
    Par, Line, Tab, Emdash, Endash, Bullet, Lquote, Rquote, Ldblquote, Rdblquote,
    Fs, Fsmilli, B, I, Ul, Uldb, Ulth, Ulnone, Strike, Cf, Cb, Super, Sub, Nosupersub, Up, Dn, Plain,
    Pard, Ql, Qr, Qc, Qj, Qnatural, Tx,
    Intbl, Trowd, Cellx, Cell, Row, Nestcell,
};

namespace detail {

// A control word's letters as a key: up to 24 letters, eight to a word,
// the first in the lowest byte, zeros after the last. Letters are never
// zero, so equal keys are equal words and no length need be compared.
struct WordKey {
    quint64 part[3] = {0, 0, 0};
    bool operator==(const WordKey&) const = default;
};
constexpr size_t kMaxWordKeyLetters = 24;

constexpr WordKey wordKey(std::string_view letters) {
    WordKey k;
    for (size_t i = 0; i < letters.size() && i < kMaxWordKeyLetters; ++i) k.part[i / 8] |= quint64(quint8(letters[i])) << (8 * (i % 8));
    return k;
}

// The key of the letters at p; bytes up to limit may be read, so a whole
// word can be loaded at once and the bytes after the letters masked off.
inline WordKey wordKey(const char* p, size_t length, const char* limit) {
    if constexpr (std::endian::native == std::endian::little) {
        // The low `letters` bytes of a word, for 1 to 8 letters.
        const auto low = [](size_t letters) { return ~quint64(0) >> (64 - 8 * letters); };
        const size_t parts = (length + 7) / 8;
        if (length > 0 && parts <= 3 && size_t(limit - p) >= 8 * parts) {
            WordKey k;
            std::memcpy(k.part, p, 8);
            if (parts == 1) {
                k.part[0] &= low(length);
            } else {
                std::memcpy(k.part + 1, p + 8, 8);
                if (parts == 2) {
                    k.part[1] &= low(length - 8);
                } else {
                    std::memcpy(k.part + 2, p + 16, 8);
                    k.part[2] &= low(length - 16);
                }
            }
            return k;
        }
    }
    return wordKey(std::string_view(p, length));
}

// Open addressing over a multiplicative hash of the key, built when
// compiling: a sparse table of one-byte entry numbers in front of the
// entries themselves. A lookup, of a known word or not, mostly reads one
// byte and at most one entry, and the whole table takes five kilobytes, so
// it stays in the nearest cache between control words.
struct WordTable {
    static constexpr size_t kBits = 10;
    static constexpr size_t kSize = size_t(1) << kBits;
    static constexpr size_t kMaxEntries = 128;
    static constexpr size_t kMaxName = kMaxWordKeyLetters;
    struct Entry {
        WordKey key;
        Word word = Word::Unknown;
    };
    // Entry numbers by hash; 0 for none (the first entry is not used).
    std::array<quint8, kSize> slots{};
    std::array<Entry, kMaxEntries> entries{};
    size_t used = 1;

    static constexpr size_t hash(const WordKey& k) {
        const quint64 h = k.part[0] * 0x9E3779B97F4A7C15ull ^ k.part[1] * 0xC2B2AE3D27D4EB4Full ^ k.part[2] * 0x165667B19E3779F9ull;
        return size_t(h >> (64 - kBits));
    }
    constexpr void insert(std::string_view name, Word word) {
        const WordKey k = wordKey(name);
        size_t i = hash(k);
        while (slots[i]) i = (i + 1) & (kSize - 1);
        entries[used] = {k, word};
        slots[i] = quint8(used++);
    }
    constexpr Word find(const WordKey& k) const {
        for (size_t i = hash(k);; i = (i + 1) & (kSize - 1)) {
            const quint8 n = slots[i];
            if (!n) return Word::Unknown;
            if (entries[n].key == k) return entries[n].word;
        }
    }
};

struct WordName {
    std::string_view name;
    Word word;
};

inline constexpr WordName kWords[] = {
    {"fonttbl", Word::FontTable}, {"colortbl", Word::ColorTable}, {"expandedcolortbl", Word::ExpandedColorTable},
    {"fldinst", Word::FieldInstruction}, {"NeXTGraphic", Word::Graphic},
    {"f", Word::F}, {"fcharset", Word::Fcharset}, {"red", Word::Red}, {"green", Word::Green}, {"blue", Word::Blue},
    {"cssrgb", Word::CsRgb}, {"csgenericrgb", Word::CsRgb}, {"csdevicergb", Word::CsRgb}, {"csprofile", Word::CsRgb},
    {"csgray", Word::CsGray}, {"csgenericgray", Word::CsGray}, {"c", Word::C}, {"width", Word::Width}, {"height", Word::Height},
    {"ansicpg", Word::Ansicpg}, {"mac", Word::Mac}, {"deff", Word::Deff}, {"uc", Word::Uc}, {"u", Word::U},
    {"field", Word::Field}, {"fldrslt", Word::Fldrslt},
    {"par", Word::Par}, {"sect", Word::Par}, {"page", Word::Par}, {"line", Word::Line}, {"tab", Word::Tab},
    {"emdash", Word::Emdash}, {"endash", Word::Endash}, {"bullet", Word::Bullet}, {"lquote", Word::Lquote},
    {"rquote", Word::Rquote}, {"ldblquote", Word::Ldblquote}, {"rdblquote", Word::Rdblquote},
    {"fs", Word::Fs}, {"fsmilli", Word::Fsmilli}, {"b", Word::B}, {"i", Word::I}, {"ul", Word::Ul}, {"uldb", Word::Uldb},
    {"ulth", Word::Ulth}, {"ulnone", Word::Ulnone}, {"strike", Word::Strike}, {"cf", Word::Cf}, {"cb", Word::Cb},
    {"highlight", Word::Cb}, {"super", Word::Super}, {"sub", Word::Sub}, {"nosupersub", Word::Nosupersub},
    {"up", Word::Up}, {"dn", Word::Dn}, {"plain", Word::Plain},
    {"pard", Word::Pard}, {"ql", Word::Ql}, {"qr", Word::Qr}, {"qc", Word::Qc}, {"qj", Word::Qj}, {"qnatural", Word::Qnatural},
    {"tx", Word::Tx},
    {"intbl", Word::Intbl}, {"trowd", Word::Trowd}, {"cellx", Word::Cellx}, {"cell", Word::Cell}, {"row", Word::Row},
    {"nestcell", Word::Nestcell},
    // Destinations whose contents are not text.
    {"info", Word::Skip}, {"stylesheet", Word::Skip}, {"listtable", Word::Skip}, {"listoverridetable", Word::Skip},
    {"pict", Word::Skip}, {"object", Word::Skip}, {"header", Word::Skip}, {"footer", Word::Skip},
    {"headerl", Word::Skip}, {"headerr", Word::Skip}, {"footerl", Word::Skip}, {"footerr", Word::Skip},
    {"themedata", Word::Skip}, {"colorschememapping", Word::Skip}, {"latentstyles", Word::Skip},
    {"datastore", Word::Skip}, {"xmlnstbl", Word::Skip}, {"rsidtbl", Word::Skip}, {"generator", Word::Skip},
    {"filetbl", Word::Skip}, {"revtbl", Word::Skip}, {"nonshppict", Word::Skip}, {"shppict", Word::Skip},
    {"footnote", Word::Skip}, {"pgdsctbl", Word::Skip}, {"private", Word::Skip}, {"txfieldtext", Word::Skip}};

inline constexpr WordTable kWordTable = [] {
    WordTable t;
    for (const WordName& w : kWords) t.insert(w.name, w.word);
    return t;
}();

}  // namespace detail

// The word for a control word's letters; Unknown for any other. Bytes up
// to limit (at least the letters' end) may be read.
inline Word lookUpWord(const char* letters, size_t length, const char* limit) {
    if (length == 0 || length > detail::kMaxWordKeyLetters) return Word::Unknown;
    return detail::kWordTable.find(detail::wordKey(letters, length, limit));
}

}  // namespace ts::rtf
