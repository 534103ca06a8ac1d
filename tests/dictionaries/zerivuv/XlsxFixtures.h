#pragma once
// Builds spreadsheet packages and folders for the abbreviations tests with
// python3's zipfile, so the files under test come from an independent writer.

#include "support/Python.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QVariantMap>

// Writes a zip at path holding each entry of parts (name -> text; a value
// starting with "zeros:N" is N zero bytes, "hex:..." is binary).
inline bool writeZip(const QString& path, const QVariantMap& parts) {
    const QString script = QStringLiteral(R"(
import sys, json, zipfile, binascii
parts = json.loads(sys.argv[2])
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    for name, text in parts.items():
        if text.startswith('zeros:'):
            data = b'\0' * int(text[6:])
        elif text.startswith('hex:'):
            data = binascii.unhexlify(text[4:])
        else:
            data = text.encode('utf-8')
        z.writestr(zipfile.ZipInfo(name), data, compress_type=zipfile.ZIP_DEFLATED)
)");
    const QString json = QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(parts)).toJson(QJsonDocument::Compact));
    const PythonRun r = runPython(script, {path, json});
    return r.started && r.exitCode == 0;
}

// A one-by-one PNG (red), as bytes in hex.
inline QString tinyPngHex() {
    return QStringLiteral(
        "89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000000c4944415408d763f8cfc0000003010100"
        "c9fe92ef0000000049454e44ae426082");
}

inline QString sheetXml(const QString& rows) {
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
               "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>%1</sheetData></worksheet>")
        .arg(rows);
}

inline QString workbookXml(const QStringList& names) {
    QString sheets;
    for (const QString& n : names) sheets += QStringLiteral("<sheet name=\"%1\" sheetId=\"1\"/>").arg(n);
    return QStringLiteral(
               "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
               "<sheets>%1</sheets></workbook>")
        .arg(sheets);
}

inline QString sharedStringsXml(const QStringList& strings) {
    QString si;
    for (const QString& s : strings) si += QStringLiteral("<si><t>%1</t></si>").arg(s);
    return QStringLiteral("<?xml version=\"1.0\"?><sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">%1</sst>")
        .arg(si);
}
