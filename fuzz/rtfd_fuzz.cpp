// Feeds arbitrary bytes to the flattened-RTFD reader: counts, names and
// lengths come from the input and must all be checked before use. A re-save
// must lose no file: each unused file is either still unused or now backs
// an attachment of the text.

#include "platform/Rtfd.h"
#include "platform/RtfdAttachment.h"

#include <cstdlib>

namespace {

bool attachedSomewhere(const ts::AttributedString& text, const QString& name, const QByteArray& contents) {
    for (const auto& run : text.runs()) {
        auto it = run.attributes.find(ts::AttributeName::Attachment);
        if (it == run.attributes.end()) continue;
        auto att = it->second.toObjectAs<ts::TextAttachment>();
        if (att && att->fileName() == name && att->contents() == contents) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const ts::RtfdReadResult r = ts::readRtfd(bytes);
    if (r.ok != r.error.isEmpty()) std::abort();
    if (r.ok) {
        const ts::RtfdReadResult again = ts::readRtfd(ts::writeRtfd(r.text, r.unusedFiles, r.folderAttributes));
        if (!again.ok || again.text.string() != r.text.string()) std::abort();
        for (const auto& [name, contents] : r.unusedFiles) {
            auto it = again.unusedFiles.find(name);
            const bool kept = it != again.unusedFiles.end() && it->second == contents;
            if (!kept && !attachedSomewhere(again.text, name, contents)) std::abort();
        }
    }
    return 0;
}
