#include "dictionaries/Zerivuv/gui/ZerivuvWindowController.h"

#include "app/logging/LGLog.h"
#include "dictionaries/Zerivuv/gui/ZerivuvInstaller.h"
#include "dictionaries/Zerivuv/gui/ZerivuvTableModel.h"
#include "platform/Prompter.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QStyle>
#include <QTableView>
#include <QThreadPool>
#include <QVBoxLayout>

namespace {

QString tr_(const char* key) { return ts::Prompter::localized(QString::fromUtf8(key)); }

// Runs work on the global pool and hands its result to done on the main
// thread, unless the window went away first.
template <typename Work, typename Done>
void runInBackground(QObject* owner, Work work, Done done) {
    QPointer<QObject> guard(owner);
    QThreadPool::globalInstance()->start([guard, work = std::move(work), done = std::move(done)]() mutable {
        auto result = work();
        QMetaObject::invokeMethod(
            qApp, [guard, done = std::move(done), result = std::move(result)]() mutable {
                if (guard) done(std::move(result));
            },
            Qt::QueuedConnection);
    });
}

}  // namespace

ZerivuvWindowController::ZerivuvWindowController(std::function<QString()> supportFolder, QWidget* parent)
    : QWidget(parent, Qt::Window), supportFolder_(std::move(supportFolder)) {
    setWindowTitle(tr_("Abbreviations"));
    setAcceptDrops(true);
    resize(620, 520);

    warningLabel_ = new QLabel(
        tr_("No abbreviations database is installed. Drop the Cappelli zip archive, its unzipped folder, or "
            "cappelli.xlsx with its picture folder img_abbr beside it onto this window to install it."),
        this);
    warningLabel_->setWordWrap(true);
    warningLabel_->setAlignment(Qt::AlignCenter);

    searchField_ = new QLineEdit(this);
    searchField_->setPlaceholderText(tr_("Search transcriptions"));
    searchField_->setClearButtonEnabled(true);
    connect(searchField_, &QLineEdit::textChanged, this, &ZerivuvWindowController::searchFieldTextChanged);

    model_ = new ZerivuvTableModel(this);
    resultsTable_ = new QTableView(this);
    resultsTable_->setModel(model_);
    resultsTable_->setSortingEnabled(true);
    resultsTable_->sortByColumn(1, Qt::AscendingOrder);
    resultsTable_->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultsTable_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultsTable_->verticalHeader()->hide();
    resultsTable_->verticalHeader()->setDefaultSectionSize(ZerivuvTableModel::kImageHeight + 8);
    resultsTable_->horizontalHeader()->setStretchLastSection(true);
    resultsTable_->setColumnWidth(0, 120);
    resultsTable_->setColumnWidth(1, 200);
    resultsTable_->setColumnWidth(2, 110);
    connect(resultsTable_->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this] { reloadTable(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(warningLabel_);
    layout->addWidget(searchField_);
    layout->addWidget(resultsTable_, 1);
    searchField_->hide();
    resultsTable_->hide();

    dropObserver_ = ts::NotificationCenter::defaultCenter().addObserver(
        droppedNotificationName(), nullptr, [this](const ts::Notification& n) { zerivuvDropped(n); });
    if (!importing_) loadZerivuvInBackground();
}

ZerivuvWindowController::~ZerivuvWindowController() = default;

ZerivuvPtr ZerivuvWindowController::zerivuv() const { return model_->zerivuv(); }

void ZerivuvWindowController::loadZerivuvInBackground() {
    const quint64 generation = ++loadGeneration_;
    const QString folder = supportFolder_ ? supportFolder_() : QString();
    runInBackground(
        this, [folder] { return std::make_shared<Zerivuv>(folder); },
        [this, generation](ZerivuvPtr table) {
            // An install that finished meanwhile brought a newer table.
            if (generation == loadGeneration_) applyLoadedZerivuv(std::move(table));
        });
}

void ZerivuvWindowController::applyLoadedZerivuv(ZerivuvPtr table) {
    const bool loaded = table && table->databaseLoaded();
    model_->setZerivuv(std::move(table));
    if (loaded) {
        if (warningLabel_) {
            warningLabel_->hide();
            warningLabel_->deleteLater();
            warningLabel_ = nullptr;
        }
        searchField_->show();
        resultsTable_->show();
    } else {
        searchField_->hide();
        resultsTable_->hide();
    }
    reloadTable();
    Q_EMIT tableApplied();
}

void ZerivuvWindowController::reloadTable() {
    const QString text = searchField_->text();
    if (model_->searchText() != text) model_->setSearchText(text);
    if (text.isEmpty()) return;
    const int row = model_->firstIndexOfDisplay(text);
    if (row >= 0) resultsTable_->scrollTo(model_->index(row, 1), QAbstractItemView::PositionAtTop);
}

void ZerivuvWindowController::searchFieldTextChanged(const QString&) { reloadTable(); }

// ---- dropping ----

QList<QUrl> ZerivuvWindowController::draggedFiles(const QList<QUrl>& urls) {
    QList<QUrl> out;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        const QFileInfo info(url.toLocalFile());
        if (info.isDir()) {
            if (ZerivuvInstaller::isCappelliDirectory(info.filePath())) out << url;
        } else {
            const QString ext = info.suffix().toLower();
            if (ext == QLatin1String("zip") || ext == QLatin1String("xlsx")) out << url;
        }
    }
    return out;
}

void ZerivuvWindowController::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && (event->possibleActions() & Qt::CopyAction) &&
        !draggedFiles(event->mimeData()->urls()).isEmpty()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ZerivuvWindowController::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasUrls()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void ZerivuvWindowController::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = draggedFiles(event->mimeData()->urls());
    event->acceptProposedAction();
    if (urls.isEmpty()) return;
    ts::ValueArray list;
    for (const QUrl& url : urls) list.push_back(ts::Value(url.toString()));
    ts::NotificationCenter::defaultCenter().post(droppedNotificationName(), this,
                                                 {{droppedNotificationName(), ts::Value(std::move(list))}});
}

void ZerivuvWindowController::zerivuvDropped(const ts::Notification& notification) {
    QUrl first;
    const auto it = notification.userInfo.find(droppedNotificationName());
    if (it != notification.userInfo.end() && it->second.isArray() && !it->second.array().empty())
        first = QUrl(it->second.array().front().toString());
    if (first.isEmpty()) {
        reportImportFailure(tr_("No file was received from the drop."));
        return;
    }
    // The drop returns before the install asks anything.
    QMetaObject::invokeMethod(this, [this, first] { importZerivuvFromURL(first); }, Qt::QueuedConnection);
}

// ---- installing ----

void ZerivuvWindowController::importZerivuvFromURL(const QUrl& url) {
    if (url.isEmpty() || !url.isLocalFile()) {
        reportImportFailure(tr_("No file was received."));
        return;
    }
    if (importing_) {
        reportImportFailure(tr_("Another Cappelli database is being installed. Please wait until it is done."));
        return;
    }
    importing_ = true;
    show();
    raise();
    const QString path = url.toLocalFile();
    if (QFileInfo(path).suffix().toLower() == QLatin1String("zip")) {
        beginInterimDialog(tr_("Expanding Cappelli archive…"), tr_("Please wait while the archive is expanded."));
        runInBackground(
            this, [path] { return ZerivuvInstaller::unzipFile(path); },
            [this](ZerivuvInstaller::Result r) {
                endInterimDialog();
                if (!r.ok) {
                    if (!r.scratch.isEmpty()) QDir(r.scratch).removeRecursively();
                    reportImportFailure(tr_("The dropped zip archive could not be expanded, or it did not contain a "
                                            "cappelli.xlsx spreadsheet."));
                    finishImport(false);
                    return;
                }
                installZerivuvFromSource(r.folder, r.scratch);
            });
        return;
    }
    installZerivuvFromSource(path, QString());
}

void ZerivuvWindowController::installZerivuvFromSource(const QString& path, const QString& scratch) {
    auto fail = [&](const QString& text) {
        if (!scratch.isEmpty()) QDir(scratch).removeRecursively();
        reportImportFailure(text);
        finishImport(false);
    };
    const QFileInfo info(path);
    QString sourceFolder, spreadsheet, images;
    if (info.isDir()) {
        sourceFolder = info.absoluteFilePath();
        spreadsheet = QDir(sourceFolder).filePath(Zerivuv::spreadsheetName());
    } else if (info.suffix().toLower() == QLatin1String("xlsx")) {
        spreadsheet = info.absoluteFilePath();
        images = info.absoluteDir().filePath(Zerivuv::imagesFolderName());
        if (!QFileInfo(images).isDir())
            return fail(tr_("The spreadsheet has no picture folder img_abbr beside it. Please drop the Cappelli zip "
                            "archive or unzipped folder onto the window, or cappelli.xlsx together with its img_abbr "
                            "folder."));
    } else {
        return fail(tr_("The dropped item is not a Cappelli spreadsheet or folder."));
    }
    if (!QFileInfo(spreadsheet).isFile())
        return fail(tr_("The dropped item does not contain a cappelli.xlsx spreadsheet, so it cannot be installed."));
    const QString support = supportFolder_ ? supportFolder_() : QString();
    if (support.isEmpty())
        return fail(tr_("The Cappelli support folder could not be created. Check that there is free disk space and "
                        "that the folder is writable."));

    // A spreadsheet that is no abbreviations table is refused before anything
    // is asked or copied.
    beginInterimDialog(tr_("Checking Cappelli database…"), tr_("Please wait while the spreadsheet is read."));
    runInBackground(
        this, [spreadsheet] { return ZerivuvInstaller::checkSpreadsheet(spreadsheet); },
        [=, this](ZerivuvInstaller::Result checked) {
            endInterimDialog();
            if (!checked.ok) {
                if (!scratch.isEmpty()) QDir(scratch).removeRecursively();
                reportImportFailure(tr_("The dropped cappelli.xlsx is not a Cappelli abbreviations table, so it was "
                                        "not installed.\n\n%@")
                                        .replace(QLatin1String("%@"), checked.error));
                finishImport(false);
                return;
            }
            confirmAndCopy(support, sourceFolder, spreadsheet, images, scratch);
        });
}

void ZerivuvWindowController::confirmAndCopy(const QString& support, const QString& sourceFolder,
                                             const QString& spreadsheet, const QString& images,
                                             const QString& scratch) {
    const QString installed = QDir(support).filePath(Zerivuv::spreadsheetName());
    if (QFileInfo(installed).isFile()) {
        QFile a(installed), b(spreadsheet);
        const bool same = a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) && a.size() == b.size() &&
                          a.readAll() == b.readAll();
        ts::AlertRequest ask;
        ask.style = ts::AlertRequest::Style::Informational;
        ask.messageText = same ? tr_("This Cappelli database is already installed.")
                               : tr_("A Cappelli database is already installed.");
        ask.informativeText =
            same ? tr_("The file you dropped is identical to the one currently installed. Do you want to reinstall it "
                       "anyway?")
                 : tr_("Do you want to replace the currently installed Cappelli database with the one you dropped?");
        ask.buttons = {same ? tr_("Reinstall") : tr_("Replace"), tr_("Cancel")};
        ask.defaultButton = 1;  // an unattended answer keeps what is installed
        if (ts::Prompter::current()->alert(ask) != 0) {
            if (!scratch.isEmpty()) QDir(scratch).removeRecursively();
            finishImport(false);
            return;
        }
    }
    startCopy(support, sourceFolder, spreadsheet, images, scratch);
}

void ZerivuvWindowController::startCopy(const QString& support, const QString& sourceFolder,
                                        const QString& spreadsheet, const QString& images, const QString& scratch) {
    beginInterimDialog(tr_("Installing Cappelli database…"),
                       tr_("Please wait while the files are copied. This may take a few moments."));
    struct Outcome {
        ZerivuvInstaller::Result result;
        ZerivuvPtr table;
    };
    runInBackground(
        this,
        [=] {
            Outcome o;
            o.result = ZerivuvInstaller::install(support, sourceFolder, spreadsheet, images);
            if (o.result.ok) o.table = std::make_shared<Zerivuv>(support);
            if (!scratch.isEmpty()) QDir(scratch).removeRecursively();
            return o;
        },
        [this](Outcome o) {
            endInterimDialog();
            if (!o.result.ok) {
                const QString reason =
                    o.result.error.isEmpty() ? tr_("An unknown error occurred while copying the files.") : o.result.error;
                reportImportFailure(tr_("The Cappelli files could not be installed.\n\n%@").replace(QLatin1String("%@"), reason));
                finishImport(false);
                return;
            }
            ++loadGeneration_;
            applyLoadedZerivuv(o.table);
            const bool loaded = o.table && o.table->databaseLoaded();
            if (loaded) reportImportSuccess();
            else
                reportImportFailure(tr_("The files were copied, but the Cappelli database could not be loaded. The "
                                        "cappelli.xlsx spreadsheet may be damaged or in an unexpected format."));
            finishImport(loaded);
        });
}

void ZerivuvWindowController::finishImport(bool installed) {
    importing_ = false;
    if (!model_->zerivuv()) loadZerivuvInBackground();
    Q_EMIT importFinished(installed);
}

// ---- messages ----

QDialog* ZerivuvWindowController::beginInterimDialog(const QString& message, const QString& informativeText) {
    endInterimDialog();
    auto* sheet = new QDialog(this, Qt::Sheet | Qt::FramelessWindowHint);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setWindowModality(Qt::WindowModal);
    auto* layout = new QGridLayout(sheet);
    auto* icon = new QLabel(sheet);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(52, 52));
    auto* title = new QLabel(message, sheet);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* text = new QLabel(informativeText, sheet);
    text->setWordWrap(true);
    auto* bar = new QProgressBar(sheet);
    bar->setRange(0, 0);
    layout->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    layout->addWidget(title, 0, 1);
    layout->addWidget(text, 1, 1);
    layout->addWidget(bar, 2, 1);
    sheet->resize(440, 130);
    sheet->open();
    progress_ = sheet;
    return sheet;
}

void ZerivuvWindowController::endInterimDialog() {
    if (progress_) progress_->close();
    progress_ = nullptr;
}

void ZerivuvWindowController::reportImportSuccess() {
    ts::AlertRequest a;
    a.style = ts::AlertRequest::Style::Informational;
    a.messageText = tr_("Cappelli database installed.");
    a.informativeText = tr_("The Cappelli database was installed successfully.");
    a.buttons = {tr_("OK")};
    ts::Prompter::current()->alert(a);
}

void ZerivuvWindowController::reportImportFailure(const QString& text) {
    TSLogError("Cappelli import failed: %@", text);
    ts::AlertRequest a;
    a.style = ts::AlertRequest::Style::Warning;
    a.messageText = tr_("The Cappelli database could not be installed.");
    a.informativeText = text;
    a.buttons = {tr_("OK")};
    ts::Prompter::current()->alert(a);
}
