// Seeding the settings folder from the bundle's zip. The archive is data
// like any other file: its entry names, kinds, sizes and count are checked
// before anything is written, and nothing is written outside the folder.

#include "import/TSImportElement.h"

#include "app/logging/LGLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>
#include <zip.h>

namespace {

// A plain file name: no folder part, no parent or hidden name, no drive.
bool flatEntryName(const QString& name) {
    if (name.isEmpty() || name.size() > 255) return false;
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':')))
        return false;
    if (name.startsWith(QLatin1Char('.'))) return false;
    for (QChar c : name)
        if (c.unicode() < 0x20) return false;
    return true;
}

bool isSpecialEntry(zip_t* za, zip_uint64_t index) {
    zip_uint8_t opsys = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(za, index, 0, &opsys, &attributes) != 0) return false;
    if (opsys != ZIP_OPSYS_UNIX) return false;
    // Archivers that write no file type leave those bits zero: a plain file.
    const mode_t type = mode_t(attributes >> 16) & S_IFMT;
    return type != 0 && type != S_IFREG;
}

}  // namespace

int TSElementArray::seedFolderFromZip(const QString& zipPath, const QString& folder) {
    int error = 0;
    zip_t* za = zip_open(QFile::encodeName(zipPath).constData(), ZIP_RDONLY, &error);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        TSLogError("Error unzipping %@", QStringLiteral("%1: %2").arg(zipPath, QString::fromUtf8(zip_error_strerror(&ze))));
        zip_error_fini(&ze);
        return 0;
    }
    const zip_int64_t count = zip_get_num_entries(za, 0);
    if (count < 0 || count > kMaxSeedEntries) {
        TSLogError("Error unzipping %@", QStringLiteral("%1: %2 entries, at most %3 accepted")
                                             .arg(zipPath).arg(qint64(count)).arg(kMaxSeedEntries));
        zip_close(za);
        return 0;
    }
    const QDir target(folder);
    int written = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const zip_uint64_t index = zip_uint64_t(i);
        const char* raw = zip_get_name(za, index, ZIP_FL_ENC_GUESS);
        const QString name = raw ? QString::fromUtf8(raw) : QString();
        if (!flatEntryName(name) || isSpecialEntry(za, index)) {
            TSLogError("Error unzipping %@", QStringLiteral("%1: refused entry \"%2\" outside the folder").arg(zipPath, name));
            continue;
        }
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) ||
            st.size > zip_uint64_t(kMaxSeedEntrySize)) {
            TSLogError("Error unzipping %@", QStringLiteral("%1: entry \"%2\" is too large or unreadable").arg(zipPath, name));
            continue;
        }
        const QString path = target.filePath(name);
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) continue;
        zip_file_t* zf = zip_fopen_index(za, index, 0);
        if (!zf) {
            TSLogError("Error unzipping %@", QStringLiteral("%1: cannot read \"%2\"").arg(zipPath, name));
            continue;
        }
        // The declared size bounds what is read, whatever the data inflates to.
        QByteArray bytes;
        bytes.resize(qsizetype(st.size));
        zip_int64_t got = 0;
        while (got < zip_int64_t(st.size)) {
            const zip_int64_t n = zip_fread(zf, bytes.data() + got, st.size - zip_uint64_t(got));
            if (n <= 0) break;
            got += n;
        }
        char extra = 0;
        const bool longer = got == zip_int64_t(st.size) && zip_fread(zf, &extra, 1) > 0;
        zip_fclose(zf);
        if (got != zip_int64_t(st.size) || longer) {
            TSLogError("Error unzipping %@", QStringLiteral("%1: \"%2\" does not match its declared size").arg(zipPath, name));
            continue;
        }
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit()) {
            TSLogError("Error unzipping %@", QStringLiteral("%1: cannot write %2").arg(zipPath, path));
            continue;
        }
        ++written;
    }
    zip_close(za);
    return written;
}
