#include "platform/RtfCodec.h"

#include <iconv.h>

#include <cerrno>

namespace ts::rtf {
namespace {

const char16_t kWindowsLatin1High[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF};

const char16_t kMacRomanHigh[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};

const char* iconvName(int codePage) {
    switch (codePage) {
    case 932: return "CP932";
    case 936: return "GBK";
    case 949: return "CP949";
    case 950: return "BIG5";
    case 874: return "CP874";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 437: return "CP437";
    case 850: return "CP850";
    case 10001: return "SHIFT_JIS";
    case 10006: return "MACGREEK";
    case 10007: return "MACCYRILLIC";
    case 10029: return "MACCENTRALEUROPE";
    default: return nullptr;
    }
}

// Where the platform's Japanese encoding (the Mac OS variant of Shift-JIS)
// has characters that the C library's CP932 leaves undefined: the vendor
// rows behind lead byte 0x85 with circled numbers 1 to 20 and the upper and
// lower case Roman numerals 1 to 10. Answers 0 for any other pair.
char16_t macJapaneseVendorCharacter(quint8 lead, quint8 trail) {
    if (lead != 0x85) return 0;
    if (trail >= 0x40 && trail <= 0x53) return char16_t(0x2460 + (trail - 0x40));  // circled 1..20
    if (trail >= 0x9F && trail <= 0xA8) return char16_t(0x2160 + (trail - 0x9F));  // I..X
    if (trail >= 0xB3 && trail <= 0xBC) return char16_t(0x2170 + (trail - 0xB3));  // i..x
    return 0;
}

bool isShiftJisLead(quint8 b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

void decodeTable(const QByteArray& bytes, const char16_t* high, QString& out) {
    for (char ch : bytes) {
        const quint8 b = quint8(ch);
        out.append(QChar(b < 0x80 ? char16_t(b) : high[b - 0x80]));
    }
}

}  // namespace

int codePageForCharset(int charset, int documentCodePage) {
    switch (charset) {
    case 0:
    case 1: return documentCodePage;
    case 2: return 1252;  // symbol fonts: the bytes are glyph numbers
    case 77: return kCodePageMacRoman;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 255: return 437;
    default: return documentCodePage;
    }
}

int encodeWindowsLatin1(char16_t c) {
    if (c < 0x80) return c;
    for (int i = 0; i < 128; ++i)
        if (kWindowsLatin1High[i] == c) return 0x80 + i;
    return -1;
}

ByteDecoder::~ByteDecoder() {
    for (auto& [cp, cd] : converters_)
        if (cd) iconv_close(static_cast<iconv_t>(cd));
}

void ByteDecoder::decode(const QByteArray& bytes, int codePage, QString& out) {
    if (bytes.isEmpty()) return;
    if (codePage == kCodePageMacRoman) return decodeTable(bytes, kMacRomanHigh, out);
    if (codePage == 932) {
        // The vendor pairs are taken out here; the stretches between them go
        // to the converter as they are.
        const qsizetype n = bytes.size();
        qsizetype from = 0;
        for (qsizetype i = 0; i < n;) {
            const quint8 b = quint8(bytes[i]);
            if (!isShiftJisLead(b) || i + 1 >= n) {
                ++i;
                continue;
            }
            const char16_t c = macJapaneseVendorCharacter(b, quint8(bytes[i + 1]));
            if (c) {
                if (i > from) decodeConverted(bytes.mid(from, i - from), codePage, out);
                out.append(QChar(c));
                from = i + 2;
            }
            i += 2;
        }
        if (from == 0) return decodeConverted(bytes, codePage, out);
        if (from < n) decodeConverted(bytes.mid(from), codePage, out);
        return;
    }
    decodeConverted(bytes, codePage, out);
}

void ByteDecoder::decodeConverted(const QByteArray& bytes, int codePage, QString& out) {
    const char* name = iconvName(codePage);
    if (!name) return decodeTable(bytes, kWindowsLatin1High, out);
    auto it = converters_.find(codePage);
    if (it == converters_.end()) {
        iconv_t cd = iconv_open("UTF-16LE", name);
        it = converters_.emplace(codePage, cd == iconv_t(-1) ? nullptr : static_cast<void*>(cd)).first;
    }
    if (!it->second) return decodeTable(bytes, kWindowsLatin1High, out);
    iconv_t cd = static_cast<iconv_t>(it->second);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    QByteArray buffer(bytes.size() * 4 + 8, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char* outPtr = buffer.data();
    size_t outLeft = size_t(buffer.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1)) break;
        if (errno == E2BIG) break;  // cannot happen with four bytes out per byte in
        // An invalid or incomplete sequence: one replacement character for
        // the offending byte, then carry on with the rest.
        if (outLeft < 2) break;
        *outPtr++ = char(0xFD);
        *outPtr++ = char(0xFF);
        outLeft -= 2;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    const qsizetype produced = (buffer.size() - qsizetype(outLeft)) / 2;
    out.append(QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.constData()), produced));
}

}  // namespace ts::rtf
