// Fuzzes the web macronizer's reading of the service's pages: the form it
// fills in, the marked text it takes back, the check of that text against
// the one sent, and the cleaning of a download's suggested name.

#include "tools/net/WebMacronizer.h"

#include "FuzzSupport.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QUrl page(QStringLiteral("https://service.invalid/macronizer/"));
    if (const auto form = WebMacronizer::readForm(bytes, page)) {
        fuzz::check(form->textField < int(form->fields.size()), "the text field is one of the fields");
    }
    const auto marked = WebMacronizer::readMarkedText(bytes);
    if (marked) fuzz::check(!marked->trimmed().isEmpty(), "marked text is never blank");

    const QString text = QString::fromUtf8(bytes);
    const qsizetype half = text.size() / 2;
    const QString sent = text.left(half);
    if (const auto matched = WebMacronizer::matchAnswer(sent, text.mid(half))) {
        qsizetype lead = 0;
        while (lead < sent.size() && sent.at(lead).isSpace()) ++lead;
        fuzz::check(matched->startsWith(sent.left(lead)), "the sent text's leading blanks are kept");
    }
    const QString name = WebMacronizer::sanitizedFileName(text);
    fuzz::check(!name.isEmpty(), "a name is never empty");
    fuzz::check(!name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')), "no folder in a name");
    fuzz::check(!name.startsWith(QLatin1Char('.')), "no hidden or parent name");
    return 0;
}
