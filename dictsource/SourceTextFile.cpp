#include "dictsource/SourceTextFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace SourceTextFile {

namespace {

struct Mark {
    Encoding encoding;
    QByteArray bom;
    QStringConverter::Encoding codec;
};

const std::vector<Mark>& marks() {
    // UTF-32LE before UTF-16LE: its mark begins with the UTF-16LE one.
    static const std::vector<Mark> table = {
        {Encoding::UTF32LE, QByteArray("\xFF\xFE\x00\x00", 4), QStringConverter::Utf32LE},
        {Encoding::UTF32BE, QByteArray("\x00\x00\xFE\xFF", 4), QStringConverter::Utf32BE},
        {Encoding::UTF8BOM, QByteArray("\xEF\xBB\xBF", 3), QStringConverter::Utf8},
        {Encoding::UTF16LE, QByteArray("\xFF\xFE", 2), QStringConverter::Utf16LE},
        {Encoding::UTF16BE, QByteArray("\xFE\xFF", 2), QStringConverter::Utf16BE},
    };
    return table;
}

QStringConverter::Encoding codecOf(Encoding encoding) {
    for (const Mark& m : marks())
        if (m.encoding == encoding) return m.codec;
    return QStringConverter::Utf8;
}

QByteArray bomOf(Encoding encoding) {
    for (const Mark& m : marks())
        if (m.encoding == encoding) return m.bom;
    return {};
}

}  // namespace

QString encodingName(Encoding encoding) {
    switch (encoding) {
    case Encoding::UTF8: return QStringLiteral("UTF-8");
    case Encoding::UTF8BOM: return QStringLiteral("UTF-8 with byte-order mark");
    case Encoding::UTF16LE: return QStringLiteral("UTF-16LE");
    case Encoding::UTF16BE: return QStringLiteral("UTF-16BE");
    case Encoding::UTF32LE: return QStringLiteral("UTF-32LE");
    case Encoding::UTF32BE: return QStringLiteral("UTF-32BE");
    }
    return {};
}

std::optional<Text> decode(const QByteArray& bytes, QString* error) {
    Encoding encoding = Encoding::UTF8;
    qsizetype skip = 0;
    for (const Mark& m : marks()) {
        if (bytes.startsWith(m.bom)) {
            encoding = m.encoding;
            skip = m.bom.size();
            break;
        }
    }
    // The mark is stripped here and not by the decoder, so that a second
    // mark inside the text stays text.
    QStringDecoder decoder(codecOf(encoding), QStringConverter::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(bytes).sliced(skip));
    if (decoder.hasError()) {
        if (error)
            *error = skip ? QStringLiteral("the text is not valid %1").arg(encodingName(encoding))
                          : QStringLiteral("the text has no byte-order mark and is not valid UTF-8");
        return std::nullopt;
    }
    return Text{std::move(text), encoding};
}

QByteArray encode(const QString& text, Encoding encoding) {
    QStringEncoder encoder(codecOf(encoding), QStringConverter::Flag::Stateless);
    QByteArray out = bomOf(encoding);
    out += QByteArray(encoder.encode(text));
    return out;
}

std::optional<Text> read(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    QString why;
    auto text = decode(bytes, &why);
    if (!text && error) *error = QStringLiteral("%1: %2").arg(path, why);
    return text;
}

bool write(const QString& path, const QString& text, Encoding encoding, QString* error) {
    const QByteArray bytes = encode(text, encoding);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace SourceTextFile
