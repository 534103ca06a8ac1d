#pragma once
// A localisation strings table (".strings"): `"key" = "value";` entries.
//
// Text may be UTF-16 (either byte order, with a byte-order mark) or UTF-8
// (with or without a mark); UTF-16 without a mark is recognised by its zero
// bytes. Keys and values are quoted strings with the escapes \n \t \r \" \'
// \\ \a \b \f \v, \Uxxxx (one to four hex digits; pairs of \U make a
// surrogate pair) and octal \ooo, or unquoted words of letters, digits and
// _$+/:.- . `/* */` and `//` comments and blank space may stand anywhere
// between tokens. `"key";` alone maps the key to itself.
//
// Parsing never trusts the input: a syntax error or invalid text gives an
// empty table and an error naming the line; nothing throws. Entries keep
// their file order; a later entry for the same key wins in value().

#include <QByteArray>
#include <QHash>
#include <QString>

#include <utility>
#include <vector>

namespace ts {

class StringsTable {
public:
    using Entry = std::pair<QString, QString>;  // key, value

    StringsTable() = default;

    // An empty table with *error set when the data cannot be read.
    static StringsTable fromData(const QByteArray& data, QString* error = nullptr);
    static StringsTable fromText(const QString& text, QString* error = nullptr);
    // A missing or unreadable file gives an empty table and an error naming
    // the file.
    static StringsTable fromFile(const QString& path, QString* error = nullptr);

    const std::vector<Entry>& entries() const { return entries_; }
    bool isEmpty() const { return entries_.empty(); }
    qsizetype count() const { return qsizetype(entries_.size()); }
    bool contains(const QString& key) const { return index_.contains(key); }
    // The value of the key's last entry; a null string when there is none.
    QString value(const QString& key) const;

    // Decodes the bytes of a table to text (see above); a null string and
    // *error when the bytes are not valid text.
    static QString decode(const QByteArray& data, QString* error = nullptr);

private:
    std::vector<Entry> entries_;
    QHash<QString, qsizetype> index_;  // key → position of its last entry
};

}  // namespace ts
