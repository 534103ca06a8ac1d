// Fuzzes the XML reader base as the text and dictionary readers drive it:
// element, text and entity events, undefined entities answered, and the text
// and attribute values of every element converted from Beta Code to Greek.

#include "foundation/RKXMLFileParser.h"

#include "FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

class BetaCodeReader : public ts::RKXMLFileParser {
public:
    int depth = 0;
    int deepest = 0;

    void parserDidStartElement(ts::XMLEventParser&, const QString&, const QString&, const QString&,
                               const ts::XMLAttributes& attributes) override {
        deepest = std::max(deepest, ++depth);
        for (const auto& attribute : attributes) convert(attribute.second);
    }
    void parserFoundCharacters(ts::XMLEventParser&, const QString& characters) override { convert(characters); }
    void parserDidEndElement(ts::XMLEventParser&, const QString&, const QString&, const QString&) override {
        fuzz::check(--depth >= 0, "every end has its start");
    }
    std::optional<QByteArray> parserResolveExternalEntityName(ts::XMLEventParser&, const QString& name,
                                                              const QString&) override {
        // An answer that is itself markup-like and Beta Code.
        return name.size() % 2 ? std::optional<QByteArray>(name.toUtf8() + "*)/a&amp;") : std::nullopt;
    }

private:
    static void convert(const QString& text) {
        fuzz::check(!ts::RKXMLFileParser::convertBetacode(text).isNull(), "Beta Code converts to a string");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    BetaCodeReader reader;
    reader.parseData(bytes);
    fuzz::check(reader.deepest <= ts::XMLEventParser::kMaxElementDepth, "nesting stays within its bound");
    // The string entry point: the same document as UTF-16 text.
    BetaCodeReader fromString;
    fromString.parseString(QString::fromUtf8(bytes));
    return 0;
}
