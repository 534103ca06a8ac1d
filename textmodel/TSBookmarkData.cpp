#include "TSBookmarkData.h"

#include "app/logging/LGLog.h"
#include "platform/PropertyList.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QtEndian>

#include <sys/stat.h>

#include <set>

namespace {

const QString kMarker = QStringLiteral("TSBookmark");
const QString kPath = QStringLiteral("path");
const QString kDevice = QStringLiteral("device");
const QString kInode = QStringLiteral("inode");

TSBookmarkData::ErrorPresenter& presenter() {
    static TSBookmarkData::ErrorPresenter p;
    return p;
}

struct FileId {
    quint64 device = 0;
    quint64 inode = 0;
};

bool fileId(const QString& path, FileId& id) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return false;
    id.device = quint64(st.st_dev);
    id.inode = quint64(st.st_ino);
    return true;
}

ts::UrlPtr fileUrl(const QString& path) { return ts::Url::make(QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)); }

QString localPath(const ts::UrlPtr& url) {
    if (!url) return {};
    const QString s = url->absoluteString();
    if (s.startsWith(QLatin1Char('/'))) return QDir::cleanPath(s);
    const QUrl u(s);
    if (!u.isLocalFile()) return {};
    return QDir::cleanPath(u.toLocalFile());
}

// A bounded little-endian reader over the original platform's bookmark data.
struct Cursor {
    const QByteArray& d;
    bool read32(qint64 at, quint32& out) const {
        if (at < 0 || at + 4 > d.size()) return false;
        out = qFromLittleEndian<quint32>(d.constData() + at);
        return true;
    }
};

}  // namespace

std::shared_ptr<ts::Uuid> TSBookmarkData::uuid() const {
    if (!uuid_) uuid_ = ts::Uuid::create();
    return uuid_;
}

void TSBookmarkData::setErrorPresenter(ErrorPresenter p) { presenter() = std::move(p); }

void TSBookmarkData::presentError(qint64 code, const QString& message) {
    if (presenter()) presenter()(code, message);
}

QByteArray TSBookmarkData::createBookmarkData(const ts::UrlPtr& url, QString* error, qint64* errorCode) {
    auto fail = [&](qint64 code, const QString& message) {
        if (error) *error = message;
        if (errorCode) *errorCode = code;
        return QByteArray();
    };
    const QString path = localPath(url);
    if (path.isEmpty())
        return fail(kFileReadUnsupportedSchemeError, QStringLiteral("“%1” is not a file URL").arg(url ? url->absoluteString() : QString()));
    const QString absolute = QFileInfo(path).absoluteFilePath();
    FileId id;
    if (!fileId(absolute, id)) return fail(kFileNoSuchFileError, QStringLiteral("The file “%1” couldn’t be found").arg(absolute));
    ts::ValueDictionary d;
    d[kMarker] = ts::Value(qint64(1));
    d[kPath] = absolute;
    d[kDevice] = ts::Value(id.device);
    d[kInode] = ts::Value(id.inode);
    QString writeError;
    QByteArray data = ts::PropertyList::writeBinary(ts::Value(std::move(d)), &writeError);
    if (data.isEmpty()) return fail(kFileReadCorruptFileError, writeError);
    return data;
}

QString TSBookmarkData::pathFromForeignBookmark(const QByteArray& data) {
    if (data.size() < 48 || !(data.startsWith("book") || data.startsWith("alis"))) return {};
    const Cursor c{data};
    quint32 dataStart = 0;
    // Alias files repeat the magic as "book\0\0\0\0mark\0\0\0\0"; in-memory
    // bookmark data has the length and version there instead.
    if (data.mid(8, 4) == "mark") {
        if (!c.read32(16, dataStart)) return {};
    } else if (!c.read32(12, dataStart)) {
        return {};
    }
    if (dataStart < 16 || qint64(dataStart) + 4 > data.size()) return {};
    quint32 tocOffset = 0;
    if (!c.read32(dataStart, tocOffset)) return {};

    std::set<quint32> visited;
    for (int tocs = 0; tocOffset != 0 && tocs < 64 && visited.insert(tocOffset).second; ++tocs) {
        const qint64 toc = qint64(dataStart) + tocOffset;
        quint32 magic = 0, next = 0, count = 0;
        if (!c.read32(toc + 4, magic) || magic != 0xfffffffeu) return {};
        if (!c.read32(toc + 12, next) || !c.read32(toc + 16, count)) return {};
        if (qint64(count) * 12 > data.size() - (toc + 20)) return {};
        for (quint32 i = 0; i < count; ++i) {
            quint32 key = 0, offset = 0;
            if (!c.read32(toc + 20 + qint64(i) * 12, key) || !c.read32(toc + 24 + qint64(i) * 12, offset)) return {};
            if (key != 0x1004) continue;
            // The path as an array of component strings.
            const qint64 item = qint64(dataStart) + offset;
            quint32 length = 0, type = 0;
            if (!c.read32(item, length) || !c.read32(item + 4, type)) return {};
            if (type != 0x0601 || qint64(length) > data.size() - (item + 8)) return {};
            QStringList components;
            for (quint32 k = 0; k + 4 <= length; k += 4) {
                quint32 partOffset = 0, partLength = 0, partType = 0;
                if (!c.read32(item + 8 + k, partOffset)) return {};
                const qint64 part = qint64(dataStart) + partOffset;
                if (!c.read32(part, partLength) || !c.read32(part + 4, partType)) return {};
                if (partType != 0x0101 || qint64(partLength) > data.size() - (part + 8)) return {};
                components << QString::fromUtf8(data.constData() + part + 8, qsizetype(partLength));
            }
            if (components.isEmpty()) return {};
            return QLatin1Char('/') + components.join(QLatin1Char('/'));
        }
        tocOffset = next;
    }
    return {};
}

TSBookmarkResolution TSBookmarkData::resolveBookmarkData(const QByteArray& data) {
    TSBookmarkResolution r;
    if (data.isNull()) return r;
    auto fail = [&](qint64 code, const QString& message) {
        r.url.reset();
        r.errorCode = code;
        r.error = message;
        return r;
    };

    const ts::PlistResult plist = data.startsWith("bplist") ? ts::PropertyList::readBinary(data) : ts::PlistResult{};
    if (plist.ok() && plist.value.isDictionary() && plist.value[kMarker].isInteger() && plist.value[kPath].isString()) {
        const QString path = plist.value[kPath].toString();
        const FileId expected{plist.value[kDevice].toUInt64(), plist.value[kInode].toUInt64()};
        FileId found;
        if (fileId(path, found)) {
            r.url = fileUrl(path);
            r.stale = found.device != expected.device || found.inode != expected.inode;
            return r;
        }
        // Renamed within its folder: the same file under another name.
        const QFileInfo info(path);
        const QDir folder = info.absoluteDir();
        if (folder.exists()) {
            const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
            for (const QString& entry : entries) {
                const QString candidate = folder.absoluteFilePath(entry);
                if (fileId(candidate, found) && found.device == expected.device && found.inode == expected.inode) {
                    r.url = fileUrl(candidate);
                    r.stale = true;
                    return r;
                }
            }
        }
        return fail(kFileNoSuchFileError, QStringLiteral("The file “%1” couldn’t be found").arg(info.fileName()));
    }

    const QString foreign = pathFromForeignBookmark(data);
    if (!foreign.isEmpty()) {
        if (QFileInfo::exists(foreign)) {
            r.url = fileUrl(foreign);
            // Made on another system: worth renewing.
            r.stale = true;
            return r;
        }
        return fail(kFileNoSuchFileError, QStringLiteral("The file “%1” couldn’t be found").arg(foreign));
    }
    return fail(kFileReadCorruptFileError, QStringLiteral("The bookmark data isn’t in a format this program can read"));
}

ts::UrlPtr TSBookmarkData::resolveBookmark(const QByteArray& data) {
    const TSBookmarkResolution r = resolveBookmarkData(data);
    if (r.errorCode != 0) {
        TSLogError("%@ Can't resolve bookmark %li %@", staticClassName(), r.errorCode, r.error);
        presentError(r.errorCode, r.error);
    }
    return r.url;
}

ts::UrlPtr TSBookmarkData::url() const { return resolveBookmark(bookmarkData_); }

void TSBookmarkData::setUrl(const ts::UrlPtr& url) {
    QString error;
    qint64 code = 0;
    const QByteArray data = createBookmarkData(url, &error, &code);
    if (data.isEmpty()) {
        TSLogError("Nil bookmark for URL %@\n%@", url ? url->absoluteString() : QString(), error);
        presentError(code, error);
        return;
    }
    bookmarkData_ = data;
}

ts::Value TSBookmarkData::serialize() const {
    ts::ValueDictionary d = baseDictionary();
    d[QStringLiteral("uuid")] = uuid()->UUIDString();
    if (!bookmarkData_.isNull()) d[QStringLiteral("bookmarkData")] = ts::Value(bookmarkData_);
    return d;
}

void TSBookmarkData::importFromDictionary(const ts::Value& dictionary) {
    VDData::importFromDictionary(dictionary);
    const ts::Value& u = dictionary[QStringLiteral("uuid")];
    uuid_ = u.isString() ? ts::Uuid::fromString(u.toString()) : nullptr;
    const ts::Value& b = dictionary[QStringLiteral("bookmarkData")];
    bookmarkData_ = b.isData() ? b.toData() : QByteArray();
}

TSBookmarkDataPtr TSBookmarkData::dataFromDictionary(const ts::Value& dictionary) {
    auto b = std::make_shared<TSBookmarkData>();
    b->importFromDictionary(dictionary);
    return b;
}
