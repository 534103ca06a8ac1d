#pragma once
// Reading MDict dictionary files (".mdx"): the header's attributes and the
// text of every record, in file order.
//
// Read: the layout with 8-byte numbers (engine version 2.0), key index and
// blocks compressed with zlib (type 2) or stored (type 0), records in UTF-8,
// UTF-16 (little-endian) or any other encoding QtCore can decode (Big5, GBK
// ... through ICU). An encrypted key index ("Encrypted" 2) is stepped over by
// inflating each key block in turn. Refused with a message naming the cause:
// the older layout with 4-byte numbers (engine versions below 2.0), the
// newer one of version 3.0 and later (a UTF-8 "<ZDB" header), a keyword
// header encrypted with a user's registration key ("Encrypted" 1 or 3), LZO
// blocks (type 1) or any other compression type, an encoding QtCore cannot
// decode, and every size or position that points outside the file or past
// the caps below.
//
// Every record is kept: a record block that inflates to another size than
// it declares is read whole and the difference noted in `warnings`; a block
// that does not inflate at all is left out, noted there too, and the other
// blocks are still read. No block inflates past kMaxBlockBytes, and no file
// past kMaxRecordBytes in all.
//
// The keywords (the file's headwords) are read from the key blocks and
// paired with the records they point at. A record with no text is a record
// when a keyword points at it (its entry is an empty one); otherwise it is
// a block's padding and left out.
//
// Thread-safe: the reader keeps no state.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace mdict {

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or
// values past U+10FFFF).
bool isValidUtf8(const char* data, qsizetype size);

// Declared decompressed bytes of all the record blocks of one file together.
inline constexpr qint64 kMaxRecordBytes = qint64(512) << 20;
// Declared decompressed bytes of the key index or of one block.
inline constexpr qint64 kMaxBlockBytes = qint64(64) << 20;
inline constexpr qint64 kMaxHeaderBytes = qint64(1) << 20;

struct ReadResult {
    bool ok = false;
    // Why the file was refused (empty when ok).
    QString error;
    // Problems that did not stop the reading, in the order met.
    QStringList warnings;
    // Attribute name -> value; entities in the values are decoded.
    QHash<QString, QString> attributes;
    qint64 numEntries = 0;
    // The records joined with nothing between them, as UTF-8 whatever the
    // file's encoding (invalid text replaced by U+FFFD), and the byte
    // offset where each starts.
    QByteArray records;
    std::vector<qsizetype> recordStarts;
    // The keywords as UTF-8, grouped by record in record order (within a
    // record in key order): record i has the spans keySpans[keyStarts[i]]
    // up to keySpans[keyStarts[i + 1]] of keywordText. Kept as bytes: a
    // large file has millions.
    QByteArray keywordText;
    struct Span {
        qsizetype start;
        qsizetype size;
    };
    std::vector<Span> keySpans;
    std::vector<qsizetype> keyStarts;  // recordCount() + 1 of them once read

    qsizetype recordCount() const { return qsizetype(recordStarts.size()); }
    QString recordsString() const { return QString::fromUtf8(records); }
    QString record(qsizetype index) const;
    // The keywords of a record; none for a record no keyword points at.
    qsizetype keyCount(qsizetype index) const;
    QByteArrayView keyBytes(qsizetype index, qsizetype k) const;
    QStringList keys(qsizetype index) const;
};

ReadResult readData(const QByteArray& data);
ReadResult readFile(const QString& path);

// zlib (or gzip) stream in `source`, inflated into at most `capacity` bytes.
// Answers false, with the cause, for bad or truncated data and for output
// past the capacity. `consumed` receives the stream's own length. The buffer
// starts at `expected` bytes (a guess from the source length when 0) and
// doubles up to the capacity.
bool inflateBounded(const char* source, qint64 sourceLength, qint64 capacity, QByteArray& out,
                    qint64* consumed, QString* error, qint64 expected = 0);

}  // namespace mdict
