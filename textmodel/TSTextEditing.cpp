// Outline commands, renumbering, and the Latin's passage through
// vowel-length marking.

#include "TSText.h"
#include "TSTextEditingSupport.h"
#include "TSTextHelpers.h"

#include "app/logging/LGLog.h"
#include "foundation/AttributedStringExtensions.h"

using namespace TSTextEditing;

namespace {

// Accented vowels that marking does not know; same length either way, so
// ranges in the marked text are ranges in the line.
QChar plainVowel(QChar c) {
    switch (c.unicode()) {
    case 0x00E1: return QLatin1Char('a');
    case 0x00E9: return QLatin1Char('e');
    case 0x00ED: return QLatin1Char('i');
    case 0x00F3: return QLatin1Char('o');
    case 0x00FA: return QLatin1Char('u');
    case 0x00C1: return QLatin1Char('A');
    case 0x00C9: return QLatin1Char('E');
    case 0x00CD: return QLatin1Char('I');
    case 0x00D3: return QLatin1Char('O');
    case 0x00DA: return QLatin1Char('U');
    default: return QChar();
    }
}

ts::AttributedStringPtr withoutAccents(const ts::AttributedString& text) {
    auto out = std::make_shared<ts::AttributedString>(text);
    const QString& s = text.string();
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar plain = plainVowel(s[i]);
        if (!plain.isNull()) out->replaceCharacters(ts::TextRange{i, 1}, QString(plain));
    }
    return out;
}

// Moves every member after `index` of `from` to the end of `to`'s list.
void moveFollowingSiblings(const TSChunkPtr& from, qint64 index, const TSChunkPtr& to) {
    VDNewArray::Members list = members(*from);
    if (index + 1 >= qint64(list.size())) return;
    VDNewArray::Members moved(list.begin() + index + 1, list.end());
    list.erase(list.begin() + index + 1, list.end());
    setMembers(from, std::move(list));
    VDNewArray::Members target = members(*to);
    for (auto& m : moved) {
        if (auto n = asNode(m)) n->setParent(to);
        target.push_back(std::move(m));
    }
    setMembers(to, std::move(target));
}

// Places `items` directly after `anchor` in its parent's list.
void insertAfter(const TSChunkPtr& anchor, VDNewArray::Members items) {
    TSChunkPtr holder = anchor->parent();
    if (!holder || items.empty()) return;
    VDNewArray::Members list = members(*holder);
    qint64 at = holder->indexOfChild(anchor.get());
    at = at < 0 ? qint64(list.size()) : at + 1;
    for (auto& m : items)
        if (auto n = asNode(m)) n->setParent(holder);
    list.insert(list.begin() + at, std::make_move_iterator(items.begin()), std::make_move_iterator(items.end()));
    setMembers(holder, std::move(list));
}

}  // namespace

// --- outline commands ---

void TSText::promoteRow(const TSChunkPtr& node) {
    if (!node) return;
    TSChunkPtr parent = node->parent();
    if (!parent) return;
    const qint64 index = parent->indexOfChild(node.get());
    if (index < 0) return;
    moveFollowingSiblings(parent, index, node);
    TSChunkPtr grandparent = parent->parent();
    // At the top level the node stays where it is, now the header of the
    // rows that followed it.
    if (!grandparent || parent.get() == this) return;
    parent->removeChild(node);
    grandparent->insertChild(node, grandparent->indexOfChild(parent.get()) + 1);
}

void TSText::demoteRow(const TSChunkPtr& node) {
    if (!node) return;
    TSChunkPtr parent = node->parent();
    if (!parent) return;
    if (TSChunkPtr above = chunkAbove(node)) {
        parent->removeChild(node);
        above->addChild(node);
    }
    if (node->numChildren() > 0) {
        VDNewArray::Members kids = members(*node);
        setMembers(node, {});
        insertAfter(node, std::move(kids));
    }
}

void TSText::deleteChunk(const TSChunkPtr& node) {
    if (!node) return;
    if (TSChunkPtr parent = node->parent()) parent->removeChild(node);
}

void TSText::mergeChunk(const TSChunkPtr& node, const TSChunkPtr& above) {
    if (!node || !above) return;
    TSChunkPtr parent = node->parent();
    TSChunkPtr aboveParent = above->parent();
    if (!parent || !aboveParent) return;

    if (parent != aboveParent) {
        // The first line of a section merges into the last line of the
        // previous section: the whole section moves up and its header goes.
        // A node above that lies inside the section would take the section
        // into itself.
        for (TSChunkPtr p = aboveParent; p; p = p->parent())
            if (p == parent) {
                TSLogError("Unable to remove chunk %@", node->chunkName());
                return;
            }
        VDNewArray::Members moved = members(*parent);
        setMembers(parent, {});
        VDNewArray::Members target = members(*aboveParent);
        for (auto& m : moved) {
            if (auto n = asNode(m)) n->setParent(aboveParent);
            target.push_back(std::move(m));
        }
        setMembers(aboveParent, std::move(target));
        TSChunkPtr sectionParent = parent->parent();
        if (!sectionParent || sectionParent->indexOfChild(parent.get()) < 0) {
            TSLogError("Unable to remove chunk %@", node->chunkName());
            return;
        }
        sectionParent->removeChild(parent);
        return;
    }

    if (node->numChildren() > 0) {
        VDNewArray::Members moved = members(*node);
        setMembers(node, {});
        VDNewArray::Members target = members(*above);
        for (auto& m : moved) {
            if (auto n = asNode(m)) n->setParent(above);
            target.push_back(std::move(m));
        }
        setMembers(above, std::move(target));
        parent->removeChild(node);
        return;
    }

    for (const QString& key : {kLatin, kEnglish, kPerseusEnglish}) {
        auto result = copyOf(above->textForKey(key));
        if (auto lower = node->textForKey(key)) {
            result->append(QStringLiteral("\n"), ts::Attributes{});
            result->append(*lower);
        }
        if (result->length() > 0) above->setTextForKey(result, key);
    }
    parent->removeChild(node);
}

// --- renumbering ---

void TSText::renumberFromChunk(const TSChunkPtr& node) {
    if (!node) return;
    auto location = node->textForKey(kLocation);
    if (!location) return;
    qint64 number = TSTextHelpers::integerValue(location->string());
    if (number <= 0) return;
    renumberFromChunkWithAttributes(node, location->attributes(0), number);
}

void TSText::renumberFromChunkWithAttributes(const TSChunkPtr& node, const ts::Attributes& attributes,
                                             qint64& number) {
    // Numbering stops at the end of the line's own section.
    if (node && node->isLine()) renumberSiblings(node, attributes, number);
}

TSChunkPtr TSText::renumberSiblings(const TSChunkPtr& node, const ts::Attributes& attributes, qint64& number) {
    if (!node) return nullptr;
    TSChunkPtr parent = node->parent();
    if (!parent) return nullptr;
    const qint64 index = parent->indexOfChild(node.get());
    if (index < 0) return nullptr;
    TSChunkPtr last;
    for (qint64 i = index + 1; i < parent->numChildren(); ++i) {
        TSChunkPtr sibling = parent->childAt(i);
        if (!sibling) continue;
        ++number;
        sibling->setTextForKey(ts::AttributedString::make(QString::number(number), attributes), kLocation);
        last = sibling;
    }
    return last;
}

// --- the Latin out to marking and back ---

std::vector<ts::AttributedStringPtr> TSText::extractLatin(const TSChunkPtr& node) const {
    std::vector<ts::AttributedStringPtr> texts;
    addLatinFromChunkToArray(node, texts);
    return texts;
}

void TSText::addLatinFromChunkToArray(const TSChunkPtr& node, std::vector<ts::AttributedStringPtr>& array) const {
    if (!node) return;
    if (node->numChildren() > 0) {
        for (const auto& child : node->childNodes()) addLatinFromChunkToArray(child, array);
        return;
    }
    auto latin = node->textForKey(kLatin);
    if (!latin) return;
    auto copy = withoutAccents(*latin);
    copy->removeAttribute(ts::AttributeName::BackgroundColor, ts::TextRange{0, copy->length()});
    array.push_back(copy);
}

void TSText::addLatinFromChunkToString(const TSChunkPtr& node, ts::AttributedString& into) const {
    if (!node) return;
    if (node->numChildren() > 0) {
        for (const auto& child : node->childNodes()) addLatinFromChunkToString(child, into);
        return;
    }
    static const ts::AttributedString separator(QStringLiteral("\n"));
    if (into.length() > 0) into.append(separator);
    if (auto latin = node->textForKey(kLatin)) into.append(*withoutAccents(*latin));
}

void TSText::loadMacronizedText(const std::vector<ts::AttributedStringPtr>& texts, const TSChunkPtr& node) {
    size_t cursor = 0;
    setLatin(texts, cursor, node);
}

void TSText::setLatin(const std::vector<ts::AttributedStringPtr>& texts, size_t& cursor, const TSChunkPtr& node) {
    if (!node) return;
    if (node->numChildren() > 0) {
        for (const auto& child : node->childNodes()) setLatin(texts, cursor, child);
        return;
    }
    auto latin = node->textForKey(kLatin);
    // A line without Latin gave no text when the Latin was taken out.
    if (!latin || cursor >= texts.size()) return;
    const ts::AttributedStringPtr& marked = texts[cursor++];
    const qsizetype markedLength = marked ? marked->length() : 0;
    if (!marked || markedLength != latin->length()) {
        TSLogError("Latin of length %li (%@) and marked text of length %li (%@) differ", qint64(latin->length()),
                   latin->string(), qint64(markedLength), marked ? marked->string() : QString());
        return;
    }
    importMacronizedText(marked, node);
}

void TSText::importMacronizedText(const ts::AttributedStringPtr& text, const TSChunkPtr& node) {
    if (!text || !node) return;
    auto latin = node->textForKey(kLatin);
    const qsizetype oldLength = latin ? latin->length() : 0;
    if (text->length() != oldLength) {
        // Taking the marked text anyway would lose the line's footnote and
        // vocabulary links, whose ranges no longer fit.
        TSLogError("Strings different lengths");
        return;
    }
    // Only the letters and their colours change: a marking answered as
    // plain text (the web's, or one sent line by line) has lost the line's
    // fonts, and the line keeps its footnote and vocabulary links.
    auto copy = latin ? std::make_shared<ts::AttributedString>(AttributedStringExtensions::withMarkedLetters(*latin, *text))
                      : std::make_shared<ts::AttributedString>(*text);
    node->setTextForKey(copy, kLatin);
}

std::vector<ts::AttributedStringPtr> TSText::attributedStringArray(const ts::AttributedString& text,
                                                                   const QString& separators) {
    std::vector<ts::AttributedStringPtr> pieces;
    const QString& s = text.string();
    qsizetype start = 0;
    for (qsizetype i = 0; i <= s.size(); ++i) {
        if (i < s.size() && !separators.contains(s[i])) continue;
        const QString component = s.mid(start, i - start);
        auto piece = std::make_shared<ts::AttributedString>(text.attributedSubstring(ts::TextRange{start, i - start}));
        if (piece->string() != component) TSLogError("%@ != %@", component, piece->string());
        pieces.push_back(std::move(piece));
        start = i + 1;
    }
    return pieces;
}
