#include "TSTextHelpers.h"

#include "platform/Color.h"

#include <QStringDecoder>
#include <QTextBoundaryFinder>

#include <limits>

namespace TSTextHelpers {

qint64 integerValue(const QString& s) {
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n && (s[i] == QLatin1Char(' ') || s[i] == QLatin1Char('\t') || s[i] == QLatin1Char('\n') ||
                     s[i] == QLatin1Char('\r')))
        ++i;
    bool negative = false;
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) negative = s[i++] == QLatin1Char('-');
    quint64 value = 0;
    bool overflow = false;
    for (; i < n && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9'); ++i) {
        const quint64 digit = quint64(s[i].unicode() - '0');
        if (value > (quint64(std::numeric_limits<qint64>::max()) + 1 - digit) / 10) overflow = true;
        else value = value * 10 + digit;
    }
    if (negative) {
        if (overflow || value > quint64(std::numeric_limits<qint64>::max())) return std::numeric_limits<qint64>::min();
        return -qint64(value);
    }
    if (overflow || value > quint64(std::numeric_limits<qint64>::max())) return std::numeric_limits<qint64>::max();
    return qint64(value);
}

std::vector<Word> words(const QString& s) {
    std::vector<Word> out;
    if (s.isEmpty()) return out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, s);
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end > 0; start = end, end = finder.toNextBoundary()) {
        bool isWord = false;
        for (qsizetype i = start; i < end && !isWord; ++i) isWord = s[i].isLetterOrNumber();
        if (!isWord) continue;
        out.push_back(Word{{start, end - start}, {start, end - start}});
    }
    for (size_t i = 0; i < out.size(); ++i) {
        const qsizetype next = i + 1 < out.size() ? out[i + 1].word.location : s.size();
        out[i].enclosing.length = next - out[i].enclosing.location;
    }
    return out;
}

qint64 countWords(const QString& s) { return qint64(words(s).size()); }

namespace {

// Destinations whose text is not part of the document's text.
bool isSkippedDestination(const QByteArray& word) {
    static const char* const skipped[] = {"fonttbl", "colortbl", "stylesheet", "info", "expandedcolortbl",
                                          "listtable", "listoverridetable", "pict", "NeXTGraphic", "fldinst"};
    for (const char* s : skipped)
        if (word == s) return true;
    return false;
}

QString recoverFromRtf(const QByteArray& d) {
    QString out;
    struct Group { bool skip; int uc; };
    std::vector<Group> stack{{false, 1}};
    int pendingSkip = 0;  // replacement characters to drop after \uN
    const qsizetype n = d.size();
    for (qsizetype i = 0; i < n && stack.size() < 10000;) {
        const char c = d[i];
        Group& g = stack.back();
        if (c == '{') {
            stack.push_back(g);
            ++i;
            continue;
        }
        if (c == '}') {
            if (stack.size() > 1) stack.pop_back();
            ++i;
            continue;
        }
        if (c == '\\') {
            if (i + 1 >= n) break;
            const char e = d[i + 1];
            if (e == '\\' || e == '{' || e == '}') {
                if (!g.skip) out += QLatin1Char(e);
                i += 2;
                continue;
            }
            if (e == '\n' || e == '\r') {
                if (!g.skip) out += QLatin1Char('\n');
                i += 2;
                continue;
            }
            if (e == '*') {
                g.skip = true;
                i += 2;
                continue;
            }
            if (e == '\'') {
                if (i + 3 < n) {
                    bool ok = false;
                    const int byte = QByteArray(d.constData() + i + 2, 2).toInt(&ok, 16);
                    if (ok && !g.skip) {
                        if (pendingSkip > 0) --pendingSkip;
                        else out += QChar(char16_t(byte));
                    }
                }
                i += 4;
                continue;
            }
            qsizetype j = i + 1;
            while (j < n && ((d[j] >= 'a' && d[j] <= 'z') || (d[j] >= 'A' && d[j] <= 'Z'))) ++j;
            const QByteArray word = d.mid(i + 1, j - i - 1);
            qsizetype k = j;
            if (k < n && (d[k] == '-' || (d[k] >= '0' && d[k] <= '9'))) {
                ++k;
                while (k < n && d[k] >= '0' && d[k] <= '9') ++k;
            }
            const int param = d.mid(j, k - j).toInt();
            if (k < n && d[k] == ' ') ++k;
            i = k;
            if (word.isEmpty()) continue;  // a control symbol such as \~ or \-
            if (isSkippedDestination(word)) g.skip = true;
            if (g.skip) continue;
            if (word == "par" || word == "line") out += QLatin1Char('\n');
            else if (word == "tab") out += QLatin1Char('\t');
            else if (word == "uc") g.uc = param;
            else if (word == "u") {
                out += QChar(char16_t(param < 0 ? param + 65536 : param));
                pendingSkip = g.uc;
            }
            continue;
        }
        if (c == '\r' || c == '\n') {
            ++i;
            continue;
        }
        if (!g.skip) {
            if (pendingSkip > 0) --pendingSkip;
            else out += QChar(char16_t(uchar(c)));
        }
        ++i;
    }
    return out;
}

}  // namespace

QString recoverPlainText(const QByteArray& data) {
    if (data.startsWith("{\\rtf")) return recoverFromRtf(data);
    const qsizetype rtf = data.indexOf("{\\rtf");
    if (data.startsWith("rtfd") && rtf >= 0) return recoverFromRtf(data.mid(rtf));
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8(data);
    if (utf8.hasError()) return {};
    return text;
}

void addTextColorWhereMissing(ts::AttributedString& text) {
    // One pass over the runs: a text of many runs is read in time linear in
    // their number, and texts that look alike share the coloured sets.
    text.addAttributeWhereMissing(ts::AttributeName::ForegroundColor, ts::Value(ts::Color::textColor()));
}

}  // namespace TSTextHelpers
