#pragma once
// The grammar reference: the top-level constructions of the usage tree.
//
// Its property-list form is the array of its members' usage dictionaries; the
// grammar file is that array as an XML property list. Reading takes a
// property list of any format; a top level that is not an array, elements
// that are not dictionaries and data that does not parse give no members
// (reading reports nothing; a caller that must tell "unreadable" from
// "empty" checks with readableGrammarData()).
//
// The dirty flag belongs to the owner (the settings), which clears it after
// loading and saving; adding members here does not set it.
// Main-thread model object; not synchronised.

#include "morphology/TSGrammarUsage.h"

class TSGrammarCollection;
using TSGrammarCollectionPtr = std::shared_ptr<TSGrammarCollection>;

class TSGrammarCollection : public VDNewArray {
    TS_OBJECT(TSGrammarCollection, VDNewArray)

public:
    TSGrammarCollection() = default;

    static TSGrammarCollectionPtr grammarFromPListData(const QByteArray& data);
    // Whether the data parses as a property list whose top level is an array.
    static bool readableGrammarData(const QByteArray& data);

    // Appends a usage for each dictionary of the array, in order.
    void importFromArray(const ts::Value& array);
    // Appends to `usage` a new child named `name`; a nil name is logged and
    // nothing is added.
    void addCase(const QString& name, const TSGrammarUsagePtr& usage);

    std::vector<TSGrammarUsagePtr> usages() const;

    // serialize() and exportToPListFormat() are the persistent array's: the
    // members' dictionaries, and those as XML property-list data (nothing,
    // logged, on failure).
};
