#include "morphology/WordFormArchive.h"

#include <QFile>
#include <QSaveFile>

#ifdef TS_HAVE_LIBZIP
#include <zip.h>
#endif

namespace WordFormArchive {

QString extractEntry(const QString& archivePath, const QString& entryName, const QString& targetPath, qint64 maxSize) {
    if (entryName.isEmpty() || entryName.contains(u'/') || entryName.contains(u'\\') || entryName == QStringLiteral("..") ||
        entryName == QStringLiteral("."))
        return QStringLiteral("refused entry name \"%1\"").arg(entryName);
#ifdef TS_HAVE_LIBZIP
    int code = 0;
    zip_t* za = zip_open(QFile::encodeName(archivePath).constData(), ZIP_RDONLY, &code);
    if (!za) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, code);
        const QString message = QStringLiteral("%1: %2").arg(archivePath, QString::fromUtf8(zip_error_strerror(&ze)));
        zip_error_fini(&ze);
        return message;
    }
    // The exact name only: a look-up by name would also accept "dir/../name"
    // spellings under some flags, so compare the stored names ourselves.
    const QByteArray wanted = entryName.toUtf8();
    zip_int64_t index = -1;
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(za, zip_uint64_t(i), ZIP_FL_ENC_GUESS);
        if (name && wanted == name) {
            index = i;
            break;
        }
    }
    QString error;
    zip_stat_t st;
    zip_stat_init(&st);
    if (index < 0) {
        error = QStringLiteral("%1: no entry \"%2\"").arg(archivePath, entryName);
    } else if (zip_stat_index(za, zip_uint64_t(index), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE)) {
        error = QStringLiteral("%1: unreadable entry \"%2\"").arg(archivePath, entryName);
    } else if (st.size > quint64(maxSize)) {
        error = QStringLiteral("%1: entry \"%2\" declares %3 bytes, more than %4")
                    .arg(archivePath, entryName)
                    .arg(quint64(st.size))
                    .arg(maxSize);
    } else {
        zip_file_t* zf = zip_fopen_index(za, zip_uint64_t(index), 0);
        QSaveFile out(targetPath);
        if (!zf) {
            error = QStringLiteral("%1: cannot open entry \"%2\"").arg(archivePath, entryName);
        } else if (!out.open(QIODevice::WriteOnly)) {
            error = QStringLiteral("%1: %2").arg(targetPath, out.errorString());
        } else {
            char buffer[65536];
            quint64 total = 0;
            zip_int64_t n = 0;
            while (error.isEmpty() && (n = zip_fread(zf, buffer, sizeof buffer)) > 0) {
                total += quint64(n);
                if (total > st.size) error = QStringLiteral("%1: entry longer than declared").arg(archivePath);
                else if (out.write(buffer, n) != n) error = QStringLiteral("%1: %2").arg(targetPath, out.errorString());
            }
            if (error.isEmpty() && n < 0) error = QStringLiteral("%1: damaged entry \"%2\"").arg(archivePath, entryName);
            if (error.isEmpty() && total != st.size) error = QStringLiteral("%1: entry shorter than declared").arg(archivePath);
            if (error.isEmpty() && !out.commit()) error = QStringLiteral("%1: %2").arg(targetPath, out.errorString());
            if (!error.isEmpty()) out.cancelWriting();
        }
        if (zf) zip_fclose(zf);
    }
    zip_discard(za);
    return error;
#else
    return QStringLiteral("%1: this build cannot read zip archives").arg(archivePath);
#endif
}

}  // namespace WordFormArchive
