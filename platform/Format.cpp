#include "Format.h"

#include <QVarLengthArray>

#include <cstdio>
#include <cstring>

namespace ts {

namespace {

// The text an argument shows for "%@", "%s" and "%p".
QString argumentText(const FormatArg& a) {
    if (!a.text.isNull()) return a.text;
    switch (a.kind) {
    case FormatArg::Kind::Int: return QString::number(a.i);
    case FormatArg::Kind::UInt: return QString::number(a.u);
    case FormatArg::Kind::Real: return QString::number(a.d);
    case FormatArg::Kind::Ptr: return QString::asprintf("%p", a.ptr);
    case FormatArg::Kind::Text: break;
    }
    return a.text;
}

// Appends the value through the C library's printf, not Qt's: rounding and
// exponent forms then match what the same format strings produce elsewhere.
template <class T>
void appendCFormat(QString& out, const char* spec, T value) {
    char buf[128];
    const int n = std::snprintf(buf, sizeof buf, spec, value);
    if (n < 0) return;
    if (size_t(n) < sizeof buf) {
        out.append(QLatin1StringView(buf, n));
        return;
    }
    QByteArray big(n + 1, Qt::Uninitialized);
    std::snprintf(big.data(), size_t(big.size()), spec, value);
    out.append(QLatin1StringView(big.constData(), n));
}

// A plain "%d" or "%u": the digits, as printf writes them, without the
// cost of printf.
void appendDecimal(QString& out, quint64 magnitude, bool negative) {
    char digits[24];
    int at = sizeof digits;
    do {
        digits[--at] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude);
    if (negative) digits[--at] = '-';
    out.append(QLatin1StringView(digits + at, qsizetype(sizeof digits) - at));
}
void appendDecimal(QString& out, qint64 value) {
    appendDecimal(out, value < 0 ? 0 - quint64(value) : quint64(value), value < 0);
}

bool isFlag(QChar c) { return c == u'-' || c == u'+' || c == u' ' || c == u'#' || c == u'0' || c == u'\''; }
bool isLength(QChar c) {
    return c == u'h' || c == u'l' || c == u'q' || c == u'L' || c == u'z' || c == u'j' || c == u't';
}
bool isDigit(QChar c) { return c.isDigit(); }
// A directive's characters as the C library reads them (digits beyond
// Latin-1, which isDigit also accepts, become '?').
char latin1(QChar c) { return c.unicode() < 256 ? char(c.unicode()) : '?'; }

}  // namespace

QString formatWithArgs(const QString& fmt, const FormatArg* args, size_t count) {
    static const QString null = QStringLiteral("(null)");
    QString out;
    out.reserve(fmt.size() + 16 * int(count));
    size_t next = 0;
    const qsizetype n = fmt.size();
    const QChar* f = fmt.constData();
    qsizetype plainStart = 0;  // start of the text copied as it stands
    // The directive's flags, width and precision, then its conversion.
    QVarLengthArray<char, 32> spec;
    for (qsizetype i = 0; i < n; ++i) {
        if (f[i] != u'%') continue;
        out.append(QStringView(f + plainStart, i - plainStart));
        plainStart = i + 1;
        if (i + 1 >= n) { out.append(u'%'); break; }
        if (f[i + 1] == u'%') { out.append(u'%'); ++i; plainStart = i + 1; continue; }
        qsizetype j = i + 1;
        spec.clear();
        spec.append('%');
        while (j < n && isFlag(f[j])) spec.append(latin1(f[j++]));
        while (j < n && isDigit(f[j])) spec.append(latin1(f[j++]));
        if (j < n && f[j] == u'.') {
            spec.append(latin1(f[j++]));
            while (j < n && isDigit(f[j])) spec.append(latin1(f[j++]));
        }
        while (j < n && isLength(f[j])) ++j;  // lengths are implied by the argument
        if (j >= n) { out.append(QStringView(f + i, n - i)); plainStart = n; break; }
        const QChar conv = f[j];
        const FormatArg* a = next < count ? &args[next] : nullptr;
        ++next;
        auto finish = [&](const char* tail) {
            for (const char* t = tail; *t; ++t) spec.append(*t);
            spec.append('\0');
            return spec.constData();
        };
        switch (conv.unicode()) {
        case '@':
        case 's': case 'S':
            out.append(a ? argumentText(*a) : null);
            break;
        case 'd': case 'i':
            if (!a) out.append(null);
            else if (spec.size() == 1) appendDecimal(out, a->kind == FormatArg::Kind::Real ? qint64(a->d) : a->i);
            else appendCFormat(out, finish("lld"), static_cast<long long>(a->kind == FormatArg::Kind::Real ? qint64(a->d) : a->i));
            break;
        case 'u':
            if (!a) out.append(null);
            else if (spec.size() == 1) appendDecimal(out, a->kind == FormatArg::Kind::Real ? quint64(a->d) : a->u, false);
            else appendCFormat(out, finish("llu"), static_cast<unsigned long long>(a->kind == FormatArg::Kind::Real ? quint64(a->d) : a->u));
            break;
        case 'x': case 'X': case 'o': {
            const char tail[] = {'l', 'l', char(conv.unicode()), 0};
            if (a) appendCFormat(out, finish(tail), static_cast<unsigned long long>(a->kind == FormatArg::Kind::Real ? quint64(a->d) : a->u));
            else out.append(null);
            break;
        }
        case 'f': case 'F': case 'g': case 'G': case 'e': case 'E': {
            const char tail[] = {char(conv.unicode()), 0};
            if (a) appendCFormat(out, finish(tail), a->kind == FormatArg::Kind::Real ? a->d : a->kind == FormatArg::Kind::Int ? double(a->i) : double(a->u));
            else out.append(null);
            break;
        }
        case 'c': case 'C':
            if (a) {
                if (a->kind == FormatArg::Kind::Text) out.append(a->text.left(1));
                else out.append(QChar(char16_t(a->u)));
            }
            break;
        case 'p':
            out.append(a ? argumentText(*a) : QStringLiteral("0x0"));
            break;
        default:
            // Unknown directive: keep it as written, consume nothing.
            --next;
            out.append(QStringView(f + i, j - i + 1));
            break;
        }
        i = j;
        plainStart = j + 1;
    }
    if (plainStart < n) out.append(QStringView(f + plainStart, n - plainStart));
    return out;
}

}  // namespace ts
