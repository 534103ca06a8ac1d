#include "foundation/StringDateExtensions.h"

#include "app/logging/LGLog.h"
#include "foundation/DateCalendar.h"
#include "foundation/DateExtensions.h"
#include "foundation/DateFormatter.h"

#include <QtDebug>

#include <mutex>

namespace StringExtensions {

namespace {

// The shared objects: made together on first use and never changed after.
struct Shared {
    DateCalendar calendar;
    DateFormatter shortDate{DateFormatter::ShortStyle, DateFormatter::NoStyle};
    DateFormatter time{DateFormatter::NoStyle, DateFormatter::ShortStyle};
    DateFormatter dateAndTime{DateFormatter::ShortStyle, DateFormatter::ShortStyle};
    QLocale decimal;
};

const Shared& shared()
{
    static const Shared objects;
    return objects;
}

DateFormatter lenient(DateFormatter f)
{
    f.setLenient(true);
    return f;
}

QDateTime midnight(const QDateTime& date)
{
    if (!date.isValid())
        return QDateTime();
    const DateComponents c = shared().calendar.components(date);
    return shared().calendar.date(c.year, c.month, c.day);
}

// The platform's default string order: code units of the canonical forms.
ComparisonResult defaultCompare(const QString& s, const QString& other)
{
    const int order = s.normalized(QString::NormalizationForm_D).compare(other.normalized(QString::NormalizationForm_D));
    return order < 0 ? Ascending : (order > 0 ? Descending : Same);
}

ComparisonResult compareDates(const QDateTime& a, const QDateTime& b, const QString& s, const QString& other,
                              bool newestFirst)
{
    if (a.isValid() && b.isValid() && a != b) {
        const bool earlier = a < b;
        return earlier != newestFirst ? Ascending : Descending;
    }
    return defaultCompare(s, other);
}

}  // namespace

void initCalendars()
{
    shared();
}

QDateTime dateFromString(const QString& s)
{
    if (s.isEmpty())
        return QDateTime();
    static const DateFormatter reader = lenient(DateFormatter(DateFormatter::ShortStyle, DateFormatter::NoStyle));
    const QDateTime date = reader.dateFromString(s);
    if (!date.isValid()) {
        qWarning("%s", qUtf8Printable(QStringLiteral("Unable to convert %1 to date").arg(s)));
        return QDateTime();
    }
    return midnight(date);
}

namespace Class {
QDateTime dateFromString(const QString& s)
{
    if (s.isEmpty())
        return QDateTime();
    return midnight(shared().shortDate.dateFromString(s));
}
}  // namespace Class

QDateTime dateFromFullString(const QString& s)
{
    if (s.isEmpty())
        return QDateTime();
    return DateFormatter(DateFormatter::MediumStyle, DateFormatter::NoStyle).dateFromString(s);
}

QDateTime looseDateFromString(const QString& s)
{
    const QString text = s.trimmed();
    if (text.isEmpty())
        return QDateTime();
    QDateTime date = Class::dateFromString(text);
    if (!date.isValid())
        date = dateFromFullString(text);
    for (auto style : {DateFormatter::ShortStyle, DateFormatter::MediumStyle, DateFormatter::LongStyle}) {
        if (date.isValid())
            break;
        DateFormatter relative(style, DateFormatter::NoStyle);
        relative.setLenient(true);
        relative.setDoesRelativeDateFormatting(true);
        date = relative.dateFromString(text);
    }
    return date;
}

QDateTime dateAndTimeFromString(const QString& s)
{
    if (s.isEmpty())
        return QDateTime();
    return DateFormatter(DateFormatter::ShortStyle, DateFormatter::ShortStyle).dateFromString(s);
}

QDateTime dateAndTimeFromStringWithSeconds(const QString& s)
{
    if (s.isEmpty())
        return QDateTime();
    return DateFormatter(DateFormatter::ShortStyle, DateFormatter::MediumStyle).dateFromString(s);
}

QDateTime dateFromLongString(const QString& s)
{
    if (s.isEmpty())
        return QDateTime();
    static const DateFormatter reader(DateFormatter::FullStyle, DateFormatter::NoStyle);
    const QDateTime date = reader.dateFromString(s);
    if (!date.isValid()) {
        qWarning("%s", qUtf8Printable(QStringLiteral("Unable to convert %1 to date").arg(s)));
        return QDateTime();
    }
    return midnight(date);
}

QDateTime pastDateFromString(const QString& s)
{
    const QDateTime date = dateFromString(s);
    if (date.isValid() && date > QDateTime::currentDateTime())
        return DateExtensions::previousCentury(date);
    return date;
}

QDateTime timeFromString(const QString& s, const QDateTime& currentDate)
{
    if (s.isEmpty())
        return QDateTime();
    static const DateFormatter withSeconds(DateFormatter::NoStyle, DateFormatter::MediumStyle);
    QDateTime time = shared().time.dateFromString(s);
    if (!time.isValid())
        time = withSeconds.dateFromString(s);
    if (!time.isValid()) {
        TSLogError("Unable to get initial date");
        return QDateTime();
    }
    const DateCalendar& calendar = shared().calendar;
    DateComponents c = calendar.components(time);
    if (currentDate.isValid()) {
        const DateComponents day = calendar.components(currentDate);
        c.year = day.year;
        c.month = day.month;
        c.day = day.day;
    }
    return calendar.date(c.year, c.month, c.day, c.hour, c.minute, c.second);
}

QDateTime dateFromFormattedString(const QString& s, const QString& pattern)
{
    if (s.isNull())
        return QDateTime();
    static std::mutex mutex;
    static DateFormatter reader;
    QDateTime date;
    {
        std::lock_guard<std::mutex> lock(mutex);
        reader.setDateFormat(pattern);
        date = reader.dateFromBeginningOf(s);
    }
    if (!date.isValid()) {
        qWarning("%s", qUtf8Printable(QStringLiteral("Error getting in dateFromFormattedString %1")
                                          .arg(QStringLiteral("The text \"%1\" is not a date.").arg(s))));
        qWarning("%s", qUtf8Printable(pattern.isNull() ? QStringLiteral("(null)") : pattern));
    }
    return date;
}

QDateTime dateAtBeginningOfString(const QString& s)
{
    qsizetype start = 0;
    while (start < s.size() && s[start].isSpace())
        ++start;
    qsizetype end = start;
    while (end < s.size() && s[end] != u' ')
        ++end;
    if (end == start)
        return QDateTime();
    return shared().shortDate.dateFromString(s.mid(start, end - start));
}

QDateTime dateAndTimeAtBeginningOfString(const QString& s)
{
    const qsizetype tab = s.indexOf(u'\t');
    const QString head = tab < 0 ? s : s.left(tab);
    if (head.isEmpty())
        return QDateTime();
    return shared().dateAndTime.dateFromString(head);
}

ComparisonResult dateCompare(const QString& s, const QString& other)
{
    if (s.isNull())
        return Same;
    return compareDates(dateAtBeginningOfString(s), dateAtBeginningOfString(other), s, other, false);
}

ComparisonResult reversedCompare(const QString& s, const QString& other)
{
    if (s.isNull())
        return Same;
    return compareDates(dateAtBeginningOfString(s), dateAtBeginningOfString(other), s, other, true);
}

ComparisonResult dateAndTimeCompare(const QString& s, const QString& other)
{
    if (s.isNull())
        return Same;
    return compareDates(dateAndTimeAtBeginningOfString(s), dateAndTimeAtBeginningOfString(other), s, other, false);
}

}  // namespace StringExtensions
