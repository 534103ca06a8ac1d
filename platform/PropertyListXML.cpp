// The XML property-list form: a writer in Apple's layout (tabs, base64 lines,
// ISO 8601 dates, CF$UID dictionaries for UIDs) and a QXmlStreamReader-based
// reader that never loads a DTD or an external entity.

#include "PropertyList.h"

#include <QXmlStreamReader>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace ts {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
qint64 daysFromCivil(qint64 y, unsigned m, unsigned d) {
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + qint64(doe) - 719468;
}

void civilFromDays(qint64 z, qint64& y, unsigned& m, unsigned& d) {
    z += 719468;
    const qint64 era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = qint64(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

constexpr qint64 kDays1970To2001 = 11323;
// About ±3 million years: far beyond any real date, small enough for exact arithmetic.
constexpr double kMaxDateSeconds = 1e14;

// ---------------------------------------------------------------------------
// Writer

class XmlWriter {
public:
    QByteArray run(const Value& root, QString* error) {
        out_.reserve(4096);
        out_.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                    "<plist version=\"1.0\">\n");
        if (!write(root, 0)) {
            if (error) *error = QStringLiteral("XML property list: ") + error_;
            return {};
        }
        out_.append("</plist>\n");
        return out_;
    }

private:
    bool fail(const QString& message) {
        if (error_.isEmpty()) error_ = message;
        return false;
    }

    void indent(int depth) { out_.append(qsizetype(depth), '\t'); }

    // XML 1.0 has no form at all for most control characters, U+FFFE, U+FFFF
    // or an unpaired surrogate: such a string is refused rather than written
    // into a file no reader accepts (or silently altered). A carriage return
    // is legal but every parser turns a raw one into a line feed, so it goes
    // out as a character reference.
    bool appendEscaped(const QString& s) {
        const char16_t* u = reinterpret_cast<const char16_t*>(s.constData());
        const qsizetype len = s.size();
        for (qsizetype i = 0; i < len; ++i) {
            const char16_t c = u[i];
            bool bad = (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF;
            if (QChar::isHighSurrogate(c)) {
                if (i + 1 < len && QChar::isLowSurrogate(u[i + 1])) ++i;
                else bad = true;
            } else if (QChar::isLowSurrogate(c)) {
                bad = true;
            }
            if (bad) return fail(QStringLiteral("character U+%1 has no XML form").arg(int(c), 4, 16, QLatin1Char('0')));
        }
        const QByteArray utf8 = s.toUtf8();
        const char* p = utf8.constData();
        const qsizetype n = utf8.size();
        qsizetype start = 0;
        for (qsizetype i = 0; i < n; ++i) {
            const char* rep;
            switch (p[i]) {
            case '&': rep = "&amp;"; break;
            case '<': rep = "&lt;"; break;
            case '>': rep = "&gt;"; break;
            case '\r': rep = "&#13;"; break;
            default: continue;
            }
            out_.append(p + start, i - start);
            out_.append(rep);
            start = i + 1;
        }
        out_.append(p + start, n - start);
        return true;
    }

    void leaf(int depth, const char* tag, const QByteArray& text) {
        indent(depth);
        out_.append('<').append(tag).append('>').append(text).append("</").append(tag).append(">\n");
    }

    static QByteArray realText(double d) {
        if (std::isnan(d)) return QByteArrayLiteral("nan");
        if (std::isinf(d)) return d > 0 ? QByteArrayLiteral("+infinity") : QByteArrayLiteral("-infinity");
        return QByteArray::number(d, 'g', QLocale::FloatingPointShortest);
    }

    bool dateText(double seconds, QByteArray& text) {
        if (!std::isfinite(seconds) || std::fabs(seconds) > kMaxDateSeconds) return fail(QStringLiteral("date out of range"));
        const qint64 total = qint64(std::floor(seconds));
        qint64 days = total / 86400, rem = total % 86400;
        if (rem < 0) {
            rem += 86400;
            --days;
        }
        qint64 y;
        unsigned m, d;
        civilFromDays(days + kDays1970To2001, y, m, d);
        // The text form has room for four-digit years only.
        if (y < 0 || y > 9999) return fail(QStringLiteral("date out of range"));
        char buf[64];
        const int n = std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02d:%02d:%02dZ", static_cast<long long>(y), m, d, int(rem / 3600),
                      int(rem / 60 % 60), int(rem % 60));
        text = QByteArray(buf, qMax(0, qMin(n, int(sizeof buf) - 1)));
        return true;
    }

    void data(int depth, const QByteArray& bytes) {
        indent(depth);
        out_.append("<data>\n");
        const QByteArray b64 = bytes.toBase64();
        // Lines of at most 76 columns counting the tabs, as the platform writes them.
        const qsizetype width = qMax<qsizetype>(16, 76 - depth * 8);
        for (qsizetype at = 0; at < b64.size(); at += width) {
            indent(depth);
            out_.append(b64.constData() + at, qMin(width, b64.size() - at));
            out_.append('\n');
        }
        indent(depth);
        out_.append("</data>\n");
    }

    bool write(const Value& v, int depth) {
        if (depth >= PropertyList::kMaxDepth && (v.isArray() || v.isDictionary()))
            return fail(QStringLiteral("nesting deeper than %1").arg(PropertyList::kMaxDepth));
        switch (v.type()) {
        case Value::Type::Null: return fail(QStringLiteral("null has no XML form"));
        case Value::Type::Object: return fail(QStringLiteral("a live object cannot be written to a property list"));
        case Value::Type::Bool:
            indent(depth);
            out_.append(v.toBool() ? "<true/>\n" : "<false/>\n");
            return true;
        case Value::Type::Integer: leaf(depth, "integer", QByteArray::number(v.toInt64())); return true;
        case Value::Type::Unsigned: leaf(depth, "integer", QByteArray::number(v.toUInt64())); return true;
        case Value::Type::Real: leaf(depth, "real", realText(v.toDouble())); return true;
        case Value::Type::Date: {
            QByteArray text;
            if (!dateText(v.toDate().seconds, text)) return false;
            leaf(depth, "date", text);
            return true;
        }
        case Value::Type::Data: data(depth, v.toData()); return true;
        case Value::Type::String:
            indent(depth);
            out_.append("<string>");
            if (!appendEscaped(v.toString())) return false;
            out_.append("</string>\n");
            return true;
        case Value::Type::Uid:
            indent(depth);
            out_.append("<dict>\n");
            indent(depth + 1);
            out_.append("<key>CF$UID</key>\n");
            leaf(depth + 1, "integer", QByteArray::number(v.toUid().value));
            indent(depth);
            out_.append("</dict>\n");
            return true;
        case Value::Type::Array: {
            const ValueArray& items = v.array();
            indent(depth);
            if (items.empty()) {
                out_.append("<array/>\n");
                return true;
            }
            out_.append("<array>\n");
            for (const Value& item : items)
                if (!write(item, depth + 1)) return false;
            indent(depth);
            out_.append("</array>\n");
            return true;
        }
        case Value::Type::Dictionary: {
            const ValueDictionary& dict = v.dictionary();
            indent(depth);
            if (dict.empty()) {
                out_.append("<dict/>\n");
                return true;
            }
            out_.append("<dict>\n");
            for (const auto& [key, value] : dict) {
                indent(depth + 1);
                out_.append("<key>");
                if (!appendEscaped(key)) return false;
                out_.append("</key>\n");
                if (!write(value, depth + 1)) return false;
            }
            indent(depth);
            out_.append("</dict>\n");
            return true;
        }
        }
        return fail(QStringLiteral("unknown value type"));
    }

    QByteArray out_;
    QString error_;
};

// ---------------------------------------------------------------------------
// Reader

bool parseInteger(QStringView text, Value& out) {
    text = text.trimmed();
    bool negative = false;
    if (!text.isEmpty() && (text[0] == u'-' || text[0] == u'+')) {
        negative = text[0] == u'-';
        text = text.mid(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        base = 16;
        text = text.mid(2);
    }
    if (text.isEmpty()) return false;
    quint64 magnitude = 0;
    for (QChar c : text) {
        int digit;
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9') digit = u - '0';
        else if (base == 16 && u >= 'a' && u <= 'f') digit = u - 'a' + 10;
        else if (base == 16 && u >= 'A' && u <= 'F') digit = u - 'A' + 10;
        else return false;
        if (magnitude > (UINT64_MAX - quint64(digit)) / quint64(base)) return false;
        magnitude = magnitude * quint64(base) + quint64(digit);
    }
    if (negative) {
        if (magnitude > quint64(INT64_MAX) + 1) return false;
        out = magnitude == quint64(INT64_MAX) + 1 ? qint64(INT64_MIN) : -qint64(magnitude);
    } else {
        out = Value(static_cast<unsigned long long>(magnitude));
    }
    return true;
}

bool parseReal(QStringView text, double& d) {
    text = text.trimmed();
    QStringView rest = text;
    double sign = 1;
    if (!rest.isEmpty() && (rest[0] == u'+' || rest[0] == u'-')) {
        sign = rest[0] == u'-' ? -1 : 1;
        rest = rest.mid(1);
    }
    if (rest.compare(u"inf", Qt::CaseInsensitive) == 0 || rest.compare(u"infinity", Qt::CaseInsensitive) == 0) {
        d = sign * INFINITY;
        return true;
    }
    if (rest.compare(u"nan", Qt::CaseInsensitive) == 0) {
        d = NAN;
        return true;
    }
    bool ok = false;
    d = QLocale::c().toDouble(text, &ok);
    return ok;
}

bool parseDigits(QStringView s, qsizetype at, int count, int& value) {
    if (at + count > s.size()) return false;
    value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = s[at + i].unicode();
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// YYYY-MM-DDTHH:MM:SS[.fff]Z
bool parseDate(QStringView text, Date& out) {
    text = text.trimmed();
    int y, mo, d, h, mi, s;
    if (!parseDigits(text, 0, 4, y) || text.size() < 20 || text[4] != u'-' || !parseDigits(text, 5, 2, mo) || text[7] != u'-' ||
        !parseDigits(text, 8, 2, d) || text[10] != u'T' || !parseDigits(text, 11, 2, h) || text[13] != u':' ||
        !parseDigits(text, 14, 2, mi) || text[16] != u':' || !parseDigits(text, 17, 2, s))
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 60) return false;
    qsizetype at = 19;
    double fraction = 0;
    if (text[at] == u'.') {
        double scale = 0.1;
        ++at;
        const qsizetype digitsStart = at;
        while (at < text.size() && text[at].unicode() >= '0' && text[at].unicode() <= '9') {
            fraction += (text[at].unicode() - '0') * scale;
            scale /= 10;
            ++at;
        }
        if (at == digitsStart) return false;
    }
    if (at != text.size() - 1 || text[at] != u'Z') return false;
    const qint64 days = daysFromCivil(y, unsigned(mo), unsigned(d)) - kDays1970To2001;
    out = Date{double(days * 86400 + h * 3600 + mi * 60 + s) + fraction};
    return true;
}

class XmlReader {
public:
    explicit XmlReader(const QByteArray& data) : xml_(data) {}

    PlistResult run() {
        PlistResult result;
        result.format = PlistFormat::XML;
        Value value;
        if (readDocument(value)) result.value = std::move(value);
        else result.error = QStringLiteral("XML property list: ") + error_;
        return result;
    }

private:
    bool fail(const QString& message) {
        if (error_.isEmpty()) {
            error_ = xml_.hasError() ? xml_.errorString() : message;
            error_ += QStringLiteral(" (line %1)").arg(xml_.lineNumber());
        }
        return false;
    }

    // Advances to the next start or end element, skipping whitespace,
    // comments and processing instructions.
    bool nextElement() {
        for (;;) {
            switch (xml_.readNext()) {
            case QXmlStreamReader::StartElement:
            case QXmlStreamReader::EndElement: return true;
            case QXmlStreamReader::Characters:
                if (!xml_.isWhitespace()) return fail(QStringLiteral("unexpected text"));
                break;
            case QXmlStreamReader::Comment:
            case QXmlStreamReader::ProcessingInstruction:
            case QXmlStreamReader::DTD:
            case QXmlStreamReader::StartDocument: break;
            case QXmlStreamReader::EntityReference: return fail(QStringLiteral("unresolved entity"));
            case QXmlStreamReader::EndDocument: return fail(QStringLiteral("unexpected end of document"));
            case QXmlStreamReader::Invalid:
            case QXmlStreamReader::NoToken: return fail(QStringLiteral("malformed XML"));
            }
        }
    }

    bool readDocument(Value& out) {
        if (!nextElement()) return false;
        if (!xml_.isStartElement()) return fail(QStringLiteral("no root element"));
        if (xml_.name() == u"plist") {
            if (!nextElement()) return false;
            if (xml_.isEndElement()) return fail(QStringLiteral("empty plist"));
            if (!readValue(0, out)) return false;
            if (!nextElement()) return false;
            if (!xml_.isEndElement()) return fail(QStringLiteral("more than one value in plist"));
        } else if (!readValue(0, out)) {
            return false;
        }
        // Only whitespace, comments and the end may follow the root.
        for (;;) {
            const auto token = xml_.readNext();
            if (token == QXmlStreamReader::EndDocument) return true;
            if (token == QXmlStreamReader::Comment || token == QXmlStreamReader::ProcessingInstruction) continue;
            if (token == QXmlStreamReader::Characters && xml_.isWhitespace()) continue;
            return fail(QStringLiteral("content after the root value"));
        }
    }

    bool text(QString& s) {
        s = xml_.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (xml_.hasError()) return fail(QString());
        // An empty element is an empty text, not a missing one.
        if (s.isNull()) s = QStringLiteral("");
        return true;
    }

    // Reads the value whose start element is the current token; ends on its end element.
    bool readValue(int depth, Value& out) {
        const QStringView name = xml_.name();
        if ((name == u"dict" || name == u"array") && depth >= PropertyList::kMaxDepth)
            return fail(QStringLiteral("nesting deeper than %1").arg(PropertyList::kMaxDepth));
        if (name == u"dict") return readDictionary(depth, out);
        if (name == u"array") return readArray(depth, out);
        if (name == u"true" || name == u"false") {
            out = name == u"true";
            if (!nextElement()) return false;
            if (!xml_.isEndElement()) return fail(QStringLiteral("<true/> or <false/> with content"));
            return true;
        }
        if (name == u"string") {
            QString s;
            if (!text(s)) return false;
            out = std::move(s);
            return true;
        }
        if (name == u"integer") {
            QString s;
            if (!text(s)) return false;
            if (!parseInteger(s, out)) return fail(QStringLiteral("bad integer \"%1\"").arg(s.left(40)));
            return true;
        }
        if (name == u"real") {
            QString s;
            double d;
            if (!text(s)) return false;
            if (!parseReal(s, d)) return fail(QStringLiteral("bad real \"%1\"").arg(s.left(40)));
            out = d;
            return true;
        }
        if (name == u"date") {
            QString s;
            Date d;
            if (!text(s)) return false;
            if (!parseDate(s, d)) return fail(QStringLiteral("bad date \"%1\"").arg(s.left(40)));
            out = d;
            return true;
        }
        if (name == u"data") {
            QString s;
            if (!text(s)) return false;
            QByteArray b64;
            b64.reserve(s.size());
            for (QChar c : s)
                if (!c.isSpace()) b64.append(char(c.unicode() < 0x80 ? c.unicode() : '!'));
            auto decoded = QByteArray::fromBase64Encoding(b64, QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded) return fail(QStringLiteral("bad base64 data"));
            out = std::move(decoded.decoded);
            return true;
        }
        return fail(QStringLiteral("unknown element <%1>").arg(name.toString()));
    }

    bool readArray(int depth, Value& out) {
        ValueArray items;
        for (;;) {
            if (!nextElement()) return false;
            if (xml_.isEndElement()) break;
            items.emplace_back();
            if (!readValue(depth + 1, items.back())) return false;
        }
        out = Value(std::move(items));
        return true;
    }

    bool readDictionary(int depth, Value& out) {
        ValueDictionary dict;
        for (;;) {
            if (!nextElement()) return false;
            if (xml_.isEndElement()) break;
            if (xml_.name() != u"key") return fail(QStringLiteral("dictionary entry without <key>"));
            QString key;
            if (!text(key)) return false;
            if (!nextElement()) return false;
            if (!xml_.isStartElement()) return fail(QStringLiteral("key \"%1\" without a value").arg(key.left(40)));
            Value value;
            if (!readValue(depth + 1, value)) return false;
            dict.insert_or_assign(std::move(key), std::move(value));
        }
        // The platform's archiver writes UIDs as a one-entry CF$UID dictionary.
        if (dict.size() == 1) {
            const auto& [key, value] = *dict.begin();
            if (key == u"CF$UID" && value.type() == Value::Type::Integer && value.toInt64() >= 0) {
                out = Uid{quint64(value.toInt64())};
                return true;
            }
        }
        out = Value(std::move(dict));
        return true;
    }

    QXmlStreamReader xml_;
    QString error_;
};

}  // namespace

PlistResult PropertyList::readXML(const QByteArray& data) { return XmlReader(data).run(); }

QByteArray PropertyList::writeXML(const Value& value, QString* error) {
    if (error) error->clear();
    return XmlWriter().run(value, error);
}

}  // namespace ts
