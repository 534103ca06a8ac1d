#pragma once
// Rich text with attachments in the flattened single-data RTFD form (a text
// with its files, as footnote texts are stored).
//
// Layout, all integers unsigned 32-bit little-endian: "rtfd", 0, 3, the
// entry count N, N names (length and bytes), N data lengths, then the N
// blobs; a file's blob is 1, the file's length and its bytes. The text is
// the entry "TXT.rtf"; "." holds the folder's own attributes.
//
// The reader checks every count and length against the bytes left and
// fails with a reason rather than answering an empty text. Entries the text
// does not use and the folder attributes are handed back so that a re-save
// can keep them.

#include "platform/Rtf.h"

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
RtfdReadResult readRtfd(const QByteArray& data);

// Writes the text and its attachments' files. Extra files and folder
// attributes from an earlier read are written back beside them.
QByteArray writeRtfd(const AttributedString& text, const RtfFiles& extraFiles = {}, const QByteArray& folderAttributes = {});

// Reads either form, telling them apart by their signatures; anything else
// is an error, never an empty text.
RtfdReadResult readRichTextData(const QByteArray& data);

}  // namespace ts
