#pragma once
// The common base of the converters that turn a TEI-XML dictionary source
// into a flat list of DictionaryEntry trees.
//
// It keeps what every converter shares: the result map with the finished
// entries under "Entries", the entry being built, the open-element stack,
// a text buffer, notes, and a developer aid that gathers odd strings met
// during a conversion, counts them and at the end of the document hands
// generated exception-table text to the developer sink.
//
// The result (data()) is composed when asked: "Entries" is the entry list,
// plus whatever subclasses store with setStoredValue. It is null until a
// subclass (or a caller) has started the result, as a converter does with
// its first entry.
//
// Errors: a document that fails to parse never reaches the end-of-document
// summary; parseError() then holds the error with its line and column, and
// succeeded() answers false, so callers can refuse a partial result. Nothing
// here throws; odd input is logged through logSink() (the logging hub unless
// a caller installs another) and swallowed.
//
// Whitespace between elements reaches parserFoundCharacters like any other
// text, since the converters' rules read it.
//
// Threads: one conversion at a time per object, on the calling thread.

#include "dictionaries/DictionaryEntry.h"
#include "dictsource/DeveloperPrompt.h"
#include "dictsource/DeveloperSink.h"
#include "foundation/RKXMLFileParser.h"
#include "platform/Format.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

// The converters' log call: formats only when the sink wants the text.
#define DSLog(fmt, ...)                                                                                        \
    do {                                                                                                       \
        if (this->loggingEnabled())                                                                            \
            this->logText(__FILE__, Q_FUNC_INFO, __LINE__,                                                     \
                          ::ts::format(QStringLiteral(fmt) __VA_OPT__(, ) __VA_ARGS__));                      \
    } while (0)

class DictionaryXMLParser : public ts::RKXMLFileParser {
    TS_OBJECT(DictionaryXMLParser, ts::RKXMLFileParser)
public:
    // Where the converter's messages go: file, function, line, text. An
    // empty sink means the logging hub (error level, synchronous).
    using LogSink = std::function<void(const char* file, const char* function, int line, const QString& text)>;

    DictionaryXMLParser();
    ~DictionaryXMLParser() override;

    // ---- Result ----
    ts::Value data() const override;
    // Starts the result (an empty "Entries") when it did not exist yet.
    void startResult() { resultStarted_ = true; }
    bool resultStarted() const { return resultStarted_; }
    DictionaryEntryList& allEntries();
    const DictionaryEntryList& entries() const { return allEntries_; }
    void setStoredValue(const QString& key, const ts::Value& value);
    ts::Value storedValue(const QString& key) const;

    // ---- Outcome of the last parse ----
    bool succeeded() const { return documentEnded_ && !parseError_; }
    const std::optional<ts::XMLParseError>& parseError() const { return parseError_; }

    // ---- The entry and the buffers ----
    DictionaryEntryPtr curEntry() const { return curEntry_; }
    void setCurEntry(DictionaryEntryPtr entry) { curEntry_ = std::move(entry); }
    QString& curString() { return curString_; }
    const QString& rawString() const { return curString_; }
    bool hasCurString() const { return !curString_.isEmpty(); }
    void setCurString(const QString& s) { curString_ = s; }
    void clearCurString() { curString_.clear(); }
    // curString without commas and blanks at either end.
    QString cleanedString() const;
    QStringList& stackList() { return stackList_; }
    const QStringList& stackList() const { return stackList_; }

    qint64 unknownTypes() const { return unknownTypes_; }
    void setUnknownTypes(qint64 n) { unknownTypes_ = n; }

    // ---- Notes and the developer aid ----
    // The trimmed text as a new note (type 20) of curEntry; null when it
    // trims to nothing or there is no current entry.
    virtual DictionaryEntryPtr addNote(const QString& text);
    void addScratchString(const QString& string);
    // Posts "NEW EL entry" with curEntry, records the string and answers it
    // with "*#*" appended; a null string answers a null string.
    QString logToDictionary(const QString& string);
    void logNoteToDictionary(const QString& string);
    bool writeToPasteBoard(const QString& string);
    void outputScratchSet();
    const QSet<QString>& scratchSet() const { return scratchSet_; }
    QSet<QString>& treatedSet() { return treatedSet_; }
    const QHash<QString, qint64>& exceptionOccurences() const { return exceptionOccurences_; }

    // The start of an element no rule reads repeats with every entry that
    // holds one: it is logged (with its attributes) the first time its name
    // occurs in a conversion and counted after that; the end of the document
    // logs the counts. Answers whether this start is to be logged.
    bool firstUnknownElement(const QString& name);
    const QHash<QString, qint64>& unknownElements() const { return unknownElements_; }

    // ---- Seams ----
    void setLogSink(LogSink sink, bool discardAll = false);
    // Installs a sink that drops every message without formatting it.
    void discardLogs() { setLogSink(nullptr, true); }
    bool loggingEnabled() const { return !discardLogs_; }
    void logText(const char* file, const char* function, int line, const QString& text) const;
    DeveloperSinkPtr developerSink() const { return developerSink_ ? developerSink_ : DeveloperSink::current(); }
    void setDeveloperSink(DeveloperSinkPtr sink) { developerSink_ = std::move(sink); }
    DeveloperPromptPtr developerPrompt() const {
        return developerPrompt_ ? developerPrompt_ : DeveloperPrompt::current();
    }
    void setDeveloperPrompt(DeveloperPromptPtr prompt) { developerPrompt_ = std::move(prompt); }

    // ---- Text helpers ----
    static QString trimMultilineString(const QString& string);
    // Whether the first character is a hyphen-minus or an em dash; an empty
    // string answers false.
    static bool stringBeginsWithHyphen(const QString& string);
    static void addArray(const QStringList& array, QString& string);
    static void addExceptionsProcedure(const QStringList& array, QString& string);
    static void addLine(const QString& line, QStringList& hyphenArray, QStringList& sourceArray);
    static void addExceptionsCount(const QHash<QString, qint64>& counts, QString& string);
    // Both ends trimmed of the characters in `set`.
    static QString trimmed(const QString& s, QStringView set);
    // Sources are laid out with line breaks and tabs inside elements; the
    // rules compare texts exactly, so every run of blanks, tabs and line
    // ends counts as one blank. The text itself when it holds no such run.
    static bool isLayoutSpace(QChar c) {
        const char16_t u = c.unicode();
        return u == u' ' || u == u'\n' || u == u'\t' || u == u'\r';
    }
    static QString collapseWhiteSpace(const QString& text);
    // Appends `text` with the same rule, also across the joint: a run that
    // continues a blank at the end of `buffer` adds nothing. Carets (the
    // source's marks of doubtful quantities) are dropped when asked.
    static void appendCollapsed(QString& buffer, QStringView text, bool dropCarets = false);

    // ---- Parser events ----
    void reset() override;
    void parserDidEndDocument(ts::XMLEventParser& parser) override;
    void parserParseErrorOccurred(ts::XMLEventParser& parser, const ts::XMLParseError& error) override;
    void parserFoundIgnorableWhitespace(ts::XMLEventParser& parser, const QString& whitespace) override;

private:
    QString curString_;
    QStringList stackList_;
    DictionaryEntryPtr curEntry_;
    QSet<QString> scratchSet_;
    QSet<QString> treatedSet_;
    QHash<QString, qint64> exceptionOccurences_;
    QHash<QString, qint64> unknownElements_;
    DictionaryEntryList allEntries_;
    ts::ValueDictionary stored_;
    bool resultStarted_ = false;
    qint64 unknownTypes_ = 0;
    bool documentEnded_ = false;
    std::optional<ts::XMLParseError> parseError_;
    LogSink logSink_;
    bool discardLogs_ = false;
    DeveloperSinkPtr developerSink_;
    DeveloperPromptPtr developerPrompt_;
};
