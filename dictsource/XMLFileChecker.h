#pragma once
// The well-formedness test of a piece of dictionary source: a parse that
// builds nothing and reports its first error to a delegate.
//
// Nothing outside the text is loaded; entities the text uses but does not
// define are dropped silently, as the source declares them in a remote DTD.
//
// Threads: one parse at a time per object, on the calling thread.

#include "foundation/RKXMLFileParser.h"

class XMLFileCheckerProtocol {
public:
    virtual ~XMLFileCheckerProtocol() = default;
    virtual void errorFound(const ts::XMLParseError& error) = 0;
};

class XMLFileChecker : public ts::RKXMLFileParser {
    TS_OBJECT(XMLFileChecker, ts::RKXMLFileParser)
public:
    XMLFileChecker() = default;

    // Non-owning; may be null.
    XMLFileCheckerProtocol* delegate() const { return delegate_; }
    void setDelegate(XMLFileCheckerProtocol* delegate) { delegate_ = delegate; }
    bool fail() const { return fail_; }
    void setFail(bool fail) { fail_ = fail; }
    const std::optional<ts::XMLParseError>& error() const { return error_; }

    // Answers whether the text parsed without error.
    bool check(const QString& string);
    // The same answer as a number value, as the other readers answer data.
    ts::Value parseString(const QString& string) override { return ts::Value(check(string)); }

    void reset() override;
    void parserParseErrorOccurred(ts::XMLEventParser& parser, const ts::XMLParseError& error) override;
    std::optional<QByteArray> parserResolveExternalEntityName(ts::XMLEventParser& parser, const QString& name,
                                                              const QString& systemID) override;
    void parserFoundComment(ts::XMLEventParser&, const QString&) override {}
    void parserFoundIgnorableWhitespace(ts::XMLEventParser&, const QString&) override {}
    void parserFoundProcessingInstructionWithTarget(ts::XMLEventParser&, const QString&, const QString&) override {}
    void parserFoundCDATA(ts::XMLEventParser&, const QByteArray&) override {}

private:
    XMLFileCheckerProtocol* delegate_ = nullptr;
    bool fail_ = false;
    std::optional<ts::XMLParseError> error_;
};
