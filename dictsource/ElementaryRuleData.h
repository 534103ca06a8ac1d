#pragma once
// The hand-written results of the elementary converter, kept as data: for a
// key (a headword line, an inflection text or a grammar group) a short list
// of steps that rewrite the current entry. The bundled files
// "ElementaryFixedResults.txt" and "ElementaryRecalcitrants.txt" hold them;
// NBSourceXMLParser::runFixedResult runs them.
//
// Line format (each file documents it again at its top):
//   # comment                      ignored, as are empty lines
//   [table]                        opens a table
//   = "KEY" "KEY2" ...             opens a row matched by any of the keys
//   =~ "BEGINNING" "END"           opens a row matched by texts with both ends
//   step "TEXT" 12                 one step of the row, its arguments quoted
//                                  texts (\" a double quote, \n a line feed)
//                                  or whole numbers
// Bad lines are reported with the file name and line number and skipped.

#include <QHash>
#include <QStringView>

#include <array>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace elementarydata {

struct Step {
    enum Op {
        Line, Append, Type, Conjugation, Gender, Case, Deponent,
        Note, NoteKey, NoteArgument, NotesOfArgument,
        Sense, ParseSense, SubSense, Etymology, Redirect, RedirectKey,
        RemoveAll, RemoveFirst, RemoveLast, RemoveFirstMeaning, RemoveNode,
        CutFirstMeaningAfter, TakeFirstMeaning, AddHeldChildren, HoldLast, AddHeld,
        RetextLast, RetextNode, Treated, NewEntry, WhenLine, Otherwise, OnlyArgument, Unfinished
    };
    Op op = Line;
    QString text, text2;
    int number = 0;
};

struct Row {
    QStringList keys;          // exact keys, or beginning and end for an affix row
    bool affix = false;
    QList<Step> steps;
    int line = 0;              // where the row opens, for messages
    bool unfinished() const;   // the row only says that no correction is known
};

struct Table {
    QList<Row> rows;
    QHash<QString, qsizetype> exact;  // key -> row index
    QList<qsizetype> affixRows;
    // Bit (first character & 63) of word (length & 63) is set for every
    // exact key: most texts are turned away without being hashed.
    std::array<quint64, 64> keyShapes{};
    bool emptyKey = false;
    bool mayHold(QStringView key) const {
        if (key.isEmpty()) return emptyKey;
        return keyShapes[size_t(key.size() & 63)] >> (key.at(0).unicode() & 63) & 1;
    }
    const Row* find(const QString& key) const;
    QSet<QString> keys() const;       // the exact keys
};

using Tables = QHash<QString, Table>;

// A fixed set asked many times per entry, with the same length and first
// character filter in front of its hash lookup. The set must outlive it.
class ShapedSet {
public:
    explicit ShapedSet(const QSet<QString>& set) : set_(set) {
        for (const QString& k : set) {
            if (k.isEmpty()) empty_ = true;
            else shapes_[size_t(k.size() & 63)] |= 1ull << (k.at(0).unicode() & 63);
        }
    }
    bool contains(const QString& key) const {
        if (key.isEmpty()) return empty_;
        if (!(shapes_[size_t(key.size() & 63)] >> (key.at(0).unicode() & 63) & 1)) return false;
        return set_.contains(key);
    }

private:
    const QSet<QString>& set_;
    std::array<quint64, 64> shapes_{};
    bool empty_ = false;
};

// Parses one file's text into `into`; each bad line adds "FILE:LINE: what"
// to `errors` and is skipped.
void parseRuleText(const QString& fileName, const QString& text, Tables& into, QStringList& errors);

// The bundled tables, read once; the errors of that read (normally none).
const Tables& bundledTables();
const QStringList& bundledErrors();
// An empty table when the name is unknown.
const Table& table(const QString& name);

// "[name]" set files: each later line one quoted text; bad lines reported
// as above.
void parseTextSets(const QString& fileName, const QString& text, QHash<QString, QSet<QString>>& into,
                   QStringList& errors);

}  // namespace elementarydata
