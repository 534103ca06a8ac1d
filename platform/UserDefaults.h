#pragma once
// The application's user defaults: named property-list values kept in a
// QSettings store whose file is an XML property list (so any property-list
// tool reads it).
//
// The standard store lives at
//   $XDG_CONFIG_HOME (or ~/.config) / Tessarin / org.tessarin.Tessarin.plist
// unless setStandardFilePath() names another file. The path is worked out
// when the standard store is opened, so resetStandardUserDefaults() after a
// change of the environment (or of the path) opens the new file.
//
// Values are the property-list kinds (bool, integers, reals, dates, data,
// strings, arrays, dictionaries); setting a null value removes the key, and a
// value holding live objects or UIDs is refused (logged). Changes are kept in
// memory until synchronize() writes them atomically; dropping a store also
// writes them, and the shared store writes them when the application object
// is destroyed (it is itself never destroyed). A file that does not parse reads as an empty store. Failures
// are answered (false, lastError()), not logged: the callers log them.
//
// Threads: every operation may be called from any thread; one lock guards
// the store.

#include "platform/Value.h"

#include <QString>

#include <memory>
#include <mutex>

class QSettings;

namespace ts {

class UserDefaults;
using UserDefaultsPtr = std::shared_ptr<UserDefaults>;

class UserDefaults {
public:
    explicit UserDefaults(const QString& filePath);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    // The shared store, opened on first use.
    static UserDefaultsPtr standardUserDefaults();
    // Writes the shared store's changes and drops it; the next
    // standardUserDefaults() opens the file again.
    static void resetStandardUserDefaults();
    // Where the shared store's file is (or will be).
    static QString standardFilePath();
    // Another file for the shared store; an empty path restores the standard
    // one. Takes effect at the next open.
    static void setStandardFilePath(const QString& path);

    QString filePath() const { return filePath_; }

    // Null when the key has no value.
    Value objectForKey(const QString& key) const;
    // Typed readers: the empty value when the key is missing or of another kind.
    QByteArray dataForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    ValueDictionary dictionaryRepresentation() const;

    // Answers false (see lastError()) when the value cannot be stored.
    bool setObject(const Value& value, const QString& key);
    void setBool(bool value, const QString& key) { setObject(Value(value), key); }
    void setInteger(qint64 value, const QString& key) { setObject(Value(value), key); }
    void setDouble(double value, const QString& key) { setObject(Value(value), key); }
    void removeObjectForKey(const QString& key);

    // Writes pending changes and reads changes made by others; false when
    // the file could not be written.
    bool synchronize();
    // What the last failed setObject() or synchronize() met.
    QString lastError() const;

private:
    void setError(const QString& error);

    QString filePath_;
    QString lastError_;
    mutable std::mutex mutex_;
    std::unique_ptr<QSettings> settings_;
};

}  // namespace ts
