#pragma once
// What the text-model fuzz targets check for one input, shared with the test
// that runs their seed corpus in the ordinary build. Each answers false for a
// finding: an input read without complaint that does not survive a save and
// a second reading unchanged.

#include "platform/PropertyList.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSText.h"

#include <QByteArray>

namespace TextModelFuzz {

// A binary property list read as a document's "Text": every column shown,
// the tree saved, read again and saved again gives the same form.
inline bool checkTextTree(const QByteArray& bytes) {
    const ts::PlistResult r = ts::PropertyList::readBinary(bytes);
    if (!r.ok()) return true;
    const TSTextPtr text = TSText::textFromDictionary(r.value);
    if (!text) return true;
    for (TSChunkPtr n = text; n; n = TSText::nextChunk(n))
        for (const char* key : {"latin", "english", "perseusEnglish", "location"})
            (void)n->textForKey(QString::fromLatin1(key));
    const ts::Value saved = text->serialize();
    QString error;
    const QByteArray written = ts::PropertyList::writeBinary(saved, &error);
    if (written.isEmpty()) return false;
    const ts::PlistResult again = ts::PropertyList::readBinary(written);
    if (!again.ok()) return false;
    const TSTextPtr back = TSText::textFromDictionary(again.value);
    if (!back) return false;
    // NaN compares unequal to itself; only values equal to themselves must survive.
    return !(saved == saved) || back->serialize() == saved;
}

// A footnote archive: what is read (footnotes, entries kept as they were,
// the bytes of an archive that could not be read) is all there again after
// a save and a second reading.
inline bool checkFootnoteList(const QByteArray& bytes) {
    const FootnoteListPtr read = FootnoteList::unarchiveNotes(bytes);
    for (const auto& [id, note] : read->notes())
        if (note) (void)note->description();
    // Saved as the document saves: a copy, which keys each footnote by its id.
    const FootnoteListPtr list = read->copy();
    const QByteArray saved = list->archiveNotes();
    if (saved.isEmpty() && (list->count() > 0 || list->hasUnreadableArchive())) return false;
    const FootnoteListPtr back = FootnoteList::unarchiveNotes(saved);
    if (back->count() != list->count() || back->keptEntryCount() != list->keptEntryCount() ||
        back->unreadableArchive() != list->unreadableArchive())
        return false;
    for (const auto& [id, note] : list->notes()) {
        const FootnoteObjectPtr other = back->noteForID(id);
        if (!note) continue;
        if (!other || other->note() != note->note() || other->title() != note->title() ||
            other->uniqueID() != note->uniqueID())
            return false;
    }
    return true;
}

}  // namespace TextModelFuzz
