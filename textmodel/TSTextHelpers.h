#pragma once
// Small text helpers of the text model: the platform's integer reading of a
// string, word segmentation, and recovering readable text from rich-text
// data that the RTF reader refused. Internal to the text model.

#include "platform/AttributedString.h"

#include <QByteArray>
#include <QString>

#include <cstring>
#include <vector>

namespace TSTextHelpers {

// Whether a dictionary key is the given name, compared in place: every node
// of a file names the same few keys.
template <qsizetype N>
inline bool keyIs(const QString& key, const char16_t (&name)[N]) {
    return key.size() == N - 1 && std::memcmp(key.constData(), name, size_t(N - 1) * sizeof(char16_t)) == 0;
}

// Leading blanks skipped, an optional sign, the digits up to the first other
// character; 0 without digits; saturates at the 64-bit limits.
qint64 integerValue(const QString& s);

struct Word {
    ts::TextRange word;       // the word itself
    ts::TextRange enclosing;  // the word and what follows it up to the next word
};
// The words of a text in order; blanks and punctuation separate words.
std::vector<Word> words(const QString& s);
qint64 countWords(const QString& s);

// Readable text from bytes that should have been RTF or RTFD: control words,
// font and colour tables and other destinations dropped, escapes decoded.
// Data that is not RTF at all is read as UTF-8 text when it is valid UTF-8,
// and gives nothing otherwise.
QString recoverPlainText(const QByteArray& data);

// Gives every run without a foreground colour the text colour.
void addTextColorWhereMissing(ts::AttributedString& text);

}  // namespace TSTextHelpers
