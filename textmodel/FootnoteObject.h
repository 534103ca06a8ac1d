#pragma once
// One footnote: its id (also its key in the list and the text of the links
// that point at it), an optional title and the note text as RTFD data.
//
// Ids are "footnote:" and the uuid's 32 upper-case hexadecimal digits; the
// older "footnote:<number>" ids are read and compared like any other. A
// footnote keeps the id it was read with.
//
// Archive form, coded without keys in this order: the version (3) as a
// 32-bit integer, the uuid, the title, the id, the note data. Versions 1
// ("id, note") and 2 ("title, id, note") are read too; any other version is
// logged and yields an empty footnote. `found` and the number are never
// archived. Main thread.

#include "platform/AttributedString.h"
#include "platform/Object.h"
#include "platform/Uuid.h"

#include <QByteArray>
#include <QString>

#include <memory>

class FootnoteObject;
using FootnoteObjectPtr = std::shared_ptr<FootnoteObject>;

class FootnoteObject : public ts::Object {
    TS_OBJECT(FootnoteObject, ts::Object)

public:
    static constexpr qint32 kArchiveVersion = 3;

    FootnoteObject() = default;

    // Made (random) on first read when none is set.
    std::shared_ptr<ts::Uuid> uuid() const;
    void setUuid(std::shared_ptr<ts::Uuid> uuid) { uuid_ = std::move(uuid); }
    QString uniqueID() const { return uniqueID_; }
    void setUniqueID(const QString& id) { uniqueID_ = id; }
    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    // RTFD (or RTF) data; null for an empty new footnote.
    QByteArray note() const { return note_; }
    void setNote(const QByteArray& note) {
        note_ = note;
        newerForm_.clear();
    }

    bool wasFound() const { return found_; }
    void setFound(bool found) { found_ = found; }
    qint64 currentNumber() const { return currentNumber_; }
    void setCurrentNumber(qint64 number) { currentNumber_ = number; }
    // Writes the number through `number` and answers whether it is above 0.
    bool isAlreadyNumbered(qint64* number) const;

    // The note as rich text; null when there is no note or it cannot be read.
    ts::AttributedStringPtr attributedString() const;
    void setAttributedString(const ts::AttributedString& text);
    // Stores the string without attributes (the attributes are not used).
    void setNoteFromString(const QString& string, const ts::Attributes& attributes = {});

    // "title: text", or the text alone without a title.
    QString description() const override;
    // Orders by id.
    int footnoteComparision(const FootnoteObject& other) const;

    void encodeWithCoder(ts::Coder& coder) const override;
    bool initWithCoder(ts::Coder& coder) override;

    // Everything the archive form holds, to tell whether an archive made
    // earlier still holds this footnote as it is (a null string or note is
    // not the same as an empty one).
    struct ArchivedForm {
        std::shared_ptr<ts::Uuid> uuid;
        QString title, uniqueID;
        QByteArray note;
        ts::ValueArray newerForm;
        bool operator==(const ArchivedForm& o) const;
    };
    ArchivedForm archivedForm() const { return {uuid(), title_, uniqueID_, note_, newerForm_}; }

private:
    bool found_ = false;
    qint64 currentNumber_ = 0;
    QByteArray note_;
    QString uniqueID_;
    mutable std::shared_ptr<ts::Uuid> uuid_;
    QString title_;
    // The values of a footnote written by a newer version, kept to be written
    // back unchanged until the note is replaced.
    ts::ValueArray newerForm_;
};

// A footnote paired with the place of its marker in a printed text.
class TSFootnoteInfo {
public:
    ts::AttributedStringPtr footnote() const { return footnote_; }
    void setFootnote(ts::AttributedStringPtr footnote) { footnote_ = std::move(footnote); }
    ts::TextRange range() const { return range_; }
    void setRange(ts::TextRange range) { range_ = range; }

private:
    ts::AttributedStringPtr footnote_;
    ts::TextRange range_;
};

// Link kinds of a link attribute value: 1 a footnote ("footnote:..."), 2 a
// vocabulary entry ("vocab:..."), 0 anything else, including plain strings
// (only URL values are links here).
qint32 LinkTypeOfLink(const ts::Value& link);
// The value's text: for a URL its full string, the footnote or word id.
QString LinkIdentifierString(const ts::Value& link);
