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
    const Row* find(const QString& key) const;
    QSet<QString> keys() const;       // the exact keys
};

using Tables = QHash<QString, Table>;

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
