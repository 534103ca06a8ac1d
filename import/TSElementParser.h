#pragma once
// The survey of a TEI source: which element names occur, in the order of
// their first start tag, which hold text of their own and which carry
// attributes. TSHeaderElementParser also collects the text of every header
// element and stops at the end of "teiHeader".
//
// Result (data() after a parse), keys present only when their collection was
// used: "Elements" (array of names), "Data Elements" and "Attribute Elements"
// (sorted arrays of names, each name once), and for the header survey
// "Data Dictionary" (name to its texts joined with "| ").
//
// A document that cannot be read whole (not well-formed, invalid text, a
// bound of the XML reader exceeded, an external entity declared) gives no
// result: data() is null and errorMessage() says why, so that no records are
// made from half a file. Entities the document uses without defining resolve
// through the bundle's "ExternalEntities" table, or to their own name
// (logged). Nothing outside the document is ever loaded.
//
// One parse at a time per object, on the calling thread.

#include "foundation/RKXMLFileParser.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class TSElementParser : public ts::RKXMLFileParser {
    TS_OBJECT(TSElementParser, ts::RKXMLFileParser)

public:
    TSElementParser() = default;

    ts::Value parseFileAtLocation(const QUrl& url) override;
    ts::Value parseData(const QByteArray& bytes) override;

    const QStringList& elements() const { return elements_; }
    const QSet<QString>& dataContainingElements() const { return dataContainingElements_; }
    const QSet<QString>& attributeElements() const { return attributeElements_; }
    const QHash<QString, QString>& dataDictionary() const { return dataDictionary_; }

    // Why the last parse gave no result; empty after a parse that did.
    QString errorMessage() const { return errorMessage_; }

    const std::optional<QString>& curString() const { return curString_; }
    void setCurString(std::optional<QString> s) { curString_ = std::move(s); }
    std::optional<QString> trimmedString() const;

    // The string without ".,;: \n\t" at either end; nothing when nothing is
    // left or the argument is null.
    static std::optional<QString> trimString(const QString& string);
    // Entity name to replacement text, read once from the bundle's
    // "ExternalEntities" strings table.
    static const QHash<QString, QString>& lookupList();

    void reset() override;
    void parserDidStartElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                               const QString& qualifiedName, const ts::XMLAttributes& attributes) override;
    void parserFoundCharacters(ts::XMLEventParser& parser, const QString& characters) override;
    void parserDidEndElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                             const QString& qualifiedName) override;
    void parserParseErrorOccurred(ts::XMLEventParser& parser, const ts::XMLParseError& error) override;
    std::optional<QByteArray> parserResolveExternalEntityName(ts::XMLEventParser& parser, const QString& name,
                                                              const QString& systemID) override;
    void parserFoundIgnorableWhitespace(ts::XMLEventParser&, const QString&) override {}
    void parserFoundProcessingInstructionWithTarget(ts::XMLEventParser&, const QString&, const QString&) override {}

protected:
    // Builds the result dictionary once the parse has ended.
    virtual ts::ValueDictionary buildResult() const;
    // Stops the parse without it counting as a failure.
    void finishEarly(ts::XMLEventParser& parser);
    // Stops the parse as a failure with this message.
    void refuse(ts::XMLEventParser& parser, const QString& message);
    // Runs one parse and stores the result (or the failure) in data().
    void runSurvey(const ts::XMLEventParserPtr& parser);
    // Sent with a file's bytes before they are parsed (readable is false when
    // the file could not be read).
    virtual void willParseFile(const QUrl& url, const QByteArray& bytes, bool readable) {}

    void noteElement(const QString& name, bool hasAttributes);

    QStringList elements_;
    QSet<QString> elementSet_;
    QSet<QString> dataContainingElements_;
    QSet<QString> attributeElements_;
    QHash<QString, QString> dataDictionary_;
    bool usedElements_ = false, usedData_ = false, usedAttributes_ = false, usedDataDictionary_ = false;
    std::optional<QString> curString_;

private:
    QString errorMessage_;
    bool finishedEarly_ = false;
};

class TSHeaderElementParser : public TSElementParser {
    TS_OBJECT(TSHeaderElementParser, TSElementParser)

public:
    void parserDidEndElement(ts::XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                             const QString& qualifiedName) override;
};

// Values of a result dictionary made from the collections above.
namespace TSSurveyResult {
ts::Value stringArray(const QStringList& list);
ts::Value sortedSet(const QSet<QString>& set);
}  // namespace TSSurveyResult
