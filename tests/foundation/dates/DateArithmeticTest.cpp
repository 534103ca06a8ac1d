#include "TestEnvironment.h"
#include "support/CaptureLogger.h"

#include "foundation/DateExtensions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <limits>
#include <thread>
#include <vector>

using namespace DateExtensions;
using dates_test::local;

namespace {

// Runs `work(thread index)` on eight threads released together.
template <class Work>
void onEightThreads(Work work)
{
    constexpr int kThreads = 8;
    std::latch start(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            work(t);
        });
    }
    for (auto& thread : threads)
        thread.join();
}

TEST(SpreadsheetDates, DayNumbersFromTheFirstOfJanuary1900)
{
    const std::pair<qint64, QDateTime> cases[] = {
        {1, local(1900, 1, 1)},
        {32, local(1900, 2, 1)},
        {60, local(1900, 3, 1)},   // the sheet's cell 61, passed on as 60
        {45365, local(2024, 3, 15)},
        {0, local(1899, 12, 31)},
    };
    for (const auto& [day, date] : cases) {
        const QDateTime got = excelDateLookup(day);
        EXPECT_EQ(got, date) << day;
        EXPECT_EQ(got.toTimeZone(QTimeZone(dates_test::kZone)).time(), QTime(0, 0)) << day;
    }
}

TEST(SpreadsheetDates, EightThreadsAtOnce)
{
    const QTimeZone zone(dates_test::kZone);
    std::atomic<int> wrong{0};
    onEightThreads([&](int t) {
        for (qint64 day = 1 + t; day < 50000; day += 7) {
            const QDateTime expected(QDate(1900, 1, 1).addDays(day - 1), QTime(0, 0), zone);
            if (excelDateLookup(day) != expected)
                ++wrong;
        }
    });
    EXPECT_EQ(wrong.load(), 0);
}

TEST(SpreadsheetDates, SharedFormattersFromEightThreads)
{
    // Each thread writes with its own pattern and zone through the shared
    // formatters; a race would hand one thread another's pattern or zone.
    const QDateTime date = local(2024, 3, 15, 14, 5, 9);
    const QString patterns[] = {"yyyy", "MM", "dd", "HH", "mm", "ss", "EEEE", "MMMM"};
    const QString expected[] = {"2024", "03", "15", "14", "05", "09", "Friday", "March"};
    const QTimeZone zones[] = {QTimeZone(dates_test::kZone), QTimeZone::utc()};
    std::atomic<int> wrong{0};
    onEightThreads([&](int t) {
        const QTimeZone& zone = zones[t % 2];
        const QString hour = t % 2 ? "6" : "2";
        for (int i = 0; i < 2000; ++i) {
            if (dateStringWithFormat(date, patterns[t]) != expected[t])
                ++wrong;
            if (hourAsString(date, zone) != hour)
                ++wrong;
            if (isoString(excelDateLookup(45365 + t)) != QDate(2024, 3, 15).addDays(t).toString(Qt::ISODate))
                ++wrong;
        }
    });
    EXPECT_EQ(wrong.load(), 0);
}

TEST(DateArithmetic, ComponentChangesCarryOver)
{
    EXPECT_EQ(addYears(local(2020, 1, 31), 1), local(2021, 1, 31));
    EXPECT_EQ(addMonths(local(2021, 1, 31), 1), local(2021, 3, 3));   // 31 February carried over
    EXPECT_EQ(addMonths(local(2021, 11, 15, 8), 3), local(2022, 2, 15, 8));
    EXPECT_EQ(addDays(local(2024, 2, 28, 10), 2), local(2024, 3, 1, 10));
    EXPECT_EQ(addDays(local(2024, 3, 15, 10, 0), 1, 2, 30), local(2024, 3, 16, 12, 30));
    EXPECT_EQ(addDecimalTime(local(2024, 3, 15, 10, 0), 1.5f), local(2024, 3, 15, 11, 30));
    EXPECT_EQ(setHour(local(2024, 3, 15, 10, 20, 5), 25, 0), local(2024, 3, 16, 1, 0, 5));
    EXPECT_EQ(setHour(local(2024, 3, 15, 10, 20), 7), local(2024, 3, 15, 7, 20));
    EXPECT_EQ(setMinute(local(2024, 3, 15, 10, 20), 61), local(2024, 3, 15, 11, 1));
    EXPECT_EQ(previousYear(local(2024, 3, 15, 10, 20)), local(2023, 3, 15, 10, 20));
    EXPECT_EQ(previousCentury(local(2024, 3, 15, 10, 20)), local(1924, 3, 15));
    EXPECT_EQ(stripMilliseconds(local(2024, 3, 15, 10, 20, 5).addMSecs(250)), local(2024, 3, 15, 10, 20, 5));
    EXPECT_EQ(timeWithoutSeconds(local(2024, 3, 15, 10, 20, 5)), local(2024, 3, 15, 10, 20));
    EXPECT_EQ(clipSeconds(local(2024, 3, 15, 10, 20, 5)), local(2024, 3, 15, 10, 20));
    EXPECT_EQ(dateAtMidnight(local(2024, 3, 15, 10, 20, 5)), local(2024, 3, 15));
    EXPECT_EQ(dateWithYear(2024, 13, 1, 0, 0, 0), local(2025, 1, 1));
    EXPECT_EQ(nineteenO4(), QDateTime(QDate(1904, 1, 1), QTime(0, 0), QTimeZone::utc()));
}

TEST(DateArithmetic, MidnightCalendarKeepsTheLastZone)
{
    const QDateTime date = local(2024, 3, 15, 22, 0);   // 02:00 on the 16th in UTC
    EXPECT_EQ(dateAtMidnight(date, QTimeZone::utc()), QDateTime(QDate(2024, 3, 16), QTime(0, 0), QTimeZone::utc()));
    EXPECT_EQ(dateAtMidnight(date, QTimeZone()), QDateTime(QDate(2024, 3, 16), QTime(0, 0), QTimeZone::utc()));
    EXPECT_EQ(dateAtMidnight(date, QTimeZone(dates_test::kZone)), local(2024, 3, 15));
}

TEST(DateArithmetic, SkippedMidnightStillGivesADate)
{
    // São Paulo skipped from 00:00 to 01:00 on 4 November 2018.
    const QTimeZone zone("America/Sao_Paulo");
    ASSERT_TRUE(zone.isValid());
    const QDateTime d = DateCalendar(zone).date(2018, 11, 4);
    ASSERT_TRUE(d.isValid());
    EXPECT_EQ(d.toTimeZone(zone).date(), QDate(2018, 11, 4));
    EXPECT_EQ(d.toTimeZone(zone).time(), QTime(1, 0));
}

TEST(DateArithmetic, TakeTimeFromDate)
{
    EXPECT_EQ(takeTimeFromDate(local(2024, 5, 10, 18, 0), local(2001, 1, 1, 9, 0)), local(2024, 5, 11, 9, 0));
    EXPECT_EQ(takeTimeFromDate(local(2024, 5, 10, 18, 0), local(2001, 1, 1, 20, 0)), local(2024, 5, 10, 20, 0));
}

TEST(DateArithmetic, StartsOfPeriods)
{
    CaptureLogger::Scope log;
    const QDateTime nov = local(2024, 11, 15, 13, 45, 10);
    const QDateTime mar = local(2024, 3, 15, 9, 30);
    EXPECT_EQ(startOfQuarter(nov), local(2024, 10, 1));
    EXPECT_EQ(startOfQuarter(mar), local(2024, 1, 1));
    EXPECT_EQ(startOfFinancialYear(mar), local(2024, 7, 1));
    EXPECT_EQ(startOfFinancialYear(nov), local(2024, 7, 1));
    EXPECT_EQ(startOfHalfYear(mar), local(2024, 1, 1));
    EXPECT_EQ(startOfHalfYear(nov), local(2024, 7, 1));
    EXPECT_EQ(startOfYear(nov), local(2024, 1, 1));
    EXPECT_EQ(startOfMonth(nov), local(2024, 11, 1));
    EXPECT_EQ(startOfWeek(local(2024, 3, 13, 15, 0)), local(2024, 3, 10));   // Wednesday to Sunday
    EXPECT_EQ(startOfWeek(local(2024, 3, 10, 15, 0)), local(2024, 3, 10));   // a Sunday is its own start
    EXPECT_EQ(startOfWeek(local(2024, 3, 16, 23, 0)), local(2024, 3, 10));
    EXPECT_EQ(log->count(), 0);
}

TEST(DateArithmetic, ReadingComponents)
{
    const QDateTime d = local(2024, 3, 15, 14, 30, 36);
    EXPECT_FLOAT_EQ(timeAsFloat(local(2024, 3, 15, 14, 30)), 14.5f);
    EXPECT_NEAR(decimalTime(d), 14.51f, 1e-5f);
    qint64 h = -1;
    qint64 m = -1;
    getHour(d, &h, &m);
    EXPECT_EQ(h, 14);
    EXPECT_EQ(m, 30);
    EXPECT_EQ(hourOfDay(d), 14);
    EXPECT_EQ(dayOfWeek(d), 6);   // Friday
    EXPECT_EQ(dayOfMonth(d), 15);
    EXPECT_EQ(yearAsString(d), "2024");
    EXPECT_EQ(monthAsString(d), "3");
    EXPECT_EQ(dayAsString(d), "15");
}

TEST(DateArithmetic, MissingDates)
{
    const QDateTime none;
    EXPECT_EQ(hourOfDay(none), 0);
    EXPECT_EQ(dayOfWeek(none), 0);
    EXPECT_TRUE(yearAsString(none).isNull());
    EXPECT_FALSE(addDays(none, 1).isValid());
    EXPECT_FALSE(startOfWeek(none).isValid());
    EXPECT_TRUE(isoString(none).isNull());
    EXPECT_TRUE(ageStringAtDate(none, local(2024, 1, 1)).isNull());
    EXPECT_EQ(daysToDate(none, local(2024, 1, 1)), 0);
}

TEST(DateDifferences, WholeUnits)
{
    qint64 y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    years(local(2020, 1, 15), &y, &mo, &d, local(2022, 4, 20));
    EXPECT_EQ(std::tuple(y, mo, d), std::tuple(2, 3, 5));
    years(local(2022, 4, 20), &y, &mo, &d, local(2020, 1, 15));
    EXPECT_EQ(std::tuple(y, mo, d), std::tuple(-2, -3, -5));

    days(local(2024, 3, 13, 9, 0), &d, &h, &mi, &s, local(2024, 3, 15, 12, 30, 15));
    EXPECT_EQ(std::tuple(d, h, mi, s), std::tuple(2, 3, 30, 15));

    hours(local(2024, 3, 13, 9, 0), &h, &mi, &s, local(2024, 3, 15, 12, 30, 15));
    EXPECT_EQ(std::tuple(h, mi, s), std::tuple(51, 30, 15));
    // Backwards the whole days count as well.
    hours(local(2024, 3, 15, 12, 30, 15), &h, &mi, &s, local(2024, 3, 13, 9, 0));
    EXPECT_EQ(std::tuple(h, mi, s), std::tuple(-51, -30, -15));

    float fy = 0;
    floatYears(local(2020, 1, 1), &fy, local(2021, 7, 2));
    EXPECT_FLOAT_EQ(fy, 1.0f + 182.0f / 365.25f);

    const std::pair<int, qint64> weeks[] = {{13, 1}, {-13, -1}, {14, 2}, {6, 0}, {-6, 0}};
    for (const auto& [offset, count] : weeks)
        EXPECT_EQ(weeksToDate(local(2024, 3, 15), local(2024, 3, 15).addDays(offset)), count) << offset;
    EXPECT_EQ(daysToDate(local(2024, 3, 15, 12), local(2024, 3, 16, 11)), 0);
    EXPECT_EQ(daysToDate(local(2024, 3, 15, 12), local(2024, 3, 16, 12)), 1);
}

TEST(DateTexts, Ages)
{
    const QDateTime birth = local(2020, 1, 15);
    const std::pair<QDateTime, const char*> cases[] = {
        {local(2022, 4, 15), "2y 3m"},
        {local(2022, 1, 20), "2y"},
        {local(2026, 1, 15), "6"},
        {local(2020, 1, 25), "10d"},
        {local(2020, 4, 19), "3m 4d"},
        {local(2020, 3, 15), "2m"},
    };
    for (const auto& [at, text] : cases)
        EXPECT_EQ(ageStringAtDate(birth, at), text) << text;
}

TEST(DateTexts, Countdowns)
{
    const std::pair<double, const char*> cases[] = {
        {3725, "1h 2:05"}, {59, "0:59"}, {-3725, "-1h 2:05"}, {-59.5, "-0:59"}, {-0.5, "0:00"}, {0, "0:00"}, {600, "10:00"}, {90061, "1d 1h 1:01"}, {86400, "1d 0h 0:00"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(countdownTimeWithTimeInterval(seconds), text) << seconds;
    EXPECT_EQ(countdownTimeFromDate(local(2024, 3, 15, 11, 2, 5), local(2024, 3, 15, 10, 0)), "1h 2:05");
    EXPECT_EQ(countdownTimeUntilNow(QDateTime::currentDateTime().addSecs(3725).addMSecs(500)), "1h 2:05");
}

TEST(DateTexts, FixedPatternsAndStyles)
{
    const QDateTime d = local(2024, 3, 15, 14, 5, 9);
    EXPECT_EQ(isoString(d), "2024-03-15");
    EXPECT_EQ(isoStringDateAndTimeString(d), "2024-03-15 14:05:09 EDT");
    EXPECT_EQ(dayOfWeekString(d), "Friday");
    EXPECT_EQ(dateStringWithFormat(d, "d MMMM yyyy"), "15 March 2024");
    EXPECT_EQ(dateStringWithFormat(d, "EEE, MMM d ''yy"), "Fri, Mar 15 '24");
    EXPECT_EQ(dateAsString(d), "3/15/24");
    EXPECT_EQ(dateAsLongYearString(d), "3/15/2024");
    EXPECT_EQ(hourAsString(d, QTimeZone(dates_test::kZone)), "2");

    const QString time = timeAsString(d);
    EXPECT_TRUE(time.startsWith("2:05") && time.endsWith("PM")) << qPrintable(time);
    const QString withSeconds = timeAsStringWithSeconds(d);
    EXPECT_TRUE(withSeconds.startsWith("2:05:09") && withSeconds.endsWith("PM")) << qPrintable(withSeconds);
    EXPECT_TRUE(dateAndTimeAsString(d).startsWith("3/15/24 2:05"));
    EXPECT_TRUE(dateAndTimeAsStringWithSeconds(d).startsWith("3/15/24 2:05:09"));

    const QString epoch = dateStringFromTimeInterval(0, DateFormatter::ShortStyle, DateFormatter::NoStyle, QTimeZone::utc());
    EXPECT_EQ(epoch, "1/1/01");
    const QString later = dateStringFromTimeInterval(86400 * 31, DateFormatter::MediumStyle, DateFormatter::NoStyle,
                                                     QTimeZone::utc());
    EXPECT_EQ(later, "Feb 1, 2001");
}

TEST(DateTexts, GivenZoneStaysSetOnThatFormatter)
{
    const QDateTime d = local(2024, 3, 15, 14, 5, 9);
    EXPECT_EQ(hourAsString(d, QTimeZone::utc()), "6");
    EXPECT_EQ(hourAsString(d), "6");
    EXPECT_EQ(dateAsString(d), "3/15/24");   // other formatters keep their own zone
    EXPECT_EQ(hourAsString(d, QTimeZone(dates_test::kZone)), "2");
}

TEST(DateTexts, ShortWeekdayNames)
{
    const std::pair<qint64, const char*> names[] = {{0, "Sun"}, {1, "Mon"}, {6, "Sat"}, {7, "Invalid"}, {-1, "Invalid"}};
    for (const auto& [index, name] : names)
        EXPECT_EQ(localizedShortWeekdayName(index), name) << index;

    CaptureLogger::Scope log;
    EXPECT_EQ(localizedShortWeekdayNumber("Mon"), 1);
    EXPECT_EQ(localizedShortWeekdayNumber("Sun"), 0);
    EXPECT_EQ(localizedShortWeekdayNumber("Lun"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(log->count(), 0);
    EXPECT_EQ(localizedShortWeekdayNumber(QString()), -1);
    EXPECT_EQ(log->messages(), QStringList{"Nil day name"});
}

}  // namespace
