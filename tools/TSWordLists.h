#pragma once
// The word lists of the pattern finder: plain text, one word per line,
// optionally followed by a tab and a count, in the folder "ProximityPatterns".
//
// Text is decoded by what it holds: a UTF-16 or UTF-8 byte-order mark, else
// UTF-8 when the bytes are valid UTF-8, else Latin-1. Line ends may be LF or
// CR LF. Lines holding control characters or NUL (binary junk) are skipped;
// empty lines are kept, as they never match a pattern.
//
// The shipped lists are unzipped from the bundle into the folder the first
// time they are needed. The Latin Library and abbreviation lists are read
// once per process; any thread.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <vector>

// A word list as it is searched: the words themselves, and, laid out when the
// list is made, one contiguous copy of their UTF-16 text with each word's
// start, so a search scans adjacent memory instead of visiting every string.
// Copies share the data; immutable, so any thread.
class TSWordList {
public:
    TSWordList();
    TSWordList(const QStringList& words);  // implicit: any list can be searched

    const QStringList& words() const { return d_->words; }
    qsizetype size() const { return d_->words.size(); }
    bool isEmpty() const { return d_->words.isEmpty(); }

    // False when the text is too large for the contiguous copy (beyond 2^32
    // units); the search then reads the strings.
    bool isCompact() const { return d_->compact; }
    // The i-th word in the contiguous copy (isCompact() only).
    QStringView word(qsizetype i) const {
        return QStringView(d_->units.data() + d_->starts[size_t(i)], qsizetype(d_->starts[size_t(i) + 1] - d_->starts[size_t(i)]));
    }
    const char16_t* units() const { return d_->units.data(); }
    const quint32* starts() const { return d_->starts.data(); }  // size() + 1 entries
    // The word's first four units, the first in the low bits, and its last
    // four, the last in the high bits; missing units are 0.
    const quint64* heads() const { return d_->heads.data(); }
    const quint64* tails() const { return d_->tails.data(); }
    const quint8* wides() const { return d_->wide.data(); }  // 1 where a unit is above U+007F
    // The letters a word holds, bit k for the k-th letter in either case, and
    // bit 26 for any other unit.
    const quint32* letters() const { return d_->letters.data(); }
    static constexpr quint32 kOtherUnit = 1u << 26;
    int longest() const { return d_->longest; }  // in UTF-16 units

    // The words grouped by their first unit, and by their last: bucket u
    // (below 128) holds the words whose first (last) unit is u, bucket
    // kWideBucket those where it is above U+007F, kEmptyBucket the empty
    // words; indices ascend inside a bucket. A search for a pattern that can
    // only start (end) with a few letters reads only their buckets.
    static constexpr int kWideBucket = 128, kEmptyBucket = 129, kBuckets = 130;
    const quint32* byFirst() const { return d_->byFirst.data(); }
    const quint32* byLast() const { return d_->byLast.data(); }
    // Bucket b spans [bounds[b], bounds[b + 1]) of byFirst() (byLast()).
    const quint32* firstBounds() const { return d_->firstBounds.data(); }
    const quint32* lastBounds() const { return d_->lastBounds.data(); }
    // The words holding a unit above U+007F, ascending.
    const std::vector<quint32>& wideWords() const { return d_->wideWords; }

private:
    struct Data {
        QStringList words;
        std::vector<char16_t> units;
        std::vector<quint32> starts;
        std::vector<quint8> wide;
        std::vector<quint64> heads, tails;
        std::vector<quint32> letters;
        std::vector<quint32> byFirst, byLast;
        std::vector<quint32> firstBounds, lastBounds;
        std::vector<quint32> wideWords;
        int longest = 0;
        bool compact = false;
    };
    std::shared_ptr<const Data> d_;
};

class TSWordLists {
public:
    static QString decodeText(const QByteArray& bytes);
    // Lines of decoded text; firstField keeps what stands before the first tab.
    static QStringList splitLines(const QString& text, bool firstField);
    // A file's lines; an unreadable file gives an empty list.
    static QStringList readList(const QString& path, bool firstField);
    // The same, laid out for searching as the finder keeps its lists.
    static TSWordList readWordList(const QString& path, bool firstField);
    static bool readText(const QString& path, QString* text);

    static QString llWordsFile();        // "llWords.txt"
    static QString zerivuvWordsFile();   // "Zerivuv Words.txt"
    static QString residualWordsFile();  // "residuals.txt"
    // Names the word count of a text may not take: the shipped lists and the
    // corpus frequency list.
    static bool isReservedName(const QString& baseName);

    // The path of a list in the folder, unzipped from the bundle resource
    // "<file>.zip" when missing.
    static QString ensureList(const QString& fileName, const QString& folder);

    static TSWordList llWords();       // first field of every line, once per process
    static TSWordList zerivuvWords();  // every line, once per process
    static TSWordList residualWords(); // every line, read on each call
    // Forgets the cached lists (tests that change the folder).
    static void resetCaches();
};
