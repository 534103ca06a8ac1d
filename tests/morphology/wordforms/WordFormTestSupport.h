#pragma once
// Shared set-up of the word-form tests: private folders for the support,
// cache and resource files, and the real inputs under TS_SHARED_DIR.

#include "morphology/TSWordFormDictionary.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

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

}  // namespace wordformtest
