// Tools that rewrite the raw text of the Lewis and Short source rather than
// parse it: entities, the Find/Replace list (batch or confirmed), the itype
// pass, Greek Beta Code in place, and the readable form of an entry.
#include "dictsource/NBSourceLSParser.h"

#include "dictionaries/DictionaryServices.h"

#include <QElapsedTimer>
#include <QRegularExpression>

#include <algorithm>
#include <mutex>

namespace {

std::mutex& skippedMutex() {
    static std::mutex m;
    return m;
}

}  // namespace

QSet<QString>& NBSourceLSParser::skippedITypes() {
    static QSet<QString> set;
    return set;
}

void NBSourceLSParser::removeExternalEncodings(QString& string) {
    const QHash<QString, QString>& table = lookupList();
    for (auto it = table.constBegin(); it != table.constEnd(); ++it) {
        const QString entity = QLatin1Char('&') + it.key() + QLatin1Char(';');
        const qsizetype count = string.count(entity);
        if (count) string.replace(entity, it.value());
        DSLog("%li replacements for entity %@", qint64(count), it.value());
    }
}

QString NBSourceLSParser::doNewRegexReplace(const QString& pattern, const QString& templ, const QString& string) {
    QString error;
    auto regex = SourceRegex::compile(pattern, &error);
    if (!regex) {
        DSLog("Error %@ making regexString:\n%@", error, pattern);
        return string;
    }
    return SourceRegex::replaceAll(*regex, string, templ);
}

void NBSourceLSParser::doRegexReplace(const QString& pattern, const QString& templ, QString& string) {
    string = doNewRegexReplace(pattern, templ, string);
}

QString NBSourceLSParser::doRegexReplaceInString(const QString& string) {
    const SourceRegex::ReplacementList list = SourceRegex::readReplacementList();
    if (list.lengthMismatch) {
        DSLog("search and replace not same length");
        return string;
    }
    QString result = string;
    for (qsizetype i : list.pairs()) result = doNewRegexReplace(list.search.at(i), list.replace.at(i), result);
    return result;
}

QString NBSourceLSParser::fixOtherEncodings(const QString& string) {
    return doRegexReplaceInString(string);
}

bool NBSourceLSParser::checkReplacement(const QString& matched, const QString& replacement, QString& string,
                                        TextRange range, bool* stop) {
    if (stop) *stop = false;
    DeveloperQuestion question;
    question.message = QStringLiteral("Replace");
    question.informativeText = matched;
    question.editableText = replacement;
    question.buttons = {QStringLiteral("Skip"), QStringLiteral("Replace"), QStringLiteral("Stop")};
    const int button = developerPrompt()->ask(question).button;
    switch (button) {
    case 0: return false;
    case 1:
        // The match is replaced only where it still stands.
        if (!range.found() || range.end() > string.size() ||
            QStringView(string).mid(range.location, range.length) != matched) {
            DSLog("Replace: the text at %li is no longer %@", qint64(range.location), matched);
            return false;
        }
        string.replace(range.location, range.length, replacement);
        return true;
    case 2:
        if (stop) *stop = true;
        return false;
    default: DSLog("button not handled %li", qint64(1000 + button)); return false;
    }
}

QString& NBSourceLSParser::doManualRegexReplace(const QString& pattern, const QString& templ, QString& string) {
    QString error;
    auto regex = SourceRegex::compile(pattern, &error);
    if (!regex) {
        DSLog("Error %@ making regexString:\n%@", error, pattern);
        return string;
    }
    std::vector<TextRange> matches;
    auto it = regex->globalMatch(string);
    while (it.hasNext()) {
        const auto m = it.next();
        matches.push_back({m.capturedStart(), m.capturedLength()});
    }
    DSLog("%li matches", qint64(matches.size()));
    qsizetype shift = 0;
    const size_t limit = std::min<size_t>(matches.size(), 20);
    for (size_t i = 0; i < limit; ++i) {
        const TextRange range{matches[i].location + shift, matches[i].length};
        const QString matched = string.mid(range.location, range.length);
        if (matched.contains(QLatin1String("</sense>"))) continue;
        const QString proposal = SourceRegex::replaceInMatch(*regex, matched, templ);
        bool stop = false;
        if (checkReplacement(matched, proposal, string, range, &stop)) {
            shift += proposal.size() - range.length;
        } else {
            if (stop) break;
            DSLog("NOT REPLACED\n%@\n%@", matched, proposal);
        }
    }
    return string;
}

QString NBSourceLSParser::checkReplaceInString(QString& string) {
    const SourceRegex::ReplacementList list = SourceRegex::readReplacementList();
    if (list.lengthMismatch) {
        DSLog("search and replace not same length");
        return string;
    }
    for (qsizetype i : list.pairs()) doManualRegexReplace(list.search.at(i), list.replace.at(i), string);
    return string;
}

void NBSourceLSParser::testMutStringReplace() {
    const QString findPath = DictionaryServices::resource(QStringLiteral("Find"), QStringLiteral("txt"));
    const QString replacePath = DictionaryServices::resource(QStringLiteral("Replace"), QStringLiteral("txt"));
    const QString testPath = DictionaryServices::resource(QStringLiteral("Test"), QStringLiteral("txt"));
    const SourceRegex::ReplacementList list = SourceRegex::readReplacementList(findPath, replacePath);
    auto test = SourceTextFile::read(testPath);
    auto replaceFile = SourceTextFile::read(replacePath);
    if (list.search.size() < 5 || list.replace.size() < 5 || !test || !replaceFile) {
        DSLog("testMutStringReplace: the search, replacement or test file is missing or short");
        return;
    }
    QString error;
    auto regex = SourceRegex::compile(list.search.at(4), &error);
    if (!regex) {
        DSLog("Error %@ making regexString:\n%@", error, list.search.at(4));
        return;
    }
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 1000; ++i) {
        QString copy = test->text;
        copy = SourceRegex::replaceAll(*regex, copy, list.replace.at(4));
    }
    DSLog("Old %0.3f", timer.elapsed() / 1000.0);
    timer.restart();
    QString chained = test->text;
    for (int i = 0; i < 1000; ++i) chained = SourceRegex::replaceAll(*regex, chained, replaceFile->text);
    DSLog("New %0.3f", timer.elapsed() / 1000.0);
}

bool NBSourceLSParser::parseMatches(const std::vector<TextRange>& matches, QString& string) {
    for (const TextRange& range : matches) {
        if (range.end() > string.size()) continue;
        QString text = string.mid(range.location, range.length);
        text.remove(QStringLiteral("<itype>"));
        text.remove(QStringLiteral("</itype>"));
        {
            std::lock_guard<std::mutex> lock(skippedMutex());
            if (skippedITypes().contains(text)) continue;
        }
        bool skip = false;
        if (parseMatch(text, string, range, &skip, QString())) return true;
        if (!skip) return false;
        std::lock_guard<std::mutex> lock(skippedMutex());
        skippedITypes().insert(text);
    }
    return false;
}

void NBSourceLSParser::testItype(QString& string) {
    const QString findPath = DictionaryServices::resource(QStringLiteral("Find"), QStringLiteral("txt"));
    auto find = SourceTextFile::read(findPath);
    const QStringList lines = find ? SourceRegex::splitLines(find->text) : QStringList();
    if (lines.size() < 10) {
        DSLog("testItype: the search file has no tenth line");
        return;
    }
    QString error;
    auto regex = SourceRegex::compile(lines.at(9), &error);
    if (!regex) {
        DSLog("Error %@ making regexString:\n%@", error, lines.at(9));
        return;
    }
    for (;;) {
        std::vector<TextRange> matches;
        auto it = regex->globalMatch(string);
        while (it.hasNext()) {
            const auto m = it.next();
            matches.push_back({m.capturedStart(), m.capturedLength()});
        }
        std::stable_sort(matches.begin(), matches.end(),
                         [](const TextRange& a, const TextRange& b) { return a.length > b.length; });
        const QString before = string;
        if (parseMatches(matches, string)) return;
        // A pass that changed nothing asked nothing: every match was skipped.
        if (string == before) return;
    }
}

QString NBSourceLSParser::makeStringHumanReadable(const QString& string) {
    static const std::pair<const char*, const char*> literal[] = {
        {"</bibl>", ""},   {"</quote>", ""}, {"<cit>", ""},    {"</cit>", ""},    {"<tr>", ""},     {"</tr>", ""},
        {"<trans>", ""},   {"</trans>", " "}, {"<number>", ""}, {"</number>", " "}, {"<itype>", ""}, {"</itype>", " "},
        {"<pos>", ""},     {"</pos>", " "},  {"<case>", ""},   {"</case>", " "},  {"<gen>", ""},    {"</gen>", " "},
        {"<etym>", ""},    {"</etym>", " "}, {"<lbl>", ""},    {"</lbl>", " "},   {"<xr>", ""},     {"</xr>", ""},
        {"</ref>", ""},    {"</usg>", " "},  {"</cb>", ""},    {"</pb>", ""},     {"</orth>", " "},
    };
    static const std::vector<std::pair<QRegularExpression, QString>> patterns = [] {
        const std::pair<const char*, const char*> table[] = {
            {"<bibl(.*?)>", ""}, {"<sense(.*?)>", "\n<sense>"}, {"<quote(.*?)>", ""}, {"<usg(.*?)>", ""},
            {"<ref(.*?)>", ""},  {"<cb(.*?)>", ""},             {"<pb(.*?)>", ""},    {"<entryFree(.*?)>", " "},
            {"<orth(.*?)>", ""},
        };
        std::vector<std::pair<QRegularExpression, QString>> out;
        for (const auto& [p, r] : table)
            out.emplace_back(QRegularExpression(QString::fromLatin1(p), QRegularExpression::CaseInsensitiveOption),
                             QString::fromLatin1(r));
        return out;
    }();
    QString text = string;
    for (const auto& [from, to] : literal) text.replace(QLatin1String(from), QLatin1String(to));
    for (const auto& [regex, to] : patterns) text = SourceRegex::replaceAll(regex, text, to);
    return text;
}

void NBSourceLSParser::insertGreek(QString& string) {
    static const QRegularExpression regex(QStringLiteral("<foreign lang=\"greek\">(.*?)</foreign>"),
                                          QRegularExpression::CaseInsensitiveOption);
    const qsizetype total = SourceRegex::countMatches(regex, string);
    qsizetype number = 0;
    qsizetype from = 0;
    QElapsedTimer sinceLog;
    for (;;) {
        const QRegularExpressionMatch m = regex.match(string, from);
        if (!m.hasMatch()) break;
        ++number;
        if (number == 1 || sinceLog.elapsed() > 1000) {
            DSLog("%li of %li", qint64(number), qint64(total));
            sinceLog.start();
        }
        const QString greek = convertBetacode(m.captured(1));
        string.replace(m.capturedStart(), m.capturedLength(), greek);
        from = m.capturedStart();
    }
}
