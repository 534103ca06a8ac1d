#pragma once
// Shared by the fuzz targets: checks that name what failed, and the test
// whether a value can be compared with its reloaded copy.

#include "platform/Value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

// Ends the run with the broken expectation named, so that a finding says
// what went wrong without a debugger.
inline void check(bool holds, const char* expectation) {
    if (holds) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", expectation);
    std::abort();
}

// The same for a value and its reloaded copy, showing both on failure.
inline void checkEqual(const ts::Value& reloaded, const ts::Value& original, const char* expectation) {
    if (reloaded == original) return;
    std::fprintf(stderr, "original: %s\nreloaded: %s\n", qPrintable(original.description().left(4000)),
                 qPrintable(reloaded.description().left(4000)));
    check(false, expectation);
}

// Whether a reloaded copy of the value can be compared with it: a NaN (as a
// number or a date) is never equal to itself, and the XML form keeps dates to the whole second.
inline bool comparable(const ts::Value& value, bool datesKeepFractions) {
    switch (value.type()) {
    case ts::Value::Type::Real:
        return !std::isnan(value.toDouble());
    case ts::Value::Type::Date:
        if (std::isnan(value.toDate().seconds)) return false;
        return datesKeepFractions || value.toDate().seconds == std::floor(value.toDate().seconds);
    case ts::Value::Type::Array:
        for (const ts::Value& v : value.array())
            if (!comparable(v, datesKeepFractions)) return false;
        return true;
    case ts::Value::Type::Dictionary:
        for (const auto& entry : value.dictionary())
            if (!comparable(entry.second, datesKeepFractions)) return false;
        return true;
    default:
        return true;
    }
}

}  // namespace fuzz
