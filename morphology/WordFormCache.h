#pragma once
// A reader for the word-form cache that goes from the binary property list
// straight to records, without building the general property-list tree: the
// cache holds about a million small dictionaries, and the tree costs more
// than parsing the text source again.
//
// Only the shape the cache has is read: a top dictionary with "ClassName",
// "name", "SourceStamp" and "storedData" (key -> array of record
// dictionaries with "base", "form", "flags", "meter"). Other keys are passed
// over; values of the wrong kind read as absent, as the general reader's
// consumers treat them. Every offset, count and reference is checked against
// the bytes before use. Records go straight into the compact store, with no
// object made per record or per string.
// Data no writer makes is refused rather than grown: a record dictionary
// named twice, more records than the size leaves room for, or strings and
// references met so often, or strings placed so close together in the
// store's tables, that the read would not stay linear in the size.
// Any thread; no state between calls.

#include "morphology/WordFormStore.h"

#include <QByteArray>
#include <QString>

namespace WordFormCache {

struct Contents {
    QString className;
    QString name;  // null when absent
    QString sourceStamp;
    wordforms::WordFormStore store;
};

// False, with the reason, for data that is not a binary property list of
// the cache's shape.
bool read(const QByteArray& data, Contents* contents, QString* error);

// The cache's binary property list written straight from the records; each
// lemma, tag and pattern is written once, and a form once per key: the general
// writer's tree of a million small dictionaries costs ten times the memory
// and time. The name is left out when null. Empty, with the reason, when the
// data would not fit the format.
QByteArray write(const QString& className, const QString& name, const QString& sourceStamp,
                 const wordforms::WordFormStore& store, QString* error);

}  // namespace WordFormCache
