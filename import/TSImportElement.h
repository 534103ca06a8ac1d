#pragma once
// The import settings of one TEI element name, and the list of them that the
// body tab shows and the user saves per source file.
//
// A TSImportElement tells the body converter what to do with every
// occurrence of its element (role 0-9, where a chunk takes its name and its
// location from, strings to insert or to put in front, a format), and carries
// what the survey found in the file (sample texts, attribute sets, the
// ancestor paths under which the element occurs).
//
// Settings file form: an array of dictionaries, each with "ClassName"
// ("TSImportElement"), "name", "store" and "formatType" (integers, always
// written), and "subsectionOf", "nameSource", "idSource", "insertString",
// "prependString" only when set. A value of the wrong type reads as the
// field's default (logged); a member of any other class is skipped (logged).
//
// Threads: settings and survey data belong to the main thread. The ancestor
// paths are written by a conversion on its worker while the main thread may
// read them, so they are kept under the record's own lock and handed out as
// copies. A conversion reads a snapshot of the settings (TSElementArray::copy),
// never the records the user edits. The template table may be read from any
// thread; it is replaced whole.

#include "foundation/VDNewArray.h"
#include "platform/AttributedString.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <set>
#include <vector>

class TSImportElement;
using TSImportElementPtr = std::shared_ptr<TSImportElement>;

class TSImportElement : public VDData {
    TS_OBJECT(TSImportElement, VDData)

public:
    // The roles, as the body tab's role pop-up orders them.
    enum Role : qint64 {
        Ignore = 0,
        NewBook = 1,
        NewSection = 2,
        SubsectionOf = 3,
        Append = 4,
        Postpend = 5,
        Note = 6,
        Milestone = 7,
        NestedMilestone = 8,
        InsertString = 9,
    };
    // Format pop-up indexes (1 is the separator line).
    enum Format : qint64 { FormatNone = 0, FormatBold = 2, FormatItalic = 3 };

    TSImportElement() = default;
    TSImportElement(const TSImportElement& other);

    // Sets the name and then presets the record from the template table or
    // the built-in rules for the name.
    void setName(const QString& name) override;

    qint64 store() const { return store_; }
    void setStore(qint64 store) { store_ = store; }
    qint64 formatType() const { return formatType_; }
    void setFormatType(qint64 formatType) { formatType_ = formatType; }
    // Null strings mean "absent".
    const QString& nameSource() const { return nameSource_; }
    void setNameSource(const QString& s) { nameSource_ = s; }
    const QString& idSource() const { return idSource_; }
    void setIdSource(const QString& s) { idSource_ = s; }
    const QString& subsectionOf() const { return subsectionOf_; }
    void setSubsectionOf(const QString& s) { subsectionOf_ = s; }
    const QString& insertString() const { return insertString_; }
    void setInsertString(const QString& s) { insertString_ = s; }
    const QString& prependString() const { return prependString_; }
    void setPrependString(const QString& s) { prependString_ = s; }

    // Survey data, not saved.
    bool hasData() const { return hasData_; }
    void setHasData(bool b) { hasData_ = b; }
    bool hasAttributes() const { return hasAttributes_; }
    void setHasAttributes(bool b) { hasAttributes_ = b; }
    QString data() const { return data_; }
    void setData(const QString& data) { data_ = data; }
    const std::vector<ts::AttributedStringPtr>& dataArray() const { return dataArray_; }
    void setDataArray(std::vector<ts::AttributedStringPtr> a) { dataArray_ = std::move(a); }
    const std::vector<ts::ValueDictionary>& attributeArray() const { return attributeArray_; }
    void setAttributeArray(std::vector<ts::ValueDictionary> a) { attributeArray_ = std::move(a); }

    // Ancestor paths (outermost first, parent last); see the thread note.
    std::set<QStringList> stacks() const;
    void addStack(const QStringList& path);
    // The paths by number of entries, fewest first; built once and kept
    // until the paths change.
    std::vector<QStringList> orderedStackList() const;
    QStringList shortestStack() const;
    void removeStoredParsedData();

    bool idFromMilestone() const { return idSource_.size() == 11 && idSource_ == QLatin1String("*milestone*"); }

    // The name for display: the name, then "{}" when the element carries
    // attributes; a record with text of its own is shown in bold.
    ts::AttributedStringPtr attributedName() const;
    ts::Attributes nameAttributes() const;
    static void addDataAttributes(ts::Attributes& attributes);
    // Every attribute name seen, sorted case-insensitively.
    QStringList allAttributeNames() const;

    ts::Value serialize() const override;
    void importFromDictionary(const ts::Value& dictionary) override;
    static TSImportElementPtr dataFromDictionary(const ts::Value& dictionary);
    // The settings and survey data; the paths are not copied.
    ts::ObjectPtr copy() const override;

    // The process-wide templates, element name to settings.
    static void setTemplateElements(const std::vector<TSImportElementPtr>& elements);
    static TSImportElementPtr templateForName(const QString& name);
    // persName, quote, p, l, hi, emph, abbr, expan, placeName, num.
    static const QSet<QString>& appendSet();
    // Elements of a critical text that stand for words of the running text
    // (foreign, deleted, added, regularised, corrected, quoted words): a new
    // record of one of these names appends its words where it stands.
    static const QSet<QString>& editorialWords();
    // The role pop-up's titles (English keys, localised through the
    // "NonReversable" table), indexed by role.
    static QStringList roleTitles();

    // The horizontal ellipsis between angle brackets that stands for a gap.
    static QString gapString() { return QStringLiteral("<\u2026>"); }

private:
    void copySettingsFrom(const TSImportElement& other);

    qint64 store_ = 0;
    qint64 formatType_ = 0;
    QString nameSource_, idSource_, subsectionOf_, insertString_, prependString_;
    bool hasData_ = false;
    bool hasAttributes_ = false;
    QString data_;
    std::vector<ts::AttributedStringPtr> dataArray_;
    std::vector<ts::ValueDictionary> attributeArray_;

    mutable std::mutex stackMutex_;
    std::set<QStringList> stacks_;
    mutable std::vector<QStringList> orderedStackList_;
    mutable bool orderedValid_ = false;
};

class TSElementArray;
using TSElementArrayPtr = std::shared_ptr<TSElementArray>;

// The element settings of one source file, in the order the survey listed
// the elements. Its name (the source's base name) names its settings file and
// is not written into it.
class TSElementArray : public VDNewArray {
    TS_OBJECT(TSElementArray, VDNewArray)

public:
    TSElementArray() = default;

    static TSElementArrayPtr array() { return std::make_shared<TSElementArray>(); }
    // Rebuilds the records of a settings array; a member whose "ClassName" is
    // not "TSImportElement" (or that is no dictionary) is skipped and logged.
    static TSElementArrayPtr dataFromArray(const ts::Value& array);
    // Reads a property list of any format; unreadable data is logged and
    // gives an empty list.
    static TSElementArrayPtr importFromPListData(const QByteArray& data);

    // The record of that name, or null.
    TSImportElementPtr elementNamed(const QString& name) const;
    std::vector<TSImportElementPtr> elements() const;

    // A list of copies of the records: what a conversion reads while the
    // user goes on editing the originals.
    ts::ObjectPtr copy() const override;

    // The folder "Elements" of the support folder, created when missing and
    // then seeded once from the bundle's "Elements" zip; a null string when
    // it cannot be created (logged).
    static QString elementsFolder();
    // The settings file of this list: "<name>.plist" in that folder; a null
    // string without a folder or a name.
    QString elementArrayURL() const;

    // Extracts the zip into the folder: flat entries only (a name with a path,
    // a parent reference or a leading dot is refused, as are links and
    // folders), at most kMaxSeedEntries entries of at most kMaxSeedEntrySize
    // bytes each. Existing files are left alone. Answers the number of files
    // written; failures are logged.
    static int seedFolderFromZip(const QString& zipPath, const QString& folder);
    static constexpr int kMaxSeedEntries = 256;
    static constexpr qint64 kMaxSeedEntrySize = 4 * 1024 * 1024;
};
