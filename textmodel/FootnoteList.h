#pragma once
// A document's footnotes, keyed by footnote id.
//
// Saved as a keyed archive whose root is the notes dictionary. Before a save
// the document marks the footnotes the text links to, copies the list,
// purges the copy of unmarked footnotes and archives the copy, so the list
// in memory keeps its unlinked footnotes.
//
// An archive that cannot be read gives an empty list that remembers the
// archive's bytes: archiveNotes() writes those bytes back unchanged for as
// long as they are held, so opening and saving a document never replaces
// footnotes that could not be read. Footnotes added meanwhile are not
// written (and that is logged); the document decides, with the user, when
// to discardUnreadableArchive(). Main thread.

#include "FootnoteObject.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>

class FootnoteList;
using FootnoteListPtr = std::shared_ptr<FootnoteList>;

class FootnoteList {
public:
    using Notes = std::map<QString, FootnoteObjectPtr>;

    FootnoteList() = default;

    // Callers may add entries directly (the importer merges lists this way);
    // every operation here keeps key = the footnote's id.
    Notes& notes() { return notes_; }
    const Notes& notes() const { return notes_; }
    void setNotes(Notes notes) { notes_ = std::move(notes); }
    qint64 count() const { return qint64(notes_.size()); }

    void addNote(const FootnoteObjectPtr& note);
    // A new footnote with a uuid id, stored and returned.
    FootnoteObjectPtr makeNewNote();
    static QString makeFootnoteIDFromUUID(const ts::Uuid& uuid);
    // The older numeric id: one more than the largest number in the keys.
    QString getUniqueID() const;
    FootnoteObjectPtr noteForID(const QString& id) const;
    // By position in the keys sorted case-insensitively; null out of range.
    FootnoteObjectPtr objectAtIndex(qint64 index) const;

    QByteArray archiveNotes() const;
    static FootnoteListPtr unarchiveNotes(const QByteArray& data);

    void denumber();
    void markAllAsUnfound();
    void purgeUnusedNotes();
    // The same footnote objects under their ids (a footnote without an id
    // keeps the key it had), with any unreadable archive.
    FootnoteListPtr copy() const;

    bool hasUnreadableArchive() const { return !unreadableArchive_.isNull(); }
    const QByteArray& unreadableArchive() const { return unreadableArchive_; }
    void discardUnreadableArchive() { unreadableArchive_ = QByteArray(); }

private:
    Notes notes_;
    QByteArray unreadableArchive_;
};
