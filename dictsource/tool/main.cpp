// tessarin-dictsource: converts a dictionary's TEI source into the prepared
// dictionary file the application reads.
//
//   tessarin-dictsource convert-ls [--non-interactive | --interactive] [--source PATH] [--out FILE]
//   tessarin-dictsource convert-elementary --source PATH [--out FILE]
//   tessarin-dictsource make-forms [--dictionary FILE] [--out FILE] [--force]
//
// PATH is a single source document (plain or .xz) or a folder holding the
// per-letter edition; by default the application's "LewisShort.xml", made
// from the bundle's copy when missing. FILE defaults to the application's
// "EditedLewisShort.xml". convert-elementary reads the elementary
// dictionary's TEI source at PATH (there is no bundled copy) and writes the
// application's "EditedElementaryLewis.xml" unless FILE is given. Questions go to the terminal unless
// --non-interactive is given or standard input is not a terminal
// (--interactive reads the answers from standard input all the same). A
// malformed source writes nothing and exits with 1.
//
// Answers correct the source file. A folder of letter files is assembled
// for an interactive run into "LewisShort.xml" beside FILE, which keeps the
// answers; a later run converts that file as it is (delete it to assemble
// the letters again). The tool says which file holds the answers.

#include "MakeForms.h"
#include "TerminalDeveloperPrompt.h"

#include "app/core/DictionaryServicesSetup.h"
#include "app/logging/LGFileLogger.h"
#include "app/logging/LGLog.h"
#include "dictionaries/LewisAndShort.h"
#include "dictsource/DictionarySourceBuilders.h"
#include "dictsource/ElementarySourceBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <unistd.h>

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: tessarin-dictsource convert-ls [--non-interactive | --interactive] [--source PATH] [--out FILE]\n"
                 "       tessarin-dictsource convert-elementary --source PATH [--out FILE]\n"
                 "       tessarin-dictsource make-forms [--dictionary FILE] [--out FILE] [--force]\n");
    return 2;
}

void print(const QString& text) { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); }

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Tessarin"));
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) return usage();
    const QString command = args.takeFirst();
    if (command == QLatin1String("make-forms")) {
        installDictionaryServices();
        return makeFormsCommand(args);
    }
    bool interactive = ::isatty(STDIN_FILENO);
    QString source, out;
    while (!args.isEmpty()) {
        const QString a = args.takeFirst();
        if (a == QLatin1String("--non-interactive")) interactive = false;
        else if (a == QLatin1String("--interactive") && command == QLatin1String("convert-ls")) interactive = true;
        else if (a == QLatin1String("--source") && !args.isEmpty()) source = args.takeFirst();
        else if (a == QLatin1String("--out") && !args.isEmpty()) out = args.takeFirst();
        else return usage();
    }
    if (command != QLatin1String("convert-ls") && command != QLatin1String("convert-elementary")) return usage();
    if (command == QLatin1String("convert-elementary") && source.isEmpty()) return usage();

    installDictionaryServices();
    // The conversion's messages go to a log file of this program, not the
    // terminal: a full conversion logs tens of thousands of lines.
    auto logger = std::make_shared<LGFileLogger>();
    LGLog::addLogger(logger);

    if (command == QLatin1String("convert-elementary")) {
        const QUrl url = QUrl::fromLocalFile(QFileInfo(source).absoluteFilePath());
        print(QStringLiteral("Converting %1 ...").arg(url.toLocalFile()));
        const ElementaryConversion conversion = convertElementarySource(url);
        if (!conversion.ok) {
            print(QStringLiteral("Nothing written: %1").arg(conversion.error));
            LGLog::flushLog();
            return 1;
        }
        const QUrl target = out.isEmpty() ? ElementaryLewis::editedLewisURL()
                                          : QUrl::fromLocalFile(QFileInfo(out).absoluteFilePath());
        if (target.isEmpty()) {
            print(QStringLiteral("No Dictionaries folder to write to; give --out FILE"));
            return 1;
        }
        QDir().mkpath(QFileInfo(target.toLocalFile()).absolutePath());
        auto dictionary = std::make_shared<ElementaryLewisAt>(target);
        const bool saved = dictionary->loadFromElementaryResult(conversion.result);
        LGLog::flushLog();
        if (!saved) {
            print(QStringLiteral("Could not write %1").arg(target.toLocalFile()));
            return 1;
        }
        print(QStringLiteral("%1 entries (%2 without a word class) in %3 s -> %4")
                  .arg(conversion.entries)
                  .arg(conversion.untyped)
                  .arg(conversion.seconds, 0, 'f', 1)
                  .arg(target.toLocalFile()));
        return 0;
    }

    LewisShortOptions options;
    options.prompt = interactive ? DeveloperPromptPtr(std::make_shared<TerminalDeveloperPrompt>())
                                 : DeveloperPromptPtr(std::make_shared<SkipDeveloperPrompt>());

    const QUrl target = out.isEmpty() ? LewisAndShort::editedLewisShortURL()
                                      : QUrl::fromLocalFile(QFileInfo(out).absoluteFilePath());
    if (target.isEmpty()) {
        print(QStringLiteral("No Dictionaries folder to write to; give --out FILE"));
        return 1;
    }
    LewisShortConversion conversion;
    if (!source.isEmpty() && QFileInfo(source).isDir()) {
        // Answers need a file that outlives the run.
        if (interactive)
            options.keptSource = QFileInfo(target.toLocalFile()).absoluteDir().filePath(QStringLiteral("LewisShort.xml"));
        if (interactive && QFileInfo(options.keptSource).isFile())
            print(QStringLiteral("Converting %1, assembled earlier from the letter files and holding the answers "
                                 "given so far (delete it to assemble %2 again) ...")
                      .arg(options.keptSource, source));
        else
            print(QStringLiteral("Converting the Lewis and Short letter files in %1 ...").arg(source));
        if (interactive) print(QStringLiteral("Answers are written to %1").arg(options.keptSource));
        conversion = convertLewisShortLetters(source, options);
    } else {
        QUrl url;
        if (source.isEmpty()) {
            url = LewisAndShort::lewisAndShortURL();
            QString error;
            if (!ensureLewisShortSource(url, &error)) {
                print(error);
                return 1;
            }
        } else {
            url = QUrl::fromLocalFile(QFileInfo(source).absoluteFilePath());
        }
        print(QStringLiteral("Converting %1 ...").arg(url.toLocalFile()));
        if (interactive) print(QStringLiteral("Answers are written to %1").arg(url.toLocalFile()));
        conversion = convertLewisShort(url, options);
    }
    if (conversion.statistics.correctionsWritten > 0)
        print(QStringLiteral("%1 answer(s) written to %2").arg(conversion.statistics.correctionsWritten).arg(conversion.source));
    if (!conversion.ok) {
        print(QStringLiteral("Malformed source, nothing written: %1").arg(conversion.error));
        LGLog::flushLog();
        return 1;
    }
    QDir().mkpath(QFileInfo(target.toLocalFile()).absolutePath());
    auto dictionary = std::make_shared<LewisAndShortAt>(target);
    const bool saved = dictionary->loadFromSourceResult(conversion.result);
    LGLog::flushLog();
    if (!saved) {
        print(QStringLiteral("Could not write %1").arg(target.toLocalFile()));
        return 1;
    }
    print(QStringLiteral("%1 entries (%2 senses, %3 kept unplaced) in %4 s -> %5")
              .arg(conversion.entries)
              .arg(conversion.statistics.senses)
              .arg(conversion.statistics.unplacedSenses)
              .arg(conversion.seconds, 0, 'f', 1)
              .arg(target.toLocalFile()));
    return 0;
}
