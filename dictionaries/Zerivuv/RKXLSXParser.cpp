#include "dictionaries/Zerivuv/RKXLSXParser.h"

#include "app/logging/LGLog.h"
#include "dictionaries/Zerivuv/RKXLSXPackage.h"
#include "dictionaries/Zerivuv/RKXLSXPartParsers.h"

#include <QFile>
#include <QFileInfo>

namespace ts {

void RKXLSXParser::clear() {
    sharedStrings_.clear();
    workbookNames_.clear();
    worksheets_.clear();
    styleIsDate_.clear();
    documentProperties_.clear();
    images_.clear();
    curWorksheetName_.clear();
    lastError_.clear();
    date1904_ = false;
}

std::optional<XLSXWorkbook> RKXLSXParser::openXLSXFile(const QString& path) {
    clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        lastError_ = QStringLiteral("%1: %2").arg(path, file.errorString());
        TSLogError("Unable to open workbook %@", lastError_);
        return std::nullopt;
    }
    if (file.size() > kMaxPackageBytes) {
        lastError_ = QStringLiteral("%1: the file is larger than %2 bytes").arg(path).arg(kMaxPackageBytes);
        TSLogError("Unable to open workbook %@", lastError_);
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        lastError_ = QStringLiteral("%1: %2").arg(path, file.errorString());
        TSLogError("Unable to open workbook %@", lastError_);
        return std::nullopt;
    }
    return openXLSXData(bytes, path);
}

std::optional<XLSXWorkbook> RKXLSXParser::openXLSXData(const QByteArray& bytes, const QString& displayName) {
    const QString keepName = displayName;
    clear();
    if (bytes.size() > kMaxPackageBytes) {
        lastError_ = QStringLiteral("%1: the file is too large").arg(keepName);
        return std::nullopt;
    }
    XLSXPackage package;
    QString error;
    if (!package.open(bytes, &error)) {
        lastError_ = QStringLiteral("%1: not a readable spreadsheet package (%2)").arg(keepName, error);
        TSLogError("Unable to open workbook %@", lastError_);
        return std::nullopt;
    }
    bool hasXl = false;
    for (const QString& name : package.names())
        if (name.startsWith(QLatin1String("xl/"))) hasXl = true;
    if (!hasXl) {
        lastError_ = QStringLiteral("%1: the package holds no workbook").arg(keepName);
        TSLogError("Unable to open workbook %@", lastError_);
        return std::nullopt;
    }

    // Drawings: every xl/drawings/<name>.xml with its relationships part.
    for (const QString& name : package.names()) {
        if (!name.startsWith(QLatin1String("xl/drawings/")) || !name.endsWith(QLatin1String(".xml"))) continue;
        const QString leaf = name.mid(int(sizeof("xl/drawings/")) - 1);
        if (leaf.contains(QLatin1Char('/'))) continue;
        const auto relsBytes = package.read(QStringLiteral("xl/drawings/_rels/%1.rels").arg(leaf));
        const auto drawingBytes = package.read(name);
        if (!relsBytes || !drawingBytes) continue;
        RKImagesParser rels(QStringLiteral("xl/drawings"));
        rels.parsePart(*relsBytes);
        RKDrawingFileParser drawing;
        drawing.parsePart(*drawingBytes);
        QHash<QString, std::optional<QByteArray>> loaded;
        for (auto it = drawing.coordinateDictionary().cbegin(); it != drawing.coordinateDictionary().cend(); ++it) {
            const QString entry = rels.imageTargets().value(it.value());
            if (entry.isEmpty()) continue;
            if (!loaded.contains(entry)) loaded.insert(entry, package.read(entry));
            const std::optional<QByteArray>& picture = loaded[entry];
            if (picture && !picture->isEmpty()) images_.insert(it.key(), *picture);
        }
    }

    if (const auto b = package.read(QStringLiteral("xl/sharedStrings.xml"))) {
        RKSharedStringsParser p;
        p.parsePart(*b);
        sharedStrings_ = p.stringList();
    }
    if (const auto b = package.read(QStringLiteral("xl/workbook.xml"))) {
        RKWorksheetNamesParser p;
        p.parsePart(*b);
        workbookNames_ = p.stringList();
        date1904_ = p.date1904();
    }
    if (const auto b = package.read(QStringLiteral("xl/styles.xml"))) {
        RKStylesheetParser p;
        p.parsePart(*b);
        styleIsDate_ = p.styleIsDate();
    }
    if (const auto b = package.read(QStringLiteral("docProps/core.xml"))) {
        RKDocumentPropertiesParser p;
        p.parsePart(*b);
        documentProperties_ = p.properties();
    }
    // Sheets are matched to names by position: the n-th name reads sheetN.xml.
    for (qsizetype i = 0; i < workbookNames_.size(); ++i) {
        curWorksheetName_ = workbookNames_[i];
        const auto b = package.read(QStringLiteral("xl/worksheets/sheet%1.xml").arg(i + 1));
        RKWorksheetParser p(sharedStrings_, styleIsDate_, date1904_);
        if (b) p.parsePart(*b);
        worksheets_.insert(curWorksheetName_, p.sheetData());
    }

    XLSXWorkbook result;
    result.worksheets = worksheets_;
    result.names = workbookNames_;
    result.images = images_;
    return result;
}

QHash<QString, QString> RKXLSXParser::invertDictionary(const QHash<QString, QString>& dictionary) {
    QHash<QString, QString> inverted;
    inverted.reserve(dictionary.size());
    for (auto it = dictionary.begin(); it != dictionary.end(); ++it) inverted.insert(it.value(), it.key());
    return inverted;
}

}  // namespace ts
