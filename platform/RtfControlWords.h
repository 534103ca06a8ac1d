#pragma once
// The RTF control words the reader acts on. Internal to the RTF reader.

#include <QtGlobal>

#include <array>
#include <cstddef>
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

// Open addressing over a hash of the word's length and three of its
// letters, built when compiling. Each slot holds its name inline and the
// whole table fits in a few kilobytes, so a lookup touches one or two
// cache lines however much text went through the cache in between.
struct WordTable {
    static constexpr size_t kSize = 256;
    static constexpr size_t kMaxName = 22;
    struct Slot {
        char name[kMaxName] = {};
        quint8 length = 0;
        Word word = Word::Unknown;
    };
    std::array<Slot, kSize> entries{};

    static constexpr size_t hash(const char* w, size_t n) {
        return (n * 131 + size_t(quint8(w[0])) * 31 + size_t(quint8(w[n - 1])) * 7 + size_t(quint8(w[n / 2]))) & (kSize - 1);
    }
    constexpr void insert(std::string_view name, Word word) {
        size_t i = hash(name.data(), name.size());
        while (entries[i].length) i = (i + 1) & (kSize - 1);
        for (size_t k = 0; k < name.size(); ++k) entries[i].name[k] = name[k];
        entries[i].length = quint8(name.size());
        entries[i].word = word;
    }
    Word find(const char* w, size_t n) const {
        if (n == 0 || n > kMaxName) return Word::Unknown;
        for (size_t i = hash(w, n);; i = (i + 1) & (kSize - 1)) {
            const Slot& s = entries[i];
            if (!s.length) return Word::Unknown;
            if (s.length == n && std::char_traits<char>::compare(s.name, w, n) == 0) return s.word;
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

// The word for a control word's letters; Unknown for any other.
inline Word lookUpWord(const char* letters, size_t length) { return detail::kWordTable.find(letters, length); }

}  // namespace ts::rtf
