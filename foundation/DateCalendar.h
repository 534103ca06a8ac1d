#pragma once
// Calendar arithmetic in one time zone on the Gregorian calendar (the user's
// calendar on this platform): a date's components, a date from components with
// carry-over, clamped addition and whole-unit differences.
//
// A DateCalendar is a small value; its operations are const and keep no
// state, so one calendar may be shared between threads once made.

#include <QDateTime>
#include <QTimeZone>

struct DateComponents {
    qint64 year = 0;
    qint64 month = 0;
    qint64 day = 0;
    qint64 hour = 0;
    qint64 minute = 0;
    qint64 second = 0;
    qint64 weekday = 0;  // 1 = Sunday ... 7 = Saturday
};

class DateCalendar {
public:
    // The calendar in the system time zone.
    DateCalendar();
    explicit DateCalendar(const QTimeZone& zone);

    const QTimeZone& timeZone() const { return zone_; }
    void setTimeZone(const QTimeZone& zone);

    // The components of `date` in this calendar's zone; all 0 for an invalid
    // date.
    DateComponents components(const QDateTime& date) const;

    // The date from year, month, day, hour, minute and second. Values beyond
    // their range carry over (day 32 of January is 1 February, month 13 is
    // January of the next year, hour 25 is 1 o'clock the next day). A wall
    // time that the zone skips (a daylight-saving gap) moves forward by the
    // length of the gap, so the answer is always a real date unless the year
    // lies outside what the platform can represent.
    QDateTime date(qint64 year, qint64 month, qint64 day, qint64 hour = 0, qint64 minute = 0,
                   qint64 second = 0) const;

    // `date` moved by whole years, months and days, keeping its wall-clock time;
    // a day that the target month lacks is clamped to its last day (31 January
    // plus one month is 28 or 29 February).
    QDateTime adding(const QDateTime& date, qint64 years, qint64 months, qint64 days) const;

    // Whole units from `start` to `end`, largest first, each the most that
    // still does not pass `end` (negative when `end` is earlier). Units after
    // the day are exact elapsed time.
    struct Difference {
        qint64 years = 0;
        qint64 months = 0;
        qint64 days = 0;
        qint64 hours = 0;
        qint64 minutes = 0;
        qint64 seconds = 0;
    };
    enum Unit { Years = 1, Months = 2, Days = 4, Hours = 8, Minutes = 16, Seconds = 32 };
    Difference difference(const QDateTime& start, const QDateTime& end, int units) const;

private:
    QTimeZone zone_;
};

// A wall-clock date and time in `zone` made real: a time in a daylight-saving
// gap moves forward by the gap.
QDateTime makeZonedDateTime(const QDate& date, const QTime& time, const QTimeZone& zone);
