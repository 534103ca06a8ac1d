#pragma once
// Regular expressions over dictionary source text: patterns compiled
// case-insensitive (and with no other option, so "." stops at a line end),
// replacement templates expanded by our own function, the Find/Replace list
// of the bundle, and the well-formedness test of one entry.
//
// Templates: "$0" to "$9" stand for the whole match and its groups (a group
// that did not take part, or does not exist, gives nothing); a backslash
// makes the next character literal ("\$" is a dollar sign); every other
// character stands for itself. Nothing else in a template is special, so
// text taken from a file can never reach Qt's own capture syntax.

#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

// A stretch of a text by position; location -1 means "not found".
struct TextRange {
    qsizetype location = -1;
    qsizetype length = 0;
    bool found() const { return location >= 0; }
    qsizetype end() const { return location + length; }
    bool operator==(const TextRange&) const = default;
};

namespace SourceRegex {

// Case-insensitive; nullopt with *error set when the pattern does not compile.
std::optional<QRegularExpression> compile(const QString& pattern, QString* error = nullptr);

QString expandTemplate(const QRegularExpressionMatch& match, const QString& templ);

// Every non-overlapping match in one pass, each replaced by its expansion.
QString replaceAll(const QRegularExpression& regex, const QString& text, const QString& templ,
                   qsizetype* count = nullptr);
// The matched text alone with the pattern replaced in it.
QString replaceInMatch(const QRegularExpression& regex, const QString& matched, const QString& templ);

qsizetype countMatches(const QRegularExpression& regex, const QString& text);

// Lines split at every newline character (LF, CR, VT, FF, NEL, LS, PS);
// a CR LF pair leaves an empty line between them.
QStringList splitLines(const QString& text);

struct ReplacementList {
    QStringList search;   // empty lines dropped
    QStringList replace;  // every line, empty ones included
    bool lengthMismatch = false;  // more search lines than replacement lines

    // Indexes of the pairs to apply: comments ("//") passed over.
    std::vector<qsizetype> pairs() const;
};

// The bundle's "Find.txt" and "Replace.txt" (a missing or unreadable file
// has no lines).
ReplacementList readReplacementList();
// The same from two given files.
ReplacementList readReplacementList(const QString& findPath, const QString& replacePath);

// The entry around `position`: from the last "<entryFree" at or before it
// to the end of the first "</entryFree>" after it; not found when either
// marker is missing.
TextRange entryRange(const QString& text, qsizetype position);

// Whether the text is one well-formed XML document; *error gets the
// parser's message. Undefined entities are not errors (the source's are
// declared in a remote DTD).
bool isWellFormed(const QString& text, QString* error = nullptr);

}  // namespace SourceRegex
