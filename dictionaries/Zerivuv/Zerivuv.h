#pragma once
// The abbreviations dictionary: a table of written abbreviations read from
// the spreadsheet "cappelli.xlsx" of the support folder "Cappelli", with one
// picture per entry in its folder "img_abbr", searched by transcription.
//
// The table is read from the first sheet whenever a Zerivuv is made; the
// application never writes it. The first row names the columns ("id",
// "characters", "category", "transcription", "period", compared exactly);
// every later row with an id is one entry, a later equal id replacing an
// earlier one.
//
// Threads: a Zerivuv may be made on any thread and then handed to one other;
// it is never used by two threads at once. Failures are logged; a missing or
// unreadable spreadsheet leaves the table empty with databaseLoaded() false.

#include "dictionaries/Zerivuv/RKXLSXParser.h"
#include "foundation/QMMutableDictionary.h"
#include "foundation/VDData.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>
#include <optional>
#include <vector>

class ZerivuvEntry : public VDData {
    TS_OBJECT(ZerivuvEntry, VDData)
public:
    ZerivuvEntry() = default;

    // The id cell as read: a double for a numeric cell, else text.
    QVariant entryID() const { return entryID_; }
    void setEntryID(const QVariant& v) { entryID_ = v; }
    QString characters() const { return characters_; }
    void setCharacters(const QString& v) { characters_ = v; }
    QString transcription() const { return transcription_; }
    void setTranscription(const QString& v) { transcription_ = v; }
    QVariant period() const { return period_; }
    void setPeriod(const QVariant& v) { period_ = v; }
    QVariant category() const { return category_; }
    void setCategory(const QVariant& v) { category_ = v; }

    // The folder whose "img_abbr" holds the pictures; set by the table.
    QString supportFolder() const { return supportFolder_; }
    void setSupportFolder(const QString& folder) { supportFolder_ = folder; }

    // The picture's file name: the id's text form (a whole number without
    // decimal point) + ".jpg"; empty unless that text is made of digits
    // only, so that an id can never name a file outside the picture folder.
    QString imageFileName() const;
    // The encoded picture, read from disk on first request and kept. A
    // missing or unreadable file gives empty bytes, and the next request
    // tries again.
    QByteArray image() const;
    void setImage(const QByteArray& bytes) { image_ = bytes; }
    bool imageLoaded() const { return !image_.isEmpty(); }
    // The width in pixels of the picture already loaded, read from its JPEG
    // or PNG header; 0 when none is loaded (it does not load one) or the
    // header cannot be read.
    float imageWidth() const;

    // A cell value's text: a whole number without decimal point.
    static QString textForm(const QVariant& v);

private:
    QVariant entryID_, period_, category_;
    QString characters_, transcription_, supportFolder_;
    mutable QByteArray image_;
};
using ZerivuvEntryPtr = std::shared_ptr<ZerivuvEntry>;

// The reader for the table's spreadsheet.
class ZerivuvImporter : public ts::RKXLSXParser {
public:
    // Entries in sheet order after duplicates were dropped; nothing when
    // the file is not a workbook.
    std::optional<std::vector<ZerivuvEntryPtr>> parseFile(const QString& path);
    void importQuestionsFromWorksheets(const ts::XLSXWorkbook& workbook);
    void parseOneWorksheet(const ts::XLSXSheet& sheet);
    // Header text -> column letters.
    static QHash<QString, QString> parseColumnOrder(const ts::XLSXRow& header);
    // After a read: empty when the first sheet made at least one entry,
    // else what the spreadsheet lacks to be an abbreviations table (no
    // sheet, no rows, no "id" column with the columns it lacks, or no row
    // with an id).
    QString tableProblem() const { return tableProblem_; }

    static QStringList columnNames();

private:
    std::vector<ZerivuvEntryPtr> entries_;
    QString tableProblem_;
};

class Zerivuv : public QMMutableDictionary {
    TS_OBJECT(Zerivuv, QMMutableDictionary)
public:
    // An empty, unloaded table (for copies and archives).
    Zerivuv() = default;
    // Reads <supportFolder>/cappelli.xlsx at once.
    explicit Zerivuv(const QString& supportFolder);

    void loadDatabase();
    bool databaseLoaded() const { return databaseLoaded_; }
    QString supportFolder() const { return supportFolder_; }
    QString lastError() const { return lastError_; }
    // Why a loaded spreadsheet gave no entry (ZerivuvImporter::tableProblem);
    // empty when the table holds entries or nothing was loaded.
    QString tableProblem() const { return tableProblem_; }

    // Entries whose transcription contains the text, ignoring case (every
    // entry for an empty text), sorted by transcription ignoring case.
    std::vector<ZerivuvEntryPtr> recordsContainingString(const QString& text) const;
    std::vector<ZerivuvEntryPtr> entries() const;

    static QString spreadsheetName() { return QStringLiteral("cappelli.xlsx"); }
    static QString imagesFolderName() { return QStringLiteral("img_abbr"); }

private:
    QString supportFolder_;
    QString lastError_;
    QString tableProblem_;
    bool databaseLoaded_ = false;
};
using ZerivuvPtr = std::shared_ptr<Zerivuv>;
