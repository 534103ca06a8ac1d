#include "import/TSImportElement.h"

#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "app/logging/LGLog.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

TS_REGISTER_CLASS(TSImportElement, [](const ts::Value& d) -> ts::ObjectPtr { return TSImportElement::dataFromDictionary(d); })
TS_REGISTER_CLASS(TSElementArray)

namespace {

const QString kStore = QStringLiteral("store");
const QString kFormatType = QStringLiteral("formatType");
const QString kNameSource = QStringLiteral("nameSource");
const QString kIdSource = QStringLiteral("idSource");
const QString kSubsectionOf = QStringLiteral("subsectionOf");
const QString kInsertString = QStringLiteral("insertString");
const QString kPrependString = QStringLiteral("prependString");

struct TemplateTable {
    std::mutex mutex;
    std::shared_ptr<const QHash<QString, TSImportElementPtr>> table;
};

TemplateTable& templates() {
    static TemplateTable t;
    return t;
}

}  // namespace

TSImportElement::TSImportElement(const TSImportElement& other) : VDData() {
    VDData::setName(other.name());
    copySettingsFrom(other);
    hasData_ = other.hasData_;
    hasAttributes_ = other.hasAttributes_;
    data_ = other.data_;
    dataArray_ = other.dataArray_;
    attributeArray_ = other.attributeArray_;
}

void TSImportElement::copySettingsFrom(const TSImportElement& other) {
    store_ = other.store_;
    nameSource_ = other.nameSource_;
    idSource_ = other.idSource_;
    subsectionOf_ = other.subsectionOf_;
    insertString_ = other.insertString_;
    prependString_ = other.prependString_;
    formatType_ = other.formatType_;
}

void TSImportElement::setName(const QString& name) {
    VDData::setName(name);
    if (TSImportElementPtr t = templateForName(name)) {
        copySettingsFrom(*t);
    } else if (name == QLatin1String("div1")) {
        store_ = NewBook;
        nameSource_ = QStringLiteral("\u2022 head");
    } else if (name == QLatin1String("div2")) {
        store_ = NewSection;
        nameSource_ = QStringLiteral("\u2022 head");
        idSource_ = QStringLiteral("n");
    } else if (appendSet().contains(name)) {
        store_ = Append;
    } else if (name == QLatin1String("milestone")) {
        store_ = NewSection;
        idSource_ = QStringLiteral("n");
        nameSource_ = QStringLiteral("{} n");
    } else if (editorialWords().contains(name)) {
        // Bracketed, added, regularised or corrected words of a critical
        // text are words of their sentence: ignored, the first word of many a
        // section would vanish.
        store_ = Append;
    } else if (name == QLatin1String("gap")) {
        store_ = InsertString;
        insertString_ = gapString();
    } else if (name == QLatin1String("note")) {
        store_ = Note;
    }
}

std::set<QStringList> TSImportElement::stacks() const {
    std::lock_guard<std::mutex> lock(stackMutex_);
    return stacks_;
}

void TSImportElement::addStack(const QStringList& path) {
    std::lock_guard<std::mutex> lock(stackMutex_);
    if (stacks_.insert(path).second) orderedValid_ = false;
}

std::vector<QStringList> TSImportElement::orderedStackList() const {
    std::lock_guard<std::mutex> lock(stackMutex_);
    if (!orderedValid_) {
        orderedStackList_.assign(stacks_.begin(), stacks_.end());
        std::stable_sort(orderedStackList_.begin(), orderedStackList_.end(),
                         [](const QStringList& a, const QStringList& b) { return a.size() < b.size(); });
        orderedValid_ = true;
    }
    return orderedStackList_;
}

QStringList TSImportElement::shortestStack() const {
    const std::vector<QStringList> list = orderedStackList();
    return list.empty() ? QStringList() : list.front();
}

void TSImportElement::removeStoredParsedData() {
    std::lock_guard<std::mutex> lock(stackMutex_);
    stacks_.clear();
    orderedStackList_.clear();
    orderedValid_ = false;
}

void TSImportElement::addDataAttributes(ts::Attributes& attributes) {
    attributes[ts::AttributeName::Font] = ts::Value(ts::Font::make(QStringLiteral("HelveticaNeue-Bold"), 12));
}

ts::Attributes TSImportElement::nameAttributes() const {
    ts::Attributes a;
    if (hasData_) addDataAttributes(a);
    return a;
}

ts::AttributedStringPtr TSImportElement::attributedName() const {
    QString text = name();
    if (hasAttributes_) text += QStringLiteral("{}");
    return ts::AttributedString::make(text, nameAttributes());
}

QStringList TSImportElement::allAttributeNames() const {
    QSet<QString> names;
    for (const ts::ValueDictionary& d : attributeArray_)
        for (const auto& [key, value] : d) names.insert(key);
    QStringList out(names.begin(), names.end());
    std::sort(out.begin(), out.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return out;
}

ts::Value TSImportElement::serialize() const {
    ts::ValueDictionary d = baseDictionary();
    d[kStore] = ts::Value(store_);
    d[kFormatType] = ts::Value(formatType_);
    const std::pair<const QString*, const QString*> optional[] = {
        {&kSubsectionOf, &subsectionOf_}, {&kNameSource, &nameSource_}, {&kIdSource, &idSource_},
        {&kInsertString, &insertString_}, {&kPrependString, &prependString_}};
    for (const auto& [key, value] : optional)
        if (!value->isNull()) d[*key] = ts::Value(*value);
    return ts::Value(std::move(d));
}

void TSImportElement::importFromDictionary(const ts::Value& dictionary) {
    VDData::importFromDictionary(dictionary);
    setName(name());
    QStringList wrong;
    auto integer = [&](const QString& key, qint64 low, qint64 high, qint64 (*valid)(qint64)) -> qint64 {
        const ts::Value& v = dictionary[key];
        if (v.isNull()) return 0;
        if (!v.isInteger() && !v.isReal()) {
            wrong << key;
            return 0;
        }
        const double d = v.toDouble();
        const qint64 i = v.isInteger() ? v.toInt64() : qint64(d);
        if ((v.isReal() && d != double(i)) || i < low || i > high || valid(i) < 0) {
            wrong << key;
            return 0;
        }
        return i;
    };
    store_ = integer(kStore, 0, 9, [](qint64 i) { return i; });
    formatType_ = integer(kFormatType, 0, 3, [](qint64 i) -> qint64 { return i == 1 ? -1 : i; });
    auto string = [&](const QString& key) -> QString {
        const ts::Value& v = dictionary[key];
        if (v.isNull()) return QString();
        if (!v.isString()) {
            wrong << key;
            return QString();
        }
        QString s = v.toString();
        if (s.isNull()) s = QLatin1String("");
        return s;
    };
    prependString_ = string(kPrependString);
    subsectionOf_ = string(kSubsectionOf);
    nameSource_ = string(kNameSource);
    idSource_ = string(kIdSource);
    insertString_ = string(kInsertString);
    if (!wrong.isEmpty())
        TSLogError("Element setting %@ has values of the wrong type under %@; defaults used", name(),
                   wrong.join(QStringLiteral(", ")));
}

TSImportElementPtr TSImportElement::dataFromDictionary(const ts::Value& dictionary) {
    auto e = std::make_shared<TSImportElement>();
    e->importFromDictionary(dictionary);
    return e;
}

ts::ObjectPtr TSImportElement::copy() const {
    return std::make_shared<TSImportElement>(*this);
}

void TSImportElement::setTemplateElements(const std::vector<TSImportElementPtr>& elements) {
    auto table = std::make_shared<QHash<QString, TSImportElementPtr>>();
    for (const TSImportElementPtr& e : elements) {
        if (!e || e->name().isNull()) {
            TSLogError("Nil name setting templateElements");
            continue;
        }
        (*table)[e->name()] = std::static_pointer_cast<TSImportElement>(e->copy());
    }
    std::lock_guard<std::mutex> lock(templates().mutex);
    templates().table = std::move(table);
}

TSImportElementPtr TSImportElement::templateForName(const QString& name) {
    if (name.isNull()) return nullptr;
    std::shared_ptr<const QHash<QString, TSImportElementPtr>> table;
    {
        std::lock_guard<std::mutex> lock(templates().mutex);
        table = templates().table;
    }
    if (!table) return nullptr;
    return table->value(name);
}

const QSet<QString>& TSImportElement::editorialWords() {
    static const QSet<QString> set = {
        QStringLiteral("foreign"), QStringLiteral("del"),  QStringLiteral("add"),      QStringLiteral("reg"),
        QStringLiteral("orig"),    QStringLiteral("sic"),  QStringLiteral("corr"),     QStringLiteral("supplied"),
        QStringLiteral("unclear"), QStringLiteral("q")};
    return set;
}

const QSet<QString>& TSImportElement::appendSet() {
    static const QSet<QString> set = {
        QStringLiteral("persName"), QStringLiteral("quote"), QStringLiteral("p"),     QStringLiteral("l"),
        QStringLiteral("hi"),       QStringLiteral("emph"),  QStringLiteral("abbr"),  QStringLiteral("expan"),
        QStringLiteral("placeName"), QStringLiteral("num")};
    return set;
}

QStringList TSImportElement::roleTitles() {
    static const char* const keys[] = {"Ignore", "New Book", "New Section", "Subsection of", "Append",
                                       "Postpend", "Note", "Milestone", "Nested Milestone", "Insert String"};
    QStringList out;
    for (const char* k : keys)
        out << TSBundle::localizedString(QString::fromLatin1(k), QString(), QStringLiteral("NonReversable"));
    return out;
}

// ---------------------------------------------------------------------------
// TSElementArray

TSElementArrayPtr TSElementArray::dataFromArray(const ts::Value& array) {
    auto list = std::make_shared<TSElementArray>();
    VDNewArray::Members members;
    for (const ts::Value& entry : array.array()) {
        const ts::Value& className = entry[QStringLiteral("ClassName")];
        if (!entry.isDictionary() || className.toString() != TSImportElement::staticClassName()) {
            TSLogError("Element settings: member of class %@ skipped",
                       className.isString() ? className.toString() : QStringLiteral("(none)"));
            continue;
        }
        members.push_back(TSImportElement::dataFromDictionary(entry));
    }
    list->setStoredData(std::move(members));
    return list;
}

TSElementArrayPtr TSElementArray::importFromPListData(const QByteArray& data) {
    ts::PlistResult r = ts::PropertyList::read(data);
    if (!r.ok() || !r.value.isArray()) {
        TSLogError("Element settings could not be read: %@",
                   r.ok() ? QStringLiteral("the root is not an array") : r.error);
        return dataFromArray(ts::ValueArray{});
    }
    return dataFromArray(r.value);
}

TSImportElementPtr TSElementArray::elementNamed(const QString& name) const {
    return std::dynamic_pointer_cast<TSImportElement>(nameMatching(name));
}

std::vector<TSImportElementPtr> TSElementArray::elements() const {
    std::vector<TSImportElementPtr> out;
    if (!storedData()) return out;
    for (const VDDataPtr& m : *storedData())
        if (auto e = std::dynamic_pointer_cast<TSImportElement>(m)) out.push_back(e);
    return out;
}

ts::ObjectPtr TSElementArray::copy() const {
    auto c = std::make_shared<TSElementArray>();
    c->VDData::setName(name());
    VDNewArray::Members members;
    if (storedData())
        for (const VDDataPtr& m : *storedData())
            if (m) members.push_back(std::static_pointer_cast<VDData>(m->copy()));
    c->setStoredData(std::move(members));
    return c;
}

QString TSElementArray::elementsFolder() {
    const QString support = Preferences::supportDirectory();
    if (support.isNull()) {
        TSLogError("Unable to create kElementsFolder folder\n%@", QStringLiteral("no support folder"));
        return QString();
    }
    const QString folder = QDir(support).filePath(QStringLiteral("Elements"));
    const bool existed = QFileInfo(folder).isDir();
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) {
        TSLogError("Unable to create kElementsFolder folder\n%@", folder);
        return QString();
    }
    if (!existed) {
        const QString zip = TSBundle::pathForResource(QStringLiteral("Elements"), QStringLiteral("zip"));
        if (!zip.isEmpty()) seedFolderFromZip(zip, folder);
    }
    return folder;
}

QString TSElementArray::elementArrayURL() const {
    if (name().isEmpty()) return QString();
    const QString folder = elementsFolder();
    if (folder.isNull()) return QString();
    return QDir(folder).filePath(QStringLiteral("%1.plist").arg(name()));
}
