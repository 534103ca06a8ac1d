#include "foundation/DateExtensions.h"

#include "app/logging/LGLog.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>

namespace DateExtensions {

namespace {

const DateCalendar& sharedCalendar()
{
    static const DateCalendar calendar;
    return calendar;
}

DateCalendar freshCalendar()
{
    return DateCalendar(QTimeZone::systemTimeZone());
}

// A formatter that calls may re-zone; every use holds its lock.
struct GuardedFormatter {
    explicit GuardedFormatter(DateFormatter f) : formatter(std::move(f)) {}

    QString format(const QDateTime& date, const QTimeZone& zone)
    {
        if (!date.isValid())
            return QString();
        std::lock_guard<std::mutex> lock(mutex);
        formatter.setTimeZone(zone);
        return formatter.stringFromDate(date);
    }

    std::mutex mutex;
    DateFormatter formatter;
};

QDateTime rebuilt(const DateCalendar& calendar, const DateComponents& c)
{
    return calendar.date(c.year, c.month, c.day, c.hour, c.minute, c.second);
}

QDateTime midnightOf(const DateCalendar& calendar, const QDateTime& date)
{
    if (!date.isValid())
        return QDateTime();
    const DateComponents c = calendar.components(date);
    return calendar.date(c.year, c.month, c.day);
}

const QStringList& shortWeekdaySymbols()
{
    static const QStringList symbols = [] {
        const QLocale locale;
        QStringList list;
        for (int day : {7, 1, 2, 3, 4, 5, 6})
            list << locale.dayName(day, QLocale::ShortFormat);
        return list;
    }();
    return symbols;
}

}  // namespace

// ---- Construction and epochs ----

QDateTime nineteenO4()
{
    static const QDateTime epoch = DateCalendar(QTimeZone::utc()).date(1904, 1, 1);
    return epoch;
}

QDateTime excelDateLookup(qint64 day)
{
    return sharedCalendar().date(1900, 1, day);
}

QDateTime dateWithYear(qint64 year, qint64 month, qint64 day, qint64 hour, qint64 minute, qint64 second)
{
    static const DateCalendar construction;
    return construction.date(year, month, day, hour, minute, second);
}

void initCalendars()
{
    sharedCalendar();
}

const DateCalendar& currentCalendar()
{
    static const DateCalendar calendar;
    return calendar;
}

// ---- Reading components ----

void getHour(const QDateTime& date, qint64* hour, qint64* minute)
{
    const DateComponents c = sharedCalendar().components(date);
    if (hour)
        *hour = c.hour;
    if (minute)
        *minute = c.minute;
}

qint64 hourOfDay(const QDateTime& date)
{
    return sharedCalendar().components(date).hour;
}

qint64 dayOfWeek(const QDateTime& date)
{
    return sharedCalendar().components(date).weekday;
}

qint64 dayOfMonth(const QDateTime& date)
{
    return sharedCalendar().components(date).day;
}

float decimalTime(const QDateTime& date)
{
    const DateComponents c = currentCalendar().components(date);
    return float(c.hour) + float(c.minute) / 60.0f + float(c.second) / 3600.0f;
}

float timeAsFloat(const QDateTime& date)
{
    const DateComponents c = sharedCalendar().components(date);
    return float(c.hour) + float(c.minute) / 60.0f;
}

QString yearAsString(const QDateTime& date)
{
    return date.isValid() ? QString::number(sharedCalendar().components(date).year) : QString();
}

QString monthAsString(const QDateTime& date)
{
    return date.isValid() ? QString::number(sharedCalendar().components(date).month) : QString();
}

QString dayAsString(const QDateTime& date)
{
    return date.isValid() ? QString::number(sharedCalendar().components(date).day) : QString();
}

// ---- Changing a date ----

namespace {

template <class Change>
QDateTime changed(const DateCalendar& calendar, const QDateTime& date, Change change)
{
    if (!date.isValid())
        return QDateTime();
    DateComponents c = calendar.components(date);
    change(c);
    return rebuilt(calendar, c);
}

}  // namespace

QDateTime setHour(const QDateTime& date, qint64 hour, qint64 minute)
{
    return changed(sharedCalendar(), date, [&](DateComponents& c) {
        c.hour = hour;
        c.minute = minute;
    });
}

QDateTime setHour(const QDateTime& date, qint64 hour)
{
    return changed(sharedCalendar(), date, [&](DateComponents& c) { c.hour = hour; });
}

QDateTime setMinute(const QDateTime& date, qint64 minute)
{
    return changed(sharedCalendar(), date, [&](DateComponents& c) { c.minute = minute; });
}

QDateTime addDays(const QDateTime& date, qint64 days)
{
    return changed(sharedCalendar(), date, [&](DateComponents& c) { c.day += days; });
}

QDateTime addMonths(const QDateTime& date, qint64 months)
{
    return changed(sharedCalendar(), date, [&](DateComponents& c) { c.month += months; });
}

QDateTime addYears(const QDateTime& date, qint64 years)
{
    return changed(sharedCalendar(), date, [&](DateComponents& c) { c.year += years; });
}

QDateTime addDays(const QDateTime& date, qint64 days, qint64 hours, qint64 minutes)
{
    return changed(currentCalendar(), date, [&](DateComponents& c) {
        c.day += days;
        c.hour += hours;
        c.minute += minutes;
    });
}

QDateTime addDecimalTime(const QDateTime& date, float hours)
{
    if (!std::isfinite(hours) || std::fabs(hours) > 1e12f)
        return QDateTime();
    const float whole = std::trunc(hours);
    return changed(currentCalendar(), date, [&](DateComponents& c) {
        c.hour += qint64(whole);
        c.minute += qint64(std::trunc((hours - whole) * 60.0f));
    });
}

QDateTime takeTimeFromDate(const QDateTime& date, const QDateTime& time)
{
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    const DateCalendar& calendar = sharedCalendar();
    const DateComponents t = calendar.components(time);
    const QDateTime out = changed(calendar, date, [&](DateComponents& c) {
        c.hour = t.hour;
        c.minute = t.minute;
        c.second = t.second;
    });
    return out < date ? addDays(out, 1) : out;
}

QDateTime previousYear(const QDateTime& date)
{
    return changed(sharedCalendar(), date, [](DateComponents& c) { c.year -= 1; });
}

QDateTime previousCentury(const QDateTime& date)
{
    return changed(sharedCalendar(), date, [](DateComponents& c) {
        c.year -= 100;
        c.hour = c.minute = c.second = 0;
    });
}

QDateTime dateAtMidnight(const QDateTime& date)
{
    return midnightOf(currentCalendar(), date);
}

QDateTime dateAtMidnight(const QDateTime& date, const QTimeZone& zone)
{
    static std::mutex mutex;
    static DateCalendar midnight;
    DateCalendar calendar;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (zone.isValid() && zone != midnight.timeZone())
            midnight.setTimeZone(zone);
        calendar = midnight;
    }
    return midnightOf(calendar, date);
}

QDateTime timeWithoutSeconds(const QDateTime& date)
{
    return changed(freshCalendar(), date, [](DateComponents& c) { c.second = 0; });
}

QDateTime clipSeconds(const QDateTime& date)
{
    return timeWithoutSeconds(date);
}

QDateTime stripMilliseconds(const QDateTime& date)
{
    return changed(freshCalendar(), date, [](DateComponents&) {});
}

QDateTime startOfYear(const QDateTime& date)
{
    return changed(sharedCalendar(), date, [](DateComponents& c) {
        c.month = c.day = 1;
        c.hour = c.minute = c.second = 0;
    });
}

QDateTime startOfFinancialYear(const QDateTime& date)
{
    return changed(sharedCalendar(), date, [](DateComponents& c) {
        c.month = 7;
        c.day = 1;
        c.hour = c.minute = c.second = 0;
    });
}

QDateTime startOfHalfYear(const QDateTime& date)
{
    return changed(sharedCalendar(), date, [](DateComponents& c) {
        c.month = c.month <= 6 ? 1 : 7;
        c.day = 1;
        c.hour = c.minute = c.second = 0;
    });
}

QDateTime startOfQuarter(const QDateTime& date)
{
    return changed(sharedCalendar(), date, [](DateComponents& c) {
        if (c.month >= 1 && c.month <= 12)
            c.month = (c.month - 1) / 3 * 3 + 1;
        else
            TSLogError("Bad month");
        c.day = 1;
        c.hour = c.minute = c.second = 0;
    });
}

QDateTime startOfMonth(const QDateTime& date)
{
    return changed(sharedCalendar(), date, [](DateComponents& c) {
        c.day = 1;
        c.hour = c.minute = c.second = 0;
    });
}

QDateTime startOfWeek(const QDateTime& date)
{
    if (!date.isValid())
        return QDateTime();
    const qint64 weekday = dayOfWeek(date);
    const DateCalendar& calendar = currentCalendar();
    const QDateTime out = calendar.adding(dateAtMidnight(date), 0, 0, 1 - weekday);
    if (!out.isValid())
        TSLogError("Nil date");
    return out;
}

// ---- Differences ----

void years(const QDateTime& date, qint64* years, qint64* months, qint64* days, const QDateTime& end)
{
    const auto d = sharedCalendar().difference(date, end, DateCalendar::Years | DateCalendar::Months |
                                                              DateCalendar::Days);
    if (years)
        *years = d.years;
    if (months)
        *months = d.months;
    if (days)
        *days = d.days;
}

void floatYears(const QDateTime& date, float* years, const QDateTime& end)
{
    const auto d = sharedCalendar().difference(date, end, DateCalendar::Years | DateCalendar::Days);
    if (years)
        *years = float(d.years) + float(d.days) / 365.25f;
}

void days(const QDateTime& date, qint64* days, qint64* hours, qint64* minutes, qint64* seconds, const QDateTime& end)
{
    const auto d = sharedCalendar().difference(
        date, end, DateCalendar::Days | DateCalendar::Hours | DateCalendar::Minutes | DateCalendar::Seconds);
    if (days)
        *days = d.days;
    if (hours)
        *hours = d.hours;
    if (minutes)
        *minutes = d.minutes;
    if (seconds)
        *seconds = d.seconds;
}

void hours(const QDateTime& date, qint64* hours, qint64* minutes, qint64* seconds, const QDateTime& end)
{
    qint64 d = 0;
    qint64 h = 0;
    days(date, &d, &h, minutes, seconds, end);
    // Both parts carry the same sign, so a span running backwards counts its
    // whole days as well.
    if (hours)
        *hours = h + 24 * d;
}

qint64 daysToDate(const QDateTime& date, const QDateTime& end)
{
    return currentCalendar().difference(date, end, DateCalendar::Days).days;
}

qint64 weeksToDate(const QDateTime& date, const QDateTime& end)
{
    return daysToDate(date, end) / 7;
}

// ---- Text forms ----

QString dayOfWeekString(const QDateTime& date)
{
    static const DateFormatter formatter(QStringLiteral("EEEE"));
    return formatter.stringFromDate(date);
}

QString isoString(const QDateTime& date)
{
    static const DateFormatter formatter(QStringLiteral("yyyy-MM-dd"));
    return formatter.stringFromDate(date);
}

QString isoStringDateAndTimeString(const QDateTime& date)
{
    static const DateFormatter formatter(QStringLiteral("yyyy-MM-dd HH:mm:ss z"));
    return formatter.stringFromDate(date);
}

QString dateStringWithFormat(const QDateTime& date, const QString& pattern)
{
    if (!date.isValid())
        return QString();
    static std::mutex mutex;
    static DateFormatter formatter;
    std::lock_guard<std::mutex> lock(mutex);
    formatter.setDateFormat(pattern);
    return formatter.stringFromDate(date);
}

QString dateAndTimeAsString(const QDateTime& date, const QTimeZone& zone)
{
    static GuardedFormatter f(DateFormatter(DateFormatter::ShortStyle, DateFormatter::ShortStyle));
    return f.format(date, zone);
}

QString dateAndTimeAsStringWithSeconds(const QDateTime& date, const QTimeZone& zone)
{
    static GuardedFormatter f(DateFormatter(DateFormatter::ShortStyle, DateFormatter::MediumStyle));
    return f.format(date, zone);
}

QString dateAsString(const QDateTime& date, const QTimeZone& zone)
{
    static GuardedFormatter f(DateFormatter(DateFormatter::ShortStyle, DateFormatter::NoStyle));
    return f.format(date, zone);
}

QString timeAsString(const QDateTime& date, const QTimeZone& zone)
{
    static GuardedFormatter f(DateFormatter(DateFormatter::NoStyle, DateFormatter::ShortStyle));
    return f.format(date, zone);
}

QString timeAsStringWithSeconds(const QDateTime& date, const QTimeZone& zone)
{
    static GuardedFormatter f(DateFormatter(DateFormatter::NoStyle, DateFormatter::MediumStyle));
    return f.format(date, zone);
}

QString hourAsString(const QDateTime& date, const QTimeZone& zone)
{
    static GuardedFormatter f{DateFormatter(QStringLiteral("h"))};
    return f.format(date, zone);
}

QString dateAsLongYearString(const QDateTime& date, const QTimeZone& zone)
{
    static GuardedFormatter f{[] {
        const QLocale locale;
        if (locale.language() == QLocale::Latin)
            return DateFormatter(QStringLiteral("d/M/yyy"), locale);
        // The short date with its year written in full.
        QString pattern = DateFormatter::patternForStyles(DateFormatter::ShortStyle, DateFormatter::NoStyle, locale);
        pattern.replace(QStringLiteral("yy"), QStringLiteral("y"));
        return DateFormatter(pattern, locale);
    }()};
    return f.format(date, zone);
}

QString dateStringFromTimeInterval(double seconds, DateFormatter::Style dateStyle, DateFormatter::Style timeStyle,
                                   const QTimeZone& zone)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e15)
        return QString();
    static const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    const QDateTime date = reference.addMSecs(qint64(std::llround(seconds * 1000.0)));
    static std::mutex mutex;
    static DateFormatter formatter;
    std::lock_guard<std::mutex> lock(mutex);
    formatter.setTimeZone(zone);
    formatter.setDateStyle(dateStyle);
    formatter.setTimeStyle(timeStyle);
    return formatter.stringFromDate(date);
}

QString localizedShortWeekdayName(qint64 index)
{
    const QStringList& symbols = shortWeekdaySymbols();
    if (index < 0 || index >= symbols.size())
        return QStringLiteral("Invalid");
    return symbols[index];
}

qint64 localizedShortWeekdayNumber(const QString& name)
{
    if (name.isNull()) {
        TSLogError("Nil day name");
        return -1;
    }
    const qsizetype index = shortWeekdaySymbols().indexOf(name);
    return index < 0 ? std::numeric_limits<qint64>::max() : qint64(index);
}

QString ageStringAtDate(const QDateTime& date, const QDateTime& at)
{
    if (!date.isValid() || !at.isValid())
        return QString();
    qint64 y = 0;
    qint64 m = 0;
    qint64 d = 0;
    years(date, &y, &m, &d, at);
    if (y >= 5)
        return QString::number(y);
    if (y >= 1)
        return m >= 1 ? QStringLiteral("%1y %2m").arg(y).arg(m) : QStringLiteral("%1y").arg(y);
    if (m < 1)
        return QStringLiteral("%1d").arg(d);
    return d >= 1 ? QStringLiteral("%1m %2d").arg(m).arg(d) : QStringLiteral("%1m").arg(m);
}

QString countdownTimeWithTimeInterval(double seconds)
{
    // Beyond this the whole counts no longer fit; such spans are no countdown.
    if (!std::isfinite(seconds) || std::fabs(seconds) > 9.0e18)
        return QString();
    // A span that has already passed reads as the same countdown with a minus
    // sign in front, rather than with a sign inside every field ("-2:0-5").
    if (seconds <= -1)
        return QStringLiteral("-") + countdownTimeWithTimeInterval(-seconds);
    seconds = std::max(seconds, 0.0);
    const qint64 minutes = qint64(std::trunc(seconds / 60));
    const qint64 hours = qint64(std::trunc(seconds / 3600));
    const qint64 days = qint64(std::trunc(seconds / 86400));
    const qint64 mm = minutes % 60;
    const qint64 hh = hours % 24;
    const qint64 ss = qint64(std::trunc(seconds)) % 60;
    const QString clock = ss < 10 ? QStringLiteral("%1:0%2").arg(mm).arg(ss) : QStringLiteral("%1:%2").arg(mm).arg(ss);
    if (days >= 1)
        return QStringLiteral("%1d %2h %3").arg(days).arg(hh).arg(clock);
    if (hh >= 1)
        return QStringLiteral("%1h %2").arg(hh).arg(clock);
    return clock;
}

QString countdownTimeUntilNow(const QDateTime& date)
{
    if (!date.isValid())
        return QString();
    return countdownTimeWithTimeInterval(double(QDateTime::currentDateTime().msecsTo(date)) / 1000.0);
}

QString countdownTimeFromDate(const QDateTime& date, const QDateTime& from)
{
    if (!date.isValid() || !from.isValid())
        return QString();
    return countdownTimeWithTimeInterval(double(from.msecsTo(date)) / 1000.0);
}

}  // namespace DateExtensions
