#include "documents/MyDocument.h"

#include "app/logging/LGLog.h"
#include "documents/TSDocument.h"
#include "foundation/StringExtensions.h"
#include "morphology/WordController.h"
#include "platform/Color.h"
#include "platform/GeometryValue.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/Rtf.h"
#include "platform/SearchIndex.h"
#include "platform/Url.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/FootnoteObject.h"
#include "textmodel/TSLinkStyle.h"

#include <map>

const QString MyDocument::kTypeName = QStringLiteral("MyDocument");
const QString MyDocument::kFileExtension = QStringLiteral("tsmd");

namespace {

MyDocument::WindowFactory& windowFactory() {
    static MyDocument::WindowFactory factory;
    return factory;
}

// Read texts take the standard text colour: the colours they were saved
// with belong to the writer's theme.
ts::AttributedString inTextColor(ts::AttributedString text) {
    if (text.length() > 0)
        text.addAttribute(ts::AttributeName::ForegroundColor, ts::Value(ts::Color::textColor()), {0, text.length()});
    return text;
}

}  // namespace

void MyDocument::setWindowFactory(WindowFactory factory) { windowFactory() = std::move(factory); }

void MyDocument::registerDocumentType(ts::DocumentController& controller) {
    TSDocument::registerClasses();
    controller.registerDocumentType(
        kTypeName, {kFileExtension}, [] { return std::static_pointer_cast<ts::Document>(std::make_shared<MyDocument>()); },
        &MyDocument::isDocumentData);
}

bool MyDocument::isDocumentData(const QByteArray& data) {
    if (!data.startsWith("bplist") && !data.contains("NSKeyedArchiver")) return false;
    const ts::Value root = ts::KeyedUnarchiver::unarchive(data);
    return root.isArray() && root.array().size() >= 2 && root.array()[0].isData() && root.array()[1].isData();
}

MyDocument::MyDocument() {
    TSDocument::registerClasses();
    footnotes_ = std::make_shared<FootnoteList>();
    vocabList_ = std::make_shared<WordController>();
}

MyDocument::~MyDocument() = default;

void MyDocument::setFootnotes(FootnoteListPtr footnotes) {
    footnotes_ = footnotes ? std::move(footnotes) : std::make_shared<FootnoteList>();
}

void MyDocument::setVocabList(WordControllerPtr list) {
    vocabList_ = list ? std::move(list) : std::make_shared<WordController>();
}

bool MyDocument::readFromData(const QByteArray& data, const QString&, ts::DocumentError* error) {
    const QString problem = loadFromArchive(data);
    if (problem.isEmpty()) return true;
    TSLogError("The two-pane document could not be read: %@", problem);
    ts::DocumentError::fillRead(error, problem);
    return false;
}

std::optional<QByteArray> MyDocument::dataOfType(const QString&, ts::DocumentError* error) const {
    QString problem;
    const QByteArray data = archive(&problem);
    if (data.isEmpty()) {
        ts::DocumentError::fillWrite(error, problem);
        return std::nullopt;
    }
    indexForSpotlight();
    return data;
}

void MyDocument::makeWindowControllers() {
    if (!windowFactory()) return;
    windowFactory()(std::static_pointer_cast<MyDocument>(shared_from_this()));
}

QString MyDocument::loadFromArchive(const QByteArray& data) {
    QString problem;
    const ts::Value root = ts::KeyedUnarchiver::unarchive(data, {}, &problem);
    if (!root.isArray()) return problem.isEmpty() ? QStringLiteral("its root is not an array") : problem;
    const ts::ValueArray& elements = root.array();
    if (elements.size() < 2) return QStringLiteral("it holds %1 elements, at least 2 are needed").arg(elements.size());
    if (elements.size() > size_t(kElementCount))
        TSLogError("A two-pane archive of %@ elements: the ones after the eighth are ignored", qint64(elements.size()));
    // Everything is read into locals first so that a refused file leaves the
    // document as it was.
    ts::AttributedString texts[2];
    for (int i = 0; i < 2; ++i) {
        if (!elements[size_t(i)].isData()) return QStringLiteral("text %1 is not data").arg(i + 1);
        ts::RtfReadResult read = ts::readRtf(elements[size_t(i)].toData());
        if (!read) return QStringLiteral("text %1 is not RTF: %2").arg(i + 1).arg(read.error);
        texts[i] = inTextColor(std::move(read.text));
    }
    FootnoteListPtr notes;
    if (elements.size() >= 3 && elements[2].isData()) notes = FootnoteList::unarchiveNotes(elements[2].toData());
    WordControllerPtr words;
    if (elements.size() >= 4 && elements[3].isData()) {
        words = std::make_shared<WordController>();
        words->restoreWordsFromArchive(elements[3].toData());
    }
    QByteArray image;
    if (elements.size() >= 7 && elements[6].isData()) image = elements[6].toData();
    std::shared_ptr<ts::Uuid> uuid;
    if (elements.size() >= 8 && elements[7].isString()) uuid = ts::Uuid::fromString(elements[7].toString());

    latin_ = std::move(texts[0]);
    english_ = std::move(texts[1]);
    setFootnotes(notes);
    setVocabList(words);
    imageData_ = image;
    if (uuid) uuid_ = uuid;
    return {};
}

QByteArray MyDocument::archive(QString* error) const {
    ts::ValueArray elements;
    elements.reserve(kElementCount);
    elements.emplace_back(ts::writeRtf(latin_));
    elements.emplace_back(ts::writeRtf(english_));
    // The copy shares the notes, so marking reaches the document's own, but
    // only the copy loses those no text links to any more.
    markFoundNotes();
    FootnoteListPtr saved = footnotes_->copy();
    saved->purgeUnusedNotes();
    elements.emplace_back(saved->archiveNotes());
    elements.emplace_back(vocabList_->archiveWords());
    elements.emplace_back(ts::Value(ts::GeometryValue::rect(windowFrame_)));
    elements.emplace_back(savedFrame_);
    elements.emplace_back(imageData_.isEmpty() ? ts::Value() : ts::Value(imageData_));
    elements.emplace_back(uuid().UUIDString());
    QString problem;
    QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(std::move(elements)), &problem);
    if (data.isEmpty()) {
        TSLogError("Error archiving the two-pane document %@", problem);
        if (error) *error = problem.isEmpty() ? QStringLiteral("The document could not be written.") : problem;
    }
    return data;
}

ts::Uuid MyDocument::uuid() const {
    if (!uuid_) uuid_ = ts::Uuid::create();
    return *uuid_;
}

void MyDocument::markFoundNotes() const {
    footnotes_->markAllAsUnfound();
    for (const ts::AttributedString* text : {&latin_, &english_})
        for (const FootnoteText::Link& link : FootnoteText::footnoteLinks(*text))
            if (FootnoteObjectPtr note = footnotes_->noteForID(link.id)) note->setFound(true);
}

QString MyDocument::textContent() const {
    return StringExtensions::stripDiacritics(latin_.string()) + QLatin1Char('\n') + english_.string();
}

void MyDocument::indexForSpotlight() const {
    ts::SearchableItem item;
    item.uniqueIdentifier = uuid().UUIDString();
    item.title = displayName();
    item.languages = {QStringLiteral("la"), QStringLiteral("en")};
    item.textContent = textContent();
    ts::SearchIndex& index = ts::SearchIndex::defaultSearchableIndex();
    QString problem;
    // Only this document's own item is replaced; the other documents' stay.
    if (!index.deleteSearchableItemsWithIdentifiers({item.uniqueIdentifier}, &problem))
        TSLogError("Error deleting spotlight index %@", problem);
    if (!index.indexSearchableItems({item}, &problem)) TSLogError("Error making spotlight index %@", problem);
}

void MyDocument::registerForNotifications(const std::function<bool(const void* sender)>& ownsPane) {
    auto& center = ts::NotificationCenter::defaultCenter();
    vocabObserver_ = center.addObserver(TSDocument::kVocabChanged, nullptr, [this](const ts::Notification& n) {
        if (n.sender == vocabList_.get()) updateChangeCount(ChangeDone);
    });
    attributesObserver_ = center.addObserver(QStringLiteral("text attributes changed"), nullptr,
                                             [this, ownsPane](const ts::Notification& n) {
                                                 if (ownsPane && ownsPane(n.sender)) updateChangeCount(ChangeDone);
                                             });
}

void MyDocument::cleanup() {
    vocabObserver_.reset();
    attributesObserver_.reset();
}

// ------------------------------------------------------------ footnote text

namespace FootnoteText {

std::vector<Link> footnoteLinks(const ts::AttributedString& text) {
    std::vector<Link> links;
    qsizetype at = 0;
    for (const ts::AttributedString::Run& run : text.runs()) {
        const ts::TextRange range{at, run.length};
        at += run.length;
        auto it = run.attributes.find(ts::AttributeName::Link);
        if (it == run.attributes.end() || LinkTypeOfLink(it->second) != TSLinkTypeFootnote) continue;
        const QString id = LinkIdentifierString(it->second);
        // Runs of one link split by other attributes join into one marker.
        if (!links.empty() && links.back().id == id && links.back().range.end() == range.location)
            links.back().range.length += range.length;
        else
            links.push_back({id, range});
    }
    return links;
}

QString marker(qint64 number) { return TSLinkStyles::footnoteMarker(number); }

bool renumber(ts::AttributedString& text, FootnoteList& notes, bool forExport) {
    notes.denumber();
    qint64 counter = 0;
    bool changed = false;
    const std::vector<Link> links = footnoteLinks(text);
    // Back to front, so earlier ranges stay valid; numbers are given front to
    // back first.
    std::vector<qint64> numbers(links.size(), 0);
    for (size_t i = 0; i < links.size(); ++i) {
        FootnoteObjectPtr note = notes.noteForID(links[i].id);
        if (!note) continue;
        qint64 number = 0;
        if (!note->isAlreadyNumbered(&number)) {
            number = ++counter;
            note->setCurrentNumber(number);
        }
        numbers[i] = number;
    }
    for (size_t i = links.size(); i-- > 0;) {
        if (!numbers[i]) continue;
        const Link& link = links[i];
        ts::Attributes attributes = text.attributes(link.range.location);
        if (forExport) {
            attributes.erase(ts::AttributeName::Link);
        }
        const QString newMarker = marker(numbers[i]);
        if (!forExport && text.string().mid(link.range.location, link.range.length) == newMarker) continue;
        text.replaceCharacters(link.range, ts::AttributedString(newMarker, attributes));
        changed = true;
    }
    return changed;
}

ts::AttributedString resolveForCopy(const ts::AttributedString& source, FootnoteList& notes) {
    ts::AttributedString copy = source;
    const std::vector<Link> links = footnoteLinks(copy);
    renumber(copy, notes, true);
    // The heading and the note numbers take the look of the text itself, not
    // of a marker (which carries the link's underline and colour).
    ts::Attributes plain;
    bool fromText = false;
    for (qsizetype i = source.length(); i-- > 0 && !fromText;) {
        bool inMarker = false;
        for (const Link& link : links)
            if (link.range.location <= i && i < link.range.end()) inMarker = true;
        if (inMarker || source.string().at(i).isSpace()) continue;
        plain = source.attributes(i);
        fromText = true;
    }
    if (!fromText && copy.length() > 0) {
        plain = copy.attributes(copy.length() - 1);
        plain.erase(ts::AttributeName::Underline);
        plain.erase(ts::AttributeName::ForegroundColor);
    }
    plain.erase(ts::AttributeName::Link);
    copy.append(QStringLiteral("\n\nFootnotes"), plain);
    qint64 lastWritten = 0;
    for (const Link& link : links) {
        FootnoteObjectPtr note = notes.noteForID(link.id);
        if (!note) continue;
        qint64 number = 0;
        if (!note->isAlreadyNumbered(&number)) {
            TSLogError("unnumbered footnote");
            continue;
        }
        if (number <= lastWritten) continue;
        copy.append(QStringLiteral("\n%1. ").arg(number), plain);
        if (ts::AttributedStringPtr body = note->attributedString()) copy.append(*body);
        lastWritten = number;
    }
    return copy;
}

}  // namespace FootnoteText
