#include "morphology/MorphologyResources.h"

#include <QDir>
#include <QFileInfo>

namespace MorphologyResources {

namespace {

QString executableDirectory() {
    // /proc/self/exe works without a QCoreApplication, which tests and
    // tools often do not make.
    const QFileInfo exe(QStringLiteral("/proc/self/exe"));
    const QString target = exe.canonicalFilePath();
    return target.isEmpty() ? QString() : QFileInfo(target).absolutePath();
}

QString findDirectory() {
    QStringList candidates;
    const QString fromEnvironment = qEnvironmentVariable("TS_RESOURCES_DIR");
    if (!fromEnvironment.isEmpty()) candidates.append(fromEnvironment);
    const QString exeDir = executableDirectory();
    if (!exeDir.isEmpty()) candidates.append(exeDir + QStringLiteral("/../share/tessarin"));
#ifdef TS_SOURCE_RESOURCES_DIR
    candidates.append(QStringLiteral(TS_SOURCE_RESOURCES_DIR));
#endif
    for (const QString& c : candidates) {
        const QFileInfo info(c);
        if (info.isDir()) return QDir(info.absoluteFilePath()).canonicalPath();
    }
    return QString();
}

}  // namespace

QString directory() {
    static const QString dir = findDirectory();
    return dir;
}

QString path(const QString& relative) {
    const QString dir = directory();
    return dir.isEmpty() ? QString() : dir + QLatin1Char('/') + relative;
}

}  // namespace MorphologyResources
