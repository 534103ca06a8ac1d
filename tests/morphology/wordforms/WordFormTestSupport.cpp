#include "WordFormTestSupport.h"

#include <QDir>
#include <QFile>

namespace wordformtest {

QString sharedDir() {
    const QString fromEnvironment = qEnvironmentVariable("TS_SHARED_DIR");
    if (!fromEnvironment.isEmpty()) return fromEnvironment;
    return qEnvironmentVariable("TS_SOURCE_DIR") + QStringLiteral("/../shared");
}

QString readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QString minimalListPath() { return sharedDir() + QStringLiteral("/data/macrons/macrons-minimal.txt"); }

Places::Places(const QStringList& frequencyLines) {
    TSWordFormDictionary::resetSharedState();
    QDir(dir_.path()).mkpath(QStringLiteral("support"));
    QDir(dir_.path()).mkpath(QStringLiteral("resources"));
    locations_.supportDirectory = dir_.filePath(QStringLiteral("support"));
    locations_.bundledSource = dir_.filePath(QStringLiteral("resources/macrons.txt.zip"));
    locations_.frequencyFile = dir_.filePath(QStringLiteral("resources/FormFrequencies.txt"));
    locations_.temporaryDirectory = dir_.filePath(QStringLiteral("tmp"));
    writeFile(locations_.frequencyFile, frequencyLines.join(QLatin1Char('\n')).toUtf8());
    TSWordFormDictionary::setLocations(locations_);
}

Places::~Places() { TSWordFormDictionary::resetSharedState(); }

}  // namespace wordformtest
