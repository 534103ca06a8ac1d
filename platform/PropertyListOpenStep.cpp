// The old text ("OpenStep") property-list form, read only. Every scalar reads
// as a string (the form has no numbers); <hex> reads as data.

#include "PropertyList.h"

#include <QStringDecoder>

namespace ts {

namespace {

bool isUnquotedChar(char16_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '$' || c == '+' ||
           c == '/' || c == ':' || c == '.' || c == '-';
}

int hexValue(char16_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

class OpenStepReader {
public:
    explicit OpenStepReader(QString text) : text_(std::move(text)), p_(reinterpret_cast<const char16_t*>(text_.constData())), n_(text_.size()) {}

    PlistResult run() {
        PlistResult result;
        result.format = PlistFormat::OpenStep;
        Value value;
        if (readDocument(value)) result.value = std::move(value);
        else result.error = QStringLiteral("text property list: %1 (line %2)").arg(error_).arg(lineAt(pos_));
        return result;
    }

private:
    bool fail(const QString& message) {
        if (error_.isEmpty()) error_ = message;
        return false;
    }

    int lineAt(qsizetype pos) const {
        int line = 1;
        for (qsizetype i = 0; i < pos && i < n_; ++i)
            if (p_[i] == '\n') ++line;
        return line;
    }

    // Skips whitespace and comments; false on an unterminated comment.
    bool skip() {
        while (pos_ < n_) {
            const char16_t c = p_[pos_];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == 0xFEFF) {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < n_ && p_[pos_ + 1] == '/') {
                while (pos_ < n_ && p_[pos_] != '\n' && p_[pos_] != '\r') ++pos_;
            } else if (c == '/' && pos_ + 1 < n_ && p_[pos_ + 1] == '*') {
                const qsizetype start = pos_;
                pos_ += 2;
                while (pos_ + 1 < n_ && !(p_[pos_] == '*' && p_[pos_ + 1] == '/')) ++pos_;
                if (pos_ + 1 >= n_) {
                    pos_ = start;
                    return fail(QStringLiteral("unterminated comment"));
                }
                pos_ += 2;
            } else {
                break;
            }
        }
        return true;
    }

    bool readDocument(Value& out) {
        if (!skip()) return false;
        if (pos_ >= n_) return fail(QStringLiteral("empty"));
        // A file of bare `key = value;` pairs (a .strings table) is a dictionary.
        const qsizetype start = pos_;
        if (p_[pos_] == '"' || isUnquotedChar(p_[pos_])) {
            QString key;
            if (!readString(key) || !skip()) return false;
            if (pos_ < n_ && p_[pos_] == '=') {
                pos_ = start;
                ValueDictionary dict;
                if (!readEntries(0, dict, false)) return false;
                out = Value(std::move(dict));
                return true;
            }
            pos_ = start;
        }
        if (!readValue(0, out) || !skip()) return false;
        if (pos_ < n_) return fail(QStringLiteral("unexpected text after the root value"));
        return true;
    }

    bool readValue(int depth, Value& out) {
        if (!skip()) return false;
        if (pos_ >= n_) return fail(QStringLiteral("unexpected end"));
        const char16_t c = p_[pos_];
        if ((c == '{' || c == '(') && depth >= PropertyList::kMaxDepth)
            return fail(QStringLiteral("nesting deeper than %1").arg(PropertyList::kMaxDepth));
        if (c == '{') {
            ++pos_;
            ValueDictionary dict;
            if (!readEntries(depth, dict, true)) return false;
            out = Value(std::move(dict));
            return true;
        }
        if (c == '(') {
            ++pos_;
            return readArray(depth, out);
        }
        if (c == '<') {
            ++pos_;
            return readData(out);
        }
        QString s;
        if (!readString(s)) return false;
        out = std::move(s);
        return true;
    }

    // `k = v;` entries up to `}` (braced) or the end of the text.
    bool readEntries(int depth, ValueDictionary& dict, bool braced) {
        for (;;) {
            if (!skip()) return false;
            if (pos_ >= n_) {
                if (braced) return fail(QStringLiteral("unterminated dictionary"));
                return true;
            }
            if (braced && p_[pos_] == '}') {
                ++pos_;
                return true;
            }
            QString key;
            if (!readString(key) || !skip()) return false;
            if (pos_ >= n_ || p_[pos_] != '=') return fail(QStringLiteral("expected '=' after key \"%1\"").arg(key.left(40)));
            ++pos_;
            Value value;
            if (!readValue(depth + 1, value) || !skip()) return false;
            if (pos_ >= n_ || p_[pos_] != ';') return fail(QStringLiteral("expected ';' after the value of \"%1\"").arg(key.left(40)));
            ++pos_;
            dict.insert_or_assign(std::move(key), std::move(value));
        }
    }

    bool readArray(int depth, Value& out) {
        ValueArray items;
        for (;;) {
            if (!skip()) return false;
            if (pos_ >= n_) return fail(QStringLiteral("unterminated array"));
            if (p_[pos_] == ')') {
                ++pos_;
                break;
            }
            items.emplace_back();
            if (!readValue(depth + 1, items.back()) || !skip()) return false;
            if (pos_ >= n_) return fail(QStringLiteral("unterminated array"));
            if (p_[pos_] == ',') ++pos_;
            else if (p_[pos_] != ')') return fail(QStringLiteral("expected ',' or ')' in array"));
        }
        out = Value(std::move(items));
        return true;
    }

    bool readData(Value& out) {
        QByteArray bytes;
        int high = -1;
        for (;;) {
            if (!skip()) return false;
            if (pos_ >= n_) return fail(QStringLiteral("unterminated data"));
            const char16_t c = p_[pos_++];
            if (c == '>') break;
            const int v = hexValue(c);
            if (v < 0) return fail(QStringLiteral("bad character in data"));
            if (high < 0) {
                high = v;
            } else {
                bytes.append(char(high << 4 | v));
                high = -1;
            }
        }
        if (high >= 0) return fail(QStringLiteral("odd number of hex digits in data"));
        out = std::move(bytes);
        return true;
    }

    bool readString(QString& s) {
        if (pos_ >= n_) return fail(QStringLiteral("expected a string"));
        const char16_t q = p_[pos_];
        if (q == '"' || q == '\'') return readQuoted(s);
        const qsizetype start = pos_;
        while (pos_ < n_ && isUnquotedChar(p_[pos_])) ++pos_;
        if (pos_ == start) return fail(QStringLiteral("unexpected character '%1'").arg(QChar(q)));
        s = text_.mid(start, pos_ - start);
        return true;
    }

    bool readQuoted(QString& s) {
        const char16_t quote = p_[pos_++];
        // "" is an empty text, not a missing one.
        s = QStringLiteral("");
        qsizetype runStart = pos_;
        for (;;) {
            if (pos_ >= n_) return fail(QStringLiteral("unterminated quoted string"));
            const char16_t c = p_[pos_];
            if (c == quote) {
                s.append(QStringView(p_ + runStart, pos_ - runStart));
                ++pos_;
                return true;
            }
            if (c != '\\') {
                ++pos_;
                continue;
            }
            s.append(QStringView(p_ + runStart, pos_ - runStart));
            ++pos_;
            if (pos_ >= n_) return fail(QStringLiteral("unterminated quoted string"));
            const char16_t e = p_[pos_++];
            switch (e) {
            case 'n': s.append(u'\n'); break;
            case 't': s.append(u'\t'); break;
            case 'r': s.append(u'\r'); break;
            case 'a': s.append(u'\a'); break;
            case 'b': s.append(u'\b'); break;
            case 'f': s.append(u'\f'); break;
            case 'v': s.append(u'\v'); break;
            case 'U':
            case 'u': {
                char16_t code = 0;
                int digits = 0;
                while (digits < 4 && pos_ < n_ && hexValue(p_[pos_]) >= 0) {
                    code = char16_t(code << 4 | hexValue(p_[pos_++]));
                    ++digits;
                }
                if (digits == 0) return fail(QStringLiteral("\\U without hex digits"));
                s.append(QChar(code));
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    int code = e - '0';
                    for (int i = 0; i < 2 && pos_ < n_ && p_[pos_] >= '0' && p_[pos_] <= '7'; ++i) code = code * 8 + (p_[pos_++] - '0');
                    s.append(QChar(char16_t(code)));
                } else {
                    // \" \\ \' and any other character stand for themselves.
                    s.append(QChar(e));
                }
            }
            runStart = pos_;
        }
    }

    QString text_;
    const char16_t* p_;
    qsizetype n_;
    qsizetype pos_ = 0;
    QString error_;
};

}  // namespace

PlistResult PropertyList::readOpenStep(const QByteArray& data) {
    QString text;
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16);  // the BOM picks the byte order
        text = decoder(data);
    } else {
        text = QString::fromUtf8(data);
    }
    return OpenStepReader(std::move(text)).run();
}

}  // namespace ts
