#pragma once
// The adjectives compared irregularly or defectively (bonus melior optimus,
// multus plūs plūrimus, gnārus without comparison), read from the data file
// "Comparisons.txt" of the resources; its head documents the line format.
//
// Lines that cannot be read are logged with the file's name and the line's
// number and left out. Read once, on first use; safe on any thread after.

#include <QHash>

#include <array>
#include <QString>
#include <QStringList>

struct IrregularComparison {
    QString positive;      // masculine nominative singular, as written
    QString comparative;   // masculine nominative singular; empty: none
    QString superlative;   // the same; empty: none
    QString otherSuperlative;
};

struct ComparisonTable {
    // By the positive folded to plain lower-case letters ("ācer" under "acer").
    QHash<QString, IrregularComparison> adjectives;
    // A comparative declined otherwise than in -ior, by its nominative: for
    // each gender (0 masculine) twelve forms, empty where there is none.
    QHash<QString, std::array<QStringList, 3>> declensions;

    // The entry of an adjective by its positive as written, or null.
    const IrregularComparison* find(const QString& positive) const;
};

// Reads the table from text; `name` names the source in messages.
ComparisonTable parseComparisonTable(const QString& text, const QString& name);

// The table of the resources (empty, logged, when the file is missing).
const ComparisonTable& irregularComparisons();
