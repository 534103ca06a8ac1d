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

// Writes a one-sheet workbook at path whose rows (from row 1) hold the cells
// given as JSON: strings become shared strings, numbers numeric cells, null
// an absent cell.
inline bool writeSheetWorkbook(const QString& path, const QString& rowsJson) {
    const QString script = QStringLiteral(R"(
import sys, json, zipfile
from xml.sax.saxutils import escape
rows = json.loads(sys.argv[2])
strings = []
def col(i):
    s = ''
    i += 1
    while i:
        i, r = divmod(i - 1, 26)
        s = chr(65 + r) + s
    return s
out = []
for n, row in enumerate(rows, 1):
    cells = []
    for i, v in enumerate(row):
        ref = '%s%d' % (col(i), n)
        if v is None: continue
        if isinstance(v, str):
            strings.append(v)
            cells.append('<c r="%s" t="s"><v>%d</v></c>' % (ref, len(strings) - 1))
        else:
            cells.append('<c r="%s"><v>%r</v></c>' % (ref, v))
    out.append('<row r="%d">%s</row>' % (n, ''.join(cells)))
M = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'
with zipfile.ZipFile(sys.argv[1], 'w', zipfile.ZIP_DEFLATED) as z:
    z.writestr('xl/workbook.xml', '<workbook xmlns="%s"><sheets><sheet name="Abbr" sheetId="1"/><sheet name="Other" sheetId="2"/></sheets></workbook>' % M)
    z.writestr('xl/sharedStrings.xml', '<sst xmlns="%s">%s</sst>' % (M, ''.join('<si><t>%s</t></si>' % escape(s) for s in strings)))
    z.writestr('xl/worksheets/sheet1.xml', '<worksheet xmlns="%s"><sheetData>%s</sheetData></worksheet>' % (M, ''.join(out)))
    z.writestr('xl/worksheets/sheet2.xml', '<worksheet xmlns="%s"><sheetData><row r="1"><c r="A1"><v>1</v></c></row></sheetData></worksheet>' % M)
)");
    const PythonRun r = runPython(script, {path, rowsJson});
    return r.started && r.exitCode == 0;
}

// A small JPEG of the given size and colour, made by Qt's own writer is not
// available to QtCore tests, so pictures are stored bytes the tests compare.
inline QByteArray fakePicture(const QByteArray& tag) { return QByteArray("\xff\xd8\xff\xe0", 4) + tag; }

// The rows of the small abbreviations fixture the window tests install.
inline QString cappelliRowsJson() {
    return QStringLiteral(R"([["id","characters","transcription","category","period"],
        [1,"a\u0304","autem","conjunction","XII"],[2,"ae\u0303","aeternum","adjective","XIII"],
        [3,"p\u0304","prae","preposition","XII"],[4,"q\u0304","quam","adverb","XIV"],
        [5,"s\u0304","sunt","verb","XII"],[6,"t\u0304","tamen","adverb","XV"]])");
}
