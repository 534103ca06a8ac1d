// The word-form list's memory and load time as the application meets them:
// the list made from the prepared Lewis and Short (the letter files of the
// shared data), given as the user's own "macrons.txt", loaded the first time
// from its text (which writes the cache) and then from its cache. Each load
// runs three times, each in a fresh process so that its peak is its own, as
// does the baseline: reading the text and splitting every line into its four
// fields. Printed: the text's size, the memory the loaded list adds, the peak
// of the process, and both load times as ratios of the baseline (minimum,
// median and maximum of the three runs).
//
// Then the list the program makes itself: the prepared dictionary is written
// from the letter files, and each run finds its list stale, so the load makes
// the list from the dictionary (as the application's preparer does), reads
// it and writes the cache, all in the one process.
//
//   wordform_memory_bench [LIST]   (LIST: a macrons.txt to use instead; the
//                                   program's own list is then not measured)

#include "dictionaries/DictionaryServices.h"
#include "dictionaries/LewisAndShort.h"
#include "dictionaries/PreparedFormList.h"
#include "dictsource/DeveloperPrompt.h"
#include "dictsource/DictionarySourceBuilders.h"
#include "dictsource/LewisShortSource.h"
#include "dictsource/NBSourceLSParser.h"
#include "morphology/TSWordFormDictionary.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#ifndef TS_SHARED_DIR_DEFAULT
#define TS_SHARED_DIR_DEFAULT "/work/shared"
#endif

namespace {

// A field of /proc/self/status in MiB ("VmRSS", "VmHWM").
double statusMiB(const char* field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(qsizetype(qstrlen(field)) + 1).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The baseline: the text read and decoded, every line split at its TABs.
qsizetype splitLines(const QString& path) {
    const QString text = QString::fromUtf8(readAll(path));
    qsizetype fields = 0;
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QList<QStringView> parts = line.split(u'\t');
        if (parts.size() == 4) fields += parts.size();
    }
    return fields;
}

// One measurement in this process: prints "seconds added-MiB peak-MiB".
int measure(const QString& mode, const QString& folder) {
    const double before = statusMiB("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    TSWordFormDictionaryPtr kept;
    if (mode == QLatin1String("split")) {
        if (splitLines(folder + QStringLiteral("/support/macrons.txt")) == 0) return 1;
    } else {
        TSWordFormDictionary::Locations places;
        places.supportDirectory = folder + (mode == QLatin1String("rebuild") ? QStringLiteral("/own") : QStringLiteral("/support"));
        if (mode == QLatin1String("rebuild")) {
            // The application's preparer, with a list that is always stale.
            const QString dictionary = folder + QStringLiteral("/Dictionaries/EditedLewisShort.xml");
            const QString list = folder + QStringLiteral("/Dictionaries/macrons.txt");
            QFile::remove(list);
            QFile::remove(places.supportDirectory + QStringLiteral("/Macrons.dat"));
            TSWordFormDictionary::setSourcePreparer([dictionary, list] { return PreparedFormList::bringUpToDate(dictionary, list); });
        }
        places.temporaryDirectory = folder + QStringLiteral("/tmp");
        places.bundledSource = folder + QStringLiteral("/none.zip");
        places.frequencyFile = folder + QStringLiteral("/none.txt");
        TSWordFormDictionary::setLocations(places);
        if (mode == QLatin1String("text")) QFile::remove(TSWordFormDictionary::saveFile());
        if (!TSWordFormDictionary::waitForInitialisation()) return 1;
        kept = TSWordFormDictionary::sharedDictionary();
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("%.4f %.1f %.1f\n", seconds, statusMiB("VmRSS:") - before, statusMiB("VmHWM:"));
    return 0;
}

struct Runs {
    std::vector<double> seconds, added, peak;
};

bool run(const QString& mode, const QString& folder, Runs* runs) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--measure"), mode, folder});
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        std::fprintf(stderr, "the %s run failed: %s\n", qPrintable(mode), child.readAllStandardError().constData());
        return false;
    }
    const QList<QByteArray> values = child.readAllStandardOutput().trimmed().split(' ');
    if (values.size() != 3) return false;
    runs->seconds.push_back(values[0].toDouble());
    runs->added.push_back(values[1].toDouble());
    runs->peak.push_back(values[2].toDouble());
    return true;
}


// The prepared dictionary of the letter files, where the application keeps it.
bool writePreparedDictionary(const QString& letters, const QString& folder) {
    const QString lexica = folder + QStringLiteral("/Dictionaries");
    QDir().mkpath(lexica);
    DictionaryServices services;
    services.dictionariesFolder = [lexica] { return lexica; };
    DictionaryServices::install(std::move(services));
    LewisShortOptions options;
    options.discardLogs = true;
    options.prompt = std::make_shared<SkipDeveloperPrompt>();
    options.sink = std::make_shared<DeveloperSink>();
    const LewisShortConversion conversion = convertLewisShortLetters(letters, options);
    if (!conversion.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(conversion.error));
        return false;
    }
    const QString path = lexica + QStringLiteral("/EditedLewisShort.xml");
    return std::make_shared<LewisAndShortAt>(QUrl::fromLocalFile(path))->loadFromSourceResult(conversion.result);
}

// "min / median / max" of three or more values.
QString spread(std::vector<double> v, const char* format) {
    std::sort(v.begin(), v.end());
    const auto one = [&](double x) { return QString::asprintf(format, x); };
    return one(v.front()) + QStringLiteral(" / ") + one(v[v.size() / 2]) + QStringLiteral(" / ") + one(v.back());
}

std::vector<double> ratios(const std::vector<double>& a, const std::vector<double>& b) {
    // Each run against the baseline run of the same turn.
    std::vector<double> out;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) out.push_back(a[i] / b[i]);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--measure")) return measure(args[2], args[3]);

    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("support"));
    const QString list = dir.filePath(QStringLiteral("support/macrons.txt"));
    const QString shared = qEnvironmentVariable("TS_SHARED_DIR", QStringLiteral(TS_SHARED_DIR_DEFAULT));
    if (args.size() > 1) {
        if (!QFile::copy(args[1], list)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(args[1]));
            return 1;
        }
    } else {
        QString error;
        const QByteArray source = LewisShortSource::assembleLetterFiles(shared + QStringLiteral("/data/lexica"), &error);
        if (source.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        auto parser = std::make_shared<NBSourceLSParser>();
        parser->discardLogs();
        parser->setDeveloperSink(std::make_shared<DeveloperSink>());
        parser->parseData(source);
        QByteArray bytes;
        PreparedFormList::Summary summary;
        PreparedFormList::appendForms(bytes, parser->entries(), &summary);
        QFile out(list);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size()) return 1;
    }
    const QByteArray text = readAll(list);
    std::printf("text: %lld lines, %.1f MiB\n", qlonglong(text.count('\n')), text.size() / 1048576.0);

    Runs split, fromText, fromCache;
    for (int turn = 0; turn < 3; ++turn)
        if (!run(QStringLiteral("split"), dir.path(), &split) || !run(QStringLiteral("text"), dir.path(), &fromText) ||
            !run(QStringLiteral("cache"), dir.path(), &fromCache))
            return 1;
    std::printf("cache: %.1f MiB\n", QFileInfo(dir.filePath(QStringLiteral("support/Macrons.dat"))).size() / 1048576.0);
    std::printf("(min / median / max of three runs)\n");
    std::printf("line-splitting pass: %s s, peak %s MiB\n", qPrintable(spread(split.seconds, "%.2f")),
                qPrintable(spread(split.peak, "%.0f")));
    std::printf("first load, from the text (cache written): %s s, added %s MiB, peak %s MiB\n",
                qPrintable(spread(fromText.seconds, "%.2f")), qPrintable(spread(fromText.added, "%.0f")),
                qPrintable(spread(fromText.peak, "%.0f")));
    std::printf("load from the cache: %s s, added %s MiB, peak %s MiB\n", qPrintable(spread(fromCache.seconds, "%.2f")),
                qPrintable(spread(fromCache.added, "%.0f")), qPrintable(spread(fromCache.peak, "%.0f")));
    std::printf("from text / line splitting = %s (at most 4)\n", qPrintable(spread(ratios(fromText.seconds, split.seconds), "%.2f")));
    std::printf("from cache / line splitting = %s (at most 1.5)\n",
                qPrintable(spread(ratios(fromCache.seconds, split.seconds), "%.2f")));
    std::printf("memory added once loaded: %s MiB (at most 120); peak of the first load %s MiB (at most 300)\n",
                qPrintable(spread(fromCache.added, "%.0f")), qPrintable(spread(fromText.peak, "%.0f")));
    if (args.size() > 1) return 0;

    if (!writePreparedDictionary(shared + QStringLiteral("/data/lexica"), dir.path())) return 1;
    Runs rebuilt;
    for (int turn = 0; turn < 3; ++turn)
        if (!run(QStringLiteral("rebuild"), dir.path(), &rebuilt)) return 1;
    std::printf("prepared dictionary: %.1f MiB\n",
                QFileInfo(dir.filePath(QStringLiteral("Dictionaries/EditedLewisShort.xml"))).size() / 1048576.0);
    std::printf("list made by the program from the dictionary, read and cached: %s s, added %s MiB (at most 120), "
                "peak %s MiB (at most 300)\n",
                qPrintable(spread(rebuilt.seconds, "%.2f")), qPrintable(spread(rebuilt.added, "%.0f")),
                qPrintable(spread(rebuilt.peak, "%.0f")));
    return 0;
}
