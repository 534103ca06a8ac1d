#pragma once
// The registry that hands every caller its dictionary by type code:
//   -1  the dictionary chosen in the settings for the direction asked
//    0  the analyser dictionary (DictionaryController)
//    1  ElementaryLewis
//    2  LewisAndShort
//    3+ the user dictionaries, in the order of their sorted names
//
// User dictionaries are the regular files ending in ".xml" anywhere below the
// "User Dictionaries" folder (symbolic links are not followed), named after
// the file without its extension; of two files of one name the one found last
// wins. Names sort by plain case-sensitive comparison, capitals first. The
// scan is made on first need and dropped when "dictionary changed" is posted;
// a user dictionary loads (in the background) on its first request and is
// kept until then. A file that cannot be read stays listed, answers as an
// empty dictionary whose loadState() is Unreadable, and is never written to.
//
// Failures answer nothing and are logged: a code below -1 or past the last
// user dictionary. A stored choice of -1, which the settings must never
// hold, is logged and answered by the analyser.
//
// Threads: any thread; one lock guards the scan and the loaded dictionaries,
// so that two requests never scan or load twice at once.

#include "dictionaries/TSDictionary.h"
#include "platform/NotificationCenter.h"

#include <QStringList>

#include <map>
#include <memory>
#include <mutex>
#include <optional>

class TSDictionaries;
using TSDictionariesPtr = std::shared_ptr<TSDictionaries>;

class TSDictionaries {
public:
    static const QString kDictionaryChangedNotification;
    static const QString kElementaryLewisKey;

    // ---- Class operations ----
    // The shared registry; made on first call, listening for "dictionary
    // changed" from then on.
    static TSDictionariesPtr dictionaries();
    static TSDictionaryPtr dictionaryOfType(qint64 type, bool englishToLatin);
    // The code chosen in the settings for the direction, after making sure
    // the user dictionaries have been scanned.
    static qint32 currentDictionary(bool englishToLatin);
    static QStringList dictionaryNames();
    // Sent to the chosen English-to-Latin dictionary; with none, the block is
    // not called. The dictionary type argument takes no part in the choice.
    static void translateToLatin(const QString& text, qint64 wordType, qint64 entryType, qint32 dictionaryType,
                                 TSDictionaryBlock block);
    static void translateToEnglish(const QString& text, qint64 wordType, qint64 entryType, TSDictionaryBlock block);
    static QString attribution(bool englishToLatin);
    // At quit: saves each prepared dictionary that has been made and is dirty.
    static void saveDictionaries();
    // "Elementary Lewis" -> the changed entries of ElementaryLewis, when any.
    static ts::ValueDictionary changedWords();
    static void removeChangeFlags();

    // ---- Instance operations ----
    TSDictionaries();
    ~TSDictionaries();
    // The user dictionaries' names, sorted.
    QStringList sortedNames();
    // The dictionary of a code of 3 or more.
    TSDictionaryPtr dictionaryAtIndex(qint64 type);
    // How the named user dictionary loaded (NotStarted before its first
    // request); null for a name that is not listed.
    std::optional<TSDictionary::LoadState> stateOfDictionary(const QString& name);
    // Forgets the scan and every loaded user dictionary.
    void resetDictionaries();

private:
    struct Entry {
        QString path;
        TSDictionaryPtr dictionary;
    };
    // Scans when needed; the caller holds mutex_.
    std::map<QString, Entry>& entriesLocked();

    std::mutex mutex_;
    std::optional<std::map<QString, Entry>> entries_;
    ts::ObserverToken observer_;
};
