#pragma once
// Property-list reading (binary "bplist00", XML, and the old text form) and
// writing (binary and XML).
//
// Readers never trust the input: every offset, count, reference width and
// nesting level is checked, reference cycles are refused, and memory use is
// bounded by the input's size. A failure answers an error message (never a
// crash, never an exception) and a null value.
//
// Binary: objects shared by reference (a DAG) are read, each use a copy; the
// total number of values decoded is capped in proportion to the input size,
// so a DAG built to expand exponentially fails cleanly. ASCII strings holding
// bytes above 0x7F are refused. The writer uniques equal scalars (strings,
// numbers, dates, data, UIDs), writes non-ASCII strings as UTF-16BE, integers
// in 1/2/4/8 bytes (negative ones in 8), unsigned values above INT64_MAX as
// 16-byte integers, and null as the marker 0x00.
// XML: read with QXmlStreamReader, which loads no DTD and no external entity.
// A one-entry dictionary {CF$UID: integer} reads as a Uid. The writer writes
// dates in whole seconds (UTC) and refuses null, which XML cannot hold.
// Old text form: every scalar reads as a string, <hex> as data; a file of bare
// `key = value;` pairs (a .strings table) reads as a dictionary.

#include "Value.h"

#include <functional>
#include <memory>

namespace ts {

enum class PlistFormat { Binary, XML, OpenStep };

struct PlistResult {
    Value value;
    QString error;  // empty when the read succeeded
    PlistFormat format = PlistFormat::Binary;
    bool ok() const { return error.isEmpty(); }
};

class PropertyList {
public:
    // Deepest container nesting a reader accepts and a writer writes: the
    // top-level container is at depth 1.
    static constexpr int kMaxDepth = 512;

    // Detects the format from the bytes.
    static PlistResult read(const QByteArray& data);
    static PlistResult readBinary(const QByteArray& data);
    static PlistResult readXML(const QByteArray& data);
    static PlistResult readOpenStep(const QByteArray& data);

    // Writers refuse values a property list cannot hold (live objects): they
    // answer empty data and set *error.
    static QByteArray writeBinary(const Value& value, QString* error = nullptr);
    static QByteArray writeXML(const Value& value, QString* error = nullptr);
    static QByteArray write(const Value& value, PlistFormat format, QString* error = nullptr);
};

// Writes a binary property list piece by piece, for a caller whose data is
// not a Value tree (a long document's text): building the tree first would
// cost as much as writing it. The bytes are the very ones writeBinary makes
// for the equivalent value, as objects are numbered in the same order.
class BinaryPropertyListWriter {
public:
    // Answered instead of an object's number once writing failed.
    static constexpr quint32 kFailed = 0xFFFFFFFFu;

    // One dictionary entry: its value, or a function that adds the value
    // (when set) and answers its number.
    struct Entry {
        QString key;
        Value value;
        std::function<quint32(BinaryPropertyListWriter&)> add;
    };
    using Entries = std::vector<Entry>;

    BinaryPropertyListWriter();
    ~BinaryPropertyListWriter();
    BinaryPropertyListWriter(const BinaryPropertyListWriter&) = delete;
    BinaryPropertyListWriter& operator=(const BinaryPropertyListWriter&) = delete;

    // A whole value; the writer keeps it until finish().
    quint32 addValue(Value value);
    // A dictionary of the entries in key order; of entries with equal keys
    // the last is written, as assigning them to a ValueDictionary would.
    quint32 addDictionary(Entries entries);
    // An array whose items `addItems` adds, appending their numbers.
    quint32 addArray(const std::function<void(std::vector<quint32>& items)>& addItems);

    // The file, whose top object is the first one added; empty (and *error
    // set) when anything added could not be written.
    QByteArray finish(QString* error = nullptr);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ts
