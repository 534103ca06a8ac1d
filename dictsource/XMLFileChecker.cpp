#include "dictsource/XMLFileChecker.h"

bool XMLFileChecker::check(const QString& string) {
    // UTF-8 is what libxml2 works in; handing it UTF-16 would make it
    // convert every keystroke's entry once more.
    auto parser = std::make_shared<ts::XMLEventParser>(string.toUtf8());
    parser->setShouldResolveExternalEntities(true);
    runParser(parser);
    setAddressParser(nullptr);
    return !fail_;
}

void XMLFileChecker::reset() {
    RKXMLFileParser::reset();
    fail_ = false;
    error_.reset();
}

void XMLFileChecker::parserParseErrorOccurred(ts::XMLEventParser&, const ts::XMLParseError& error) {
    fail_ = true;
    if (!error_) error_ = error;
    if (delegate_) delegate_->errorFound(error);
}

std::optional<QByteArray> XMLFileChecker::parserResolveExternalEntityName(ts::XMLEventParser&, const QString&,
                                                                         const QString&) {
    return std::nullopt;
}
