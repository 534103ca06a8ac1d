#include "import/gui/TSImporterTab.h"

#include "app/logging/LGLog.h"
#include "import/TSElementParser.h"

#include <QHeaderView>
#include <QRegularExpression>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>

// ---- The element table ----

ElementTableModel::ElementTableModel(QStringList columns, QStringList titles, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)), titles_(std::move(titles)) {}

void ElementTableModel::setElements(TSElementArrayPtr elements) {
    beginResetModel();
    elements_ = std::move(elements);
    rows_ = elements_ ? elements_->elements() : std::vector<TSImportElementPtr>{};
    endResetModel();
}

void ElementTableModel::reload() { setElements(elements_); }

TSImportElementPtr ElementTableModel::elementAt(int row) const {
    return row >= 0 && row < int(rows_.size()) ? rows_[size_t(row)] : nullptr;
}

int ElementTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }
int ElementTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(columns_.size()); }

QVariant ElementTableModel::data(const QModelIndex& index, int role) const {
    TSImportElementPtr e = elementAt(index.row());
    if (!e) return {};
    const QString& column = columns_.value(index.column());
    if (role == Qt::FontRole && column == QLatin1String("attributedName") && e->hasData()) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole) return {};
    if (column == QLatin1String("name")) return e->name();
    if (column == QLatin1String("attributedName")) {
        auto n = e->attributedName();
        return n ? n->string() : e->name();
    }
    if (column == QLatin1String("data")) {
        static const QRegularExpression bar(QStringLiteral("\\s*\\|\\s*"));
        return QString(e->data()).replace(bar, QStringLiteral("  |  "));
    }
    if (column == QLatin1String("store")) {
        // The editor takes the number; the cell says what it keeps.
        if (role == Qt::EditRole) return e->store();
        const qint64 n = e->store();
        if (n <= 0) return ElementTableModel::tr("nothing");
        if (n == 1) return ElementTableModel::tr("every value");
        return ElementTableModel::tr("value %1").arg(n - 1);
    }
    if (column == QLatin1String("role")) {
        const QStringList titles = TSImportElement::roleTitles();
        return titles.value(int(e->store()));
    }
    return {};
}

bool ElementTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TSImportElementPtr e = elementAt(index.row());
    if (!e || role != Qt::EditRole) return false;
    // Whatever the column, an edit sets the role.
    bool ok = false;
    const qint64 store = value.toLongLong(&ok);
    if (!ok || store < 0) return false;
    e->setStore(store);
    Q_EMIT dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    Q_EMIT storeChanged(index.row());
    return true;
}

QVariant ElementTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return titles_.value(section);
}

Qt::ItemFlags ElementTableModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (columns_.value(index.column()) == QLatin1String("store")) f |= Qt::ItemIsEditable;
    return f;
}

// ---- The base tab ----

TSImporterTab::TSImporterTab(QWidget* parent) : QWidget(parent) {}

const TSElementArrayPtr& TSImporterTab::elementArray() {
    if (!elementArray_) elementArray_ = TSElementArray::array();
    return elementArray_;
}

ts::Value TSImporterTab::parseElements() {
    TSLogError("Must override parseElements");
    return {};
}

QSet<QString> TSImporterTab::surveyNames(const ts::ValueDictionary& survey, const char* key) {
    QSet<QString> set;
    auto it = survey.find(QString::fromLatin1(key));
    if (it != survey.end() && it->second.isArray())
        for (const ts::Value& v : it->second.array()) set.insert(v.toString());
    return set;
}

ts::ValueDictionary TSImporterTab::surveyDictionary(const ts::ValueDictionary& survey, const char* key) {
    auto it = survey.find(QString::fromLatin1(key));
    return it != survey.end() && it->second.isDictionary() ? it->second.dictionary() : ts::ValueDictionary{};
}

void TSImporterTab::extractElements() {
    const ts::Value result = parseElements();
    if (!result.isDictionary()) return;
    const ts::ValueDictionary& d = result.dictionary();
    const QSet<QString> data = surveyNames(d, "Data Elements"), attributes = surveyNames(d, "Attribute Elements");
    auto it = d.find(QStringLiteral("Elements"));
    if (it == d.end() || !it->second.isArray()) return;
    for (const ts::Value& v : it->second.array()) {
        auto e = std::make_shared<TSImportElement>();
        e->setName(v.toString());
        e->setHasData(data.contains(v.toString()));
        e->setHasAttributes(attributes.contains(v.toString()));
        elementArray()->addObject(e);
    }
}

void TSImporterTab::setFileURL(const QUrl& url) {
    elementArray_.reset();
    fileURL_ = url;
    extractElements();
    if (elementModel_) {
        QPointer<TSImporterTab> self = this;
        QTimer::singleShot(0, this, [self] { if (self) self->elementModel_->setElements(self->elementArray()); });
    }
}

// ---- The header tab ----

TSHeaderImporterTab::TSHeaderImporterTab(QWidget* parent) : TSImporterTab(parent) {
    auto* layout = new QVBoxLayout(this);
    elementsTable = new QTableView(this);
    elementModel_ = new ElementTableModel({QStringLiteral("name"), QStringLiteral("data"), QStringLiteral("store")},
                                          {tr("Element"), tr("Values"), tr("Keep")}, elementsTable);
    elementsTable->setModel(elementModel_);
    elementsTable->verticalHeader()->hide();
    elementsTable->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    elementsTable->horizontalHeader()->resizeSection(0, 140);
    elementsTable->horizontalHeader()->resizeSection(2, 110);
    elementsTable->setToolTip(tr("Keep: 0 nothing, 1 every value, 2 the first value, 3 the second, and so on"));
    layout->addWidget(elementsTable);
}

qint64 TSHeaderImporterTab::headerPreset(const QString& name) {
    static const QHash<QString, qint64> presets = {{QStringLiteral("title"), 2},    {QStringLiteral("author"), 3},
                                                  {QStringLiteral("editor"), 2},   {QStringLiteral("pubPlace"), 1},
                                                  {QStringLiteral("publisher"), 2}, {QStringLiteral("date"), 1}};
    return presets.value(name, -1);
}

ts::Value TSHeaderImporterTab::parseElements() {
    TSHeaderElementParser parser;
    return parser.parseFileAtLocation(fileURL_);
}

void TSHeaderImporterTab::extractElements() {
    const ts::Value result = parseElements();
    if (!result.isDictionary()) return;
    const ts::ValueDictionary& d = result.dictionary();
    const QSet<QString> data = surveyNames(d, "Data Elements"), attributes = surveyNames(d, "Attribute Elements");
    const ts::ValueDictionary dataDictionary = surveyDictionary(d, "Data Dictionary");
    auto it = d.find(QStringLiteral("Elements"));
    if (it == d.end() || !it->second.isArray()) return;
    for (const ts::Value& v : it->second.array()) {
        const QString name = v.toString();
        auto e = std::make_shared<TSImportElement>();
        e->setName(name);
        e->setHasAttributes(attributes.contains(name));
        if (auto dd = dataDictionary.find(name); dd != dataDictionary.end()) e->setData(dd->second.toString());
        if (data.contains(name)) {
            e->setHasData(true);
            const qint64 preset = headerPreset(name);
            if (preset >= 0) e->setStore(preset);
        }
        elementArray()->addObject(e);
    }
}

QHash<QString, QString> TSHeaderImporterTab::collectHeader(const ts::Value& dataDictionary, const TSElementArray& records) {
    QHash<QString, QString> out;
    if (!dataDictionary.isDictionary()) return out;
    const ts::ValueDictionary& d = dataDictionary.dictionary();
    for (const TSImportElementPtr& e : records.elements()) {
        if (e->store() < 1) continue;
        auto it = d.find(e->name());
        if (it == d.end()) continue;
        const QString value = it->second.toString();
        if (e->store() == 1) {
            out.insert(e->name(), QString(value).replace(QLatin1Char('|'), QLatin1Char(',')));
            continue;
        }
        const QStringList parts = value.split(QLatin1Char('|'));
        // A header with one author names no second one: its only value is
        // the one the role stands for.
        const qsizetype at = parts.size() == 1 ? 0 : qsizetype(e->store()) - 2;
        if (at >= parts.size()) continue;
        const std::optional<QString> part = TSElementParser::trimString(parts[at]);
        if (part && !part->isEmpty()) out.insert(e->name(), *part);
    }
    return out;
}
