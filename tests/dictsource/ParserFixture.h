#pragma once
// A Lewis and Short converter over a document in memory, with its messages
// and developer texts recorded.

#include "dictionaries/DictionaryServices.h"
#include "dictsource/NBSourceLSParser.h"

#include <QDir>
#include <QStringList>

#include <memory>
#include <ostream>

// Failure messages name the texts involved.
inline std::ostream& operator<<(std::ostream& os, const QString& s) { return os << s.toStdString(); }

inline void installTestServices(const QString& dictionariesFolder = QString()) {
    DictionaryServices services;
    QString source = QString::fromLocal8Bit(qgetenv("TS_SOURCE_DIR"));
    if (source.isEmpty()) source = QStringLiteral(TS_SOURCE_DIR_DEFAULT);
    const QString resources = source + QStringLiteral("/resources");
    services.resourcePath = [resources](const QString& name, const QString& type) {
        const QString path = resources + QLatin1Char('/') + name + (type.isEmpty() ? QString() : QLatin1Char('.') + type);
        return QFileInfo(path).isFile() ? path : QString();
    };
    services.dictionariesFolder = [dictionariesFolder] { return dictionariesFolder; };
    DictionaryServices::install(std::move(services));
}

struct Converted {
    std::shared_ptr<NBSourceLSParser> parser;
    DeveloperSinkPtr sink;
    std::shared_ptr<QStringList> messages;
    ts::ValueDictionary result;
    DictionaryEntryList entries;

    bool logged(const QString& part) const {
        for (const QString& m : *messages)
            if (m.contains(part)) return true;
        return false;
    }
    DictionaryEntryPtr entry(int i = 0) const { return i < int(entries.size()) ? entries[size_t(i)] : nullptr; }
};

template <class Parser = NBSourceLSParser>
Converted convertText(const QString& body, std::shared_ptr<Parser> parser = nullptr) {
    installTestServices();
    Converted c;
    c.parser = parser ? parser : std::make_shared<Parser>();
    c.sink = std::make_shared<DeveloperSink>();
    c.messages = std::make_shared<QStringList>();
    auto messages = c.messages;
    c.parser->setDeveloperSink(c.sink);
    c.parser->setLogSink([messages](const char*, const char*, int, const QString& text) { *messages << text; });
    const QString document = body.startsWith(QLatin1String("<TEI.2")) || body.startsWith(QLatin1String("<?xml")) ||
                                     body.startsWith(QLatin1String("<!DOCTYPE"))
                                 ? body
                                 : QStringLiteral("<TEI.2><text><body>%1</body></text></TEI.2>").arg(body);
    const ts::Value data = c.parser->parseString(document);
    if (data.isDictionary()) c.result = data.dictionary();
    c.entries = c.parser->entries();
    return c;
}

inline DictionaryEntryList childrenOfType(const DictionaryEntryPtr& e, int type) {
    DictionaryEntryList out;
    if (!e) return out;
    for (const auto& c : e->childList())
        if (c && c->type() == type) out.push_back(c);
    return out;
}
