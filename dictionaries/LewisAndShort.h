#pragma once
// The large prepared Latin-English dictionary: read-only for the user, with
// look-up by headword key, a vowel-length pattern that also admits breves and
// the word-type search behind the word search window.
//
// It loads and saves "EditedLewisShort.xml" the way ElementaryLewis loads its
// own file (see there for loading, failures and locking). The key map is
// built over the loaded entries on the first keyed look-up and dropped when
// an entry is deleted.
//
// The rebuild from the TEI source goes through a source builder that the
// dictionary builders install (setSourceBuilder); until one is installed the
// rebuild is logged and does nothing.

#include "dictionaries/ElementaryLewis.h"

#include <QHash>

#include <utility>

class LewisAndShort;
using LewisAndShortPtr = std::shared_ptr<LewisAndShort>;

class LewisAndShort : public ElementaryLewis {
    TS_OBJECT(LewisAndShort, ElementaryLewis)

public:
    // The builder's result: "Entries" (an array of top-level entry objects in
    // source order) and the descriptive keys "author", "title", "sponsor".
    using SourceBuilder = std::function<ts::ValueDictionary(const QUrl& source)>;
    static void setSourceBuilder(SourceBuilder builder);

    LewisAndShort();

    static LewisAndShortPtr dictionary();
    static LewisAndShortPtr existingDictionary();

    static QUrl editedLewisShortURL();
    // The TEI-XML source, unpacked from the bundle when missing.
    static QUrl lewisAndShortURL();
    QUrl editedURL() const override { return editedLewisShortURL(); }
    QString creditsText() const override { return QString(); }

    bool isEditable() const override { return false; }
    QString attribution() const override;
    QString formatStringForRegex(const QString& query) const override;

    // Key -> top-level entry, built once after the load. An entry without a
    // key is logged and left out.
    QHash<QString, DictionaryEntryPtr> lookupDictionary();
    DictionaryEntryPtr entryWithKey(const QString& key) override;

    // Arguments with the value that means "any": type 0, syllables below 1,
    // wordContains empty, stress below 1, conjugation below 1, wordPart below
    // 1, capitals 3 (1 small first letter, 2 capital, 0 neither: nothing),
    // trans 3 or negative (verbs only: 1 transitive, 2 intransitive, each
    // also met by a verb stored as both; 0 neither: verbs whose transitivity
    // is not recorded), gender below 1 (nouns only). The entries are never
    // changed; the search holds the dictionary lock.
    DictionaryEntryList wordTypeSearch(int wordType, int syllables, const QString& wordContains, bool searchFromStart,
                                       int stress, int conjugation, int wordPart, int capitals, int trans,
                                       int gender) override;

    // Replaces the entries by the source builder's result and saves them. A
    // result without entries is logged and changes nothing, so a failed
    // rebuild never replaces the edited file.
    bool loadFromRawXML();
    // The same from a result map in hand.
    bool loadFromSourceResult(const ts::ValueDictionary& result);

protected:
    void wordsChanged() override;

private:
    // The syllable count and stressed syllable (from the end) of each
    // headword's first word, worked out once when the entries are set, so
    // that a search by syllables or stress reads them instead of splitting
    // every headword again. Guarded by wordsLock().
    struct Syllables {
        qint16 count = 0;
        qint16 stressFromEnd = 0;
    };
    QHash<const DictionaryEntry*, Syllables> syllables_;
    const DictionaryEntryList* syllablesFor_ = nullptr;
    void buildSyllables();

private:
    QHash<QString, DictionaryEntryPtr> lookup_;
    bool lookupBuilt_ = false;
};

// The dictionary kept in a file of the caller's choosing instead of the
// application's: the converting tool's --out, and runs that must leave the
// user's copy alone.
class LewisAndShortAt : public LewisAndShort {
public:
    explicit LewisAndShortAt(QUrl url) : url_(std::move(url)) {}
    QUrl editedURL() const override { return url_; }

private:
    QUrl url_;
};
