#pragma once
// A document's vocabulary list: every Word collected for one text, stored
// under its vocabulary id ("vocab:12"), with the ids in display order.
//
// Links in the document's text name words by their ids, so a word keeps its
// id for its whole life, also when it is retyped (replaced by a Verb,
// Adjective or plain Word copy of itself).
//
// Invariant, kept by every operation except setObject(): wordKeys() holds
// exactly the ids of vocabList(), each once, ordered by the sort key after
// every operation that adds a word or changes a word's Latin.
//
// Saved form: a keyed archive whose root is the id -> word dictionary; each
// word codes itself sequentially inside it (see Word). Neither the key order,
// the sort key nor the dirty flag is stored.
//
// Data that cannot be read as a vocabulary gives an empty list that keeps the
// data's bytes: archiveWords() writes them back unchanged for as long as they
// are held, so that opening and saving a document never replaces a
// vocabulary that could not be read. Words added meanwhile are not written
// (that is logged); the document decides, with the user, when to
// discardUnreadableArchive().
//
// The dirty flag is set for a new list and by every change of its words
// (adding, removing, retyping, marking, changing Latin or meaning; not by
// setObject()); only a successful restore clears it. Each of those changes,
// and each setDirtyFlag() of a caller that changed a word itself, posts
// kVocabChanged with the list as sender, so the document that owns the list
// knows it has unsaved work whichever window made the change.
//
// Main thread only; no locks. Failures are logged and answered with nothing
// (a null pointer, -1, a null string); nothing throws.

#include "morphology/Word.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class WordController;
using WordControllerPtr = std::shared_ptr<WordController>;

// Shared: windows that hear "WordList Changed" get the list back from the
// notification's sender.
class WordController : public std::enable_shared_from_this<WordController> {
public:
    using VocabList = std::map<QString, WordPtr>;

    // The notification posted when a listed word is replaced by a retyped
    // copy; the sender is the list, the user info holds both words.
    static const QString kWordListChanged;   // "WordList Changed"
    static const QString kOriginalWordKey;   // "Original Word"
    static const QString kNewWordKey;        // "New Word"
    // Posted after every change of the list's words; the sender is the list.
    static const QString kVocabChanged;      // "Vocab Changed"

    // Sort keys.
    enum SortKey : qint64 { ByLatin = 0, ByMeaning = 1, ByTypeThenLatin = 2, BySourceThenType = 3 };

    // Empty, sort key 0, dirty.
    WordController();

    // A new list restored from archive data (see restoreWordsFromArchive()).
    static WordControllerPtr restoredFromArchive(const QByteArray& data);
    // Replaces the whole list by the archived one: clean when the data held
    // an id -> word dictionary; otherwise (no data, unreadable data, a root
    // that is not a dictionary) empty and dirty. Entries that are not words
    // are left out and logged.
    void restoreWordsFromArchive(const QByteArray& data);
    // The archive of vocabList() (or the unreadable data held); empty data
    // (logged) when it cannot be written.
    QByteArray archiveWords() const;
    bool hasUnreadableArchive() const { return !unreadableArchive_.isNull(); }
    void discardUnreadableArchive() { unreadableArchive_ = QByteArray(); }

    // "vocab:" and one more than the largest number among the ids in use.
    QString getUniqueID() const;
    // A new Verb with the standardised text and a new id, added to the list.
    WordPtr makeNewWord(const QString& latin);
    // Stores the word under its uniqueID, adds the id to the keys and sorts;
    // a word whose id is listed already replaces the word there.
    void addObject(const WordPtr& word);
    // Stores the word in the dictionary only: keys, order and dirty flag are
    // left alone (for callers that rebuild the keys themselves).
    void setObject(const WordPtr& word, const QString& key);

    // Logs a null id.
    WordPtr objectForKey(const QString& key) const;
    WordPtr vocabForID(const QString& key) const;
    // The word whose id is at that position of wordKeys(); null (logged)
    // beyond the end.
    WordPtr objectAtIndex(quint64 index) const;
    qint64 count() const { return qint64(vocabList_.size()); }
    // The position of the word's id in wordKeys(), or -1.
    qint64 getIndexOfObject(const WordPtr& word) const;
    // Whether that very word object is one of the list's words.
    bool isAMemberOfList(const WordPtr& word) const;

    void removeObjectForKey(const QString& key);
    void removeObject(const WordPtr& word);

    // The next word after position `index` (wrapping round) whose Latin or
    // meaning contains the text, ignoring case; `index` becomes its position.
    // When no other word matches, the word at `index` itself if it matches
    // (index unchanged). Null for an empty list, an empty text or no match.
    WordPtr findString(const QString& text, qint64& index) const;

    void changeLatin(const QString& latin, qint64 index);
    void changeEnglish(const QString& meaning, qint64 index);

    // A copy of the word as an object of the class for the word type: an
    // Adjective for 3, a Verb for 2, otherwise a Word of that type. Every
    // field is carried over, the transitivity included. Null for a null word.
    static WordPtr retypedCopy(qint64 wordType, const WordPtr& word);
    // Replaces a listed word by its retyped copy under the same id and posts
    // kWordListChanged once. A word that is not in the list only gets its
    // copy back. Null for a null word.
    WordPtr changeWordType(qint64 wordType, const WordPtr& word);

    void markAll();
    void unmarkAll();

    void setSortBy(qint64 sortKey) { sortBy_ = sortKey; }
    qint64 getSortBy() const { return sortBy_; }
    void sort();

    void setDirtyFlag();
    void clearDirtyFlag() { recordNeedsSaving_ = false; }
    bool isDirty() const { return recordNeedsSaving_; }

    const VocabList& vocabList() const { return vocabList_; }
    void setVocabList(VocabList list) { vocabList_ = std::move(list); }
    const QStringList& wordKeys() const { return wordKeys_; }
    void setWordKeys(QStringList keys) { wordKeys_ = std::move(keys); }

    // The number an id carries: the integer after its first run of colons,
    // 0 when there is none.
    static qint64 idNumber(const QString& id);

private:
    void setMarkedOnAll(bool marked);
    // Marks the list dirty and posts kVocabChanged.
    void changed();
    WordPtr wordAt(qint64 index) const;

    bool recordNeedsSaving_ = true;
    qint64 sortBy_ = ByLatin;
    VocabList vocabList_;
    QStringList wordKeys_;
    QByteArray unreadableArchive_;
};
