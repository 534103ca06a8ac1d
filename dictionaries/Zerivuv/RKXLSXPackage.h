#pragma once
// A zip package held in memory, read entry by entry with libzip under the
// caps of RKXLSXParser. Internal to the workbook reader.

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace ts {

class XLSXPackage {
public:
    XLSXPackage() = default;
    ~XLSXPackage();
    XLSXPackage(const XLSXPackage&) = delete;
    XLSXPackage& operator=(const XLSXPackage&) = delete;

    // False, with the cause in error, when the bytes are not a readable zip
    // or hold more entries than allowed.
    bool open(const QByteArray& bytes, QString* error);
    bool contains(const QString& name) const { return index_.contains(name); }
    // The entry's bytes; nothing when absent, over a cap or damaged.
    std::optional<QByteArray> read(const QString& name);
    // The most bytes all reads together may produce; the workbook bound
    // unless set (an archive of pictures may hold more).
    void setTotalLimit(qint64 bytes) { totalLimit_ = bytes; }
    // Safe entry names, in archive order.
    const QStringList& names() const { return names_; }

    // A name that stays inside the package: relative, '/'-separated, no
    // empty, "." or ".." segment, no backslash or control character.
    static bool isSafeName(const QString& name);

private:
    QByteArray bytes_;  // libzip reads from this buffer without copying
    void* archive_ = nullptr;
    QHash<QString, quint64> index_;
    QStringList names_;
    qint64 totalRead_ = 0;
    qint64 totalLimit_ = -1;
};

}  // namespace ts
