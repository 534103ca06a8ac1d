#pragma once
// Shared by the import tests: the real inputs, the bundled settings and a
// conversion run as the importer runs it.

#include "import/TSBodyElementParser.h"
#include "import/TSImportElement.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QUrl>

inline QString sharedPath(const QString& relative) {
    QByteArray dir = qgetenv("TS_SHARED_DIR");
    if (dir.isEmpty()) dir = QByteArray(TS_SOURCE_DIR_FALLBACK) + "/../shared";
    return QDir(QString::fromLocal8Bit(dir)).filePath(relative);
}

inline QString teiPath(const QString& base) { return sharedPath(QStringLiteral("data/tei/%1.xml").arg(base)); }

inline QString presetPath(const QString& base) {
    return QStringLiteral(TS_SOURCE_DIR_FALLBACK "/import/presets/%1.plist").arg(base);
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline TSElementArrayPtr presetFor(const QString& base) {
    TSElementArrayPtr list = TSElementArray::importFromPListData(readAll(presetPath(base)));
    list->setName(base);
    return list;
}

struct Conversion {
    std::shared_ptr<TSBodyElementParser> parser;
    ts::Value result;
};

inline Conversion convert(const QString& path, const TSElementArrayPtr& settings, const QString& identifier) {
    Conversion c;
    c.parser = std::make_shared<TSBodyElementParser>();
    c.parser->setCurIdentifier(identifier);
    c.parser->setElementArray(settings);
    c.result = c.parser->parseFileAtLocation(QUrl::fromLocalFile(path));
    return c;
}

// Every chunk of a kind below a node, in reading order.
inline void collectChunks(const TSChunkPtr& node, qint64 type, std::vector<TSMatchedChunkPtr>& out) {
    for (const TSChunkPtr& c : node->childNodes()) {
        if (c->chunkType() == type)
            if (auto m = std::dynamic_pointer_cast<TSMatchedChunk>(c)) out.push_back(m);
        collectChunks(c, type, out);
    }
}
