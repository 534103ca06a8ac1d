#pragma once
// The word lists of the pattern finder: plain text, one word per line,
// optionally followed by a tab and a count, in the folder "ProximityPatterns".
//
// Text is decoded by what it holds: a UTF-16 or UTF-8 byte-order mark, else
// UTF-8 when the bytes are valid UTF-8, else Latin-1. Line ends may be LF or
// CR LF. Lines holding control characters or NUL (binary junk) are skipped;
// empty lines are kept, as they never match a pattern.
//
// The shipped lists are unzipped from the bundle into the folder the first
// time they are needed. The Latin Library and abbreviation lists are read
// once per process; any thread.
#include <QByteArray>
#include <QString>
#include <QStringList>

class TSWordLists {
public:
    static QString decodeText(const QByteArray& bytes);
    // Lines of decoded text; firstField keeps what stands before the first tab.
    static QStringList splitLines(const QString& text, bool firstField);
    // A file's lines; an unreadable file gives an empty list.
    static QStringList readList(const QString& path, bool firstField);
    static bool readText(const QString& path, QString* text);

    static QString llWordsFile();        // "llWords.txt"
    static QString zerivuvWordsFile();   // "Zerivuv Words.txt"
    static QString residualWordsFile();  // "residuals.txt"
    // Names the word count of a text may not take: the shipped lists and the
    // corpus frequency list.
    static bool isReservedName(const QString& baseName);

    // The path of a list in the folder, unzipped from the bundle resource
    // "<file>.zip" when missing.
    static QString ensureList(const QString& fileName, const QString& folder);

    static QStringList llWords();       // first field of every line, once per process
    static QStringList zerivuvWords();  // every line, once per process
    static QStringList residualWords(); // every line, read on each call
    // Forgets the cached lists (tests that change the folder).
    static void resetCaches();
};
