#pragma once
// The older holder of one section's lines. Nothing creates these any more;
// the outline views show one as a header row and the alignment reads its
// lists. Main thread.

#include "TSMatchedChunk.h"

#include <optional>
#include <vector>

class TSLine;
class TSTextChunk;
using TSTextChunkPtr = std::shared_ptr<TSTextChunk>;

class TSTextChunk : public VDData {
    TS_OBJECT(TSTextChunk, VDData)

public:
    using Items = std::vector<ts::ObjectPtr>;

    QString chunkType() const { return chunkType_; }
    void setChunkType(const QString& type) { chunkType_ = type; }
    Items& englishChunks() { return englishChunks_; }
    Items& perseusEnglishChunks() { return perseusEnglishChunks_; }
    // Latin lines (TSLine) and nested sections (TSTextChunk).
    Items& latinChunks() { return latinChunks_; }
    std::optional<Items>& milestones() { return milestones_; }

    double baseSize() const { return 12.0; }
    ts::Attributes attributes() const { return {}; }
    // No attributes for the location column.
    std::optional<ts::Attributes> locationAttributes() const { return std::nullopt; }
    ts::AttributedStringPtr latin() const { return nullptr; }
    ts::AttributedStringPtr english() const { return nullptr; }
    // "name\n", or null without a name.
    ts::AttributedStringPtr header() const;
    ts::AttributedStringPtr location() const { return header(); }
    ts::AttributedStringPtr stringOutput(double size = 0) const { return ts::AttributedString::make(); }

    // "Latin" appends to the Latin list (numbering lines that have no
    // chunkLine by their position); any other language to the English list.
    void addObject(const ts::ObjectPtr& object, const QString& language);
    TSMatchedChunkPtr matchLatinChunk(const std::shared_ptr<TSLine>& line) const;
    // Sections unchanged, lines as stored nodes.
    Items matchChunks() const;

private:
    QString chunkType_;
    Items englishChunks_;
    Items perseusEnglishChunks_;
    Items latinChunks_;
    std::optional<Items> milestones_;
};
