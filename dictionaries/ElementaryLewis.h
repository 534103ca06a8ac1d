#pragma once
// The smaller prepared Latin-English dictionary, editable by the user.
//
// It works on an edited copy of its dictionary file in the "Dictionaries"
// folder, unpacked on first use from the zipped copy among the bundle's
// resources. The file loads on the global queue as soon as the shared
// instance is made; every reader waits for that load first.
//
// A load that fails (the file missing with no archive to unpack, or
// unreadable) leaves an empty dictionary, never a null one, so that waiting
// readers are released; loadState() tells which case it was, and a missing
// dictionary is logged once per process. A dictionary that did not load is
// never saved: not over a file it could not read, and not as an empty file
// that would keep the bundle's copy from being unpacked later.
//
// Threads: look-ups, searches, edits made through the dictionary (deletion,
// change marks) and the serialisation and writing of a save all hold
// wordsLock(). Readers must not hold it while they wait for the load.

#include "dictionaries/TSDictionary.h"

#include <QByteArray>

#include <utility>

class ElementaryLewis;
using ElementaryLewisPtr = std::shared_ptr<ElementaryLewis>;

class ElementaryLewis : public TSDictionary {
    TS_OBJECT(ElementaryLewis, TSDictionary)

public:
    // Key of the credits sentence in dictionaryData (never written to the file).
    static const QString kCreditsKey;

    ElementaryLewis();

    // The shared instance, made and set loading on first call.
    static ElementaryLewisPtr dictionary();
    // The shared instance when it has been made, else null (makes nothing).
    static ElementaryLewisPtr existingDictionary();

    // The edited file, unpacked from the bundle's archive when missing (on
    // every call); a null URL when there is no "Dictionaries" folder.
    static QUrl editedLewisURL();
    // The file this class loads and saves.
    virtual QUrl editedURL() const { return editedLewisURL(); }
    // The sentence that credits the providers of the text; null for none.
    static QString credits();
    virtual QString creditsText() const { return credits(); }

    bool isEditable() const override { return true; }
    QString attribution() const override;

    using TSDictionary::translateToLatin;
    // Entries whose meanings hold the English query as a whole word (or the
    // query itself when it is a regular expression), in dictionary order.
    // An invalid pattern answers an empty list, logged.
    DictionaryEntryList translateToLatin(const QString& query, int type, int entryType);
    // Calls the block at once, on the calling thread, even for an invalid
    // pattern (with an empty list).
    void translateToLatin(const QString& query, int type, int entryType, TSDictionaryBlock block) override;
    // The entries keyed by the form, then by the form and 1 to 9, up to the
    // first numbered key that is missing.
    DictionaryEntryList findWordsWithForm(const QString& form, int type) override;
    DictionaryEntryList itemsOfType(int type) override;
    void save() override;
    bool deleteEntry(const DictionaryEntryPtr& entry) override;
    // The changed top-level entries, serialized, as an XML property list;
    // empty when none changed or they cannot be encoded.
    QByteArray changedWords() const override;
    void removeChangeFlags() override;
    // Starts the load if nobody has, then waits for it to finish.
    void waitForInitialisation() override;
    void initialize() override;

    // The rebuild from the elementary dictionary's TEI source goes through a
    // builder that the dictionary builders install; its result holds
    // "Entries" and the source's "title", "author" and "sponsor".
    using ElementarySourceBuilder = std::function<ts::ValueDictionary(const QUrl& source)>;
    static void setElementarySourceBuilder(ElementarySourceBuilder builder);
    // Converts the source with the installed builder, replaces the entries
    // and saves them; without a builder, or when the conversion gave no
    // entries, it is logged and the dictionary and its file stay as they were.
    bool loadFromElementarySource(const QUrl& source);
    bool loadFromElementaryResult(const ts::ValueDictionary& result);

protected:
    // Replaces the words with the "Entries" of a converter's result and
    // saves; a result without entries leaves the dictionary and its file as
    // they were. Shared by both prepared dictionaries' rebuilds.
    bool takeBuiltResult(const ts::ValueDictionary& result);
    // The edited file of a class: unpacked from "<fileName>.zip" among the
    // resources when the folder lacks it.
    static QUrl preparedFileURL(const QString& fileName);
    // A map from key to entry was built over words; edits that remove
    // entries drop it.
    virtual void wordsChanged() {}

    // The save; answers whether the file was written.
    bool saveToFile();
    // The entries were replaced by good ones: they may be saved again.
    void clearLoadFailure() { loadFailed_.store(false); }
    // Logs once per process and class that the prepared file is missing.
    void reportMissing() const;

private:
    // The file was missing or could not be read; saving must not write it.
    std::atomic<bool> loadFailed_{false};
};

// The dictionary kept in a file of the caller's choosing instead of the
// application's: the converting tool's --out, and runs that must leave the
// user's copy alone.
class ElementaryLewisAt : public ElementaryLewis {
public:
    explicit ElementaryLewisAt(QUrl url) : url_(std::move(url)) {}
    QUrl editedURL() const override { return url_; }

private:
    QUrl url_;
};
