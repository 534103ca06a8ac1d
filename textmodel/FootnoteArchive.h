#pragma once
// The footnote archive taken apart entry by entry, for a list whose archive
// does not read as a whole. Internal to the text model.
//
// A keyed archive is a property list whose "$objects" table holds every
// object, linked by UID; the footnote list is the dictionary at "$top"/"root",
// its keys and values given by UID in "NS.keys" and "NS.objects". Each entry
// is decoded on its own, from nothing but the objects it reaches, so one that
// cannot be read (or damage elsewhere in the archive) hides no other. An entry
// that is not a footnote is kept as its own piece of the object table (every
// object reachable from its key and value) and put back, unchanged, into the
// archive written later.

#include "FootnoteObject.h"

#include "platform/Value.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <vector>

namespace FootnoteArchive {

// The objects reachable from one entry's key and value, renumbered from 1
// in UIDs of their own (0 stays the archive's "$null"; object n is
// objects[n - 1]).
struct KeptEntry {
    QString key;  // null when the key is no string
    ts::ValueArray objects;
    quint64 keyRef = 0;
    quint64 valueRef = 0;
};

struct SplitResult {
    bool isArchive = false;  // false: not taken apart (no keyed archive of a dictionary)
    std::map<QString, FootnoteObjectPtr> notes;
    std::vector<KeptEntry> kept;
};

// Decodes every entry of the archive's root dictionary on its own; an entry
// that is no footnote (or cannot be decoded) is kept, and logged.
SplitResult split(const QByteArray& data, const QStringList& allowedClasses);

// Adds the kept entries to an archive of a dictionary (as
// KeyedArchiver writes it); empty data, logged, when that cannot be done.
QByteArray addKeptEntries(const QByteArray& archive, const std::vector<KeptEntry>& kept);

}  // namespace FootnoteArchive
