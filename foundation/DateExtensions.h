#pragma once
// Calendar arithmetic, start-of-period dates, differences between dates, fixed
// and locale-dependent text forms, countdown and age texts, and the
// spreadsheet date epochs.
//
// A date is a QDateTime; an invalid QDateTime stands for a missing date. On a
// missing date every reading answers 0, every text form an empty (null)
// string and every change a missing date.
//
// Calendars: the shared calendar and the current calendar are the Gregorian
// calendar in the system time zone, made on first use and kept; "fresh" below
// means one made for the call. Arithmetic that changes components carries
// values past their range (day 32 of January is 1 February) and drops
// fractions of a second.
//
// Threads: every function may be called from any thread. The cached
// formatters and calendars are made once under the language's guarded static
// initialisation, and those that a call may change (the midnight calendar's
// zone, a formatter's zone or pattern) are changed and read under a lock.
//
// Text forms use the current locale (QLocale()) as it was when each
// formatter was first used.

#include "foundation/DateCalendar.h"
#include "foundation/DateFormatter.h"

#include <QDateTime>
#include <QString>
#include <QTimeZone>

namespace DateExtensions {

// ---- Construction and epochs ----

// 1 January 1904, 00:00:00 UTC.
QDateTime nineteenO4();
// The date of a spreadsheet day number: 1 January 1900 plus `day` - 1 days,
// 00:00:00 in the system time zone (a midnight that the zone skips moves to
// the first moment of that day).
QDateTime excelDateLookup(qint64 day);
// The date from these components in the system time zone, with carry-over.
QDateTime dateWithYear(qint64 year, qint64 month, qint64 day, qint64 hour, qint64 minute, qint64 second);
// Makes the shared calendar when it does not exist yet.
void initCalendars();
const DateCalendar& currentCalendar();

// ---- Reading components (shared calendar unless stated) ----

void getHour(const QDateTime& date, qint64* hour, qint64* minute);
qint64 hourOfDay(const QDateTime& date);
// 1 = Sunday ... 7 = Saturday.
qint64 dayOfWeek(const QDateTime& date);
// The day of the month, 1-31.
qint64 dayOfMonth(const QDateTime& date);
// Hour + minute / 60 + second / 3600 (current calendar).
float decimalTime(const QDateTime& date);
// Hour + minute / 60; seconds are ignored.
float timeAsFloat(const QDateTime& date);
QString yearAsString(const QDateTime& date);
QString monthAsString(const QDateTime& date);
QString dayAsString(const QDateTime& date);

// ---- Changing a date (each answers a new date) ----

QDateTime setHour(const QDateTime& date, qint64 hour, qint64 minute);
QDateTime setHour(const QDateTime& date, qint64 hour);
QDateTime setMinute(const QDateTime& date, qint64 minute);
QDateTime addDays(const QDateTime& date, qint64 days);
QDateTime addMonths(const QDateTime& date, qint64 months);
QDateTime addYears(const QDateTime& date, qint64 years);
// Day, hour and minute each increased (current calendar).
QDateTime addDays(const QDateTime& date, qint64 days, qint64 hours, qint64 minutes);
// Whole hours of `hours` added to the hour, its fraction as whole minutes.
QDateTime addDecimalTime(const QDateTime& date, float hours);
// The date's day with the time of day of `time`; one day later when that lies
// before `date`.
QDateTime takeTimeFromDate(const QDateTime& date, const QDateTime& time);
QDateTime previousYear(const QDateTime& date);
// Midnight of the same day a hundred years earlier.
QDateTime previousCentury(const QDateTime& date);
// Midnight of the same day (current calendar).
QDateTime dateAtMidnight(const QDateTime& date);
// Midnight of the same day in the midnight calendar. A valid zone that
// differs from the calendar's is set on it and stays set for later calls; an
// invalid zone keeps the last one.
QDateTime dateAtMidnight(const QDateTime& date, const QTimeZone& zone);
QDateTime timeWithoutSeconds(const QDateTime& date);
QDateTime clipSeconds(const QDateTime& date);
QDateTime stripMilliseconds(const QDateTime& date);
QDateTime startOfYear(const QDateTime& date);
// 1 July of the date's own calendar year, also for dates in January to June.
QDateTime startOfFinancialYear(const QDateTime& date);
QDateTime startOfHalfYear(const QDateTime& date);
QDateTime startOfQuarter(const QDateTime& date);
QDateTime startOfMonth(const QDateTime& date);
// Midnight of the Sunday that begins the date's week.
QDateTime startOfWeek(const QDateTime& date);

// ---- Differences: `date` is the start, `end` the end; negative when the end
// is earlier. Null pointers are skipped. ----

void years(const QDateTime& date, qint64* years, qint64* months, qint64* days, const QDateTime& end);
// Whole years + remaining days / 365.25.
void floatYears(const QDateTime& date, float* years, const QDateTime& end);
void days(const QDateTime& date, qint64* days, qint64* hours, qint64* minutes, qint64* seconds, const QDateTime& end);
// Hours counts the whole days too (hours + 24 x days).
void hours(const QDateTime& date, qint64* hours, qint64* minutes, qint64* seconds, const QDateTime& end);
qint64 daysToDate(const QDateTime& date, const QDateTime& end);
// daysToDate / 7, truncated toward zero.
qint64 weeksToDate(const QDateTime& date, const QDateTime& end);

// ---- Text forms. An optional zone, when valid, is set on that function's
// formatter and stays set for later calls. ----

// The full weekday name.
QString dayOfWeekString(const QDateTime& date);
// "yyyy-MM-dd".
QString isoString(const QDateTime& date);
// "yyyy-MM-dd HH:mm:ss z". The hours are on the 24-hour clock: the text has
// no morning or afternoon marker to tell 02:05 from 14:05.
QString isoStringDateAndTimeString(const QDateTime& date);
// The date written in a Unicode date pattern.
QString dateStringWithFormat(const QDateTime& date, const QString& pattern);
QString dateAndTimeAsString(const QDateTime& date, const QTimeZone& zone = QTimeZone());
QString dateAndTimeAsStringWithSeconds(const QDateTime& date, const QTimeZone& zone = QTimeZone());
QString dateAsString(const QDateTime& date, const QTimeZone& zone = QTimeZone());
QString timeAsString(const QDateTime& date, const QTimeZone& zone = QTimeZone());
QString timeAsStringWithSeconds(const QDateTime& date, const QTimeZone& zone = QTimeZone());
// The hour 1-12 without a leading zero.
QString hourAsString(const QDateTime& date, const QTimeZone& zone = QTimeZone());
// Day, month and four-digit year: "d/M/yyy" in a Latin locale, otherwise the
// locale's short date with the whole year. The pattern is fixed at the first
// call.
QString dateAsLongYearString(const QDateTime& date, const QTimeZone& zone = QTimeZone());
// The date `seconds` after 1 January 2001 UTC in the given styles.
QString dateStringFromTimeInterval(double seconds, DateFormatter::Style dateStyle, DateFormatter::Style timeStyle,
                                   const QTimeZone& zone = QTimeZone());
// The current locale's short weekday name at `index` (0 = Sunday); "Invalid"
// for an index outside the week.
QString localizedShortWeekdayName(qint64 index);
// The index of a short weekday name, or the largest qint64 when it is not
// one; a missing (null) name is logged as "Nil day name" and gives -1.
qint64 localizedShortWeekdayNumber(const QString& name);

// A person's age at `at` for one born on `date`: the bare years from five
// years on, years and months below that, months and days below a year, days
// below a month ("6", "2y 3m", "3m 4d", "10d").
QString ageStringAtDate(const QDateTime& date, const QDateTime& at);
// "[D]d [h]h m:ss" for a number of seconds; days and hours only when present.
// A negative span is the countdown of its length with "-" in front.
QString countdownTimeWithTimeInterval(double seconds);
// The countdown from now to `date` (positive for a future date).
QString countdownTimeUntilNow(const QDateTime& date);
// The countdown from `from` to `date`.
QString countdownTimeFromDate(const QDateTime& date, const QDateTime& from);

}  // namespace DateExtensions
