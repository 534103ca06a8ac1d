#pragma once
// Keyed-archive helpers for the documents and the vocabulary list.
//
// unarchiveObjectWithData() reads through NSKeyedUnarchiverExtensions (keyed
// form, then the unkeyed fallback) and logs "Unable to unarchive object" when
// nothing comes back; archivedDataWithRootObject() writes a binary keyed
// archive, logging and answering empty data when the graph cannot be written.

#include "platform/Value.h"

#include <QByteArray>

class Archiver {
public:
    static ts::Value unarchiveObjectWithData(const QByteArray& data);
    static QByteArray archivedDataWithRootObject(const ts::Value& object);
};
