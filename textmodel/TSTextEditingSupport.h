#pragma once
// Helpers shared by the editing, output, numbering and alignment operations
// of the text root: bulk changes to a children list and text-column access.
// Internal to the text model; main thread.

#include "TSChunk.h"

#include "platform/AttributedString.h"

#include <vector>

namespace TSTextEditing {

inline const QString kLatin = QStringLiteral("latin");
inline const QString kEnglish = QStringLiteral("english");
inline const QString kPerseusEnglish = QStringLiteral("perseusEnglish");
inline const QString kLocation = QStringLiteral("location");

// The raw members of a children list (nodes and anything else it holds).
inline VDNewArray::Members members(const TSChunk& node) {
    auto c = node.childrenIfAny();
    if (!c || !c->storedData()) return {};
    return *c->storedData();
}

// Replaces a node's children list in one step. Parent links are the
// caller's business; the uuid index follows the nodes that came and went.
inline void setMembers(const TSChunkPtr& node, VDNewArray::Members list) { node->replaceChildMembers(std::move(list)); }

// Blanks and tabs only: line ends are separators the callers keep.
inline QString trimBlanksAndTabs(const QString& s) {
    qsizetype b = 0, e = s.size();
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (b < e && blank(s[b])) ++b;
    while (e > b && blank(s[e - 1])) --e;
    return s.mid(b, e - b);
}

inline TSChunkPtr asNode(const VDDataPtr& member) { return std::dynamic_pointer_cast<TSChunk>(member); }

// A mutable copy of a text, or an empty one for null.
inline ts::AttributedStringPtr copyOf(const ts::AttributedStringPtr& text) {
    return text ? std::make_shared<ts::AttributedString>(*text) : ts::AttributedString::make();
}

// The attributes at the first character of the node's Latin without the
// background colour; empty when it has no Latin.
inline ts::Attributes latinAttributes(const TSChunkPtr& node) {
    ts::Attributes a;
    if (!node) return a;
    auto latin = node->textForKey(kLatin);
    if (!latin || latin->length() == 0) return a;
    a = latin->attributes(0);
    a.erase(ts::AttributeName::BackgroundColor);
    return a;
}

}  // namespace TSTextEditing
