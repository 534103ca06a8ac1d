#pragma once
// The file work of installing an abbreviations database, apart from the
// window so that it runs on a worker thread: expanding a dropped zip,
// finding the spreadsheet, and installing by staging a complete copy beside
// the support folder and renaming it into place, so that the installed
// database stays whole until the new one is.
//
// Every operation answers success or a failure text for the user; nothing
// throws. Called on any thread, one install at a time.

#include <QString>

namespace ZerivuvInstaller {

struct Result {
    bool ok = false;
    QString folder;  // the answer's folder, when there is one
    QString error;   // the cause, for the user, when not ok
    QString scratch; // a scratch folder the caller removes when done
};

// Expands a zip archive into a fresh scratch folder (entry names checked and
// sizes bounded as for workbooks) and answers the folder that directly holds
// the first "cappelli.xlsx" found in it.
Result unzipFile(const QString& zipPath);
// The folder holding the first file named exactly "cappelli.xlsx" under root.
QString zerivuvDirectoryContainingSpreadsheet(const QString& root);
// Whether a folder holds a database anywhere below it: a folder "img_abbr"
// and a file "cappelli.xlsx".
bool isCappelliDirectory(const QString& folder);

// Installs into supportFolder either a folder's visible top-level items
// (sourceFolder set) or a spreadsheet and its picture folder. The copy is
// built in a staging folder beside supportFolder, checked to load, and only
// then renamed into place; on any failure the installed database is
// untouched and the staging folder removed.
Result install(const QString& supportFolder, const QString& sourceFolder, const QString& spreadsheet,
               const QString& imagesFolder);

// Copies a file or a whole folder to a destination that must not exist.
bool copyItem(const QString& source, const QString& destination, QString* error);

}  // namespace ZerivuvInstaller
