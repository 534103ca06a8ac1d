// A parallel-text document's footnotes (adding, linking, numbering, copies
// with their notes written out) and its PDF facsimile bookkeeping.
#include "documents/TSDocument.h"

#include "app/logging/LGLog.h"
#include "platform/Format.h"
#include "textmodel/FootnoteList.h"
#include "textmodel/TSLinkStyle.h"
#include "textmodel/TSBookmarkList.h"
#include "textmodel/TSMatchedChunk.h"
#include "textmodel/TSText.h"

#include <map>

FootnoteObjectPtr TSDocument::addFootnote(const TSChunkPtr& chunk, const QString& identifier, qsizetype position,
                                          const QStringList& selectedTexts) {
    if (!chunk || identifier.isEmpty()) return nullptr;
    FootnoteObjectPtr note = footnotes()->makeNewNote();
    if (!selectedTexts.isEmpty()) note->setTitle(selectedTexts.join(QStringLiteral("...")));
    linkFootnote(note, chunk, identifier, position);
    return note;
}

bool TSDocument::linkFootnote(const FootnoteObjectPtr& note, const TSChunkPtr& chunk, const QString& identifier,
                              qsizetype position) {
    if (!note || !chunk || identifier.isEmpty()) return false;
    // A position past the text (an editor's stale caret) puts the marker at
    // its end rather than nowhere.
    const ts::AttributedStringPtr column = chunk->textForKey(identifier);
    const qsizetype length = column ? column->length() : 0;
    const qsizetype at = std::clamp<qsizetype>(position, 0, length);
    text()->insertURL(note->uniqueID(), 0, ts::TextRange{at, 0}, chunk, identifier);
    renumberFootnotes(identifier, false);
    updateChangeCount(ts::Document::ChangeDone);
    return true;
}

std::vector<TSChunkPtr> TSDocument::renumberFootnotes(const QString& identifier, bool forExport) {
    footnotes()->denumber();
    return text()->reunumberFootnotes(*footnotes(), identifier, forExport);
}

bool TSDocument::findNextLink(ts::Value& link, ts::TextRange& range, const ts::AttributedString* text) {
    if (!text) return false;
    qsizetype at = 0;
    const qsizetype from = range.end();
    for (const ts::AttributedString::Run& run : text->runs()) {
        const qsizetype start = at;
        at += run.length;
        if (at <= from || run.length == 0) continue;
        auto it = run.attributes.find(ts::AttributeName::Link);
        if (it == run.attributes.end() || it->second.isNull()) continue;
        link = it->second;
        range = ts::TextRange{std::max(start, from), at - std::max(start, from)};
        return true;
    }
    return false;
}

ts::AttributedString TSDocument::resolveFootnotes(const ts::AttributedString& source) const {
    ts::AttributedString copy = source;
    std::map<qint64, FootnoteObjectPtr> notes;
    qint64 n = 0;
    ts::Value link;
    ts::TextRange range{0, 0};
    while (findNextLink(link, range, &copy)) {
        const QString linkString = LinkIdentifierString(link);
        ts::Attributes attributes = copy.attributes(range.location);
        attributes.erase(ts::AttributeName::Link);
        attributes.erase(ts::AttributeName::ForegroundColor);
        if (LinkTypeOfLink(link) == TSLinkTypeFootnote && linkString.split(QLatin1Char(':')).size() >= 2) {
            ++n;
            notes[n] = footnotes()->noteForID(linkString);
            const QString number = ts::format("(%li)", n);
            copy.replaceCharacters(range, ts::AttributedString(number, attributes));
            range = ts::TextRange{range.location, number.size()};
        } else {
            // Words linked to the vocabulary stay in the copy, as plain text.
            copy.setAttributes(attributes, range);
        }
    }
    if (notes.empty()) return copy;
    ts::Attributes plain;
    if (copy.length() > 0) {
        plain = copy.attributes(copy.length() - 1);
        plain.erase(ts::AttributeName::Link);
        plain.erase(ts::AttributeName::ForegroundColor);
    }
    QString list = QStringLiteral("\n\n");
    for (const auto& [number, note] : notes) {
        ts::AttributedStringPtr body = note ? note->attributedString() : nullptr;
        list += QString::number(number) + QStringLiteral(". ") + (body ? body->string() : QString()) + QLatin1Char('\n');
    }
    copy.append(list, plain);
    return copy;
}

// ---- PDF facsimile ----

ts::UrlPtr TSDocument::pdfURL() const {
    if (pdfBookmark_.isEmpty()) return nullptr;
    return TSBookmarkData::resolveBookmark(pdfBookmark_);
}

std::shared_ptr<ts::Uuid> TSDocument::curPDFUUID() {
    const ts::UrlPtr url = pdfURL();
    if (!url) return nullptr;
    if (TSBookmarkDataPtr entry = pdfFiles()->bookmarkForURL(url)) return entry->uuid();
    auto entry = std::make_shared<TSBookmarkData>();
    entry->setBookmarkData(pdfBookmark_);
    pdfFiles()->setObject(ts::Value(entry), ts::Value(entry->uuid()));
    updateChangeCount(ts::Document::ChangeDone);
    return entry->uuid();
}

void TSDocument::locationChunkChanged(const TSChunkPtr& chunk) {
    auto line = std::dynamic_pointer_cast<TSMatchedChunk>(chunk);
    if (line && line->pdfLocation().isDictionary()) {
        ts::ValueDictionary location = line->pdfLocation().dictionary();
        // Only a location without its file is stamped: editing a line's
        // text or flag while another PDF is shown must not move its place
        // into that file.
        const auto uuid = location.find(QStringLiteral("uuid"));
        if (uuid == location.end() || uuid->second.toString().isEmpty()) {
            if (std::shared_ptr<ts::Uuid> current = curPDFUUID()) {
                location[QStringLiteral("uuid")] = current->UUIDString();
                line->setPdfLocation(ts::Value(location));
            } else {
                TSLogError("cur pdf uuid nil");
            }
        }
    }
    updateChangeCount(ts::Document::ChangeDone);
}

void TSDocument::pdfFileDropped(const ts::UrlPtr& url) {
    if (!url) return;
    TSBookmarkDataPtr entry = pdfFiles()->bookmarkForURLCreatingIfNecessary(url);
    if (!entry || entry->bookmarkData().isEmpty()) {
        TSLogError("no bookmark for dropped PDF %@", url->absoluteString());
        return;
    }
    pdfBookmark_ = entry->bookmarkData();
    updateChangeCount(ts::Document::ChangeDone);
}
