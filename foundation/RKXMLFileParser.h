#pragma once
// The base of every XML reader: an event-driven (SAX) parse of a file, a block
// of bytes or a string, with overridable element, text and entity events and a
// little state that readers share between events.
//
// Safety contract of every parse, whatever a subclass overrides:
// - nothing is ever loaded from outside the document: no external DTD subset,
//   no external parameter or general entity, no network or file access;
// - entities the document uses but does not define (the TEI texts declare
//   theirs only in remote DTDs) and declared external entities are answered by
//   parserResolveExternalEntityName, once per distinct name and parse;
// - internal entity expansion and element nesting are bounded; a document
//   that exceeds a bound stops with one reported parse error.
//
// Events arrive synchronously on the calling thread, before the entry point
// returns. One parse at a time per object.

#include "platform/Object.h"
#include "platform/Value.h"

#include <QByteArray>
#include <QChar>
#include <QHash>
#include <QSet>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace ts {

class RKXMLFileParser;

// The attributes of one start tag, in document order. Names are qualified
// names as written ("xml:lang"); namespace declarations appear as the
// attributes "xmlns" and "xmlns:prefix". Values have their references decoded.
class XMLAttributes {
public:
    using Entry = std::pair<QString, QString>;
    using const_iterator = std::vector<Entry>::const_iterator;

    // The value of the first attribute of that name; a null QString when absent.
    QString value(const QString& name) const;
    QString operator[](const QString& name) const { return value(name); }
    bool contains(const QString& name) const;
    qsizetype size() const { return count_; }
    bool isEmpty() const { return count_ == 0; }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.begin() + count_; }
    // A dictionary of string values; a later equal name replaces an earlier one.
    ValueDictionary toDictionary() const;

    void append(QString name, QString value);
    void clear() { count_ = 0; }
    // The parser refills one set of attributes for every start tag; slots
    // beyond the count keep their storage for the next tag.
    Entry& appendSlot();

private:
    std::vector<Entry> entries_;
    qsizetype count_ = 0;
};

// A fatal error that stopped a parse.
struct XMLParseError {
    // libxml2's error number (xmlParserErrors), or one of the codes below.
    int code = 0;
    int line = 0;
    int column = 0;
    QString message;

    enum : int {
        CannotOpenFile = 100001,
        EntityExpansionLimit = 100002,
        NestingLimit = 100003,
        Aborted = 100004,
    };

    QString description() const;
};

// The event parser of one parse (the reader's addressParser): its settings,
// the position of the current event and the error that stopped it.
class XMLEventParser {
public:
    explicit XMLEventParser(QByteArray bytes, QUrl url = QUrl());
    ~XMLEventParser();
    XMLEventParser(const XMLEventParser&) = delete;
    XMLEventParser& operator=(const XMLEventParser&) = delete;

    // Non-owning; the delegate must outlive the call to parse().
    void setDelegate(RKXMLFileParser* delegate) { delegate_ = delegate; }
    RKXMLFileParser* delegate() const { return delegate_; }

    // Whether undefined and external entities are offered to the delegate's
    // parserResolveExternalEntityName. Nothing is ever fetched either way.
    bool shouldResolveExternalEntities() const { return resolveExternalEntities_; }
    void setShouldResolveExternalEntities(bool on) { resolveExternalEntities_ = on; }
    // Whether namespace declarations are reported through the prefix events.
    bool shouldReportNamespacePrefixes() const { return reportNamespacePrefixes_; }
    void setShouldReportNamespacePrefixes(bool on) { reportNamespacePrefixes_ = on; }

    // For a parser whose bytes could not be read: parse() then reports this
    // as a CannotOpenFile error instead of parsing.
    void setOpenFailure(const QString& reason) { openFailure_ = reason; }

    // Runs the whole parse; answers true when the document was well-formed and
    // no bound was exceeded. Bytes that begin with a byte-order mark are read
    // in that encoding whatever their XML declaration names.
    bool parse();
    // From inside an event: stop after the current event. The parse reports
    // an error with the code Aborted unless a fatal error came first.
    void abortParsing();

    // Position of the event being delivered (1-based), or of the end of the
    // last parse.
    int lineNumber() const;
    int columnNumber() const;
    const std::optional<XMLParseError>& parserError() const { return error_; }
    const QByteArray& bytes() const { return bytes_; }
    const QUrl& url() const { return url_; }

    // Bounds shared by every parse.
    static constexpr int kMaxElementDepth = 256;
    // Character data delivered may exceed the input size by this factor
    // (plus the floor below) before the parse is stopped as an entity bomb.
    static constexpr qint64 kMaxExpansionRatio = 16;
    static constexpr qint64 kExpansionFloor = 4 * 1024 * 1024;
    // Longest replacement text accepted from the entity hook.
    static constexpr qsizetype kMaxEntityReplacement = 64 * 1024;

    struct Session;  // libxml2 plumbing, private to the implementation

private:
    friend struct Session;
    QByteArray bytes_;
    QUrl url_;
    RKXMLFileParser* delegate_ = nullptr;
    bool resolveExternalEntities_ = false;
    bool reportNamespacePrefixes_ = false;
    std::optional<XMLParseError> error_;
    QString openFailure_;
    Session* session_ = nullptr;  // set only while parse() runs
    int lastLine_ = 0;
    int lastColumn_ = 0;
};

using XMLEventParserPtr = std::shared_ptr<XMLEventParser>;

class RKXMLFileParser : public Object {
    TS_OBJECT(RKXMLFileParser, Object)
public:
    RKXMLFileParser();
    ~RKXMLFileParser() override;

    // Entry points; each answers data() after the parse, whatever happened.
    // A file is read whole; title becomes its name without the last extension
    // and fileURL is set only while the parse runs.
    virtual Value parseFileAtLocation(const QUrl& url);
    virtual Value parseData(const QByteArray& bytes);
    // The string goes to parseData as UTF-16 with a byte-order mark, so that
    // an encoding named in its XML declaration does not mislead the parser.
    virtual Value parseString(const QString& string);

    // Shared state. The base class never reads curElementType or the stack.
    XMLEventParserPtr addressParser() const { return addressParser_; }
    void setAddressParser(XMLEventParserPtr parser) { addressParser_ = std::move(parser); }
    qint64 curElementType() const { return curElementType_; }
    void setCurElementType(qint64 type) { curElementType_ = type; }
    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    // Readers that compute their result when asked override data().
    virtual Value data() const { return data_; }
    void setData(Value data) { data_ = std::move(data); }
    QUrl fileURL() const { return fileURL_; }
    void setFileURL(const QUrl& url) { fileURL_ = url; }
    ValueArray& stack() { return stack_; }
    const ValueArray& stack() const { return stack_; }
    void setStack(ValueArray stack) { stack_ = std::move(stack); }

    // Sent before each parse; the place for a subclass to clear its state.
    virtual void reset();

    // Document events. The base class reads the document and produces nothing
    // for elements and text; the other events are logged or ignored.
    // Element names are qualified names as written; namespaceURI and
    // qualifiedName are null (namespaces are not processed).
    virtual void parserDidStartElement(XMLEventParser& parser, const QString& elementName,
                                       const QString& namespaceURI, const QString& qualifiedName,
                                       const XMLAttributes& attributes);
    virtual void parserFoundCharacters(XMLEventParser& parser, const QString& characters);
    virtual void parserDidEndElement(XMLEventParser& parser, const QString& elementName,
                                     const QString& namespaceURI, const QString& qualifiedName);
    virtual void parserDidEndDocument(XMLEventParser& parser);
    virtual void parserFoundComment(XMLEventParser& parser, const QString& comment);
    virtual void parserDidStartMappingPrefix(XMLEventParser& parser, const QString& prefix, const QString& namespaceURI);
    virtual void parserDidEndMappingPrefix(XMLEventParser& parser, const QString& prefix);
    virtual void parserParseErrorOccurred(XMLEventParser& parser, const XMLParseError& error);
    virtual void parserFoundIgnorableWhitespace(XMLEventParser& parser, const QString& whitespace);
    virtual void parserFoundProcessingInstructionWithTarget(XMLEventParser& parser, const QString& target,
                                                            const QString& data);
    virtual void parserFoundCDATA(XMLEventParser& parser, const QByteArray& block);
    // The replacement text (UTF-8) for an entity the document does not define,
    // or for a declared external entity (systemID then names it). Nothing
    // means the reference is dropped. Asked once per name and parse; the
    // answer is used at every reference, in text and in attribute values.
    virtual std::optional<QByteArray> parserResolveExternalEntityName(XMLEventParser& parser, const QString& name,
                                                                      const QString& systemID);

    // Beta Code to Unicode Greek: base letters and combining marks, marks
    // where the Beta Code wrote them. Tables are built once per process.
    static QString convertBetacode(const QString& betacode);
    static const QHash<QString, QString>& betacodeConversion();
    static const QHash<QString, QString>& capitalBetacodeConversion();
    static const QHash<QString, QString>& notCapDictionary();
    static const QSet<QChar>& punctuationSet();

protected:
    // Runs one parse over the parser already configured, as the entry points do.
    void runParser(const XMLEventParserPtr& parser);

private:
    XMLEventParserPtr addressParser_;
    qint64 curElementType_ = 0;
    QString title_;
    Value data_;
    QUrl fileURL_;
    ValueArray stack_;
};

using RKXMLFileParserPtr = std::shared_ptr<RKXMLFileParser>;

}  // namespace ts
