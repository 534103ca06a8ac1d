#include "app/gui/PrefsWindowController.h"

#include "platform/gui/WindowFrame.h"
#include "app/core/TSBundle.h"
#include "app/logging/LGLog.h"
#include "dictionaries/DictionaryController.h"
#include "morphology/TSGrammarCollection.h"
#include "platform/Format.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/NotificationCenter.h"
#include "platform/Prompter.h"
#include "platform/Url.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace {

PrefsWindowController* gShared = nullptr;
const QString kGrammar = QStringLiteral("Grammar");
const QString kNonReversable = QStringLiteral("NonReversable");
const QStringList kColumns{QStringLiteral("name"), QStringLiteral("referenceURL"), QStringLiteral("notes")};

QString text(const QString& key) { return TSBundle::localizedString(key); }

// Copies the tree through its property-list form, so that no node is shared
// with the settings in force.
TSGrammarCollectionPtr deepCopy(const TSGrammarCollectionPtr& grammar) {
    auto copy = std::make_shared<TSGrammarCollection>();
    if (grammar) copy->importFromArray(grammar->serialize());
    copy->setDirty(grammar && grammar->dirty());
    return copy;
}

}  // namespace

const QString PrefsWindowController::kCloseDictionaryWindowNotification = QStringLiteral("CloseDictionaryWindow");

PrefsWindowController* PrefsWindowController::getPrefsWindow() {
    if (!gShared) gShared = new PrefsWindowController;
    Q_ASSERT_X(gShared, "getPrefsWindow", "unable to make prefs  window controller");
    return gShared;
}

void PrefsWindowController::showPrefsWindow() {
    PrefsWindowController* c = getPrefsWindow();
    if (!c->isVisible()) {
        c->preferences_ = freshCopy();
        c->insertData();
    }
    c->show();
    c->raise();
    c->activateWindow();
}

void PrefsWindowController::disposeSharedWindow() {
    delete gShared;
    gShared = nullptr;
}

PreferencesPtr PrefsWindowController::freshCopy() {
    const PreferencesPtr shared = Preferences::preferences();
    auto copy = std::dynamic_pointer_cast<Preferences>(shared->copy());
    if (!copy) copy = std::make_shared<Preferences>();
    copy->setGrammar(deepCopy(shared->grammar()));
    return copy;
}

PrefsWindowController::PrefsWindowController() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("Preferences"));
    setWindowTitle(text(QStringLiteral("Preferences")));
    preferences_ = freshCopy();

    screenTabView_ = new QTabWidget;
    screenTabView_->addTab(makeDictionaryTab(), text(QStringLiteral("Dictionary")));
    screenTabView_->addTab(makeGrammarTab(), text(kGrammar));

    auto* buttons = new QDialogButtonBox;
    QPushButton* cancel = buttons->addButton(text(QStringLiteral("Cancel")), QDialogButtonBox::RejectRole);
    QPushButton* save = buttons->addButton(text(QStringLiteral("Save")), QDialogButtonBox::AcceptRole);
    save->setDefault(true);
    connect(cancel, &QPushButton::clicked, this, &PrefsWindowController::cancelPrefs);
    connect(save, &QPushButton::clicked, this, &PrefsWindowController::savePrefs);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(screenTabView_);
    layout->addWidget(buttons);
    resize(900, 560);
    ts::WindowFrame::autosave(this, QStringLiteral("Preferences"));
    insertData();
}

PrefsWindowController::~PrefsWindowController() {
    if (gShared == this) gShared = nullptr;
}

QWidget* PrefsWindowController::makeDictionaryTab() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    const QStringList& keys = TSDictionaryPrefs::optionKeys();
    const int rows = int((keys.size() + 1) / 2);
    for (int i = 0; i < keys.size(); ++i) {
        auto* box = new QCheckBox(text(keys[i]));
        box->setObjectName(keys[i]);
        optionBoxes_[keys[i]] = box;
        grid->addWidget(box, i % rows, i / rows);
    }
    connect(optionBoxes_[QStringLiteral("trimOutput")], &QCheckBox::toggled, this, &PrefsWindowController::doTrimClick);
    logCommunicationButton_ = new QCheckBox(text(QStringLiteral("Log communications with the analyser")));
    logCommunicationButton_->setObjectName(QStringLiteral("logCommunicationButton"));
    floatWindow_ = new QCheckBox(text(QStringLiteral("Keep the dictionary window in front")));
    floatWindow_->setObjectName(QStringLiteral("floatWindow"));
    grid->setRowMinimumHeight(rows, 12);
    grid->addWidget(logCommunicationButton_, rows + 1, 0, 1, 2);
    grid->addWidget(floatWindow_, rows + 2, 0, 1, 2);
    grid->setRowStretch(rows + 3, 1);
    return page;
}

QWidget* PrefsWindowController::makeGrammarTab() {
    auto* page = new QWidget;
    grammarView_ = new QTreeWidget;
    grammarView_->setObjectName(QStringLiteral("grammarView"));
    grammarView_->setColumnCount(int(kColumns.size()));
    grammarView_->setHeaderLabels({text(QStringLiteral("Name")), text(QStringLiteral("Reference")), text(QStringLiteral("Notes"))});
    grammarView_->header()->setStretchLastSection(true);
    grammarView_->header()->setMinimumSectionSize(80);
    // Every column stays within the outline; the notes take what is left.
    grammarView_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grammarView_->setTextElideMode(Qt::ElideRight);
    grammarView_->viewport()->installEventFilter(this);
    grammarView_->setSelectionMode(QAbstractItemView::SingleSelection);
    grammarView_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    connect(grammarView_, &QTreeWidget::itemSelectionChanged, this, &PrefsWindowController::selectionChanged);
    connect(grammarView_, &QTreeWidget::itemChanged, this, &PrefsWindowController::itemEdited);

    addButton_ = new QPushButton(text(QStringLiteral("Add")));
    deleteButton_ = new QPushButton(text(QStringLiteral("Delete")));
    auto* exportButton = new QPushButton(text(QStringLiteral("Export…")));
    auto* importButton = new QPushButton(text(QStringLiteral("Import…")));
    connect(addButton_, &QPushButton::clicked, this, &PrefsWindowController::addGrammarSubusage);
    connect(deleteButton_, &QPushButton::clicked, this, &PrefsWindowController::deleteGrammarUsage);
    connect(exportButton, &QPushButton::clicked, this, &PrefsWindowController::doExport);
    connect(importButton, &QPushButton::clicked, this, &PrefsWindowController::doImport);
    deleteButton_->setEnabled(false);
    addButton_->setEnabled(true);

    auto* row = new QHBoxLayout;
    row->addWidget(addButton_);
    row->addWidget(deleteButton_);
    row->addStretch(1);
    row->addWidget(importButton);
    row->addWidget(exportButton);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(grammarView_, 1);
    layout->addLayout(row);
    return page;
}

QCheckBox* PrefsWindowController::optionBox(const QString& key) const {
    const auto it = optionBoxes_.find(key);
    return it == optionBoxes_.end() ? nullptr : it->second;
}

void PrefsWindowController::insertData() {
    const TSDictionaryPrefsPtr prefs = preferences_->dictionaryPrefs();
    for (const auto& [key, box] : optionBoxes_) box->setChecked(prefs->valueForKey(key).toBool());
    logCommunicationButton_->setChecked(preferences_->logCommunications());
    floatWindow_->setChecked(preferences_->floatDictionaryWindow());
    doTrimClick();
    reloadGrammar();
}

void PrefsWindowController::doTrimClick() {
    const bool trim = optionBoxes_[QStringLiteral("trimOutput")]->isChecked();
    for (const char* key : {"omitArchaicForms", "omitMediaevalForms", "omitUncommonForms"})
        optionBoxes_[QString::fromLatin1(key)]->setEnabled(trim);
}

bool PrefsWindowController::saveDictionaryValue(const QString& key, QCheckBox* button) {
    const TSDictionaryPrefsPtr prefs = preferences_->dictionaryPrefs();
    const bool stored = prefs->valueForKey(key).toBool();
    if (button->isChecked() == stored) return false;
    prefs->setValueForKey(ts::Value(button->isChecked()), key);
    return true;
}

bool PrefsWindowController::saveDictionaryPrefs() {
    bool changed = false;
    for (const QString& key : TSDictionaryPrefs::optionKeys())
        if (saveDictionaryValue(key, optionBoxes_[key])) changed = true;
    if (changed) DictionaryController::dictionary()->loadDictionaryPrefs();
    return changed;
}

void PrefsWindowController::savePrefs() {
    Preferences::setPreferences(preferences_);
    saveDictionaryPrefs();
    preferences_->setLogCommunications(logCommunicationButton_->isChecked());
    const bool floating = floatWindow_->isChecked();
    if (floating != preferences_->floatDictionaryWindow()) {
        preferences_->setFloatDictionaryWindow(floating);
        Preferences::savePreferences();
        ts::NotificationCenter::defaultCenter().post(kCloseDictionaryWindowNotification);
    } else {
        Preferences::savePreferences();
    }
    // Later edits must not act on the settings in force until saved again.
    preferences_ = freshCopy();
    close();
}

void PrefsWindowController::cancelPrefs() { close(); }

void PrefsWindowController::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancelPrefs();
        return;
    }
    QWidget::keyPressEvent(event);
}

// --- grammar tree -----------------------------------------------------------------------------

TSGrammarUsagePtr PrefsWindowController::usageOf(const QTreeWidgetItem* item) const {
    const auto it = usages_.find(item);
    return it == usages_.end() ? nullptr : it->second;
}

void PrefsWindowController::fillItem(QTreeWidgetItem* item, const TSGrammarUsagePtr& usage,
                                     const TSGrammarUsagePtr& select, QTreeWidgetItem** selected) {
    usages_[item] = usage;
    for (int c = 0; c < kColumns.size(); ++c) {
        const ts::Value v = usage->valueForKey(kColumns[c]);
        QString shown = v.toString();
        // An address as the user typed it, spaces and letters decoded.
        if (auto url = v.toObjectAs<ts::Url>()) shown = QUrl(url->absoluteString()).toString(QUrl::PrettyDecoded);
        item->setText(c, shown);
        item->setToolTip(c, shown);
    }
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    if (!item->parent()) {
        QFont bold = item->font(0);
        bold.setBold(true);
        item->setFont(0, bold);
    }
    if (usage == select) *selected = item;
    for (const TSGrammarUsagePtr& child : usage->children())
        fillItem(new QTreeWidgetItem(item), child, select, selected);
}

void PrefsWindowController::reloadGrammar(const TSGrammarUsagePtr& select) {
    filling_ = true;
    grammarView_->clear();
    usages_.clear();
    QTreeWidgetItem* selected = nullptr;
    if (const TSGrammarCollectionPtr grammar = preferences_->grammar())
        for (const TSGrammarUsagePtr& usage : grammar->usages())
            fillItem(new QTreeWidgetItem(grammarView_), usage, select, &selected);
    grammarView_->expandAll();
    fitGrammarColumns();
    filling_ = false;
    if (selected) grammarView_->setCurrentItem(selected);
    selectionChanged();
}

void PrefsWindowController::itemEdited(QTreeWidgetItem* item, int column) {
    if (filling_) return;
    const TSGrammarUsagePtr usage = usageOf(item);
    if (!usage) {
        TSLogError("%@ is not a TSGrammarUsage class", QStringLiteral("item"));
        return;
    }
    const QString key = kColumns.value(column);
    const QString typed = item->text(column);
    if (key == QLatin1String("referenceURL")) {
        // Words typed as a reference ("A&G 339") are kept, encoded as an
        // address, rather than dropped.
        QString address = typed.trimmed();
        if (!address.isEmpty() && !TSGrammarUsage::isValidURLText(address))
            address = QString::fromLatin1(QUrl(address, QUrl::TolerantMode).toEncoded());
        usage->setValueForKey(address.isEmpty() ? ts::Value() : ts::Value(address), key);
    } else if (!key.isEmpty()) {
        usage->setValueForKey(ts::Value(typed), key);
    }
    filling_ = true;
    item->setToolTip(column, typed);
    filling_ = false;
    if (const TSGrammarCollectionPtr g = preferences_->grammar()) g->setDirty(true);
}

void PrefsWindowController::fitGrammarColumns() {
    QHeaderView* header = grammarView_->header();
    const int available = grammarView_->viewport()->width();
    if (available <= 0) return;
    // Name and reference as wide as their texts, within a share of the
    // outline; the notes get the rest, and at least a third.
    const int caps[] = {available * 2 / 5, available / 4};
    int contents[2] = {0, 0};
    const std::function<void(QTreeWidgetItem*, int)> measure = [&](QTreeWidgetItem* item, int depth) {
        for (int c = 0; c < 2; ++c) {
            const int indent = c == 0 ? (depth + 1) * grammarView_->indentation() : 0;
            contents[c] = std::max(contents[c], indent + QFontMetrics(item->font(c)).horizontalAdvance(item->text(c)));
        }
        for (int i = 0; i < item->childCount(); ++i) measure(item->child(i), depth + 1);
    };
    for (int i = 0; i < grammarView_->topLevelItemCount(); ++i) measure(grammarView_->topLevelItem(i), 0);
    for (int c = 0; c < 2; ++c) {
        const int wanted = std::max(contents[c], header->sectionSizeHint(c)) + 16;
        header->resizeSection(c, std::clamp(wanted, header->minimumSectionSize(), std::max(caps[c], header->minimumSectionSize())));
    }
}

bool PrefsWindowController::eventFilter(QObject* watched, QEvent* event) {
    if (grammarView_ && watched == grammarView_->viewport() && event->type() == QEvent::Resize) fitGrammarColumns();
    return QWidget::eventFilter(watched, event);
}

void PrefsWindowController::selectionChanged() {
    deleteButton_->setEnabled(false);
    addButton_->setEnabled(true);
    const QList<QTreeWidgetItem*> items = grammarView_->selectedItems();
    if (!items.isEmpty() && items.first()->parent()) deleteButton_->setEnabled(true);
}

TSGrammarUsagePtr PrefsWindowController::selectedGrammarUsage() const {
    const QList<QTreeWidgetItem*> items = grammarView_->selectedItems();
    return items.isEmpty() ? nullptr : usageOf(items.first());
}

void PrefsWindowController::addGrammarSubusage() {
    const TSGrammarCollectionPtr grammar = preferences_->grammar();
    if (!grammar) return;
    auto usage = std::make_shared<TSGrammarUsage>();
    if (const TSGrammarUsagePtr selected = selectedGrammarUsage()) selected->addObject(usage);
    else grammar->addObject(usage);
    reloadGrammar(usage);
    grammar->setDirty(true);
}

void PrefsWindowController::deleteGrammarUsage() {
    QTreeWidgetItem* item = grammarView_->selectedItems().value(0);
    const TSGrammarUsagePtr usage = usageOf(item);
    if (!usage) return;
    ts::AlertRequest request;
    request.messageText = ts::Prompter::localized(QStringLiteral("DELETE_USAGE"), kNonReversable);
    request.informativeText =
        ts::format(ts::Prompter::localized(QStringLiteral("REALLY_DELETE_USAGE"), kNonReversable), usage->name());
    request.buttons = {ts::Prompter::localized(QStringLiteral("CANCEL_DONT_DELETE"), kNonReversable),
                       ts::Prompter::localized(QStringLiteral("Delete"), kNonReversable)};
    QPointer<PrefsWindowController> self(this);
    QMetaObject::invokeMethod(
        this,
        [self, request, usage] {
            if (!self || ts::Prompter::current()->alert(request) != 1) return;
            QTreeWidgetItem* current = nullptr;
            for (const auto& [i, u] : self->usages_)
                if (u == usage) current = const_cast<QTreeWidgetItem*>(i);
            if (!current || !current->parent()) return;
            const TSGrammarUsagePtr parent = self->usageOf(current->parent());
            if (!parent) return;
            parent->removeObject(usage);
            self->reloadGrammar();
            self->grammarView_->clearSelection();
            if (const TSGrammarCollectionPtr g = self->preferences_->grammar()) g->setDirty(true);
        },
        Qt::QueuedConnection);
}

// --- export and import ----------------------------------------------------------------------------

QString PrefsWindowController::localizedNameForTab() const { return screenTabView_->tabText(screenTabView_->currentIndex()); }

QString PrefsWindowController::settingsNameForTab() const { return Preferences::reverseLocalize(localizedNameForTab()); }

QString PrefsWindowController::specifySaveFile(const QString& name) {
    ts::SavePanelRequest request;
    request.title = ts::format(ts::Prompter::localized(QStringLiteral("EXPORT_PREFS"), kNonReversable), name);
    request.nameFieldStringValue = QStringLiteral("%1.dat").arg(name);
    request.allowedFileTypes = {QStringLiteral("dat")};
    return ts::Prompter::current()->savePanel(request);
}

QByteArray PrefsWindowController::getSaveDataForSetting(const QString& setting) const {
    if (Preferences::reverseLocalize(setting) != kGrammar) return QByteArray();
    const TSGrammarCollectionPtr grammar = Preferences::preferences()->grammar();
    if (!grammar) return QByteArray();
    QString error;
    const QByteArray data = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(grammar), &error);
    if (data.isEmpty()) TSLogError("Error exporting prefs %@", error);
    return data;
}

void PrefsWindowController::doExport() {
    const QString setting = settingsNameForTab();
    if (setting.isEmpty()) return;
    const QString path = specifySaveFile(localizedNameForTab());
    if (path.isEmpty()) return;
    const QByteArray data = getSaveDataForSetting(setting);
    if (data.isEmpty()) return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit())
        TSLogError("Error exporting prefs %@", file.errorString());
}

void PrefsWindowController::doImport() {
    ts::OpenPanelRequest request;
    request.allowsMultipleSelection = true;
    for (const QString& path : ts::Prompter::current()->openPanel(request)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            TSLogError("Error reading preferences %@\n%@", path, file.errorString());
            continue;
        }
        importData(file.readAll(), QFileInfo(path).completeBaseName());
    }
}

bool PrefsWindowController::importData(const QByteArray& data, const QString& name) {
    if (name != kGrammar) return false;
    QString error;
    const ts::Value root =
        ts::KeyedUnarchiver::unarchive(data, {TSGrammarCollection::staticClassName(), TSGrammarUsage::staticClassName()}, &error);
    const auto grammar = root.toObjectAs<TSGrammarCollection>();
    if (!grammar) {
        TSLogError("Error reading preferences %@\n%@", name, error.isEmpty() ? QStringLiteral("not a grammar") : error);
        return false;
    }
    grammar->setDirty(true);
    preferences_->setGrammar(grammar);
    reloadGrammar();
    return true;
}
