#pragma once
// A dictionary source read as text with its encoding, and written back in
// that same encoding.
//
// The encoding is decided by the file's byte-order mark (UTF-8, UTF-16 or
// UTF-32, either byte order); a file without one must be strict UTF-8. Any
// other file is refused: guessing a legacy encoding and writing it back
// would corrupt the source, so nothing is read and nothing may be written.
// Writes go through QSaveFile, so the file on disk is either the old one or
// the whole new one; the byte-order mark read is written again.
//
// Errors come back as a message naming the file; nothing here throws.

#include <QString>

#include <optional>

namespace SourceTextFile {

enum class Encoding { UTF8, UTF8BOM, UTF16LE, UTF16BE, UTF32LE, UTF32BE };

struct Text {
    QString text;
    Encoding encoding = Encoding::UTF8;
};

// The bytes decoded; nullopt with *error set when the bytes are neither
// marked nor valid UTF-8.
std::optional<Text> decode(const QByteArray& bytes, QString* error = nullptr);
QByteArray encode(const QString& text, Encoding encoding);

std::optional<Text> read(const QString& path, QString* error = nullptr);
// Answers whether the file was replaced; on failure the old file stays.
bool write(const QString& path, const QString& text, Encoding encoding, QString* error = nullptr);

QString encodingName(Encoding encoding);

}  // namespace SourceTextFile
