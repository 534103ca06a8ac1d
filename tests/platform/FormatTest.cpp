#include "platform/Format.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Format, ObjectAndNumericDirectives) {
    EXPECT_EQ(ts::format("Attempting to access object at index %lu, array only %lu objects", quint64(5), quint64(3)),
              QStringLiteral("Attempting to access object at index 5, array only 3 objects"));
    EXPECT_EQ(ts::format("Must override dataFromDictionary %@", QStringLiteral("TSChunk")),
              QStringLiteral("Must override dataFromDictionary TSChunk"));
    EXPECT_EQ(ts::format("Time taken: %0.1f", 2.25), QStringLiteral("Time taken: 2.2"));
    EXPECT_EQ(ts::format("%d%%", -7), QStringLiteral("-7%"));
    EXPECT_EQ(ts::format("%05d|%-3d|%x", 42, 1, 255u), QStringLiteral("00042|1  |ff"));
    EXPECT_EQ(ts::format("%@ %@", ts::Value(ts::ValueArray{1, "a"}), ts::Value()), QStringLiteral("(1, a) (null)"));
    // The extremes of plain integer directives, and a number shown as text.
    EXPECT_EQ(ts::format("%d %i %u %ld", std::numeric_limits<qint64>::min(), 0, std::numeric_limits<quint64>::max(), -1L),
              QStringLiteral("-9223372036854775808 0 18446744073709551615 -1"));
    EXPECT_EQ(ts::format("%@ %s %@", 42, 2.5, -3), QStringLiteral("42 2.5 -3"));
}

TEST(Format, MissingAndSurplusArgumentsAreSafe) {
    EXPECT_EQ(ts::format("%@ and %@", QStringLiteral("one")), QStringLiteral("one and (null)"));
    EXPECT_EQ(ts::format("plain", 1, 2), QStringLiteral("plain"));
    EXPECT_EQ(ts::format("trailing %"), QStringLiteral("trailing %"));
    EXPECT_EQ(ts::format("%s is %c", "amo", QChar(u'ā')), QStringLiteral("amo is ā"));
    EXPECT_EQ(ts::format("%@", QString()), QStringLiteral("(null)"));
}
