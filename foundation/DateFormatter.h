#pragma once
// Writes dates as text and reads them back, from the current locale's date and
// time styles or from a Unicode date pattern ("yyyy-MM-dd", "EEEE", "h:mm a").
//
// Styles: short, medium, long and full for the date and for the time, or none
// for a part that is absent. Short and full come from the locale's own formats;
// long is the full date without its weekday, medium the long date with the
// abbreviated month name; the medium time has seconds, the long time adds the
// zone abbreviation and the full time the zone's long name.
//
// Reading: a two-digit year is placed within the 100 years that start 80 years
// before today. A lenient formatter accepts text that only roughly follows the
// pattern (any separators, month names or numbers, an optional weekday, years
// of any width, values past their range carried over); a strict one wants the
// pattern's literals and valid values. With relative date formatting the words
// "today", "tomorrow" and "yesterday" read as midnight of that day.
//
// A DateFormatter is a value: its const operations keep no state, so one
// formatter may be read from several threads at once; changing it while
// others read it needs the owner's lock.

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTimeZone>

#include <vector>

class DateFormatter {
public:
    enum Style { NoStyle, ShortStyle, MediumStyle, LongStyle, FullStyle };

    // The current locale, the system time zone, no styles and no pattern.
    DateFormatter();
    DateFormatter(Style dateStyle, Style timeStyle, const QLocale& locale = QLocale());
    explicit DateFormatter(const QString& pattern, const QLocale& locale = QLocale());

    void setDateStyle(Style style);
    void setTimeStyle(Style style);
    // A Unicode date pattern; replaces the styles.
    void setDateFormat(const QString& pattern);
    void setTimeZone(const QTimeZone& zone);
    void setLenient(bool lenient) { lenient_ = lenient; }
    void setDoesRelativeDateFormatting(bool relative) { relative_ = relative; }

    const QString& dateFormat() const { return pattern_; }
    const QTimeZone& timeZone() const { return zone_; }
    const QLocale& locale() const { return locale_; }

    // The date as text; empty for an invalid date.
    QString stringFromDate(const QDateTime& date) const;
    // The date that the whole text gives, or an invalid date.
    QDateTime dateFromString(const QString& text) const;
    // The date that a readable beginning of the text gives; `used` receives the
    // number of code units read. An invalid date when no beginning reads.
    QDateTime dateFromBeginningOf(const QString& text, qsizetype* used = nullptr) const;

    // The Unicode pattern for a pair of styles in a locale.
    static QString patternForStyles(Style dateStyle, Style timeStyle, const QLocale& locale);
    // A Qt date-time format ("dd.MM.yy", "h:mm AP") as a Unicode pattern.
    static QString patternFromQtFormat(const QString& qtFormat);

    struct Token {
        char16_t letter = 0;  // 0 for literal text
        int width = 0;
        QString text;
    };

private:
    void compile();
    QDateTime read(const QString& text, bool wholeText, qsizetype* used) const;

    QLocale locale_;
    QTimeZone zone_;
    Style dateStyle_ = NoStyle;
    Style timeStyle_ = NoStyle;
    QString pattern_;
    std::vector<Token> tokens_;
    bool lenient_ = false;
    bool relative_ = false;
};
