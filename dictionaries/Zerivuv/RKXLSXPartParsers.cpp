#include "dictionaries/Zerivuv/RKXLSXPartParsers.h"

#include "app/logging/LGLog.h"

#include <cmath>

namespace ts {

// ---- common ----

void RKXLSXPartParser::parsePart(const QByteArray& bytes) {
    elements_.clear();
    auto parser = std::make_shared<XMLEventParser>(bytes);
    // Spreadsheet parts never need an entity beyond the five predefined ones.
    parser->setShouldResolveExternalEntities(false);
    runParser(parser);
}

std::optional<QByteArray> RKXLSXPartParser::parserResolveExternalEntityName(XMLEventParser&, const QString&,
                                                                            const QString&) {
    return std::nullopt;
}

void RKXLSXPartParser::parserParseErrorOccurred(XMLEventParser&, const XMLParseError& error) {
    TSLogError("Workbook part could not be parsed: %@", error.description());
}

void RKXLSXPartParser::parserDidStartElement(XMLEventParser&, const QString& elementName, const QString&,
                                             const QString&, const XMLAttributes& attributes) {
    elements_.append(elementName);
    start(elementName, attributes);
}

void RKXLSXPartParser::parserFoundCharacters(XMLEventParser&, const QString& characters) { text(characters); }

void RKXLSXPartParser::parserDidEndElement(XMLEventParser&, const QString& elementName, const QString&,
                                           const QString&) {
    end(elementName);
    if (!elements_.isEmpty()) elements_.removeLast();
}

// ---- shared strings ----

void RKSharedStringsParser::start(const QString& name, const XMLAttributes&) {
    if (name == QLatin1String("si")) nameString_.clear();
    else if (name == QLatin1String("rPh")) ++phoneticDepth_;
}

void RKSharedStringsParser::text(const QString& characters) {
    if (phoneticDepth_ == 0 && elements_.contains(QLatin1String("si")) && !elements_.isEmpty() &&
        elements_.last() == QLatin1String("t"))
        nameString_ += characters;
}

void RKSharedStringsParser::end(const QString& name) {
    if (name == QLatin1String("si")) {
        stringList_.append(nameString_);
        nameString_.clear();
    } else if (name == QLatin1String("rPh") && phoneticDepth_ > 0) {
        --phoneticDepth_;
    }
}

// ---- workbook ----

void RKWorksheetNamesParser::start(const QString& name, const XMLAttributes& attributes) {
    if (name == QLatin1String("workbookPr")) {
        const QString v = attributes.value(QStringLiteral("date1904")).trimmed();
        date1904_ = v == QLatin1String("1") || v.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        return;
    }
    if (name != QLatin1String("sheet")) return;
    const QString sheetName = attributes.value(QStringLiteral("name"));
    if (sheetName.isNull()) {
        TSLogError("nil sheet name");
        return;
    }
    stringList_.append(sheetName);
}

// ---- styles ----

bool RKXLSXParser::numberFormatIsDate(int numFmtId, const QString& code) {
    if (code.isNull()) return numFmtId >= 14 && numFmtId <= 22;
    // Positive numbers, and so every date, are shown by the first section;
    // an "@" in a later one only says how text cells look. The format is
    // text only when its first section shows the cell as text.
    bool found = false;
    bool inQuote = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (inQuote) {
            if (c == QLatin1Char('"')) inQuote = false;
            continue;
        }
        switch (c.unicode()) {
        case '"':
            inQuote = true;
            continue;
        case '\\':  // the next character is a literal
        case '_':   // the next character's width is left blank
        case '*':   // the next character fills the cell
            ++i;
            continue;
        case ';':
            return found;
        case '@':
            return false;
        case '[': {
            const qsizetype close = code.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0) return found;
            // Elapsed-time counters such as [h] or [mm] are time tokens;
            // colours, conditions and locales are not.
            const QString inside = code.mid(i + 1, close - i - 1).toLower();
            if (!inside.isEmpty() &&
                std::all_of(inside.begin(), inside.end(), [](QChar ch) {
                    return ch == QLatin1Char('h') || ch == QLatin1Char('m') || ch == QLatin1Char('s');
                }))
                found = true;
            i = close;
            continue;
        }
        default:
            break;
        }
        switch (c.toLower().unicode()) {
        case 'd':
        case 'm':
        case 'y':
        case 'h':
        case 's':
            found = true;
            break;
        default:
            break;
        }
    }
    return found;
}

QDateTime RKXLSXParser::dateFromSerial(double serial, bool date1904) {
    if (!std::isfinite(serial) || std::fabs(serial) > 3.0e6) return {};
    // Whole milliseconds, so that a time stored as 0.49999999 of a day reads
    // as the noon it was typed as.
    constexpr qint64 kDayMs = 86400000;
    const qint64 total = std::llround(serial * double(kDayMs));
    qint64 days = total / kDayMs;
    qint64 ms = total % kDayMs;
    if (ms < 0) {
        ms += kDayMs;
        --days;
    }
    QDate date;
    if (date1904) date = QDate(1904, 1, 1).addDays(days);
    // The 1900 system counts a 29 February 1900 that never was: serials
    // below it count from 31 December 1899, later ones one day earlier, and
    // the fictitious day itself reads as the 28th.
    else if (days < 60) date = QDate(1899, 12, 31).addDays(days);
    else date = QDate(1899, 12, 30).addDays(days);
    if (!date.isValid()) return {};
    return QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)));
}

void RKStylesheetParser::start(const QString& name, const XMLAttributes& attributes) {
    if (name == QLatin1String("numFmt")) {
        const QString code = attributes.value(QStringLiteral("formatCode"));
        const QString idText = attributes.value(QStringLiteral("numFmtId"));
        bool ok = false;
        const int id = idText.toInt(&ok);
        if (!ok) {
            if (RKXLSXParser::numberFormatIsDate(-1, code)) TSLogError("Nil numberID for format %@", code);
        } else if (RKXLSXParser::numberFormatIsDate(id, code)) {
            dateNumberFormats_.insert(id);
            textNumberFormats_.remove(id);
        } else {
            // A custom code replaces a built-in id's meaning.
            dateNumberFormats_.remove(id);
            textNumberFormats_.insert(id);
        }
        parsingStyle_ = false;
    } else if (name == QLatin1String("cellXfs")) {
        curStyle_ = 0;
        parsingStyle_ = true;
    } else if (name == QLatin1String("xf") && parsingStyle_ && elements_.size() >= 2 &&
               elements_[elements_.size() - 2] == QLatin1String("cellXfs")) {
        bool ok = false;
        const int id = attributes.value(QStringLiteral("numFmtId")).toInt(&ok);
        const bool builtInDate = id >= 14 && id <= 22 && !textNumberFormats_.contains(id);
        if (ok && (dateNumberFormats_.contains(id) || builtInDate))
            styleIsDate_.insert(curStyle_);
        else
            styleIsDate_.remove(curStyle_);
        ++curStyle_;
    }
}

void RKStylesheetParser::end(const QString& name) {
    if (name == QLatin1String("cellXfs")) parsingStyle_ = false;
}

// ---- core properties ----

void RKDocumentPropertiesParser::start(const QString& name, const XMLAttributes&) {
    curString_.clear();
    gathering_ = name == QLatin1String("dcterms:created") || name == QLatin1String("dcterms:modified");
}

void RKDocumentPropertiesParser::text(const QString& characters) {
    if (gathering_) curString_ += characters;
}

void RKDocumentPropertiesParser::end(const QString& name) {
    const bool created = name == QLatin1String("dcterms:created");
    if (!created && name != QLatin1String("dcterms:modified")) return;
    if (gathering_) {
        const QDateTime date = QDateTime::fromString(curString_.trimmed(), Qt::ISODate);
        if (date.isValid())
            properties_.insert(created ? QStringLiteral("Creation date") : QStringLiteral("Modification date"), date);
    }
    gathering_ = false;
    curString_.clear();
}

// ---- worksheet ----

void RKWorksheetParser::start(const QString& name, const XMLAttributes& attributes) {
    inValue_ = false;
    if (name == QLatin1String("row")) {
        bool ok = false;
        const qint64 r = attributes.value(QStringLiteral("r")).toLongLong(&ok);
        if (!ok) {
            curRow_ = nullptr;
            return;
        }
        curRow_ = &sheetData_[r];
    } else if (name == QLatin1String("c")) {
        const QString ref = attributes.value(QStringLiteral("r"));
        qsizetype digit = 0;
        while (digit < ref.size() && !ref[digit].isDigit()) ++digit;
        if (digit == ref.size() || digit == 0) {
            TSLogError("bad column name");
            columnName_.clear();
        } else {
            columnName_ = ref.left(digit);
        }
        const QString t = attributes.value(QStringLiteral("t"));
        const QString s = attributes.value(QStringLiteral("s"));
        // A number's style, not its type, makes it a date: some programs
        // write t="n" on every number.
        if (t == QLatin1String("s")) curDataType_ = SharedString;
        else if (!t.isNull() && t != QLatin1String("n")) curDataType_ = NotRead;
        else if (!s.isNull() && styleIsDate_.contains(s.toInt())) curDataType_ = Date;
        else curDataType_ = Number;
    } else if (name == QLatin1String("v")) {
        inValue_ = true;
        valueText_.clear();
    }
}

void RKWorksheetParser::text(const QString& characters) {
    if (inValue_) valueText_ += characters;
}

void RKWorksheetParser::end(const QString& name) {
    if (name == QLatin1String("v")) {
        if (inValue_) storeValue();
        inValue_ = false;
    } else if (name == QLatin1String("c")) {
        columnName_.clear();
        curDataType_ = NotRead;
    } else if (name == QLatin1String("row")) {
        curRow_ = nullptr;
    }
}

void RKWorksheetParser::storeValue() {
    if (!curRow_ || columnName_.isEmpty()) return;
    const QString text = valueText_.trimmed();
    bool ok = false;
    switch (curDataType_) {
    case SharedString: {
        const qlonglong index = text.toLongLong(&ok);
        if (ok && index >= 0 && index < sharedStrings_.size()) curRow_->insert(columnName_, sharedStrings_[index]);
        break;
    }
    case Number: {
        const double v = text.toDouble(&ok);
        if (ok) curRow_->insert(columnName_, v);
        break;
    }
    case Date: {
        const double v = text.toDouble(&ok);
        if (!ok) break;
        const QDateTime date = RKXLSXParser::dateFromSerial(v, date1904_);
        if (date.isValid()) curRow_->insert(columnName_, date);
        break;
    }
    case NotRead:
        break;
    }
}

// ---- drawings ----

void RKDrawingFileParser::start(const QString& name, const XMLAttributes& attributes) {
    if (name == QLatin1String("a:blip")) {
        const QString embed = attributes.value(QStringLiteral("r:embed"));
        bool okc = false, okr = false;
        const int c = column_.trimmed().toInt(&okc);
        const int r = row_.trimmed().toInt(&okr);
        if (!embed.isEmpty() && okc && okr && c >= 0 && r >= 0) coordinateDictionary_.insert({c, r}, embed);
    }
}

void RKDrawingFileParser::text(const QString& characters) {
    if (elements_.isEmpty()) return;
    const QString& inner = elements_.last();
    if (inner == QLatin1String("xdr:col") && !columnSet_) column_ += characters;
    else if (inner == QLatin1String("xdr:row") && !rowSet_) row_ += characters;
}

void RKDrawingFileParser::end(const QString& name) {
    if (name == QLatin1String("xdr:col")) columnSet_ = !column_.isEmpty();
    else if (name == QLatin1String("xdr:row")) rowSet_ = !row_.isEmpty();
    else if (name == QLatin1String("xdr:twoCellAnchor") || name == QLatin1String("xdr:oneCellAnchor") ||
             name == QLatin1String("xdr:absoluteAnchor")) {
        column_.clear();
        row_.clear();
        columnSet_ = rowSet_ = false;
    }
}

// ---- relationships ----

QString RKImagesParser::resolveTarget(const QString& partFolder, const QString& target) {
    if (target.isEmpty() || target.contains(QLatin1Char('\\')) || target.contains(QLatin1String("://")) ||
        target.contains(QLatin1Char(':')) || target.contains(QLatin1Char('?')) || target.contains(QLatin1Char('#')))
        return {};
    QStringList out;
    QString joined = target.startsWith(QLatin1Char('/')) ? target.mid(1) : partFolder + QLatin1Char('/') + target;
    for (const QString& seg : joined.split(QLatin1Char('/'))) {
        if (seg.isEmpty() || seg == QLatin1String(".")) continue;
        if (seg == QLatin1String("..")) {
            if (out.isEmpty()) return {};  // above the package root
            out.removeLast();
        } else {
            out.append(seg);
        }
    }
    return out.isEmpty() ? QString() : out.join(QLatin1Char('/'));
}

void RKImagesParser::start(const QString& name, const XMLAttributes& attributes) {
    if (name != QLatin1String("Relationship")) return;
    const QString id = attributes.value(QStringLiteral("Id"));
    const QString target = attributes.value(QStringLiteral("Target"));
    const QString type = attributes.value(QStringLiteral("Type"));
    const QString mode = attributes.value(QStringLiteral("TargetMode"));
    if (id.isEmpty() || target.isEmpty()) return;
    if (mode.compare(QLatin1String("External"), Qt::CaseInsensitive) == 0) return;
    if (!type.endsWith(QLatin1String("/image"))) return;
    const QString entry = resolveTarget(partFolder_, target);
    if (entry.isEmpty()) {
        TSLogError("Skipping picture relationship %@ outside the package: %@", id, target);
        return;
    }
    imageTargets_.insert(id, entry);
}

}  // namespace ts
