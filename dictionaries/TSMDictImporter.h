#pragma once
// A user dictionary made from an MDict file: the file's records (HTML) are
// converted into DictionaryEntry trees by tag actions, and saved as a
// dictionary file in "User Dictionaries".
//
// Each of the ten actions holds a set of tag names; a tag's first set, in the
// order of `Action`, decides what its text does. Text is taken from text and
// CDATA nodes (named "text") and comments (named "comment") whose name is in
// the Text set; elements carry no text of their own.
//
// The page converted is the records joined, each wrapped in an element of
// our own, <mdict-entry key="headword">, that carries the file's keyword for
// it (a record no keyword points at stays bare; an empty record's keyword
// still heads an entry, an empty one). The element is a tag like
// any other and starts an entry by default: the entry is headed by the key,
// and text whose nearest action is that element's goes, with its spacing,
// into one meaning of the entry. A record that tags its own headword with a
// Start Entry tag (before any of its text is placed) fills that same entry,
// headed by its own tagged text, rather than adding a second one. A
// "@@@LINK=target" record becomes
// <mdict-entry key="headword" link="target"/>, a redirect entry to the
// target, and so does every further keyword of one record.
//
// Reading happens once, in dictionaryWithFile(); a refused or unreadable file
// gives an importer with readError() set and no records. Conversions of one
// importer never overlap (a second caller waits); the sets may be changed
// from any thread, a running conversion uses the sets it started with.
// Nothing throws; failures are logged and answered with false or nothing.
#include "dictionaries/MDictReader.h"
#include "dictionaries/TSDictionary.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <array>
#include <functional>
#include <mutex>

class TSMDictImporter;
using TSMDictImporterPtr = std::shared_ptr<TSMDictImporter>;

class TSMDictImporter : public TSDictionary {
    TS_OBJECT(TSMDictImporter, TSDictionary)
public:
    enum Action { StartEntry, Ignore, Word, Translation, Text, Append, Replace, EndEntry, Prepend, Format, ActionCount };
    // The action titles, in the order above (the order a tag's action is looked up in).
    static const QStringList& actionTitles();
    // -1 for a title that is no action.
    static int actionForTitle(const QString& title);
    // At most this many conversion messages are kept; the rest are counted.
    static constexpr int kMaxErrors = 20000;
    // Nesting below which the conversion does not descend.
    static constexpr int kMaxDepth = 512;
    // The element that wraps each record with its keyword.
    static const QString kEntryTag;
    // A file name, with its extension, takes at most this many bytes of UTF-8.
    static constexpr int kMaxFileNameBytes = 255;

    TSMDictImporter();

    static TSMDictImporterPtr dictionaryWithFile(const QString& path);
    // Reads the bytes of an .mdx file; `sourceName` stands in for the title.
    void parseMDXData(const QByteArray& data, const QString& sourceName);

    const QString& readError() const { return readError_; }
    const QStringList& readWarnings() const { return readWarnings_; }
    // The page the conversion reads: the records with their keywords.
    QString recordsString() const { return QString::fromUtf8(page_); }
    // The page as UTF-8.
    const QByteArray& records() const { return page_; }
    // The first `count` characters of the page.
    QString recordsPrefix(qsizetype count) const;
    // Sets the page itself (no keywords are added).
    void setRecordsString(const QString& text);
    // The records read from the file.
    qsizetype recordCount() const { return recordCount_; }
    qint64 numEntries() const { return numEntries_; }
    QString description() const { return description_; }
    QString sourceBaseName() const { return sourceBaseName_; }

    // ---- Tag sets ----
    QSet<QString> tagSet(Action action) const;
    void setTagSet(Action action, const QSet<QString>& tags);
    // The first action, in `Action` order, whose set holds the tag; -1 for none.
    int actionOfTag(const QString& tag) const;
    void removeTagFromSets(const QString& tag);
    // Removes the tag from every set and, for an action, adds it to that set.
    void assignTag(const QString& tag, int action);

    // Every tag name of the records, in order of first appearance; the first
    // call also removes from the sets every name that does not occur.
    QStringList recordsTags();
    // Tag -> attribute names of the first element of the tag that had any.
    QHash<QString, QStringList> foundAttributes() const;

    // ---- Conversion ----
    using Progress = std::function<void(qint64 entries)>;
    // Converts the records into words() and errors(); progress is reported
    // on the calling thread at most once a second.
    void parseRawString(const Progress& progress = {});
    // The conversion of a given text, without touching words() or errors().
    struct Conversion {
        DictionaryEntryList entries;
        QStringList errors;
    };
    Conversion parseRecordsString(const QString& text, const Progress& progress = {});
    Conversion parseRecordsUtf8(const QByteArray& utf8, const Progress& progress = {});
    QStringList errors() const;
    // "<n> records read, <m> entries made" for the last parseRawString().
    QString conversionSummary() const;

    // ---- Saving ----
    ts::Value serialize() const;
    // Writes the dictionary file atomically; on success posts "dictionary
    // changed" and marks the importer clean. `error` receives the cause.
    bool save(const QString& path, QString* error = nullptr);
    // The file name made from the title ("<title><suffix>.xml"): path
    // separators, control characters and ".." removed, the title cut on a
    // character boundary so that the name takes at most kMaxFileNameBytes
    // bytes; no title gives the base name.
    QString safeFileName(const QString& suffix = QString()) const;
    static QString sanitizeTitle(const QString& title);
    // Where saveToUserDictionaries writes: the title's file in "User
    // Dictionaries" (empty when the folder is not available).
    QString userDictionaryPath() const;
    // The first of "<title> 2.xml", "<title> 3.xml" ... that does not exist yet.
    QString freeUserDictionaryPath() const;
    // Saves into `path`, by default userDictionaryPath(), replacing a file there.
    bool saveToUserDictionaries(QString* savedPath = nullptr, QString* error = nullptr, const QString& path = QString());

private:
    mutable std::mutex setsMutex_;
    std::array<QSet<QString>, ActionCount> sets_;
    std::mutex conversionMutex_;
    mutable std::mutex resultMutex_;
    QStringList errors_;
    QByteArray page_;
    qsizetype recordCount_ = 0;
    QString readError_;
    QStringList readWarnings_;
    QString description_;
    QString sourceBaseName_;
    qint64 numEntries_ = 0;
    qsizetype entriesMade_ = 0;
    bool tagsSurveyed_ = false;
    QStringList recordsTags_;
    QHash<QString, QStringList> foundAttributes_;
};
