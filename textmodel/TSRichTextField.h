#pragma once
// One rich-text column of a stored line (its Latin, English, imported
// translation or location) together with the value the file held for it.
// Internal to the text model.
//
// The file's RTF is read only when the text is first asked for, and a text
// that nobody changed is written back as the very bytes that were read. Data
// the RTF reader refuses (and values of the wrong type) is logged once, shown
// as whatever plain text can be recovered from it, and written back
// unchanged for as long as that recovered text is not edited: an unreadable
// column never turns into an empty one on the next save. Changes that only
// show the text differently (covering, magnifying) are not edits, and a text
// that returns to what was read counts as unchanged.
//
// Callers may change the returned text in place; the field notices on
// writing, by the text's change count and, once it changed, by comparing it
// with the text as read (read again from the stored value when needed).

#include "platform/AttributedString.h"
#include "platform/Object.h"

#include <QByteArray>
#include <QStringList>

#include <memory>

class TSRichTextField {
public:
    TSRichTextField() noexcept = default;
    TSRichTextField(const TSRichTextField& other);
    TSRichTextField& operator=(const TSRichTextField& other);
    TSRichTextField(TSRichTextField&& other) noexcept;
    TSRichTextField& operator=(TSRichTextField&& other) noexcept;
    ~TSRichTextField();

    // The text, reading the stored value first when needed; null when absent.
    ts::AttributedStringPtr get(const QString& key, const ts::Object* owner) const;
    void set(ts::AttributedStringPtr text);
    // Sets a text that differs from the current one only in how it is shown
    // (covered, uncovered, magnified): for a column whose stored value could
    // not be read and was not edited, the stored value stays what is saved.
    void show(ts::AttributedStringPtr text);
    // Whether the column has a text, without reading it.
    bool isPresent() const;
    // False only when stored, unread RTF holds no link field.
    bool mayHaveLinks() const;
    // Whether the stored value could not be read as rich text and is still
    // what will be saved.
    bool isUnreadable() const { return stored() && stored()->unreadable && !isEdited(); }
    // Whether the text differs from what was read (a text that returned to
    // what was read is not edited); false while nothing was read.
    bool isEdited() const;
    // The link targets named in stored data that could not be read, while
    // those bytes are still what will be saved: the recovered plain text
    // has no links, yet the footnotes they point at must stay in use.
    QStringList keptLinkTargets(const QString& key, const ts::Object* owner) const;

    // Keeps the file's value for reading on first use; null clears the field.
    void readFrom(const ts::Value& value);
    // The value to store: the file's own value while the text is unchanged,
    // otherwise the RTF of the text; null when there is nothing to store.
    ts::Value valueToWrite() const;

private:
    void parse(const QString& key, const ts::Object* owner) const;

    // The text read from the stored value, to tell whether the text changed
    // since, while its change count is what it was when read (often the text
    // itself).
    const ts::AttributedString* textAsRead() const;

    // What a column read from a file keeps besides its text. A column that
    // was only ever set (every line an import makes, most columns of a new
    // line) has none, and costs one pointer beside its text.
    struct Stored {
        ts::Value source;
        ts::AttributedStringPtr asRead;
        quint64 asReadCount = 0;
        // The text as show() left an unedited, unreadable column.
        ts::AttributedStringPtr shownAs;
        quint64 shownCount = 0;
        bool pending = false;
        bool unreadable = false;
        bool readAText = false;
    };
    Stored* stored() const { return isUnread() ? nullptr : reinterpret_cast<Stored*>(word_); }
    void setStored(std::unique_ptr<Stored> stored) const;
    bool pending() const { return isUnread() || (stored() && stored()->pending); }
    // Moves RTF kept unread into the bookkeeping above, for the operations
    // that need it.
    void materialize() const;

    // A document opens with every column of every line unread: those keep
    // just the file's bytes (shared with the file's data, not copied) in
    // the room the text and its bookkeeping take once read, so that a line
    // costs no more than one an import made. The bytes are held as the
    // byte array's own parts, their length in the word that otherwise
    // points at the bookkeeping, marked by its low bit (a pointer's is 0);
    // the next bit is set once the bytes are known to hold no link.
    using Bytes = QByteArray::DataPointer;
    struct UnreadBytes {
        decltype(Bytes::d) header;
        decltype(Bytes::ptr) data;
    };
    static constexpr quintptr kUnreadBit = 1, kNoLinksBit = 2;
    static constexpr int kLengthShift = 2;
    bool isUnread() const { return word_ & kUnreadBit; }
    qsizetype unreadLength() const { return qsizetype(word_ >> kLengthShift); }
    QByteArray unreadBytes() const;
    void keepUnread(QByteArray bytes);
    // Leaves the field with no text and no bookkeeping, releasing what it
    // held.
    void clear() const;
    void copyFrom(const TSRichTextField& other);
    void moveFrom(TSRichTextField& other) noexcept;

    union Slot {
        Slot() noexcept : text() {}
        ~Slot() {}
        ts::AttributedStringPtr text;
        UnreadBytes unread;
    };
    // text is the active member unless the field is unread.
    mutable Slot slot_;
    // The owned bookkeeping (null when none), or the unread bytes' length
    // shifted left by two with the low bit set (see above).
    mutable quintptr word_ = 0;
};
