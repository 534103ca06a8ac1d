#pragma once
// Rich text with attachments in the flattened single-data RTFD form (a text
// with its files, as footnote texts are stored).
//
// Layout, all integers unsigned 32-bit little-endian: "rtfd", 0, 3, the
// entry count N, N names (length and bytes), N data lengths, then the N
// blobs; a file's blob is 1, the file's length and its bytes, or in the
// page-aligned form 1, 0x80000000, the length, a padding length, the padding
// and the bytes. The text is the entry "TXT.rtf"; "." holds the folder's own
// attributes. Files are written back in the plain form, "." as it was read.
//
// The reader checks every count and length against the bytes left and
// fails with a reason rather than answering an empty text. Entries the text
// does not use and the folder attributes are handed back so that a re-save
// can keep them.

#include "platform/Rtf.h"

#include <utility>
#include <vector>

namespace ts {

struct RtfdReadResult {
    bool ok = false;
    AttributedString text;
    QString error;
    // Files in the container that the text does not name, kept for re-saving.
    RtfFiles unusedFiles;
    // The raw blob of the "." entry, when there was one.
    QByteArray folderAttributes;
    explicit operator bool() const { return ok; }
};

bool looksLikeRtfd(const QByteArray& data);

// The container itself, which is also how a file wrapper serialises: every
// entry's file taken out of its blob (plain or page-aligned; one whose sizes
// do not fit fails the read), the "." entry's blob kept whole.
struct FlatContainer {
    bool ok = false;
    QString error;
    RtfFiles files;
    QByteArray folderAttributes;
};
FlatContainer readFlatContainer(const QByteArray& data);
// Writes the files in the order given, each in the plain form, then the "."
// entry when folderAttributes is given (an empty one as an empty file).
QByteArray writeFlatContainer(const std::vector<std::pair<QString, QByteArray>>& files, const QByteArray* folderAttributes);
// A single file as a container: "..", "__@PreferredName@__" (ASCII) and
// "__@UTF8PreferredName@__". loneFile() answers false for other containers;
// the name is empty when neither name entry holds one.
bool loneFile(const FlatContainer& container, QString& name, QByteArray& contents);
QByteArray writeLoneFile(const QString& name, const QByteArray& contents);
RtfdReadResult readRtfd(const QByteArray& data);

// Writes the text and its attachments' files. Extra files and folder
// attributes from an earlier read are written back beside them.
QByteArray writeRtfd(const AttributedString& text, const RtfFiles& extraFiles = {}, const QByteArray& folderAttributes = {});

// Reads either form, telling them apart by their signatures; anything else
// is an error, never an empty text.
RtfdReadResult readRichTextData(const QByteArray& data);

}  // namespace ts
