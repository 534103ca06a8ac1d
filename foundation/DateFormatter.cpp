#include "foundation/DateFormatter.h"

#include "foundation/DateCalendar.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

using Token = DateFormatter::Token;

bool isPatternLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isBlank(QChar c)
{
    return c.isSpace() || c.category() == QChar::Separator_Space;
}

// Separators a lenient reading skips: anything that is neither a letter nor a
// digit.
bool isSeparator(QChar c)
{
    return !c.isLetterOrNumber();
}

void appendLiteral(std::vector<Token>& tokens, const QString& text)
{
    if (text.isEmpty())
        return;
    if (!tokens.empty() && tokens.back().letter == 0)
        tokens.back().text += text;
    else
        tokens.push_back(Token{0, 0, text});
}

std::vector<Token> tokenize(const QString& pattern)
{
    std::vector<Token> tokens;
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = pattern[i];
        if (c == u'\'') {
            if (i + 1 < n && pattern[i + 1] == u'\'') {
                appendLiteral(tokens, QStringLiteral("'"));
                i += 2;
                continue;
            }
            QString quoted;
            ++i;
            while (i < n) {
                if (pattern[i] == u'\'') {
                    if (i + 1 < n && pattern[i + 1] == u'\'') {
                        quoted += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                quoted += pattern[i++];
            }
            appendLiteral(tokens, quoted);
        } else if (isPatternLetter(c)) {
            qsizetype j = i;
            while (j < n && pattern[j] == c)
                ++j;
            tokens.push_back(Token{c.unicode(), int(j - i), QString()});
            i = j;
        } else {
            appendLiteral(tokens, QString(c));
            ++i;
        }
    }
    return tokens;
}

QString untokenize(const std::vector<Token>& tokens)
{
    QString out;
    for (const Token& t : tokens) {
        if (t.letter) {
            out += QString(t.width, QChar(t.letter));
            continue;
        }
        const bool needsQuotes = std::any_of(t.text.begin(), t.text.end(),
                                             [](QChar c) { return isPatternLetter(c) || c == u'\''; });
        if (!needsQuotes) {
            out += t.text;
            continue;
        }
        QString escaped = t.text;
        escaped.replace(QStringLiteral("'"), QStringLiteral("''"));
        out += u'\'' + escaped + u'\'';
    }
    return out;
}

// Removes the token at `index` with the separator that joins it to its
// neighbour, then trims blanks from both ends of the pattern.
void removeField(std::vector<Token>& tokens, size_t index)
{
    const auto isJoiner = [&](size_t k) {
        return k < tokens.size() && tokens[k].letter == 0 &&
               std::all_of(tokens[k].text.begin(), tokens[k].text.end(), isSeparator);
    };
    tokens.erase(tokens.begin() + qsizetype(index));
    if (index == 0) {
        if (isJoiner(0))
            tokens.erase(tokens.begin());
    } else if (isJoiner(index - 1)) {
        tokens.erase(tokens.begin() + qsizetype(index - 1));
    }
    if (!tokens.empty() && tokens.front().letter == 0) {
        tokens.front().text = tokens.front().text.trimmed();
        if (tokens.front().text.isEmpty())
            tokens.erase(tokens.begin());
    }
    if (!tokens.empty() && tokens.back().letter == 0) {
        tokens.back().text = tokens.back().text.trimmed();
        if (tokens.back().text.isEmpty())
            tokens.pop_back();
    }
}

void removeFields(std::vector<Token>& tokens, char16_t letter)
{
    for (size_t i = tokens.size(); i-- > 0;) {
        if (i < tokens.size() && tokens[i].letter == letter)
            removeField(tokens, i);
    }
}

QString datePattern(DateFormatter::Style style, const QLocale& locale)
{
    switch (style) {
    case DateFormatter::NoStyle:
        return QString();
    case DateFormatter::ShortStyle:
        return DateFormatter::patternFromQtFormat(locale.dateFormat(QLocale::ShortFormat));
    case DateFormatter::FullStyle:
        return DateFormatter::patternFromQtFormat(locale.dateFormat(QLocale::LongFormat));
    case DateFormatter::LongStyle:
    case DateFormatter::MediumStyle: {
        auto tokens = tokenize(DateFormatter::patternFromQtFormat(locale.dateFormat(QLocale::LongFormat)));
        removeFields(tokens, u'E');
        if (style == DateFormatter::MediumStyle) {
            for (Token& t : tokens) {
                if ((t.letter == u'M' || t.letter == u'L') && t.width == 4)
                    t.width = 3;
            }
        }
        return untokenize(tokens);
    }
    }
    return QString();
}

QString timePattern(DateFormatter::Style style, const QLocale& locale)
{
    if (style == DateFormatter::NoStyle)
        return QString();
    const bool withSeconds = style != DateFormatter::ShortStyle;
    auto tokens = tokenize(DateFormatter::patternFromQtFormat(
        locale.timeFormat(withSeconds ? QLocale::LongFormat : QLocale::ShortFormat)));
    removeFields(tokens, u'z');
    if (style == DateFormatter::LongStyle || style == DateFormatter::FullStyle) {
        appendLiteral(tokens, QStringLiteral(" "));
        tokens.push_back(Token{u'z', style == DateFormatter::FullStyle ? 4 : 1, QString()});
    }
    return untokenize(tokens);
}

// ---- Writing ----

QString padded(const QLocale& numbers, qint64 value, int width)
{
    QString digits = numbers.toString(value < 0 ? -value : value);
    if (digits.size() < width)
        digits.prepend(QString(width - digits.size(), numbers.zeroDigit().at(0)));
    if (value < 0)
        digits.prepend(numbers.negativeSign());
    return digits;
}

QString offsetText(int seconds, bool colon, bool gmtPrefix)
{
    const QChar sign = seconds < 0 ? u'-' : u'+';
    const int a = std::abs(seconds);
    const QString hh = QStringLiteral("%1").arg(a / 3600, 2, 10, QLatin1Char('0'));
    const QString mm = QStringLiteral("%1").arg(a / 60 % 60, 2, 10, QLatin1Char('0'));
    QString out = QString(sign) + hh + (colon ? QStringLiteral(":") : QString()) + mm;
    return gmtPrefix ? QStringLiteral("GMT") + out : out;
}

QString zoneName(const QDateTime& local, const QTimeZone& zone, int width)
{
    if (width >= 4) {
        const QString name = zone.displayName(local, QTimeZone::LongName);
        return name.isEmpty() ? offsetText(local.offsetFromUtc(), true, true) : name;
    }
    QString abbreviation = zone.abbreviation(local);
    if (abbreviation.isEmpty() || abbreviation.startsWith(u'+') || abbreviation.startsWith(u'-'))
        abbreviation = offsetText(local.offsetFromUtc(), true, true);
    return abbreviation;
}

QString writeField(const Token& t, const QDateTime& local, const QTimeZone& zone, const QLocale& locale,
                   const QLocale& numbers)
{
    const QDate d = local.date();
    const QTime time = local.time();
    const int w = t.width;
    switch (t.letter) {
    case u'G':
        return d.year() > 0 ? QStringLiteral("AD") : QStringLiteral("BC");
    case u'y': case u'Y': case u'u':
        if (w == 2)
            return padded(numbers, ((d.year() % 100) + 100) % 100, 2);
        return padded(numbers, d.year(), w);
    case u'M': case u'L': {
        const bool standalone = t.letter == u'L';
        if (w <= 2)
            return padded(numbers, d.month(), w);
        const QLocale::FormatType type = w == 3 ? QLocale::ShortFormat
                                       : w == 4 ? QLocale::LongFormat : QLocale::NarrowFormat;
        return standalone ? locale.standaloneMonthName(d.month(), type) : locale.monthName(d.month(), type);
    }
    case u'd':
        return padded(numbers, d.day(), w);
    case u'D':
        return padded(numbers, d.dayOfYear(), w);
    case u'E': case u'e': case u'c': {
        if (t.letter != u'E' && w <= 2)
            return padded(numbers, d.dayOfWeek() % 7 + 1, w);
        const QLocale::FormatType type = w <= 3 ? QLocale::ShortFormat
                                       : w == 4 ? QLocale::LongFormat : QLocale::NarrowFormat;
        return t.letter == u'c' ? locale.standaloneDayName(d.dayOfWeek(), type) : locale.dayName(d.dayOfWeek(), type);
    }
    case u'a':
        return time.hour() < 12 ? locale.amText() : locale.pmText();
    case u'h':
        return padded(numbers, (time.hour() + 11) % 12 + 1, w);
    case u'H':
        return padded(numbers, time.hour(), w);
    case u'k':
        return padded(numbers, time.hour() == 0 ? 24 : time.hour(), w);
    case u'K':
        return padded(numbers, time.hour() % 12, w);
    case u'm':
        return padded(numbers, time.minute(), w);
    case u's':
        return padded(numbers, time.second(), w);
    case u'S': {
        QString ms = QStringLiteral("%1").arg(time.msec(), 3, 10, QLatin1Char('0'));
        return w <= 3 ? ms.left(w) : ms + QString(w - 3, u'0');
    }
    case u'z': case u'v': case u'V':
        return zoneName(local, zone, w);
    case u'Z': case u'X': case u'x':
        if (w == 4)
            return offsetText(local.offsetFromUtc(), true, true);
        return offsetText(local.offsetFromUtc(), w >= 5, false);
    case u'O':
        return offsetText(local.offsetFromUtc(), true, true);
    default:
        return QString(w, QChar(t.letter));
    }
}

// ---- Reading ----

struct Fields {
    std::optional<qint64> year;
    bool twoDigitYear = false;
    std::optional<qint64> month;
    std::optional<qint64> day;
    std::optional<qint64> hour;
    char16_t hourKind = u'H';
    std::optional<bool> pm;
    std::optional<qint64> minute;
    std::optional<qint64> second;
    qint64 msec = 0;
    std::optional<int> offset;
    int read = 0;
};

class Reader {
public:
    Reader(const QString& text, const QLocale& locale, const QTimeZone& zone, bool lenient)
        : s_(text), locale_(locale), zone_(zone), lenient_(lenient) {}

    bool readTokens(const std::vector<Token>& tokens)
    {
        for (size_t k = 0; k < tokens.size(); ++k) {
            const Token& t = tokens[k];
            if (lenient_ && atEnd() && fields_.read > 0)
                return true;
            const bool abutting = k + 1 < tokens.size() && tokens[k + 1].letter != 0 && isNumeric(tokens[k + 1]);
            if (!(t.letter == 0 ? readLiteral(t.text) : readField(t, abutting)))
                return false;
        }
        return fields_.read > 0;
    }

    qsizetype position() const { return pos_; }
    const Fields& fields() const { return fields_; }

    void skipBlanks()
    {
        while (pos_ < s_.size() && isBlank(s_[pos_]))
            ++pos_;
    }

private:
    static bool isNumeric(const Token& t)
    {
        switch (t.letter) {
        case u'y': case u'Y': case u'u': case u'd': case u'D': case u'h': case u'H': case u'k': case u'K':
        case u'm': case u's': case u'S':
            return true;
        case u'M': case u'L':
            return t.width <= 2;
        default:
            return false;
        }
    }

    bool atEnd() const
    {
        for (qsizetype i = pos_; i < s_.size(); ++i) {
            if (!isBlank(s_[i]))
                return false;
        }
        return true;
    }

    void skipSeparators()
    {
        while (pos_ < s_.size() && isSeparator(s_[pos_]))
            ++pos_;
    }

    bool readLiteral(const QString& literal)
    {
        if (lenient_) {
            skipSeparators();
            QString word;
            for (QChar c : literal) {
                if (c.isLetterOrNumber())
                    word += c;
            }
            if (!word.isEmpty() && QStringView(s_).mid(pos_, word.size()).compare(word, Qt::CaseInsensitive) == 0) {
                pos_ += word.size();
                skipSeparators();
            }
            return true;
        }
        for (QChar c : literal) {
            if (isBlank(c)) {
                skipBlanks();
                continue;
            }
            if (pos_ >= s_.size() || QString(s_[pos_]).compare(QString(c), Qt::CaseInsensitive) != 0)
                return false;
            ++pos_;
        }
        return true;
    }

    std::optional<qint64> readNumber(int maxDigits, int* count = nullptr)
    {
        qint64 value = 0;
        int digits = 0;
        while (pos_ < s_.size() && digits < maxDigits && s_[pos_].isDigit()) {
            value = value * 10 + s_[pos_].digitValue();
            ++pos_;
            ++digits;
        }
        if (count)
            *count = digits;
        if (digits == 0)
            return std::nullopt;
        return value;
    }

    // The index of the longest name that the text continues with, or -1.
    int readName(const QStringList& names)
    {
        int best = -1;
        qsizetype bestLength = 0;
        for (int i = 0; i < names.size(); ++i) {
            QString name = names[i];
            for (int variant = 0; variant < 2; ++variant) {
                if (variant == 1) {
                    if (!name.endsWith(u'.'))
                        break;
                    name.chop(1);
                }
                if (name.isEmpty() || name.size() <= bestLength)
                    continue;
                if (QStringView(s_).mid(pos_, name.size()).compare(name, Qt::CaseInsensitive) == 0) {
                    best = i;
                    bestLength = name.size();
                }
            }
        }
        if (best >= 0)
            pos_ += bestLength;
        return best;
    }

    QStringList monthNames() const
    {
        QStringList names;
        for (auto type : {QLocale::LongFormat, QLocale::ShortFormat}) {
            for (int m = 1; m <= 12; ++m)
                names << locale_.monthName(m, type);
            for (int m = 1; m <= 12; ++m)
                names << locale_.standaloneMonthName(m, type);
        }
        return names;
    }

    QStringList dayNames() const
    {
        QStringList names;
        for (auto type : {QLocale::LongFormat, QLocale::ShortFormat}) {
            for (int d = 1; d <= 7; ++d)
                names << locale_.dayName(d, type) << locale_.standaloneDayName(d, type);
        }
        return names;
    }

    bool readOffset()
    {
        const qsizetype start = pos_;
        for (const char* prefix : {"GMT", "UTC"}) {
            if (QStringView(s_).mid(pos_, 3).compare(QLatin1String(prefix), Qt::CaseInsensitive) == 0) {
                pos_ += 3;
                fields_.offset = 0;
                break;
            }
        }
        if (pos_ < s_.size() && (s_[pos_] == u'+' || s_[pos_] == u'-' || s_[pos_] == QChar(0x2212))) {
            const int sign = s_[pos_] == u'+' ? 1 : -1;
            ++pos_;
            int digits = 0;
            const auto hours = readNumber(2, &digits);
            if (!hours) {
                pos_ = start;
                return false;
            }
            qint64 minutes = 0;
            if (pos_ < s_.size() && s_[pos_] == u':')
                ++pos_;
            if (auto m = readNumber(2))
                minutes = *m;
            fields_.offset = int(sign * (*hours * 3600 + minutes * 60));
            return true;
        }
        if (fields_.offset)
            return true;
        if (pos_ < s_.size() && s_[pos_] == u'Z') {
            ++pos_;
            fields_.offset = 0;
            return true;
        }
        // The formatter's own zone under any of its names this year.
        const QDateTime now = QDateTime::currentDateTime();
        QStringList names;
        for (int month : {1, 7}) {
            const QDateTime probe(QDate(now.date().year(), month, 1), QTime(12, 0), zone_);
            names << zone_.abbreviation(probe) << zone_.displayName(probe, QTimeZone::LongName);
        }
        names << zone_.displayName(QTimeZone::StandardTime, QTimeZone::LongName)
              << zone_.displayName(QTimeZone::DaylightTime, QTimeZone::LongName)
              << QString::fromUtf8(zone_.id());
        return readName(names) >= 0;
    }

    bool readField(const Token& t, bool abutting)
    {
        if (lenient_)
            skipSeparatorsBeforeField(t);
        const int w = t.width;
        switch (t.letter) {
        case u'y': case u'Y': case u'u': {
            int digits = 0;
            const int maxDigits = abutting ? (w == 2 ? 2 : std::max(w, 4)) : 9;
            auto v = readNumber(maxDigits, &digits);
            if (!v)
                return false;
            fields_.year = *v;
            fields_.twoDigitYear = digits == 2 && w <= 2;
            break;
        }
        case u'M': case u'L':
            if (w <= 2 || lenient_) {
                if (auto v = readNumber(abutting ? std::max(w, 2) : 9)) {
                    fields_.month = *v;
                    break;
                }
                if (w <= 2 && !lenient_)
                    return false;
            }
            if (const int i = readName(monthNames()); i >= 0)
                fields_.month = i % 12 + 1;
            else
                return false;
            break;
        case u'd': case u'D': {
            auto v = readNumber(abutting ? std::max(w, 2) : 9);
            if (!v)
                return false;
            if (t.letter == u'd')
                fields_.day = *v;
            break;
        }
        case u'E': case u'e': case u'c':
            if (t.letter != u'E' && w <= 2) {
                if (!readNumber(1) && !lenient_)
                    return false;
                return true;
            }
            if (readName(dayNames()) < 0 && !lenient_)
                return false;
            return true;
        case u'a': {
            const int i = readName({locale_.amText(), locale_.pmText(), QStringLiteral("AM"), QStringLiteral("PM"),
                                    QStringLiteral("a.m."), QStringLiteral("p.m.")});
            if (i < 0)
                return lenient_;
            fields_.pm = i % 2 == 1;
            return true;
        }
        case u'h': case u'H': case u'k': case u'K': {
            auto v = readNumber(abutting ? std::max(w, 2) : 9);
            if (!v)
                return false;
            fields_.hour = *v;
            fields_.hourKind = t.letter;
            break;
        }
        case u'm': case u's': {
            auto v = readNumber(abutting ? std::max(w, 2) : 9);
            if (!v)
                return false;
            (t.letter == u'm' ? fields_.minute : fields_.second) = *v;
            break;
        }
        case u'S': {
            int digits = 0;
            auto v = readNumber(abutting ? w : 9, &digits);
            if (!v)
                return false;
            fields_.msec = qint64(std::llround(double(*v) * std::pow(10.0, 3 - digits)));
            break;
        }
        case u'z': case u'Z': case u'v': case u'V': case u'O': case u'X': case u'x':
            if (!readOffset())
                return lenient_;
            return true;
        case u'G':
            if (readName({QStringLiteral("AD"), QStringLiteral("BC"), QStringLiteral("CE"), QStringLiteral("BCE")}) < 0)
                return lenient_;
            return true;
        default:
            return readLiteral(QString(w, QChar(t.letter)));
        }
        ++fields_.read;
        return true;
    }

    void skipSeparatorsBeforeField(const Token& t)
    {
        // A sign belongs to the offset that follows.
        if (t.letter == u'Z' || t.letter == u'z' || t.letter == u'x' || t.letter == u'X' || t.letter == u'O')
            skipBlanks();
        else
            skipSeparators();
    }

    const QString& s_;
    const QLocale& locale_;
    const QTimeZone& zone_;
    bool lenient_;
    qsizetype pos_ = 0;
    Fields fields_;
};

// The year that two digits stand for: within the 100 years that start 80
// years before today.
qint64 windowedYear(qint64 twoDigits, const QTimeZone& zone)
{
    const qint64 thisYear = QDateTime::currentDateTime().toTimeZone(zone).date().year();
    const qint64 start = thisYear - 80;
    qint64 year = start - start % 100 + twoDigits;
    if (year < start)
        year += 100;
    return year;
}

QDateTime assemble(const Fields& f, const QTimeZone& zone, bool lenient)
{
    qint64 year = f.year.value_or(2000);
    if (f.twoDigitYear)
        year = windowedYear(year, zone);
    const qint64 month = f.month.value_or(1);
    const qint64 day = f.day.value_or(1);
    qint64 hour = f.hour.value_or(0);
    const qint64 minute = f.minute.value_or(0);
    const qint64 second = f.second.value_or(0);
    if (!lenient) {
        if (month < 1 || month > 12 || year < -9999 || year > 99999)
            return QDateTime();
        if (day < 1 || day > QDate(int(year), int(month), 1).daysInMonth())
            return QDateTime();
        if (minute > 59 || second > 59)
            return QDateTime();
        switch (f.hourKind) {
        case u'h':
            if (f.hour && (hour < 1 || hour > 12))
                return QDateTime();
            break;
        case u'k':
            if (f.hour && (hour < 1 || hour > 24))
                return QDateTime();
            break;
        case u'K':
            if (hour > 11)
                return QDateTime();
            break;
        default:
            if (hour > 23)
                return QDateTime();
        }
    }
    switch (f.hourKind) {
    case u'h':
        if (f.pm)
            hour = hour % 12 + (*f.pm ? 12 : 0);
        break;
    case u'k':
        if (hour == 24)
            hour = 0;
        break;
    case u'K':
        if (f.pm && *f.pm)
            hour += 12;
        break;
    default:
        break;
    }
    const DateCalendar calendar(f.offset ? QTimeZone(*f.offset) : zone);
    const QDateTime out = calendar.date(year, month, day, hour, minute, second);
    return out.isValid() ? out.addMSecs(f.msec) : out;
}

}  // namespace

DateFormatter::DateFormatter() : locale_(QLocale()), zone_(QTimeZone::systemTimeZone()) {}

DateFormatter::DateFormatter(Style dateStyle, Style timeStyle, const QLocale& locale)
    : locale_(locale), zone_(QTimeZone::systemTimeZone()), dateStyle_(dateStyle), timeStyle_(timeStyle)
{
    pattern_ = patternForStyles(dateStyle, timeStyle, locale_);
    compile();
}

DateFormatter::DateFormatter(const QString& pattern, const QLocale& locale)
    : locale_(locale), zone_(QTimeZone::systemTimeZone()), pattern_(pattern)
{
    compile();
}

void DateFormatter::setDateStyle(Style style)
{
    dateStyle_ = style;
    pattern_ = patternForStyles(dateStyle_, timeStyle_, locale_);
    compile();
}

void DateFormatter::setTimeStyle(Style style)
{
    timeStyle_ = style;
    pattern_ = patternForStyles(dateStyle_, timeStyle_, locale_);
    compile();
}

void DateFormatter::setDateFormat(const QString& pattern)
{
    pattern_ = pattern;
    compile();
}

void DateFormatter::setTimeZone(const QTimeZone& zone)
{
    if (zone.isValid())
        zone_ = zone;
}

void DateFormatter::compile()
{
    tokens_ = tokenize(pattern_);
}

QString DateFormatter::patternForStyles(Style dateStyle, Style timeStyle, const QLocale& locale)
{
    const QString date = datePattern(dateStyle, locale);
    const QString time = timePattern(timeStyle, locale);
    if (date.isEmpty() || time.isEmpty())
        return date + time;
    return date + QStringLiteral(" ") + time;
}

QString DateFormatter::patternFromQtFormat(const QString& qtFormat)
{
    const bool twelveHour = qtFormat.contains(u'A') || qtFormat.contains(u'a');
    std::vector<Token> tokens;
    const qsizetype n = qtFormat.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = qtFormat[i];
        if (c == u'\'') {
            QString quoted;
            ++i;
            while (i < n) {
                if (qtFormat[i] == u'\'') {
                    if (i + 1 < n && qtFormat[i + 1] == u'\'') {
                        quoted += u'\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                quoted += qtFormat[i++];
            }
            appendLiteral(tokens, quoted.isEmpty() ? QStringLiteral("'") : quoted);
            continue;
        }
        if (c == u'A' || c == u'a') {
            i += (i + 1 < n && (qtFormat[i + 1] == u'P' || qtFormat[i + 1] == u'p')) ? 2 : 1;
            tokens.push_back(Token{u'a', 1, QString()});
            continue;
        }
        qsizetype j = i;
        while (j < n && qtFormat[j] == c)
            ++j;
        const int run = int(j - i);
        switch (c.unicode()) {
        case u'd':
            if (run <= 2)
                tokens.push_back(Token{u'd', run, QString()});
            else
                tokens.push_back(Token{u'E', run == 3 ? 3 : 4, QString()});
            break;
        case u'M':
            tokens.push_back(Token{u'M', std::min(run, 4), QString()});
            break;
        case u'y':
            tokens.push_back(Token{u'y', run == 2 ? 2 : 1, QString()});
            break;
        case u'h':
            tokens.push_back(Token{twelveHour ? u'h' : u'H', std::min(run, 2), QString()});
            break;
        case u'H':
        case u'm':
        case u's':
            tokens.push_back(Token{c.unicode(), std::min(run, 2), QString()});
            break;
        case u'z':
            tokens.push_back(Token{u'S', run >= 3 ? 3 : 1, QString()});
            break;
        case u't':
            tokens.push_back(Token{u'z', 1, QString()});
            break;
        default:
            appendLiteral(tokens, qtFormat.mid(i, run));
        }
        i = j;
    }
    return untokenize(tokens);
}

QString DateFormatter::stringFromDate(const QDateTime& date) const
{
    if (!date.isValid())
        return QString();
    const QDateTime local = date.toTimeZone(zone_);
    QLocale numbers = locale_;
    numbers.setNumberOptions(QLocale::OmitGroupSeparator);
    QString out;
    for (const Token& t : tokens_)
        out += t.letter ? writeField(t, local, zone_, locale_, numbers) : t.text;
    return out;
}

QDateTime DateFormatter::dateFromString(const QString& text) const
{
    qsizetype used = 0;
    const QDateTime date = read(text, true, &used);
    return date;
}

QDateTime DateFormatter::dateFromBeginningOf(const QString& text, qsizetype* used) const
{
    return read(text, false, used);
}

QDateTime DateFormatter::read(const QString& text, bool wholeText, qsizetype* used) const
{
    if (used)
        *used = 0;
    if (text.isEmpty() || (tokens_.empty() && !relative_))
        return QDateTime();
    if (relative_) {
        static const struct { const char* word; int days; } words[] = {
            {"today", 0}, {"tomorrow", 1}, {"yesterday", -1},
        };
        const QString trimmed = text.trimmed();
        for (const auto& w : words) {
            const QLatin1String word(w.word);
            const bool match = wholeText ? trimmed.compare(word, Qt::CaseInsensitive) == 0
                                         : trimmed.startsWith(word, Qt::CaseInsensitive);
            if (!match)
                continue;
            if (used)
                *used = text.indexOf(word, 0, Qt::CaseInsensitive) + word.size();
            const QDate today = QDateTime::currentDateTime().toTimeZone(zone_).date().addDays(w.days);
            return makeZonedDateTime(today, QTime(0, 0), zone_);
        }
    }
    Reader reader(text, locale_, zone_, lenient_);
    if (lenient_ || wholeText)
        reader.skipBlanks();
    if (!reader.readTokens(tokens_))
        return QDateTime();
    if (wholeText) {
        reader.skipBlanks();
        if (reader.position() < text.size())
            return QDateTime();
    }
    const QDateTime out = assemble(reader.fields(), zone_, lenient_);
    if (out.isValid() && used)
        *used = reader.position();
    return out;
}
