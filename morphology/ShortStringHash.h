#pragma once
// FNV-1a over UTF-16 units, for hash tables of many short strings (word
// forms, cache strings): cheaper than the general string hash, and
// transparent, so that a view is looked up without making a string of it.
//
// The strings come from files and texts anyone can write. With a hash fixed
// in advance, words chosen to share a bucket make every look-up walk all of
// them; started from a seed drawn once per process and mixed at the end, the
// buckets cannot be foreseen.

#include <QRandomGenerator>
#include <QStringView>

#include <cstddef>

struct ShortStringHash {
    using is_transparent = void;

    // Drawn on first use, the same for the rest of the process; never 0,
    // which the general string hash takes for no seed.
    static quint64 processSeed() noexcept {
        static const quint64 seed = QRandomGenerator::system()->generate64() | 1;
        return seed;
    }

    size_t operator()(QStringView v) const noexcept {
        quint64 h = 1469598103934665603ULL ^ processSeed();
        for (const QChar c : v) {
            h ^= c.unicode();
            h *= 1099511628211ULL;
        }
        // The multiplications carry only upwards: without this the low bits
        // that choose a bucket would not depend on the seed's high bits.
        h ^= h >> 33;
        h *= 0xff51afd7ed558ccdULL;
        h ^= h >> 33;
        return size_t(h);
    }
};

struct ShortStringEqual {
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept { return a == b; }
};
