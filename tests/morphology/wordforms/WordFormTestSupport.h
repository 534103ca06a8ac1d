#pragma once
// Shared set-up of the word-form tests: private folders for the support,
// cache and resource files, and the real inputs under TS_SHARED_DIR.

#include "morphology/TSWordFormDictionary.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace wordformtest {

// The shared folder with the real test inputs.
QString sharedDir();
// The text of a file, or a null string when it cannot be read.
QString readFile(const QString& path);
bool writeFile(const QString& path, const QByteArray& bytes);
// The real minimal form list.
QString minimalListPath();

// A temporary folder tree used as the dictionary's places; the frequency
// file holds the given lines. Resets the shared state on both ends.
class Places {
public:
    explicit Places(const QStringList& frequencyLines = {});
    ~Places();
    const TSWordFormDictionary::Locations& locations() const { return locations_; }
    QString path(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
    TSWordFormDictionary::Locations locations_;
};

// A binary property list put together object by object, for caches that no
// writer makes: objects named many times, numbers that lead to one object.
// Objects are numbered in the order they are added; offsets are four bytes
// wide, references as wide as asked (one byte holds up to 256 objects).
class CraftedPlist {
public:
    explicit CraftedPlist(int referenceWidth = 4) : referenceWidth_(referenceWidth) {}
    int string(const QByteArray& ascii);
    int dictionary(const std::vector<int>& keys, const std::vector<int>& values);
    int array(const std::vector<int>& items);
    // A further number whose offset leads to the object.
    int alias(int object);
    QByteArray bytes(int top) const;

private:
    int add(int kind, qsizetype count, const QByteArray& contents);
    QByteArray references(const std::vector<int>& refs) const;
    int referenceWidth_;
    QByteArray objects_;
    std::vector<quint32> offsets_;
};

// A cache of one key whose array names the same record, with an empty
// form, the given number of times.
QByteArray cacheNamingOneRecord(int times, const QString& sourceStamp = QString(), int referenceWidth = 4);

}  // namespace wordformtest
