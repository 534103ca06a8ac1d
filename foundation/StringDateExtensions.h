#pragma once
// Dates and times read out of text in the current locale, and comparators that
// sort lines by a leading date.
//
// Same conventions as StringExtensions.h; a missing date is an invalid
// QDateTime. Formats are the current locale's short, medium, long and full
// styles (see DateFormatter.h). "Midnight" is 00:00:00 of the day in the system
// time zone. Failures give a missing date; only the functions that say so
// write a console line, and none throws.
//
// Threads: every function may be called from any thread. The shared
// formatters are made once and then only read; the one whose pattern changes
// on every call is used under a lock.

#include "foundation/StringExtensions.h"

#include <QDateTime>
#include <QString>

namespace StringExtensions {

// Makes the shared calendar and formatters (short date, short time, short
// date and time, decimal numbers) when they do not exist yet.
void initCalendars();

// The string read by a lenient short-date reader, as midnight of that day. An
// empty string gives a missing date silently; text that is not a date logs
// "Unable to convert <text> to date" to the console.
QDateTime dateFromString(const QString& s);

namespace Class {
// The string read strictly in the short date style, as midnight of that day;
// missing and silent on failure.
QDateTime dateFromString(const QString& s);
}  // namespace Class

// The string read in the medium date style.
QDateTime dateFromFullString(const QString& s);
// The trimmed string read by, in turn, Class::dateFromString,
// dateFromFullString and a lenient reader that also knows "today",
// "tomorrow" and "yesterday", in the short, medium and long date styles.
QDateTime looseDateFromString(const QString& s);
// Short date and short time.
QDateTime dateAndTimeFromString(const QString& s);
// Short date and time with seconds.
QDateTime dateAndTimeFromStringWithSeconds(const QString& s);
// The full date style, as midnight; logs "Unable to convert <text> to date"
// to the console when it does not read.
QDateTime dateFromLongString(const QString& s);
// dateFromString, moved a century back when it lies in the future (a
// two-digit year of a birth date, say).
QDateTime pastDateFromString(const QString& s);
// The time of day the string gives (short time, then time with seconds), on
// the day of `currentDate` when that is valid. An unreadable time is logged
// as "Unable to get initial date" and gives a missing date.
QDateTime timeFromString(const QString& s, const QDateTime& currentDate);
// The string read with a Unicode date pattern; a readable beginning is
// enough. On failure two console lines: the error and the pattern.
QDateTime dateFromFormattedString(const QString& s, const QString& pattern);
// The first blank-delimited word read in the short date style.
QDateTime dateAtBeginningOfString(const QString& s);
// The text up to the first tab read as a short date and time.
QDateTime dateAndTimeAtBeginningOfString(const QString& s);

// Lines that start with dates, earlier first; lines without two different
// dates in the default string order.
ComparisonResult dateCompare(const QString& s, const QString& other);
// As dateCompare with later dates first; the fallback order stays ascending.
ComparisonResult reversedCompare(const QString& s, const QString& other);
// As dateCompare with a date and time before the first tab.
ComparisonResult dateAndTimeCompare(const QString& s, const QString& other);

}  // namespace StringExtensions
