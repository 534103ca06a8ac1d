#pragma once
// A document's footnotes, keyed by footnote id.
//
// Saved as a keyed archive whose root is the notes dictionary. Before a save
// the document marks the footnotes the text links to, copies the list,
// purges the copy of unmarked footnotes and archives the copy, so the list
// in memory keeps its unlinked footnotes.
//
// Reading takes every footnote that can be read. An entry of the archive
// that is not a footnote, or cannot be decoded, is kept as it was stored and
// written back into every later archive beside the footnotes. An archive
// that cannot be read at all gives an empty list that keeps its bytes: saved
// with nothing new, they are written back as they were; with footnotes added
// meanwhile, the new archive holds them and, under kKeptArchiveID, a
// footnote whose note is the old bytes (linked from no text, and taken out
// of the list again when the archive is read). The document decides, with
// the user, when to discardUnreadableArchive(). Main thread.

#include "FootnoteArchive.h"
#include "FootnoteObject.h"

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>
#include <vector>

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

    // The id of the footnote that carries an unreadable archive's bytes.
    static const QString kKeptArchiveID;

    // Whether anything read could not be taken as footnotes: the whole
    // archive, or entries of it.
    bool hasUnreadableArchive() const { return !unreadableArchive_.isNull() || !kept_.empty(); }
    // The bytes of an archive that could not be read at all; null otherwise.
    const QByteArray& unreadableArchive() const { return unreadableArchive_; }
    // How many entries that are no footnotes are kept.
    qint64 keptEntryCount() const { return qint64(kept_.size()); }
    void discardUnreadableArchive() {
        unreadableArchive_ = QByteArray();
        unreadableIsWholeArchive_ = false;
        kept_.clear();
    }

private:
    void takeKeptArchive();

    // The last archive made of footnotes alone (nothing kept beside them),
    // shared by a list and its copies: a save that finds the same footnotes
    // unchanged writes those bytes again instead of archiving every note.
    struct ArchiveMemo {
        std::vector<std::pair<QString, FootnoteObject::ArchivedForm>> notes;
        QByteArray bytes;
    };
    mutable std::shared_ptr<ArchiveMemo> memo_;

    Notes notes_;
    QByteArray unreadableArchive_;
    // The bytes are the whole archive read (not ones an earlier save kept).
    bool unreadableIsWholeArchive_ = false;
    std::vector<FootnoteArchive::KeptEntry> kept_;
};
