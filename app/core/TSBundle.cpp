#include "app/core/TSBundle.h"

#include "app/logging/LGLog.h"
#include "app/logging/LGLogSupport.h"
#include "platform/Prompter.h"
#include "platform/StringsTable.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLocale>

#include <mutex>

namespace {

std::mutex tablesMutex;
QHash<QString, ts::StringsTable> tables;  // by file path; an empty path for a missing table

QStringList localisationFolders() {
    QStringList folders;
    const QString language = QLocale().name().section(QLatin1Char('_'), 0, 0);
    if (!language.isEmpty() && language != QLatin1String("C") && language != QLatin1String("en"))
        folders << language + QStringLiteral(".lproj");
    folders << QStringLiteral("en.lproj") << QString();
    return folders;
}

}  // namespace

QString TSBundle::executableName() { return QStringLiteral("Tessarin"); }

QString TSBundle::bundleIdentifier() { return QString::fromLatin1(LGBundleIdentifier); }

QString TSBundle::resourcesDirectory() {
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("TS_RESOURCES_DIR");
    if (!fromEnvironment.isEmpty()) candidates << fromEnvironment;
#ifdef TS_SOURCE_RESOURCES_DIR
    candidates << QStringLiteral(TS_SOURCE_RESOURCES_DIR);
#endif
    for (const QString& c : candidates)
        if (QFileInfo(c).isDir()) return QDir(c).absolutePath();
    return QString();
}

QString TSBundle::pathForResource(const QString& name, const QString& type) {
    const QString dir = resourcesDirectory();
    if (dir.isEmpty() || name.isEmpty()) return QString();
    const QString file = type.isEmpty() ? name : name + QLatin1Char('.') + type;
    for (const QString& folder : localisationFolders()) {
        const QString path = folder.isEmpty() ? dir + QLatin1Char('/') + file
                                              : dir + QLatin1Char('/') + folder + QLatin1Char('/') + file;
        if (QFileInfo(path).isFile()) return path;
    }
    return QString();
}

QString TSBundle::localizedString(const QString& key, const QString& value, const QString& table) {
    if (key.isNull()) return value;
    const QString tableName = table.isEmpty() ? QStringLiteral("Localizable") : table;
    const QString path = pathForResource(tableName, QStringLiteral("strings"));
    QString text;
    bool found = false;
    {
        std::lock_guard<std::mutex> lock(tablesMutex);
        const QString cacheKey = path.isEmpty() ? QStringLiteral(":missing:") + tableName : path;
        auto it = tables.find(cacheKey);
        if (it == tables.end()) {
            QString error;
            ts::StringsTable loaded;
            if (!path.isEmpty()) {
                loaded = ts::StringsTable::fromFile(path, &error);
                if (!error.isEmpty()) TSLogError("Unable to read the strings table %@", error);
            }
            it = tables.insert(cacheKey, loaded);
        }
        found = it->contains(key);
        if (found) text = it->value(key);
    }
    if (found) return text;
    return value.isEmpty() ? key : value;
}

void TSBundle::clearCaches() {
    std::lock_guard<std::mutex> lock(tablesMutex);
    tables.clear();
}

void TSBundle::installLocalizer() {
    ts::Prompter::setLocalizer(
        [](const QString& key, const QString& table) { return TSBundle::localizedString(key, {}, table); });
}
