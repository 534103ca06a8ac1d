#pragma once
// Byte-to-character conversion for RTF: the document's code page and the
// per-font charsets. Internal to the RTF reader and writer.

#include <QByteArray>
#include <QString>

#include <map>

namespace ts::rtf {

constexpr int kCodePageWindowsLatin1 = 1252;
constexpr int kCodePageMacRoman = 10000;

// The code page a font's \fcharset selects; 0 (ANSI) and 1 (default) mean
// the document's own code page.
int codePageForCharset(int charset, int documentCodePage);

// The Windows-1252 byte for a character, or -1 when it has none.
int encodeWindowsLatin1(char16_t c);

// Converts bytes in a code page, keeping converters open between calls.
// Bytes a code page does not define come out as U+FFFD. Code page 932 reads
// as the platform reads Shift-JIS, with its vendor rows of circled numbers
// and Roman numerals. Not thread-safe;
// use one per reader.
class ByteDecoder {
public:
    ByteDecoder() = default;
    ~ByteDecoder();
    ByteDecoder(const ByteDecoder&) = delete;
    ByteDecoder& operator=(const ByteDecoder&) = delete;

    void decode(const QByteArray& bytes, int codePage, QString& out);

private:
    void decodeConverted(const QByteArray& bytes, int codePage, QString& out);
    std::map<int, void*> converters_;
};

}  // namespace ts::rtf
