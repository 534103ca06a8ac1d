#include "../ConsoleCapture.h"
#include "TestEnvironment.h"
#include "support/CaptureLogger.h"

#include "foundation/StringDateExtensions.h"

#include <gtest/gtest.h>

using namespace StringExtensions;
using dates_test::local;

namespace {

QDateTime today(int offsetDays = 0)
{
    const QDate d = QDateTime::currentDateTime().toTimeZone(QTimeZone(dates_test::kZone)).date().addDays(offsetDays);
    return QDateTime(d, QTime(0, 0), QTimeZone(dates_test::kZone));
}

TEST(DatesFromStrings, UnreadableTextGivesMissing)
{
    ConsoleCapture console;
    for (const QString& s : {QString(), QString(""), QString("not a date"), QString("13/15/24"), QString("2/30/24")})
        EXPECT_FALSE(Class::dateFromString(s).isValid()) << qPrintable(s);
    EXPECT_FALSE(dateFromString(QString()).isValid());
    EXPECT_FALSE(dateFromString("").isValid());
    EXPECT_TRUE(console.lines.isEmpty());

    EXPECT_FALSE(dateFromString("not a date").isValid());
    EXPECT_EQ(console.lines, QStringList{"Unable to convert not a date to date"});
}

TEST(DatesFromStrings, ShortDatesReadAsMidnight)
{
    struct Case {
        const char* text;
        QDateTime strict;   // missing when only the lenient reader takes it
        QDateTime lenient;
    };
    const Case cases[] = {
        {"3/15/24", local(2024, 3, 15), local(2024, 3, 15)},
        {"03/05/2024", local(2024, 3, 5), local(2024, 3, 5)},
        {" 3/15/24 ", local(2024, 3, 15), local(2024, 3, 15)},
        {"3-15-2024", QDateTime(), local(2024, 3, 15)},
        {"Mar 15, 2024", QDateTime(), local(2024, 3, 15)},
        {"march 15 24", QDateTime(), local(2024, 3, 15)},
    };
    for (const auto& c : cases) {
        const QDateTime strict = Class::dateFromString(c.text);
        EXPECT_EQ(strict.isValid(), c.strict.isValid()) << c.text;
        if (c.strict.isValid()) {
            EXPECT_EQ(strict, c.strict) << c.text;
        }
        const QDateTime lenient = dateFromString(c.text);
        EXPECT_EQ(lenient, c.lenient) << c.text;
        EXPECT_EQ(lenient.time(), QTime(0, 0)) << c.text;
    }
}

TEST(DatesFromStrings, TwoDigitYearsLieWithinEightyYearsBackAndTwentyOn)
{
    const int year = QDate::currentDate().year();
    const auto shortDate = [](int y) { return QStringLiteral("1/1/%1").arg(y % 100, 2, 10, QLatin1Char('0')); };
    EXPECT_EQ(dateFromString(shortDate(year + 5)).date().year(), year + 5);
    EXPECT_EQ(dateFromString(shortDate(year - 70)).date().year(), year - 70);
    EXPECT_EQ(dateFromString(shortDate(year + 30)).date().year(), year - 70);

    // A birth date written with a two-digit year that would lie ahead.
    EXPECT_EQ(pastDateFromString(shortDate(year + 5)), local(year + 5 - 100, 1, 1));
    EXPECT_EQ(pastDateFromString(shortDate(year - 10)), local(year - 10, 1, 1));
    EXPECT_FALSE(pastDateFromString("nonsense").isValid());
}

TEST(DatesFromStrings, StylesAndLooseReading)
{
    EXPECT_EQ(dateFromFullString("Mar 15, 2024"), local(2024, 3, 15));
    EXPECT_EQ(dateFromLongString("Friday, March 15, 2024"), local(2024, 3, 15));
    EXPECT_EQ(dateAndTimeFromString("3/15/24 2:30 PM"), local(2024, 3, 15, 14, 30));
    EXPECT_EQ(dateAndTimeFromStringWithSeconds("3/15/24 2:30:15 PM"), local(2024, 3, 15, 14, 30, 15));
    EXPECT_FALSE(dateAndTimeFromString("3/15/24").isValid());

    const struct {
        const char* text;
        QDateTime date;
    } loose[] = {
        {"  3/15/24\n", local(2024, 3, 15)},
        {"Mar 15, 2024", local(2024, 3, 15)},
        {"March 15, 2024", local(2024, 3, 15)},
        {"today", today()},
        {" Tomorrow ", today(1)},
        {"yesterday", today(-1)},
    };
    for (const auto& c : loose)
        EXPECT_EQ(looseDateFromString(c.text), c.date) << c.text;
    EXPECT_FALSE(looseDateFromString("someday").isValid());
    EXPECT_FALSE(looseDateFromString("   ").isValid());
}

TEST(DatesFromStrings, LongDateFailureWritesOneLine)
{
    ConsoleCapture console;
    EXPECT_FALSE(dateFromLongString("3/15/24x").isValid());
    EXPECT_EQ(console.lines, QStringList{"Unable to convert 3/15/24x to date"});
}

TEST(DatesFromStrings, TimeOfDayOnAGivenDay)
{
    CaptureLogger::Scope log;
    EXPECT_EQ(timeFromString("2:30 PM", local(2024, 3, 15, 9, 0)), local(2024, 3, 15, 14, 30));
    EXPECT_EQ(timeFromString("2:30:15 PM", local(2024, 3, 15, 9, 0)), local(2024, 3, 15, 14, 30, 15));
    const QDateTime bare = timeFromString("9:05 AM", QDateTime());
    EXPECT_EQ(bare.time(), QTime(9, 5));
    EXPECT_EQ(log->count(), 0);

    EXPECT_FALSE(timeFromString("", local(2024, 3, 15)).isValid());
    EXPECT_EQ(log->count(), 0);
    EXPECT_FALSE(timeFromString("half past", local(2024, 3, 15)).isValid());
    EXPECT_EQ(log->messages(), QStringList{"Unable to get initial date"});
}

TEST(DatesFromStrings, PatternReadingTakesAReadableBeginning)
{
    ConsoleCapture console;
    EXPECT_EQ(dateFromFormattedString("2024-03-15 and more", "yyyy-MM-dd"), local(2024, 3, 15));
    EXPECT_EQ(dateFromFormattedString("15 March 2024", "d MMMM yyyy"), local(2024, 3, 15));
    EXPECT_EQ(dateFromFormattedString("20240315", "yyyyMMdd"), local(2024, 3, 15));
    EXPECT_TRUE(console.lines.isEmpty());

    EXPECT_FALSE(dateFromFormattedString(QString(), "yyyy-MM-dd").isValid());
    EXPECT_TRUE(console.lines.isEmpty());
    EXPECT_FALSE(dateFromFormattedString("March", "yyyy-MM-dd").isValid());
    ASSERT_EQ(console.lines.size(), 2);
    EXPECT_TRUE(console.lines[0].startsWith("Error getting in dateFromFormattedString "));
    EXPECT_EQ(console.lines[1], "yyyy-MM-dd");
}

TEST(DatesFromStrings, LeadingDates)
{
    EXPECT_EQ(dateAtBeginningOfString("  3/15/24 lectio"), local(2024, 3, 15));
    EXPECT_FALSE(dateAtBeginningOfString("lectio 3/15/24").isValid());
    EXPECT_FALSE(dateAtBeginningOfString("   ").isValid());
    EXPECT_EQ(dateAndTimeAtBeginningOfString("3/15/24 2:30 PM\tlectio"), local(2024, 3, 15, 14, 30));
    EXPECT_FALSE(dateAndTimeAtBeginningOfString("\t3/15/24 2:30 PM").isValid());
}

TEST(DatesFromStrings, Comparators)
{
    struct Case {
        const char* a;
        const char* b;
        ComparisonResult date;
        ComparisonResult reversed;
    };
    const Case cases[] = {
        {"3/1/24 beta", "3/2/24 alpha", Ascending, Descending},   // by date, newest first reversed
        {"3/2/24 alpha", "3/1/24 beta", Descending, Ascending},
        {"alpha", "beta", Ascending, Ascending},                   // no dates: alphabetical both ways
        {"3/1/24 beta", "3/1/24 alpha", Descending, Descending},   // same date: alphabetical
        {"3/1/24 b", "no date", Ascending, Ascending},             // one date only: alphabetical
    };
    for (const auto& c : cases) {
        EXPECT_EQ(dateCompare(c.a, c.b), c.date) << c.a << " | " << c.b;
        EXPECT_EQ(reversedCompare(c.a, c.b), c.reversed) << c.a << " | " << c.b;
    }
    QStringList lines{"3/1/24 b", "12/25/23 a", "3/2/24 c"};
    std::sort(lines.begin(), lines.end(), [](const QString& x, const QString& y) { return reversedCompare(x, y) == Ascending; });
    EXPECT_EQ(lines, (QStringList{"3/2/24 c", "3/1/24 b", "12/25/23 a"}));

    EXPECT_EQ(dateAndTimeCompare("3/1/24 2:00 PM\tx", "3/1/24 9:00 AM\ty"), Descending);
    EXPECT_EQ(dateAndTimeCompare("3/1/24 9:00 AM\tx", "3/1/24 2:00 PM\ty"), Ascending);
}

}  // namespace
