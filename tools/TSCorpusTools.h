#pragma once
// The corpus tools of the pattern finder: word lists and the proximity model
// made from texts and saved web pages.
//
// Everything here is free of windows and may run on a worker thread; long
// runs take a progress callback and a cancel flag. Files are written
// atomically. Settings are not touched here: callers on the GUI thread
// record the chosen list.
#include "TSProximitySummary.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

class TSCorpusTools {
public:
    using Progress = std::function<void(qint64 done, qint64 total)>;

    // Word counts of text files ("txt", any encoding the lists accept) and
    // pages ("html", "shtml"); other files are skipped, unreadable ones logged.
    static QHash<QString, qint64> countWords(const QStringList& paths, const std::atomic<bool>* cancel = nullptr);
    // The count list "word\tcount\n", highest count first, in UTF-8, written
    // to the folder under the first file's name with "txt". A name taken by a
    // shipped list or the corpus frequency list gets " words" added, so those
    // are never overwritten. Answers the path written, or a null string.
    static QString writeWordCount(const QHash<QString, qint64>& counts, const QString& firstPath, const QString& folder);

    // The pages ("html", "shtml") of the given files and folders, each once,
    // folders entered recursively, in path order.
    static QStringList findFilesToOpen(const QStringList& paths);
    static void addDirectory(const QString& folder, QSet<QString>& set, const QStringList& extensions);

    struct FolderAnalysis {
        qint64 pages = 0;
        qint64 words = 0;        // distinct words in the frequency list
        qint64 modelEntries = 0; // entries kept by pruning
        bool cancelled = false;
        bool ok = false;
        QString frequencyPath, modelPath;
    };
    // Builds the model of the pages, writes "theLatinLibrary.txt" (every
    // word and its count, UTF-16 with byte-order mark) and the pruned model
    // "theLatinLibrary.dat" (keyed archive) into the folder. A cancelled run
    // writes nothing.
    static FolderAnalysis analyseFolder(const QStringList& pages, const QString& folder, const Progress& progress = {},
                                        const std::atomic<bool>* cancel = nullptr);
    // The frequency list text of a model, highest count first.
    static QString frequencyList(const TSProximitySummary& summary);

    // Collects the "html" pages of a folder (not "index.html") into a binary
    // property list: page title (or a new UUID) → page text.
    static bool ripPages(const QString& folder, const QString& outputPath, const std::atomic<bool>* cancel = nullptr);
    static QString ripText(const QStringList& pieces);

    // The lines of the corpus frequency list made of ASCII letters, tabs and
    // digits once accents are stripped.
    static QStringList allASCIIWords(const QString& text);
    static bool writeASCIIWords(const QStringList& lines, const QString& path);
    // The words of a plain word list: lowercased, u/i folded, unique, sorted.
    static QStringList listallArray(const QString& text);

    static bool writeSubstitutions(const ts::ValueDictionary& table, const QString& path);

    // Writes bytes atomically; false (logged) on failure.
    static bool writeFile(const QString& path, const QByteArray& bytes);
    static QString stripCombiningMarks(const QString& text);
};
