// Footnote links in the text columns of a whole tree: finding link runs,
// writing markers, numbering in reading order, marking the footnotes in use.

#include "FootnoteList.h"
#include "TSLinkStyle.h"
#include "TSMatchedChunk.h"
#include "TSText.h"

#include "app/logging/LGLog.h"
#include "foundation/AttributedStringExtensions.h"
#include "platform/Format.h"
#include "platform/Url.h"

#include <set>

bool TSText::findNextLinkInChunk(ts::Value& link, ts::TextRange& range, const TSChunkPtr& chunk,
                                 const QString& identifier) const {
    if (!chunk || !chunk->mayHaveLinksForKey(identifier)) return false;
    auto text = chunk->textForKey(identifier);
    if (!text) return false;
    qsizetype index = range.location + range.length;
    const qsizetype length = text->length();
    while (index < length) {
        ts::TextRange effective;
        ts::Value value = text->attribute(ts::AttributeName::Link, index, &effective);
        if (!value.isNull()) {
            link = std::move(value);
            range = effective;
            return true;
        }
        const qsizetype next = effective.location + effective.length;
        if (next <= index) return false;  // an empty effective range would never move on
        index = next;
    }
    return false;
}

bool TSText::findNextLinkFromChunk(ts::Value& link, ts::TextRange& range, TSChunkPtr& chunk,
                                   const QString& identifier) const {
    while (chunk) {
        if (findNextLinkInChunk(link, range, chunk, identifier)) return true;
        chunk = nextChunk(chunk);
        range = {0, 0};
    }
    return false;
}

bool TSText::findNextFootnote(QString& footnoteId, ts::TextRange& range, TSChunkPtr& chunk,
                              const QString& identifier) const {
    ts::Value link;
    while (findNextLinkFromChunk(link, range, chunk, identifier)) {
        if (LinkTypeOfLink(link) == TSLinkTypeFootnote) {
            footnoteId = LinkIdentifierString(link);
            return true;
        }
    }
    return false;
}

ts::Attributes TSText::getAttributesAroundRange(ts::TextRange, const ts::AttributedString* text) {
    if (!text) return {};
    return AttributedStringExtensions::fontAttributesInRange(*text, {0, text->length()});
}

void TSText::linkText(ts::AttributedString& text, const QString& footnoteId, ts::TextRange range) {
    ts::Attributes attributes;
    attributes[ts::AttributeName::Link] = ts::Value(ts::Url::make(footnoteId));
    const ts::Attributes current = getAttributesAroundRange(range, &text);
    TSLinkStyles::addLinkAttributes(attributes, TSLinkTypeFootnote, &current);
    text.addAttributes(attributes, range);
}

ts::TextRange TSText::insertURL(const QString& footnoteId, qint64 number, ts::TextRange range, const TSChunkPtr& chunk,
                                const QString& identifier) {
    if (!chunk) return range;
    ts::AttributedStringPtr column = chunk->textForKey(identifier);
    ts::AttributedStringPtr text;
    if (column) {
        text = std::make_shared<ts::AttributedString>(*column);
    } else {
        chunk->setTextForKey(ts::AttributedString::make(), identifier);
        text = chunk->textForKey(identifier);
    }
    if (!text) {
        TSLogError("Nil attributed string for %@", chunk->className());
        return range;
    }
    const QString marker = TSLinkStyles::footnoteMarker(number);
    text->replaceCharacters(range, marker);
    const ts::TextRange markerRange{range.location, marker.size()};
    if (!footnoteId.isNull()) linkText(*text, footnoteId, markerRange);
    chunk->setTextForKey(text, identifier);
    return markerRange;
}

std::vector<TSChunkPtr> TSText::reunumberFootnotes(FootnoteList& footnotes, const QString& identifier, bool forExport) {
    footnotes.denumber();
    std::vector<TSChunkPtr> changed;
    std::set<const TSChunk*> seen;
    TSChunkPtr chunk = std::static_pointer_cast<TSChunk>(shared_from_this());
    ts::TextRange range{0, 0};
    qint64 counter = 0;
    QString id;
    while (findNextFootnote(id, range, chunk, identifier)) {
        FootnoteObjectPtr note = footnotes.noteForID(id);
        if (!note) continue;
        qint64 number = 0;
        if (!note->isAlreadyNumbered(&number)) {
            number = ++counter;
            note->setCurrentNumber(number);
        }
        if (forExport) {
            range = insertURL(QString(), number, range, chunk, identifier);
        } else {
            range = insertURL(note->uniqueID(), number, range, chunk, identifier);
            if (seen.insert(chunk.get()).second) changed.push_back(chunk);
        }
    }
    return changed;
}

void TSText::markFoundNotesInChunk(const TSChunkPtr& chunk, const QString& identifier, FootnoteList& footnotes) const {
    if (!chunk->mayHaveLinksForKey(identifier)) return;
    auto markFound = [&](const ts::Value& link) {
        if (LinkTypeOfLink(link) != TSLinkTypeFootnote) return;
        if (auto note = footnotes.noteForID(LinkIdentifierString(link))) note->setFound(true);
    };
    ts::TextRange range{0, 0};
    ts::Value link;
    while (findNextLinkInChunk(link, range, chunk, identifier)) markFound(link);
    // Text that could not be read is saved as it was, links and all; the
    // footnotes those links name are still in use.
    const auto* line = dynamic_cast<const TSMatchedChunk*>(chunk.get());
    if (!line) return;
    for (const QString& target : line->keptLinkTargetsForKey(identifier)) markFound(ts::Value(ts::Url::make(target)));
}
