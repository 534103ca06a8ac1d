#include "import/TSElementParser.h"

#include "app/core/TSBundle.h"
#include "app/logging/LGLog.h"
#include "platform/StringsTable.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace TSSurveyResult {

ts::Value stringArray(const QStringList& list) {
    ts::ValueArray a;
    a.reserve(size_t(list.size()));
    for (const QString& s : list) a.emplace_back(s);
    return ts::Value(std::move(a));
}

ts::Value sortedSet(const QSet<QString>& set) {
    QStringList list(set.begin(), set.end());
    std::sort(list.begin(), list.end());
    return stringArray(list);
}

}  // namespace TSSurveyResult

std::optional<QString> TSElementParser::trimString(const QString& string) {
    if (string.isNull()) return std::nullopt;
    auto trimmed = [](QChar c) {
        switch (c.unicode()) {
        case '.': case ',': case ';': case ':': case ' ': case '\n': case '\t': return true;
        default: return false;
        }
    };
    qsizetype b = 0, e = string.size();
    while (b < e && trimmed(string.at(b))) ++b;
    while (e > b && trimmed(string.at(e - 1))) --e;
    if (b == e) return std::nullopt;
    return string.mid(b, e - b);
}

std::optional<QString> TSElementParser::trimmedString() const {
    if (!curString_) return std::nullopt;
    return trimString(*curString_);
}

const QHash<QString, QString>& TSElementParser::lookupList() {
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> out;
        const QString path = TSBundle::pathForResource(QStringLiteral("ExternalEntities"), QStringLiteral("strings"));
        if (path.isEmpty()) {
            TSLogError("No ExternalEntities table; entities keep their names");
            return out;
        }
        QString error;
        const ts::StringsTable strings = ts::StringsTable::fromFile(path, &error);
        if (!error.isEmpty()) TSLogError("ExternalEntities: %@", error);
        for (const auto& [key, value] : strings.entries()) out.insert(key, value);
        return out;
    }();
    return table;
}

void TSElementParser::reset() {
    elements_.clear();
    elementSet_.clear();
    dataContainingElements_.clear();
    attributeElements_.clear();
    dataDictionary_.clear();
    usedElements_ = usedData_ = usedAttributes_ = usedDataDictionary_ = false;
    curString_.reset();
    setData(ts::Value());
}

ts::Value TSElementParser::parseFileAtLocation(const QUrl& url) {
    QByteArray bytes;
    QString failure;
    if (url.isLocalFile()) {
        QFile file(url.toLocalFile());
        if (file.open(QIODevice::ReadOnly))
            bytes = file.readAll();
        else
            failure = QStringLiteral("Cannot open %1: %2").arg(url.toLocalFile(), file.errorString());
    } else {
        failure = QStringLiteral("Not a local file: %1").arg(url.toString());
    }
    willParseFile(url, bytes, failure.isNull());
    auto parser = std::make_shared<ts::XMLEventParser>(bytes, url);
    parser->setShouldResolveExternalEntities(true);
    if (!failure.isNull()) parser->setOpenFailure(failure);
    setFileURL(url);
    if (!url.isEmpty()) setTitle(QFileInfo(url.path()).completeBaseName());
    runSurvey(parser);
    setFileURL(QUrl());
    return data();
}

ts::Value TSElementParser::parseData(const QByteArray& bytes) {
    auto parser = std::make_shared<ts::XMLEventParser>(bytes);
    parser->setShouldResolveExternalEntities(true);
    runSurvey(parser);
    return data();
}

void TSElementParser::runSurvey(const ts::XMLEventParserPtr& parser) {
    errorMessage_.clear();
    finishedEarly_ = false;
    runParser(parser);
    const auto& error = parser->parserError();
    const bool failed = error && !(finishedEarly_ && error->code == ts::XMLParseError::Aborted);
    if (failed) {
        if (errorMessage_.isEmpty()) errorMessage_ = error->description();
        setData(ts::Value());
        return;
    }
    setData(ts::Value(buildResult()));
}

void TSElementParser::finishEarly(ts::XMLEventParser& parser) {
    finishedEarly_ = true;
    parser.abortParsing();
}

void TSElementParser::refuse(ts::XMLEventParser& parser, const QString& message) {
    if (errorMessage_.isEmpty()) errorMessage_ = message;
    TSLogError("Parsing Failed\n%@", message);
    parser.abortParsing();
}

ts::ValueDictionary TSElementParser::buildResult() const {
    ts::ValueDictionary d;
    if (usedElements_) d[QStringLiteral("Elements")] = TSSurveyResult::stringArray(elements_);
    if (usedData_) d[QStringLiteral("Data Elements")] = TSSurveyResult::sortedSet(dataContainingElements_);
    if (usedAttributes_) d[QStringLiteral("Attribute Elements")] = TSSurveyResult::sortedSet(attributeElements_);
    if (usedDataDictionary_) {
        ts::ValueDictionary dd;
        for (auto it = dataDictionary_.cbegin(); it != dataDictionary_.cend(); ++it) dd[it.key()] = ts::Value(it.value());
        d[QStringLiteral("Data Dictionary")] = ts::Value(std::move(dd));
    }
    return d;
}

void TSElementParser::noteElement(const QString& name, bool hasAttributes) {
    usedElements_ = true;
    if (!elementSet_.contains(name)) {
        elementSet_.insert(name);
        elements_ << name;
    }
    if (hasAttributes) {
        usedAttributes_ = true;
        attributeElements_.insert(name);
    }
}

void TSElementParser::parserDidStartElement(ts::XMLEventParser&, const QString& elementName, const QString&,
                                            const QString&, const ts::XMLAttributes& attributes) {
    curString_ = QString(QLatin1String(""));
    noteElement(elementName, !attributes.isEmpty());
}

void TSElementParser::parserFoundCharacters(ts::XMLEventParser&, const QString& characters) {
    if (curString_) curString_->append(characters);
}

void TSElementParser::parserDidEndElement(ts::XMLEventParser&, const QString& elementName, const QString&,
                                          const QString&) {
    if (trimmedString()) {
        usedData_ = true;
        dataContainingElements_.insert(elementName);
    }
    curString_.reset();
}

void TSElementParser::parserParseErrorOccurred(ts::XMLEventParser&, const ts::XMLParseError& error) {
    if (error.code == ts::XMLParseError::Aborted) return;
    TSLogError("Parsing Failed\n%@", error.description());
}

std::optional<QByteArray> TSElementParser::parserResolveExternalEntityName(ts::XMLEventParser& parser,
                                                                           const QString& name,
                                                                           const QString& systemID) {
    // A declared external entity could only be honoured by reading a file or
    // the network; the document is refused rather than read without it.
    if (!systemID.isEmpty()) {
        refuse(parser, QStringLiteral("External entity %1 (%2) refused").arg(name, systemID));
        return std::nullopt;
    }
    const auto it = lookupList().constFind(name);
    if (it != lookupList().constEnd()) return it.value().toUtf8();
    TSLogError("resolveExternalEntityName %@\n%@", name, systemID);
    return name.toUtf8();
}

void TSHeaderElementParser::parserDidEndElement(ts::XMLEventParser& parser, const QString& elementName,
                                                const QString& namespaceURI, const QString& qualifiedName) {
    if (const std::optional<QString> text = trimmedString()) {
        usedDataDictionary_ = true;
        auto it = dataDictionary_.find(elementName);
        if (it == dataDictionary_.end())
            dataDictionary_.insert(elementName, *text);
        else
            it.value() += QStringLiteral("| ") + *text;
    }
    TSElementParser::parserDidEndElement(parser, elementName, namespaceURI, qualifiedName);
    if (elementName == QLatin1String("teiHeader")) finishEarly(parser);
}
