// Turning import-time nodes into stored rows, and laying a translation
// section onto a section of the text by exact line numbers.

#include "TSImportNodes.h"
#include "TSMatchedChunk.h"
#include "TSText.h"
#include "TSTextChunk.h"
#include "TSTextEditingSupport.h"
#include "TSTextHelpers.h"

#include "app/logging/LGLog.h"
#include "platform/Font.h"
#include "platform/Format.h"

#include <map>

using namespace TSTextEditing;

namespace {

const QString& column(bool isLatin) { return isLatin ? kLatin : kEnglish; }

ts::Attributes boldAttributes(const ts::Attributes& base) {
    ts::Attributes bold = base;
    auto it = base.find(ts::AttributeName::Font);
    ts::FontPtr font = it != base.end() ? it->second.toObjectAs<ts::Font>() : nullptr;
    if (!font) font = ts::Font::defaultFont();
    bold[ts::AttributeName::Font] = ts::Value(font->withTraits(true, font->isItalic()));
    return bold;
}

// The characters of a plain piece of text: a text piece or an attributed
// string; null for anything else.
bool pieceText(const ts::ObjectPtr& item, QString& text) {
    if (auto piece = dynamic_cast<const TSTextPiece*>(item.get())) {
        text = piece->string();
        return true;
    }
    if (auto string = dynamic_cast<const ts::AttributedString*>(item.get())) {
        text = string->string();
        return true;
    }
    return false;
}

}  // namespace

void TSText::convertToMatched(float size) {
    ts::Attributes base;
    base[ts::AttributeName::Font] = ts::Value(ts::Font::defaultFont()->withSize(size));
    const VDNewArray::Members former = members(*this);
    for (const auto& m : former)
        if (auto n = asNode(m)) n->setParent(nullptr);
    setChildren(nullptr);
    const TSChunkPtr self = std::static_pointer_cast<TSChunk>(shared_from_this());
    for (const auto& item : former) extractChunk(item, self, base, false);
}

void TSText::extractChunk(const ts::ObjectPtr& item, const TSChunkPtr& destination,
                          const ts::Attributes& baseAttributes, bool isLatin) {
    if (!destination) return;
    auto node = std::make_shared<TSMatchedChunk>();
    destination->addChild(node);

    QString text;
    if (pieceText(item, text)) {
        node->setTextForKey(ts::AttributedString::make(text, baseAttributes), column(isLatin));
    } else if (auto section = std::dynamic_pointer_cast<TSTextChunk>(item)) {
        if (!section->name().isNull()) {
            QString latin = section->name();
            if (auto above = dynamic_cast<TSMatchedChunk*>(destination.get()))
                if (auto aboveLatin = above->latin()) latin = aboveLatin->string() + QLatin1Char(' ') + latin;
            node->setLatin(ts::AttributedString::make(latin, baseAttributes));
        }
        for (const auto& latinItem : section->latinChunks()) extractChunk(latinItem, node, baseAttributes, true);
        for (const auto& englishItem : section->englishChunks()) extractChunk(englishItem, node, baseAttributes, false);
    } else if (auto speaker = std::dynamic_pointer_cast<TSSpeaker>(item)) {
        appendAttributedString(addSpeaker(speaker, node, baseAttributes, isLatin), node, isLatin);
    } else if (auto line = std::dynamic_pointer_cast<TSLine>(item)) {
        addLine(line, node, baseAttributes, isLatin);
    } else if (auto direction = std::dynamic_pointer_cast<TSStageDirection>(item)) {
        node->setTextForKey(ts::AttributedString::make(direction->name(), boldAttributes(baseAttributes)),
                            column(isLatin));
    } else {
        TSLogError("%@ unhandled", item ? item->className() : QStringLiteral("nil"));
    }
}

void TSText::addLine(const TSChunkPtr& lineNode, const TSChunkPtr& destination, const ts::Attributes& baseAttributes,
                     bool isLatin) {
    auto line = std::dynamic_pointer_cast<TSLine>(lineNode);
    if (!line || !destination) return;
    for (const auto& member : members(*line)) {
        ts::AttributedStringPtr piece;
        QString text;
        if (pieceText(member, text)) {
            if (!text.isEmpty()) piece = ts::AttributedString::make(text, baseAttributes);
        } else if (auto speaker = std::dynamic_pointer_cast<TSSpeaker>(member)) {
            piece = addSpeaker(speaker, destination, baseAttributes, isLatin);
        } else {
            TSLogError("Class not covered %@", member ? member->className() : QStringLiteral("nil"));
        }
        appendAttributedString(piece, destination, isLatin);
        if (line->tln() > 0)
            destination->setTextForKey(ts::AttributedString::make(QString::number(line->tln()), baseAttributes),
                                       kLocation);
    }
}

ts::AttributedStringPtr TSText::addSpeaker(const TSChunkPtr& speaker, const TSChunkPtr&,
                                           const ts::Attributes& baseAttributes, bool) {
    if (!speaker || speaker->name().isEmpty()) return nullptr;
    return ts::AttributedString::make(speaker->name(), boldAttributes(baseAttributes));
}

void TSText::appendAttributedString(const ts::AttributedStringPtr& piece, const TSChunkPtr& node, bool isLatin) {
    if (!piece || !node) return;
    auto existing = node->textForKey(column(isLatin));
    if (!existing) {
        node->setTextForKey(copyOf(piece), column(isLatin));
        return;
    }
    auto joined = copyOf(existing);
    if (isLatin) joined->append(QStringLiteral(" "), ts::Attributes{});
    joined->append(*piece);
    node->setTextForKey(joined, column(isLatin));
}

void TSText::insertSpeakers(const TSChunkPtr& section) {
    if (!section) return;
    VDNewArray::Members list = members(*section);
    std::vector<bool> keep(list.size(), true);
    TSChunk* following = nullptr;
    for (size_t i = list.size(); i-- > 0;) {
        auto node = asNode(list[i]);
        if (!node) continue;
        if (dynamic_cast<TSLine*>(node.get())) {
            following = node.get();
        } else if (dynamic_cast<TSSpeaker*>(node.get())) {
            keep[i] = false;
            if (following) following->setName(ts::format("%@ %@", node->name(), following->chunkName()));
        } else if (dynamic_cast<TSStageDirection*>(node.get())) {
            keep[i] = false;
        }
    }
    VDNewArray::Members kept;
    kept.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
        if (keep[i])
            kept.push_back(list[i]);
        else if (auto n = asNode(list[i]))
            n->setParent(nullptr);
    }
    setMembers(section, std::move(kept));
}

void TSText::matchLines(const TSChunkPtr& destination, const TSChunkPtr& source) {
    if (!destination || !source) return;
    const std::vector<TSChunkPtr> targets = destination->childNodes();
    qint64 highest = 0;
    if (!targets.empty())
        if (auto location = targets.back()->textForKey(kLocation))
            highest = TSTextHelpers::integerValue(location->string());

    insertSpeakers(source);

    std::map<qint64, TSChunkPtr> byNumber;
    qint64 previous = 0;
    bool first = true;
    for (const auto& child : source->childNodes()) {
        auto line = dynamic_cast<TSLine*>(child.get());
        if (!line) continue;
        if (line->tln() == 0) TSLogError("0 tln %@", line->name());
        if (!first && line->tln() <= previous) TSLogError("repeat tln %@", line->name());
        previous = line->tln();
        first = false;
        byNumber[line->tln()] = child;
    }

    // The attributes of the last line that had Latin, for lines without;
    // they belong to this call only.
    ts::Attributes attributes;
    for (const auto& target : targets) {
        auto found = byNumber.find(target->tln());
        if (found == byNumber.end()) continue;
        if (auto latin = target->textForKey(kLatin); latin && latin->length() > 0) attributes = latinAttributes(target);
        if (found->second->name().isNull()) {
            TSLogError("Nil name for foundLine %li", found->first);
            continue;
        }
        target->setTextForKey(ts::AttributedString::make(found->second->name(), attributes), kPerseusEnglish);
    }

    byNumber.erase(byNumber.begin(), byNumber.upper_bound(highest));
    if (byNumber.empty() || targets.empty()) return;
    const TSChunkPtr& last = targets.back();
    auto translation = copyOf(last->textForKey(kPerseusEnglish));
    for (const auto& [number, line] : byNumber) {
        if (line->name().isNull()) {
            TSLogError("Nil name for foundLine %li", number);
            continue;
        }
        if (translation->length() > 0) translation->append(QStringLiteral("\n"), attributes);
        translation->append(line->name(), attributes);
    }
    last->setTextForKey(translation, kPerseusEnglish);
}
