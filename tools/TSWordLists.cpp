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

#include <algorithm>
#include <limits>
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
std::optional<TSWordList> llCache;
std::optional<TSWordList> zerivuvCache;

// The word's first four units (the first in the low bits) and last four (the
// last in the high bits), and the letters it holds; whether it holds a unit
// above U+007F.
bool summarise(const char16_t* u, qsizetype n, quint64& head, quint64& tail, quint32& letters) {
    head = tail = 0;
    for (qsizetype i = 0; i < std::min<qsizetype>(n, 4); ++i) {
        head |= quint64(u[i]) << (16 * i);
        tail |= quint64(u[n - 1 - i]) << (16 * (3 - i));
    }
    letters = 0;
    char16_t any = 0;
    for (qsizetype i = 0; i < n; ++i) {
        any |= u[i];
        const char16_t l = u[i] | 0x20;
        letters |= (l >= 'a' && l <= 'z') ? 1u << (l - 'a') : TSWordList::kOtherUnit;
    }
    return any >= 0x80;
}

// A stable counting sort of the word indices by bucket, so a bucket's
// indices ascend.
template <typename BucketOf>
void group(qsizetype count, BucketOf bucketOf, std::vector<quint32>& order, std::vector<quint32>& bounds) {
    bounds.assign(TSWordList::kBuckets + 1, 0);
    for (qsizetype i = 0; i < count; ++i) ++bounds[size_t(bucketOf(i)) + 1];
    for (int b = 0; b < TSWordList::kBuckets; ++b) bounds[size_t(b) + 1] += bounds[size_t(b)];
    std::vector<quint32> fill(bounds.begin(), bounds.end() - 1);
    order.resize(size_t(count));
    for (qsizetype i = 0; i < count; ++i) order[fill[size_t(bucketOf(i))]++] = quint32(i);
}

}  // namespace

TSWordList::TSWordList() : TSWordList(QStringList()) {}

TSWordList::TSWordList(const QStringList& words) {
    auto d = std::make_shared<Data>();
    d->words = words;
    const qsizetype count = words.size();
    qsizetype total = 0, longest = 0;
    for (const QString& w : words) {
        total += w.size();
        longest = std::max(longest, w.size());
    }
    d->longest = int(std::min<qsizetype>(longest, std::numeric_limits<int>::max()));
    constexpr qsizetype kMost = std::numeric_limits<quint32>::max() - 1;
    d->compact = total <= kMost && count <= kMost;
    if (d->compact) {
        d->units.reserve(size_t(total));
        d->starts.reserve(size_t(count) + 1);
        d->wide.reserve(size_t(count));
        d->heads.resize(size_t(count));
        d->tails.resize(size_t(count));
        d->letters.resize(size_t(count));
        for (qsizetype i = 0; i < count; ++i) {
            const QString& w = words[i];
            const char16_t* u = reinterpret_cast<const char16_t*>(w.utf16());
            d->starts.push_back(quint32(d->units.size()));
            d->units.insert(d->units.end(), u, u + w.size());
            const bool wide = summarise(u, w.size(), d->heads[size_t(i)], d->tails[size_t(i)], d->letters[size_t(i)]);
            d->wide.push_back(wide ? 1 : 0);
            if (wide) d->wideWords.push_back(quint32(i));
        }
        d->starts.push_back(quint32(d->units.size()));
        auto bucket = [&](qsizetype i, bool last) {
            const quint32 from = d->starts[size_t(i)], to = d->starts[size_t(i) + 1];
            if (from == to) return int(kEmptyBucket);
            const char16_t u = d->units[last ? to - 1 : from];
            return u < 0x80 ? int(u) : int(kWideBucket);
        };
        group(count, [&](qsizetype i) { return bucket(i, false); }, d->byFirst, d->firstBounds);
        group(count, [&](qsizetype i) { return bucket(i, true); }, d->byLast, d->lastBounds);
    }
    d_ = std::move(d);
}

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

TSWordList TSWordLists::readWordList(const QString& path, bool firstField) {
    return TSWordList(readList(path, firstField));
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

TSWordList TSWordLists::llWords() {
    std::lock_guard lock(cacheMutex);
    if (!llCache) llCache = readWordList(ensureList(llWordsFile(), Preferences::proximityPatternFolder()), true);
    return *llCache;
}

TSWordList TSWordLists::zerivuvWords() {
    std::lock_guard lock(cacheMutex);
    if (!zerivuvCache) zerivuvCache = readWordList(ensureList(zerivuvWordsFile(), Preferences::proximityPatternFolder()), false);
    return *zerivuvCache;
}

TSWordList TSWordLists::residualWords() {
    return readWordList(ensureList(residualWordsFile(), Preferences::proximityPatternFolder()), false);
}

void TSWordLists::resetCaches() {
    std::lock_guard lock(cacheMutex);
    llCache.reset();
    zerivuvCache.reset();
}
