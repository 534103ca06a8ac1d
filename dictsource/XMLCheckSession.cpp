#include "dictsource/XMLCheckSession.h"

#include "dictsource/XMLFileChecker.h"

namespace {

const QString kEntryStart = QStringLiteral("<entryFree");
const QString kEntryEnd = QStringLiteral("</entryFree>");

QRegularExpression caseless(const QString& pattern) {
    return QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption);
}

// Deletes a stretch and keeps the spans on the characters they coloured.
void erase(XMLCheckSession::ColouredText& t, qsizetype pos, qsizetype n) {
    t.text.remove(pos, n);
    for (auto& s : t.spans) {
        const qsizetype end = s.start + s.length;
        const qsizetype cutStart = qMax(s.start, pos), cutEnd = qMin(end, pos + n);
        if (cutEnd > cutStart) s.length -= cutEnd - cutStart;
        if (s.start >= pos + n) s.start -= n;
        else if (s.start > pos) s.start = pos;
    }
}

void removeTag(XMLCheckSession::ColouredText& t, const QString& name, XMLCheckSession::Colour colour) {
    const QString open = QStringLiteral("<%1>").arg(name), close = QStringLiteral("</%1>").arg(name);
    for (;;) {
        const qsizetype o = t.text.indexOf(open), c = t.text.indexOf(close);
        if (o < 0 || c < 0 || c <= o) return;
        t.spans.push_back({o + open.size(), c - o - open.size(), colour});
        erase(t, c, close.size());
        erase(t, o, open.size());
    }
}

void removeVariableTag(XMLCheckSession::ColouredText& t, const QString& name, XMLCheckSession::Colour colour) {
    const QRegularExpression open = caseless(QStringLiteral("<%1(.*?)>").arg(name));
    const QString close = QStringLiteral("</%1>").arg(name);
    for (;;) {
        const auto m = open.match(t.text);
        const qsizetype c = t.text.indexOf(close);
        if (!m.hasMatch() || c < 0 || c <= m.capturedStart()) return;
        t.spans.push_back({m.capturedEnd(), c - m.capturedEnd(), colour});
        erase(t, c, close.size());
        erase(t, m.capturedStart(), m.capturedLength());
    }
}

}  // namespace

bool XMLCheckSession::load(const QString& path, QString* error) {
    auto file = SourceTextFile::read(path, error);
    if (!file) return false;
    setFileText(file->text, path, file->encoding);
    return true;
}

void XMLCheckSession::setFileText(const QString& text, const QString& path, SourceTextFile::Encoding encoding) {
    fileString_ = text;
    path_ = path;
    encoding_ = encoding;
    loaded_ = true;
    dirty_ = false;
}

bool XMLCheckSession::setSearchAndReplaceStrings(const SourceRegex::ReplacementList& list, QString* error) {
    if (list.lengthMismatch) {
        if (error) *error = QStringLiteral("search and replace not same length");
        return false;
    }
    const auto pairs = list.pairs();
    if (pairs.empty()) {
        if (error) *error = QStringLiteral("no search pattern");
        return false;
    }
    return setSearchAndReplace(list.search.at(pairs.front()), list.replace.at(pairs.front()), error);
}

bool XMLCheckSession::setSearchAndReplace(const QString& search, const QString& replace, QString* error) {
    searchString_ = search;
    replaceString_ = replace;
    QString why;
    regex_ = SourceRegex::compile(search, &why);
    if (!regex_ && error) *error = QStringLiteral("Unable to make regex %1").arg(why);
    return regex_.has_value();
}

TextRange XMLCheckSession::entryStretch(TextRange range, const QString& text) {
    if (!range.found() || range.end() > text.size()) return {};
    qsizetype begin = text.lastIndexOf(kEntryStart, range.location);
    if (begin < 0) begin = 0;
    qsizetype end = text.size();
    const qsizetype firstSense = text.indexOf(QStringLiteral("</sense"), range.end());
    if (firstSense >= 0) {
        const qsizetype secondSense = text.indexOf(QStringLiteral("</sense"), firstSense + 7);
        if (secondSense >= 0) end = secondSense;
    }
    const qsizetype entryEnd = text.indexOf(QStringLiteral("</entryFree"), range.end());
    if (entryEnd >= 0 && entryEnd < end) end = entryEnd;
    return {begin, end - begin};
}

bool XMLCheckSession::startCheck() {
    if (!loaded_ || !regex_ || !lastRange_.found()) return false;
    qsizetype from = lastRange_.end();
    if (resumeFrom_) from = *resumeFrom_;
    // An empty match would be found again at the same place.
    else if (lastRange_.length == 0 && displayed_.found()) ++from;
    resumeFrom_.reset();
    const QRegularExpressionMatch m = from <= fileString_.size() ? regex_->match(fileString_, from)
                                                                 : QRegularExpressionMatch();
    if (!m.hasMatch()) {
        lastRange_ = {};
        return false;
    }
    showRange({m.capturedStart(), m.capturedLength()});
    substring_ = m.captured(0);
    suggested_ = SourceRegex::replaceAll(*regex_, rawEntry_, replaceString_);
    return true;
}

void XMLCheckSession::showRange(TextRange range) {
    lastRange_ = range;
    resumeFrom_.reset();
    displayed_ = entryStretch(range, fileString_);
    rawEntry_ = displayed_.found() ? fileString_.mid(displayed_.location, displayed_.length) : QString();
}

QString XMLCheckSession::replacedMatch() const {
    return regex_ ? SourceRegex::replaceAll(*regex_, substring_, replaceString_) : substring_;
}

TextRange XMLCheckSession::matchInRawEntry() const {
    if (!regex_) return {};
    const auto m = regex_->match(rawEntry_);
    return m.hasMatch() ? TextRange{m.capturedStart(), m.capturedLength()} : TextRange{};
}

QString XMLCheckSession::humanString() const {
    if (!lastRange_.found()) return {};
    qsizetype begin = fileString_.lastIndexOf(kEntryStart, lastRange_.location);
    if (begin < 0) begin = 0;
    qsizetype end = fileString_.indexOf(QStringLiteral("</sense"), lastRange_.end());
    if (end < 0) end = fileString_.size();
    return fileString_.mid(begin, end - begin);
}

QString XMLCheckSession::cleanedHumanString() const {
    const QString human = humanString();
    return regex_ ? SourceRegex::replaceAll(*regex_, human, replaceString_) : human;
}

QString XMLCheckSession::curEntryString(const QString& changed) const {
    if (!lastRange_.found() || !displayed_.found()) return {};
    const qsizetype begin = fileString_.lastIndexOf(kEntryStart, lastRange_.location);
    if (begin < 0 || begin > displayed_.location) return {};
    // Only the entry is put together: what stands before the shown stretch,
    // the edited stretch, and the file up to the entry's end after it.
    QString entry = fileString_.mid(begin, displayed_.location - begin) + changed;
    const qsizetype tailEnd = fileString_.indexOf(kEntryEnd, displayed_.end());
    entry += QStringView(fileString_).mid(displayed_.end(),
                                          (tailEnd < 0 ? fileString_.size() : tailEnd + kEntryEnd.size()) -
                                              displayed_.end());
    // Entries do not nest, so the entry ends at the first end tag after its
    // start; the match's old position may lie past it once an edit shortened
    // the text.
    const qsizetype end = entry.indexOf(kEntryEnd);
    if (end < 0) return {};
    entry.truncate(end + kEntryEnd.size());
    return entry;
}

QString XMLCheckSession::key(const QString& text) {
    static const QRegularExpression regex = caseless(QStringLiteral("key=\"(.*?)\""));
    const auto m = regex.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

bool XMLCheckSession::checkForErrors(const QString& changed, QString* error) const {
    const QString entry = curEntryString(changed);
    if (key(entry).isNull()) {
        if (error) *error = QStringLiteral("no current entry");
        return false;
    }
    return SourceRegex::isWellFormed(entry, error);
}

XMLCheckSession::AcceptResult XMLCheckSession::insertEditedText(const QString& changed, QString* error) {
    if (!displayed_.found() || rawEntry_.isEmpty()) return AcceptResult::NoEntry;
    if (displayed_.end() > fileString_.size() ||
        QStringView(fileString_).mid(displayed_.location, displayed_.length) != rawEntry_) {
        if (error) *error = QStringLiteral("the file text no longer holds the entry shown");
        return AcceptResult::Moved;
    }
    // An entry without a key is no entry to accept; nobody is asked about it.
    if (key(curEntryString(changed)).isNull()) return AcceptResult::NoEntry;
    if (!checkForErrors(changed, error)) return AcceptResult::Malformed;
    fileString_.replace(displayed_.location, displayed_.length, changed);
    const qsizetype delta = changed.size() - displayed_.length;
    // The match lay inside the replaced stretch: resume where its end moved to.
    if (lastRange_.found()) resumeFrom_ = qMax(displayed_.location, lastRange_.end() + delta);
    displayed_.length = changed.size();
    rawEntry_ = changed;
    dirty_ = true;
    return AcceptResult::Accepted;
}

std::optional<QString> XMLCheckSession::removeFirstSense(const QString& text) {
    static const QRegularExpression open = caseless(QStringLiteral("<sense(.*?)>"));
    static const QRegularExpression close = caseless(QStringLiteral("</sense>"));
    QString copy = text;
    const auto o = open.match(copy);
    if (!o.hasMatch()) return std::nullopt;
    copy.remove(o.capturedStart(), o.capturedLength());
    const auto c = close.match(copy);
    if (!c.hasMatch()) return std::nullopt;
    copy.remove(c.capturedStart(), c.capturedLength());
    return copy;
}

std::optional<QString> XMLCheckSession::insertUnknownTrans(const QString& text) {
    const qsizetype at = text.indexOf(QLatin1String("<sense"));
    if (at < 0) return std::nullopt;
    QString copy = text;
    copy.insert(at, QLatin1String("<pos>u</pos>"));
    return copy;
}

bool XMLCheckSession::saveFileString(QString* error) {
    if (!loaded_) return false;
    if (!SourceTextFile::write(path_, fileString_, encoding_, error)) return false;
    dirty_ = false;
    return true;
}

DictionaryEntryPtr XMLCheckSession::nextMalformed(const DictionaryEntryList& words, const DictionaryEntryPtr& after) {
    size_t i = 0;
    if (after) {
        while (i < words.size() && words[i] != after) ++i;
        if (i == words.size()) return nullptr;
        ++i;
    }
    for (; i < words.size(); ++i)
        if (words[i] && words[i]->type() == 1 && words[i]->gender() == 0) return words[i];
    return nullptr;
}

bool XMLCheckSession::showEntry(const DictionaryEntryPtr& entry) {
    if (!entry || !loaded_) return false;
    const QString anchor = QStringLiteral("key=\"%1\"").arg(entry->key());
    const qsizetype at = fileString_.indexOf(anchor);
    if (at < 0) return false;
    showRange({at, anchor.size()});
    substring_.clear();
    suggested_ = rawEntry_;
    findingMalformed_ = true;
    return true;
}

qsizetype XMLCheckSession::countMatches(const QRegularExpression& regex, const QString& text) {
    return SourceRegex::countMatches(regex, text);
}

XMLCheckSession::ColouredText XMLCheckSession::makeColouredHumanReadableString(const QString& string) {
    static const std::pair<const char*, const char*> literal[] = {
        {"</bibl>", ""}, {"</quote>", ""}, {"<cit>", ""},   {"</cit>", ""},     {"<tr>", ""},     {"</tr>", ""},
        {"<trans>", ""}, {"</trans>", " "}, {"<number>", ""}, {"</number>", " "}, {"<lbl>", ""},   {"</lbl>", " "},
        {"<xr>", ""},    {"</xr>", ""},    {"</ref>", ""},  {"</usg>", " "},    {"</cb>", ""},    {"</pb>", ""},
    };
    static const std::vector<std::pair<QRegularExpression, QString>> patterns = [] {
        const std::pair<const char*, const char*> table[] = {
            {"<bibl(.*?)>", ""}, {"<sense(.*?)>", "\n<sense>"}, {"<quote(.*?)>", ""}, {"<usg(.*?)>", ""},
            {"<ref(.*?)>", ""},  {"<cb(.*?)>", ""},             {"<pb(.*?)>", ""},    {"<entryFree(.*?)>", " "},
        };
        std::vector<std::pair<QRegularExpression, QString>> out;
        for (const auto& [p, r] : table) out.emplace_back(caseless(QString::fromLatin1(p)), QString::fromLatin1(r));
        return out;
    }();
    ColouredText t;
    t.text = string;
    for (const auto& [from, to] : literal) t.text.replace(QLatin1String(from), QLatin1String(to));
    for (const auto& [regex, to] : patterns) t.text = SourceRegex::replaceAll(regex, t.text, to);
    removeTag(t, QStringLiteral("itype"), Colour::Purple);
    removeTag(t, QStringLiteral("pos"), Colour::Red);
    removeTag(t, QStringLiteral("gen"), Colour::Orange);
    removeTag(t, QStringLiteral("etym"), Colour::Brown);
    removeTag(t, QStringLiteral("case"), Colour::Gray);
    removeTag(t, QStringLiteral("syn"), Colour::Syn);
    removeTag(t, QStringLiteral("ant"), Colour::Ant);
    removeVariableTag(t, QStringLiteral("orth"), Colour::Orth);
    for (const char* p : {"<sense(.*?)>", "</sense>"}) {
        const auto m = caseless(QString::fromLatin1(p)).match(t.text);
        if (m.hasMatch()) t.spans.push_back({m.capturedStart(), m.capturedLength(), Colour::Blue});
    }
    return t;
}
