#include "platform/Rtfd.h"

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

// The file inside a blob; a blob that is not in file form is taken whole.
QByteArray fileContents(const QByteArray& blob) {
    if (blob.size() < 8) return blob;
    const quint32 kind = qFromLittleEndian<quint32>(blob.constData());
    const quint32 len = qFromLittleEndian<quint32>(blob.constData() + 4);
    if (kind != 1 || quint64(len) > quint64(blob.size() - 8)) return blob;
    return blob.mid(8, qsizetype(len));
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

RtfdReadResult readRtfd(const QByteArray& data) {
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

    RtfFiles files;
    QByteArray folder;
    for (quint32 i = 0; i < count; ++i) {
        const QByteArray blob = c.bytes(lengths[i]);
        if (names[i] == kFolderEntry) folder = blob;
        else files[names[i]] = fileContents(blob);
    }

    RtfdReadResult result;
    result.folderAttributes = folder;
    auto txt = files.find(kTextEntry);
    if (txt == files.end()) {
        // A lone attached file: the text is that one attachment.
        auto lone = files.find(kLoneFileEntry);
        if (lone == files.end()) return failure(QStringLiteral("The RTFD holds no text entry"));
        QString name = QString::fromUtf8(files[kUtf8PreferredName]);
        if (name.isEmpty()) name = QString::fromLatin1(files[kPreferredName]);
        if (name.isEmpty()) name = QStringLiteral("Attachment");
        auto att = std::make_shared<TextAttachment>(name, lone->second);
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
    entries.emplace_back(kTextEntry, fileBlob(rtf));
    for (const auto& [name, contents] : files) entries.emplace_back(name, fileBlob(contents));
    entries.emplace_back(kFolderEntry, folderAttributes.isEmpty() ? fileBlob({}) : folderAttributes);

    QByteArray out("rtfd");
    putU32(out, 0);
    putU32(out, 3);
    putU32(out, quint32(entries.size()));
    for (const auto& e : entries) {
        const QByteArray name = e.first.toUtf8();
        putU32(out, quint32(name.size()));
        out += name;
    }
    for (const auto& e : entries) putU32(out, quint32(e.second.size()));
    for (const auto& e : entries) out += e.second;
    return out;
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
