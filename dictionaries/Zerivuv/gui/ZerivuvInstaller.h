#pragma once
// The file work of installing an abbreviations database, apart from the
// window so that it runs on a worker thread: expanding a dropped zip,
// finding and checking the spreadsheet, and installing by staging a complete
// copy beside the support folder and renaming its items into place, so that
// the installed database stays whole until the new one is.
//
// Every operation answers success or a failure text for the user; nothing
// throws. Called on any thread, one install at a time.

#include <QString>

#include <functional>

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

// Whether a spreadsheet reads as an abbreviations table with entries; the
// error says what it lacks or why it cannot be read.
Result checkSpreadsheet(const QString& spreadsheet);

// Installs into supportFolder either a folder's visible top-level items
// (sourceFolder set) or a spreadsheet and its picture folder. The copy is
// built in a staging folder beside supportFolder and checked to be an
// abbreviations table; then each of its top-level items replaces the
// installed item of the same name, and items of other names in
// supportFolder are kept. On any failure the installed items are put back
// and the staging folder removed.
Result install(const QString& supportFolder, const QString& sourceFolder, const QString& spreadsheet,
               const QString& imagesFolder);
// Tests only: asked before each new item is moved into place; false makes
// that move fail.
void setMoveCheckForTesting(std::function<bool(const QString& item)> check);

// Copies a file or a whole folder to a destination that must not exist.
bool copyItem(const QString& source, const QString& destination, QString* error);

}  // namespace ZerivuvInstaller
