#include "import/gui/PerseusImporter.h"

#include "app/logging/LGLog.h"
#include "documents/TSDocument.h"
#include "import/TSElementParser.h"
#include "import/gui/TSImporterTab.h"
#include "platform/Document.h"
#include "platform/Prompter.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {
constexpr int kFixedItems = 3;  // "Settings", a separator, "Save Settings"
}

PerseusImporter::PerseusImporter() {
    setObjectName(QStringLiteral("PerseusImporter"));
    setWindowTitle(tr("Import TEI Text"));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* top = new QHBoxLayout;
    elementSettingsPopup = new QComboBox(central);
    elementSettingsPopup->setMinimumWidth(220);
    progressIndicator = new QProgressBar(central);
    progressIndicator->setRange(0, 1000);
    progressIndicator->setMaximumWidth(200);
    progressIndicator->setTextVisible(false);
    auto* importButton = new QPushButton(tr("Import"), central);
    importButton->setDefault(true);
    top->addWidget(new QLabel(tr("Settings:"), central));
    top->addWidget(elementSettingsPopup);
    top->addStretch(1);
    top->addWidget(progressIndicator);
    top->addWidget(importButton);
    layout->addLayout(top);
    tabs = new QTabWidget(central);
    headerTab = new TSHeaderImporterTab(tabs);
    bodyTab = new TSBodyImporterTab(tabs);
    tabs->addTab(headerTab, tr("Header"));
    tabs->addTab(bodyTab, tr("Body"));
    tabs->setCurrentWidget(bodyTab);
    layout->addWidget(tabs, 1);
    setCentralWidget(central);
    resize(1100, 780);

    rebuildSettingsPopup();
    bodyTab->setTabDelegate(this);
    progressIndicator->hide();
    connect(importButton, &QPushButton::clicked, this, [this] { handleImportButtonClick(); });
    connect(elementSettingsPopup, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        if (index == 2) handleSaveSettingsClick();
        else if (index >= kFixedItems) insertElementSettings(elementSettingsPopup->itemData(index).toString());
    });
}

void PerseusImporter::setFileURL(const QUrl& url) {
    fileURL_ = url;
    const QString base = QFileInfo(url.toLocalFile()).completeBaseName();
    headerTab->setFileURL(url);
    bodyTab->setFileURL(url);
    const int saved = elementSettingsPopup->findText(base);
    if (saved >= kFixedItems) {
        elementSettingsPopup->setCurrentIndex(saved);
        insertElementSettings(elementSettingsPopup->itemData(saved).toString());
    } else {
        // The previous file's settings are not this one's.
        elementSettingsPopup->setCurrentIndex(0);
        bodyTab->createPreview();
    }
    if (!url.isEmpty()) setWindowTitle(QFileInfo(url.toLocalFile()).fileName());
}

void PerseusImporter::rebuildSettingsPopup() {
    elementSettingsPopup->clear();
    elementSettingsPopup->addItem(tr("Element Settings"));
    elementSettingsPopup->insertSeparator(1);
    elementSettingsPopup->addItem(tr("Save Settings for This Text"));
    const QString folder = TSElementArray::elementsFolder();
    if (folder.isEmpty()) return;
    QStringList found;
    QDirIterator it(folder, {QStringLiteral("*.plist")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) found << it.next();
    found.sort();
    for (const QString& path : found) elementSettingsPopup->addItem(QFileInfo(path).completeBaseName(), path);
}

bool PerseusImporter::insertElementSettings(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        TSLogError("Unable to load data for url %@", path);
        return false;
    }
    bodyTab->updateElementsFromArray(TSElementArray::importFromPListData(file.readAll()));
    return true;
}

bool PerseusImporter::handleSaveSettingsClick() {
    const QByteArray data = bodyTab->exportElementsToPListFormat();
    const QString path = bodyTab->elementArray()->elementArrayURL();
    bool ok = !path.isEmpty() && !data.isEmpty();
    if (ok) {
        QSaveFile file(path);
        ok = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
    }
    if (!ok) {
        TSLogError("Failed to write element file %@", bodyTab->elementArray()->name());
        ts::AlertRequest alert;
        alert.messageText = tr("The element settings could not be saved.");
        alert.informativeText = path;
        alert.buttons = {tr("OK")};
        ts::Prompter::current()->alert(alert);
    }
    rebuildSettingsPopup();
    const int saved = elementSettingsPopup->findText(bodyTab->elementArray()->name());
    elementSettingsPopup->setCurrentIndex(saved >= 0 ? saved : 0);
    return ok;
}

QHash<QString, QString> PerseusImporter::parseHeader() const {
    TSHeaderElementParser parser;
    const ts::Value result = parser.parseFileAtLocation(fileURL_);
    ts::Value data;
    if (result.isDictionary())
        if (auto it = result.dictionary().find(QStringLiteral("Data Dictionary")); it != result.dictionary().end())
            data = it->second;
    return TSHeaderImporterTab::collectHeader(data, *const_cast<PerseusImporter*>(this)->headerTab->elementArray());
}

std::shared_ptr<TSDocument> PerseusImporter::handleImportButtonClick() {
    TSTextPtr text = bodyTab->text();
    if (!text) return nullptr;
    ts::DocumentController* controller = ts::DocumentController::sharedDocumentController();
    if (!controller) return nullptr;
    ts::DocumentError error;
    auto doc = std::dynamic_pointer_cast<TSDocument>(controller->makeUntitledDocumentOfType(TSDocument::kTypeName, &error));
    if (!doc) {
        TSLogError("Error making editor %@", error.description);
        return nullptr;
    }
    const QHash<QString, QString> header = parseHeader();
    doc->setText(text);
    doc->setFootnotes(bodyTab->combinedFootnotes());
    ts::ValueDictionary info = text->information();
    for (auto it = header.begin(); it != header.end(); ++it) info[it.key()] = it.value();
    text->setInformation(info);
    doc->setDisplayName(!text->name().isEmpty() ? text->name() : QFileInfo(fileURL_.toLocalFile()).completeBaseName());
    doc->updateChangeCount(ts::Document::ChangeReadOtherContents);
    doc->makeWindowControllers();
    doc->showWindows();
    controller->addDocument(doc);
    return doc;
}

void PerseusImporter::reportProgress(float fraction) {
    QPointer<PerseusImporter> self = this;
    QMetaObject::invokeMethod(qApp, [self, fraction] {
        if (!self) return;
        self->progressIndicator->show();
        self->progressIndicator->setValue(int(fraction * 1000));
    }, Qt::QueuedConnection);
}

void PerseusImporter::importFinished() {
    QPointer<PerseusImporter> self = this;
    QMetaObject::invokeMethod(qApp, [self] {
        if (!self) return;
        self->progressIndicator->setValue(1000);
        self->progressIndicator->hide();
    }, Qt::QueuedConnection);
}
