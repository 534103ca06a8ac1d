#include "import/gui/TSBodyImporterTab.h"

#include "app/core/Preferences.h"
#include "app/logging/LGLog.h"
#include "documents/TSDocument.h"
#include "import/gui/ImportPreviewModel.h"
#include "platform/Dispatch.h"
#include "platform/Document.h"
#include "platform/Prompter.h"
#include "platform/gui/RichTextConversion.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSMatchedChunk.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCollator>
#include <QComboBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <atomic>

namespace {

// One conversion at a time in the whole process.
std::atomic<bool> gPreviewBusy{false};

// A row's translation as the reader sees its words: footnote markers are
// renumbered when a translation goes in, and a row of markers alone (a
// section that held only a note) carries no line of the translation.
QString translationWords(const TSChunkPtr& row) {
    static const QRegularExpression marker(QStringLiteral("\\[\\d+\\]"));
    const ts::AttributedStringPtr text = row->textForKey(QStringLiteral("perseusEnglish"));
    if (!text) return QString();
    QString words = text->string();
    words.remove(marker);
    return words.simplified();
}

void collectTranslationRows(const TSChunkPtr& node, QStringList& out) {
    for (const TSChunkPtr& child : node->childNodes()) {
        if (child->childNodes().empty()) {
            const QString words = translationWords(child);
            if (!words.isEmpty()) out << words;
        }
        collectTranslationRows(child, out);
    }
}

qint64 wordCount(const QString& text) {
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
}

QString nr(const QString& key) { return ts::Prompter::localized(key, QStringLiteral("NonReversable")); }

// Adds a title; a title already there moves to the end.
void addUnique(QComboBox* popup, const QString& title) {
    const int at = popup->findText(title);
    if (at >= 0) popup->removeItem(at);
    popup->addItem(title);
}

QString countText(qint64 index, qint64 count) {
    return ts::Prompter::localized(QStringLiteral("%1 of %2")).arg(index + 1).arg(count);
}

// A deep copy of a text tree: the preview keeps its own.
TSTextPtr copyOf(const TSTextPtr& text) {
    return text ? TSText::textFromDictionary(text->serialize()) : nullptr;
}

}  // namespace

// ---- Small table models for the survey data ----

class AttributeModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setAttributes(ts::ValueDictionary a) {
        beginResetModel();
        attributes_ = std::move(a);
        keys_ = TSBodyImporterTab::keysForAttribute(attributes_);
        endResetModel();
    }
    int rowCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : int(keys_.size()); }
    int columnCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& i, int role) const override {
        if (role != Qt::DisplayRole || i.row() >= keys_.size()) return {};
        if (i.column() == 0) return keys_[i.row()];
        auto it = attributes_.find(keys_[i.row()]);
        return it == attributes_.end() ? QVariant() : QVariant(it->second.toString());
    }
    QVariant headerData(int s, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return s == 0 ? QStringLiteral("key") : QStringLiteral("value");
    }

private:
    ts::ValueDictionary attributes_;
    QStringList keys_;
};

class StackModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    void setPath(QStringList p) {
        beginResetModel();
        path_ = std::move(p);
        endResetModel();
    }
    int rowCount(const QModelIndex& p = {}) const override { return p.isValid() ? 0 : int(path_.size()); }
    QVariant data(const QModelIndex& i, int role) const override {
        return role == Qt::DisplayRole && i.row() < path_.size() ? QVariant(path_[i.row()]) : QVariant();
    }

private:
    QStringList path_;
};

namespace {

// Preview rows: rich text at the column width; a book or section row, or a
// line whose texts measure nothing, is 22 high.
class PreviewDelegate : public QStyledItemDelegate {
public:
    PreviewDelegate(QTreeView* view) : QStyledItemDelegate(view), view_(view) {}
    static bool layout(const QModelIndex& index, int width, QTextDocument& doc, const QFont& font) {
        auto text = index.data(ImportPreviewModel::RichTextRole).value<ts::AttributedStringPtr>();
        doc.setDefaultFont(font);
        doc.setDocumentMargin(2);
        if (text) RichTextConversion::toTextDocument(*text, doc);
        else doc.setPlainText(index.data().toString());
        doc.setTextWidth(std::max(10, width));
        return true;
    }
    int width(const QModelIndex& index) const {
        int w = view_->header()->sectionSize(index.column());
        if (index.column() == 0)
            for (QModelIndex p = index; p.isValid(); p = p.parent()) w -= view_->indentation();
        return w;
    }
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        opt.text.clear();
        QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        QTextDocument doc;
        layout(index, option.rect.width(), doc, view_->font());
        painter->save();
        painter->translate(option.rect.topLeft());
        painter->setClipRect(QRect(QPoint(0, 0), option.rect.size()));
        QAbstractTextDocumentLayout::PaintContext ctx;
        ctx.palette = option.palette;
        doc.documentLayout()->draw(painter, ctx);
        painter->restore();
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        auto* model = qobject_cast<const ImportPreviewModel*>(index.model());
        if (!model || !dynamic_cast<TSMatchedChunk*>(model->chunkAt(index)) || model->rowCount(index) > 0)
            return {option.rect.width(), 22};
        double h = 5.0;
        for (int c = 0; c < 2; ++c) {
            const QModelIndex cell = index.siblingAtColumn(c);
            if (!cell.data(ImportPreviewModel::RichTextRole).isValid()) continue;
            QTextDocument doc;
            layout(cell, width(cell), doc, view_->font());
            h = std::max(h, doc.size().height());
        }
        return {option.rect.width(), h == 5.0 ? 22 : int(std::ceil(h + 3.0))};
    }

private:
    QTreeView* view_;
};

QPushButton* arrowButton(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setFixedWidth(32);
    return b;
}

}  // namespace

// ---- Building the tab ----

TSBodyImporterTab::TSBodyImporterTab(QWidget* parent) : TSImporterTab(parent) {
    auto* layout = new QVBoxLayout(this);
    auto* split = new QSplitter(Qt::Vertical, this);
    layout->addWidget(split);

    auto* top = new QWidget(split);
    auto* topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    elementsTable = new QTableView(top);
    elementModel_ = new ElementTableModel({QStringLiteral("attributedName"), QStringLiteral("role")},
                                          {tr("Element"), tr("Role")}, elementsTable);
    elementsTable->setModel(elementModel_);
    elementsTable->verticalHeader()->hide();
    elementsTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    elementsTable->setSelectionMode(QAbstractItemView::SingleSelection);
    elementsTable->horizontalHeader()->setStretchLastSection(true);
    elementsTable->horizontalHeader()->resizeSection(0, 150);
    elementsTable->setMinimumWidth(300);
    topLayout->addWidget(elementsTable);

    auto* controls = new QWidget(top);
    auto* controlsColumn = new QVBoxLayout(controls);
    controlsColumn->setContentsMargins(0, 0, 0, 0);
    auto* form = new QFormLayout;
    controlsColumn->addLayout(form);
    tagNameField = new QLabel(controls);
    QFont bold = tagNameField->font();
    bold.setBold(true);
    tagNameField->setFont(bold);
    handlePopup = new QComboBox(controls);
    namePopup = new QComboBox(controls);
    idPopup = new QComboBox(controls);
    formatPopup = new QComboBox(controls);
    insertionStringField = new QLineEdit(controls);
    prependStringField = new QLineEdit(controls);
    form->addRow(tr("Element:"), tagNameField);
    form->addRow(tr("Role:"), handlePopup);
    form->addRow(tr("Name from:"), namePopup);
    form->addRow(tr("Location from:"), idPopup);
    form->addRow(tr("Format:"), formatPopup);
    form->addRow(tr("Insert:"), insertionStringField);
    form->addRow(tr("Put in front:"), prependStringField);
    topLayout->addWidget(controls, 1);

    auto* survey = new QWidget(top);
    auto* surveyColumn = new QVBoxLayout(survey);
    surveyColumn->setContentsMargins(0, 0, 0, 0);
    quoteView = new QTextEdit(survey);
    quoteView->setReadOnly(true);
    quoteCountField = new QLabel(survey);
    attributeTable = new QTableView(survey);
    attributeModel_ = new AttributeModel(attributeTable);
    attributeTable->setModel(attributeModel_);
    attributeTable->verticalHeader()->hide();
    attributeTable->horizontalHeader()->setStretchLastSection(true);
    attributeCountField = new QLabel(survey);
    stackTable = new QTableView(controls);
    stackModel_ = new StackModel(stackTable);
    stackTable->setModel(stackModel_);
    stackTable->verticalHeader()->hide();
    stackTable->horizontalHeader()->hide();
    stackTable->horizontalHeader()->setStretchLastSection(true);
    stackCountField = new QLabel(controls);
    // Paths and attribute sets are short lines: compact rows show a deep
    // path whole.
    const int compactRow = fontMetrics().height() + 6;
    for (QTableView* t : {attributeTable, stackTable}) {
        t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        t->verticalHeader()->setDefaultSectionSize(compactRow);
    }
    auto browse = [&](QVBoxLayout* column, QWidget* view, QLabel* count, const QString& title, auto prev, auto next) {
        QWidget* owner = column->parentWidget();
        auto* head = new QHBoxLayout;
        head->addWidget(new QLabel(title, owner));
        head->addStretch(1);
        head->addWidget(count);
        QPushButton* p = arrowButton(QStringLiteral("‹"), owner);
        QPushButton* n = arrowButton(QStringLiteral("›"), owner);
        head->addWidget(p);
        head->addWidget(n);
        connect(p, &QPushButton::clicked, this, prev);
        connect(n, &QPushButton::clicked, this, next);
        column->addLayout(head);
        column->addWidget(view, 1);
    };
    browse(surveyColumn, quoteView, quoteCountField, tr("Sample text"), [this] { setDisplayedQuoteIndex(displayedQuoteIndex_ - 1); },
           [this] { setDisplayedQuoteIndex(displayedQuoteIndex_ + 1); });
    browse(surveyColumn, attributeTable, attributeCountField, tr("Attributes"),
           [this] { setDisplayedAttributeIndex(displayedAttributeIndex_ - 1); },
           [this] { setDisplayedAttributeIndex(displayedAttributeIndex_ + 1); });
    // Under the controls, where the column has room for a deep path.
    browse(controlsColumn, stackTable, stackCountField, tr("Found inside"),
           [this] { setDisplayedStackIndex(displayedStackIndex_ - 1); },
           [this] { setDisplayedStackIndex(displayedStackIndex_ + 1); });
    topLayout->addWidget(survey, 1);

    auto* bottom = new QWidget(split);
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    preview = new NBOutlineView(bottom);
    previewModel_ = new ImportPreviewModel(preview);
    preview->setModel(previewModel_);
    preview->setItemDelegate(new PreviewDelegate(preview));
    preview->setUniformRowHeights(false);
    preview->header()->resizeSection(0, 110);
    preview->header()->setStretchLastSection(true);
    preview->setOutlineDelegate(this);
    preview->setContextMenuPolicy(Qt::DefaultContextMenu);
    reportField = new QLabel(bottom);
    bottomLayout->addWidget(preview, 1);
    bottomLayout->addWidget(reportField);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);

    connect(elementsTable->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList rows = elementsTable->selectionModel()->selectedRows();
        setCurElement(rows.isEmpty() ? nullptr : elementModel_->elementAt(rows.first().row()));
    });
    connect(elementModel_, &ElementTableModel::storeChanged, this, [this] { settingsChanged(); });
    connect(handlePopup, qOverload<int>(&QComboBox::activated), this, [this] { handlePopupClicked(); });
    connect(namePopup, qOverload<int>(&QComboBox::activated), this, [this] { namePopupClicked(); });
    connect(idPopup, qOverload<int>(&QComboBox::activated), this, [this] { idPopupClicked(); });
    connect(formatPopup, qOverload<int>(&QComboBox::activated), this, [this] { formatPopupClicked(); });
    connect(insertionStringField, &QLineEdit::editingFinished, this, [this] {
        if (!curElement_) return;
        const QString t = insertionStringField->text();
        if (t == curElement_->insertString() || (t.isEmpty() && curElement_->insertString().isNull())) return;
        curElement_->setInsertString(t.isEmpty() ? QString() : t);
        settingsChanged();
    });
    connect(prependStringField, &QLineEdit::editingFinished, this, [this] {
        if (!curElement_) return;
        const QString t = prependStringField->text();
        if (t == curElement_->prependString() || (t.isEmpty() && curElement_->prependString().isNull())) return;
        curElement_->setPrependString(t.isEmpty() ? QString() : t);
        settingsChanged();
    });
    setCurElement(nullptr);
}

TSBodyImporterTab::~TSBodyImporterTab() {
    preview->setOutlineDelegate(nullptr);
}

QString TSBodyImporterTab::curIdentifier() const {
    return identifier_;
}

void TSBodyImporterTab::setFileURL(const QUrl& url) {
    identifier_ = TSBodyElementParser::identifierForSource(url);
    texts_.clear();
    footnoteLists_.clear();
    report_.clear();
    previewModel_->setBooks({}, curIdentifier());
    setCurElement(nullptr);
    TSImporterTab::setFileURL(url);
    elementModel_->setElements(elementArray());
}

ts::Value TSBodyImporterTab::parseElements() {
    TSBodyElementParser parser;
    parser.setCurIdentifier(curIdentifier());
    return parser.parseFileAtLocation(fileURL_);
}

void TSBodyImporterTab::extractElements() {
    const ts::Value result = parseElements();
    if (!result.isDictionary()) return;
    const ts::ValueDictionary& d = result.dictionary();
    const QSet<QString> data = surveyNames(d, "Data Elements"), attributes = surveyNames(d, "Attribute Elements");
    const ts::ValueDictionary strings = surveyDictionary(d, "Strings Dictionary");
    const ts::ValueDictionary attributeSets = surveyDictionary(d, "Attributes Dictionary");
    auto it = d.find(QStringLiteral("Elements"));
    if (it == d.end() || !it->second.isArray()) return;
    for (const ts::Value& v : it->second.array()) {
        const QString name = v.toString();
        auto e = std::make_shared<TSImportElement>();
        e->setName(name);
        e->setHasData(data.contains(name));
        e->setHasAttributes(attributes.contains(name));
        if (e->hasData())
            if (auto s = strings.find(name); s != strings.end() && s->second.isArray()) {
                std::vector<ts::AttributedStringPtr> samples;
                for (const ts::Value& x : s->second.array())
                    if (auto t = x.toObjectAs<ts::AttributedString>()) samples.push_back(t);
                e->setDataArray(std::move(samples));
            }
        if (e->hasAttributes())
            if (auto a = attributeSets.find(name); a != attributeSets.end() && a->second.isArray()) {
                std::vector<ts::ValueDictionary> sets;
                for (const ts::Value& x : a->second.array())
                    if (x.isDictionary()) sets.push_back(x.dictionary());
                e->setAttributeArray(std::move(sets));
            }
        elementArray()->addObject(e);
    }
}

// ---- The selected element ----

void TSBodyImporterTab::setCurElement(const TSImportElementPtr& element) {
    curElement_ = element;
    displayedAttributeIndex_ = displayedQuoteIndex_ = displayedStackIndex_ = 0;
    insertData();
}

QStringList TSBodyImporterTab::keysForAttribute(const ts::ValueDictionary& attributes) {
    QStringList keys;
    for (const auto& [k, v] : attributes) keys << k;
    QCollator c;
    c.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(keys.begin(), keys.end(), [&](const QString& a, const QString& b) { return c.compare(a, b) < 0; });
    return keys;
}

ts::ValueDictionary TSBodyImporterTab::displayedAttribute() const {
    if (!curElement_) return {};
    const auto& sets = curElement_->attributeArray();
    if (displayedAttributeIndex_ < 0 || displayedAttributeIndex_ >= qint64(sets.size())) return {};
    return sets[size_t(displayedAttributeIndex_)];
}

QStringList TSBodyImporterTab::stackForDisplayedAttribute() const {
    if (!curElement_) return {};
    const auto paths = curElement_->orderedStackList();
    if (displayedStackIndex_ < 0 || displayedStackIndex_ >= qint64(paths.size())) return {};
    return paths[size_t(displayedStackIndex_)];
}

void TSBodyImporterTab::updatePopups() {
    for (QComboBox* p : {handlePopup, namePopup, idPopup, formatPopup}) p->clear();
    if (!curElement_) return;
    const QStringList roles = TSImportElement::roleTitles();
    for (const QString& r : roles) handlePopup->addItem(nr(r));
    const QStringList parents = curElement_->shortestStack();
    if (!parents.isEmpty()) {
        handlePopup->setItemText(3, handlePopup->itemText(3) + QLatin1Char(' ') + parents.last());
    } else if (auto* model = qobject_cast<QStandardItemModel*>(handlePopup->model())) {
        if (QStandardItem* item = model->item(3)) item->setEnabled(false);
    }
    namePopup->addItems({nr(QStringLiteral("Ignore")), nr(QStringLiteral("Text"))});
    idPopup->addItems({nr(QStringLiteral("Ignore")), nr(QStringLiteral("Milestone"))});
    formatPopup->addItem(QString());
    formatPopup->insertSeparator(1);
    formatPopup->addItems({nr(QStringLiteral("Bold")), nr(QStringLiteral("Italic"))});
    if (!displayedAttribute().empty()) {
        namePopup->insertSeparator(namePopup->count());
        idPopup->insertSeparator(idPopup->count());
        const QStringList names = curElement_->allAttributeNames();
        if (names.contains(QStringLiteral("n")) && names.contains(QStringLiteral("type")))
            addUnique(namePopup, QStringLiteral("{} n type"));
        else if (names.contains(QStringLiteral("n")) && names.contains(QStringLiteral("unit")))
            addUnique(namePopup, QStringLiteral("{} n unit"));
        for (const QString& n : names) {
            addUnique(namePopup, QStringLiteral("{} %1").arg(n));
            addUnique(idPopup, n);
        }
        addUnique(namePopup, QStringLiteral("{} n + 1"));
    }
    namePopup->insertSeparator(namePopup->count());
    for (const TSImportElementPtr& other : elementArray()->elements())
        if (other != curElement_) addUnique(namePopup, QStringLiteral("\u2022 ") + other->name());
}

void TSBodyImporterTab::insertData() {
    QPointer<TSBodyImporterTab> self = this;
    QTimer::singleShot(0, this, [self] {
        if (!self) return;
        TSBodyImporterTab& t = *self;
        t.updating_ = true;
        t.updatePopups();
        t.insertionStringField->clear();
        t.prependStringField->clear();
        t.displayedQuoteIndex_ = t.displayedStackIndex_ = 0;
        if (const TSImportElementPtr& e = t.curElement_) {
            t.tagNameField->setText(e->name());
            t.handlePopup->setCurrentIndex(int(e->store()));
            t.formatPopup->setCurrentIndex(int(e->formatType()));
            t.namePopup->setCurrentIndex(e->nameSource().isNull() ? 0 : t.namePopup->findText(e->nameSource()));
            if (e->idFromMilestone()) t.idPopup->setCurrentIndex(1);
            else t.idPopup->setCurrentIndex(e->idSource().isNull() ? 0 : t.idPopup->findText(e->idSource()));
            t.insertionStringField->setText(e->insertString());
            if (!e->prependString().isNull()) t.prependStringField->setText(e->prependString());
        } else {
            t.tagNameField->clear();
        }
        t.setDisplayedAttributeIndex(t.displayedAttributeIndex_);
        t.setDisplayedQuoteIndex(0);
        t.setDisplayedStackIndex(0);
        t.updating_ = false;
    });
}

// Each pop-up's action sets only the setting it shows: applying the others
// again would recompute a parent or wipe a source they cannot show.
void TSBodyImporterTab::handlePopupClicked() {
    if (updating_ || !curElement_) return;
    const int role = handlePopup->currentIndex();
    if (role < 0) return;
    TSImportElement& e = *curElement_;
    e.setStore(role);
    const QStringList parents = e.shortestStack();
    e.setSubsectionOf(role == TSImportElement::SubsectionOf && !parents.isEmpty() ? parents.last() : QString());
    insertionStringField->setText(e.insertString());
    elementModel_->reload();
    settingsChanged();
}

void TSBodyImporterTab::namePopupClicked() {
    if (updating_ || !curElement_) return;
    const int name = namePopup->currentIndex();
    if (name < 0) return;
    curElement_->setNameSource(name == 0 ? QString() : namePopup->currentText());
    settingsChanged();
}

void TSBodyImporterTab::idPopupClicked() {
    if (updating_ || !curElement_) return;
    const int id = idPopup->currentIndex();
    if (id < 0) return;
    curElement_->setIdSource(id == 1 ? QStringLiteral("*milestone*") : id == 0 || id == 2 ? QString() : idPopup->currentText());
    settingsChanged();
}

void TSBodyImporterTab::formatPopupClicked() {
    if (updating_ || !curElement_) return;
    const int format = formatPopup->currentIndex();
    if (format < 0) return;
    curElement_->setFormatType(format);
    settingsChanged();
}

void TSBodyImporterTab::setDisplayedAttributeIndex(qint64 i) {
    const qint64 n = curElement_ ? qint64(curElement_->attributeArray().size()) : 0;
    if (i < 0) i = n - 1;
    if (i >= n) i = 0;
    displayedAttributeIndex_ = std::max<qint64>(0, i);
    const ts::ValueDictionary shown = displayedAttribute();
    attributeCountField->setText(shown.empty() ? QString() : countText(displayedAttributeIndex_, n));
    attributeModel_->setAttributes(shown);
}

void TSBodyImporterTab::setDisplayedQuoteIndex(qint64 i) {
    const qint64 n = curElement_ ? qint64(curElement_->dataArray().size()) : 0;
    if (i < 0) i = n - 1;
    if (i >= n) i = 0;
    displayedQuoteIndex_ = std::max<qint64>(0, i);
    if (n == 0) {
        quoteCountField->clear();
        quoteView->clear();
        return;
    }
    quoteCountField->setText(countText(displayedQuoteIndex_, n));
    const ts::AttributedStringPtr& sample = curElement_->dataArray()[size_t(displayedQuoteIndex_)];
    if (sample) RichTextConversion::toTextDocument(*sample, *quoteView->document());
    else quoteView->clear();
}

void TSBodyImporterTab::setDisplayedStackIndex(qint64 i) {
    const qint64 n = curElement_ ? qint64(curElement_->orderedStackList().size()) : 0;
    if (i < 0) i = n - 1;
    if (i >= n) i = 0;
    displayedStackIndex_ = std::max<qint64>(0, i);
    stackCountField->setText(n == 0 ? QString() : countText(displayedStackIndex_, qint64(curElement_->stacks().size())));
    stackModel_->setPath(stackForDisplayedAttribute());
}

// ---- Settings ----

void TSBodyImporterTab::updateElementsFromArray(const TSElementArrayPtr& templates) {
    if (templates) TSImportElement::setTemplateElements(templates->elements());
    elementArray_.reset();
    extractElements();
    elementModel_->setElements(elementArray());
    setCurElement(nullptr);
    createPreview();
}

QByteArray TSBodyImporterTab::exportElementsToPListFormat() {
    elementArray()->setName(QFileInfo(fileURL_.toLocalFile()).completeBaseName());
    return elementArray()->exportToPListFormat();
}

// ---- Conversion ----

void TSBodyImporterTab::settingsChanged() {
    createPreview();
}

bool TSBodyImporterTab::previewRunning() const {
    return gPreviewBusy.load();
}

void TSBodyImporterTab::createPreview() {
    if (fileURL_.isEmpty()) return;
    // Each request supersedes the ones before it.
    const quint64 generation = ++generation_;
    bool expected = false;
    if (!gPreviewBusy.compare_exchange_strong(expected, true)) {
        QPointer<TSBodyImporterTab> self = this;
        QTimer::singleShot(500, this, [self, generation] {
            if (self && self->generation_ == generation) self->createPreview();
        });
        return;
    }
    auto parser = std::make_shared<TSBodyElementParser>();
    parser->setCurIdentifier(curIdentifier());
    parser->setElementArray(elementArray());
    struct Forward : BodyImporterProtocol {
        std::function<void(float)> report;
        void reportProgress(float f) override { report(f); }
    };
    auto forward = std::make_shared<Forward>();
    std::weak_ptr<int> alive = alive_;
    // Progress comes from the parsing thread. It is handed to the delegate on
    // the main thread, and only while this tab is there: the window that is
    // its delegate may have been closed during the parse.
    forward->report = [this, alive](float f) {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [this, alive, f] {
            if (alive.lock() && tabDelegate_) tabDelegate_->reportProgress(f);
        }, Qt::QueuedConnection);
    };
    parser->setDelegate(forward);
    const QUrl url = fileURL_;
    ts::DispatchQueue::global()->async([this, alive, parser, forward, url, generation] {
        const ts::Value result = parser->parseFileAtLocation(url);
        std::vector<TSTextPtr> books = parser->texts();
        std::vector<FootnoteListPtr> notes = parser->footnoteLists();
        QString report;
        if (result.isDictionary())
            if (auto r = result.dictionary().find(QStringLiteral("Report")); r != result.dictionary().end())
                report = r->second.toString();
        if (!result.isDictionary()) report = parser->errorMessage();
        QMetaObject::invokeMethod(QCoreApplication::instance(), [this, alive, generation, books, notes, report] {
            gPreviewBusy = false;
            if (alive.lock()) deliver(generation, books, notes, report);
        }, Qt::QueuedConnection);
    });
}

void TSBodyImporterTab::deliver(quint64 generation, std::vector<TSTextPtr> books, std::vector<FootnoteListPtr> notes,
                                QString report) {
    if (tabDelegate_) tabDelegate_->importFinished();
    // A later change is waiting: this result is already out of date.
    if (generation != generation_) return;
    texts_ = std::move(books);
    footnoteLists_ = std::move(notes);
    report_ = std::move(report);
    previewModel_->setBooks(texts_, curIdentifier());
    // Books and their sections open; one section's lines show at once.
    preview->expandToDepth(0);
    if (previewModel_->rowCount() > 0) preview->expand(previewModel_->index(0, 0, previewModel_->index(0, 0)));
    reportField->setText(report_);
    // The paths the conversion found belong to the selected element too.
    setDisplayedStackIndex(displayedStackIndex_);
    Q_EMIT previewUpdated();
}

FootnoteListPtr TSBodyImporterTab::footnotesForText(const TSTextPtr& book) const {
    for (size_t i = 0; i < texts_.size(); ++i)
        if (texts_[i] == book) return i < footnoteLists_.size() ? footnoteLists_[i] : nullptr;
    return nullptr;
}

FootnoteListPtr TSBodyImporterTab::combinedFootnotes() const {
    auto all = std::make_shared<FootnoteList>();
    for (const FootnoteListPtr& list : footnoteLists_)
        if (list)
            for (const auto& [id, note] : list->notes()) all->notes()[id] = note;
    return all;
}

TSTextPtr TSBodyImporterTab::text() const {
    if (texts_.empty()) return nullptr;
    if (texts_.size() == 1) return copyOf(texts_.front());
    auto whole = std::make_shared<TSText>();
    whole->setName(QFileInfo(fileURL_.toLocalFile()).completeBaseName());
    for (const TSTextPtr& book : texts_) {
        TSTextPtr copy = copyOf(book);
        if (!copy) continue;
        auto chunk = std::make_shared<TSMatchedChunk>();
        chunk->setName(book->name());
        for (const TSChunkPtr& child : copy->childNodes()) chunk->addChild(child);
        whole->addChild(chunk);
    }
    return whole;
}

// ---- Import and insert ----

std::vector<std::shared_ptr<TSDocument>> TSBodyImporterTab::openDocumentList() {
    std::vector<std::shared_ptr<TSDocument>> out;
    if (ts::DocumentController* c = ts::DocumentController::sharedDocumentController())
        for (const ts::DocumentPtr& d : c->documents())
            if (auto doc = std::dynamic_pointer_cast<TSDocument>(d)) out.push_back(doc);
    return out;
}

std::shared_ptr<TSDocument> TSBodyImporterTab::importBook(const TSTextPtr& book) {
    ts::DocumentController* c = ts::DocumentController::sharedDocumentController();
    if (!c || !book) return nullptr;
    ts::DocumentError error;
    auto doc = std::dynamic_pointer_cast<TSDocument>(c->makeUntitledDocumentOfType(TSDocument::kTypeName, &error));
    if (!doc) {
        TSLogError("Error making editor %@", error.description);
        return nullptr;
    }
    doc->setText(copyOf(book));
    if (FootnoteListPtr notes = footnotesForText(book)) {
        auto copy = std::make_shared<FootnoteList>();
        copy->setNotes(notes->notes());
        doc->setFootnotes(copy);
    }
    doc->setDisplayName(book->name());
    doc->updateChangeCount(ts::Document::ChangeReadOtherContents);
    doc->makeWindowControllers();
    doc->showWindows();
    c->addDocument(doc);
    return doc;
}

bool TSBodyImporterTab::insertTranslation(const TSTextPtr& book, const std::shared_ptr<TSDocument>& document) {
    if (!book || !document) return false;
    TSTextPtr text = document->text();
    FootnoteListPtr notes = document->footnotes();
    if (!text || !notes) return false;
    // The translation goes into a copy first: one that finds no line to go
    // to leaves the document as it was, with nothing to save or undo.
    const ts::Value before = text->serialize();
    const QByteArray notesBefore = notes->archiveNotes();
    TSTextPtr changed = TSText::textFromDictionary(before);
    FootnoteListPtr changedNotes = FootnoteList::unarchiveNotes(notesBefore);
    if (!changed || !changedNotes) return false;
    const TSText::TranslationAlignment aligned = changed->importPerseusTranslation(copyOf(book), *changedNotes);
    if (FootnoteListPtr own = footnotesForText(book))
        for (const auto& [id, note] : own->notes()) changedNotes->notes()[id] = note;
    // What met no Latin row is said, not silently piled or lost, in the
    // units the preview shows: its rows, which may each join many lines of
    // verse, and their words. A row of the translation is in the text when
    // its words are some row's translation now.
    QStringList sourceRows, placedRows;
    collectTranslationRows(book, sourceRows);
    collectTranslationRows(changed, placedRows);
    const QSet<QString> placed(placedRows.cbegin(), placedRows.cend());
    qint64 rowsLeft = 0, wordsLeft = 0, words = 0;
    for (const QString& row : sourceRows) {
        words += wordCount(row);
        if (placed.contains(row)) continue;
        ++rowsLeft;
        wordsLeft += wordCount(row);
    }
    if (rowsLeft != aligned.linesUnmatched)
        TSLogError("%li rows of the translation not inserted; the alignment counted %li", rowsLeft, aligned.linesUnmatched);
    QStringList unmet;
    if (aligned.rowsAdded > 0)
        unmet << ts::Prompter::localized(QStringLiteral("%1 rows kept as rows of their own at the end of their section"))
                     .arg(aligned.rowsAdded);
    if (rowsLeft > 0)
        unmet << ts::Prompter::localized(QStringLiteral("%1 rows (%2 of its %3 words) not inserted, their section not being in the text"))
                     .arg(rowsLeft)
                     .arg(wordsLeft)
                     .arg(words);
    const qint64 total = aligned.rowsAdded + rowsLeft;
    insertionObserver_.reset();
    insertionReport_ = total == 0 ? ts::Prompter::localized(QStringLiteral("Every row of the translation met a Latin row."))
                                  : ts::Prompter::localized(QStringLiteral("%1 rows of the translation met no Latin row: %2."))
                                        .arg(total)
                                        .arg(unmet.join(QStringLiteral("; ")));
    reportField->setText(insertionReport_);
    if (changed->serialize() == before && changedNotes->archiveNotes() == notesBefore) return false;
    // One step that Undo takes back whole.
    document->registerUndoSnapshot(QObject::tr("Insert Translation"));
    document->setText(changed);
    document->setFootnotes(changedNotes);
    // Closing would otherwise lose the inserted translation without a word.
    document->updateChangeCount(ts::Document::ChangeDone);
    document->textReplaced();
    document->showWindows();
    std::weak_ptr<TSDocument> weakDocument = document;
    std::weak_ptr<TSText> inserted = changed;
    insertionObserver_ = ts::NotificationCenter::defaultCenter().addObserver(
        TSDocument::kTextReplaced, document.get(), [this, weakDocument, inserted](const ts::Notification&) {
            const auto d = weakDocument.lock();
            if (!d || d->text() == inserted.lock()) return;
            insertionReport_.clear();
            reportField->setText(report_);
            insertionObserver_.reset();
        });
    return true;
}

QMenu* TSBodyImporterTab::menuForEvent(const QPoint&, const QModelIndex& item, NBOutlineView*, const QString&) {
    TSTextPtr book = previewModel_->bookAt(item.siblingAtColumn(0));
    if (!book) return nullptr;
    auto* menu = new QMenu(this);
    menu->addAction(ts::Prompter::localized(QStringLiteral("Import")), this, [this, book] { importBook(book); });
    if (curIdentifier() == QLatin1String("perseusEnglish")) {
        menu->addSeparator();
        for (const auto& doc : openDocumentList()) {
            std::weak_ptr<TSDocument> weak = doc;
            menu->addAction(QStringLiteral("%1: %2").arg(ts::Prompter::localized(QStringLiteral("Insert")), doc->displayName()),
                            this, [this, book, weak] {
                                if (auto d = weak.lock()) insertTranslation(book, d);
                            });
        }
    }
    return menu;
}
