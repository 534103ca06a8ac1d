#pragma once
// printf-style formatting with the object directive "%@", so that messages keep
// the exact format strings the application's texts are written in.
//
// Each directive consumes the next argument: "%@" takes anything describable
// (strings, numbers, Values, objects), the numeric directives (%d %i %u %ld
// %lu %lld %llu %zu %x %X %f %g %e with flags, width and precision) take
// numbers, "%s" takes a C string or QString, "%c" a character. Missing
// arguments format as "(null)"; surplus ones are ignored.

#include "Object.h"
#include "Value.h"

#include <QString>

#include <memory>
#include <type_traits>

namespace ts {

// One argument. A number or pointer keeps its text null until a directive
// asks for it as text: a numeric directive never needs it.
struct FormatArg {
    enum class Kind { Int, UInt, Real, Text, Ptr } kind = Kind::Text;
    qint64 i = 0;
    quint64 u = 0;
    double d = 0;
    QString text;
    const void* ptr = nullptr;
};

inline FormatArg formatArg(const QString& s) { FormatArg a; a.text = s.isNull() ? QStringLiteral("(null)") : s; return a; }
inline FormatArg formatArg(const char* s) { return formatArg(s ? QString::fromUtf8(s) : QString()); }
inline FormatArg formatArg(const Value& v) { return formatArg(v.isString() ? v.toString() : v.description()); }
inline FormatArg formatArg(const Object& o) { return formatArg(o.description()); }
template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T>>>
FormatArg formatArg(const std::shared_ptr<T>& o) { return o ? formatArg(*o) : formatArg(QString()); }
inline FormatArg formatArg(bool b) { FormatArg a; a.kind = FormatArg::Kind::Int; a.i = b; a.u = b; a.d = b; a.text = b ? "YES" : "NO"; return a; }
inline FormatArg formatArg(QChar c) { FormatArg a; a.kind = FormatArg::Kind::UInt; a.u = c.unicode(); a.i = c.unicode(); a.text = QString(c); return a; }
template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_signed_v<T> && !std::is_same_v<T, bool>, int> = 0>
FormatArg formatArg(T v) { FormatArg a; a.kind = FormatArg::Kind::Int; a.i = v; a.u = quint64(v); a.d = double(v); return a; }
template <class T, std::enable_if_t<std::is_integral_v<T> && std::is_unsigned_v<T> && !std::is_same_v<T, bool>, int> = 0>
FormatArg formatArg(T v) { FormatArg a; a.kind = FormatArg::Kind::UInt; a.u = v; a.i = qint64(v); a.d = double(v); return a; }
template <class T, std::enable_if_t<std::is_floating_point_v<T>, int> = 0>
FormatArg formatArg(T v) { FormatArg a; a.kind = FormatArg::Kind::Real; a.d = v; a.i = qint64(v); a.u = quint64(v); return a; }
template <class T, std::enable_if_t<std::is_enum_v<T>, int> = 0>
FormatArg formatArg(T v) { return formatArg(static_cast<std::underlying_type_t<T>>(v)); }
inline FormatArg formatArg(const void* p) { FormatArg a; a.kind = FormatArg::Kind::Ptr; a.ptr = p; return a; }

QString formatWithArgs(const QString& format, const FormatArg* args, size_t count);

template <class... Args>
QString format(const QString& fmt, const Args&... args) {
    const FormatArg list[] = {formatArg(args)..., FormatArg{}};
    return formatWithArgs(fmt, list, sizeof...(Args));
}

}  // namespace ts
