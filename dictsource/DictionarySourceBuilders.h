#pragma once
// The roads into the dictionary converters: one conversion of the Lewis and
// Short source with its outcome, the builder that the prepared LewisAndShort
// dictionary calls for its rebuild, and the menu command.
//
// A conversion that did not reach the end of a well-formed document gives no
// result to store: the dictionary keeps its entries and its file.

#include "dictsource/NBSourceLSParser.h"

#include <QString>
#include <QUrl>

struct LewisShortConversion {
    bool ok = false;
    ts::ValueDictionary result;   // empty unless ok
    QString error;                // "file:line:column: message" when not ok
    NBSourceLSParser::Statistics statistics;
    qsizetype entries = 0;
    double seconds = 0;
    QString source;            // the file converted, which the answers corrected
    bool keptSourceReused = false;  // an assembled source kept from an earlier run
};

struct LewisShortOptions {
    DeveloperPromptPtr prompt;  // null: DeveloperPrompt::current()
    DeveloperSinkPtr sink;      // null: DeveloperSink::current()
    bool discardLogs = false;
    DictionaryXMLParser::LogSink logSink;  // null: the logging hub
    // Where the per-letter edition is assembled for a conversion whose
    // answers must be kept; empty: a temporary file. A file already there
    // holds the answers of earlier runs and is converted as it is.
    QString keptSource;
};

// Converts the source file (a single TEI document).
LewisShortConversion convertLewisShort(const QUrl& source, const LewisShortOptions& options = {});

// Converts the per-letter edition in `folder` (assembled into one document
// first: a temporary one, or options.keptSource).
LewisShortConversion convertLewisShortLetters(const QString& folder, const LewisShortOptions& options = {});

// Makes sure the source file exists: when `source` names no file, it is
// assembled there from the bundle's per-letter copy. Answers whether the
// file is there afterwards; *error says why not.
bool ensureLewisShortSource(const QUrl& source, QString* error);

// Installs the builder LewisAndShort::loadFromRawXML calls; the source it
// is handed is made from the bundle's copy when missing.
void installDictionarySourceBuilders();

// The menu command that rebuilds the Lewis and Short dictionary from its
// source and saves it; answers whether the dictionary was replaced.
bool parsePerseusSource();
