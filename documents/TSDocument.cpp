#include "documents/TSDocument.h"

#include "app/logging/LGLog.h"
#include "morphology/WordController.h"
#include "platform/AttributedString.h"
#include "platform/Color.h"
#include "platform/GeometryValue.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/PlatformClasses.h"
#include "platform/PropertyList.h"
#include "platform/SearchIndex.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSBookmarkList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <mutex>

const QString TSDocument::kTypeName = QStringLiteral("TSDocument");
const QString TSDocument::kFileExtension = QStringLiteral("tsdx");
const QString TSDocument::kAddWordForm = QStringLiteral("Add word form");
const QString TSDocument::kVocabChanged = QStringLiteral("Vocab Changed");
const QString TSDocument::kTextReplaced = QStringLiteral("TSDocument text replaced");

namespace {

const QString kWindowKey = QStringLiteral("Keyed Window position");
const QString kTextKey = QStringLiteral("Text");
const QString kVocabKey = QStringLiteral("Vocab List");
const QString kFontKey = QStringLiteral("Font attributes");
const QString kFootnotesKey = QStringLiteral("Footnotes");
const QString kPdfURLKey = QStringLiteral("pdfURL");
const QString kPdfFilesKey = QStringLiteral("pdfFiles");
const QString kUuidKey = QStringLiteral("uuid");

TSDocument::WindowFactory& windowFactory() {
    static TSDocument::WindowFactory factory;
    return factory;
}

TSTextPtr defaultText() {
    auto text = std::make_shared<TSText>();
    text->addChild(std::make_shared<TSMatchedChunk>());
    return text;
}

}  // namespace

void TSDocument::setWindowFactory(WindowFactory factory) { windowFactory() = std::move(factory); }

void TSDocument::registerClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        ts::registerPlatformClasses();
        ts::registerRichTextClasses();
        registerTextModelClasses();
    });
}

void TSDocument::registerDocumentType(ts::DocumentController& controller) {
    registerClasses();
    controller.registerDocumentType(
        kTypeName, {kFileExtension}, [] { return std::static_pointer_cast<ts::Document>(std::make_shared<TSDocument>()); },
        &TSDocument::isDocumentData);
}

bool TSDocument::isDocumentData(const QByteArray& data) {
    const ts::PlistResult parsed = ts::PropertyList::read(data);
    if (!parsed.ok() || !parsed.value.isDictionary()) return false;
    const ts::Value& root = parsed.value;
    if (root[kTextKey].isDictionary()) return true;
    int keys = 0;
    for (const QString& key : {kWindowKey, kTextKey, kVocabKey, kFontKey, kFootnotesKey, kPdfURLKey, kPdfFilesKey, kUuidKey})
        if (root.contains(key)) ++keys;
    return keys >= 2;
}

TSDocument::TSDocument() { registerClasses(); }

TSDocument::~TSDocument() = default;

bool TSDocument::readFromData(const QByteArray& data, const QString&, ts::DocumentError* error) {
    const QString problem = importFromPListFormat(data);
    if (problem.isEmpty()) return true;
    TSLogError("The document could not be read: %@", problem);
    ts::DocumentError::fillRead(error, problem);
    return false;
}

std::optional<QByteArray> TSDocument::dataOfType(const QString&, ts::DocumentError* error) const {
    QString problem;
    const QByteArray data = exportToPListFormat(&problem);
    if (data.isEmpty()) {
        ts::DocumentError::fillWrite(error, problem);
        return std::nullopt;
    }
    indexForSpotlight();
    return data;
}

void TSDocument::makeWindowControllers() {
    if (!windowFactory()) return;
    auto self = std::static_pointer_cast<TSDocument>(shared_from_this());
    windowFactory()(self);
}

void TSDocument::showWindows() {}

QString TSDocument::importFromPListFormat(const QByteArray& data) {
    ts::PlistResult parsed = ts::PropertyList::read(data);
    if (!parsed.ok()) return parsed.error;
    if (!parsed.value.isDictionary()) return QStringLiteral("the file's root is not a dictionary");
    const ts::Value& root = parsed.value;

    // Everything is read into locals first so that a refused file leaves the
    // document as it was.
    TSTextPtr text;
    if (root.contains(kTextKey)) {
        text = TSText::textFromDictionary(root[kTextKey]);
        if (!text) return QStringLiteral("its text cannot be read");
    }

    if (root[kVocabKey].isData()) {
        if (!vocabList_) vocabList_ = std::make_shared<WordController>();
        vocabList_->restoreWordsFromArchive(root[kVocabKey].toData());
    }
    if (root[kFootnotesKey].isData()) footnotes_ = FootnoteList::unarchiveNotes(root[kFootnotesKey].toData());
    if (root[kFontKey].isData()) {
        QString problem;
        const ts::Value attributes = ts::KeyedUnarchiver::unarchive(root[kFontKey].toData(), {}, &problem);
        if (attributes.isDictionary()) {
            baseFontAttributes_ = attributes.dictionary();
            unreadableFontAttributes_.clear();
            // Stored colours were the writer's theme; text shows in ours.
            baseFontAttributes_[ts::AttributeName::ForegroundColor] = ts::Value(ts::Color::textColor());
        } else {
            TSLogError("The document's font attributes could not be read: %@", problem);
            baseFontAttributes_.clear();
            unreadableFontAttributes_ = root[kFontKey].toData();
        }
    }
    if (text) text_ = text;
    if (root[kPdfURLKey].isData()) pdfBookmark_ = root[kPdfURLKey].toData();
    if (root[kPdfFilesKey].isArray()) pdfFiles_ = TSBookmarkList::objectFromArray(root[kPdfFilesKey]);
    if (root[kUuidKey].isString()) {
        if (auto uuid = ts::Uuid::fromString(root[kUuidKey].toString())) uuid_ = uuid;
    }
    // Kept until the window has taken its frame; moved, not copied, as it
    // holds the whole text.
    savedData_ = std::move(parsed.value);
    return {};
}

ts::ValueDictionary TSDocument::entriesBesideText() const {
    ts::ValueDictionary root;
    root[kWindowKey] = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(ts::GeometryValue::rect(windowFrame_)));
    if (vocabList_) root[kVocabKey] = vocabList_->archiveWords();
    if (!baseFontAttributes_.empty())
        root[kFontKey] = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(baseFontAttributes_));
    else if (!unreadableFontAttributes_.isEmpty())
        root[kFontKey] = unreadableFontAttributes_;
    if (footnotes_) {
        // The copy shares the notes: marking them through it marks the
        // document's own, but only the copy loses the unused ones.
        FootnoteListPtr saved = footnotes_->copy();
        saved->markAllAsUnfound();
        text()->markFoundNotes(*saved);
        saved->purgeUnusedNotes();
        root[kFootnotesKey] = saved->archiveNotes();
    }
    if (!pdfBookmark_.isEmpty()) root[kPdfURLKey] = pdfBookmark_;
    if (pdfFiles_) root[kPdfFilesKey] = pdfFiles_->serialize();
    root[kUuidKey] = uuid().UUIDString();
    return root;
}

ts::ValueDictionary TSDocument::serialize() const {
    ts::ValueDictionary root = entriesBesideText();
    root[kTextKey] = text()->serialize();
    return root;
}

QByteArray TSDocument::exportToPListFormat(QString* error) const {
    // The text is written as it is walked: a long document's tree of
    // dictionaries would cost as much to build as to write.
    ts::BinaryPropertyListWriter writer;
    ts::BinaryPropertyListWriter::Entries root;
    for (auto& [key, value] : entriesBesideText()) root.push_back({key, std::move(value), {}});
    TSTextPtr saved = text();
    root.push_back({kTextKey, {}, [&](ts::BinaryPropertyListWriter& w) {
                        if (auto written = saved->writeTo(w)) return *written;
                        return w.addValue(ts::Value());
                    }});
    writer.addDictionary(std::move(root));
    QString problem;
    const QByteArray data = writer.finish(&problem);
    if (data.isEmpty()) {
        TSLogError("Error exporting TSDocument %@", problem);
        if (error) *error = problem.isEmpty() ? QStringLiteral("The document could not be written.") : problem;
    }
    return data;
}

void TSDocument::cleanup() {
    savedData_ = ts::Value();
    footnotes_.reset();
    vocabList_.reset();
    text_.reset();
    englishIdentifier_.clear();
    baseFontAttributes_.clear();
    unreadableFontAttributes_.clear();
    pdfBookmark_.clear();
    pdfFiles_.reset();
    uuid_.reset();
    vocabObserver_.reset();
}

TSTextPtr TSDocument::text() const {
    if (!text_) text_ = defaultText();
    return text_;
}

void TSDocument::setText(TSTextPtr text) {
    if (!replacedText_ && text_ != text) replacedText_ = text_;
    text_ = std::move(text);
}

FootnoteListPtr TSDocument::footnotes() const {
    if (!footnotes_) footnotes_ = std::make_shared<FootnoteList>();
    return footnotes_;
}

void TSDocument::setFootnotes(FootnoteListPtr footnotes) { footnotes_ = std::move(footnotes); }

void TSDocument::textReplaced() {
    ts::NotificationCenter::defaultCenter().post(kTextReplaced, this);
    replacedText_.reset();
}

void TSDocument::registerUndoSnapshot(const QString& name) {
    struct Snapshot {
        ts::Value text;
        QByteArray notes;
    };
    auto take = [this] { return Snapshot{text()->serialize(), footnotes()->archiveNotes()}; };
    auto other = std::make_shared<Snapshot>(take());
    // Swaps the document's state with the one kept: undo and redo alike.
    std::weak_ptr<ts::Document> weak = weak_from_this();
    auto swap = [weak, other, take](ChangeType change) {
        auto self = std::static_pointer_cast<TSDocument>(weak.lock());
        if (!self) return;
        Snapshot now = take();
        TSTextPtr restored = TSText::textFromDictionary(other->text);
        FootnoteListPtr notes = FootnoteList::unarchiveNotes(other->notes);
        if (!restored || !notes) {
            TSLogError("An undo step of %@ could not be read back", self->displayName());
            return;
        }
        self->setText(restored);
        self->setFootnotes(notes);
        *other = std::move(now);
        self->updateChangeCount(change);
        self->textReplaced();
    };
    registerUndo({name, [swap] { swap(ChangeUndone); }, [swap] { swap(ChangeDone); }});
}

WordControllerPtr TSDocument::vocabList() {
    // An empty list changes nothing: the first word put in it is the edit.
    if (!vocabList_) vocabList_ = std::make_shared<WordController>();
    return vocabList_;
}

TSBookmarkListPtr TSDocument::pdfFiles() const {
    if (!pdfFiles_) pdfFiles_ = std::make_shared<TSBookmarkList>();
    return pdfFiles_;
}

ts::Uuid TSDocument::uuid() const {
    if (!uuid_) uuid_ = ts::Uuid::create();
    return *uuid_;
}

void TSDocument::setEnglishIdentifier(const QString& identifier) {
    if (identifier == QLatin1String("english") || identifier == QLatin1String("perseusEnglish"))
        englishIdentifier_ = identifier;
}

std::optional<QRectF> TSDocument::takeSavedWindowFrame() {
    if (!savedData_.isDictionary()) return std::nullopt;
    std::optional<QRectF> frame;
    const ts::Value& stored = savedData_[kWindowKey];
    if (stored.isData()) {
        const ts::Value value = ts::KeyedUnarchiver::unarchive(stored.toData());
        if (auto geometry = value.toObjectAs<ts::GeometryValue>(); geometry && geometry->kind() == ts::GeometryValue::Kind::Rect)
            frame = geometry->rectValue();
    }
    savedData_ = ts::Value();
    return frame;
}

void TSDocument::addWordForm(const QString& word) {
    if (word.isEmpty()) return;
    ts::NotificationCenter::defaultCenter().post(kAddWordForm, this, {{QStringLiteral("object"), word}});
}

void TSDocument::indexForSpotlight() const {
    ts::SearchableItem item;
    item.uniqueIdentifier = uuid().UUIDString();
    const ts::ValueDictionary& information = text()->information();
    auto field = [&information](const char* key) {
        const auto it = information.find(QString::fromLatin1(key));
        return it != information.end() && it->second.isString() ? it->second.toString() : QString();
    };
    if (const QString author = field("author"); !author.isEmpty()) item.keywords << author;
    if (const QString editor = field("editor"); !editor.isEmpty()) {
        item.editors = {editor};
        item.keywords << editor;
    }
    if (const QString publisher = field("publisher"); !publisher.isEmpty()) {
        item.publishers = {publisher};
        item.keywords << publisher;
    }
    const QString title = field("title");
    if (!title.isEmpty()) item.keywords << title;
    item.title = title.isEmpty() ? displayName() : title;
    item.languages = {QStringLiteral("la"), QStringLiteral("en")};
    item.kind = kFileExtension;
    for (const QString& word : text()->wordSet()) item.textContent += QLatin1Char(' ') + word;
    ts::SearchIndex& index = ts::SearchIndex::defaultSearchableIndex();
    QString problem;
    if (!index.deleteSearchableItemsWithIdentifiers({item.uniqueIdentifier}, &problem))
        TSLogError("Error deleting spotlight index %@", problem);
    if (!index.indexSearchableItems({item}, &problem)) TSLogError("Error making spotlight index %@", problem);
}

void TSDocument::registerForNotifications() {
    // The vocabulary window names the word list it changed; a change to
    // another document's list is not an edit of this one.
    vocabObserver_ = ts::NotificationCenter::defaultCenter().addObserver(kVocabChanged, nullptr, [this](const ts::Notification& n) {
        if (vocabList_ && n.sender == vocabList_.get()) updateChangeCount(ChangeDone);
    });
}
