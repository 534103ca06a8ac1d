#include "platform/SearchIndex.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <cerrno>

namespace ts {

namespace {

const QString kExtension = QStringLiteral(".json");

QString programName() {
    const QString name = QString::fromLocal8Bit(program_invocation_short_name);
    return name.isEmpty() ? QStringLiteral("tessarin") : name;
}

}  // namespace

SearchIndex::SearchIndex(QString folder) : folder_(std::move(folder)) {}

QString SearchIndex::defaultIndexFolder() {
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QLatin1Char('/') + programName() + QStringLiteral("/SearchIndex");
}

SearchIndex& SearchIndex::defaultSearchableIndex() {
    static SearchIndex index(defaultIndexFolder());
    return index;
}

// Identifiers become file names, so anything that could leave the folder or
// clash on a case-insensitive file system is percent-encoded.
QString SearchIndex::pathForIdentifier(const QString& identifier) const {
    const QByteArray encoded = QUrl::toPercentEncoding(identifier, "-_", ".");
    return folder_ + QLatin1Char('/') + QString::fromLatin1(encoded) + kExtension;
}

bool SearchIndex::indexSearchableItems(const std::vector<SearchableItem>& items, QString* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!QDir().mkpath(folder_)) {
        if (error) *error = QStringLiteral("Cannot create the index folder %1").arg(folder_);
        return false;
    }
    bool ok = true;
    for (const SearchableItem& item : items) {
        if (item.uniqueIdentifier.isEmpty()) {
            if (error) *error = QStringLiteral("An item without an identifier cannot be indexed");
            ok = false;
            continue;
        }
        QJsonObject object;
        object.insert(QStringLiteral("uniqueIdentifier"), item.uniqueIdentifier);
        object.insert(QStringLiteral("title"), item.title);
        object.insert(QStringLiteral("textContent"), item.textContent);
        object.insert(QStringLiteral("keywords"), QJsonArray::fromStringList(item.keywords));
        object.insert(QStringLiteral("editors"), QJsonArray::fromStringList(item.editors));
        object.insert(QStringLiteral("publishers"), QJsonArray::fromStringList(item.publishers));
        object.insert(QStringLiteral("languages"), QJsonArray::fromStringList(item.languages));
        object.insert(QStringLiteral("kind"), item.kind);
        const QByteArray data = QJsonDocument(object).toJson(QJsonDocument::Compact);
        QSaveFile file(pathForIdentifier(item.uniqueIdentifier));
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
            if (error) *error = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
            ok = false;
        }
    }
    return ok;
}

bool SearchIndex::deleteSearchableItemsWithIdentifiers(const QStringList& identifiers, QString* error) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool ok = true;
    for (const QString& identifier : identifiers) {
        QFile file(pathForIdentifier(identifier));
        if (file.exists() && !file.remove()) {
            if (error) *error = QStringLiteral("%1: %2").arg(file.fileName(), file.errorString());
            ok = false;
        }
    }
    return ok;
}

std::optional<SearchableItem> SearchIndex::item(const QString& identifier) const {
    std::lock_guard<std::mutex> lock(mutex_);
    QFile file(pathForIdentifier(identifier));
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject()) return std::nullopt;
    const QJsonObject object = document.object();
    SearchableItem item;
    item.uniqueIdentifier = object.value(QStringLiteral("uniqueIdentifier")).toString();
    item.title = object.value(QStringLiteral("title")).toString();
    item.textContent = object.value(QStringLiteral("textContent")).toString();
    auto strings = [&object](const char* key) {
        QStringList list;
        for (const QJsonValue& v : object.value(QLatin1String(key)).toArray())
            if (v.isString()) list << v.toString();
        return list;
    };
    item.keywords = strings("keywords");
    item.editors = strings("editors");
    item.publishers = strings("publishers");
    item.languages = strings("languages");
    item.kind = object.value(QStringLiteral("kind")).toString();
    if (item.uniqueIdentifier != identifier) return std::nullopt;
    return item;
}

QStringList SearchIndex::identifiers() const {
    QStringList ids;
    QStringList files;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        files = QDir(folder_).entryList({QStringLiteral("*") + kExtension}, QDir::Files, QDir::Name);
    }
    for (const QString& f : files) {
        const QString id = QUrl::fromPercentEncoding(f.chopped(kExtension.size()).toLatin1());
        if (item(id)) ids << id;
    }
    return ids;
}

QStringList SearchIndex::search(const QString& text) const {
    QStringList found;
    for (const QString& id : identifiers()) {
        const std::optional<SearchableItem> i = item(id);
        if (!i) continue;
        const bool keyword = std::any_of(i->keywords.begin(), i->keywords.end(),
                                         [&text](const QString& k) { return k.contains(text, Qt::CaseInsensitive); });
        if (keyword || i->title.contains(text, Qt::CaseInsensitive) || i->textContent.contains(text, Qt::CaseInsensitive))
            found << id;
    }
    return found;
}

}  // namespace ts
