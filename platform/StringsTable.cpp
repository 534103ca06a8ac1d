#include "platform/StringsTable.h"

#include <QFile>
#include <QStringDecoder>

namespace ts {

namespace {

bool isUnquotedChar(QChar c) {
    const char16_t u = c.unicode();
    if (u >= 0x80) return false;
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '$' ||
           u == '+' || u == '/' || u == ':' || u == '.' || u == '-';
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// A cursor over the text; the first error stops the parse.
class Parser {
public:
    explicit Parser(const QString& text) : s_(text) {}

    bool parse(std::vector<StringsTable::Entry>& out) {
        for (;;) {
            if (!skipBlanks()) return false;
            if (atEnd()) return true;
            QString key, value;
            if (!readString(key)) return false;
            if (!skipBlanks()) return false;
            if (peek() == QLatin1Char(';')) {
                ++pos_;
                out.emplace_back(key, key);
                continue;
            }
            if (peek() != QLatin1Char('=')) return fail(QStringLiteral("expected \"=\" or \";\" after a key"));
            ++pos_;
            if (!skipBlanks()) return false;
            if (!readString(value)) return false;
            if (!skipBlanks()) return false;
            if (peek() != QLatin1Char(';')) return fail(QStringLiteral("expected \";\" after a value"));
            ++pos_;
            out.emplace_back(key, value);
        }
    }

    QString error() const { return error_; }

private:
    bool atEnd() const { return pos_ >= s_.size(); }
    QChar peek(qsizetype ahead = 0) const { return pos_ + ahead < s_.size() ? s_[pos_ + ahead] : QChar(); }

    int line() const {
        int n = 1;
        for (qsizetype i = 0; i < pos_ && i < s_.size(); ++i)
            if (s_[i] == QLatin1Char('\n')) ++n;
        return n;
    }

    bool fail(const QString& what) {
        error_ = QStringLiteral("line %1: %2").arg(line()).arg(what);
        return false;
    }

    bool skipBlanks() {
        while (!atEnd()) {
            const QChar c = peek();
            if (c.isSpace() || c == QChar(0xFEFF)) {
                ++pos_;
            } else if (c == QLatin1Char('/') && peek(1) == QLatin1Char('/')) {
                while (!atEnd() && peek() != QLatin1Char('\n') && peek() != QLatin1Char('\r')) ++pos_;
            } else if (c == QLatin1Char('/') && peek(1) == QLatin1Char('*')) {
                const qsizetype end = s_.indexOf(QLatin1String("*/"), pos_ + 2);
                if (end < 0) return fail(QStringLiteral("unterminated comment"));
                pos_ = end + 2;
            } else {
                break;
            }
        }
        return true;
    }

    bool readString(QString& out) {
        if (atEnd()) return fail(QStringLiteral("unexpected end of the table"));
        if (peek() == QLatin1Char('"')) return readQuoted(out);
        const qsizetype start = pos_;
        while (!atEnd() && isUnquotedChar(peek())) {
            // A comment may follow an unquoted word without a blank.
            if (peek() == QLatin1Char('/') && (peek(1) == QLatin1Char('/') || peek(1) == QLatin1Char('*'))) break;
            ++pos_;
        }
        if (pos_ == start) return fail(QStringLiteral("unexpected character \"%1\"").arg(peek()));
        out = s_.mid(start, pos_ - start);
        return true;
    }

    bool readQuoted(QString& out) {
        const qsizetype openedAt = pos_;
        ++pos_;
        // "" is an empty value; a null one would mean "no entry".
        out = QStringLiteral("");
        while (!atEnd()) {
            const QChar c = s_[pos_++];
            if (c == QLatin1Char('"')) return true;
            if (c != QLatin1Char('\\')) {
                out += c;
                continue;
            }
            if (atEnd()) break;
            const QChar e = s_[pos_++];
            switch (e.unicode()) {
            case 'n': out += QLatin1Char('\n'); break;
            case 't': out += QLatin1Char('\t'); break;
            case 'r': out += QLatin1Char('\r'); break;
            case 'a': out += QChar(0x07); break;
            case 'b': out += QChar(0x08); break;
            case 'f': out += QChar(0x0C); break;
            case 'v': out += QChar(0x0B); break;
            case 'U':
            case 'u': {
                int value = 0, digits = 0;
                while (digits < 4 && !atEnd() && hexValue(peek()) >= 0) {
                    value = value * 16 + hexValue(peek());
                    ++pos_;
                    ++digits;
                }
                if (digits == 0) return fail(QStringLiteral("\\U without hex digits"));
                out += QChar(char16_t(value));
                break;
            }
            default:
                if (e >= QLatin1Char('0') && e <= QLatin1Char('7')) {
                    int value = e.unicode() - '0', digits = 1;
                    while (digits < 3 && !atEnd() && peek() >= QLatin1Char('0') && peek() <= QLatin1Char('7')) {
                        value = value * 8 + (peek().unicode() - '0');
                        ++pos_;
                        ++digits;
                    }
                    out += QChar(char16_t(value));
                } else {
                    // \" \' \\ and any other escaped character stand for themselves.
                    out += e;
                }
            }
        }
        pos_ = openedAt;
        return fail(QStringLiteral("unterminated quoted string"));
    }

    const QString& s_;
    qsizetype pos_ = 0;
    QString error_;
};

bool looksLikeUtf16WithoutMark(const QByteArray& data, bool& bigEndian) {
    // ASCII-heavy UTF-16 has a zero in every other byte; UTF-8 text has none.
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    qsizetype zeroEven = 0, zeroOdd = 0;
    const qsizetype n = std::min<qsizetype>(data.size(), 4096);
    for (qsizetype i = 0; i < n; ++i)
        if (data[i] == 0) (i % 2 == 0 ? zeroEven : zeroOdd)++;
    if (zeroEven == 0 && zeroOdd == 0) return false;
    bigEndian = zeroEven > zeroOdd;
    return true;
}

}  // namespace

QString StringsTable::decode(const QByteArray& data, QString* error) {
    QStringConverter::Encoding encoding = QStringConverter::Utf8;
    qsizetype skip = 0;
    bool bigEndian = false;
    if (data.startsWith("\xFF\xFE")) {
        encoding = QStringConverter::Utf16LE;
        skip = 2;
    } else if (data.startsWith("\xFE\xFF")) {
        encoding = QStringConverter::Utf16BE;
        skip = 2;
    } else if (data.startsWith("\xEF\xBB\xBF")) {
        skip = 3;
    } else if (looksLikeUtf16WithoutMark(data, bigEndian)) {
        encoding = bigEndian ? QStringConverter::Utf16BE : QStringConverter::Utf16LE;
    }
    if (encoding != QStringConverter::Utf8 && (data.size() - skip) % 2 != 0) {
        if (error) *error = QStringLiteral("UTF-16 text with an odd number of bytes");
        return QString();
    }
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(data).sliced(skip));
    if (decoder.hasError()) {
        if (error) *error = QStringLiteral("the text is not valid %1").arg(encoding == QStringConverter::Utf8 ? "UTF-8" : "UTF-16");
        return QString();
    }
    if (text.isNull()) text = QStringLiteral("");
    return text;
}

StringsTable StringsTable::fromText(const QString& text, QString* error) {
    StringsTable table;
    std::vector<Entry> entries;
    Parser parser(text);
    if (!parser.parse(entries)) {
        if (error) *error = parser.error();
        return table;
    }
    table.entries_ = std::move(entries);
    for (qsizetype i = 0; i < qsizetype(table.entries_.size()); ++i) table.index_.insert(table.entries_[i].first, i);
    if (error) error->clear();
    return table;
}

StringsTable StringsTable::fromData(const QByteArray& data, QString* error) {
    QString decodeError;
    const QString text = decode(data, &decodeError);
    if (text.isNull()) {
        if (error) *error = decodeError;
        return {};
    }
    return fromText(text, error);
}

StringsTable StringsTable::fromFile(const QString& path, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return {};
    }
    QString parseError;
    StringsTable table = fromData(file.readAll(), &parseError);
    if (error) *error = parseError.isEmpty() ? QString() : QStringLiteral("%1: %2").arg(path, parseError);
    return table;
}

QString StringsTable::value(const QString& key) const {
    const auto it = index_.constFind(key);
    return it == index_.constEnd() ? QString() : entries_[*it].second;
}

}  // namespace ts
