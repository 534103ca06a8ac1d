#include "dictsource/ElementarySourceBuilder.h"

#include "app/logging/LGLog.h"

#include "dictionaries/ElementaryLewis.h"

#include <QElapsedTimer>
#include <QFileInfo>

ElementaryConversion convertElementarySource(const QUrl& source, bool discardLogs) {
    ElementaryConversion conversion;
    const QString path = source.toLocalFile();
    if (path.isEmpty() || !QFileInfo(path).isFile()) {
        conversion.error = QStringLiteral("%1: no such file").arg(path.isEmpty() ? source.toString() : path);
        return conversion;
    }
    QElapsedTimer timer;
    timer.start();
    NBSourceXMLParser parser;
    if (discardLogs) parser.discardLogs();
    const ts::Value data = parser.parseFileAtLocation(source);
    conversion.seconds = timer.elapsed() / 1000.0;
    conversion.entries = qsizetype(parser.entries().size());
    conversion.untyped = parser.unknownTypes();
    if (!parser.succeeded()) {
        const auto& e = parser.parseError();
        conversion.error = e ? QStringLiteral("%1:%2:%3: %4").arg(path).arg(e->line).arg(e->column).arg(e->message)
                             : QStringLiteral("%1: the document ended early").arg(path);
        return conversion;
    }
    conversion.ok = true;
    if (data.isDictionary()) conversion.result = data.dictionary();
    return conversion;
}

void installElementarySourceBuilder() {
    ElementaryLewis::setElementarySourceBuilder([](const QUrl& source) -> ts::ValueDictionary {
        ElementaryConversion conversion = convertElementarySource(source);
        if (!conversion.ok) {
            TSLogError("The elementary dictionary source was not converted, nothing was changed: %@", conversion.error);
            return {};
        }
        return conversion.result;
    });
}
