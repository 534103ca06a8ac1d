#pragma once
// FNV-1a over UTF-16 units, for hash tables of many short strings (word
// forms, cache strings): cheaper than the general string hash, and
// transparent, so that a view is looked up without making a string of it.

#include <QStringView>

#include <cstddef>

struct ShortStringHash {
    using is_transparent = void;
    size_t operator()(QStringView v) const noexcept {
        quint64 h = 1469598103934665603ULL;
        for (const QChar c : v) {
            h ^= c.unicode();
            h *= 1099511628211ULL;
        }
        return size_t(h ^ (h >> 29));
    }
};

struct ShortStringEqual {
    using is_transparent = void;
    bool operator()(QStringView a, QStringView b) const noexcept { return a == b; }
};
