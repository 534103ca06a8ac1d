#include "TSWordLists.h"

#include "app/core/Preferences.h"
#include "app/core/TSBundle.h"
#include "app/logging/LGLog.h"
#include "dictionaries/TSDictionary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QUrl>

#include <mutex>
#include <optional>

namespace {

bool isJunkLine(QStringView line) {
    for (QChar c : line) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t') || u == 0xFFFD || u == 0x7F) return true;
    }
    return false;
}

std::mutex cacheMutex;
std::optional<QStringList> llCache;
std::optional<QStringList> zerivuvCache;

}  // namespace

QString TSWordLists::decodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE")) return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF")) return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(body);
}

QStringList TSWordLists::splitLines(const QString& text, bool firstField) {
    QStringList lines;
    if (text.isEmpty()) return lines;
    lines.reserve(text.count(QLatin1Char('\n')) + 1);
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (firstField) {
            const qsizetype tab = line.indexOf(QLatin1Char('\t'));
            if (tab >= 0) line = line.left(tab);
        }
        if (isJunkLine(line)) continue;
        lines.append(line.toString());
    }
    return lines;
}

bool TSWordLists::readText(const QString& path, QString* text) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    *text = decodeText(f.readAll());
    return true;
}

QStringList TSWordLists::readList(const QString& path, bool firstField) {
    QString text;
    if (path.isEmpty() || !readText(path, &text)) return {};
    return splitLines(text, firstField);
}

QString TSWordLists::llWordsFile() { return QStringLiteral("llWords.txt"); }
QString TSWordLists::zerivuvWordsFile() { return QStringLiteral("Zerivuv Words.txt"); }
QString TSWordLists::residualWordsFile() { return QStringLiteral("residuals.txt"); }

bool TSWordLists::isReservedName(const QString& baseName) {
    static const QStringList reserved = {QStringLiteral("llWords"), QStringLiteral("Zerivuv Words"),
                                         QStringLiteral("residuals"), QStringLiteral("theLatinLibrary")};
    return reserved.contains(baseName, Qt::CaseInsensitive);
}

QString TSWordLists::ensureList(const QString& fileName, const QString& folder) {
    if (folder.isEmpty()) return {};
    const QString path = QDir(folder).filePath(fileName);
    if (QFileInfo::exists(path)) return path;
    const QString zip = TSBundle::pathForResource(fileName, QStringLiteral("zip"));
    if (zip.isEmpty()) {
        TSLogError("No bundled word list %@", fileName);
        return path;
    }
    TSDictionary::unzip(QUrl::fromLocalFile(zip), QUrl::fromLocalFile(folder));
    return path;
}

QStringList TSWordLists::llWords() {
    std::lock_guard lock(cacheMutex);
    if (!llCache) llCache = readList(ensureList(llWordsFile(), Preferences::proximityPatternFolder()), true);
    return *llCache;
}

QStringList TSWordLists::zerivuvWords() {
    std::lock_guard lock(cacheMutex);
    if (!zerivuvCache) zerivuvCache = readList(ensureList(zerivuvWordsFile(), Preferences::proximityPatternFolder()), false);
    return *zerivuvCache;
}

QStringList TSWordLists::residualWords() {
    return readList(ensureList(residualWordsFile(), Preferences::proximityPatternFolder()), false);
}

void TSWordLists::resetCaches() {
    std::lock_guard lock(cacheMutex);
    llCache.reset();
    zerivuvCache.reset();
}
