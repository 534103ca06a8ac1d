#include "dictsource/DictionarySourceBuilders.h"

#include "app/logging/LGLog.h"
#include "dictionaries/LewisAndShort.h"
#include "dictsource/ElementarySourceBuilder.h"
#include "dictsource/LewisShortSource.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

LewisShortConversion convertLewisShort(const QUrl& source, const LewisShortOptions& options) {
    LewisShortConversion conversion;
    QElapsedTimer timer;
    timer.start();
    auto parser = std::make_shared<NBSourceLSParser>();
    if (options.prompt) parser->setDeveloperPrompt(options.prompt);
    if (options.sink) parser->setDeveloperSink(options.sink);
    if (options.discardLogs) parser->discardLogs();
    else if (options.logSink) parser->setLogSink(options.logSink);
    const ts::Value data = parser->parseFileAtLocation(source);
    conversion.seconds = timer.elapsed() / 1000.0;
    conversion.source = source.toLocalFile();
    conversion.statistics = parser->statistics();
    conversion.entries = qsizetype(parser->entries().size());
    if (!parser->succeeded()) {
        const auto& error = parser->parseError();
        conversion.error = error ? QStringLiteral("%1:%2:%3: %4")
                                       .arg(source.toLocalFile())
                                       .arg(error->line)
                                       .arg(error->column)
                                       .arg(error->message.trimmed())
                                 : QStringLiteral("%1: the document did not end").arg(source.toLocalFile());
        return conversion;
    }
    conversion.ok = true;
    if (data.isDictionary()) conversion.result = data.dictionary();
    return conversion;
}

LewisShortConversion convertLewisShortLetters(const QString& folder, const LewisShortOptions& options) {
    LewisShortConversion conversion;
    QString error;
    if (!options.keptSource.isEmpty()) {
        const bool reused = QFileInfo(options.keptSource).isFile();
        if (!reused) {
            const QByteArray document = LewisShortSource::assembleLetterFiles(folder, &error);
            if (document.isEmpty() || !LewisShortSource::writeAtomically(options.keptSource, document, &error)) {
                conversion.error = error;
                return conversion;
            }
        }
        conversion = convertLewisShort(QUrl::fromLocalFile(QFileInfo(options.keptSource).absoluteFilePath()), options);
        conversion.keptSourceReused = reused;
        return conversion;
    }
    const QByteArray document = LewisShortSource::assembleLetterFiles(folder, &error);
    QTemporaryDir temporary;
    const QString path = temporary.isValid() ? temporary.filePath(QStringLiteral("LewisShort.xml")) : QString();
    if (document.isEmpty() || path.isEmpty() || !LewisShortSource::writeAtomically(path, document, &error)) {
        conversion.error = error.isEmpty() ? QStringLiteral("%1: no temporary folder").arg(folder) : error;
        return conversion;
    }
    return convertLewisShort(QUrl::fromLocalFile(path), options);
}

bool ensureLewisShortSource(const QUrl& source, QString* error) {
    QString local;
    if (!error) error = &local;
    const QString path = source.toLocalFile();
    if (path.isEmpty()) {
        *error = QStringLiteral("No Dictionaries folder for LewisShort.xml");
        return false;
    }
    if (QFileInfo(path).isFile()) return true;
    const QString folder = LewisShortSource::bundledLetterFolder();
    if (folder.isEmpty()) {
        *error = QStringLiteral("%1 is missing and the bundle has no copy of the source").arg(path);
        return false;
    }
    const QByteArray document = LewisShortSource::assembleLetterFiles(folder, error);
    return !document.isEmpty() && LewisShortSource::writeAtomically(path, document, error);
}

void installDictionarySourceBuilders() {
    installElementarySourceBuilder();
    LewisAndShort::setSourceBuilder([](const QUrl& source) -> ts::ValueDictionary {
        QString error;
        if (!ensureLewisShortSource(source, &error)) {
            TSLogError("%@", error);
            return {};
        }
        LewisShortConversion conversion = convertLewisShort(source);
        if (!conversion.ok) {
            // The entries made before the fault are a fragment of the
            // dictionary; saving them would replace the good one.
            TSLogError("The Lewis and Short source is malformed, nothing was changed: %@", conversion.error);
            return {};
        }
        return conversion.result;
    });
}

bool parsePerseusSource() {
    installDictionarySourceBuilders();
    auto dictionary = std::make_shared<LewisAndShort>();
    return dictionary->loadFromRawXML();
}
