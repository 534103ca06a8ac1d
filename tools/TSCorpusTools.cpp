#include "TSCorpusTools.h"

#include "TSWordLists.h"

#include "app/logging/LGLog.h"
#include "foundation/TSPageRipper.h"
#include "foundation/ZHPageParser.h"
#include "platform/KeyedArchiver.h"
#include "platform/PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>
#include <QUrl>
#include <QUuid>

#include <algorithm>

namespace {

bool cancelled(const std::atomic<bool>* cancel) { return cancel && cancel->load(std::memory_order_relaxed); }

}  // namespace

bool TSCorpusTools::writeFile(const QString& path, const QByteArray& bytes) {
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        TSLogError("Error writing %@: %@", path, f.errorString());
        return false;
    }
    return true;
}

QHash<QString, qint64> TSCorpusTools::countWords(const QStringList& paths, const std::atomic<bool>* cancel) {
    QHash<QString, qint64> counts;
    for (const QString& path : paths) {
        if (cancelled(cancel)) break;
        const QString ext = QFileInfo(path).suffix().toLower();
        QString text;
        if (ext == QLatin1String("txt")) {
            if (!TSWordLists::readText(path, &text)) {
                TSLogError("Error reading %@\n%@", QFileInfo(path).fileName(), QStringLiteral("cannot open the file"));
                continue;
            }
        } else if (ext == QLatin1String("html") || ext == QLatin1String("shtml")) {
            ts::ZHPageParser parser;
            text = parser.parsePageAtURL(QUrl::fromLocalFile(path));
        } else {
            continue;
        }
        TSProximitySummary::addString(text, counts);
    }
    return counts;
}

QString TSCorpusTools::writeWordCount(const QHash<QString, qint64>& counts, const QString& firstPath, const QString& folder) {
    if (folder.isEmpty()) return {};
    QString base = QFileInfo(firstPath).completeBaseName();
    if (base.isEmpty()) base = QStringLiteral("Untitled");
    if (TSWordLists::isReservedName(base)) base += QStringLiteral(" words");
    const QString path = QDir(folder).filePath(base + QStringLiteral(".txt"));
    QString out;
    for (const QString& w : TSProximitySummary::sortCandidates(counts))
        out += w + QLatin1Char('\t') + QString::number(counts.value(w)) + QLatin1Char('\n');
    if (!writeFile(path, out.toUtf8())) {
        TSLogError("Error writing summary string %@\n%@", base, path);
        return {};
    }
    return path;
}

void TSCorpusTools::addDirectory(const QString& folder, QSet<QString>& set, const QStringList& extensions) {
    QDirIterator it(folder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (extensions.contains(QFileInfo(path).suffix().toLower())) set.insert(QFileInfo(path).absoluteFilePath());
    }
}

QStringList TSCorpusTools::findFilesToOpen(const QStringList& paths) {
    const QStringList pageTypes = {QStringLiteral("html"), QStringLiteral("shtml")};
    QSet<QString> set;
    for (const QString& p : paths) {
        QFileInfo info(p);
        if (!info.exists()) continue;
        if (info.isDir())
            addDirectory(p, set, pageTypes);
        else if (pageTypes.contains(info.suffix().toLower()))
            set.insert(info.absoluteFilePath());
    }
    QStringList pages(set.begin(), set.end());
    pages.sort();
    return pages;
}

QString TSCorpusTools::frequencyList(const TSProximitySummary& summary) {
    QList<TSProximityDataPtr> entries = summary.entries();
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return a->count() != b->count() ? a->count() > b->count() : a->name() < b->name();
    });
    QString out;
    for (const auto& e : entries) out += e->name() + QLatin1Char('\t') + QString::number(e->count()) + QLatin1Char('\n');
    return out;
}

TSCorpusTools::FolderAnalysis TSCorpusTools::analyseFolder(const QStringList& pages, const QString& folder,
                                                           const Progress& progress, const std::atomic<bool>* cancel) {
    FolderAnalysis result;
    ts::ZHPageParser parser;
    TSProximitySummary summary;
    const qint64 total = pages.size();
    QElapsedTimer pageTimer;
    for (const QString& page : pages) {
        if (cancelled(cancel)) {
            result.cancelled = true;
            return result;
        }
        pageTimer.start();
        summary.summariseString(parser.parsePageAtURL(QUrl::fromLocalFile(page)));
        ++result.pages;
        const double seconds = pageTimer.nsecsElapsed() / 1e9;
        if (result.pages % 10 == 0) {
            TSLogError("%@", QStringLiteral("%1 of %2 %3").arg(result.pages).arg(total).arg(seconds, 0, 'f', 2));
            TSLogError("%@", QStringLiteral("Left = %1").arg(double(total - result.pages) * seconds / 60.0, 0, 'f', 1));
        }
        if (progress) progress(result.pages, total);
    }
    result.words = summary.wordCount();

    const QDir dir(folder);
    result.frequencyPath = dir.filePath(QStringLiteral("theLatinLibrary.txt"));
    // A fresh encoder writes the byte-order mark even for an empty list.
    QStringEncoder utf16(QStringEncoder::Utf16, QStringEncoder::Flag::WriteBom);
    const QByteArray listBytes = utf16.encode(frequencyList(summary));
    const bool listOk = writeFile(result.frequencyPath, listBytes);
    if (!listOk) TSLogError("Error writing string %@", result.frequencyPath);

    TSProximitySummaryPtr model = summary.pruned();
    result.modelEntries = model->wordCount();
    QString error;
    const QByteArray archive = ts::KeyedArchiver::archivedDataWithRootObject(ts::Value(model), &error);
    result.modelPath = dir.filePath(QStringLiteral("theLatinLibrary.dat"));
    bool modelOk = false;
    if (archive.isEmpty())
        TSLogError("Error archiving the proximity model %@", error);
    else
        modelOk = writeFile(result.modelPath, archive);
    result.ok = listOk && modelOk;
    return result;
}

QString TSCorpusTools::ripText(const QStringList& pieces) {
    QString s;
    for (const QString& p : pieces) s += p + QLatin1Char('\n');
    return s;
}

bool TSCorpusTools::ripPages(const QString& folder, const QString& outputPath, const std::atomic<bool>* cancel) {
    QSet<QString> set;
    addDirectory(folder, set, {QStringLiteral("html")});
    QStringList pages(set.begin(), set.end());
    pages.sort();
    ts::ValueDictionary texts;
    for (const QString& page : pages) {
        if (cancelled(cancel)) return false;
        const QFileInfo info(page);
        if (info.suffix() != QLatin1String("html") || info.completeBaseName() == QLatin1String("index")) continue;
        ts::TSPageRipper ripper;
        const ts::ValueDictionary d = ripper.parsePageAtURL(QUrl::fromLocalFile(page));
        QStringList pieces;
        auto textIt = d.find(QStringLiteral("text"));
        if (textIt != d.end())
            for (const ts::Value& v : textIt->second.array()) pieces.append(v.toString());
        const QString text = ripText(pieces);
        if (text.isEmpty()) continue;
        auto titleIt = d.find(QStringLiteral("title"));
        QString title = titleIt != d.end() ? titleIt->second.toString() : QString();
        if (title.isEmpty()) title = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
        texts[title] = ts::Value(text);
    }
    QString error;
    const QByteArray data = ts::PropertyList::writeBinary(ts::Value(std::move(texts)), &error);
    if (data.isEmpty()) {
        TSLogError("error making plist %@", error);
        return false;
    }
    if (!writeFile(outputPath, data)) {
        TSLogError("error writing data");
        return false;
    }
    return true;
}

QString TSCorpusTools::stripCombiningMarks(const QString& text) {
    const QString d = text.normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(d.size());
    for (QChar c : d)
        if (c.category() != QChar::Mark_NonSpacing && c.category() != QChar::Mark_Enclosing &&
            c.category() != QChar::Mark_SpacingCombining)
            out += c;
    return out.normalized(QString::NormalizationForm_C);
}

QStringList TSCorpusTools::allASCIIWords(const QString& text) {
    QString s = stripCombiningMarks(text);
    s.remove(QLatin1Char(' '));
    s.remove(QChar(0x00AC));
    static const QString greek = QString::fromUtf8("κνημηςδικαιοτεροςðarlinðεξονπρογονουςγαια°αποτιμησει");
    QStringList kept;
    for (const QString& rawLine : s.split(QLatin1Char('\n'))) {
        QStringView line(rawLine);
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        bool ascii = true;
        for (QChar c : line) {
            const char16_t u = c.unicode();
            if (!((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '\t')) {
                ascii = false;
                break;
            }
        }
        if (ascii) {
            kept.append(line.toString());
            continue;
        }
        bool known = false;
        for (QChar c : line)
            if (greek.contains(c)) {
                known = true;
                break;
            }
        if (!known) TSLogError("Greek chars not found %@", line.toString());
    }
    return kept;
}

bool TSCorpusTools::writeASCIIWords(const QStringList& lines, const QString& path) {
    QByteArray out;
    for (const QString& l : lines) out += l.toLatin1() + '\n';
    if (!writeFile(path, out)) {
        TSLogError("Error writing text file %@", path);
        return false;
    }
    return true;
}

QStringList TSCorpusTools::listallArray(const QString& text) {
    QString s = text.toLower();
    s.replace(QLatin1Char('v'), QLatin1Char('u'));
    s.replace(QLatin1Char('j'), QLatin1Char('i'));
    QSet<QString> unique;
    for (QString line : s.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (!line.isEmpty()) unique.insert(line);
    }
    QStringList words(unique.begin(), unique.end());
    words.sort();
    return words;
}

bool TSCorpusTools::writeSubstitutions(const ts::ValueDictionary& table, const QString& path) {
    QString error;
    const QByteArray data = ts::PropertyList::writeXML(ts::Value(table), &error);
    if (data.isEmpty()) {
        TSLogError("Error writing plist %@", error);
        return false;
    }
    if (!writeFile(path, data)) {
        TSLogError("Error writing plist %@", path);
        return false;
    }
    return true;
}
