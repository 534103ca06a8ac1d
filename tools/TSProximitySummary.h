#pragma once
// The proximity model of a Latin corpus: for every word, how often it occurs
// and which words stand one or two places before and after it, weighted 1 and
// 1/2. Built from cleaned text in one pass, pruned, stored as a keyed archive
// whose root is a TSProximitySummary ("storedData": word → TSProximityData).
// It ranks candidate words for a gap from the gap's neighbours.
//
// The same cleaning and word splitting serve the corpus word counts.
// Model objects; one thread at a time.
#include "foundation/QMMutableDictionary.h"
#include "foundation/VDData.h"

#include <QHash>
#include <QStringList>

class TSProximityData;
using TSProximityDataPtr = std::shared_ptr<TSProximityData>;
class TSProximitySummary;
using TSProximitySummaryPtr = std::shared_ptr<TSProximitySummary>;

class TSProximityData : public VDData {
    TS_OBJECT(TSProximityData, VDData)
public:
    using Weights = QHash<QString, float>;
    qint64 count() const { return count_; }
    void setCount(qint64 count) { count_ = count; }
    Weights& priorWords() { return priorWords_; }
    Weights& followingWords() { return followingWords_; }
    const Weights& priorWords() const { return priorWords_; }
    const Weights& followingWords() const { return followingWords_; }

    ts::ObjectPtr copy() const override;
    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;

private:
    qint64 count_ = 0;
    Weights priorWords_;
    Weights followingWords_;
};

class TSProximitySummary : public QMMutableDictionary {
    TS_OBJECT(TSProximitySummary, QMMutableDictionary)
public:
    static QString cleanString(const QString& text);
    static QStringList makeLineArray(const QString& text);
    static QStringList makeWordArray(const QString& text);
    static TSProximitySummaryPtr summaryFromString(const QString& text);
    static void addString(const QString& text, QHash<QString, qint64>& counts);
    // Keys by value, highest first; equal values in ascending key order.
    template <class Map> static QStringList sortCandidates(const Map& candidates);

    void summariseString(const QString& text);
    void analyseText(const QStringList& lines);
    void parseLine(const QStringList& words);

    // The entry of a word; null when there is none.
    TSProximityDataPtr entry(const QString& word) const;
    qint64 wordCount() const { return qint64(index_.size()); }
    // Every entry, in no defined order.
    QList<TSProximityDataPtr> entries() const { return index_.values(); }

    static void addDataToCandidates(QHash<QString, float>& candidates, const TSProximityData::Weights& data);
    static void sortSearchResults(QStringList& results, const QHash<QString, float>& candidates);
    void sortResults(QStringList& results, const QStringList& knownWords, qsizetype unknownIndex) const;

    // A new summary holding the entries of count ≥ 30, each without the
    // neighbours weighing less than max(1, count × 0.01).
    TSProximitySummaryPtr pruned(qint64 minimumCount = 30) const;

    // Rebuilds the word index from storedData after reading.
    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;

private:
    TSProximityDataPtr entryForWriting(const QString& word);
    QHash<QString, TSProximityDataPtr> index_;
};

template <class Map> QStringList TSProximitySummary::sortCandidates(const Map& candidates) {
    QList<std::pair<QString, double>> pairs;
    pairs.reserve(candidates.size());
    for (auto it = candidates.cbegin(); it != candidates.cend(); ++it) pairs.append({it.key(), double(it.value())});
    std::sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    QStringList keys;
    keys.reserve(pairs.size());
    for (const auto& p : pairs) keys.append(p.first);
    return keys;
}
