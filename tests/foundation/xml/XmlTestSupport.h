#pragma once
// Shared pieces of the XML reader tests: the real TEI inputs, a reader that
// records its events, and a libxml2 external-entity loader that records and
// refuses every request, to prove that no outside resource was asked for.

#include "foundation/RKXMLFileParser.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <mutex>
#include <vector>

namespace xmltest {

inline QString sharedPath(const QString& relative) {
    const QByteArray dir = qgetenv("TS_SHARED_DIR");
    return QString::fromLocal8Bit(dir.isEmpty() ? QByteArray("/work/shared") : dir) + QStringLiteral("/") + relative;
}

inline QString teiPath(const char* name) {
    return sharedPath(QStringLiteral("data/tei/") + QLatin1String(name));
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return f.readAll();
}

// Nine levels of ten references each: a "billion laughs" document.
inline QByteArray billionLaughs() {
    QByteArray doc = "<?xml version=\"1.0\"?><!DOCTYPE l [<!ENTITY l0 \"lol\">";
    for (int i = 1; i <= 9; ++i) {
        doc += "<!ENTITY l" + QByteArray::number(i) + " \"";
        for (int k = 0; k < 10; ++k) doc += "&l" + QByteArray::number(i - 1) + ";";
        doc += "\">";
    }
    return doc + "]><l>&l9;</l>";
}

// Every request libxml2 makes for an outside resource, process-wide.
class LoaderRecorder {
public:
    static LoaderRecorder& instance() {
        static LoaderRecorder r;
        return r;
    }
    void install() {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!installed_) {
            previous_ = xmlGetExternalEntityLoader();
            xmlSetExternalEntityLoader(&LoaderRecorder::load);
            installed_ = true;
        }
        requests_.clear();
    }
    QStringList requests() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    static xmlParserInputPtr load(const char* url, const char* id, xmlParserCtxtPtr) {
        LoaderRecorder& r = instance();
        std::lock_guard<std::mutex> lock(r.mutex_);
        r.requests_ << QString::fromUtf8(url ? url : "") + QStringLiteral(" ") + QString::fromUtf8(id ? id : "");
        return nullptr;
    }
    mutable std::mutex mutex_;
    bool installed_ = false;
    xmlExternalEntityLoader previous_ = nullptr;
    QStringList requests_;
};

// A reader that keeps everything it is told.
class RecordingParser : public ts::RKXMLFileParser {
public:
    QStringList starts;
    QStringList ends;
    QString text;
    std::vector<ts::XMLAttributes> attributes;
    QStringList entityRequests;  // "name|systemID"
    QHash<QString, QByteArray> entityTable;
    std::vector<ts::XMLParseError> errors;
    QStringList prefixes;
    int resets = 0;
    bool ended = false;
    QString abortAt;

    void reset() override {
        ++resets;
        ended = false;
    }
    void parserDidStartElement(ts::XMLEventParser& parser, const QString& name, const QString&, const QString&,
                               const ts::XMLAttributes& attrs) override {
        starts << name;
        attributes.push_back(attrs);
        if (name == abortAt) parser.abortParsing();
    }
    void parserFoundCharacters(ts::XMLEventParser&, const QString& chars) override { text += chars; }
    void parserDidEndElement(ts::XMLEventParser&, const QString& name, const QString&, const QString&) override {
        ends << name;
    }
    void parserDidEndDocument(ts::XMLEventParser&) override { ended = true; }
    void parserDidStartMappingPrefix(ts::XMLEventParser& p, const QString& prefix, const QString& uri) override {
        prefixes << QStringLiteral("+") + prefix + QStringLiteral("=") + uri;
        RKXMLFileParser::parserDidStartMappingPrefix(p, prefix, uri);
    }
    void parserDidEndMappingPrefix(ts::XMLEventParser& p, const QString& prefix) override {
        prefixes << QStringLiteral("-") + prefix;
        RKXMLFileParser::parserDidEndMappingPrefix(p, prefix);
    }
    void parserParseErrorOccurred(ts::XMLEventParser& p, const ts::XMLParseError& e) override {
        errors.push_back(e);
        RKXMLFileParser::parserParseErrorOccurred(p, e);
    }
    std::optional<QByteArray> parserResolveExternalEntityName(ts::XMLEventParser&, const QString& name,
                                                              const QString& systemID) override {
        entityRequests << name + QStringLiteral("|") + systemID;
        auto it = entityTable.constFind(name);
        if (it == entityTable.constEnd()) return std::nullopt;
        return *it;
    }
};

}  // namespace xmltest
