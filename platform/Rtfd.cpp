#include "platform/Rtfd.h"

#include "platform/Coder.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/RtfdAttachment.h"

#include <QSet>
#include <QtEndian>

#include <vector>

namespace ts {
namespace {

const QString kTextEntry = QStringLiteral("TXT.rtf");
const QString kFolderEntry = QStringLiteral(".");
const QString kLoneFileEntry = QStringLiteral("..");
const QString kPreferredName = QStringLiteral("__@PreferredName@__");
const QString kUtf8PreferredName = QStringLiteral("__@UTF8PreferredName@__");

// A bounded cursor: every read checks the bytes left and latches an error.
struct Cursor {
    const QByteArray& data;
    qsizetype pos = 0;
    bool failed = false;

    qsizetype left() const { return data.size() - pos; }
    quint32 u32() {
        if (failed || left() < 4) {
            failed = true;
            return 0;
        }
        const quint32 v = qFromLittleEndian<quint32>(data.constData() + pos);
        pos += 4;
        return v;
    }
    QByteArray bytes(quint64 n) {
        if (failed || n > quint64(left())) {
            failed = true;
            return {};
        }
        QByteArray b = data.mid(pos, qsizetype(n));
        pos += qsizetype(n);
        return b;
    }
};

void putU32(QByteArray& out, quint32 v) {
    char b[4];
    qToLittleEndian<quint32>(v, b);
    out.append(b, 4);
}

QByteArray fileBlob(const QByteArray& contents) {
    QByteArray blob;
    putU32(blob, 1);
    putU32(blob, quint32(contents.size()));
    blob += contents;
    return blob;
}

// The file inside a blob: the plain form (1, length, bytes) or the
// page-aligned one (1, a word with the high bit set, length, padding length,
// the padding, then the bytes). A blob in neither form is taken whole; one
// that claims a form its sizes do not fit is an error, so that padding or a
// header is never taken for the file.
bool fileContents(const QByteArray& blob, QByteArray& out, QString& why) {
    if (blob.size() < 8 || qFromLittleEndian<quint32>(blob.constData()) != 1) {
        out = blob;
        return true;
    }
    const quint32 second = qFromLittleEndian<quint32>(blob.constData() + 4);
    const quint64 size = quint64(blob.size());
    if (!(second & 0x80000000u)) {
        if (quint64(second) > size - 8) {
            why = QStringLiteral("its length %1 runs past the blob's %2 bytes").arg(second).arg(size);
            return false;
        }
        out = blob.mid(8, qsizetype(second));
        return true;
    }
    if (size < 16) {
        why = QStringLiteral("its page-aligned header is truncated");
        return false;
    }
    const quint64 length = qFromLittleEndian<quint32>(blob.constData() + 8);
    const quint64 pad = qFromLittleEndian<quint32>(blob.constData() + 12);
    if (pad > size - 16 || length > size - 16 - pad) {
        why = QStringLiteral("its padding %1 and length %2 run past the blob's %3 bytes").arg(pad).arg(length).arg(size);
        return false;
    }
    out = blob.mid(qsizetype(16 + pad), qsizetype(length));
    return true;
}

RtfdReadResult failure(const QString& why) {
    RtfdReadResult r;
    r.error = why;
    return r;
}

void collectAttachmentNames(const AttributedString& text, QSet<QString>& names) {
    for (const auto& run : text.runs()) {
        auto it = run.attributes.find(AttributeName::Attachment);
        if (it == run.attributes.end()) continue;
        if (auto att = it->second.toObjectAs<TextAttachment>()) names.insert(att->fileName());
    }
}

}  // namespace

bool looksLikeRtfd(const QByteArray& data) { return data.startsWith("rtfd"); }

FlatContainer readFlatContainer(const QByteArray& data) {
    FlatContainer out;
    const auto failure = [&out](const QString& why) {
        out.error = why;
        return out;
    };
    if (!looksLikeRtfd(data)) return failure(QStringLiteral("The data does not begin with the RTFD signature"));
    Cursor c{data, 4};
    const quint32 version = c.u32();
    const quint32 kind = c.u32();
    const quint32 count = c.u32();
    if (c.failed) return failure(QStringLiteral("The RTFD header is truncated"));
    if (version != 0 || kind != 3) return failure(QStringLiteral("Unknown RTFD header: version %1, kind %2").arg(version).arg(kind));
    // Each entry needs at least a name length and a data length.
    if (quint64(count) * 8 > quint64(c.left())) return failure(QStringLiteral("RTFD entry count %1 exceeds the data").arg(count));

    std::vector<QString> names;
    names.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const quint32 len = c.u32();
        const QByteArray name = c.bytes(len);
        if (c.failed) return failure(QStringLiteral("RTFD entry name %1 runs past the end of the data").arg(i));
        names.push_back(QString::fromUtf8(name));
    }
    std::vector<quint32> lengths(count);
    quint64 total = 0;
    for (quint32 i = 0; i < count; ++i) {
        lengths[i] = c.u32();
        total += lengths[i];
    }
    if (c.failed || total > quint64(c.left())) return failure(QStringLiteral("RTFD entry lengths exceed the data"));

    for (quint32 i = 0; i < count; ++i) {
        const QByteArray blob = c.bytes(lengths[i]);
        if (names[i] == kFolderEntry) {
            out.folderAttributes = blob;
            continue;
        }
        QString why;
        if (!fileContents(blob, out.files[names[i]], why))
            return failure(QStringLiteral("RTFD entry \"%1\" is damaged: %2").arg(names[i], why));
    }
    out.ok = true;
    return out;
}

QByteArray writeFlatContainer(const std::vector<std::pair<QString, QByteArray>>& files, const QByteArray* folderAttributes) {
    std::vector<std::pair<QByteArray, QByteArray>> entries;
    entries.reserve(files.size() + 1);
    for (const auto& [name, contents] : files) entries.emplace_back(name.toUtf8(), fileBlob(contents));
    if (folderAttributes) entries.emplace_back(kFolderEntry.toUtf8(), folderAttributes->isEmpty() ? fileBlob({}) : *folderAttributes);

    QByteArray out("rtfd");
    putU32(out, 0);
    putU32(out, 3);
    putU32(out, quint32(entries.size()));
    for (const auto& e : entries) {
        putU32(out, quint32(e.first.size()));
        out += e.first;
    }
    for (const auto& e : entries) putU32(out, quint32(e.second.size()));
    for (const auto& e : entries) out += e.second;
    return out;
}

bool loneFile(const FlatContainer& container, QString& name, QByteArray& contents) {
    auto lone = container.files.find(kLoneFileEntry);
    if (lone == container.files.end()) return false;
    contents = lone->second;
    name.clear();
    if (auto it = container.files.find(kUtf8PreferredName); it != container.files.end()) name = QString::fromUtf8(it->second);
    if (name.isEmpty())
        if (auto it = container.files.find(kPreferredName); it != container.files.end()) name = QString::fromLatin1(it->second);
    return true;
}

QByteArray writeLoneFile(const QString& name, const QByteArray& contents) {
    QByteArray latin;
    for (QChar c : name) latin += c.unicode() < 0x80 ? char(c.unicode()) : '_';
    return writeFlatContainer({{kLoneFileEntry, contents}, {kPreferredName, latin}, {kUtf8PreferredName, name.toUtf8()}}, nullptr);
}

RtfdReadResult readRtfd(const QByteArray& data) {
    FlatContainer container = readFlatContainer(data);
    if (!container.ok) return failure(container.error);
    RtfFiles& files = container.files;
    const QByteArray& folder = container.folderAttributes;

    RtfdReadResult result;
    result.folderAttributes = folder;
    auto txt = files.find(kTextEntry);
    if (txt == files.end()) {
        // A lone attached file: the text is that one attachment.
        QString name;
        QByteArray contents;
        if (!loneFile(container, name, contents)) return failure(QStringLiteral("The RTFD holds no text entry"));
        if (name.isEmpty()) name = QStringLiteral("Attachment");
        auto att = std::make_shared<TextAttachment>(name, contents);
        att->setHasContents(true);
        result.text = AttributedString(QString(QChar(u'\uFFFC')), {{AttributeName::Attachment, Value(att)}});
        result.ok = true;
        return result;
    }
    RtfReadResult rtf = readRtf(txt->second, &files);
    if (!rtf) return failure(QStringLiteral("The RTFD's text is not readable: %1").arg(rtf.error));
    QSet<QString> used;
    collectAttachmentNames(rtf.text, used);
    for (auto& [name, contents] : files) {
        if (name == kTextEntry || used.contains(name)) continue;
        result.unusedFiles[name] = contents;
    }
    result.text = std::move(rtf.text);
    result.ok = true;
    return result;
}

QByteArray writeRtfd(const AttributedString& text, const RtfFiles& extraFiles, const QByteArray& folderAttributes) {
    RtfFiles files = extraFiles;
    files.erase(kTextEntry);
    files.erase(kFolderEntry);
    const QByteArray rtf = writeRtf(text, &files);

    std::vector<std::pair<QString, QByteArray>> entries;
    entries.reserve(files.size() + 1);
    entries.emplace_back(kTextEntry, rtf);
    for (auto& [name, contents] : files) entries.emplace_back(name, std::move(contents));
    return writeFlatContainer(entries, &folderAttributes);
}

namespace {
// The platform's one key: a data object holding the flattened wrapper.
const QString kDataKey = QStringLiteral("NSFileWrapperData");
// What earlier versions of this program wrote instead; still read.
const QString kSerializedKey = QStringLiteral("NSFileWrapperSerializedRepresentation");
const QString kWrapperKey = QStringLiteral("NSFileWrapper");

bool refuse(Coder& coder, const QString& why) {
    if (auto* keyed = dynamic_cast<KeyedUnarchiver*>(&coder)) keyed->failWithError(why);
    return false;
}

// Written only: the wrapper's bytes as the platform archives them, a
// mutable data object with its bytes inline. Reading gives plain data.
class MutableData : public Object {
public:
    explicit MutableData(QByteArray bytes = {}) : bytes_(std::move(bytes)) {}
    static QString staticClassName() { return QStringLiteral("NSMutableData"); }
    QString className() const override { return staticClassName(); }
    QStringList classHierarchy() const override {
        return {staticClassName(), QStringLiteral("NSData"), Object::staticClassName()};
    }
    ObjectPtr newInstance() const override { return std::make_shared<MutableData>(); }
    ObjectPtr copy() const override { return std::make_shared<MutableData>(*this); }
    void encodeWithCoder(Coder& coder) const override { coder.encodeBytes(bytes_, QStringLiteral("NS.data")); }

private:
    QByteArray bytes_;
};
}  // namespace

FileWrapperPtr FileWrapper::make(const QString& fileName, const QByteArray& contents) {
    auto w = std::make_shared<FileWrapper>();
    w->serialized_ = writeLoneFile(fileName, contents);
    w->regular_ = true;
    w->fileName_ = fileName;
    w->contents_ = contents;
    return w;
}

void FileWrapper::encodeWithCoder(Coder& coder) const {
    coder.encodeObject(Value(std::make_shared<MutableData>(serialized_)), kDataKey);
}

bool FileWrapper::initWithCoder(Coder& coder) {
    const Value data = coder.decodeObject(coder.containsValue(kDataKey) ? kDataKey : kSerializedKey);
    if (!data.isData()) return refuse(coder, QStringLiteral("a file wrapper without its serialised representation"));
    const FlatContainer container = readFlatContainer(data.toData());
    if (!container.ok) return refuse(coder, QStringLiteral("a file wrapper's representation is unreadable: %1").arg(container.error));
    serialized_ = data.toData();
    regular_ = loneFile(container, fileName_, contents_);
    return true;
}

void TextAttachment::encodeWithCoder(Coder& coder) const {
    if (wrapper_) coder.encodeObject(Value(wrapper_), kWrapperKey);
    else if (hasContents()) coder.encodeObject(Value(FileWrapper::make(fileName_, contents_)), kWrapperKey);
}

bool TextAttachment::initWithCoder(Coder& coder) {
    const Value v = coder.decodeObject(kWrapperKey);
    if (v.isNull()) return true;  // an attachment without a file (a drawn cell)
    auto wrapper = v.toObjectAs<FileWrapper>();
    if (!wrapper) return refuse(coder, QStringLiteral("a text attachment whose file wrapper is a %1").arg(v.description()));
    wrapper_ = wrapper;
    if (wrapper->isRegularFile()) {
        fileName_ = wrapper->fileName();
        contents_ = wrapper->contents();
        hasContents_ = true;
    }
    return true;
}

RtfdReadResult readRichTextData(const QByteArray& data) {
    if (looksLikeRtfd(data)) return readRtfd(data);
    if (!looksLikeRtf(data)) return failure(QStringLiteral("The data is neither RTF nor RTFD"));
    RtfReadResult rtf = readRtf(data);
    RtfdReadResult r;
    r.ok = rtf.ok;
    r.error = rtf.error;
    r.text = std::move(rtf.text);
    return r;
}

}  // namespace ts
