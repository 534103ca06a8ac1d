// Format detection and dispatch; each form lives in its own file.

#include "PropertyList.h"

namespace ts {

namespace {

// The first bytes after a byte-order mark and whitespace.
QByteArrayView significantStart(const QByteArray& data) {
    QByteArrayView v(data);
    if (v.startsWith("\xEF\xBB\xBF")) v = v.sliced(3);
    while (!v.isEmpty() && (v[0] == ' ' || v[0] == '\t' || v[0] == '\n' || v[0] == '\r')) v = v.sliced(1);
    return v;
}

}  // namespace

PlistResult PropertyList::read(const QByteArray& data) {
    if (data.startsWith("bplist")) return readBinary(data);
    // UTF-16 text (with a byte-order mark) is XML when it opens with "<?" or "<!".
    if (data.size() >= 6 && (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF"))) {
        const bool little = data[0] == '\xFF';
        const char16_t first = little ? char16_t(uchar(data[2]) | uchar(data[3]) << 8) : char16_t(uchar(data[2]) << 8 | uchar(data[3]));
        const char16_t second = little ? char16_t(uchar(data[4]) | uchar(data[5]) << 8) : char16_t(uchar(data[4]) << 8 | uchar(data[5]));
        const bool xml = first == u'<' && (second == u'?' || second == u'!' || second == u'p');
        return xml ? readXML(data) : readOpenStep(data);
    }
    const QByteArrayView v = significantStart(data);
    if (v.startsWith("<?") || v.startsWith("<!") || v.startsWith("<plist")) return readXML(data);
    return readOpenStep(data);
}

QByteArray PropertyList::write(const Value& value, PlistFormat format, QString* error) {
    switch (format) {
    case PlistFormat::Binary: return writeBinary(value, error);
    case PlistFormat::XML: return writeXML(value, error);
    case PlistFormat::OpenStep: break;
    }
    if (error) *error = QStringLiteral("the old text form is read only");
    return {};
}

}  // namespace ts
