#include "TSAnagramWindowController.h"

#include "TSTokenField.h"

#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "app/logging/LGLog.h"
#include "platform/Prompter.h"
#include "platform/Url.h"
#include "tools/TSCorpusTools.h"
#include "tools/TSDictPage.h"
#include "tools/TSWordLists.h"
#include "tools/gui/DictionaryWindowController.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

// The rows of the results list: words, and group headers in grey bold.
class TSSearchResultsModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    QList<TSSearchRow> rows;
    void setRows(const QList<TSSearchRow>& r) {
        beginResetModel();
        rows = r;
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows.size()); }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rows.size()) return {};
        const TSSearchRow& r = rows[index.row()];
        switch (role) {
        case Qt::DisplayRole: return r.text;
        case Qt::FontRole: return r.header ? QVariant(headerFont()) : QVariant();
        case Qt::ForegroundRole: return r.header ? QVariant(QColor(Qt::gray)) : QVariant();
        default: return {};
        }
    }
    static const QFont& headerFont() {
        static const QFont f = [] {
            QFont font = QApplication::font("QLabel");
            font.setPointSize(12);
            font.setBold(true);
            return font;
        }();
        return f;
    }
};

namespace {

QString buttonTitle(TSPatternLanguage::Button b, bool option) {
    const QString token = TSPatternLanguage::tokenForButton(b, option);
    return token.startsWith(QLatin1Char(' ')) ? QString(QChar(0x25CC)) + token.mid(1) : token;
}

}  // namespace

TSAnagramWindowController::TSAnagramWindowController() {
    setWindowTitle(tr("Word Patterns"));
    setObjectName(QStringLiteral("TSAnagramWindowController"));
    searchPool_.setMaxThreadCount(2);
    analysisQueue_.setMaxThreadCount(1);
    analysisQueue_.setObjectName(QStringLiteral("analysis queue for TSAnagramWindowController"));

    auto* central = new QWidget(this);
    auto* v = new QVBoxLayout(central);

    // Pattern row.
    auto* patternRow = new QHBoxLayout;
    knownLettersField = new TSTokenField(central);
    knownLettersField->setToolTip(tr("Letters, stroke classes and abbreviation signs; a comma ends a token"));
    searchButton = new QPushButton(tr("Search"), central);
    searchButton->setDefault(true);
    patternRow->addWidget(new QLabel(tr("Pattern:"), central));
    patternRow->addWidget(knownLettersField, 1);
    patternRow->addWidget(searchButton);
    v->addLayout(patternRow);

    // Token buttons: classes, then signs.
    auto* classes = new QGroupBox(tr("Letter shapes"), central);
    auto* classRow = new QHBoxLayout(classes);
    auto* signs = new QGroupBox(tr("Abbreviation signs"), central);
    auto* signGrid = new QGridLayout(signs);
    int signIndex = 0;
    for (TSPatternLanguage::Button b : TSPatternLanguage::allButtons()) {
        auto* button = new QPushButton(central);
        const QString token = TSPatternLanguage::tokenForButton(b, false);
        if (TSPatternLanguage::imageSet().contains(token) || token == QLatin1String("uuuu")) {
            const QSize size = token == QLatin1String("uuuu") ? QSize(32, 16) : QSize(16, 16);
            button->setIcon(TSTokenField::iconForToken(token, size));
            button->setIconSize(size);
        } else {
            button->setText(buttonTitle(b, false));
            if (!TSPatternLanguage::isClassButton(b)) button->setFont(TSTokenField::signFont(QFontInfo(button->font()).pixelSize() + 3));
        }
        button->setToolTip(token.trimmed());
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QPushButton::clicked, this, [this, b] {
            handleButton(b, QApplication::keyboardModifiers() & Qt::AltModifier);
        });
        tokenButtons.append({b, button});
        if (TSPatternLanguage::isClassButton(b)) {
            classRow->addWidget(button);
        } else {
            button->setMinimumWidth(34);
            signGrid->addWidget(button, signIndex / 8, signIndex % 8);
            ++signIndex;
        }
    }
    auto* subsetRow = new QHBoxLayout;
    subsetField = new QLineEdit(central);
    subsetField->setPlaceholderText(tr("letters, e.g. a c e"));
    auto* subsetButton = new QPushButton(tr("Add Subset"), central);
    subsetButton->setFocusPolicy(Qt::NoFocus);
    connect(subsetButton, &QPushButton::clicked, this,
            [this] { handleSubsetClick(QApplication::keyboardModifiers() & Qt::AltModifier); });
    subsetRow->addWidget(new QLabel(tr("Subset:"), central));
    subsetRow->addWidget(subsetField, 1);
    subsetRow->addWidget(subsetButton);
    classRow->addStretch();
    v->addWidget(classes);
    v->addWidget(signs);
    v->addLayout(subsetRow);

    // Lengths, chosen list, expression.
    auto* options = new QHBoxLayout;
    minLengthPopup = new QComboBox(central);
    maxLengthPopup = new QComboBox(central);
    for (int i = 1; i <= 30; ++i) {
        minLengthPopup->addItem(QString::number(i));
        maxLengthPopup->addItem(QString::number(i));
    }
    maxLengthPopup->setCurrentIndex(19);
    options->addWidget(new QLabel(tr("Length from"), central));
    options->addWidget(minLengthPopup);
    options->addWidget(new QLabel(tr("to"), central));
    options->addWidget(maxLengthPopup);
    options->addSpacing(16);
    specifiedFileLabel = new QLabel(tr("Word list:"), central);
    specifiedFileButton = new QComboBox(central);
    specifiedFileButton->setMinimumContentsLength(14);
    options->addWidget(specifiedFileLabel);
    options->addWidget(specifiedFileButton);
    options->addStretch();
    v->addLayout(options);
    auto* exprRow = new QHBoxLayout;
    regexOutputField = new QLineEdit(central);
    regexOutputField->setReadOnly(true);
    exprRow->addWidget(new QLabel(tr("Expression:"), central));
    exprRow->addWidget(regexOutputField, 1);
    v->addLayout(exprRow);
    messageLabel = new QLabel(central);
    messageLabel->setWordWrap(true);
    messageLabel->hide();
    v->addWidget(messageLabel);

    // Results.
    model_ = new TSSearchResultsModel(this);
    outputTable = new QListView(central);
    outputTable->setModel(model_);
    outputTable->setUniformItemSizes(false);
    outputTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    outputTable->setMinimumHeight(180);
    v->addWidget(outputTable, 1);

    // Corpus tools.
    auto* tools = new QGroupBox(tr("Word lists and corpus"), central);
    auto* toolRow = new QGridLayout(tools);
    const QList<QPair<QString, void (TSAnagramWindowController::*)()>> toolButtons = {
        {tr("Count Words of a Text…"), &TSAnagramWindowController::handleAnalyseClick},
        {tr("Analyse Folder of Pages…"), &TSAnagramWindowController::handleAnalyseFolderClick},
        {tr("Collect Pages…"), &TSAnagramWindowController::ripPages},
        {tr("Dictionary Word Forms"), &TSAnagramWindowController::performAnalysis},
        {tr("Export Word List…"), &TSAnagramWindowController::saveDocumentAs},
        {tr("Export Substitutions…"), &TSAnagramWindowController::saveDocumentAsPlist},
    };
    int col = 0;
    for (const auto& [title, slot] : toolButtons) {
        auto* b = new QPushButton(title, tools);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QPushButton::clicked, this, slot);
        toolRow->addWidget(b, col / 3, col % 3);
        ++col;
    }
    auto* progressRow = new QHBoxLayout;
    statusLabel = new QLabel(central);
    progress = new QProgressBar(central);
    progress->setMaximumWidth(220);
    cancelButton = new QPushButton(tr("Cancel"), central);
    progress->hide();
    cancelButton->hide();
    connect(cancelButton, &QPushButton::clicked, this, &TSAnagramWindowController::cancelWork);
    progressRow->addWidget(statusLabel, 1);
    progressRow->addWidget(progress);
    progressRow->addWidget(cancelButton);
    v->addWidget(tools);
    v->addLayout(progressRow);
    setCentralWidget(central);
    resize(720, 680);

    connect(searchButton, &QPushButton::clicked, this, &TSAnagramWindowController::handleSearchButtonClick);
    connect(knownLettersField, &TSTokenField::returnPressed, this, &TSAnagramWindowController::handleSearchButtonClick);
    connect(outputTable, &QListView::doubleClicked, this, [this](const QModelIndex& i) { handleOutputDoubleClick(i.row()); });
    connect(specifiedFileButton, QOverload<int>::of(&QComboBox::activated), this,
            &TSAnagramWindowController::changeSpecifiedFile);
    qApp->installEventFilter(this);

    loadChosenWords();
    buildSpecifiedFileMenu();
}

TSAnagramWindowController::~TSAnagramWindowController() {
    qApp->removeEventFilter(this);
    if (searchCancel_) searchCancel_->store(true);
    if (workCancel_) workCancel_->store(true);
    searchPool_.waitForDone();
    analysisQueue_.waitForDone();
}

void TSAnagramWindowController::closeEvent(QCloseEvent* event) {
    if (searchCancel_) searchCancel_->store(true);
    QMainWindow::closeEvent(event);
}

bool TSAnagramWindowController::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Alt && isActiveWindow())
        flagsChanged(event->type() == QEvent::KeyPress);
    return QMainWindow::eventFilter(watched, event);
}

// ---- pattern ---------------------------------------------------------------

void TSAnagramWindowController::insertKnownLetters(const QString& token) { knownLettersField->insertKnownLetters(token); }

void TSAnagramWindowController::handleButton(TSPatternLanguage::Button button, bool option) {
    insertKnownLetters(TSPatternLanguage::tokenForButton(button, option));
}

void TSAnagramWindowController::handleSubsetClick(bool option) {
    insertKnownLetters(TSPatternLanguage::subsetGroup(subsetField->text(), option));
}

void TSAnagramWindowController::flagsChanged(bool option) {
    if (option == optionShown_) return;
    optionShown_ = option;
    for (const auto& [b, button] : tokenButtons) {
        const bool retitled = TSPatternLanguage::isClassButton(b) || b == TSPatternLanguage::Button::Rum ||
                              b == TSPatternLanguage::Button::Er;
        if (retitled && button->icon().isNull()) button->setText(buttonTitle(b, option));
    }
}

QString TSAnagramWindowController::knownLettersString(bool* isList) const {
    return TSPatternLanguage::knownLettersString(knownLettersField->stringValue(), TSPatternTables::fromPreferences(), isList);
}

bool TSAnagramWindowController::quickMatch() {
    const QString list = TSPatternLanguage::quickMatch(knownLettersField->stringValue(), TSPatternTables::fromPreferences());
    if (list.isNull()) return false;
    updateSearchResultsFromString(list);
    return true;
}

// ---- search ------------------------------------------------------------------

void TSAnagramWindowController::showMessage(const QString& text, bool error) {
    messageLabel->setText(text);
    messageLabel->setStyleSheet(error ? QStringLiteral("color: #b00020;") : QString());
    messageLabel->setVisible(!text.isEmpty());
}

void TSAnagramWindowController::handleSearchButtonClick() {
    // A new search supersedes the one running.
    if (searchCancel_) searchCancel_->store(true);
    const quint64 generation = ++generation_;
    regexOutputField->clear();
    showMessage(QString(), false);
    if (quickMatch()) return;
    bool isList = false;
    const QString compiled = knownLettersString(&isList);
    if (isList) {
        updateSearchResultsFromString(compiled);
        return;
    }
    const QString pattern = TSPatternSearch::expressionForPattern(compiled);
    regexOutputField->setText(pattern);
    if (!pattern.isEmpty()) {
        TSPatternMatcher check(pattern);
        if (!check.isValid()) {
            showMessage(tr("The pattern is not a valid expression: %1").arg(check.error()), true);
            statusLabel->clear();
            TSLogError("Error %@ making regexString:\n%@", check.error(), QStringLiteral("^%1$").arg(pattern));
            model_->setRows({});
            return;
        }
    }
    const int minLength = minLengthPopup->currentIndex() + 1;
    const int maxLength = maxLengthPopup->currentIndex() + 1;

    QList<TSPatternSearch::Group> groups;
    if (chosenLoaded_) {
        const TSWordList chosen = chosenWords_;
        groups.append({specifiedFileButton->currentText(), [chosen] { return chosen; }});
    }
    groups.append({QStringLiteral("Latin Library"), [] { return TSWordLists::llWords(); }});
    groups.append({QStringLiteral("Words listall"), [] { return TSWordLists::residualWords(); }});
    groups.append({QStringLiteral("Zerivuv"), [] { return TSWordLists::zerivuvWords(); }});

    auto cancel = std::make_shared<std::atomic<bool>>(false);
    searchCancel_ = cancel;
    searching_ = true;
    statusLabel->setText(tr("Searching…"));
    QPointer<TSAnagramWindowController> self(this);
    searchPool_.start([self, cancel, generation, pattern, minLength, maxLength, groups] {
        QString error;
        auto publishRows = [&](const QList<TSSearchRow>& rows) {
            QMetaObject::invokeMethod(qApp, [self, generation, rows] {
                if (self) self->publish(generation, rows);
            }, Qt::QueuedConnection);
        };
        const bool finished = TSPatternSearch::runGroups(pattern, minLength, maxLength, groups, publishRows, &error, cancel.get());
        QMetaObject::invokeMethod(qApp, [self, generation, error, finished] {
            if (!self || generation != self->generation_) return;
            self->searching_ = false;
            if (finished) self->showFoundCount();
            else self->statusLabel->clear();
            if (!error.isEmpty()) self->showMessage(error, true);
        }, Qt::QueuedConnection);
    });
}

void TSAnagramWindowController::publish(quint64 generation, const QList<TSSearchRow>& rows) {
    if (generation != generation_) return;  // a later search has started
    model_->setRows(rows);
}

void TSAnagramWindowController::showFoundCount() {
    const auto words = std::count_if(model_->rows.begin(), model_->rows.end(), [](const TSSearchRow& r) { return !r.header; });
    statusLabel->setText(tr("%n word(s) found", nullptr, int(words)));
}

bool TSAnagramWindowController::updateSearchResultsFromString(const QString& list) {
    if (list.isNull()) return false;
    ++generation_;
    if (searchCancel_) searchCancel_->store(true);
    searching_ = false;
    model_->setRows(TSPatternSearch::rowsFromAnswerList(list));
    showFoundCount();
    return true;
}

QList<TSSearchRow> TSAnagramWindowController::searchResults() const { return model_->rows; }

void TSAnagramWindowController::handleOutputDoubleClick(int row) {
    if (row < 0 || row >= model_->rows.size()) return;
    if (DictionaryWindowController* d = DictionaryWindowController::showDictionaryWindow())
        d->translateLatinString(model_->rows[row].text);
}

// ---- chosen list -------------------------------------------------------------

QStringList TSAnagramWindowController::analysisFiles() {
    QStringList files;
    const QString folder = Preferences::proximityPatternFolder();
    if (folder.isEmpty()) return files;
    QDirIterator it(folder, {QStringLiteral("*.txt")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files.append(it.next());
    files.sort();
    return files;
}

void TSAnagramWindowController::buildSpecifiedFileMenu() {
    const QStringList files = analysisFiles();
    specifiedFileLabel->setVisible(!files.isEmpty());
    specifiedFileButton->setVisible(!files.isEmpty());
    specifiedFileButton->clear();
    if (files.isEmpty()) return;
    specifiedFileButton->addItem(QString());
    specifiedFileButton->insertSeparator(1);
    for (const QString& f : files) specifiedFileButton->addItem(QFileInfo(f).completeBaseName(), f);
    if (ts::UrlPtr url = Preferences::preferences()->chosenWordsURL()) {
        const QString name = QFileInfo(url->toQUrl().toLocalFile()).completeBaseName();
        const int i = specifiedFileButton->findText(name);
        if (i >= 0) specifiedFileButton->setCurrentIndex(i);
    }
}

void TSAnagramWindowController::changeSpecifiedFile(int index) {
    const QString path = specifiedFileButton->itemData(index).toString();
    Preferences::preferences()->setChosenWordsURL(path.isEmpty() ? nullptr : ts::Url::make(QUrl::fromLocalFile(path).toString()));
    Preferences::savePreferences();
    loadChosenWords();
}

void TSAnagramWindowController::loadChosenWords() {
    ts::UrlPtr url = Preferences::preferences()->chosenWordsURL();
    if (!url) return;  // the list loaded before stays in use
    chosenWords_ = TSWordLists::readWordList(url->toQUrl().toLocalFile(), true);
    chosenLoaded_ = true;
}

void TSAnagramWindowController::setChosenList(const QString& path) {
    Preferences::preferences()->setChosenWordsURL(ts::Url::make(QUrl::fromLocalFile(path).toString()));
    Preferences::savePreferences();
    buildSpecifiedFileMenu();
    loadChosenWords();
}

// ---- corpus tools --------------------------------------------------------------

void TSAnagramWindowController::cancelWork() {
    if (workCancel_) workCancel_->store(true);
    statusLabel->setText(tr("Cancelling…"));
}

void TSAnagramWindowController::runCorpusWork(
    const QString& title, std::function<QVariant(std::atomic<bool>&, std::function<void(qint64, qint64)>)> work,
    std::function<void(const QVariant&)> done) {
    if (busy_) {
        showMessage(tr("Another corpus task is running; wait for it or cancel it."), true);
        return;
    }
    busy_ = true;
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    workCancel_ = cancel;
    statusLabel->setText(title);
    progress->setRange(0, 0);
    progress->show();
    cancelButton->show();
    QPointer<TSAnagramWindowController> self(this);
    analysisQueue_.start([self, cancel, work, done] {
        auto report = [self](qint64 n, qint64 total) {
            QMetaObject::invokeMethod(qApp, [self, n, total] {
                if (!self) return;
                self->progress->setRange(0, int(total));
                self->progress->setValue(int(n));
            }, Qt::QueuedConnection);
        };
        const QVariant answer = work(*cancel, report);
        const bool cancelled = cancel->load();
        QMetaObject::invokeMethod(qApp, [self, answer, done, cancelled] {
            if (!self) return;
            self->busy_ = false;
            self->progress->hide();
            self->cancelButton->hide();
            self->statusLabel->setText(cancelled ? tr("Cancelled.") : QString());
            if (!cancelled) done(answer);
        }, Qt::QueuedConnection);
    });
}

void TSAnagramWindowController::handleAnalyseClick() {
    ts::OpenPanelRequest r;
    r.title = tr("Count Words");
    r.allowedFileTypes = {QStringLiteral("html"), QStringLiteral("shtml"), QStringLiteral("txt")};
    const QStringList files = ts::Prompter::current()->openPanel(r);
    if (files.isEmpty()) return;
    const QString folder = Preferences::proximityPatternFolder();
    runCorpusWork(tr("Counting words…"), [files, folder](std::atomic<bool>& cancel, auto) {
        const auto counts = TSCorpusTools::countWords(files, &cancel);
        if (cancel.load()) return QVariant();
        return QVariant(TSCorpusTools::writeWordCount(counts, files.first(), folder));
    }, [this](const QVariant& answer) {
        const QString path = answer.toString();
        if (path.isEmpty()) {
            showMessage(tr("The word count could not be written."), true);
            return;
        }
        setChosenList(path);  // on the main thread
        showMessage(tr("Word list “%1” made and chosen.").arg(QFileInfo(path).completeBaseName()), false);
    });
}

void TSAnagramWindowController::handleAnalyseFolderClick() {
    ts::OpenPanelRequest r;
    r.title = tr("Analyse Folder");
    r.canChooseDirectories = true;
    r.allowedFileTypes = {QStringLiteral("html"), QStringLiteral("shtml")};
    const QStringList chosen = ts::Prompter::current()->openPanel(r);
    if (chosen.isEmpty()) return;
    const QString folder = Preferences::proximityPatternFolder();
    runCorpusWork(tr("Analysing pages…"), [chosen, folder](std::atomic<bool>& cancel, auto report) {
        const QStringList pages = TSCorpusTools::findFilesToOpen(chosen);
        const auto result = TSCorpusTools::analyseFolder(pages, folder, report, &cancel);
        return QVariant(QStringList{QString::number(result.pages), QString::number(result.words),
                                    QString::number(result.modelEntries), result.ok ? QStringLiteral("1") : QString()});
    }, [this](const QVariant& answer) {
        const QStringList a = answer.toStringList();
        buildSpecifiedFileMenu();
        showMessage(a.value(3).isEmpty() ? tr("The model could not be written.")
                                         : tr("%1 pages: %2 words listed, %3 kept in the model.").arg(a.value(0), a.value(1), a.value(2)),
                    a.value(3).isEmpty());
    });
}

void TSAnagramWindowController::ripPages() {
    const QString folder = Preferences::chooseImportFile();
    if (folder.isEmpty()) return;
    const QString out = Preferences::specifyExportFile(QStringLiteral("Texts"), QStringLiteral("plist"));
    if (out.isEmpty()) return;
    runCorpusWork(tr("Collecting pages…"), [folder, out](std::atomic<bool>& cancel, auto) {
        return QVariant(TSCorpusTools::ripPages(folder, out, &cancel));
    }, [this](const QVariant& ok) {
        showMessage(ok.toBool() ? tr("Pages collected.") : tr("The pages could not be collected."), !ok.toBool());
    });
}

void TSAnagramWindowController::saveDocumentAs() {
    ts::SavePanelRequest r;
    r.title = tr("Export to Text File");
    r.nameFieldStringValue = QStringLiteral("llWords.txt");
    r.allowedFileTypes = {QStringLiteral("txt")};
    const QString path = ts::Prompter::current()->savePanel(r);
    if (path.isEmpty()) return;
    QString text;
    const QString resource = TSBundle::pathForResource(QStringLiteral("theLatinLibrary"), QStringLiteral("txt"));
    TSWordLists::readText(resource, &text);
    TSCorpusTools::writeASCIIWords(TSCorpusTools::allASCIIWords(text), path);
}

void TSAnagramWindowController::saveDocumentAsPlist() {
    ts::SavePanelRequest r;
    r.title = tr("Export to Text File");
    r.nameFieldStringValue = QStringLiteral("substitutions.plist");
    r.allowedFileTypes = {QStringLiteral("plist")};
    const QString path = ts::Prompter::current()->savePanel(r);
    if (path.isEmpty()) return;
    TSCorpusTools::writeSubstitutions(Preferences::preferences()->substitutionsDictionary(), path);
}

void TSAnagramWindowController::performAnalysis() {
    const QString folder = Preferences::proximityPatternFolder();
    runCorpusWork(tr("Generating the dictionary's word forms…"), [folder](std::atomic<bool>& cancel, auto) {
        TSDictPageAnalysis analysis;
        analysis.analyseText(TSDictPageAnalysis::bundledPage());
        if (cancel.load() || analysis.allForms.isEmpty()) return QVariant();
        QStringList forms;
        for (const QString& f : analysis.allForms) forms.append(TSCorpusTools::stripCombiningMarks(f));
        forms.removeDuplicates();
        forms.sort();
        const QString path = QDir(folder).filePath(QStringLiteral("Dictionary Forms.txt"));
        if (!TSCorpusTools::writeFile(path, (forms.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8())) return QVariant();
        return QVariant(QStringList{path, QString::number(forms.size()), QString::number(analysis.wordLookups.size())});
    }, [this](const QVariant& answer) {
        const QStringList a = answer.toStringList();
        if (a.isEmpty()) {
            showMessage(tr("The dictionary's word forms could not be made."), true);
            return;
        }
        setChosenList(a[0]);
        showMessage(tr("%1 word forms listed as “Dictionary Forms”; %2 headwords need a look-up.").arg(a[1], a[2]), false);
    });
}
