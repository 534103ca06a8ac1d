#include "dictionaries/Zerivuv/gui/ZerivuvInstaller.h"

#include "app/logging/LGLog.h"
#include "dictionaries/Zerivuv/RKXLSXPackage.h"
#include "dictionaries/Zerivuv/Zerivuv.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUuid>

#include <algorithm>

namespace ZerivuvInstaller {

namespace {

QString uniqueSibling(const QString& folder, const QString& tag) {
    const QFileInfo info(folder);
    return info.absolutePath() + QLatin1Char('/') + info.fileName() + QLatin1Char('.') + tag + QLatin1Char('-') +
           QUuid::createUuid().toString(QUuid::Id128).left(12);
}

}  // namespace

bool copyItem(const QString& source, const QString& destination, QString* error) {
    const QFileInfo info(source);
    if (info.isSymLink()) return true;  // links could lead outside what was dropped
    if (info.isDir()) {
        if (!QDir().mkpath(destination)) {
            *error = QStringLiteral("Could not create the folder %1.").arg(destination);
            return false;
        }
        const QDir dir(source);
        for (const QFileInfo& child :
             dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name)) {
            if (!copyItem(child.filePath(), destination + QLatin1Char('/') + child.fileName(), error)) return false;
        }
        return true;
    }
    if (!QFile::copy(source, destination)) {
        TSLogError("Cappelli import failed: could not copy %@\n%@", info.fileName(), destination);
        *error = QStringLiteral("Could not copy %1.").arg(info.fileName());
        return false;
    }
    return true;
}

QString zerivuvDirectoryContainingSpreadsheet(const QString& root) {
    QStringList found;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        if (it.fileName() == Zerivuv::spreadsheetName() && !it.filePath().contains(QLatin1String("/__MACOSX/")))
            found << it.fileInfo().absolutePath();
    }
    if (found.isEmpty()) return {};
    // The shallowest folder first, so that the walk order does not decide.
    std::sort(found.begin(), found.end(), [](const QString& a, const QString& b) {
        return a.count(QLatin1Char('/')) != b.count(QLatin1Char('/')) ? a.count(QLatin1Char('/')) < b.count(QLatin1Char('/'))
                                                                       : a < b;
    });
    return found.first();
}

bool isCappelliDirectory(const QString& folder) {
    bool images = false, sheet = false;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext() && !(images && sheet)) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (info.isDir() && info.completeBaseName() == Zerivuv::imagesFolderName()) images = true;
        if (info.isFile() && info.suffix() == QLatin1String("xlsx") && info.completeBaseName() == QLatin1String("cappelli"))
            sheet = true;
    }
    return images && sheet;
}

Result unzipFile(const QString& zipPath) {
    Result r;
    QFile file(zipPath);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 4LL * 1024 * 1024 * 1024) {
        r.error = QStringLiteral("The archive %1 could not be read.").arg(QFileInfo(zipPath).fileName());
        return r;
    }
    // The archive is mapped rather than read, so a large one costs no heap.
    uchar* mapped = file.map(0, file.size());
    if (!mapped) {
        r.error = QStringLiteral("The archive %1 could not be read.").arg(QFileInfo(zipPath).fileName());
        return r;
    }
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), file.size());
    ts::XLSXPackage package;
    package.setTotalLimit(8LL * 1024 * 1024 * 1024);
    QString error;
    if (!package.open(bytes, &error)) {
        r.error = error;
        return r;
    }
    const QString scratch = QDir::tempPath() + QLatin1Char('/') + QFileInfo(zipPath).completeBaseName() + QLatin1Char('-') +
                            QUuid::createUuid().toString(QUuid::Id128).left(12);
    if (!QDir().mkpath(scratch)) {
        TSLogError("Unable to create scratch directory for Cappelli unzip at %@\n%@", scratch, QString());
        r.error = QStringLiteral("Could not create a scratch folder.");
        return r;
    }
    r.scratch = scratch;
    for (const QString& name : package.names()) {
        if (name.startsWith(QLatin1String("__MACOSX/"))) continue;
        const auto data = package.read(name);
        if (!data) {
            r.error = QStringLiteral("The entry %1 of the archive could not be read.").arg(name);
            return r;
        }
        const QString target = scratch + QLatin1Char('/') + name;
        QDir().mkpath(QFileInfo(target).absolutePath());
        QSaveFile out(target);
        if (!out.open(QIODevice::WriteOnly) || out.write(*data) != data->size() || !out.commit()) {
            r.error = QStringLiteral("Could not write %1.").arg(target);
            return r;
        }
    }
    r.folder = zerivuvDirectoryContainingSpreadsheet(scratch);
    r.ok = !r.folder.isEmpty();
    return r;
}

namespace {
std::function<bool(const QString&)> gMoveCheck;
}

void setMoveCheckForTesting(std::function<bool(const QString& item)> check) { gMoveCheck = std::move(check); }

Result checkSpreadsheet(const QString& spreadsheet) {
    Result r;
    ZerivuvImporter importer;
    const auto entries = importer.parseFile(spreadsheet);
    if (!entries) r.error = importer.lastError();
    else r.error = importer.tableProblem();
    r.ok = r.error.isEmpty();
    return r;
}

Result install(const QString& supportFolder, const QString& sourceFolder, const QString& spreadsheet,
               const QString& imagesFolder) {
    Result r;
    const QString staging = uniqueSibling(supportFolder, QStringLiteral("staging"));
    auto fail = [&](const QString& why) {
        QDir(staging).removeRecursively();
        r.ok = false;
        r.error = why;
        return r;
    };
    if (!QDir().mkpath(staging)) return fail(QStringLiteral("Could not create the folder %1.").arg(staging));
    QString error;
    if (!sourceFolder.isEmpty()) {
        const QDir dir(sourceFolder);
        for (const QFileInfo& item :
             dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name)) {
            if (item.fileName().startsWith(QLatin1Char('.')) || item.fileName() == QLatin1String("__MACOSX")) continue;
            if (!copyItem(item.filePath(), staging + QLatin1Char('/') + item.fileName(), &error)) return fail(error);
        }
    } else {
        if (!copyItem(spreadsheet, staging + QLatin1Char('/') + Zerivuv::spreadsheetName(), &error) ||
            !copyItem(imagesFolder, staging + QLatin1Char('/') + Zerivuv::imagesFolderName(), &error))
            return fail(error);
    }
    {
        const Zerivuv table(staging);
        if (!table.databaseLoaded())
            return fail(table.lastError().isEmpty()
                            ? QStringLiteral("The cappelli.xlsx spreadsheet may be damaged or in an unexpected format.")
                            : table.lastError());
        if (!table.tableProblem().isEmpty()) return fail(table.tableProblem());
    }
    if (!QDir().mkpath(supportFolder)) return fail(QStringLiteral("Could not create the folder %1.").arg(supportFolder));

    // Each new top-level item takes the place of the installed item of the
    // same name, which is first moved aside; everything else the user keeps
    // in the folder stays. A failed move puts every item back where it was.
    const QString previous = uniqueSibling(supportFolder, QStringLiteral("previous"));
    QStringList movedAside, movedIn;
    const auto path = [](const QString& folder, const QString& name) { return folder + QLatin1Char('/') + name; };
    const auto exists = [](const QString& p) {
        const QFileInfo info(p);
        return info.exists() || info.isSymLink();
    };
    QString failure;
    const QStringList items =
        QDir(staging).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& name : items) {
        const QString installed = path(supportFolder, name);
        if (exists(installed)) {
            if ((movedAside.isEmpty() && !QDir().mkpath(previous)) || !QDir().rename(installed, path(previous, name))) {
                failure = QStringLiteral("Could not move the installed %1 aside.").arg(name);
                break;
            }
            movedAside << name;
        }
        if ((gMoveCheck && !gMoveCheck(name)) || !QDir().rename(path(staging, name), installed)) {
            failure = QStringLiteral("Could not move the new %1 into place.").arg(name);
            break;
        }
        movedIn << name;
    }
    if (!failure.isEmpty()) {
        bool restored = true;
        for (const QString& name : movedIn)
            if (!QDir().rename(path(supportFolder, name), path(staging, name))) {
                // A copy of the new installation: removing it loses nothing.
                TSLogError("Cappelli import failed: could not take back %@", path(supportFolder, name));
                if (QFileInfo(path(supportFolder, name)).isDir()) QDir(path(supportFolder, name)).removeRecursively();
                else QFile::remove(path(supportFolder, name));
            }
        for (const QString& name : movedAside)
            if (!QDir().rename(path(previous, name), path(supportFolder, name))) {
                TSLogError("Cappelli import failed: could not restore %@ from %@", name, previous);
                restored = false;
            }
        // What could not be restored stays aside rather than being lost.
        if (restored) QDir(previous).removeRecursively();
        return fail(failure);
    }
    QDir(staging).removeRecursively();
    if (!movedAside.isEmpty() && !QDir(previous).removeRecursively())
        TSLogError("Cappelli import failed: could not remove existing item %@\n%@", previous, QString());
    r.ok = true;
    r.folder = supportFolder;
    return r;
}

}  // namespace ZerivuvInstaller
