// Flat forms of a text (lines, plain content, word set, range map, printable
// Latin) and the paste of several paragraphs into consecutive rows.

#include "TSCharacter.h"
#include "TSText.h"
#include "TSTextEditingSupport.h"
#include "TSTextHelpers.h"

#include "app/logging/LGLog.h"
#include "foundation/StringExtensions.h"
#include "platform/Color.h"
#include "platform/Font.h"
#include "platform/Format.h"
#include "platform/Prompter.h"

#include <algorithm>
#include <set>

using namespace TSTextEditing;

namespace {

// The platform's newline characters.
const QString kNewlines = QStringLiteral("\n\v\f\r\u0085\u2028\u2029");

QStringList nonEmptyLines(const QString& text) {
    QStringList out;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !kNewlines.contains(text[i])) continue;
        if (i > start) out << text.mid(start, i - start);
        start = i + 1;
    }
    return out;
}

TSChunkPtr sameClassAs(const TSChunkPtr& node) {
    return std::dynamic_pointer_cast<TSChunk>(node->newInstance());
}

}  // namespace

// --- small string functions ---

QString TSText::lastLine(const QString& text) {
    const QStringList pieces = nonEmptyLines(text);
    return pieces.isEmpty() ? QString() : pieces.last();
}

QString TSText::strippedLemma(const QString& text) {
    if (text.isNull()) return QString();
    QStringList pieces = nonEmptyLines(text);
    for (QString& p : pieces) p = trimBlanksAndTabs(p);
    return pieces.join(QLatin1Char(' '));
}

// --- lines and text ---

void TSText::addLinesToArray(std::vector<TSChunkPtr>& lines, const TSChunkPtr& node) {
    if (!node) return;
    if (node->isLine()) {
        lines.push_back(node);
        return;
    }
    for (const auto& child : node->childNodes()) addLinesToArray(lines, child);
}

std::vector<TSChunkPtr> TSText::lines() const {
    std::vector<TSChunkPtr> out;
    for (const auto& child : childNodes()) addLinesToArray(out, child);
    return out;
}

std::vector<std::pair<ts::TextRange, TSChunkPtr>> TSText::rangeDictionaryForIdentifier(const QString& identifier) const {
    std::vector<std::pair<ts::TextRange, TSChunkPtr>> ranges;
    qsizetype location = 0;
    for (const auto& line : lines()) {
        auto text = line->textForKey(identifier);
        if (!text) continue;
        ranges.emplace_back(ts::TextRange{location, text->length()}, line);
        location += text->length();
    }
    return ranges;
}

QString TSText::textContent() const {
    QString content;
    for (const auto& line : lines()) line->addTextContent(content);
    return content;
}

QStringList TSText::wordSet() const {
    static const QStringList stopWords = {"et",  "sed", "haud", "etiam", "iam", "nam",
                                          "num", "dum", "a",    "ab",    "ex",  "in"};
    const QString text = StringExtensions::stripDiacritics(textContent()).toLower();
    std::set<QString> words;
    for (const auto& w : TSTextHelpers::words(text)) words.insert(text.mid(w.word.location, w.word.length));
    for (const QString& stop : stopWords) words.erase(stop);
    QStringList out;
    out.reserve(qsizetype(words.size()));
    for (const QString& w : words) out << w;
    return out;
}

ts::AttributedStringPtr TSText::stringOutput(double size) const {
    auto out = ts::AttributedString::make();
    auto it = information().find(QStringLiteral("Cast List"));
    if (it != information().end())
        if (auto cast = it->second.toObjectAs<VDNewArray>()) {
            out->append(cast->name() + QStringLiteral("\n"), {});
            for (const auto& member : cast->objectEnumerator())
                if (auto character = std::dynamic_pointer_cast<TSCharacter>(member)) {
                    out->append(*character->stringOutput(size));
                    out->append(QStringLiteral("\n"), {});
                }
        }
    out->append(QStringLiteral("\n"), {});
    for (const auto& child : childNodes())
        if (auto latin = child->latinStringOutput()) out->append(*latin);
    return out;
}

ts::AttributedStringPtr TSText::latinStringOutput() const {
    auto out = ts::AttributedString::make();
    for (const auto& child : childNodes()) {
        auto latin = child->latinStringOutput();
        if (!latin) continue;
        out->append(*latin);
        out->append(QStringLiteral("\n"), {});
    }
    return out;
}

void TSText::magnify(float factor) {
    for (const auto& line : lines()) line->magnify(factor);
}

// --- paste ---

bool TSText::hasSubsequentText(const TSChunkPtr& node) {
    if (!node) return false;
    TSChunkPtr parent = node->parent();
    if (!parent) return false;
    const qint64 index = parent->indexOfChild(node.get());
    if (index < 0) return false;
    // The paste removes the node and its later siblings with everything
    // below them, so text anywhere in those subtrees (a header without text
    // of its own still holds its lines) is text that would be lost.
    std::vector<TSChunkPtr> pending;
    for (qint64 i = index; i < parent->numChildren(); ++i)
        if (auto sibling = parent->childAt(i)) pending.push_back(std::move(sibling));
    while (!pending.empty()) {
        TSChunkPtr n = std::move(pending.back());
        pending.pop_back();
        if (n->hasText()) return true;
        for (auto& child : n->childNodes()) pending.push_back(std::move(child));
    }
    return false;
}

bool TSText::checkIfOKToPaste(const TSChunkPtr& node) {
    static const QString table = QStringLiteral("NonReversable");
    QString text;
    if (node)
        for (const QString& key : {kLatin, kEnglish, kPerseusEnglish})
            if (auto t = node->textForKey(key)) {
                text = t->string();
                break;
            }
    ts::AlertRequest request;
    // Keys of its own: the vocabulary's question about deleting a word has
    // the "_WORD" ones, and rewording either must leave the other alone.
    request.messageText = ts::Prompter::localized(QStringLiteral("DELETE_TEXT"), table);
    request.informativeText = text.isNull()
        ? ts::Prompter::localized(QStringLiteral("REALLY_DELETE_UNKNOWN_TEXT"), table)
        : ts::format(ts::Prompter::localized(QStringLiteral("REALLY_DELETE_TEXT"), table), text);
    // The harmless answer comes first and is the default.
    request.buttons = {ts::Prompter::localized(QStringLiteral("CANCEL_DONT_DELETE"), table),
                       ts::Prompter::localized(QStringLiteral("Delete"), table)};
    request.defaultButton = 0;
    request.style = ts::AlertRequest::Style::Warning;
    return ts::Prompter::current()->alert(request) == 1;
}

bool TSText::pasteAttributedString(const ts::AttributedString& text, const TSChunkPtr& node, const QString& identifier) {
    if (!node || !node->parent()) return false;
    if (hasSubsequentText(node) && !checkIfOKToPaste(node)) return false;
    insertAttributedString(text, node, identifier);
    return true;
}

void TSText::insertAttributedString(const ts::AttributedString& text, const TSChunkPtr& node, const QString& identifier) {
    if (!node) return;
    TSChunkPtr parent = node->parent();
    if (!parent) return;
    const std::vector<ts::AttributedStringPtr> pieces = attributedStringArray(text, kNewlines);

    const qint64 index = parent->indexOfChild(node.get());
    if (index < 0) return;
    node->setChildren(nullptr);
    VDNewArray::Members kept = members(*parent);
    for (auto it = kept.begin() + index; it != kept.end(); ++it)
        if (auto gone = asNode(*it)) gone->setParent(nullptr);
    kept.erase(kept.begin() + index, kept.end());
    setMembers(parent, std::move(kept));

    TSChunkPtr header = parent;
    for (const auto& original : pieces) {
        if (!original || original->length() == 0) continue;
        auto piece = std::make_shared<ts::AttributedString>(*original);
        const ts::TextRange whole{0, piece->length()};
        piece->removeAttribute(ts::AttributeName::ParagraphStyle, whole);
        piece->removeAttribute(ts::AttributeName::ForegroundColor, whole);
        piece->removeAttribute(ts::AttributeName::BackgroundColor, whole);
        piece->addAttribute(ts::AttributeName::ForegroundColor, ts::Value(ts::Color::textColor()), whole);

        auto font = piece->attribute(ts::AttributeName::Font, 0).toObjectAs<ts::Font>();
        if (font && font->isBold()) {
            TSChunkPtr heading = sameClassAs(node);
            if (!heading) return;
            parent->addChild(heading);
            heading->setTextForKey(piece, identifier);
            header = heading;
            continue;
        }

        // A paragraph that starts with a bracketed positive number (a
        // section number) opens a header holding the number; without a
        // closing bracket it is an ordinary line.
        const QString trimmed = trimBlanksAndTabs(piece->string());
        if (trimmed.startsWith(QLatin1Char('['))) {
            const qsizetype trimmedClose = trimmed.indexOf(QLatin1Char(']'));
            if (trimmedClose > 0) {
                QString number = trimmed.left(trimmedClose);
                number.remove(QLatin1Char('['));
                if (TSTextHelpers::integerValue(number) > 0) {
                    const QString& s = piece->string();
                    const qsizetype open = s.indexOf(QLatin1Char('['));
                    const qsizetype close = s.indexOf(QLatin1Char(']'));
                    TSChunkPtr numbered = sameClassAs(node);
                    if (!numbered) return;
                    parent->addChild(numbered);
                    numbered->setTextForKey(std::make_shared<ts::AttributedString>(piece->attributedSubstring(
                                                ts::TextRange{open + 1, close - open - 1})),
                                            identifier);
                    header = numbered;
                    piece = std::make_shared<ts::AttributedString>(
                        piece->attributedSubstring(ts::TextRange{close + 1, piece->length() - close - 1}));
                }
            }
        }

        TSChunkPtr line = sameClassAs(node);
        if (!line) return;
        header->addChild(line);
        line->setTextForKey(piece, identifier);
    }
}
