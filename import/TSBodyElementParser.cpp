#include "import/TSBodyElementParser.h"

#include "app/core/Preferences.h"
#include "app/logging/LGLog.h"
#include "platform/Prompter.h"
#include "platform/Url.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <utility>

namespace {

const QString kBody = QStringLiteral("body");
const QString kNote = QStringLiteral("note");

// One time stamp for every converter of the process: progress from a new
// conversion waits for the spacing the last one left.
std::atomic<qint64> lastProgressMs{0};

qint64 nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A character that is more than white space, and one that preparation keeps.
constexpr auto isWord = [](QChar c) { return c != u' ' && c != u'\n' && c != u'\t'; };
constexpr auto isKept = [](QChar c) { return c != u' ' && c != u'\n' && c != u'\t' && c != u'\r' && c != u'\x1b'; };

ts::AttributedStringPtr copyOf(const ts::AttributedString& s) {
    return std::make_shared<ts::AttributedString>(s);
}

// What an unnumbered milestone inside a line does, whatever its own record
// says: a paragraph mark of a critical edition inside a verse must neither
// split the verse nor open a section that carries the next lines away.
const TSImportElement* lineMilestone() {
    static const TSImportElement* inert = [] {
        auto* e = new TSImportElement();
        e->VDData::setName(QStringLiteral("milestone"));
        return e;
    }();
    return inert;
}

// What an element that would make a section or a line does inside a note:
// its words join the footnote in place. A row made there would stay empty
// (the words go to the note) and part the line around the note.
const TSImportElement* noteText() {
    static const TSImportElement* inNote = [] {
        auto* e = new TSImportElement();
        e->VDData::setName(QStringLiteral("note text"));
        e->setStore(TSImportElement::Append);
        return e;
    }();
    return inNote;
}

QString passages(qint64 n, const char* what) {
    return QStringLiteral("%1 %2 %3").arg(n).arg(n == 1 ? QLatin1String("passage") : QLatin1String("passages"),
                                            QLatin1String(what));
}

}  // namespace

const QSet<QString>& TSBodyElementParser::conditionallyAddableElements() {
    static const QSet<QString> set = {QStringLiteral("foreign"), QStringLiteral("hi")};
    return set;
}

QString TSBodyElementParser::identifierForSource(const QUrl& url) {
    static const QString english = QStringLiteral("perseusEnglish"), latin = QStringLiteral("latin");
    static const QRegularExpression libraryName(QStringLiteral("(_eng|eng\\d+)$"));
    if (libraryName.match(QFileInfo(url.toLocalFile()).completeBaseName()).hasMatch()) return english;
    TSHeaderElementParser header;
    const ts::Value result = header.parseFileAtLocation(url);
    const QString languages = result[QStringLiteral("Data Dictionary")][QStringLiteral("language")].toString();
    const QString first = languages.section(QLatin1Char('|'), 0, 0).trimmed();
    return first.compare(QLatin1String("English"), Qt::CaseInsensitive) == 0 ? english : latin;
}

QString TSBodyElementParser::curIdentifier() {
    if (curIdentifier_.isNull()) {
        TSLogError("Uninitialised identifier");
        curIdentifier_ = QStringLiteral("latin");
    }
    return curIdentifier_;
}

void TSBodyElementParser::setElementArray(const TSElementArrayPtr& elements) {
    given_ = elements;
    settings_ = elements ? std::static_pointer_cast<TSElementArray>(elements->copy()) : nullptr;
    settingByName_.clear();
    originalByName_.clear();
    if (!settings_) return;
    // The first record of a name decides, as a look-up by name would.
    for (const TSImportElementPtr& e : settings_->elements())
        if (!e->name().isNull() && !settingByName_.contains(e->name())) settingByName_.insert(e->name(), e.get());
    for (const TSImportElementPtr& e : given_->elements())
        if (!e->name().isNull() && !originalByName_.contains(e->name())) originalByName_.insert(e->name(), e);
}

// Names' characters are allocated a few dozen bytes apart: the address is
// mixed (Fibonacci hashing), not shifted, to pick a slot of the cache.
size_t TSBodyElementParser::cacheSlot(const QChar* address) {
    return size_t((quint64(quintptr(address)) * 0x9E3779B97F4A7C15ull) >> (64 - 8));
}

const TSImportElement* TSBodyElementParser::settingFor(const QString& name) const {
    if (!settings_) return nullptr;
    const QChar* address = name.constData();
    if (const auto& cached = infoCache_[cacheSlot(address)]; cached.first == address) return cached.second->setting;
    for (const auto& [a, info] : infoByAddress_)
        if (a == address) return info->setting;
    return settingByName_.value(name, nullptr);
}

TSBodyElementParser::ElementInfo* TSBodyElementParser::infoFor(const QString& name) {
    const QChar* address = name.constData();
    auto& cached = infoCache_[cacheSlot(address)];
    if (cached.first == address) return cached.second;
    for (const auto& [a, info] : infoByAddress_)
        if (a == address) {
            cached = {a, info};
            return info;
        }
    ElementInfo*& slot = infoByName_[name];
    if (!slot) {
        auto info = std::make_unique<ElementInfo>();
        info->name = name;
        info->setting = settings_ ? settingByName_.value(name, nullptr) : nullptr;
        info->original = originalByName_.value(name);
        info->hash = qHash(name);
        info->body = name == kBody;
        info->note = name == kNote;
        info->hi = name == QLatin1String("hi");
        info->milestone = name == QLatin1String("milestone");
        info->line = name == QLatin1String("l");
        slot = info.get();
        infos_.push_back(std::move(info));
    }
    // A name the reader made anew (its name cache is small) gets an alias of
    // its own; holding the string keeps its address from being reused. The
    // aliases stay few enough to scan; past that, names are hashed.
    if (infoByAddress_.size() < 64) {
        heldNames_.push_back(name);
        infoByAddress_.emplace_back(address, slot);
    }
    return slot;
}

void TSBodyElementParser::willParseFile(const QUrl& url, const QByteArray& bytes, bool readable) {
    if (!readable) {
        numLines_ = 0;
        TSLogError("Unable to load string for %@", QFileInfo(url.path()).fileName());
        return;
    }
    numLines_ = float(bytes.count('\n') + 1);
}

void TSBodyElementParser::reset() {
    TSElementParser::reset();
    if (given_)
        for (const TSImportElementPtr& e : given_->elements()) e->removeStoredParsedData();
    infoStack_.clear();
    settingStack_.clear();
    pathHashes_.clear();
    bodyDepth_ = noteDepth_ = 0;
    stackStrings_.clear();
    pending_.clear();
    pendingInNote_.clear();
    attributeStack_.clear();
    milestoneQueue_.clear();
    sectionStack_.clear();
    chunkStack_.clear();
    noteStack_.clear();
    noteStackMade_ = false;
    curTextChunk_.reset();
    lastLine_.reset();
    pendingLink_ = ts::AttributedString();
    curTextPlaced_ = curTextPlacedKnown_ = false;
    curFootnote_.reset();
    curFootnoteText_ = ts::AttributedString();
    incompleteChunkDict_.clear();
    postpendString_ = ts::AttributedString();
    books_.clear();
    unplaced_ = 0;
    dropped_ = 0;
    droppedByElement_.clear();
    seenPaths_.clear();
    lastPath_ = 0;
    infos_.clear();
    infoByName_.clear();
    infoByAddress_.clear();
    std::fill(std::begin(infoCache_), std::end(infoCache_), std::pair<const QChar*, ElementInfo*>{});
    heldNames_.clear();
    attributeValues_.clear();
    curTextStored_ = curTextMarks_ = false;
    placedChunk_.reset();
}

// ---------------------------------------------------------------------------
// Result

ts::ValueDictionary TSBodyElementParser::buildResult() const {
    ts::ValueDictionary d = TSElementParser::buildResult();
    ts::ValueDictionary strings;
    for (const auto& info : infos_) {
        if (info->samples.empty()) continue;
        ts::ValueArray list;
        for (const ts::AttributedStringPtr& s : info->samples) list.emplace_back(s);
        strings[info->name] = ts::Value(std::move(list));
    }
    if (!strings.empty()) d[QStringLiteral("Strings Dictionary")] = ts::Value(std::move(strings));
    if (settings_) {
        ts::ValueArray books;
        for (const TSTextPtr& b : books_) books.emplace_back(b);
        d[QStringLiteral("Books")] = ts::Value(std::move(books));
    }
    if (noteStackMade_) {
        ts::ValueArray lists;
        for (const FootnoteListPtr& l : noteStack_) {
            ts::ValueDictionary notes;
            for (const auto& [id, note] : l->notes()) notes[id] = ts::Value(note);
            lists.emplace_back(std::move(notes));
        }
        d[QStringLiteral("TheFootnote")] = ts::Value(std::move(lists));
    }
    QStringList report;
    if (unplaced_ > 0) {
        d[QStringLiteral("Passages Not Placed")] = ts::Value(unplaced_);
        report << passages(unplaced_, "not placed");
    }
    if (dropped_ > 0) {
        d[QStringLiteral("Passages Dropped")] = ts::Value(dropped_);
        QStringList names = droppedByElement_.keys();
        names.sort();
        QStringList counts;
        for (const QString& n : names) counts << QStringLiteral("%1 %2").arg(n).arg(droppedByElement_.value(n));
        report << passages(dropped_, "dropped by the element settings") +
                      QStringLiteral(" (%1)").arg(counts.join(QStringLiteral(", ")));
    }
    if (!report.isEmpty()) d[QStringLiteral("Report")] = ts::Value(report.join(QStringLiteral("; ")));
    return d;
}

qsizetype TSBodyElementParser::beginStringsIndex() const {
    for (size_t i = 0; i < infoStack_.size(); ++i)
        if (infoStack_[i]->body) return qsizetype(i);
    return -1;
}

template <class Test> bool TSBodyElementParser::bufferHas(size_t index, Test test) const {
    const ts::AttributedStringPtr& rich = stackStrings_[index];
    if (rich && std::any_of(rich->string().cbegin(), rich->string().cend(), test)) return true;
    return std::any_of(pending_[index].cbegin(), pending_[index].cend(), [&](char16_t c) { return test(QChar(c)); });
}

ts::Value TSBodyElementParser::data() const {
    ts::Value d = TSElementParser::data();
    if (d.isDictionary() && usedElements_) d.dictionary()[QStringLiteral("Attributes Dictionary")] = attributesDictionary();
    return d;
}

ts::Value TSBodyElementParser::attributesDictionary() const {
    ts::ValueDictionary attributes;
    for (const QString& name : elements_) {
        const ElementInfo* info = infoByName_.value(name);
        const size_t sets = info ? info->attributeEnds.size() : 0;
        const auto set = [info](size_t k) {
            ts::ValueDictionary d;
            const quint32 end = info->attributeEnds[k];
            // A later equal name replaces an earlier one.
            for (quint32 i = k == 0 ? 0 : info->attributeEnds[k - 1]; i + 1 < end; i += 2)
                d.insert_or_assign(info->attributeText[i], ts::Value(info->attributeText[i + 1]));
            return ts::Value(std::move(d));
        };
        ts::ValueArray list;
        // Short lists are shown to the user as the distinct attribute
        // sets; long ones are left as collected.
        if (sets < 100) {
            for (size_t k = 0; k < sets; ++k) {
                ts::Value v = set(k);
                if (std::find(list.begin(), list.end(), v) == list.end()) list.push_back(std::move(v));
            }
        } else {
            list.reserve(sets);
            for (size_t k = 0; k < sets; ++k) list.push_back(set(k));
        }
        attributes[name] = ts::Value(std::move(list));
    }
    return ts::Value(std::move(attributes));
}

QString TSBodyElementParser::sharedValue(const QString& value) {
    if (const auto it = attributeValues_.constFind(value); it != attributeValues_.cend()) return *it;
    if (attributeValues_.size() < kMaxSharedValues) attributeValues_.insert(value);
    return value;
}

// ---------------------------------------------------------------------------
// Events

void TSBodyElementParser::reportProgress(ts::XMLEventParser& parser) {
    auto delegate = delegate_.lock();
    if (!delegate) return;
    const qint64 now = nowMs();
    if (now - lastProgressMs.load(std::memory_order_relaxed) <= 200) return;
    if (numLines_ != 0) delegate->reportProgress(float(parser.lineNumber()) / numLines_);
    lastProgressMs.store(now, std::memory_order_relaxed);
}

void TSBodyElementParser::parserDidStartElement(ts::XMLEventParser& parser, const QString& elementName,
                                                const QString&, const QString&, const ts::XMLAttributes& attributes) {
    ElementInfo* info = infoFor(elementName);
    infoStack_.push_back(info);
    settingStack_.push_back(info->setting);
    // Only a milestone that queues a location keeps its role inside a line:
    // a card or page mark of the printed edition inside a verse says where
    // the verse stood, not where the text divides. An unnumbered one is a
    // mark inside any line; a numbered one inside a paragraph may well
    // begin a section.
    if (settings_ && bodyDepth_ > 0 && info->milestone &&
        !(settingStack_.back() && settingStack_.back()->store() == TSImportElement::Milestone) &&
        (insideVerse() || (attributes.value(QStringLiteral("n")).isNull() && insideLine())))
        settingStack_.back() = lineMilestone();
    if (settings_ && bodyDepth_ > 0) {
        const TSImportElement* own = settingStack_.back();
        if (own && (own->store() == TSImportElement::NewSection || own->store() == TSImportElement::SubsectionOf ||
                    own->store() == TSImportElement::NestedMilestone) &&
            inNote(settingStack_.size() - 1))
            settingStack_.back() = noteText();
    }
    pathHashes_.push_back(pathHashes_.empty() ? info->hash : qHashMulti(pathHashes_.back(), info->hash));
    if (info->body) ++bodyDepth_;
    if (info->note) ++noteDepth_;
    reportProgress(parser);
    if (bodyDepth_ == 0) return;

    usedElements_ = true;
    if (!info->listed) {
        info->listed = true;
        elementSet_.insert(elementName);
        elements_ << elementName;
    }
    if (!attributes.isEmpty()) {
        usedAttributes_ = true;
        if (!info->listedWithAttributes) {
            info->listedWithAttributes = true;
            attributeElements_.insert(elementName);
        }
        const auto begin = quint32(info->attributeText.size());
        for (const auto& [n, v] : attributes) {
            info->attributeText.push_back(n);
            info->attributeText.push_back(sharedValue(v));
        }
        info->attributeEnds.push_back(quint32(info->attributeText.size()));
        attributeStack_.push_back({&info->attributeText, begin, quint32(info->attributeText.size())});
    } else {
        attributeStack_.push_back({});
    }
    parseElementToObject(elementName);
    pushBuffer();
    if (sectionStack_.size() != stackStrings_.size()) TSLogError("Stack string / section count mismatch");
}

void TSBodyElementParser::parserFoundCharacters(ts::XMLEventParser&, const QString& characters) {
    if (bodyDepth_ > 0) appendToStackString(characters);
}

void TSBodyElementParser::parserDidEndElement(ts::XMLEventParser&, const QString& elementName, const QString&,
                                              const QString&) {
    ElementInfo* info = infoFor(elementName);
    if (bodyDepth_ > 0 && !stackStrings_.empty()) {
        // Only an element with attributes can name a language.
        if (!attributeStack_.empty() && attributeStack_.back().list) convertForeignStrings();
        if (info->hi) handleHighlight();
        const bool words = bufferHas(stackStrings_.size() - 1, isWord);
        if (words) {
            if (!info->holdsText) {
                info->holdsText = true;
                dataContainingElements_.insert(elementName);
            }
            if (info->samples.size() < size_t(kMaxSamplesPerElement)) info->samples.push_back(copyOf(*lastStackString()));
            usedData_ = true;
        }
        parseElementToData(elementName, words);
        attributeStack_.pop_back();
        popBuffer();
        if (!sectionStack_.empty()) sectionStack_.pop_back();
        if (stackStrings_.size() != sectionStack_.size()) TSLogError("Section stack count mismatch");
    }
    if (!infoStack_.empty()) {
        infoStack_.pop_back();
        settingStack_.pop_back();
        pathHashes_.pop_back();
    }
    if (info->body && bodyDepth_ > 0) --bodyDepth_;
    if (info->note && noteDepth_ > 0) --noteDepth_;
}

void TSBodyElementParser::parserDidEndDocument(ts::XMLEventParser&) {
    // The last text section and footnote are finished as any other would be
    // when the next one began.
    finishFootnote();
    setCurTextChunk(nullptr);
    // The plain buffers kept their room for the next element; there is none.
    if (stackStrings_.empty()) {
        pending_.clear();
        pendingInNote_.clear();
    }
    for (const auto& info : infos_) {
        info->attributeText.shrink_to_fit();
        info->attributeEnds.shrink_to_fit();
    }
    // A book without a name of its own is named by its number, the name
    // the preview shows and a translation's book is matched by.
    for (size_t i = 0; i < books_.size(); ++i)
        if (books_[i]->name().trimmed().isEmpty())
            books_[i]->setName(ts::Prompter::localized(QStringLiteral("Book %1")).arg(i + 1));
    // The sections stay for as long as the document: their lists of lines
    // keep no room to grow.
    for (const TSTextPtr& book : books_)
        if (VDNewArrayPtr sections = book->childrenIfAny()) {
            sections->squeeze();
            for (const TSChunkPtr& section : book->childNodes())
                if (VDNewArrayPtr lines = section->childrenIfAny()) lines->squeeze();
        }
    if (unplaced_ > 0) TSLogError("%@", passages(unplaced_, "not placed"));
    if (dropped_ > 0) TSLogError("%@", passages(dropped_, "dropped by the element settings"));
}

// ---------------------------------------------------------------------------
// Roles

void TSBodyElementParser::collectStack(const TSImportElement* setting) {
    if (infoStack_.size() < 2) return;
    // The paths already handed over, by a hash of the path and the setting;
    // rebuilding the path for every element would cost more than the rest.
    const size_t key = qHashMulti(pathHashes_[pathHashes_.size() - 2], quintptr(setting));
    // Siblings follow one another: most elements repeat the last path.
    if (key == lastPath_ && !seenPaths_.isEmpty()) return;
    lastPath_ = key;
    if (seenPaths_.contains(key)) return;
    seenPaths_.insert(key);
    const ElementInfo* info = infoStack_.back();
    if (!info->original) return;
    QStringList path;
    path.reserve(qsizetype(infoStack_.size()) - 1);
    for (size_t i = 0; i + 1 < infoStack_.size(); ++i) path << infoStack_[i]->name;
    info->original->addStack(path);
}

void TSBodyElementParser::parseElementToObject(const QString& name) {
    sectionStack_.push_back(false);
    const TSImportElement* setting = settingStack_.empty() ? settingFor(name) : settingStack_.back();
    if (!setting) return;
    collectStack(setting);
    TSMatchedChunkPtr chunk;
    switch (setting->store()) {
    case TSImportElement::NewBook:
        sectionStack_.back() = true;
        makeNewBook(setting);
        return;
    case TSImportElement::NewSection:
        sectionStack_.back() = true;
        finishPreviousSection();
        removeLastChunkOfType(setting);
        chunk = makeNewSection(setting);
        break;
    case TSImportElement::SubsectionOf:
        sectionStack_.back() = true;
        chunk = makeNewTextSection(setting, name);
        break;
    case TSImportElement::Note:
        makeNewFootnote(setting);
        return;
    case TSImportElement::Milestone:
        addMilestone(setting);
        return;
    case TSImportElement::NestedMilestone:
        chunk = addNestedMilestone(setting, name);
        break;
    default:
        return;
    }
    if (chunk) {
        setLocation(setting, chunk);
        chunk->setTagName(name);
    }
}

void TSBodyElementParser::parseElementToData(const QString& name, bool words) {
    // The buffer is made rich text only where rich text is kept; most ends
    // (white space between lines) need its characters at most.
    const size_t index = stackStrings_.size() - 1;
    // Text taken as a chunk's name is used, not lost.
    bool named = false;
    if (auto it = incompleteChunkDict_.isEmpty() ? incompleteChunkDict_.end() : incompleteChunkDict_.find(name);
        it != incompleteChunkDict_.end() && ownsChild(it.value().level, index)) {
        const TSChunkPtr chunk = it.value().chunk;
        incompleteChunkDict_.erase(it);
        named = true;
        if (auto book = std::dynamic_pointer_cast<TSText>(chunk)) {
            book->setName(bufferText(index));
        } else if (auto section = std::dynamic_pointer_cast<TSMatchedChunk>(chunk)) {
            section->setLatin(copyOf(*lastStackString()));
            if (section == curTextChunk()) curTextStored_ = curTextMarks_ = true;
        }
    }
    // A chunk whose element ends unnamed keeps no claim on a later child.
    if (!incompleteChunkDict_.isEmpty())
        incompleteChunkDict_.removeIf([index](const auto& entry) { return entry.value().level >= index; });
    const TSImportElement* setting = settingStack_.empty() ? settingFor(name) : settingStack_.back();
    if (!setting) {
        if (!named) noteDropped(name, words);
        return;
    }
    if (setting == lineMilestone() || setting == noteText()) {
        // The mark still parts the words on either side of it; a line or
        // paragraph of its own inside a note keeps its words apart from
        // those before it.
        const ts::AttributedStringPtr parent = prevStackString();
        if (parent && parent->length() > 0 && !parent->string().back().isSpace())
            parent->appendSharing(QStringLiteral(" "), baseAttributes());
        if (setting == noteText()) {
            appendInPlace(setting);
            // ... and from those after it.
            if (parent && parent->length() > 0 && !parent->string().back().isSpace())
                parent->appendSharing(QStringLiteral(" "), baseAttributes());
        }
        return;
    }
    if (setting->nameSource() == QLatin1String("Text"))
        if (TSMatchedChunkPtr cur = curTextChunk()) {
            cur->setTextForKey(copyOf(*lastStackString()), curIdentifier());
            curTextStored_ = curTextMarks_ = true;
            named = true;
        }

    switch (setting->store()) {
    case TSImportElement::NewBook:
        storePendingLink(name);
        removeLastChunkOfType(setting);
        if (!named) noteDropped(name, words);
        break;
    case TSImportElement::NewSection:
        appendToTextElement(name);
        storePendingLink(name);
        setCurTextChunk(nullptr);
        break;
    case TSImportElement::SubsectionOf:
        makeNewSubsection(setting, name);
        break;
    case TSImportElement::Append:
        if (inNote(settingStack_.size()))
            appendInPlace(setting);
        else
            storeCurrentText(name, setting);
        break;
    case TSImportElement::Postpend:
        postpendString_.append(*trimmedAttributedString(setting));
        break;
    case TSImportElement::Note:
        storeCurrentText(name, setting);
        insertFootnoteLink();
        finishFootnote();
        break;
    case TSImportElement::InsertString:
        noteDropped(name, words);
        appendToPreviousString(setting->insertString());
        break;
    default:
        if (!named) noteDropped(name, words);
        break;
    }
}

void TSBodyElementParser::noteDropped(const QString& name, bool words) {
    if (!settings_ || !words) return;
    ++dropped_;
    ++droppedByElement_[name];
}

bool TSBodyElementParser::preparesToNothing(size_t index, const TSImportElement* setting) const {
    // Only white space and escapes vanish in preparation, and a setting's
    // strings are added even to nothing.
    if (bufferHas(index, isKept)) return false;
    if (!setting) return true;
    return (setting->insertString().isNull() || insertTags(setting->insertString()).isEmpty()) &&
           (setting->prependString().isNull() || insertTags(setting->prependString()).isEmpty());
}

bool TSBodyElementParser::ownsChild(size_t level, size_t child) const {
    // The head of a poem inside a book names the poem, not the book: an
    // element between them that made a chunk of its own claims it.
    if (level >= child) return false;
    for (size_t k = level + 1; k < child; ++k)
        if (sectionStack_[k]) return false;
    return true;
}

bool TSBodyElementParser::insideVerse() const {
    for (size_t i = infoStack_.size() - 1; i-- > 0;)
        if (infoStack_[i]->line) return true;
    return false;
}

bool TSBodyElementParser::insideLine() const {
    // The element itself is the last entry; its ancestors come before it.
    for (size_t i = settingStack_.size() - 1; i-- > 0;) {
        if (infoStack_[i]->line) return true;
        const TSImportElement* s = settingStack_[i];
        if (s && s->store() == TSImportElement::SubsectionOf) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Chunks

void TSBodyElementParser::makeNewBook(const TSImportElement* setting) {
    lastLine_.reset();
    // The last line of the book before is no place for this book's words.
    setCurTextChunk(nullptr);
    auto book = std::make_shared<TSText>();
    books_.push_back(book);
    insertName(setting, book);
    book->setChunkType(1);
    book->setTagName(setting->name());
    chunkStack_.push_back(book);
}

TSMatchedChunkPtr TSBodyElementParser::makeNewSection(const TSImportElement* setting) {
    // A note before the first line of a section follows no line of it, and
    // the section's words go into no line of the section before.
    lastLine_.reset();
    setCurTextChunk(nullptr);
    auto section = std::make_shared<TSMatchedChunk>();
    if (TSTextPtr book = curText()) book->addChild(section);
    insertName(setting, section);
    section->setChunkType(2);
    chunkStack_.push_back(section);
    return section;
}

TSMatchedChunkPtr TSBodyElementParser::makeNewTextSection(const TSImportElement* setting, const QString& elementName) {
    const bool hasSubsection = setting && !setting->subsectionOf().isNull();
    if (TSMatchedChunkPtr cur = curTextChunk()) {
        appendToTextElement(elementName);
        if (!(hasSubsection && setting->subsectionOf() == cur->tagName()))
            std::erase_if(chunkStack_, [&](const TSChunkPtr& c) { return c == cur; });
    }
    TSChunkPtr parent;
    if (hasSubsection) {
        for (auto it = chunkStack_.rbegin(); it != chunkStack_.rend(); ++it)
            if ((*it)->tagName() == setting->subsectionOf()) {
                parent = *it;
                break;
            }
    } else {
        parent = lastSection();
        // Words of a book that come before its first section (a chapter
        // without a section mark) get a section of their own in that book.
        if (!parent) parent = makeLooseSection();
    }
    // Only text sections close earlier ones of their kind here: text stored
    // under a book or section element must not close the very chunk it is
    // about to go into.
    if (setting && setting->store() == TSImportElement::SubsectionOf) removeLastChunkOfType(setting);
    auto chunk = std::make_shared<TSMatchedChunk>();
    if (parent) {
        lastLine_ = chunk;
        parent->addChild(chunk);
        insertName(setting, chunk);
        chunk->setChunkType(3);
        setCurTextChunk(chunk);
        curTextPlaced_ = isPlacedUnder(parent);
        curTextPlacedKnown_ = true;
        chunkStack_.push_back(chunk);
    }
    return chunk;
}

TSMatchedChunkPtr TSBodyElementParser::makeLooseSection() {
    // Only an open book: words outside every book are no book's, and are
    // reported as not placed.
    TSTextPtr book;
    for (auto it = chunkStack_.rbegin(); it != chunkStack_.rend() && !book; ++it)
        if ((*it)->chunkType() == 1) book = std::dynamic_pointer_cast<TSText>(*it);
    if (!book) return nullptr;
    auto section = std::make_shared<TSMatchedChunk>();
    book->addChild(section);
    section->setChunkType(2);
    // Closed like any section: by the next section, or with its book.
    chunkStack_.push_back(section);
    return section;
}

TSMatchedChunkPtr TSBodyElementParser::addNestedMilestone(const TSImportElement* setting, const QString& elementName) {
    const QString unit = currentAttribute(QStringLiteral("unit"));
    const QString n = currentAttribute(QStringLiteral("n"));
    if (unit.isNull() || unit == QLatin1String("chapter")) {
        sectionStack_.back() = true;
        finishPreviousSection();
        removeLastChunkOfType(setting);
        TSMatchedChunkPtr section = makeNewSection(setting);
        if (!n.isNull()) section->setLatin(ts::AttributedString::make(QStringLiteral("Cap. %1").arg(n)));
        return section;
    }
    if (unit == QLatin1String("section")) {
        sectionStack_.back() = true;
        TSMatchedChunkPtr text = makeNewTextSection(setting, elementName);
        if (!n.isNull()) text->setLocation(ts::AttributedString::make(n));
        return text;
    }
    TSLogError("Unhandled section type %@", unit);
    appendToTextElement(elementName);
    setCurTextChunk(nullptr);
    return nullptr;
}

void TSBodyElementParser::removeLastChunkOfType(const TSImportElement* setting) {
    if (!setting) return;
    const bool bySubsection = !setting->subsectionOf().isNull();
    for (size_t i = chunkStack_.size(); i-- > 0;) {
        const TSChunkPtr& c = chunkStack_[i];
        if (c->chunkType() == setting->store() && (!bySubsection || c->tagName() == setting->name())) {
            chunkStack_.erase(chunkStack_.begin() + qsizetype(i), chunkStack_.end());
            return;
        }
    }
}

TSMatchedChunkPtr TSBodyElementParser::lastSection() const {
    // The stack holds books (TSText) and the sections and text sections
    // this converter made (TSMatchedChunk): no cast needs checking.
    for (auto it = chunkStack_.rbegin(); it != chunkStack_.rend(); ++it)
        if ((*it)->chunkType() == 2 && !(*it)->asText()) return std::static_pointer_cast<TSMatchedChunk>(*it);
    return nullptr;
}

void TSBodyElementParser::insertName(const TSImportElement* setting, const TSChunkPtr& chunk) {
    if (!setting) return;
    const QString source = setting->nameSource();
    if (source.isNull()) return;
    auto joined = [](const QString& a, const QString& b) -> QString {
        if (!a.isNull() && !b.isNull()) return a + QLatin1Char(' ') + b;
        return !a.isNull() ? a : b;
    };
    if (source == QLatin1String("{} n type")) {
        const QString name = joined(currentAttribute(QStringLiteral("type")), currentAttribute(QStringLiteral("n")));
        if (!name.isNull()) chunk->setName(name);
    } else if (source == QLatin1String("{} n unit")) {
        QString unit = currentAttribute(QStringLiteral("unit"));
        if (unit == QLatin1String("chapter")) unit = QStringLiteral("Cap.");
        const QString name = joined(unit, currentAttribute(QStringLiteral("n")));
        if (!name.isNull()) chunk->setName(name);
    } else if (source == QLatin1String("{} n + 1")) {
        chunk->setName(QString::number(currentAttribute(QStringLiteral("n")).toLongLong() + 1));
    } else if (source.startsWith(QLatin1String("{} "))) {
        const QString value = currentAttribute(source.mid(3));
        if (!value.isNull()) chunk->setName(value);
    } else if (source.startsWith(QStringLiteral("\u2022 "))) {
        incompleteChunkDict_.insert(source.mid(2), PendingName{chunk, sectionStack_.size() - 1});
    }
}

void TSBodyElementParser::setLocation(const TSImportElement* setting, const TSMatchedChunkPtr& chunk) {
    if (setting->idSource().isNull()) return;
    QString value;
    if (setting->idFromMilestone()) {
        if (!milestoneQueue_.isEmpty()) value = milestoneQueue_.takeFirst();
    } else {
        value = currentAttribute(setting->idSource());
    }
    if (!value.isNull()) chunk->setLocation(ts::AttributedString::make(value));
}

void TSBodyElementParser::addMilestone(const TSImportElement* setting) {
    if (setting->idSource().isNull()) return;
    const QString value = currentAttribute(setting->idSource());
    if (value.isNull()) return;
    milestoneQueue_.append(value);
    if (milestoneQueue_.size() >= 2) TSLogError("milestone queue out of control");
}

bool TSBodyElementParser::isPlaced(const TSChunkPtr& chunk) const {
    if (!chunk) return false;
    if (TSChunkPtr parent = chunk->parent()) return isPlacedUnder(parent);
    placedChunk_.reset();
    placedAnswer_ = chunk->chunkType() == 1 && chunk->asText();
    return placedAnswer_;
}

bool TSBodyElementParser::isPlacedUnder(const TSChunkPtr& parent) const {
    // Text sections come one after another under the same section: the
    // answer for that section holds for each of them.
    if (!parent) return false;
    if (parent == placedChunk_) return placedAnswer_;
    placedChunk_ = parent;
    TSChunkPtr top = parent;
    int guard = 1;
    while (guard++ < 64) {
        TSChunkPtr up = top->parent();
        if (!up) break;
        top = std::move(up);
    }
    placedAnswer_ = top->chunkType() == 1 && top->asText();
    return placedAnswer_;
}

// ---------------------------------------------------------------------------
// Storing text

void TSBodyElementParser::finishPreviousSection() {
    if (stackStrings_.empty() || infoStack_.size() < 2) return;
    // A section mark inside a quotation inside a paragraph: the paragraph's
    // words before the quotation come first, so every open buffer up from
    // the nearest chunk-making element is stored, outermost first.
    const size_t innermost = stackStrings_.size() - 1;
    const size_t offset = infoStack_.size() - 1 - stackStrings_.size();
    size_t first = innermost;
    while (first > 0 && !sectionStack_[first]) --first;
    for (size_t i = first; i <= innermost; ++i) {
        const QString& name = infoStack_[i + offset]->name;
        const TSImportElement* setting = settingFor(name);
        if (!preparesToNothing(i, setting)) {
            ts::AttributedStringPtr text = takeBuffer(i);
            prepareInPlace(*text, setting);
            if (text->length() > 0) storePrepared(std::move(text), name);
        }
        clearBuffer(i);
    }
}

void TSBodyElementParser::appendToTextElement(const QString& elementName) {
    if (stackStrings_.empty()) return;
    const TSImportElement* setting = settingFor(elementName);
    if (preparesToNothing(stackStrings_.size() - 1, setting)) {
        clearBuffer(stackStrings_.size() - 1);
        return;
    }
    storeBuffer(elementName);
    clearBuffer(stackStrings_.size() - 1);
}

void TSBodyElementParser::storeBuffer(const QString& elementName) {
    // The buffer is given up: prepared in place, not copied.
    ts::AttributedStringPtr text = takeBuffer(stackStrings_.size() - 1);
    prepareInPlace(*text, settingFor(elementName));
    if (text->length() > 0) storePrepared(std::move(text), elementName);
}

ts::AttributedStringPtr TSBodyElementParser::takeBuffer(size_t index) {
    bufferAt(index);
    return std::move(stackStrings_[index]);
}

void TSBodyElementParser::storePrepared(ts::AttributedStringPtr text, const QString& elementName) {
    if (postpendString_.length() > 0) {
        auto joined = std::make_shared<ts::AttributedString>(postpendString_);
        joined->append(*text);
        text = joined;
        postpendString_ = ts::AttributedString();
    }
    static const ts::AttributedString blank(QStringLiteral(" "));
    if (curFootnote_) {
        if (curFootnoteText_.length() > 0) curFootnoteText_.append(blank);
        curFootnoteText_.append(*text);
        return;
    }
    if (pendingLink_.length() > 0) {
        auto joined = std::make_shared<ts::AttributedString>(std::exchange(pendingLink_, ts::AttributedString()));
        joined->append(blank);
        joined->append(*text);
        text = joined;
    }
    if (curIdentifier_.isNull()) curIdentifier();
    const QString& key = curIdentifier_;
    const bool marks = holdsBreakMark(text->string());
    if (const TSMatchedChunkPtr& cur = curTextChunk_) {
        // A text section this converter has put nothing in yet holds nothing
        // under the key: it was made empty.
        ts::AttributedStringPtr field = curTextStored_ ? cur->textForKey(key) : nullptr;
        curTextStored_ = true;
        curTextMarks_ = curTextMarks_ || marks;
        // A line's text stays for as long as the document: it keeps no room
        // to grow from the buffers it was built in.
        if (field && field->length() > 0) {
            auto combined = std::make_shared<ts::AttributedString>(*field);
            combined->append(blank);
            combined->append(*text);
            combined->squeeze();
            cur->setTextForKey(std::move(combined), key);
        } else {
            text->squeeze();
            cur->setTextForKey(std::move(text), key);
        }
        if (!(curTextPlacedKnown_ ? curTextPlaced_ : isPlaced(cur))) ++unplaced_;
        return;
    }
    TSMatchedChunkPtr chunk = makeNewTextSection(settingFor(elementName), elementName);
    text->squeeze();
    chunk->setTextForKey(std::move(text), key);
    const bool current = chunk == curTextChunk_;
    if (current) {
        curTextStored_ = true;
        curTextMarks_ = marks;
    }
    if (!(current && curTextPlacedKnown_ ? curTextPlaced_ : isPlaced(chunk))) ++unplaced_;
}

void TSBodyElementParser::storeCurrentText(const QString& name, const TSImportElement* setting) {
    if (!setting) {
        TSLogError("storeCurrentText Nil element %@", className());
        return;
    }
    // The element's buffer is stored, or taken in place, and not read again.
    if (curFootnote_) {
        storeBuffer(name);
        return;
    }
    const bool parentOpened = sectionStack_.size() >= 2 && sectionStack_[sectionStack_.size() - 2];
    static const QString none;
    const QString& parentName = infoStack_.size() >= 2 ? infoStack_[infoStack_.size() - 2]->name : none;
    if (parentOpened) {
        // A text section whose own words are still in its buffer takes the
        // child's text in place, so the line keeps its word order.
        const TSImportElement* parentSetting = settingStack_.size() >= 2 ? settingStack_[settingStack_.size() - 2] : nullptr;
        if (parentSetting && parentSetting->store() == TSImportElement::SubsectionOf) {
            appendInPlace(setting);
            return;
        }
        storeBuffer(parentName);
    } else if (setting->store() == TSImportElement::Append) {
        appendInPlace(setting);
    } else {
        storeBuffer(name);
    }
}

void TSBodyElementParser::appendInPlace(const TSImportElement* setting) {
    const ts::AttributedStringPtr parent = prevStackString();
    if (!parent) return;
    // The child's buffer is not read again: prepared in place.
    const size_t index = stackStrings_.size() - 1;
    const ts::AttributedStringPtr prepared = takeBuffer(index);
    // Trimming the child must not join its words to the parent's: white
    // space at either end of the child stays one blank.
    auto space = [](QChar c) { return c == u' ' || c == u'\n' || c == u'\t'; };
    const QString& raw = prepared->string();
    const bool spaceFirst = !raw.isEmpty() && space(raw.front()), spaceLast = !raw.isEmpty() && space(raw.back());
    prepareInPlace(*prepared, setting);
    if (prepared->length() == 0) return;
    const QString& before = parent->string();
    if (spaceFirst && !before.isEmpty() && !space(before.back()))
        parent->appendSharing(QStringLiteral(" "), baseAttributes());
    parent->append(*prepared);
    if (spaceLast) parent->appendSharing(QStringLiteral(" "), baseAttributes());
}

void TSBodyElementParser::makeNewSubsection(const TSImportElement* setting, const QString& name) {
    if (stackStrings_.empty()) return;
    // The buffer is given up here, so it is prepared in place, not copied;
    // the next text starts a buffer of its own when it comes.
    const size_t index = stackStrings_.size() - 1;
    bufferAt(index);
    ts::AttributedStringPtr prepared = std::move(stackStrings_[index]);
    prepareInPlace(*prepared, setting);
    if (prepared->length() == 0) {
        stackStrings_[index] = std::move(prepared);
        return;
    }
    storePrepared(std::move(prepared), name);
    setCurTextChunk(nullptr);
}

// ---------------------------------------------------------------------------
// Footnotes

FootnoteListPtr TSBodyElementParser::curFootnoteList() {
    noteStackMade_ = true;
    while (noteStack_.size() < books_.size()) noteStack_.push_back(std::make_shared<FootnoteList>());
    return noteStack_.empty() ? nullptr : noteStack_.back();
}

void TSBodyElementParser::makeNewFootnote(const TSImportElement*) {
    // A note is a footnote wherever it stands, first in its line too: taken
    // as the line's own words it would read as the author's.
    if (stackStrings_.empty()) return;
    FootnoteListPtr list = curFootnoteList();
    if (!list) return;
    finishFootnote();
    curFootnote_ = list->makeNewNote();
    curFootnoteText_ = ts::AttributedString();
}

void TSBodyElementParser::insertFootnoteLink() {
    if (!curFootnote_) return;
    FootnoteListPtr list = curFootnoteList();
    const qint64 number = list ? list->count() : 0;
    ts::Attributes attributes = baseAttributes().toAttributes();
    attributes[ts::AttributeName::Link] = ts::Value(ts::Url::make(curFootnote_->uniqueID()));
    const ts::Attributes current = baseAttributes().toAttributes();
    Preferences::addLinkAttributes(attributes, Preferences::FootnoteLink, &current);
    ts::AttributedString link(QStringLiteral("[%1]").arg(number), attributes);
    // A note between the lines of a section follows the line before it: the
    // section's own buffer is stored only at its end, after its later lines.
    const TSMatchedChunkPtr line = curTextChunk_ ? curTextChunk_ : lastLine_;
    const size_t parent = stackStrings_.size() - 2;
    const TSImportElement* parentSetting = settingStack_.size() >= 2 ? settingStack_[settingStack_.size() - 2] : nullptr;
    const bool parentIsLine = parentSetting && parentSetting->store() == TSImportElement::SubsectionOf;
    if (stackStrings_.size() >= 2 && sectionStack_[parent] && !parentIsLine && !bufferHas(parent, isKept)) {
        if (!line) {
            // Before the section's first line: the link opens the next text.
            if (pendingLink_.length() > 0) pendingLink_.append(ts::AttributedString(QStringLiteral(" ")));
            pendingLink_.append(link);
            return;
        }
        const QString key = curIdentifier();
        const ts::AttributedStringPtr field = line != curTextChunk_ || curTextStored_ ? line->textForKey(key) : nullptr;
        auto text = std::make_shared<ts::AttributedString>(field ? *field : ts::AttributedString());
        if (text->length() > 0) text->append(ts::AttributedString(QStringLiteral(" ")));
        text->append(link);
        text->squeeze();
        line->setTextForKey(std::move(text), key);
        if (line == curTextChunk_) curTextStored_ = true;
        return;
    }
    appendToPreviousString(link);
}

void TSBodyElementParser::storePendingLink(const QString& elementName) {
    // A section that holds a note and no line after it: the link is a line
    // of its own rather than the first words of the next section.
    if (pendingLink_.length() == 0) return;
    storePrepared(copyOf(std::exchange(pendingLink_, ts::AttributedString())), elementName);
}

void TSBodyElementParser::finishFootnote() {
    if (!curFootnote_) return;
    if (curFootnoteText_.length() > 0) curFootnote_->setAttributedString(curFootnoteText_);
    curFootnote_.reset();
    curFootnoteText_ = ts::AttributedString();
}

bool TSBodyElementParser::inNote(size_t depth) const {
    for (size_t i = depth; i-- > 0;) {
        const TSImportElement* s = settingStack_[i];
        if (!s) continue;
        if (s->store() == TSImportElement::Note) return true;
        if (s->store() == TSImportElement::SubsectionOf) return false;
    }
    return false;
}

QString TSBodyElementParser::currentAttribute(const QString& name) const {
    if (attributeStack_.empty() || !attributeStack_.back().list) return QString();
    const OpenAttributes& open = attributeStack_.back();
    const std::vector<QString>& text = *open.list;
    // The last of equal names counts, as in a dictionary of the set.
    for (quint32 i = open.end; i >= open.begin + 2; i -= 2)
        if (text[i - 2] == name) return text[i - 1].isNull() ? QString(QLatin1String("")) : text[i - 1];
    return QString();
}
