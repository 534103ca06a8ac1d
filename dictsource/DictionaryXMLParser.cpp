#include "dictsource/DictionaryXMLParser.h"

#include "app/logging/LGLog.h"
#include "dictionaries/TSDictionary.h"
#include "platform/NotificationCenter.h"

#include <algorithm>


namespace {

const QString kEmDash = QStringLiteral("\u2014");

bool byLengthThenText(const QString& a, const QString& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

}  // namespace

DictionaryXMLParser::DictionaryXMLParser() = default;
DictionaryXMLParser::~DictionaryXMLParser() = default;

// ---- Result ----

ts::Value DictionaryXMLParser::data() const {
    if (!resultStarted_) return ts::Value();
    ts::ValueDictionary result = stored_;
    ts::ValueArray entries;
    entries.reserve(allEntries_.size());
    for (const auto& e : allEntries_) entries.emplace_back(ts::ObjectPtr(e));
    result[TSDictionary::kEntriesKey] = ts::Value(std::move(entries));
    return ts::Value(std::move(result));
}

DictionaryEntryList& DictionaryXMLParser::allEntries() {
    resultStarted_ = true;
    return allEntries_;
}

void DictionaryXMLParser::setStoredValue(const QString& key, const ts::Value& value) {
    resultStarted_ = true;
    if (key == TSDictionary::kEntriesKey) return;  // the entry list is the one source of "Entries"
    if (value.isNull()) stored_.erase(key);
    else stored_[key] = value;
}

ts::Value DictionaryXMLParser::storedValue(const QString& key) const {
    auto it = stored_.find(key);
    return it == stored_.end() ? ts::Value() : it->second;
}

// ---- Buffers ----

QString DictionaryXMLParser::trimmed(const QString& s, QStringView set) {
    // The sets are a few characters; a plain loop beats a string search.
    auto inSet = [set](QChar c) {
        for (const QChar m : set)
            if (m == c) return true;
        return false;
    };
    qsizetype begin = 0, end = s.size();
    while (begin < end && inSet(s.at(begin))) ++begin;
    while (end > begin && inSet(s.at(end - 1))) --end;
    if (begin == 0 && end == s.size()) return s;
    return s.mid(begin, end - begin);
}

QString DictionaryXMLParser::cleanedString() const { return trimmed(curString_, u", "); }

// ---- Notes and the developer aid ----

DictionaryEntryPtr DictionaryXMLParser::addNote(const QString& text) {
    const QString note = trimMultilineString(text);
    if (note.isEmpty() || !curEntry_) return nullptr;
    auto entry = DictionaryEntry::make(note, DictionaryEntry::Note);
    curEntry_->addChild(entry);
    return entry;
}

void DictionaryXMLParser::addScratchString(const QString& string) {
    if (string.isEmpty()) return;
    exceptionOccurences_[string] += 1;
    scratchSet_.insert(string);
}

QString DictionaryXMLParser::logToDictionary(const QString& string) {
    ts::NotificationCenter::defaultCenter().post(QStringLiteral("NEW EL entry"), curEntry_.get());
    if (string.isNull()) return QString();
    addScratchString(string);
    return string + QStringLiteral("*#*");
}

void DictionaryXMLParser::logNoteToDictionary(const QString& string) { addNote(logToDictionary(string)); }

bool DictionaryXMLParser::writeToPasteBoard(const QString& string) {
    return developerSink()->writeToPasteBoard(string);
}

void DictionaryXMLParser::outputScratchSet() {
    QStringList sortedScratch(scratchSet_.begin(), scratchSet_.end());
    std::sort(sortedScratch.begin(), sortedScratch.end(), byLengthThenText);

    QStringList hyphenList, sourceList;
    for (const QString& s : sortedScratch) {
        if (stringBeginsWithHyphen(s)) hyphenList << s;
        else addLine(s, hyphenList, sourceList);
    }
    sourceList.removeDuplicates();
    std::sort(sourceList.begin(), sourceList.end(), byLengthThenText);

    QString text;
    addArray(sourceList, text);
    text += QStringLiteral("\n\n");
    addArray(hyphenList, text);
    text += QStringLiteral("\n\n");
    addArray(sortedScratch, text);
    std::sort(sortedScratch.begin(), sortedScratch.end());
    addExceptionsProcedure(sortedScratch, text);
    addExceptionsCount(exceptionOccurences_, text);
    text += QStringLiteral("\n\nTreated Set\n");
    QStringList treated(treatedSet_.begin(), treatedSet_.end());
    std::sort(treated.begin(), treated.end());
    addArray(treated, text);
    writeToPasteBoard(text);
}

// ---- Text helpers ----

QString DictionaryXMLParser::collapseWhiteSpace(const QString& text) {
    bool needed = false;
    for (qsizetype i = 0; i < text.size() && !needed; ++i) {
        const QChar c = text.at(i);
        if (c == u' ') needed = i + 1 < text.size() && isLayoutSpace(text.at(i + 1));
        else needed = isLayoutSpace(c);
    }
    if (!needed) return text;
    QString out;
    out.reserve(text.size());
    appendCollapsed(out, text);
    return out;
}

void DictionaryXMLParser::appendCollapsed(QString& buffer, QStringView text, bool dropCarets) {
    // One pass: runs of kept characters (single blanks included) are copied
    // whole; a tab, a line end, a second blank or a caret ends a run, and a
    // blank stands for the white space that follows.
    bool blank = !buffer.isEmpty() && buffer.back() == u' ';
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c > u' ' && c != u'^') {
            blank = false;
            continue;
        }
        if (c == u' ' && !blank) {
            blank = true;
            continue;
        }
        const bool layout = isLayoutSpace(QChar(c));
        if (!layout && !(c == u'^' && dropCarets)) {
            blank = false;
            continue;
        }
        if (i > start) buffer.append(text.mid(start, i - start));
        if (layout && !blank) {
            buffer += QLatin1Char(' ');
            blank = true;
        }
        start = i + 1;
    }
    if (start == 0) buffer.append(text);
    else if (n > start) buffer.append(text.mid(start, n - start));
}

QString DictionaryXMLParser::trimMultilineString(const QString& string) {
    QString s = trimmed(string, u", ");
    const bool dash = s.startsWith(kEmDash);
    if (dash) s.remove(kEmDash);
    s = trimmed(s, u" \t");
    if (dash) s.prepend(kEmDash);
    return s;
}

bool DictionaryXMLParser::stringBeginsWithHyphen(const QString& string) {
    if (string.isEmpty()) return false;
    const QChar c = string.at(0);
    return c == QLatin1Char('-') || c == QChar(0x2014);
}

void DictionaryXMLParser::addArray(const QStringList& array, QString& string) {
    for (const QString& item : array) string += item + QLatin1Char('\n');
    string += QStringLiteral(
        "+(NSSet*)exceptionSet\n{\n static NSSet   *set = nil;\n if (nil == set) {\nset = [NSSet setWithObjects:");
    for (const QString& item : array) string += QStringLiteral("@\"") + item + QStringLiteral("\", ");
    string += QStringLiteral("nil];\n}\nreturn set;\n}");
}

void DictionaryXMLParser::addExceptionsProcedure(const QStringList& array, QString& string) {
    string += QStringLiteral("\n\n-(void)parseExceptions:(NSString*)string\n{");
    bool first = true;
    for (const QString& item : array) {
        string += first ? QStringLiteral("\nif ([@\"") : QStringLiteral("\nelse if ([@\"");
        string += item + QStringLiteral("\" isEqualToString:string]) {\n[self logNoteToDictionary:string];\n}");
        first = false;
    }
    string += QStringLiteral("\n}\n\n");
}

void DictionaryXMLParser::addLine(const QString& line, QStringList& hyphenArray, QStringList& sourceArray) {
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line.at(i) == QLatin1Char('-') || line.at(i) == QChar(0x2014)) {
            const QString piece = line.mid(start, i - start);
            if (!piece.isEmpty() && piece != QLatin1String(" ")) pieces << piece;
            start = i + 1;
        }
    }
    if (pieces.isEmpty()) return;
    sourceArray << pieces.first();
    for (qsizetype i = 1; i < pieces.size(); ++i) hyphenArray << kEmDash + pieces.at(i);
}

void DictionaryXMLParser::addExceptionsCount(const QHash<QString, qint64>& counts, QString& string) {
    std::vector<std::pair<QString, qint64>> sorted;
    sorted.reserve(size_t(counts.size()));
    for (auto it = counts.begin(); it != counts.end(); ++it) sorted.emplace_back(it.key(), it.value());
    std::stable_sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
        if (a.second != b.second) return a.second > b.second;
        return a.first < b.first;
    });
    string += QStringLiteral("\n\n");
    constexpr size_t kMaxLines = 501;
    for (size_t i = 0; i < sorted.size() && i < kMaxLines; ++i)
        string += QStringLiteral("\n%1\t%2").arg(sorted[i].first).arg(sorted[i].second);
    if (sorted.size() > kMaxLines - 1) string += QStringLiteral("\nClipped...");
}

// ---- Seams ----

void DictionaryXMLParser::setLogSink(LogSink sink, bool discardAll) {
    logSink_ = std::move(sink);
    discardLogs_ = discardAll;
}

void DictionaryXMLParser::logText(const char* file, const char* function, int line, const QString& text) const {
    if (discardLogs_) return;
    if (logSink_) logSink_(file, function, line, text);
    else LGLog::logMessage(false, text, 3, 1, 0, file, function, quint64(line), nullptr);
}

// ---- Parser events ----

bool DictionaryXMLParser::firstUnknownElement(const QString& name) {
    return ++unknownElements_[name] == 1;
}

void DictionaryXMLParser::reset() {
    RKXMLFileParser::reset();
    unknownElements_.clear();
    documentEnded_ = false;
    parseError_.reset();
}

void DictionaryXMLParser::parserDidEndDocument(ts::XMLEventParser& parser) {
    RKXMLFileParser::parserDidEndDocument(parser);
    documentEnded_ = true;
    const float percentage = float(unknownTypes_) / float(allEntries().size()) * 100.0f;
    QStringList repeated;
    for (auto it = unknownElements_.begin(); it != unknownElements_.end(); ++it)
        if (it.value() > 1) repeated << it.key();
    repeated.sort();
    for (const QString& name : repeated)
        DSLog("%@: %li more elements of this name, not logged", name, qint64(unknownElements_.value(name) - 1));
    DSLog("%li unknown type words = %0.1f%%", long(unknownTypes_), double(percentage));
    if (!scratchSet_.isEmpty()) outputScratchSet();
}

void DictionaryXMLParser::parserParseErrorOccurred(ts::XMLEventParser& parser, const ts::XMLParseError& error) {
    if (!parseError_) parseError_ = error;
    DSLog("Error in parsing %@", error.description());
}

void DictionaryXMLParser::parserFoundIgnorableWhitespace(ts::XMLEventParser& parser, const QString& whitespace) {
    parserFoundCharacters(parser, whitespace);
}
