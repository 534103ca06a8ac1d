#pragma once
// The model of the XML checking window: the whole Lewis and Short source in
// memory, a walk over the matches of one Find/Replace pair, the entry shown
// before and after the replacement, the well-formedness test of the edited
// entry, accepted edits, and the save.
//
// The window shows what this hands it and passes the user's text back; it
// owns none of this logic.
//
// Soundness rules kept here:
// - an accepted edit replaces the stretch at the position it was shown
//   from, and only when the text there is still what was shown;
// - an edited entry is tested for well-formedness before it goes into the
//   file text;
// - after an accepted edit the walk resumes at the end of the match moved
//   by the change in length;
// - the test of a keystroke parses only the current entry (from its
//   "<entryFree" to its "</entryFree>"), never a copy of the whole file;
// - the match count works on a copy of the text taken when it starts.
//
// Threads: the GUI thread only, except countMatches, which is pure.

#include "dictionaries/DictionaryEntry.h"
#include "dictsource/SourceRegex.h"
#include "dictsource/SourceTextFile.h"

#include <QRegularExpression>
#include <QString>

#include <optional>
#include <vector>

class XMLCheckSession {
public:
    // Colours of the readable form of the proposed entry.
    enum class Colour { Purple, Red, Orange, Brown, Gray, Syn, Ant, Orth, Blue };
    struct Span {
        qsizetype start = 0;
        qsizetype length = 0;
        Colour colour = Colour::Blue;
    };
    struct ColouredText {
        QString text;
        std::vector<Span> spans;
    };

    enum class AcceptResult { Accepted, NoEntry, Moved, Malformed };

    XMLCheckSession() = default;

    // ---- Loading ----
    // Reads the file (see SourceTextFile); false with *error set on failure.
    bool load(const QString& path, QString* error = nullptr);
    void setFileText(const QString& text, const QString& path = QString(),
                     SourceTextFile::Encoding encoding = SourceTextFile::Encoding::UTF8);
    bool loaded() const { return loaded_; }
    const QString& fileString() const { return fileString_; }
    QString path() const { return path_; }
    SourceTextFile::Encoding fileEncoding() const { return encoding_; }
    // The first pair of the list that is not a comment; false with *error
    // set when the list is short or the pattern does not compile.
    bool setSearchAndReplaceStrings(const SourceRegex::ReplacementList& list, QString* error = nullptr);
    bool setSearchAndReplace(const QString& search, const QString& replace, QString* error = nullptr);
    const QString& searchString() const { return searchString_; }
    const QString& replaceString() const { return replaceString_; }
    const std::optional<QRegularExpression>& regex() const { return regex_; }

    // ---- The match walk ----
    // Moves to the next match; false (and the walk over) when there is none.
    bool startCheck();
    bool walkOver() const { return !lastRange_.found(); }
    TextRange lastRange() const { return lastRange_; }
    const QString& substring() const { return substring_; }
    // The entry stretch shown: the raw entry and where it stands.
    const QString& rawEntryString() const { return rawEntry_; }
    TextRange displayedRange() const { return displayed_; }
    const QString& suggestedString() const { return suggested_; }
    // The match with the pattern replaced in it.
    QString replacedMatch() const;
    // The first match inside the raw entry (for scrolling), or not found.
    TextRange matchInRawEntry() const;
    QString humanString() const;
    QString cleanedHumanString() const;

    // ---- Editing ----
    // The entry as the file would read with `changed` in place of the shown
    // stretch; empty when nothing is shown or the entry has no end.
    QString curEntryString(const QString& changed) const;
    // The key of the first key="..." attribute; null when there is none.
    static QString key(const QString& text);
    // Whether the edited entry has a key and is well-formed.
    bool checkForErrors(const QString& changed, QString* error = nullptr) const;
    AcceptResult insertEditedText(const QString& changed, QString* error = nullptr);
    // The text with the first sense's tags removed; nullopt when it has no
    // sense start or end.
    static std::optional<QString> removeFirstSense(const QString& text);
    // The text with "<pos>u</pos>" before its first "<sense"; nullopt when
    // it has none.
    static std::optional<QString> insertUnknownTrans(const QString& text);
    bool dirty() const { return dirty_; }

    // ---- Saving ----
    bool saveFileString(QString* error = nullptr);

    // ---- The malformed walk ----
    // The first noun without gender after `after` (from the first entry on
    // when null);
    // null when there is none or `after` is not in the list.
    static DictionaryEntryPtr nextMalformed(const DictionaryEntryList& words, const DictionaryEntryPtr& after);
    // Shows the entry whose key attribute names `entry`; false when absent.
    bool showEntry(const DictionaryEntryPtr& entry);
    bool findingMalformed() const { return findingMalformed_; }

    // ---- Counting ----
    static qsizetype countMatches(const QRegularExpression& regex, const QString& text);

    // ---- Readable forms ----
    static ColouredText makeColouredHumanReadableString(const QString& string);
    // The entry stretch around a range: from the last "<entryFree" before it
    // to the second "</sense" or the first "</entryFree" after it.
    static TextRange entryStretch(TextRange range, const QString& text);

private:
    void showRange(TextRange range);

    QString fileString_;
    QString path_;
    SourceTextFile::Encoding encoding_ = SourceTextFile::Encoding::UTF8;
    bool loaded_ = false;
    QString searchString_, replaceString_;
    std::optional<QRegularExpression> regex_;
    TextRange lastRange_{0, 0};
    // Where the walk goes on after an accepted edit moved the text.
    std::optional<qsizetype> resumeFrom_;
    QString substring_;
    QString rawEntry_;
    TextRange displayed_;
    QString suggested_;
    bool dirty_ = false;
    bool findingMalformed_ = false;
};
