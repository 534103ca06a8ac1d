#include "foundation/DateCalendar.h"

#include <algorithm>

namespace {

qint64 floorDiv(qint64 a, qint64 b)
{
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

qint64 floorMod(qint64 a, qint64 b)
{
    return a - floorDiv(a, b) * b;
}

// Years QDate can hold with room to spare for carries.
constexpr qint64 kYearLimit = 1'000'000;

}  // namespace

QDateTime makeZonedDateTime(const QDate& date, const QTime& time, const QTimeZone& zone)
{
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    QDateTime out(date, time, zone);
    if (out.isValid() || !zone.isValid())
        return out;
    // The wall time does not exist here. Read it with the offset in force
    // before the gap: that instant lies after the change, so shown in the
    // zone it is the requested time moved forward by the gap.
    const qint64 asUtc = QDateTime(date, time, Qt::UTC).toSecsSinceEpoch();
    const int before = zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(asUtc - 86400, Qt::UTC));
    out = QDateTime::fromSecsSinceEpoch(asUtc - before, zone).addMSecs(time.msec());
    return out;
}

DateCalendar::DateCalendar() : zone_(QTimeZone::systemTimeZone()) {}

DateCalendar::DateCalendar(const QTimeZone& zone) : zone_(zone.isValid() ? zone : QTimeZone::systemTimeZone()) {}

void DateCalendar::setTimeZone(const QTimeZone& zone)
{
    if (zone.isValid())
        zone_ = zone;
}

DateComponents DateCalendar::components(const QDateTime& date) const
{
    DateComponents c;
    if (!date.isValid())
        return c;
    const QDateTime local = date.toTimeZone(zone_);
    const QDate d = local.date();
    const QTime t = local.time();
    c.year = d.year();
    c.month = d.month();
    c.day = d.day();
    c.hour = t.hour();
    c.minute = t.minute();
    c.second = t.second();
    c.weekday = d.dayOfWeek() % 7 + 1;
    return c;
}

QDateTime DateCalendar::date(qint64 year, qint64 month, qint64 day, qint64 hour, qint64 minute, qint64 second) const
{
    // Far beyond any representable date, and small enough that the sums
    // below cannot overflow.
    constexpr qint64 limit = 1'000'000'000'000;
    for (qint64 v : {year, month, day, hour, minute, second}) {
        if (v > limit || v < -limit)
            return QDateTime();
    }
    // Seconds, minutes and hours carry into days; months into years.
    qint64 totalSeconds = second + 60 * (minute + 60 * hour);
    const qint64 dayCarry = floorDiv(totalSeconds, 86400);
    totalSeconds = floorMod(totalSeconds, 86400);
    const qint64 y = year + floorDiv(month - 1, 12);
    const qint64 m = floorMod(month - 1, 12) + 1;
    if (y > kYearLimit || y < -kYearLimit)
        return QDateTime();
    const QDate first(int(y), int(m), 1);
    if (!first.isValid())
        return QDateTime();
    const QDate d = first.addDays(day - 1 + dayCarry);
    const QTime t(int(totalSeconds / 3600), int(totalSeconds / 60 % 60), int(totalSeconds % 60));
    return makeZonedDateTime(d, t, zone_);
}

QDateTime DateCalendar::adding(const QDateTime& date, qint64 years, qint64 months, qint64 days) const
{
    if (!date.isValid())
        return QDateTime();
    const QDateTime local = date.toTimeZone(zone_);
    const QDate d = local.date();
    const qint64 monthIndex = qint64(d.year()) * 12 + (d.month() - 1) + years * 12 + months;
    const qint64 y = floorDiv(monthIndex, 12);
    const int m = int(floorMod(monthIndex, 12)) + 1;
    if (y > kYearLimit || y < -kYearLimit)
        return QDateTime();
    QDate target(int(y), m, 1);
    if (!target.isValid())
        return QDateTime();
    target = target.addDays(std::min(d.day(), target.daysInMonth()) - 1).addDays(days);
    return makeZonedDateTime(target, local.time(), zone_);
}

DateCalendar::Difference DateCalendar::difference(const QDateTime& start, const QDateTime& end, int units) const
{
    Difference out;
    if (!start.isValid() || !end.isValid())
        return out;
    const bool forward = end >= start;
    // Whether `probe` still lies on the start's side of `end`.
    const auto within = [&](const QDateTime& probe) {
        return probe.isValid() && (forward ? probe <= end : probe >= end);
    };
    const DateComponents s = components(start);
    const DateComponents e = components(end);
    QDateTime base = start;
    // Each calendar unit: start from the estimate, step back while it passes
    // the end and forward while one more still fits.
    const auto fit = [&](qint64 estimate, auto advance) {
        qint64 n = estimate;
        while (n != 0 && !within(advance(n)))
            n += forward ? -1 : 1;
        while (within(advance(n + (forward ? 1 : -1))))
            n += forward ? 1 : -1;
        return n;
    };
    qint64 years = 0;
    qint64 months = 0;
    if (units & Years) {
        years = fit(e.year - s.year, [&](qint64 n) { return adding(start, n, 0, 0); });
        out.years = years;
        base = adding(start, years, 0, 0);
    }
    if (units & Months) {
        const DateComponents b = components(base);
        months = fit((e.year - b.year) * 12 + (e.month - b.month),
                     [&](qint64 n) { return adding(start, years, n, 0); });
        out.months = months;
        base = adding(start, years, months, 0);
    }
    if (units & Days) {
        const qint64 estimate = base.toTimeZone(zone_).date().daysTo(end.toTimeZone(zone_).date());
        const qint64 days = fit(estimate, [&](qint64 n) { return adding(start, years, months, n); });
        out.days = days;
        base = adding(start, years, months, days);
    }
    qint64 rest = base.secsTo(end);
    if (units & Hours) {
        out.hours = rest / 3600;
        rest -= out.hours * 3600;
    }
    if (units & Minutes) {
        out.minutes = rest / 60;
        rest -= out.minutes * 60;
    }
    if (units & Seconds)
        out.seconds = rest;
    return out;
}
