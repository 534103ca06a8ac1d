#include "FootnoteList.h"

#include "FootnoteArchive.h"

#include "app/logging/LGLog.h"
#include "foundation/NSKeyedUnarchiverExtensions.h"
#include "platform/KeyedArchiver.h"

#include <algorithm>
#include <limits>
#include <set>

void registerTextModelClasses();

const QString FootnoteList::kKeptArchiveID = QStringLiteral("footnote:kept-unreadable-archive");

void FootnoteList::addNote(const FootnoteObjectPtr& note) {
    if (!note) return;
    notes_[note->uniqueID()] = note;
}

QString FootnoteList::makeFootnoteIDFromUUID(const ts::Uuid& uuid) {
    return QStringLiteral("footnote:") + uuid.UUIDString().remove(QLatin1Char('-'));
}

FootnoteObjectPtr FootnoteList::makeNewNote() {
    auto note = std::make_shared<FootnoteObject>();
    note->setUniqueID(makeFootnoteIDFromUUID(*note->uuid()));
    addNote(note);
    return note;
}

QString FootnoteList::getUniqueID() const {
    constexpr qint64 kLargest = std::numeric_limits<qint64>::max();
    qint64 largest = 0;
    std::set<qint64> used;
    for (const auto& [key, note] : notes_) {
        qsizetype i = key.indexOf(QLatin1Char(':'));
        if (i < 0) continue;
        while (i < key.size() && key[i] == QLatin1Char(':')) ++i;
        qsizetype j = i;
        const bool negative = j < key.size() && key[j] == QLatin1Char('-');
        if (j < key.size() && (key[j] == QLatin1Char('-') || key[j] == QLatin1Char('+'))) ++j;
        const qsizetype digits = j;
        while (j < key.size() && key[j].isDigit()) ++j;
        if (j == digits) continue;
        bool ok = false;
        qint64 n = key.mid(i, j - i).toLongLong(&ok);
        // Digits beyond the integer range read as the largest number, as a
        // scanner reads them.
        if (!ok) n = negative ? 0 : kLargest;
        if (n > 0) used.insert(n);
        largest = std::max(largest, n);
    }
    qint64 next = largest < kLargest ? largest + 1 : 1;
    // With the largest number taken there is no "one more": the smallest
    // free number is as new an id.
    if (largest == kLargest)
        while (used.count(next)) ++next;
    return QStringLiteral("footnote:%1").arg(next);
}

FootnoteObjectPtr FootnoteList::noteForID(const QString& id) const {
    auto it = notes_.find(id);
    return it == notes_.end() ? nullptr : it->second;
}

FootnoteObjectPtr FootnoteList::objectAtIndex(qint64 index) const {
    if (index < 0 || index >= count()) return nullptr;
    std::vector<QString> keys;
    keys.reserve(notes_.size());
    for (const auto& [key, note] : notes_) keys.push_back(key);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return notes_.at(keys[size_t(index)]);
}

QByteArray FootnoteList::archiveNotes() const {
    // Nothing new to save beside an archive that could not be read at all:
    // its bytes go back exactly as they were read.
    if (unreadableIsWholeArchive_ && notes_.empty() && kept_.empty()) return unreadableArchive_;
    const bool notesAlone = memo_ && unreadableArchive_.isNull() && kept_.empty();
    decltype(ArchiveMemo::notes) forms;
    if (notesAlone) {
        forms.reserve(notes_.size());
        for (const auto& [key, note] : notes_)
            if (note) forms.emplace_back(key, note->archivedForm());
        if (!memo_->bytes.isEmpty() && forms == memo_->notes) return memo_->bytes;
    }
    ts::ValueDictionary root;
    for (const auto& [key, note] : notes_)
        if (note) root[key] = ts::Value(note);
    if (!unreadableArchive_.isNull()) {
        // Held by a footnote of its own, which no text links to.
        auto holder = std::make_shared<FootnoteObject>();
        holder->setUniqueID(kKeptArchiveID);
        holder->setTitle(QStringLiteral("Footnotes that could not be read"));
        holder->setNote(unreadableArchive_);
        root[kKeptArchiveID] = ts::Value(holder);
    }
    QString error;
    QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(std::move(root)), &error);
    if (data.isEmpty()) {
        TSLogError("Unable to archive the footnotes: %@", error);
        return data;
    }
    if (!kept_.empty()) data = FootnoteArchive::addKeptEntries(data, kept_);
    if (notesAlone) *memo_ = ArchiveMemo{std::move(forms), data};
    return data;
}

// Takes out the footnote that holds an archive kept from an earlier save.
void FootnoteList::takeKeptArchive() {
    auto it = notes_.find(kKeptArchiveID);
    if (it == notes_.end()) return;
    if (!it->second || it->second->note().isNull()) return;
    unreadableArchive_ = it->second->note();
    notes_.erase(it);
}

FootnoteListPtr FootnoteList::unarchiveNotes(const QByteArray& data) {
    registerTextModelClasses();
    auto list = std::make_shared<FootnoteList>();
    if (data.isEmpty()) return list;
    const QStringList allowed{FootnoteObject::staticClassName(), QStringLiteral("NSDictionary"),
                              QStringLiteral("NSMutableDictionary")};
    UnarchiveError error;
    const ts::Value root = NSKeyedUnarchiverExtensions::unarchiveObjectWithData(data, error, allowed);
    bool allNotes = root.isDictionary();
    for (const auto& [key, value] : root.dictionary())
        if (!value.toObjectAs<FootnoteObject>()) allNotes = false;
    if (allNotes) {
        for (const auto& [key, value] : root.dictionary()) list->notes_[key] = value.toObjectAs<FootnoteObject>();
        list->takeKeptArchive();
        return list;
    }
    // Entry by entry: one entry that cannot be read hides no other.
    FootnoteArchive::SplitResult parts = FootnoteArchive::split(data, allowed);
    if (!parts.isArchive) {
        TSLogError("The footnotes could not be read (%@); their %ld bytes are kept as they were",
                   error.isSet() ? error.localizedDescription() : QStringLiteral("not a dictionary"), qint64(data.size()));
        list->unreadableArchive_ = data;
        list->unreadableIsWholeArchive_ = true;
        return list;
    }
    list->notes_ = std::move(parts.notes);
    list->kept_ = std::move(parts.kept);
    list->takeKeptArchive();
    return list;
}

void FootnoteList::denumber() {
    for (auto& [key, note] : notes_)
        if (note) note->setCurrentNumber(0);
}

void FootnoteList::markAllAsUnfound() {
    for (auto& [key, note] : notes_)
        if (note) note->setFound(false);
}

void FootnoteList::purgeUnusedNotes() {
    Notes kept;
    for (auto& [key, note] : notes_)
        if (note && note->wasFound()) kept[key] = note;
    notes_ = std::move(kept);
}

FootnoteListPtr FootnoteList::copy() const {
    auto c = std::make_shared<FootnoteList>();
    // A document saves a purged copy of its list each time.
    if (!memo_) memo_ = std::make_shared<ArchiveMemo>();
    c->memo_ = memo_;
    for (const auto& [key, note] : notes_) {
        if (!note) continue;
        c->notes_[note->uniqueID().isNull() ? key : note->uniqueID()] = note;
    }
    c->unreadableArchive_ = unreadableArchive_;
    c->unreadableIsWholeArchive_ = unreadableIsWholeArchive_;
    c->kept_ = kept_;
    return c;
}
