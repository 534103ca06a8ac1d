// Spreading the milestone line numbers of an imported translation over its
// lines, merging the shortest and splitting the longest lines so that each
// stretch between two markers has one line per number.

#include "TSImportNodes.h"
#include "TSText.h"
#include "TSTextEditingSupport.h"

#include "app/logging/LGLog.h"
#include "foundation/StringExtensions.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>

using namespace TSTextEditing;

namespace {

TSLine* asLine(const TSChunkPtr& node) { return dynamic_cast<TSLine*>(node.get()); }

qint64 lineNumber(const TSChunkPtr& node) {
    auto line = asLine(node);
    return line ? line->tln() : 0;
}

// While a whole section is numbered, the lines that merging removes and
// splitting adds are recorded and the section's list is rebuilt once at the
// end, so that a long section is not rewritten for every merge or split.
struct SectionEdits {
    const TSChunk* section = nullptr;
    std::unordered_set<const TSChunk*> removed;
    // New lines after each line, the latest split first (each split puts
    // its new line directly after the line it split).
    std::unordered_map<const TSChunk*, std::vector<TSChunkPtr>> insertedAfter;
};

thread_local SectionEdits* pendingEdits = nullptr;

struct PendingEditsScope {
    explicit PendingEditsScope(SectionEdits& edits) : previous(pendingEdits) { pendingEdits = &edits; }
    ~PendingEditsScope() { pendingEdits = previous; }
    SectionEdits* previous;
};

void removeFromSection(const TSChunkPtr& line, const TSChunkPtr& section) {
    if (!section) return;
    if (pendingEdits && pendingEdits->section == section.get()) {
        pendingEdits->removed.insert(line.get());
        line->setParent(nullptr);
        return;
    }
    section->removeChild(line);
}

void insertIntoSectionAfter(const TSChunkPtr& line, const TSChunkPtr& anchor, const TSChunkPtr& section) {
    if (!section) return;
    if (pendingEdits && pendingEdits->section == section.get()) {
        auto& after = pendingEdits->insertedAfter[anchor.get()];
        after.insert(after.begin(), line);
        line->setParent(section);
        return;
    }
    const qint64 index = section->indexOfChild(anchor.get());
    section->insertChild(line, index < 0 ? section->numChildren() : index + 1);
}

void emitMember(const VDDataPtr& member, const SectionEdits& edits, VDNewArray::Members& out) {
    if (!edits.removed.count(dynamic_cast<const TSChunk*>(member.get()))) out.push_back(member);
    auto it = edits.insertedAfter.find(dynamic_cast<const TSChunk*>(member.get()));
    if (it == edits.insertedAfter.end()) return;
    for (const auto& added : it->second) emitMember(added, edits, out);
}

// The first "." (else ",") that has text after it: a split there leaves
// two lines with words; -1 when there is none.
qsizetype splitPoint(const QString& name) {
    for (QChar mark : {QLatin1Char('.'), QLatin1Char(',')}) {
        for (qsizetype p = name.indexOf(mark); p >= 0; p = name.indexOf(mark, p + 1)) {
            bool wordsAfter = false;
            for (qsizetype i = p + 1; i < name.size() && !wordsAfter; ++i) wordsAfter = !name[i].isSpace();
            if (wordsAfter) return p;
        }
    }
    return -1;
}

// The line on which a milestone falls, searching from `start` to the end
// and then from the beginning up to `start`. Milestones come in reading
// order, so the search starts where the previous one fell; a phrase that
// also occurs earlier in the section then cannot pull a marker back.
TSChunkPtr findLineFrom(const QString& precedingText, const TSText::LineGroup& lines, qint64 tln, size_t start,
                        size_t* foundIndex) {
    if (precedingText.isEmpty()) {
        if (foundIndex) *foundIndex = 0;
        return lines.empty() ? nullptr : lines.front();
    }
    // The key is the text's first line; the number of lines it spans
    // (empty ones included) tells how far on the marker falls.
    static const QString newlines = QStringLiteral("\n\v\f\r\u0085\u2028\u2029");
    qsizetype firstEnd = -1;
    qint64 count = 1;
    for (qsizetype i = 0; i < precedingText.size(); ++i)
        if (newlines.contains(precedingText[i])) {
            if (firstEnd < 0) firstEnd = i;
            ++count;
        }
    const QString key = firstEnd < 0 ? precedingText : precedingText.left(firstEnd);
    if (lines.empty()) {
        TSLogError("Unable to find line %@", precedingText);
        return nullptr;
    }
    start = std::min(start, lines.size());
    for (size_t step = 0; step < lines.size(); ++step) {
        const size_t i = (start + step) % lines.size();
        const TSChunkPtr& line = lines[i];
        if (!StringExtensions::containsText(line->name(), key)) continue;
        const qint64 number = lineNumber(line);
        if (number == 0) {
            // The line on which the preceding text ends; when the text runs
            // past the last line, the marker falls on the last line.
            const size_t at = std::min(i + size_t(count - 1), lines.size() - 1);
            if (foundIndex) *foundIndex = at;
            return lines[at];
        }
        if (number == tln || number == tln - 1) return nullptr;
    }
    TSLogError("Unable to find line %@", precedingText);
    return nullptr;
}

}  // namespace

void TSText::adjustLines(const TSChunkPtr& section) {
    if (!section) return;
    LineGroup lines;
    std::vector<TSMilestone*> milestones;
    for (const auto& child : section->childNodes()) {
        if (asLine(child))
            lines.push_back(child);
        else if (auto m = dynamic_cast<TSMilestone*>(child.get()))
            milestones.push_back(m);
    }
    if (lines.empty() && milestones.empty()) {
        for (const auto& child : section->childNodes()) adjustLines(child);
        return;
    }
    if (milestones.empty()) return;

    SectionEdits edits;
    edits.section = section.get();
    {
        PendingEditsScope scope(edits);

        size_t hint = 0;
        for (TSMilestone* milestone : milestones) {
            size_t at = hint;
            TSChunkPtr line = findLineFrom(milestone->precedingText(), lines, milestone->tln(), hint, &at);
            if (!line) continue;
            hint = at;
            if (lineNumber(line) != 0) TSLogError("TLN alreadyassigned");
            asLine(line)->setTln(milestone->tln());
        }

        // Without a following scene that announces its first number, the
        // last stretch has no end to fit: its lines are numbered on.
        const qint64 next = firstLine(nextScene(section));
        const qint64 finalBoundary = next > 0 ? next - 1 : -1;

        LineGroup group;
        for (const auto& line : lines) {
            const qint64 number = lineNumber(line);
            if (number > 0 && !group.empty()) {
                spreadLines(group, number - 1, section);
                group.clear();
            }
            group.push_back(line);
        }
        spreadLines(group, finalBoundary, section);
    }

    // One rebuild: the merges and splits, then lines that ended up with the
    // same number joined, and the milestones gone. Only lines still in the
    // section are joined: a line that merging took out is already part of
    // its neighbour.
    VDNewArray::Members rebuilt;
    for (const auto& m : members(*section)) emitMember(m, edits, rebuilt);
    VDNewArray::Members result;
    result.reserve(rebuilt.size());
    TSLine* current = nullptr;
    for (auto& m : rebuilt) {
        auto node = asNode(m);
        if (dynamic_cast<TSMilestone*>(m.get())) {
            if (node) node->setParent(nullptr);
            continue;
        }
        if (auto line = dynamic_cast<TSLine*>(m.get())) {
            if (current && line->tln() == current->tln()) {
                current->setName(current->name() + QLatin1Char(' ') + line->name());
                line->setParent(nullptr);
                continue;
            }
            current = line;
        }
        result.push_back(std::move(m));
    }
    setMembers(section, std::move(result));
}

TSChunkPtr TSText::findLine(const QString& precedingText, const LineGroup& lines, qint64 tln) const {
    return findLineFrom(precedingText, lines, tln, 0, nullptr);
}

qint64 TSText::firstLine(const TSChunkPtr& node) {
    if (!node) return 0;
    for (const auto& child : node->childNodes())
        if (auto m = dynamic_cast<TSMilestone*>(child.get())) return m->tln();
    return 0;
}

TSChunkPtr TSText::nextScene(const TSChunkPtr& node) const {
    for (TSChunkPtr c = closestSiblingOrUncle(node); c; c = nextChunk(c))
        if (isScene(c)) return c;
    return nullptr;
}

bool TSText::isScene(const TSChunkPtr& node) {
    if (!node) return false;
    for (const auto& child : node->childNodes())
        if (asLine(child)) return true;
    return false;
}

void TSText::spreadLines(LineGroup& group, qint64 finalBoundary, const TSChunkPtr& section) {
    if (group.empty()) return;
    const qint64 first = lineNumber(group.front());
    // A stretch with no room at all (no end, or an end before its start)
    // is numbered as it stands.
    const qint64 available = finalBoundary - first + 1;
    if (available >= 1) {
        if (qint64(group.size()) > available)
            reduceLineNumbers(group, available, section);
        else if (qint64(group.size()) < available)
            increaseLineNumbers(group, available, section);
    }
    insertLineNumbers(group, first);
}

void TSText::reduceLineNumbers(LineGroup& group, qint64 target, const TSChunkPtr& section) {
    if (target < 1) return;
    while (qint64(group.size()) > target) {
        const size_t before = group.size();
        for (const auto& [length, sameLength] : lengthDictionary(group)) {
            for (const auto& line : sameLength) {
                if (qint64(group.size()) <= target) return;
                if (std::find(group.begin(), group.end(), line) != group.end()) mergeLine(line, group, section);
            }
        }
        if (group.size() == before) return;
    }
}

void TSText::increaseLineNumbers(LineGroup& group, qint64 target, const TSChunkPtr& section) {
    if (qint64(group.size()) >= target) return;
    auto lengths = lengthDictionary(group);
    for (auto it = lengths.rbegin(); it != lengths.rend(); ++it) {
        for (const auto& line : it->second) {
            const qsizetype at = splitPoint(line->name());
            if (at < 0) continue;
            splitLine(line, ts::TextRange{at, 1}, group, section);
            if (qint64(group.size()) >= target) return;
        }
    }
}

void TSText::mergeLine(const TSChunkPtr& line, LineGroup& group, const TSChunkPtr& section) {
    if (group.size() < 2) return;
    auto it = std::find(group.begin(), group.end(), line);
    if (it == group.end()) return;
    const size_t i = size_t(it - group.begin());
    size_t keeper, gone;
    if (i == 0) {
        keeper = 0, gone = 1;
    } else if (i == group.size() - 1) {
        keeper = i - 1, gone = i;
    } else if (group[i - 1]->name().size() < group[i + 1]->name().size()) {
        keeper = i - 1, gone = i;
    } else {
        keeper = i, gone = i + 1;
    }
    group[keeper]->setName(group[keeper]->name() + QLatin1Char(' ') + group[gone]->name());
    TSChunkPtr removed = group[gone];
    group.erase(group.begin() + qsizetype(gone));
    removeFromSection(removed, section);
}

void TSText::splitLine(const TSChunkPtr& line, ts::TextRange range, LineGroup& group, const TSChunkPtr& section) {
    if (!asLine(line)) return;
    const QString name = line->name();
    const qsizetype cut = std::clamp<qsizetype>(range.end(), 0, name.size());
    auto added = std::make_shared<TSLine>();
    added->setName(StringExtensions::stripInitialBlanks(name.mid(cut)));
    line->setName(name.left(cut));
    auto it = std::find(group.begin(), group.end(), line);
    group.insert(it == group.end() ? group.end() : it + 1, added);
    insertIntoSectionAfter(added, line, section);
}

std::vector<std::pair<qint64, TSText::LineGroup>> TSText::lengthDictionary(const LineGroup& group) {
    std::map<qint64, LineGroup> byLength;
    for (const auto& line : group) byLength[line->name().size()].push_back(line);
    return {byLength.begin(), byLength.end()};
}

void TSText::insertLineNumbers(const LineGroup& group, qint64 first) {
    qint64 n = first;
    for (const auto& line : group)
        if (auto l = asLine(line)) l->setTln(n++);
}
