#pragma once
// The Lewis and Short source as one document.
//
// Perseus publishes the dictionary as one TEI file ("LewisShort.xml"); the
// project ships the per-letter edition instead ("uls-front.xml" with the
// header and one "uls-<letter>.xml" per letter, each compressed with xz).
// assembleLetterFiles puts the header and each letter's "div0" elements, in
// letter order, into one document of the single file's shape, so that one
// conversion reads either.
//
// Errors come back as a message naming the file; nothing here throws. xz
// files are read through the system's "xz" program (argument list, no
// shell, a timeout, output capped).

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace LewisShortSource {

// The bytes of a source file, decompressed when its name ends in ".xz";
// empty with *error set on failure.
QByteArray readSourceFile(const QString& path, QString* error);

// The letter files of a folder, "front" first, then by letter.
QStringList letterFiles(const QString& folder);

// One document from the per-letter edition in `folder`; empty with *error
// set when a file is missing, unreadable or not of the expected shape.
QByteArray assembleLetterFiles(const QString& folder, QString* error);

// Writes the bytes to the path atomically, creating its folder.
bool writeAtomically(const QString& path, const QByteArray& bytes, QString* error);

// The folder of the per-letter copy among the bundle's resources; empty
// when there is none.
QString bundledLetterFolder();

}  // namespace LewisShortSource
