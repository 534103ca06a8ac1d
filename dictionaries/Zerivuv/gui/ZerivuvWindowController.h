#pragma once
// The abbreviations window: browses and searches the installed abbreviations
// table and installs a new database from a zip archive, a folder or a
// "cappelli.xlsx" with its sibling "img_abbr" folder, dropped on the window
// or handed over by the application (importZerivuvFromURL).
//
// Loading, expanding and copying run on the global thread pool; their
// results come back to the main thread. Questions and reports go through
// the platform Prompter. A failed install leaves the installed database and
// the table in use untouched.

#include "dictionaries/Zerivuv/Zerivuv.h"
#include "platform/NotificationCenter.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>

class QDialog;
class QLabel;
class QLineEdit;
class QTableView;
class ZerivuvTableModel;

class ZerivuvWindowController : public QWidget {
    Q_OBJECT
public:
    // supportFolder answers the folder "Cappelli" (made when missing), or an
    // empty string when it cannot be made.
    explicit ZerivuvWindowController(std::function<QString()> supportFolder, QWidget* parent = nullptr);
    ~ZerivuvWindowController() override;

    ZerivuvPtr zerivuv() const;
    bool importing() const { return importing_; }
    ZerivuvTableModel* model() const { return model_; }
    QLineEdit* searchField() const { return searchField_; }
    QTableView* resultsTable() const { return resultsTable_; }
    QLabel* warningLabel() const { return warningLabel_; }

    void loadZerivuvInBackground();
    void applyLoadedZerivuv(ZerivuvPtr table);
    void reloadTable();
    // The acceptable items of a drop: folders holding a database and files
    // ending in .zip or .xlsx, in order.
    static QList<QUrl> draggedFiles(const QList<QUrl>& urls);
    // The notification a drop posts, with the acceptable URLs (as text, in
    // order) under the same key in its user info.
    static QString droppedNotificationName() { return QStringLiteral("ZerivuvDropped"); }
    void zerivuvDropped(const ts::Notification& notification);

public Q_SLOTS:
    void importZerivuvFromURL(const QUrl& url);
    void searchFieldTextChanged(const QString& text);

Q_SIGNALS:
    void tableApplied();
    // Every install that began ends with this, whether it worked or not.
    void importFinished(bool installed);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void installZerivuvFromSource(const QString& path, const QString& scratch);
    void confirmAndCopy(const QString& support, const QString& sourceFolder, const QString& spreadsheet,
                        const QString& images, const QString& scratch);
    void startCopy(const QString& support, const QString& sourceFolder, const QString& spreadsheet,
                   const QString& images, const QString& scratch);
    void finishImport(bool installed);
    QDialog* beginInterimDialog(const QString& message, const QString& informativeText);
    void endInterimDialog();
    void reportImportSuccess();
    void reportImportFailure(const QString& text);

    std::function<QString()> supportFolder_;
    QLabel* warningLabel_ = nullptr;
    QLineEdit* searchField_ = nullptr;
    QTableView* resultsTable_ = nullptr;
    ZerivuvTableModel* model_ = nullptr;
    QPointer<QDialog> progress_;
    bool importing_ = false;
    quint64 loadGeneration_ = 0;
    ts::ObserverToken dropObserver_;
};
