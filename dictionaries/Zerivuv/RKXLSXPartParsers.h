#pragma once
// The readers of the workbook's XML parts, one per part kind. Each is made
// for one part, run with parsePart and read through its typed accessor.
// Internal to the workbook reader.

#include "dictionaries/Zerivuv/RKXLSXParser.h"
#include "foundation/RKXMLFileParser.h"

#include <QHash>
#include <QSet>

namespace ts {

// Runs every part parse with external entities refused and nothing fetched.
class RKXLSXPartParser : public RKXMLFileParser {
public:
    void parsePart(const QByteArray& bytes);
    std::optional<QByteArray> parserResolveExternalEntityName(XMLEventParser& parser, const QString& name,
                                                              const QString& systemID) override;
    void parserParseErrorOccurred(XMLEventParser& parser, const XMLParseError& error) override;
    void parserFoundCharacters(XMLEventParser& parser, const QString& characters) override;
    void parserDidEndElement(XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                             const QString& qualifiedName) override;
    void parserDidStartElement(XMLEventParser& parser, const QString& elementName, const QString& namespaceURI,
                               const QString& qualifiedName, const XMLAttributes& attributes) override;

protected:
    virtual void start(const QString& name, const XMLAttributes& attributes) {}
    virtual void text(const QString& characters) {}
    virtual void end(const QString& name) {}
    QStringList elements_;  // open elements, innermost last
};

class RKSharedStringsParser : public RKXLSXPartParser {
public:
    const QStringList& stringList() const { return stringList_; }

protected:
    void start(const QString& name, const XMLAttributes&) override;
    void text(const QString& characters) override;
    void end(const QString& name) override;

private:
    QStringList stringList_;
    QString nameString_;
    // Phonetic runs ("rPh") annotate the string; their text is not part of it.
    int phoneticDepth_ = 0;
};

class RKWorksheetNamesParser : public RKXLSXPartParser {
public:
    const QStringList& stringList() const { return stringList_; }
    // Whether the workbook counts dates from 1 January 1904.
    bool date1904() const { return date1904_; }

protected:
    void start(const QString& name, const XMLAttributes& attributes) override;

private:
    QStringList stringList_;
    bool date1904_ = false;
};

class RKStylesheetParser : public RKXLSXPartParser {
public:
    const QSet<int>& styleIsDate() const { return styleIsDate_; }

protected:
    void start(const QString& name, const XMLAttributes& attributes) override;
    void end(const QString& name) override;

private:
    QSet<int> dateNumberFormats_;
    QSet<int> textNumberFormats_;
    QSet<int> styleIsDate_;
    int curStyle_ = 0;
    bool parsingStyle_ = false;
};

class RKDocumentPropertiesParser : public RKXLSXPartParser {
public:
    const QHash<QString, QDateTime>& properties() const { return properties_; }

protected:
    void start(const QString& name, const XMLAttributes&) override;
    void text(const QString& characters) override;
    void end(const QString& name) override;

private:
    QHash<QString, QDateTime> properties_;
    QString curString_;
    bool gathering_ = false;
};

class RKWorksheetParser : public RKXLSXPartParser {
public:
    RKWorksheetParser(const QStringList& sharedStrings, const QSet<int>& styleIsDate, bool date1904 = false)
        : sharedStrings_(sharedStrings), styleIsDate_(styleIsDate), date1904_(date1904) {}
    const XLSXSheet& sheetData() const { return sheetData_; }

protected:
    void start(const QString& name, const XMLAttributes& attributes) override;
    void text(const QString& characters) override;
    void end(const QString& name) override;

private:
    enum DataType { NotRead, SharedString, Number, Date };
    void storeValue();

    const QStringList& sharedStrings_;
    const QSet<int>& styleIsDate_;
    const bool date1904_;
    XLSXSheet sheetData_;
    XLSXRow* curRow_ = nullptr;
    QString columnName_;
    DataType curDataType_ = NotRead;
    bool inValue_ = false;
    QString valueText_;
};

class RKDrawingFileParser : public RKXLSXPartParser {
public:
    // Anchor cell -> relationship id of the picture.
    const QMap<XLSXAnchor, QString>& coordinateDictionary() const { return coordinateDictionary_; }

protected:
    void start(const QString& name, const XMLAttributes& attributes) override;
    void text(const QString& characters) override;
    void end(const QString& name) override;

private:
    QMap<XLSXAnchor, QString> coordinateDictionary_;
    QString row_, column_;
    bool rowSet_ = false, columnSet_ = false;
};

// The relationships of one drawing: image relationships inside the package.
class RKImagesParser : public RKXLSXPartParser {
public:
    // partFolder is the folder of the part the relationships belong to
    // ("xl/drawings"), against which relative targets resolve.
    explicit RKImagesParser(QString partFolder) : partFolder_(std::move(partFolder)) {}
    // Relationship id -> package entry name of the picture.
    const QHash<QString, QString>& imageTargets() const { return imageTargets_; }

    // The entry a target names, or a null string when it leaves the package.
    static QString resolveTarget(const QString& partFolder, const QString& target);

protected:
    void start(const QString& name, const XMLAttributes& attributes) override;

private:
    QString partFolder_;
    QHash<QString, QString> imageTargets_;
};

}  // namespace ts
