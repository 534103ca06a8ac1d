#include "TestEnvironment.h"

#include "foundation/DateFormatter.h"

#include <gtest/gtest.h>

using dates_test::local;

namespace {

// Every style pair written and read back strictly gives the date again, to
// the precision the styles show, in locales whose patterns differ in order,
// separators and names.
TEST(DateFormatterTest, StylesReadBackWhatTheyWrite)
{
    const QDateTime date = local(2024, 3, 15, 14, 5, 9);
    const DateFormatter::Style styles[] = {DateFormatter::NoStyle, DateFormatter::ShortStyle, DateFormatter::MediumStyle,
                                           DateFormatter::LongStyle, DateFormatter::FullStyle};
    for (const char* name : {"en_US", "de_DE", "fr_FR", "it_IT", "es_ES", "en_GB"}) {
        const QLocale locale(name);
        for (auto d : styles) {
            for (auto t : styles) {
                if (d == DateFormatter::NoStyle && t == DateFormatter::NoStyle)
                    continue;
                const DateFormatter f(d, t, locale);
                const QString text = f.stringFromDate(date);
                const QDate day = d == DateFormatter::NoStyle ? QDate(2000, 1, 1) : QDate(2024, 3, 15);
                const QTime time = t == DateFormatter::NoStyle ? QTime(0, 0)
                                 : t == DateFormatter::ShortStyle ? QTime(14, 5) : QTime(14, 5, 9);
                const QDateTime expected(day, time, QTimeZone(dates_test::kZone));
                EXPECT_EQ(f.dateFromString(text), expected)
                    << name << " " << d << "/" << t << " " << qPrintable(text) << " " << qPrintable(f.dateFormat());
            }
        }
    }
}

TEST(DateFormatterTest, LongAndMediumDatesDropTheWeekdayAndShortenTheMonth)
{
    const QLocale us("en_US");
    const QDateTime date = local(2024, 3, 15);
    EXPECT_EQ(DateFormatter(DateFormatter::FullStyle, DateFormatter::NoStyle, us).stringFromDate(date),
              "Friday, March 15, 2024");
    EXPECT_EQ(DateFormatter(DateFormatter::LongStyle, DateFormatter::NoStyle, us).stringFromDate(date),
              "March 15, 2024");
    EXPECT_EQ(DateFormatter(DateFormatter::MediumStyle, DateFormatter::NoStyle, us).stringFromDate(date),
              "Mar 15, 2024");
}

TEST(DateFormatterTest, PatternsWriteTheirFields)
{
    const QDateTime date = local(2024, 3, 5, 0, 7, 9).addMSecs(45);
    const std::pair<const char*, const char*> cases[] = {
        {"yyyy-MM-dd", "2024-03-05"},
        {"y/M/d", "2024/3/5"},
        {"yy", "24"},
        {"yyy", "2024"},
        {"d/M/yyy", "5/3/2024"},
        {"h:mm a", "12:07 AM"},     // midnight on the 12-hour clock
        {"HH:mm:ss.SSS", "00:07:09.045"},
        {"k K", "24 0"},
        {"EEE EEEE", "Tue Tuesday"},
        {"MMM MMMM", "Mar March"},
        {"'at' h 'o''clock'", "at 12 o'clock"},
        {"z", "EST"},
        {"Z", "-0500"},
        {"ZZZZZ", "-05:00"},
    };
    for (const auto& [pattern, text] : cases)
        EXPECT_EQ(DateFormatter(pattern, QLocale("en_US")).stringFromDate(date), text) << pattern;
}

TEST(DateFormatterTest, QtFormatsBecomeUnicodePatterns)
{
    const std::pair<const char*, const char*> cases[] = {
        {"M/d/yy", "M/d/yy"},
        {"dddd, MMMM d, yyyy", "EEEE, MMMM d, y"},
        {"h:mm AP", "h:mm a"},
        {"HH:mm:ss t", "HH:mm:ss z"},
        {"h:mm", "H:mm"},              // without a marker Qt's h is the 24-hour clock
        {"d 'de' MMMM", "d' de 'MMMM"},
    };
    for (const auto& [qt, unicode] : cases)
        EXPECT_EQ(DateFormatter::patternFromQtFormat(qt), unicode) << qt;
}

TEST(DateFormatterTest, StrictAndLenientReading)
{
    DateFormatter f(QStringLiteral("yyyy-MM-dd HH:mm"), QLocale("en_US"));
    EXPECT_EQ(f.dateFromString("2024-03-15 14:05"), local(2024, 3, 15, 14, 5));
    EXPECT_FALSE(f.dateFromString("2024-03-15 14:05 and more").isValid());
    EXPECT_FALSE(f.dateFromString("2024-02-30 14:05").isValid());
    EXPECT_FALSE(f.dateFromString("2024/03/15 14:05").isValid());
    f.setLenient(true);
    EXPECT_EQ(f.dateFromString("2024/03/15 14.05"), local(2024, 3, 15, 14, 5));
    EXPECT_EQ(f.dateFromString("2024-02-30 14:05"), local(2024, 3, 1, 14, 5));   // carried over

    qsizetype used = 0;
    const DateFormatter d(QStringLiteral("yyyy-MM-dd"), QLocale("en_US"));
    EXPECT_EQ(d.dateFromBeginningOf("2024-03-15T10:00", &used), local(2024, 3, 15));
    EXPECT_EQ(used, 10);

    const DateFormatter offset(QStringLiteral("yyyy-MM-dd HH:mm Z"), QLocale("en_US"));
    EXPECT_EQ(offset.dateFromString("2024-03-15 14:05 +0100"),
              QDateTime(QDate(2024, 3, 15), QTime(13, 5), QTimeZone::utc()));
}

}  // namespace
