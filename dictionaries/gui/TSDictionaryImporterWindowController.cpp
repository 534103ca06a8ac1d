#include "dictionaries/gui/TSDictionaryImporterWindowController.h"

#include "dictionaries/DictionaryServices.h"
#include "dictionaries/gui/MDictEntryModel.h"
#include "platform/Prompter.h"
#include "tools/gui/NBOutlineView.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QSplitter>
#include <QThreadPool>
#include <QVBoxLayout>

namespace {

QString text(const QString& key) { return DictionaryServices::localized(key); }

// After the empty item and the separator.
constexpr int kFirstDictionaryItem = 2;

QPlainTextEdit* makeTextView(QWidget* parent) {
    auto* view = new QPlainTextEdit(parent);
    view->setReadOnly(true);
    view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    return view;
}

QWidget* titled(const QString& title, QWidget* content) {
    auto* box = new QWidget;
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    auto* label = new QLabel(title, box);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    layout->addWidget(label);
    layout->addWidget(content, 1);
    return box;
}

}  // namespace

TSDictionaryImporterWindowController::TSDictionaryImporterWindowController(QWidget* parent) : QWidget(parent) {
    setWindowTitle(text(QStringLiteral("Import MDict Dictionary")));
    availableDictionariesPopup = new QComboBox(this);
    availableDictionariesPopup->setMinimumWidth(240);
    rawTextView = makeTextView(this);
    errorView = makeTextView(this);
    dictionaryView = new NBOutlineView(this);
    model_ = new MDictEntryModel(this);
    dictionaryView->setModel(model_);
    dictionaryView->header()->setStretchLastSection(false);
    dictionaryView->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    dictionaryView->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    tagsTable = new QListWidget(this);
    tagsTable->setSelectionMode(QAbstractItemView::NoSelection);
    tagsTable->setMinimumWidth(420);
    progressBar = new QProgressBar(this);
    progressBar->setTextVisible(false);
    progressBar->setRange(0, 1);
    progressBar->setValue(0);
    saveButton = new QPushButton(text(QStringLiteral("Save")), this);
    recordCountLabel = new QLabel(this);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(text(QStringLiteral("Dictionary:")), this));
    top->addWidget(availableDictionariesPopup);
    top->addSpacing(12);
    top->addWidget(recordCountLabel);
    top->addStretch(1);

    auto* right = new QSplitter(Qt::Vertical, this);
    right->addWidget(titled(text(QStringLiteral("Records")), rawTextView));
    right->addWidget(titled(text(QStringLiteral("Entries")), dictionaryView));
    right->addWidget(titled(text(QStringLiteral("Messages")), errorView));
    right->setStretchFactor(0, 2);
    right->setStretchFactor(1, 3);
    right->setStretchFactor(2, 1);
    auto* middle = new QSplitter(Qt::Horizontal, this);
    middle->addWidget(titled(text(QStringLiteral("Tags")), tagsTable));
    middle->addWidget(right);
    middle->setStretchFactor(0, 0);
    middle->setStretchFactor(1, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(progressBar, 1);
    bottom->addWidget(saveButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(middle, 1);
    layout->addLayout(bottom);
    resize(1100, 760);

    connect(availableDictionariesPopup, &QComboBox::activated, this, [this](int i) { dictionaryPopupSelected(i); });
    connect(saveButton, &QPushButton::clicked, this, [this] { saveButtonClicked(); });
    searchForDictionaries();
    saveButton->setEnabled(false);
    // The window opens on its first dictionary, not on the empty item that
    // stands for none.
    if (availableDictionariesPopup->count() > kFirstDictionaryItem) {
        availableDictionariesPopup->setCurrentIndex(kFirstDictionaryItem);
        dictionaryPopupSelected(kFirstDictionaryItem);
    }
}

TSDictionaryImporterWindowController::~TSDictionaryImporterWindowController() {
    // Background work holds the importer itself, never this window.
    for (auto* cell : std::as_const(tagCellDictionary_)) cell->setTagDelegate(nullptr);
}

QList<QUrl> TSDictionaryImporterWindowController::dictionaries() {
    QList<QUrl> urls;
    QStringList names;
    for (const QString& folder : {DictionaryServices::resourcesDirectory(), DictionaryServices::builtResourcesDirectory()}) {
        if (folder.isEmpty()) continue;
        const QDir dir(folder);
        for (const QFileInfo& info : dir.entryInfoList({QStringLiteral("*.mdx")}, QDir::Files, QDir::Name)) {
            // A file shipped with the resources stands for a built one of the same name.
            if (names.contains(info.fileName())) continue;
            names << info.fileName();
            urls << QUrl::fromLocalFile(info.absoluteFilePath());
        }
    }
    return urls;
}

void TSDictionaryImporterWindowController::searchForDictionaries() {
    availableDictionariesPopup->clear();
    availableDictionariesPopup->addItem(QString());
    availableDictionariesPopup->insertSeparator(1);
    for (const QUrl& url : dictionaries())
        availableDictionariesPopup->addItem(QFileInfo(url.toLocalFile()).completeBaseName(), url);
}

void TSDictionaryImporterWindowController::dictionaryPopupSelected(int index) {
    const QUrl url = availableDictionariesPopup->itemData(index).toUrl();
    ++generation_;
    importer_.reset();
    allTags_.clear();
    tagCellDictionary_.clear();
    tagsTable->clear();
    rawTextView->clear();
    errorView->clear();
    recordCountLabel->clear();
    model_->setEntries({});
    saveButton->setEnabled(false);
    conversionPending_ = false;
    if (!url.isLocalFile()) {
        stopProgress();
        return;
    }
    startProgress(0);
    loading_ = true;
    const quint64 generation = generation_;
    const QString path = url.toLocalFile();
    QPointer<TSDictionaryImporterWindowController> self(this);
    QThreadPool::globalInstance()->start([self, generation, path] {
        auto importer = TSMDictImporter::dictionaryWithFile(path);
        // The tag survey reads all the records; it is made here, off the window's thread.
        const QStringList tags = importer->recordsTags();
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, generation, importer, tags] {
            if (!self || generation != self->generation_) return;
            self->loading_ = false;
            self->importer_ = importer;
            self->allTags_ = tags;
            if (!importer->readError().isEmpty()) {
                self->stopProgress();
                self->errorView->setPlainText(importer->readError());
                Q_EMIT self->conversionShown();
                return;
            }
            self->recordCountLabel->setText(text(QStringLiteral("%1 records read")).arg(importer->recordCount()));
            self->reloadTags();
            self->rawTextView->setPlainText(self->formattedRawString());
            self->model_->setEntries({});
            self->parseRawString();
        }, Qt::QueuedConnection);
    }, QThread::HighPriority);
}

QString TSDictionaryImporterWindowController::formattedRawString() const {
    if (!importer_) return QString();
    QString raw = importer_->recordsPrefix(kRawPreviewChars);
    raw.replace(QLatin1Char('>'), QStringLiteral(">\n"));
    return raw;
}

void TSDictionaryImporterWindowController::reloadTags() {
    tagsTable->clear();
    tagCellDictionary_.clear();
    if (!importer_) return;
    const auto attributes = importer_->foundAttributes();
    for (const QString& tag : std::as_const(allTags_)) {
        auto* item = new QListWidgetItem(tagsTable);
        auto* cell = new TSTagViewCell;
        cell->setTagDelegate(this);
        cell->setTag(tag);
        cell->setOptionAttributes(attributes);
        cell->setOptionType(optionName(tag));
        cell->rebuildSupplementaryPopup();
        item->setSizeHint(cell->sizeHint());
        tagsTable->setItemWidget(item, cell);
        tagCellDictionary_.insert(tag, cell);
    }
}

void TSDictionaryImporterWindowController::parseRawString() {
    if (!importer_) return;
    if (converting_) {
        conversionPending_ = true;
        return;
    }
    converting_ = true;
    saveButton->setEnabled(false);
    startProgress(importer_->numEntries());
    const quint64 generation = generation_;
    auto importer = importer_;
    QPointer<TSDictionaryImporterWindowController> self(this);
    QThreadPool::globalInstance()->start([self, generation, importer] {
        importer->parseRawString([self](qint64 count) {
            if (count < 1) return;
            QMetaObject::invokeMethod(QCoreApplication::instance(), [self, count] {
                if (self && self->progressBar->maximum() > 0) self->progressBar->setValue(int(std::min<qint64>(count, self->progressBar->maximum())));
            }, Qt::QueuedConnection);
        });
        DictionaryEntryList preview;
        if (auto words = importer->words()) {
            std::lock_guard lock(importer->wordsLock());
            preview.assign(words->begin(), words->begin() + std::min<qsizetype>(kPreviewEntries, qsizetype(words->size())));
        }
        // What the reader noticed comes first: it explains odd entries.
        QString errorText;
        for (const QStringList& list : {importer->readWarnings(), importer->errors()}) {
            for (const QString& e : list) {
                errorText += e;
                errorText += QLatin1Char('\n');
                if (errorText.size() > kErrorTextChars) break;
            }
            if (errorText.size() > kErrorTextChars) break;
        }
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, generation, preview = std::move(preview), errorText = std::move(errorText)]() mutable {
            if (self) self->showConversion(generation, std::move(preview), std::move(errorText));
        }, Qt::QueuedConnection);
    }, QThread::HighPriority);
}

void TSDictionaryImporterWindowController::showConversion(quint64 generation, DictionaryEntryList preview, QString errorText) {
    converting_ = false;
    if (generation != generation_) {
        // A conversion of a file since replaced; the new file's own request waits for it.
        if (conversionPending_) {
            conversionPending_ = false;
            parseRawString();
        }
        return;
    }
    if (conversionPending_) {
        conversionPending_ = false;
        parseRawString();
        return;
    }
    model_->setEntries(std::move(preview));
    dictionaryView->reloadData();
    if (importer_) {
        const auto words = importer_->words();
        recordCountLabel->setText(text(QStringLiteral("%1 records read, %2 entries made"))
                                      .arg(importer_->recordCount())
                                      .arg(words ? qsizetype(words->size()) : 0));
    }
    errorView->setPlainText(errorText);
    stopProgress();
    saveButton->setEnabled(true);
    Q_EMIT conversionShown();
}

void TSDictionaryImporterWindowController::actionChanged(const QString& title, const QString& tag) {
    if (!importer_) return;
    int action = -1;
    if (!title.isEmpty())
        for (const QString& key : TSMDictImporter::actionTitles())
            if (text(key) == title) action = TSMDictImporter::actionForTitle(key);
    importer_->assignTag(tag, action);
    parseRawString();
}

QString TSDictionaryImporterWindowController::optionName(const QString& tag) const {
    if (!importer_) return QString();
    const int action = importer_->actionOfTag(tag);
    return action < 0 ? QString() : TSMDictImporter::actionTitles().at(action);
}

void TSDictionaryImporterWindowController::removeTagFromSets(const QString& tag) {
    if (importer_) importer_->removeTagFromSets(tag);
}

void TSDictionaryImporterWindowController::saveButtonClicked() {
    if (!importer_ || converting_) return;
    QString path = importer_->userDictionaryPath();
    if (!path.isEmpty() && QFileInfo::exists(path)) {
        ts::AlertRequest ask;
        ask.messageText = text(QStringLiteral("There is already a user dictionary named %1."))
                              .arg(QFileInfo(path).completeBaseName());
        ask.informativeText = text(QStringLiteral("Replace it, or save this one under a new name?"));
        ask.buttons = {text(QStringLiteral("Replace")), text(QStringLiteral("Save as New")), text(QStringLiteral("Cancel"))};
        ask.defaultButton = 2;
        switch (ts::Prompter::current()->alert(ask)) {
        case 0: break;
        case 1: path = importer_->freeUserDictionaryPath(); break;
        default: return;
        }
    }
    QString error;
    if (importer_->saveToUserDictionaries(&path, &error, path)) return;
    ts::AlertRequest request;
    request.messageText = text(QStringLiteral("The dictionary could not be saved."));
    request.informativeText = error;
    request.buttons = {text(QStringLiteral("OK"))};
    ts::Prompter::current()->alert(request);
}

void TSDictionaryImporterWindowController::startProgress(qint64 maximum) {
    if (maximum > 0) {
        progressBar->setRange(0, int(std::min<qint64>(maximum, INT_MAX)));
        progressBar->setValue(0);
    } else {
        progressBar->setRange(0, 0);  // indeterminate, animating
    }
}

void TSDictionaryImporterWindowController::stopProgress() {
    progressBar->setRange(0, 1);
    progressBar->setValue(0);
}
