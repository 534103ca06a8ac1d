#include "dictionaries/TSMDictImporter.h"

#include "app/logging/LGLog.h"
#include "dictionaries/DictionaryServices.h"
#include "dictionaries/TSDictionaries.h"
#include "foundation/StringExtensions.h"
#include "platform/ClassRegistry.h"
#include "platform/NotificationCenter.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <chrono>
#include <climits>

TS_REGISTER_CLASS(TSMDictImporter)

namespace {

QString nodeName(const xmlNode* node) {
    switch (node->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
        return QStringLiteral("text");
    case XML_COMMENT_NODE:
        return QStringLiteral("comment");
    case XML_ELEMENT_NODE:
        return node->name ? QString::fromUtf8(reinterpret_cast<const char*>(node->name)) : QString();
    default:
        return QString();
    }
}

QString nodeText(const xmlNode* node) {
    if (node->type != XML_TEXT_NODE && node->type != XML_CDATA_SECTION_NODE && node->type != XML_COMMENT_NODE)
        return QString();
    return node->content ? QString::fromUtf8(reinterpret_cast<const char*>(node->content)) : QString();
}

QHash<QString, QString> nodeAttributes(const xmlNode* node) {
    QHash<QString, QString> out;
    if (node->type != XML_ELEMENT_NODE) return out;
    for (const xmlAttr* a = node->properties; a; a = a->next) {
        QString value;
        for (const xmlNode* c = a->children; c; c = c->next)
            if (c->content) value += QString::fromUtf8(reinterpret_cast<const char*>(c->content));
        out.insert(QString::fromUtf8(reinterpret_cast<const char*>(a->name)), value.trimmed());
    }
    return out;
}

// The records as an HTML document; null with the cause when they cannot be read.
xmlDoc* parseHTML(const QByteArray& bytes, QString* error) {
    if (bytes.size() > INT_MAX) {
        *error = QStringLiteral("The records are too long to be read as one page (%1 bytes).").arg(bytes.size());
        return nullptr;
    }
    xmlDoc* doc = htmlReadMemory(bytes.constData(), int(bytes.size()), nullptr, "UTF-8",
                                 HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
    if (!doc && !bytes.isEmpty()) *error = QStringLiteral("The records could not be read as HTML.");
    return doc;
}

void collectBodies(xmlNode* node, std::vector<xmlNode*>& bodies, int depth) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE) continue;
        if (xmlStrEqual(node->name, BAD_CAST "body")) {
            bodies.push_back(node);
        } else if (depth < 8) {
            collectBodies(node->children, bodies, depth + 1);
        }
    }
}

struct Walk {
    std::array<QSet<QString>, TSMDictImporter::ActionCount> sets;
    const TSMDictImporter::Progress* progress = nullptr;
    TSMDictImporter::Conversion* out = nullptr;
    QStringList stack;
    DictionaryEntryPtr current;
    // The entry the last Start Entry made, and the meaning that takes the
    // record's own text when the entry came from a keyword.
    DictionaryEntryPtr started;
    DictionaryEntryPtr body;
    bool pendingSpace = false;
    // The last entry came from a keyword and has taken nothing yet: a record
    // that tags its own headword then fills that entry instead of adding one.
    bool keyedUntouched = false;
    std::optional<QHash<QString, QString>> pendingReplace;
    std::chrono::steady_clock::time_point lastReport{};
    bool reportedOnce = false;
    qint64 droppedErrors = 0;
    bool depthNoted = false;

    enum Context { None = 0, Link = 1, Head = 2, TranslationKind = 3, AppendKind = 4, Body = 5 };

    bool in(int action, const QString& tag) const { return sets[size_t(action)].contains(tag); }

    int firstAction(const QString& tag) const {
        // Start Entry, End Entry, Translation, Replace and Text act in this order.
        static const int order[] = {TSMDictImporter::StartEntry, TSMDictImporter::EndEntry, TSMDictImporter::Translation,
                                    TSMDictImporter::Replace, TSMDictImporter::Text};
        for (int a : order)
            if (in(a, tag)) return a;
        return -1;
    }

    Context context() const {
        for (qsizetype i = stack.size() - 1; i >= 0; --i) {
            const QString& tag = stack[i];
            if (tag == QLatin1String("a")) return Link;
            if (tag == TSMDictImporter::kEntryTag && in(TSMDictImporter::StartEntry, tag)) return Body;
            if (in(TSMDictImporter::StartEntry, tag) || in(TSMDictImporter::Word, tag)) return Head;
            if (in(TSMDictImporter::Translation, tag)) return TranslationKind;
            if (in(TSMDictImporter::Append, tag)) return AppendKind;
        }
        return None;
    }

    void addError(const QString& message) {
        if (out->errors.size() < TSMDictImporter::kMaxErrors)
            out->errors << message;
        else
            ++droppedErrors;
    }

    DictionaryEntryPtr placeText(const DictionaryEntryPtr& entry, const QString& text, Context kind) {
        if (kind == Head) {
            if (entry->isForeign()) {
                auto ancestor = entry->firstAncestor();
                auto fresh = DictionaryEntry::make();
                fresh->addToEntry(text);
                if (ancestor && ancestor->addChild(fresh)) return fresh;
                return entry;
            }
            entry->addToEntry(text);
            return entry;
        }
        auto meaning = DictionaryEntry::make();
        entry->addMeaningChild(meaning);
        meaning->setForeignFlag(true);
        meaning->addToEntry(text);
        return meaning;
    }

    // The record's own text, its white space collapsed as a browser shows it.
    void addBody(const QString& text) {
        if (!started || text.isEmpty()) return;
        const QString words = text.simplified();
        if (!words.isEmpty()) keyedUntouched = false;
        const bool spaceBefore = pendingSpace || text.front().isSpace();
        pendingSpace = !text.isEmpty() && text.back().isSpace();
        if (words.isEmpty()) {
            pendingSpace = pendingSpace || spaceBefore;
            return;
        }
        if (!body) {
            body = DictionaryEntry::make();
            started->addMeaningChild(body);
            body->setForeignFlag(true);
            body->addToEntry(words);
            return;
        }
        body->addToEntry(spaceBefore ? QLatin1Char(' ') + words : words);
    }

    void takeText(const xmlNode* node, const QString& tag) {
        QString text = nodeText(node);
        if (text.isEmpty()) return;
        const Context kind = context();
        if (kind == Body && !pendingReplace) {
            addBody(text);
            return;
        }
        if (text.trimmed().isEmpty()) return;
        if (kind != None) keyedUntouched = false;
        if (pendingReplace) {
            auto it = pendingReplace->constFind(QStringLiteral("title"));
            if (it != pendingReplace->constEnd()) text = *it;
            pendingReplace.reset();
        }
        switch (kind) {
        case Head:
        case TranslationKind:
            if (current) current = placeText(current, text, kind);
            break;
        case Link:
            if (current) {
                auto link = DictionaryEntry::make(text, DictionaryEntry::Redirect);
                current->addChild(link);
            }
            break;
        case AppendKind:
            if (current) current->addToEntry(text);
            break;
        case Body:
            addBody(text);
            break;
        case None: {
            const QString enclosing = stack.size() >= 2 ? stack[stack.size() - 2] : QString();
            addError(QStringLiteral("Missing element (%1/%2) in %3 at\n%4 ")
                         .arg(enclosing, tag, text, current ? current->entry() : QString()));
            break;
        }
        }
    }

    static bool breaksLine(const QString& tag) {
        static const QSet<QString> blocks{QStringLiteral("p"),  QStringLiteral("div"), QStringLiteral("br"),
                                          QStringLiteral("li"), QStringLiteral("tr"),  QStringLiteral("td"),
                                          QStringLiteral("dd"), QStringLiteral("dt"),  QStringLiteral("blockquote"),
                                          QStringLiteral("h1"), QStringLiteral("h2"),  QStringLiteral("h3")};
        return blocks.contains(tag);
    }

    // The keyword heads the entry; a link makes it a redirect to its target.
    void startKeyed(const xmlNode* node) {
        const auto attributes = nodeAttributes(node);
        const QString key = attributes.value(QStringLiteral("key"));
        if (!key.isEmpty()) current->addToEntry(key);
        const QString link = attributes.value(QStringLiteral("link"));
        if (!link.isEmpty()) {
            current->addChild(DictionaryEntry::make(link, DictionaryEntry::Redirect));
            current->setType(DictionaryEntry::Redirect);
        } else {
            keyedUntouched = true;
        }
    }

    void visit(xmlNode* node, int depth) {
        if (depth > TSMDictImporter::kMaxDepth) {
            if (!depthNoted) addError(QStringLiteral("Elements nested deeper than %1 levels were left out.").arg(TSMDictImporter::kMaxDepth));
            depthNoted = true;
            return;
        }
        const QString tag = nodeName(node);
        if (!tag.isEmpty()) {
            stack.push_back(tag);
            switch (firstAction(tag)) {
            case TSMDictImporter::StartEntry: {
                if (keyedUntouched && tag != TSMDictImporter::kEntryTag) {
                    keyedUntouched = false;
                    current = started;
                    current->setEntry(QString());
                    break;
                }
                current = DictionaryEntry::make();
                started = current;
                body.reset();
                pendingSpace = false;
                keyedUntouched = false;
                if (tag == TSMDictImporter::kEntryTag) startKeyed(node);
                out->entries.push_back(current);
                const auto now = std::chrono::steady_clock::now();
                if (!reportedOnce || now - lastReport > std::chrono::seconds(1)) {
                    if (progress && *progress) (*progress)(qint64(out->entries.size()));
                    lastReport = now;
                    reportedOnce = true;
                }
                break;
            }
            case TSMDictImporter::EndEntry:
                keyedUntouched = false;
                current.reset();
                started.reset();
                body.reset();
                break;
            case TSMDictImporter::Replace:
                pendingReplace = nodeAttributes(node);
                break;
            case TSMDictImporter::Text:
                takeText(node, tag);
                break;
            default:
                break;
            }
            if (body && breaksLine(tag)) pendingSpace = true;
        }
        for (xmlNode* c = node->children; c; c = c->next) visit(c, depth + 1);
        if (!tag.isEmpty()) stack.pop_back();
    }
};

// Each record is read as a page of its own, from its keyword's marker to the
// next: elements a record leaves open are closed at its end, so a later
// record's marker never lands inside them (where an HTML reader would nest
// it, and deep enough nesting is cut). Text before the first marker, or a
// page without markers, is one page. Answers false when a page cannot be read.
bool forEachRecordPage(const QByteArray& text, QString* error, const std::function<void(xmlNode* body)>& visit) {
    static const QByteArray marker = "<" + TSMDictImporter::kEntryTag.toUtf8() + " ";
    qsizetype start = 0;
    bool ok = true;
    while (start < text.size()) {
        qsizetype next = text.indexOf(marker, start + 1);
        if (next < 0) next = text.size();
        const QByteArray page = text.sliced(start, next - start);
        start = next;
        if (page.trimmed().isEmpty()) continue;
        xmlDoc* doc = parseHTML(page, error);
        if (!doc) {
            ok = false;
            continue;
        }
        std::vector<xmlNode*> bodies;
        collectBodies(xmlDocGetRootElement(doc), bodies, 0);
        for (xmlNode* body : bodies) visit(body);
        xmlFreeDoc(doc);
    }
    return ok;
}

void surveyTags(xmlNode* node, int depth, QStringList& tags, QSet<QString>& seen, QHash<QString, QStringList>& attrs) {
    if (depth > TSMDictImporter::kMaxDepth) return;
    const QString tag = nodeName(node);
    if (!tag.isEmpty() && !seen.contains(tag)) {
        seen.insert(tag);
        tags << tag;
        QStringList names;
        if (node->type == XML_ELEMENT_NODE)
            for (const xmlAttr* a = node->properties; a; a = a->next)
                names << QString::fromUtf8(reinterpret_cast<const char*>(a->name));
        if (!names.isEmpty()) attrs.insert(tag, names);
    }
    for (xmlNode* c = node->children; c; c = c->next) surveyTags(c, depth + 1, tags, seen, attrs);
}

}  // namespace

const QString TSMDictImporter::kEntryTag = QStringLiteral("mdict-entry");

namespace {

void appendEscaped(QByteArray& out, QByteArrayView value) {
    for (const char c : value) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '"': out += "&quot;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += c;
        }
    }
}

// The records joined, each inside an element that carries its keywords.
QByteArray markedPage(const mdict::ReadResult& r) {
    static const QByteArray linkMark("@@@LINK=");
    QByteArray page;
    page.reserve(r.records.size() + r.keywordText.size() + r.recordCount() * 32);
    const QByteArray open = "<" + TSMDictImporter::kEntryTag.toUtf8() + " key=\"";
    const QByteArray close = "</" + TSMDictImporter::kEntryTag.toUtf8() + ">";
    for (qsizetype i = 0; i < r.recordCount(); ++i) {
        const qsizetype start = r.recordStarts[size_t(i)];
        const qsizetype end = i + 1 < r.recordCount() ? r.recordStarts[size_t(i + 1)] : r.records.size();
        const QByteArrayView record(r.records.constData() + start, end - start);
        const qsizetype keys = r.keyCount(i);
        if (keys == 0) {
            page.append(record);
            continue;
        }
        QByteArrayView target;
        if (record.size() > linkMark.size() + 1 && record.trimmed().startsWith(linkMark)) {
            target = record.trimmed().sliced(linkMark.size());
            const qsizetype lineEnd = target.indexOf('\n');
            if (lineEnd >= 0) target = target.first(lineEnd);
            target = target.trimmed();
        }
        page += open;
        appendEscaped(page, r.keyBytes(i, 0));
        page += '"';
        if (!target.isEmpty()) {
            page += " link=\"";
            appendEscaped(page, target);
            page += "\">";
        } else {
            page += '>';
            page.append(record);
        }
        page += close;
        // Further keywords of the same record lead to the first.
        for (qsizetype k = 1; k < keys; ++k) {
            page += open;
            appendEscaped(page, r.keyBytes(i, k));
            page += "\" link=\"";
            appendEscaped(page, target.isEmpty() ? r.keyBytes(i, 0) : target);
            page += "\">" + close;
        }
    }
    return page;
}

}  // namespace

const QStringList& TSMDictImporter::actionTitles() {
    static const QStringList titles{
        QStringLiteral("Start Entry"), QStringLiteral("Ignore"),  QStringLiteral("Word"),
        QStringLiteral("Translation"), QStringLiteral("Text"),    QStringLiteral("Append"),
        QStringLiteral("Replace"),     QStringLiteral("End Entry"), QStringLiteral("Prepend"),
        QStringLiteral("Format")};
    return titles;
}

int TSMDictImporter::actionForTitle(const QString& title) { return int(actionTitles().indexOf(title)); }

TSMDictImporter::TSMDictImporter() {
    sets_[StartEntry] = {kEntryTag, QStringLiteral("headword"), QStringLiteral("entryfree")};
    sets_[Word] = {QStringLiteral("headword")};
    sets_[Translation] = {QStringLiteral("foreign")};
    sets_[Text] = {QStringLiteral("text")};
    sets_[Replace] = {QStringLiteral("abbr")};
    sets_[EndEntry] = {QStringLiteral("dictionary")};
    sets_[Ignore] = {QStringLiteral("body"), QStringLiteral("link"), QStringLiteral("hi"), QStringLiteral("a")};
}

TSMDictImporterPtr TSMDictImporter::dictionaryWithFile(const QString& path) {
    auto importer = std::make_shared<TSMDictImporter>();
    QFile file(path);
    const QString base = QFileInfo(path).completeBaseName();
    if (!file.open(QIODevice::ReadOnly)) {
        importer->readError_ = QStringLiteral("Error reading mdict file %1: %2").arg(path, file.errorString());
        importer->sourceBaseName_ = base;
        TSLogError("%@", importer->readError_);
        return importer;
    }
    importer->parseMDXData(file.readAll(), base);
    if (!importer->readError_.isEmpty()) importer->readError_ = QStringLiteral("%1: %2").arg(path, importer->readError_);
    return importer;
}

void TSMDictImporter::parseMDXData(const QByteArray& data, const QString& sourceName) {
    sourceBaseName_ = sourceName;
    mdict::ReadResult result = mdict::readData(data);
    readWarnings_ = result.warnings;
    for (const QString& w : result.warnings) TSLogError("%@", w);
    if (!result.ok) {
        readError_ = result.error;
        TSLogError("%@", readError_);
        return;
    }
    readError_.clear();
    const QString title = result.attributes.value(QStringLiteral("Title")).trimmed();
    if (!title.isEmpty()) setName(title);
    description_ = result.attributes.value(QStringLiteral("Description"));
    ts::ValueDictionary data_;
    if (!description_.isEmpty()) data_[kDescriptionKey] = ts::Value(description_);
    setDictionaryData(data_);
    numEntries_ = result.numEntries;
    recordCount_ = result.recordCount();
    page_ = markedPage(result);
    tagsSurveyed_ = false;
}

void TSMDictImporter::setRecordsString(const QString& text) {
    page_ = text.toUtf8();
    recordCount_ = text.isEmpty() ? 0 : 1;
    tagsSurveyed_ = false;
}

QSet<QString> TSMDictImporter::tagSet(Action action) const {
    std::lock_guard lock(setsMutex_);
    return sets_[size_t(action)];
}

void TSMDictImporter::setTagSet(Action action, const QSet<QString>& tags) {
    std::lock_guard lock(setsMutex_);
    sets_[size_t(action)] = tags;
}

int TSMDictImporter::actionOfTag(const QString& tag) const {
    std::lock_guard lock(setsMutex_);
    for (int a = 0; a < ActionCount; ++a)
        if (sets_[size_t(a)].contains(tag)) return a;
    return -1;
}

void TSMDictImporter::removeTagFromSets(const QString& tag) {
    std::lock_guard lock(setsMutex_);
    for (auto& s : sets_) s.remove(tag);
}

void TSMDictImporter::assignTag(const QString& tag, int action) {
    std::lock_guard lock(setsMutex_);
    for (auto& s : sets_) s.remove(tag);
    if (action >= 0 && action < ActionCount) sets_[size_t(action)].insert(tag);
}

QStringList TSMDictImporter::recordsTags() {
    std::lock_guard conversion(conversionMutex_);
    if (tagsSurveyed_) return recordsTags_;
    tagsSurveyed_ = true;
    recordsTags_.clear();
    foundAttributes_.clear();
    if (!page_.isEmpty()) {
        QString error;
        QSet<QString> seen;
        if (!forEachRecordPage(page_, &error, [&](xmlNode* body) { surveyTags(body, 0, recordsTags_, seen, foundAttributes_); }))
            TSLogError("%@", error);
    }
    const QSet<QString> present(recordsTags_.begin(), recordsTags_.end());
    std::lock_guard lock(setsMutex_);
    for (auto& s : sets_) s &= present;
    return recordsTags_;
}

QHash<QString, QStringList> TSMDictImporter::foundAttributes() const {
    std::lock_guard lock(setsMutex_);
    return foundAttributes_;
}

TSMDictImporter::Conversion TSMDictImporter::parseRecordsString(const QString& text, const Progress& progress) {
    return parseRecordsUtf8(text.toUtf8(), progress);
}

QString TSMDictImporter::recordsPrefix(qsizetype count) const {
    // A character takes at most four bytes; a sequence cut at the end is dropped by left().
    return QString::fromUtf8(page_.left(count * 4)).left(count);
}

TSMDictImporter::Conversion TSMDictImporter::parseRecordsUtf8(const QByteArray& text, const Progress& progress) {
    Conversion result;
    Walk walk;
    {
        std::lock_guard lock(setsMutex_);
        walk.sets = sets_;
    }
    walk.progress = &progress;
    walk.out = &result;
    if (text.isEmpty()) return result;
    QString error;
    if (!forEachRecordPage(text, &error, [&walk](xmlNode* body) { walk.visit(body, 0); })) result.errors << error;
    if (walk.droppedErrors > 0) result.errors << QStringLiteral("%1 further messages were not kept.").arg(walk.droppedErrors);
    return result;
}

void TSMDictImporter::parseRawString(const Progress& progress) {
    std::lock_guard conversion(conversionMutex_);
    Conversion result = parseRecordsUtf8(page_, progress);
    const qsizetype made = qsizetype(result.entries.size());
    // Every keyword should head an entry; when the tag choices or the
    // records' markup make it otherwise, the user hears of it first.
    if (numEntries_ > 0 && made != numEntries_)
        result.errors.prepend(QStringLiteral("%1 keywords in %2 records were read, but %3 entries were made.")
                                  .arg(numEntries_)
                                  .arg(recordCount_)
                                  .arg(made));
    setWords(result.entries);
    std::lock_guard lock(resultMutex_);
    errors_ = std::move(result.errors);
    entriesMade_ = made;
}

QString TSMDictImporter::conversionSummary() const {
    std::lock_guard lock(resultMutex_);
    return QStringLiteral("%1 records read, %2 entries made").arg(recordCount_).arg(entriesMade_);
}

QStringList TSMDictImporter::errors() const {
    std::lock_guard lock(resultMutex_);
    return errors_;
}

ts::Value TSMDictImporter::serialize() const {
    std::lock_guard lock(wordsLock());
    ts::ValueArray out;
    if (auto list = words()) {
        out.reserve(list->size());
        for (const auto& e : *list) out.push_back(e->serialize());
    }
    return ts::Value(std::move(out));
}

bool TSMDictImporter::save(const QString& path, QString* error) {
    QElapsedTimer timer;
    timer.start();
    auto report = [&](const QString& why) {
        if (error) *error = why;
        TSLogError("%@", why);
        return false;
    };
    ts::ValueDictionary file;
    const ts::ValueDictionary data = dictionaryData();
    for (const QString& key : {kAuthorKey, kSponsorKey}) {
        auto it = data.find(key);
        if (it != data.end()) file[key] = it->second;
    }
    if (!name().isEmpty()) file[kTitleKey] = ts::Value(name());
    if (!description_.isEmpty()) file[kDescriptionKey] = ts::Value(description_);
    file[kWordsKey] = serialize();
    QString encodeError;
    const QByteArray bytes = ts::PropertyList::writeBinary(ts::Value(std::move(file)), &encodeError);
    if (bytes.isEmpty()) return report(QStringLiteral("Error compressing data %1").arg(encodeError));
    bool ok = false;
    {
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
            report(QStringLiteral("Error writing plist %1: %2").arg(path, out.errorString()));
        else
            ok = true;
    }
    if (ok) {
        setDirty(false);
        ts::NotificationCenter::defaultCenter().post(TSDictionaries::kDictionaryChangedNotification);
    }
    TSLogError("%@ Save Time taken: %0.1f", QStringLiteral("TSMDictImporter"), double(timer.elapsed()) / 1000.0);
    return ok;
}

QString TSMDictImporter::sanitizeTitle(const QString& title) {
    QString s;
    s.reserve(title.size());
    for (QChar c : title) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            s += QLatin1Char('-');
        else if (c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            s += c;
    }
    while (s.contains(QLatin1String(".."))) s.replace(QLatin1String(".."), QLatin1String("."));
    s = s.trimmed();
    while (s.startsWith(QLatin1Char('.'))) s.remove(0, 1);
    return s;
}

QString TSMDictImporter::safeFileName(const QString& suffix) const {
    QString base = sanitizeTitle(name());
    if (base.isEmpty()) base = sanitizeTitle(sourceBaseName_);
    if (base.isEmpty()) base = QStringLiteral("MDict");
    const QString tail = suffix + QStringLiteral(".xml");
    base = StringExtensions::leftUtf8Bytes(base, kMaxFileNameBytes - tail.toUtf8().size()).trimmed();
    if (base.isEmpty()) base = QStringLiteral("MDict");
    return base + tail;
}

QString TSMDictImporter::userDictionaryPath() const {
    const QString folder = DictionaryServices::userDictionaries();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(safeFileName());
}

QString TSMDictImporter::freeUserDictionaryPath() const {
    const QString folder = DictionaryServices::userDictionaries();
    if (folder.isEmpty()) return QString();
    for (int n = 2;; ++n) {
        const QString path = QDir(folder).filePath(safeFileName(QStringLiteral(" %1").arg(n)));
        if (!QFileInfo::exists(path)) return path;
    }
}

bool TSMDictImporter::saveToUserDictionaries(QString* savedPath, QString* error, const QString& chosen) {
    const QString folder = DictionaryServices::userDictionaries();
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        const QString why = QStringLiteral("The user dictionaries folder is not available.");
        if (error) *error = why;
        TSLogError("%@", why);
        return false;
    }
    const QString path = chosen.isEmpty() ? QDir(folder).filePath(safeFileName()) : chosen;
    if (savedPath) *savedPath = path;
    return save(path, error);
}
