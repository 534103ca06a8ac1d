#pragma once
// Marks the vowel lengths of a Latin text, by whatever means: the web
// service (WebMacronizer) or the local word-form dictionary
// (LocalMacronizer).
//
// How a caller uses one:
//   1. Keep the macronizer for as long as a request may run (a document
//      keeps one per document).
//   2. Call macronize(text, completion) with the exact text of the range to
//      mark (lines separated by "\n"), and remember the range and its text.
//   3. The completion runs once, later, on the main thread (never inside
//      macronize()). On success `text` holds the marked text, with the same
//      line breaks; the caller replaces the range only when its text is still
//      the one it sent, as one undoable edit, and never through the
//      clipboard. On failure `message` says why, in words for the user, and
//      the caller shows it (TextRangeMacronizer in tools/gui does all of
//      this for a QTextEdit).
//   4. A new macronize() supersedes a running one: the earlier completion
//      is called at once with `cancelled` set. cancel() does the same
//      without a new request. Destroying the macronizer calls no completion.
//
// Threads: main thread only.

#include "platform/AttributedString.h"

#include <QString>

#include <functional>

struct MacronizerResult {
    bool ok = false;
    bool cancelled = false;
    ts::AttributedStringPtr text;  // the marked text when ok
    QString message;               // why not, when not ok
};

class Macronizer {
public:
    using Completion = std::function<void(const MacronizerResult&)>;
    virtual ~Macronizer() = default;
    virtual void macronize(const QString& text, Completion completion) = 0;
    virtual void cancel() = 0;
};

// The receiver of a macron window's result (the documents adopt it): the
// marked text with its line breaks, and the object given with the request.
class MacronizerProtocol {
public:
    virtual ~MacronizerProtocol() = default;
    virtual void textMacronized(const ts::AttributedStringPtr& text, const ts::ObjectPtr& object) {}
    // The run failed; the message is for the user.
    virtual void macronizeFailed(const QString& message, const ts::ObjectPtr& object) {}
};
