#include "platform/UserDefaults.h"

#include "platform/PropertyList.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QSettings>
#include <QStandardPaths>

namespace ts {

namespace {

constexpr char kFolderName[] = "Tessarin";
constexpr char kDomain[] = "org.tessarin.Tessarin";

std::mutex sharedMutex;
QString overridePath;

// Never destroyed: a store synchronised during static destruction could
// outlive the Qt globals QSettings needs. Pending changes are written by
// synchronize(), by QSettings' own timer while an event loop runs, and when
// the application object goes away (see standardUserDefaults).
UserDefaultsPtr& sharedDefaults() {
    static auto* slot = new UserDefaultsPtr();
    return *slot;
}

void synchronizeAtApplicationExit() {
    UserDefaultsPtr defaults;
    {
        std::lock_guard<std::mutex> lock(sharedMutex);
        defaults = sharedDefaults();
    }
    if (defaults) defaults->synchronize();
}

// Value ↔ QVariant, the currency of QSettings. Only property-list kinds cross.
bool toVariant(const Value& v, QVariant& out, int depth = 0) {
    if (depth > PropertyList::kMaxDepth) return false;
    switch (v.type()) {
    case Value::Type::Bool: out = v.toBool(); return true;
    case Value::Type::Integer: out = QVariant::fromValue<qlonglong>(v.toInt64()); return true;
    case Value::Type::Unsigned: out = QVariant::fromValue<qulonglong>(v.toUInt64()); return true;
    case Value::Type::Real: out = v.toDouble(); return true;
    case Value::Type::Date: out = v.toDate().toDateTime(); return true;
    case Value::Type::Data: out = v.toData(); return true;
    case Value::Type::String: out = v.toString(); return true;
    case Value::Type::Array: {
        QVariantList list;
        for (const Value& e : v.array()) {
            QVariant item;
            if (!toVariant(e, item, depth + 1)) return false;
            list.append(item);
        }
        out = list;
        return true;
    }
    case Value::Type::Dictionary: {
        QVariantMap map;
        for (const auto& [k, e] : v.dictionary()) {
            QVariant item;
            if (!toVariant(e, item, depth + 1)) return false;
            map.insert(k, item);
        }
        out = map;
        return true;
    }
    default:
        return false;
    }
}

Value fromVariant(const QVariant& v, int depth = 0) {
    if (depth > PropertyList::kMaxDepth) return {};
    switch (v.typeId()) {
    case QMetaType::Bool: return Value(v.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
        return Value(v.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::ULong:
    case QMetaType::UShort:
        return Value(v.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float: return Value(v.toDouble());
    case QMetaType::QDateTime: return Value(Date::fromDateTime(v.toDateTime()));
    case QMetaType::QByteArray: return Value(v.toByteArray());
    case QMetaType::QString: return Value(v.toString());
    case QMetaType::QStringList:
    case QMetaType::QVariantList: {
        ValueArray a;
        for (const QVariant& e : v.toList()) a.push_back(fromVariant(e, depth + 1));
        return a;
    }
    case QMetaType::QVariantMap: {
        ValueDictionary d;
        const QVariantMap m = v.toMap();
        for (auto it = m.cbegin(); it != m.cend(); ++it) d[it.key()] = fromVariant(it.value(), depth + 1);
        return d;
    }
    default:
        return {};
    }
}

// The store's file is one property-list dictionary of all keys.
bool readPlist(QIODevice& device, QSettings::SettingsMap& map) {
    const QByteArray data = device.readAll();
    if (data.trimmed().isEmpty()) return true;  // a new, empty file
    const PlistResult r = PropertyList::read(data);
    if (!r.ok() || !r.value.isDictionary()) return false;
    for (const auto& [key, value] : r.value.dictionary()) {
        QVariant v;
        if (toVariant(value, v)) map.insert(key, v);
    }
    return true;
}

bool writePlist(QIODevice& device, const QSettings::SettingsMap& map) {
    ValueDictionary d;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        Value v = fromVariant(it.value());
        if (!v.isNull()) d[it.key()] = std::move(v);
    }
    QString error;
    const QByteArray data = PropertyList::writeXML(Value(std::move(d)), &error);
    if (data.isEmpty()) return false;
    return device.write(data) == data.size();
}

QSettings::Format plistFormat() {
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("plist"), readPlist, writePlist);
    return format;
}

}  // namespace

UserDefaults::UserDefaults(const QString& filePath) : filePath_(filePath) {
    settings_ = std::make_unique<QSettings>(filePath_, plistFormat());
    settings_->setFallbacksEnabled(false);
}

void UserDefaults::setError(const QString& error) {
    std::lock_guard<std::mutex> lock(mutex_);
    lastError_ = error;
}

QString UserDefaults::lastError() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastError_;
}

UserDefaults::~UserDefaults() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (settings_ && !filePath_.isEmpty()) {
        QDir().mkpath(QFileInfo(filePath_).absolutePath());
        settings_->sync();
    }
}

UserDefaultsPtr UserDefaults::standardUserDefaults() {
    static std::once_flag postRoutine;
    if (QCoreApplication::instance())
        std::call_once(postRoutine, [] { qAddPostRoutine(synchronizeAtApplicationExit); });
    std::lock_guard<std::mutex> lock(sharedMutex);
    if (!sharedDefaults()) sharedDefaults() = std::make_shared<UserDefaults>(standardFilePath());
    return sharedDefaults();
}

void UserDefaults::resetStandardUserDefaults() {
    UserDefaultsPtr old;
    {
        std::lock_guard<std::mutex> lock(sharedMutex);
        old = std::move(sharedDefaults());
    }
    if (old) old->synchronize();
}

QString UserDefaults::standardFilePath() {
    if (!overridePath.isEmpty()) return overridePath;
    // QStandardPaths reads XDG_CONFIG_HOME afresh on every call.
    QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QLatin1Char('/') + QLatin1String(kFolderName) + QLatin1Char('/') + QLatin1String(kDomain) +
           QStringLiteral(".plist");
}

void UserDefaults::setStandardFilePath(const QString& path) {
    std::lock_guard<std::mutex> lock(sharedMutex);
    overridePath = path;
}

Value UserDefaults::objectForKey(const QString& key) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (key.isEmpty()) return {};
    return fromVariant(settings_->value(key));
}

QByteArray UserDefaults::dataForKey(const QString& key) const {
    const Value v = objectForKey(key);
    return v.isData() ? v.toData() : QByteArray();
}

QString UserDefaults::stringForKey(const QString& key) const {
    const Value v = objectForKey(key);
    return v.isString() ? v.toString() : QString();
}

bool UserDefaults::boolForKey(const QString& key) const {
    const Value v = objectForKey(key);
    if (v.isString()) {
        const QString s = v.toString().trimmed().toLower();
        return s == QLatin1String("yes") || s == QLatin1String("true") || s.toLongLong() != 0;
    }
    return v.isNumber() && v.toBool();
}

qint64 UserDefaults::integerForKey(const QString& key) const {
    const Value v = objectForKey(key);
    if (v.isString()) return v.toString().trimmed().toLongLong();
    return v.isNumber() ? v.toInt64() : 0;
}

double UserDefaults::doubleForKey(const QString& key) const {
    const Value v = objectForKey(key);
    if (v.isString()) return v.toString().trimmed().toDouble();
    return v.isNumber() ? v.toDouble() : 0;
}

ValueDictionary UserDefaults::dictionaryRepresentation() const {
    std::lock_guard<std::mutex> lock(mutex_);
    ValueDictionary d;
    for (const QString& key : settings_->allKeys()) {
        Value v = fromVariant(settings_->value(key));
        if (!v.isNull()) d[key] = std::move(v);
    }
    return d;
}

bool UserDefaults::setObject(const Value& value, const QString& key) {
    if (key.isEmpty()) {
        setError(QStringLiteral("a user default needs a key"));
        return false;
    }
    if (value.isNull()) {
        removeObjectForKey(key);
        return true;
    }
    QVariant v;
    if (!toVariant(value, v)) {
        setError(QStringLiteral("%1 is not a property-list value (key %2)").arg(value.description(), key));
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    settings_->setValue(key, v);
    return true;
}

void UserDefaults::removeObjectForKey(const QString& key) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!key.isEmpty()) settings_->remove(key);
}

bool UserDefaults::synchronize() {
    std::lock_guard<std::mutex> lock(mutex_);
    const QString folder = QFileInfo(filePath_).absolutePath();
    if (!QDir().mkpath(folder)) {
        lastError_ = QStringLiteral("unable to create the folder %1").arg(folder);
        return false;
    }
    settings_->sync();
    if (settings_->status() == QSettings::AccessError) {
        lastError_ = QStringLiteral("unable to write %1").arg(filePath_);
        return false;
    }
    return true;
}

}  // namespace ts
