#pragma once
// Nodes that record a TEI source while it is imported or aligned: a line
// with its number and its pieces, a piece of text, a speaker, a stage
// direction, a note with the words it comments on, and a line-number marker.
// None of them is stored in a document. Main thread.

#include "TSChunk.h"

#include <algorithm>
#include <memory>

// A piece of a line's text (a string or an attributed string), so that a
// line's children list can hold its text beside its speaker and
// stage-direction nodes. Its description is its own characters.
class TSTextPiece : public TSChunk {
    TS_OBJECT(TSTextPiece, TSChunk)

public:
    TSTextPiece() = default;
    explicit TSTextPiece(const QString& text) : text_(ts::AttributedString::make(text)) {}
    explicit TSTextPiece(ts::AttributedStringPtr text) : text_(std::move(text)) {}

    ts::AttributedStringPtr text() const { return text_; }
    QString string() const { return text_ ? text_->string() : QString(); }
    QString chunkName() const override { return string(); }
    QString description() const override { return string(); }
    // Pieces are never saved.
    ts::Value serialize() const override { return {}; }

private:
    ts::AttributedStringPtr text_;
};

// One line of a source text. Its children are its contents in order:
// pieces of text and TSSpeaker and TSStageDirection nodes.
class TSLine : public TSChunk {
    TS_OBJECT(TSLine, TSChunk)

public:
    TSLine() = default;

    bool isLine() const override { return true; }
    qint64 tln() const override { return tln_; }
    void setTln(qint64 tln) { tln_ = tln; }
    qint64 chunkLine() const { return chunkLine_; }
    void setChunkLine(qint64 chunkLine) { chunkLine_ = chunkLine; }

    // Appends a string, an attributed string or a node to the contents; the
    // language is not looked at and no parent link is set.
    void addObject(const ts::Value& object, const QString& language);

    // The system font of the size, and its bold face; one cached result per
    // size.
    static ts::Attributes lineAttributes(double size);
    static ts::Attributes headerAttributes(double size);

    // " piece piece\n", speakers and stage directions in bold.
    ts::AttributedStringPtr stringOutput(double size) const;

private:
    qint64 tln_ = 0;
    qint64 chunkLine_ = 0;
};

class TSSpeaker : public TSChunk {
    TS_OBJECT(TSSpeaker, TSChunk)
};

class TSStageDirection : public TSChunk {
    TS_OBJECT(TSStageDirection, TSChunk)
};

// A note found in a source; its text is its name.
class TSNote : public TSChunk {
    TS_OBJECT(TSNote, TSChunk)

public:
    struct Range {
        quint64 location = 0;
        quint64 length = 0;
    };

    qint64 tln() const override { return tln_; }
    void setTln(qint64 tln) { tln_ = tln; }
    QString lemma() const { return lemma_; }
    void setLemma(const QString& lemma) { lemma_ = lemma; }
    Range noteRange() const { return noteRange_; }
    void setNoteRange(Range range) { noteRange_ = range; }
    // The words before the note in the passage that holds it.
    QString precedingText() const { return passage_ ? passage_->left(passageLength_) : precedingText_; }
    void setPrecedingText(const QString& text) {
        precedingText_ = text;
        passage_.reset();
    }
    // The same, as the first `length` characters of a passage buffer that a
    // reader goes on appending to and shares among all notes of the passage:
    // many notes in one long passage then hold one text, not a copy each.
    void setPrecedingText(std::shared_ptr<const QString> passage, qsizetype length) {
        passage_ = std::move(passage);
        passageLength_ = passage_ ? std::min(length, passage_->size()) : 0;
        precedingText_.clear();
    }

private:
    qint64 tln_ = 0;
    QString lemma_;
    Range noteRange_;
    QString precedingText_;
    std::shared_ptr<const QString> passage_;
    qsizetype passageLength_ = 0;
};

// A line-number marker met inside running text.
class TSMilestone : public TSChunk {
    TS_OBJECT(TSMilestone, TSChunk)

public:
    qint64 tln() const override { return tln_; }
    void setTln(qint64 tln) { tln_ = tln; }
    QString precedingText() const { return precedingText_; }
    void setPrecedingText(const QString& text) { precedingText_ = text; }

private:
    qint64 tln_ = 0;
    QString precedingText_;
};
