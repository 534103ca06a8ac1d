#include "Format.h"

#include <cstdio>

namespace ts {

namespace {
// The C library's printf, not Qt's: rounding and exponent forms then match
// what the same format strings produce elsewhere.
template <class T>
QString cFormat(const QByteArray& spec, T value) {
    char buf[128];
    const int n = std::snprintf(buf, sizeof buf, spec.constData(), value);
    if (n < 0) return {};
    if (size_t(n) < sizeof buf) return QString::fromLatin1(buf, n);
    QByteArray big(n + 1, Qt::Uninitialized);
    std::snprintf(big.data(), size_t(big.size()), spec.constData(), value);
    return QString::fromLatin1(big.constData(), n);
}
}  // namespace

QString formatWithArgs(const QString& fmt, const FormatArg* args, size_t count) {
    QString out;
    out.reserve(fmt.size() + 16 * int(count));
    size_t next = 0;
    const qsizetype n = fmt.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = fmt[i];
        if (c != u'%') { out.append(c); continue; }
        if (i + 1 >= n) { out.append(c); break; }
        if (fmt[i + 1] == u'%') { out.append(u'%'); ++i; continue; }
        // Parse flags, width, precision, length modifiers, conversion.
        qsizetype j = i + 1;
        QString spec = QStringLiteral("%");
        while (j < n && QStringLiteral("-+ #0'").contains(fmt[j])) spec.append(fmt[j++]);
        while (j < n && fmt[j].isDigit()) spec.append(fmt[j++]);
        if (j < n && fmt[j] == u'.') { spec.append(fmt[j++]); while (j < n && fmt[j].isDigit()) spec.append(fmt[j++]); }
        while (j < n && QStringLiteral("hlqLzjt").contains(fmt[j])) ++j;  // lengths are implied by the argument
        if (j >= n) { out.append(fmt.mid(i)); break; }
        const QChar conv = fmt[j];
        const FormatArg* a = next < count ? &args[next] : nullptr;
        ++next;
        const QByteArray s = spec.toLatin1();
        switch (conv.unicode()) {
        case '@':
            out.append(a ? a->text : QStringLiteral("(null)"));
            break;
        case 'd': case 'i':
            out.append(a ? cFormat(s + "lld", static_cast<long long>(a->kind == FormatArg::Kind::Real ? qint64(a->d) : a->i)) : QStringLiteral("(null)"));
            break;
        case 'u': case 'x': case 'X': case 'o': {
            const char tail[] = {'l', 'l', char(conv.unicode()), 0};
            out.append(a ? cFormat(s + tail, static_cast<unsigned long long>(a->kind == FormatArg::Kind::Real ? quint64(a->d) : a->u)) : QStringLiteral("(null)"));
            break;
        }
        case 'f': case 'F': case 'g': case 'G': case 'e': case 'E': {
            const char tail[] = {char(conv.unicode()), 0};
            out.append(a ? cFormat(s + tail, a->kind == FormatArg::Kind::Real ? a->d : a->kind == FormatArg::Kind::Int ? double(a->i) : double(a->u)) : QStringLiteral("(null)"));
            break;
        }
        case 's': case 'S':
            out.append(a ? a->text : QStringLiteral("(null)"));
            break;
        case 'c': case 'C':
            if (a) out.append(a->kind == FormatArg::Kind::Text ? a->text.left(1) : QString(QChar(char16_t(a->u))));
            break;
        case 'p':
            out.append(a ? a->text : QStringLiteral("0x0"));
            break;
        default:
            // Unknown directive: keep it as written, consume nothing.
            --next;
            out.append(fmt.mid(i, j - i + 1));
            break;
        }
        i = j;
    }
    return out;
}

}  // namespace ts
