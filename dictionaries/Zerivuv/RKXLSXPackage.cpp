#include "dictionaries/Zerivuv/RKXLSXPackage.h"

#include "app/logging/LGLog.h"
#include "dictionaries/Zerivuv/RKXLSXParser.h"

#include <zip.h>

namespace ts {

namespace {
zip_t* archiveOf(void* p) { return static_cast<zip_t*>(p); }
}  // namespace

XLSXPackage::~XLSXPackage() {
    if (archive_) zip_discard(archiveOf(archive_));
}

bool XLSXPackage::isSafeName(const QString& name) {
    if (name.isEmpty() || name.startsWith(QLatin1Char('/'))) return false;
    for (const QChar c : name)
        if (c == QLatin1Char('\\') || c.unicode() < 0x20 || c == QLatin1Char(':')) return false;
    const QStringList segments = name.split(QLatin1Char('/'));
    for (qsizetype i = 0; i < segments.size(); ++i) {
        const QString& s = segments[i];
        // A trailing empty segment is a folder entry; allowed but never read.
        if (s.isEmpty() && i + 1 == segments.size()) continue;
        if (s.isEmpty() || s == QLatin1String(".") || s == QLatin1String("..")) return false;
    }
    return true;
}

bool XLSXPackage::open(const QByteArray& bytes, QString* error) {
    bytes_ = bytes;
    zip_error_t zerr;
    zip_error_init(&zerr);
    zip_source_t* src = zip_source_buffer_create(bytes_.constData(), zip_uint64_t(bytes_.size()), 0, &zerr);
    if (!src) {
        *error = QString::fromUtf8(zip_error_strerror(&zerr));
        zip_error_fini(&zerr);
        return false;
    }
    zip_t* za = zip_open_from_source(src, ZIP_RDONLY | ZIP_CHECKCONS, &zerr);
    if (!za) {
        zip_source_free(src);
        *error = QString::fromUtf8(zip_error_strerror(&zerr));
        zip_error_fini(&zerr);
        return false;
    }
    zip_error_fini(&zerr);
    archive_ = za;
    const zip_int64_t count = zip_get_num_entries(za, 0);
    if (count < 0 || count > RKXLSXParser::kMaxEntries) {
        *error = QStringLiteral("the package holds %1 entries, more than %2")
                     .arg(count)
                     .arg(RKXLSXParser::kMaxEntries);
        return false;
    }
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(za, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (!raw) continue;
        const QString name = QString::fromUtf8(raw);
        if (!isSafeName(name)) {
            TSLogError("Skipping unsafe package entry name %@", name);
            continue;
        }
        if (name.endsWith(QLatin1Char('/')) || index_.contains(name)) continue;
        index_.insert(name, zip_uint64_t(i));
        names_.append(name);
    }
    return true;
}

std::optional<QByteArray> XLSXPackage::read(const QString& name) {
    const auto it = index_.constFind(name);
    if (it == index_.constEnd() || !archive_) return std::nullopt;
    zip_t* za = archiveOf(archive_);
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(za, *it, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || !(st.valid & ZIP_STAT_COMP_SIZE))
        return std::nullopt;
    const quint64 size = st.size;
    if (size > quint64(RKXLSXParser::kMaxEntryBytes) ||
        quint64(totalRead_) + size > quint64(totalLimit_ >= 0 ? totalLimit_ : RKXLSXParser::kMaxTotalBytes)) {
        TSLogError("Package entry %@ is too large (%lld bytes)", name, qint64(size));
        return std::nullopt;
    }
    if (size > quint64(RKXLSXParser::kRatioFloorBytes) &&
        (st.comp_size == 0 || size / st.comp_size > quint64(RKXLSXParser::kMaxCompressionRatio))) {
        TSLogError("Package entry %@ expands too far (%lld from %lld bytes)", name, qint64(size), qint64(st.comp_size));
        return std::nullopt;
    }
    zip_file_t* f = zip_fopen_index(za, *it, 0);
    if (!f) return std::nullopt;
    QByteArray out;
    out.resize(qsizetype(size));
    qint64 got = 0;
    bool ok = true;
    while (quint64(got) < size) {
        const zip_int64_t n = zip_fread(f, out.data() + got, zip_uint64_t(size - quint64(got)));
        if (n <= 0) {
            ok = false;
            break;
        }
        got += n;
    }
    if (ok && quint64(got) == size) {
        // The declared size is all we take: a stream longer than declared is damaged.
        char extra;
        if (zip_fread(f, &extra, 1) != 0) ok = false;
    } else {
        ok = false;
    }
    zip_fclose(f);
    if (!ok) {
        TSLogError("Package entry %@ could not be read", name);
        return std::nullopt;
    }
    totalRead_ += got;
    return out;
}

}  // namespace ts
