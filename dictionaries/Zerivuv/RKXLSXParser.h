#pragma once
// Reads an Office Open XML spreadsheet package (.xlsx) into plain tables: the
// sheet names in workbook order, each sheet's cells by row number and column
// letters, the date styles, the core document dates and the pictures anchored
// in the drawings.
//
// The package is read in memory; nothing is unpacked to disk. Entries whose
// names could escape the package (absolute, "..", backslashes) are ignored,
// and the package, its entry count, each entry's size and its compression
// ratio are capped, so a hostile file costs bounded memory and time. XML parts
// are parsed with no DTD or external entity loaded.
//
// Errors: openXLSXFile answers nothing for a file that cannot be read, is not
// a zip package or has no "xl/" part; lastError() then names the file and the
// cause. A missing or damaged part leaves only that part's table empty.
// Nothing throws. One read at a time per object; any thread.

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace ts {

// A cell value is a QString (shared string), a double (number) or a QDateTime
// (number in a date style: local date and time to the millisecond, counted
// in the workbook's own epoch). Absent cells are absent from the row.
using XLSXRow = QMap<QString, QVariant>;
// Row number as the file gives it (1-based) -> row.
using XLSXSheet = QMap<qint64, XLSXRow>;
// (zero-based column, zero-based row) of a drawing anchor's top-left cell.
using XLSXAnchor = QPair<int, int>;
// Anchor -> the picture's encoded bytes (PNG, JPEG...), as stored.
using XLSXImages = QMap<XLSXAnchor, QByteArray>;

struct XLSXWorkbook {
    QHash<QString, XLSXSheet> worksheets;  // one entry per sheet name
    QStringList names;                     // workbook order
    XLSXImages images;
};

class RKXLSXParser {
public:
    RKXLSXParser() = default;
    virtual ~RKXLSXParser() = default;

    std::optional<XLSXWorkbook> openXLSXFile(const QString& path);
    std::optional<XLSXWorkbook> openXLSXData(const QByteArray& bytes, const QString& displayName);

    // Results of the last read.
    const QStringList& sharedStrings() const { return sharedStrings_; }
    const QStringList& workbookNames() const { return workbookNames_; }
    const QHash<QString, XLSXSheet>& worksheets() const { return worksheets_; }
    const QSet<int>& styleIsDate() const { return styleIsDate_; }
    // "Creation date" and/or "Modification date".
    const QHash<QString, QDateTime>& documentProperties() const { return documentProperties_; }
    const XLSXImages& images() const { return images_; }
    QString curWorksheetName() const { return curWorksheetName_; }
    QString lastError() const { return lastError_; }
    // Whether the last workbook counts its dates from 1904.
    bool date1904() const { return date1904_; }

    // Whether a number format is a date or time format: the built-in ids 14
    // to 22, or a custom code whose first section has a day, month, year,
    // hour or second token outside quotes and brackets and no text
    // placeholder "@" (an "@" in a later section only formats text cells).
    static bool numberFormatIsDate(int numFmtId, const QString& formatCode);
    // The date and time of a serial day number in the 1900 system (1 is
    // 1 January 1900; the fictitious 29 February 1900, serial 60, reads as
    // 28 February) or the 1904 one (0 is 1 January 1904), to the nearest
    // millisecond; invalid beyond the years a spreadsheet can hold.
    static QDateTime dateFromSerial(double serial, bool date1904);

    // Every value as a key with its key as the value; of keys that share a
    // value, one survives.
    static QHash<QString, QString> invertDictionary(const QHash<QString, QString>& dictionary);
    // Called once a file has been read; does nothing here.
    virtual void finishedParsingFile(const QString& path) {}

    // Bounds on what a package may make the reader hold.
    static constexpr qint64 kMaxPackageBytes = 256LL * 1024 * 1024;
    static constexpr qint64 kMaxEntries = 100000;
    static constexpr qint64 kMaxEntryBytes = 128LL * 1024 * 1024;
    static constexpr qint64 kMaxTotalBytes = 512LL * 1024 * 1024;
    // Uncompressed / compressed size allowed for entries above the floor.
    static constexpr qint64 kMaxCompressionRatio = 1000;
    static constexpr qint64 kRatioFloorBytes = 1024 * 1024;

private:
    void clear();

    QStringList sharedStrings_;
    QStringList workbookNames_;
    QHash<QString, XLSXSheet> worksheets_;
    QSet<int> styleIsDate_;
    QHash<QString, QDateTime> documentProperties_;
    XLSXImages images_;
    QString curWorksheetName_;
    QString lastError_;
    bool date1904_ = false;
};

}  // namespace ts
