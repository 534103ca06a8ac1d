#pragma once
// The road into the elementary dictionary's converter: one conversion of
// its TEI source with its outcome, and the builder ElementaryLewis calls
// for its rebuild.
//
// A conversion that did not reach the end of a well-formed document gives
// no result to store: the dictionary keeps its entries and its file.

#include "dictsource/NBSourceXMLParser.h"

#include <QString>
#include <QUrl>

struct ElementaryConversion {
    bool ok = false;
    ts::ValueDictionary result;  // empty unless ok
    QString error;               // "file:line:column: message" when not ok
    qsizetype entries = 0;
    qint64 untyped = 0;  // entries that ended without a word class
    double seconds = 0;
};

ElementaryConversion convertElementarySource(const QUrl& source, bool discardLogs = false);

// Installs the builder ElementaryLewis::loadFromElementarySource calls.
void installElementarySourceBuilder();
