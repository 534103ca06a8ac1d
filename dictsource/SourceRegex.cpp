#include "dictsource/SourceRegex.h"

#include "dictionaries/DictionaryServices.h"
#include "dictsource/SourceTextFile.h"
#include "dictsource/XMLFileChecker.h"

namespace SourceRegex {

std::optional<QRegularExpression> compile(const QString& pattern, QString* error) {
    QRegularExpression regex(pattern, QRegularExpression::CaseInsensitiveOption);
    if (!regex.isValid()) {
        if (error) *error = QStringLiteral("%1 at offset %2").arg(regex.errorString()).arg(regex.patternErrorOffset());
        return std::nullopt;
    }
    return regex;
}

QString expandTemplate(const QRegularExpressionMatch& match, const QString& templ) {
    QString out;
    out.reserve(templ.size() + 16);
    const qsizetype n = templ.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = templ.at(i);
        if (c == QLatin1Char('\\') && i + 1 < n) {
            out += templ.at(++i);
        } else if (c == QLatin1Char('$') && i + 1 < n && templ.at(i + 1) >= QLatin1Char('0') &&
                   templ.at(i + 1) <= QLatin1Char('9')) {
            const int group = templ.at(++i).digitValue();
            if (group <= match.lastCapturedIndex()) out += match.capturedView(group);
        } else {
            out += c;
        }
    }
    return out;
}

QString replaceAll(const QRegularExpression& regex, const QString& text, const QString& templ, qsizetype* count) {
    QString out;
    qsizetype last = 0, n = 0;
    auto it = regex.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (n == 0) out.reserve(text.size());
        out += QStringView(text).mid(last, m.capturedStart() - last);
        out += expandTemplate(m, templ);
        last = m.capturedEnd();
        ++n;
    }
    if (count) *count = n;
    if (n == 0) return text;
    out += QStringView(text).mid(last);
    return out;
}

QString replaceInMatch(const QRegularExpression& regex, const QString& matched, const QString& templ) {
    return replaceAll(regex, matched, templ);
}

qsizetype countMatches(const QRegularExpression& regex, const QString& text) {
    qsizetype n = 0;
    auto it = regex.globalMatch(text);
    while (it.hasNext()) {
        it.next();
        ++n;
    }
    return n;
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c == 0x0A || c == 0x0D || c == 0x0B || c == 0x0C || c == 0x85 || c == 0x2028 || c == 0x2029) {
            lines.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    lines.append(text.mid(start));
    return lines;
}

std::vector<qsizetype> ReplacementList::pairs() const {
    std::vector<qsizetype> out;
    if (lengthMismatch) return out;
    for (qsizetype i = 0; i < search.size(); ++i)
        if (!search.at(i).startsWith(QLatin1String("//"))) out.push_back(i);
    return out;
}

namespace {

QStringList linesOf(const QString& path) {
    if (path.isEmpty()) return {};
    auto text = SourceTextFile::read(path);
    if (!text) return {};
    return splitLines(text->text);
}

}  // namespace

ReplacementList readReplacementList(const QString& findPath, const QString& replacePath) {
    ReplacementList list;
    for (const QString& line : linesOf(findPath))
        if (!line.isEmpty()) list.search.append(line);
    if (list.search.isEmpty()) return list;
    list.replace = linesOf(replacePath);
    list.lengthMismatch = list.search.size() > list.replace.size();
    return list;
}

ReplacementList readReplacementList() {
    return readReplacementList(DictionaryServices::resource(QStringLiteral("Find"), QStringLiteral("txt")),
                               DictionaryServices::resource(QStringLiteral("Replace"), QStringLiteral("txt")));
}

TextRange entryRange(const QString& text, qsizetype position) {
    if (position < 0 || position > text.size()) return {};
    static const QString start = QStringLiteral("<entryFree");
    static const QString end = QStringLiteral("</entryFree>");
    // An anchor that is itself the start of "<entryFree" belongs to that entry.
    const qsizetype from = text.lastIndexOf(start, qMin(position, text.size() - 1));
    if (from < 0) return {};
    const qsizetype to = text.indexOf(end, position);
    if (to < 0) return {};
    return {from, to + end.size() - from};
}

bool isWellFormed(const QString& text, QString* error) {
    XMLFileChecker checker;
    const bool ok = checker.check(text);
    if (!ok && error && checker.error()) *error = checker.error()->description();
    return ok;
}

}  // namespace SourceRegex
