#include "platform/RtfControlWords.h"

#include <cstring>
#include <memory>
#include <string_view>
#include <unordered_map>

namespace ts::rtf {
namespace {

// Open addressing over a hash of the word's length and three of its
// letters. Each slot holds its name inline and the whole table fits in a
// few kilobytes, so a lookup touches one or two cache lines however much
// text went through the cache in between.
struct WordTable {
    static constexpr size_t kSize = 256;
    static constexpr size_t kMaxName = 22;
    struct Slot {
        char name[kMaxName] = {};
        quint8 length = 0;
        Word word = Word::Unknown;
    };
    static_assert(sizeof(Slot) == 24);
    Slot entries[kSize];

    static size_t hash(const char* w, size_t n) {
        return (n * 131 + size_t(quint8(w[0])) * 31 + size_t(quint8(w[n - 1])) * 7 + size_t(quint8(w[n / 2]))) & (kSize - 1);
    }
    void insert(std::string_view name, Word word) {
        size_t i = hash(name.data(), name.size());
        while (entries[i].length) i = (i + 1) & (kSize - 1);
        std::memcpy(entries[i].name, name.data(), name.size());
        entries[i].length = quint8(name.size());
        entries[i].word = word;
    }
    Word find(const char* w, size_t n) const {
        if (n > kMaxName) return Word::Unknown;
        for (size_t i = hash(w, n);; i = (i + 1) & (kSize - 1)) {
            const Slot& s = entries[i];
            if (!s.length) return Word::Unknown;
            if (s.length == n && std::memcmp(s.name, w, n) == 0) return s.word;
        }
    }
};

std::unique_ptr<WordTable> makeWordTable() {
    return [] {
        std::unordered_map<std::string_view, Word> t = {
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
        };
        // Destinations whose contents are not text.
        for (const char* d : {"info", "stylesheet", "listtable", "listoverridetable", "pict", "object", "header", "footer",
                              "headerl", "headerr", "footerl", "footerr", "themedata", "colorschememapping", "latentstyles",
                              "datastore", "xmlnstbl", "rsidtbl", "generator", "filetbl", "revtbl", "nonshppict", "shppict",
                              "footnote", "pgdsctbl", "private", "txfieldtext"})
            t.emplace(d, Word::Skip);
        auto table = std::make_unique<WordTable>();
        for (const auto& [name, word] : t) table->insert(name, word);
        return table;
    }();
}

}  // namespace

Word lookUpWord(const char* w, size_t n) {
    static const std::unique_ptr<WordTable> table = makeWordTable();
    return n == 0 ? Word::Unknown : table->find(w, n);
}

}  // namespace ts::rtf
