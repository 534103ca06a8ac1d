#include "dictsource/LewisShortSource.h"

#include "dictionaries/DictionaryServices.h"
#include "platform/ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace LewisShortSource {

namespace {

constexpr int kXzTimeoutMs = 120000;
// Far above the largest letter (about 4 MB) and the whole dictionary
// (about 80 MB), far below what would exhaust memory.
constexpr qint64 kMaxDecompressed = qint64(512) * 1024 * 1024;

QByteArray readXz(const QString& path, QString* error) {
    const QString xz = QStandardPaths::findExecutable(QStringLiteral("xz"));
    if (xz.isEmpty()) {
        *error = QStringLiteral("%1: the program \"xz\" is not installed").arg(path);
        return {};
    }
    QProcess process;
    process.setProgram(xz);
    process.setArguments({QStringLiteral("-dc"), QStringLiteral("--"), path});
    ts::ChildProcess::confine(process);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(10000)) {
        *error = QStringLiteral("%1: xz did not start: %2").arg(path, process.errorString());
        return {};
    }
    QByteArray out;
    qint64 waited = 0;
    while (process.state() != QProcess::NotRunning) {
        if (process.waitForReadyRead(1000)) {
            out += process.readAllStandardOutput();
            if (out.size() > kMaxDecompressed) {
                process.kill();
                process.waitForFinished(5000);
                *error = QStringLiteral("%1: decompressed text larger than %2 bytes").arg(path).arg(kMaxDecompressed);
                return {};
            }
        } else {
            waited += 1000;
            if (waited > kXzTimeoutMs) {
                process.kill();
                process.waitForFinished(5000);
                *error = QStringLiteral("%1: xz did not finish in time").arg(path);
                return {};
            }
        }
    }
    out += process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        *error = QStringLiteral("%1: xz failed: %2").arg(path, QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        return {};
    }
    if (out.size() > kMaxDecompressed) {
        *error = QStringLiteral("%1: decompressed text larger than %2 bytes").arg(path).arg(kMaxDecompressed);
        return {};
    }
    return out;
}

// The text between the end of the first `open` tag and the start of the
// last `close` tag, or between the first `open` and the end of the last
// `close` when `inclusive`.
QByteArray between(const QByteArray& text, const QByteArray& open, const QByteArray& close, bool inclusive) {
    const qsizetype start = text.indexOf(open);
    const qsizetype end = text.lastIndexOf(close);
    if (start < 0 || end < 0) return {};
    if (inclusive) {
        if (end < start) return {};
        return text.mid(start, end + close.size() - start);
    }
    const qsizetype tagEnd = text.indexOf('>', start);
    if (tagEnd < 0 || tagEnd >= end) return {};
    return text.mid(tagEnd + 1, end - tagEnd - 1);
}

}  // namespace

QByteArray readSourceFile(const QString& path, QString* error) {
    QString local;
    if (!error) error = &local;
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("%1: no such file").arg(path);
        return {};
    }
    if (path.endsWith(QLatin1String(".xz"))) return readXz(path, error);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return {};
    }
    return file.readAll();
}

QStringList letterFiles(const QString& folder) {
    QDir dir(folder);
    QStringList files = dir.entryList({QStringLiteral("uls-*.xml"), QStringLiteral("uls-*.xml.xz")}, QDir::Files,
                                      QDir::Name);
    // A plain file and its compressed copy count once (the plain one).
    QStringList result;
    for (const QString& f : files) {
        if (f.endsWith(QLatin1String(".xz")) && files.contains(f.chopped(3))) continue;
        result << dir.filePath(f);
    }
    std::stable_sort(result.begin(), result.end(), [](const QString& a, const QString& b) {
        const bool fa = QFileInfo(a).fileName().startsWith(QLatin1String("uls-front"));
        const bool fb = QFileInfo(b).fileName().startsWith(QLatin1String("uls-front"));
        if (fa != fb) return fa;
        return QFileInfo(a).fileName() < QFileInfo(b).fileName();
    });
    return result;
}

QByteArray assembleLetterFiles(const QString& folder, QString* error) {
    QString local;
    if (!error) error = &local;
    const QStringList files = letterFiles(folder);
    if (files.isEmpty() || !QFileInfo(files.first()).fileName().startsWith(QLatin1String("uls-front"))) {
        *error = QStringLiteral("%1: no uls-front.xml with the header").arg(folder);
        return {};
    }
    if (files.size() < 2) {
        *error = QStringLiteral("%1: no letter files").arg(folder);
        return {};
    }
    QByteArray document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TEI.2>\n";
    const QByteArray front = readSourceFile(files.first(), error);
    if (front.isEmpty()) return {};
    const QByteArray header = between(front, "<teiHeader", "</teiHeader>", true);
    if (header.isEmpty()) {
        *error = QStringLiteral("%1: no teiHeader element").arg(files.first());
        return {};
    }
    document += header + "\n<text><body>\n";
    for (qsizetype i = 1; i < files.size(); ++i) {
        const QByteArray letter = readSourceFile(files.at(i), error);
        if (letter.isEmpty()) {
            if (error->isEmpty()) *error = QStringLiteral("%1: empty file").arg(files.at(i));
            return {};
        }
        const QByteArray body = between(letter, "<body", "</body>", false);
        if (body.isEmpty()) {
            *error = QStringLiteral("%1: no body element").arg(files.at(i));
            return {};
        }
        document += body + "\n";
    }
    document += "</body></text>\n</TEI.2>\n";
    return document;
}

bool writeAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    QString local;
    if (!error) error = &local;
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        *error = QStringLiteral("%1: cannot create its folder").arg(path);
        return false;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
        *error = QStringLiteral("%1: %2").arg(path, out.errorString());
        return false;
    }
    return true;
}

QString bundledLetterFolder() {
    const QString front = DictionaryServices::resource(QStringLiteral("lexica/uls-front"), QStringLiteral("xml.xz"));
    return front.isEmpty() ? QString() : QFileInfo(front).absolutePath();
}

}  // namespace LewisShortSource
