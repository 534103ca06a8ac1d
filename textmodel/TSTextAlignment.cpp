// Aligning an imported English translation onto the lines of an open text:
// sections are paired by name, lines laid on lines, notes made footnotes.

#include "FootnoteList.h"
#include "FootnoteObject.h"
#include "TSImportNodes.h"
#include "TSMatchedChunk.h"
#include "TSText.h"
#include "TSTextEditingSupport.h"

#include "app/logging/LGLog.h"

#include <algorithm>
#include <unordered_set>

using namespace TSTextEditing;

namespace {

// A source row's translation text: a line's name, or a stored row's
// imported translation. Null when it has none.
QString sourceText(const TSChunkPtr& item) {
    if (dynamic_cast<const TSLine*>(item.get())) return item->name();
    if (auto matched = dynamic_cast<const TSMatchedChunk*>(item.get()))
        if (auto t = matched->perseusEnglish()) return t->string();
    return QString();
}

// The rows of a source section that carry translation: notes, milestones
// and markers are not lines and must neither take a destination line nor
// become translation text.
std::vector<TSChunkPtr> sourceLines(const TSChunkPtr& section) {
    std::vector<TSChunkPtr> out;
    for (const auto& m : members(*section))
        if (dynamic_cast<const TSLine*>(m.get()) || dynamic_cast<const TSMatchedChunk*>(m.get()))
            out.push_back(std::static_pointer_cast<TSChunk>(m));
    return out;
}

// The translation lines below a node, in every section it holds.
qint64 countSourceLines(const TSChunkPtr& node) {
    qint64 n = 0;
    for (const auto& m : members(*node)) {
        if (dynamic_cast<const TSLine*>(m.get())) {
            ++n;
        } else if (auto chunk = dynamic_cast<const TSChunk*>(m.get())) {
            // Sections hold lines; notes and markers are no lines.
            if (chunk->numChildren() > 0) n += countSourceLines(std::static_pointer_cast<TSChunk>(m));
            else if (dynamic_cast<const TSMatchedChunk*>(chunk)) ++n;
        }
    }
    return n;
}

// The translation lines of one member of a section: a line is one, a
// section the lines it holds.
qint64 linesIn(const TSChunkPtr& member) {
    if (dynamic_cast<const TSLine*>(member.get())) return 1;
    if (member->numChildren() > 0) return countSourceLines(member);
    return dynamic_cast<const TSMatchedChunk*>(member.get()) ? 1 : 0;
}

// Replaces a line's translation.
void replaceTranslation(const TSChunkPtr& line, const ts::AttributedStringPtr& text) {
    line->setTextForKey(text, kPerseusEnglish);
}

// The destination line onto which laying lines by position put the source
// line nearest before a note (the first line when none comes before it); a
// destination without lines is itself the line.
TSChunkPtr laidLine(const TSChunkPtr& destination, qsizetype linesBefore) {
    const std::vector<TSChunkPtr> targets = destination->childNodes();
    if (targets.empty()) return destination->isHeader() ? nullptr : destination;
    const qsizetype at = std::min<qsizetype>(linesBefore > 0 ? linesBefore - 1 : 0, qsizetype(targets.size()) - 1);
    return targets[size_t(at)];
}

void storeLineParent(TSText::LineParents& dictionary, const QString& key, const TSChunkPtr& node) {
    for (auto& entry : dictionary)
        if (entry.first == key) {
            entry.second = node;
            return;
        }
    dictionary.emplace_back(key, node);
}

}  // namespace

TSText::TranslationAlignment TSText::importPerseusTranslation(const TSTextPtr& translation, FootnoteList& footnotes) {
    TranslationAlignment result;
    if (!translation) return result;
    const QStringList names = childNames(std::static_pointer_cast<TSChunk>(shared_from_this()));
    insertParent(translation);
    const TSChunkPtr self = std::static_pointer_cast<TSChunk>(shared_from_this());
    std::unordered_set<const TSChunk*> used;
    bool aligned = false;
    const auto isIntroduction = [](const QString& name) {
        return name == QLatin1String("introduction") || name == QLatin1String("Introduction");
    };
    // A translation named like one of the sections is that section's whole
    // (a book of a whole epic): its own sections, named like the text's
    // other sections ("1" of book "2" like book "1"), are no one else's.
    QStringList pairs = names;
    for (const QString& name : names)
        if (!isIntroduction(name) && matchName(name, translation) == translation) {
            pairs = {name};
            break;
        }
    for (const QString& name : pairs) {
        if (isIntroduction(name)) continue;
        TSChunkPtr source = matchName(name, translation);
        TSChunkPtr destination = matchName(name, self);
        // The name is one of this text's sections: a text named like its
        // section ("1" holding "1") is the section only when the
        // translation, named so too, is a whole as well.
        if (destination == self && source != translation) destination = matchChildName(name, self);
        if (!destination || !source || used.count(source.get())) continue;
        used.insert(source.get());
        if (source == translation) {
            result += matchChunk(destination, translation, footnotes);
        } else {
            adjustLines(source);
            result += insertLines(source, destination, footnotes);
            aligned = true;
        }
    }
    // Numbering walks the whole column, so once after every section gives
    // the numbers that numbering after each would. Markers already in the
    // column are numbered afresh too, even when this alignment wrote none.
    if (aligned) reunumberFootnotes(footnotes, kPerseusEnglish, false);
    // Nothing of the translation goes missing without a word.
    if (!used.count(translation.get()))
        for (const auto& section : translation->childNodes())
            if (!used.count(section.get())) {
                TSLogError("No section of the text for the translation's section %@", section->chunkName());
                result.linesUnmatched += countSourceLines(section);
            }
    return result;
}

TSText::TranslationAlignment TSText::matchChunk(const TSChunkPtr& destination, const TSChunkPtr& source,
                                                FootnoteList& footnotes) {
    TranslationAlignment result;
    if (!destination || !source) return result;
    bool matched = false;
    std::unordered_set<const TSChunk*> used;
    for (const QString& name : destination->childNames()) {
        TSChunkPtr child = destination->childWithName(name);
        // The counterpart is one of the source's sections, even when one is
        // named like the source itself ("1" in book "1").
        TSChunkPtr counterpart = matchChildName(name, source);
        if (counterpart && used.count(counterpart.get())) counterpart = nullptr;
        if (dynamic_cast<TSMatchedChunk*>(child.get()) && dynamic_cast<TSMatchedChunk*>(counterpart.get())) {
            used.insert(counterpart.get());
            result += matchUnlinedChunk(child, counterpart);
            insertNotesFromChunk(counterpart, child, footnotes);
            matched = true;
        } else {
            TSLogError("Unable to match chunk %@ %@ with %@ %@", child ? child->chunkName() : QString(),
                       child ? child->className() : QString(), counterpart ? counterpart->chunkName() : QString(),
                       counterpart ? counterpart->className() : QString());
        }
    }
    // Numbering walks the whole column, so once after all rows is enough
    // and gives the same numbers as once per row.
    if (matched) reunumberFootnotes(footnotes, kPerseusEnglish, false);
    // What no row took is said, not lost.
    for (const auto& section : source->childNodes())
        if (!used.count(section.get())) {
            const qint64 lines = linesIn(section);
            if (lines == 0) continue;
            TSLogError("No section of the text for the translation's section %@ (%li lines)", section->chunkName(), lines);
            result.linesUnmatched += lines;
        }
    return result;
}

TSText::TranslationAlignment TSText::insertLines(const TSChunkPtr& source, const TSChunkPtr& destination,
                                                 FootnoteList& footnotes) {
    TranslationAlignment result;
    if (!source || !destination) return result;
    LineParents destinationParents, sourceParents;
    for (const auto& child : destination->childNodes()) addLineParentsToDictionary(destinationParents, child);
    for (const auto& child : source->childNodes()) addLineParentsToDictionary(sourceParents, child);

    if (!destinationParents.empty()) {
        std::unordered_set<const TSChunk*> used;
        for (const auto& [key, parent] : destinationParents) {
            TSChunkPtr counterpart = findChunkWithKey(key, sourceParents);
            // A section whose name only ends like one already taken ("21"
            // like "1") has no counterpart: the lines are not laid twice.
            if (!counterpart || used.count(counterpart.get())) continue;
            used.insert(counterpart.get());
            result += matchUnlinedChunk(parent, counterpart);
            insertNotesFromChunk(counterpart, parent, footnotes);
        }
        for (const auto& [key, parent] : sourceParents)
            if (!used.count(parent.get())) {
                const qint64 lines = qint64(sourceLines(parent).size());
                TSLogError("No section of the text for the translation's section %@ (%li lines)", key, lines);
                result.linesUnmatched += lines;
            }
        // Lines standing in the source itself, beside its sections, have no
        // section of their own to meet.
        qint64 loose = 0;
        for (const auto& item : sourceLines(source))
            if (item->numChildren() == 0) ++loose;
        if (loose > 0) {
            TSLogError("No section of the text for %li lines of the translation's section %@", loose, source->chunkName());
            result.linesUnmatched += loose;
        }
        return result;
    }

    const qint64 count = destination->numChildren();
    if (count < 1) {
        if (source->numChildren() > 0) {
            TSLogError("Unable to align %li rows of %@ with %li rows of the translation", count,
                       destination->chunkName(), source->numChildren());
            result.linesUnmatched += countSourceLines(source);
        }
        return result;
    }
    if (count != source->numChildren()) {
        // A verse translation rarely has the original's line count: its
        // lines go onto the section's rows in order, the surplus into rows
        // of their own, rather than being dropped.
        TSLogError("Aligning %li rows of %@ with %li rows of the translation in order", count,
                   destination->chunkName(), source->numChildren());
        result += matchUnlinedChunk(destination, source);
        insertNotesFromChunk(source, destination, footnotes);
        return result;
    }
    for (qint64 i = 0; i < count; ++i) {
        TSChunkPtr target = destination->childAt(i);
        TSChunkPtr item = source->childAt(i);
        if (!target || !item) continue;
        // A stored row hands over its translation; an import line its text.
        ts::AttributedStringPtr text;
        if (auto matched = dynamic_cast<TSMatchedChunk*>(item.get())) {
            if (auto t = matched->perseusEnglish()) text = copyOf(t);
        } else if (dynamic_cast<TSLine*>(item.get()) && !item->name().isNull()) {
            text = ts::AttributedString::make(item->name(), latinAttributes(target));
        }
        if (text) replaceTranslation(target, text);
        insertNotesFromChunk(item, target, footnotes);
    }
    return result;
}

void TSText::addLineParentsToDictionary(LineParents& dictionary, const TSChunkPtr& node) {
    if (!node) return;
    for (const auto& child : node->childNodes()) {
        if (!child->parent()) child->setParent(node);
        auto matched = dynamic_cast<TSMatchedChunk*>(child.get());
        if (matched && !matched->isLine()) {
            addLineParentsToDictionary(dictionary, child);
            continue;
        }
        if (!matched && !dynamic_cast<TSLine*>(child.get())) continue;
        // The first line met names its parent; an import's "scene 0" is the prologue.
        if (!matched && node->name() == QLatin1String("scene 0")) node->setName(QStringLiteral("prologus"));
        const QString name = node->chunkName();
        if (name.isEmpty())
            TSLogError("NO NAME FOR PARENT %@", child->chunkName());
        else
            storeLineParent(dictionary, name.toLower(), node);
        return;
    }
}

TSText::TranslationAlignment TSText::matchUnlinedChunk(const TSChunkPtr& destination, const TSChunkPtr& source) {
    TranslationAlignment result;
    if (!destination || !source) return result;
    const std::vector<TSChunkPtr> targets = destination->childNodes();
    const std::vector<TSChunkPtr> items = sourceLines(source);
    const size_t d = targets.size(), s = items.size();
    if (s == 0) return result;
    if (d == 0) {
        result.linesUnmatched = qint64(s);
        return result;
    }
    for (size_t i = 0; i < std::min(d, s); ++i) {
        const QString text = sourceText(items[i]);
        if (text.isNull()) continue;
        replaceTranslation(targets[i], ts::AttributedString::make(text, latinAttributes(targets[i])));
    }
    // Lines beyond the section's last line each keep a row of their own
    // after it: piled onto that line they would make one unreadable cell.
    // They are lines like the section's last line, even when a sub-section's
    // heading comes after it.
    TSChunkPtr model = targets.back();
    for (auto it = targets.rbegin(); it != targets.rend(); ++it)
        if ((*it)->isLine()) {
            model = *it;
            break;
        }
    const ts::Attributes attributes = latinAttributes(model);
    for (size_t i = d; i < s; ++i) {
        const QString text = sourceText(items[i]);
        auto line = std::make_shared<TSMatchedChunk>();
        line->setChunkType(model->chunkType());
        if (!text.isNull()) replaceTranslation(line, ts::AttributedString::make(text, attributes));
        destination->addChild(line);
        ++result.rowsAdded;
    }
    return result;
}

void TSText::insertNotesFromChunk(const TSChunkPtr& source, const TSChunkPtr& destination, FootnoteList& footnotes) {
    if (!source || !destination) return;
    qsizetype linesBefore = 0;
    for (const auto& m : members(*source)) {
        if (dynamic_cast<const TSLine*>(m.get()) || dynamic_cast<const TSMatchedChunk*>(m.get())) ++linesBefore;
        if (!dynamic_cast<TSNote*>(m.get())) continue;
        const TSChunkPtr noteNode = std::static_pointer_cast<TSChunk>(m);
        if (!addNoteToChunk(noteNode, destination, footnotes))
            addUnplacedNote(noteNode, laidLine(destination, linesBefore), footnotes);
    }
}

void TSText::addUnplacedNote(const TSChunkPtr& noteNode, const TSChunkPtr& line, FootnoteList& footnotes) {
    auto note = std::dynamic_pointer_cast<TSNote>(noteNode);
    if (!note) return;
    if (!line) {
        TSLogError("No line for the note %@; it is not added", note->chunkName());
        return;
    }
    // After its words when they stand in that line, else at the line's end.
    const QString last = lastLine(note->precedingText());
    const QString key = last.isNull() ? QString() : trimBlanksAndTabs(last);
    auto translation = line->textForKey(kPerseusEnglish);
    ts::TextRange range{translation ? translation->length() : 0, 0};
    if (translation && !key.isEmpty()) {
        const qsizetype at = translation->string().indexOf(key);
        if (at >= 0) range = {at, key.size()};
    }
    ts::Attributes attributes;
    if (translation && translation->length() > 0)
        attributes = translation->attributes(std::min(range.location, translation->length() - 1));
    addNoteToChunkLemma(note->chunkName(), line, note->lemma(), range, footnotes, attributes);
    TSLogError("The note %@ is put on the line laid at its place, %@", key.isEmpty() ? note->chunkName() : key,
               line->textForKey(QStringLiteral("location")) ? line->textForKey(QStringLiteral("location"))->string()
                                                             : line->chunkName());
}

bool TSText::addNoteToChunk(const TSChunkPtr& noteNode, const TSChunkPtr& destination, FootnoteList& footnotes) {
    auto note = std::dynamic_pointer_cast<TSNote>(noteNode);
    if (!note || !destination) return false;
    const QString last = lastLine(note->precedingText());
    const QString key = last.isNull() ? QString() : trimBlanksAndTabs(last);
    if (key.isEmpty()) {
        TSLogError("Nil preceeding text");
        TSLogError("%@  not found", key);
        return false;
    }
    for (const auto& line : destination->childNodes()) {
        // A line without a number counts as beyond every number.
        if (line->tln() < note->tln()) continue;
        auto translation = line->textForKey(kPerseusEnglish);
        if (!translation) continue;
        const qsizetype at = translation->string().indexOf(key);
        if (at < 0) continue;
        addNoteToChunkLemma(note->chunkName(), line, note->lemma(), ts::TextRange{at, key.size()}, footnotes,
                            translation->attributes(at));
        return true;
    }
    TSLogError("%@  not found", key);
    return false;
}

void TSText::addNoteToChunkLemma(const QString& noteText, const TSChunkPtr& line, const QString& lemma,
                                 ts::TextRange range, FootnoteList& footnotes, const ts::Attributes& attributes) {
    if (!line) return;
    FootnoteObjectPtr footnote = footnotes.makeNewNote();
    if (!footnote) return;
    const QString title = strippedLemma(lemma);
    if (!title.isNull()) footnote->setTitle(title);
    footnote->setNoteFromString(strippedLemma(noteText), attributes);
    insertURL(footnote->uniqueID(), 0, ts::TextRange{range.end(), 0}, line, kPerseusEnglish);
}
