#pragma once
// Reading and writing rich text as RTF in the dialect the original
// platform's text system writes ("{\rtf1\ansi\ansicpg1252\cocoartf...").
//
// The reader takes untrusted bytes: it never fails silently into an empty
// text, caps group nesting, checks \bin lengths against the data and works
// in time and memory linear in the input. Attachments named by the text are
// filled from the files the caller passes (an RTFD's folder), when given.
//
// What survives a write and a read: text, fonts (PostScript name and size),
// bold and italic, foreground and background colours (to 1/100000 of a
// component), underline and strikethrough, superscript and baseline offset,
// links (read back as Url values), paragraph alignment and tab stops,
// attachments (by file name), tables (each cell's text ends its own
// paragraph, as the platform's text system keeps cells, and the paragraph
// style carries the cell's row, column and the row's cell edges, so that
// the rows are written back). Named catalogue colours come back as the RGB
// they stood for.
//
// Texts read one after another on a thread often open with the same bytes
// (one writer's header and tables); the reader remembers the state a few
// recent openings left and starts a text that begins with the same bytes
// from there. The result is the same as reading the text alone.

#include "platform/AttributedString.h"

#include <QByteArray>
#include <QString>

#include <map>

namespace ts {

// Files beside the text, by file name (an RTFD's attachments).
using RtfFiles = std::map<QString, QByteArray>;

struct RtfReadResult {
    bool ok = false;
    AttributedString text;
    // Why the data is not RTF; empty when ok.
    QString error;
    explicit operator bool() const { return ok; }
};

RtfReadResult readRtf(const QByteArray& data, const RtfFiles* files = nullptr);

// Writes the text; attachments are written as references and, when files is
// given, their contents are added to it under unique file names.
QByteArray writeRtf(const AttributedString& text, RtfFiles* files = nullptr);

// Quick test for the RTF signature, for callers that sniff data.
bool looksLikeRtf(const QByteArray& data);

}  // namespace ts
