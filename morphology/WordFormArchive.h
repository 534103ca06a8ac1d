#pragma once
// Unpacks one named file from a zip archive, for the zipped form list that
// ships with the application.
//
// Only an entry whose name is exactly the one asked for is taken (no
// folders, nothing that could name a place outside the target); its declared
// size must be below the cap, and no more than the declared size is ever
// written. The file is written atomically. Any thread.

#include <QString>

namespace WordFormArchive {

// Default ceiling on the unpacked size: far above any real form list.
constexpr qint64 kMaxEntrySize = qint64(1) << 30;

// Writes the entry to targetPath. Answers an empty string on success,
// otherwise what went wrong.
QString extractEntry(const QString& archivePath, const QString& entryName, const QString& targetPath,
                     qint64 maxSize = kMaxEntrySize);

}  // namespace WordFormArchive
