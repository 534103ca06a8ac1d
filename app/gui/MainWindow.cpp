#include "app/gui/MainWindow.h"

#include "app/core/TSBundle.h"
#include "app/gui/AppController.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

MainWindow::MainWindow(AppController* controller, QWidget* central, QWidget* parent)
    : QMainWindow(parent), controller_(controller) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(TSBundle::localizedString(QStringLiteral("Tessarin")));
    if (!central) {
        auto* label = new QLabel(TSBundle::localizedString(QStringLiteral("Tessarin")));
        label->setAlignment(Qt::AlignCenter);
        QFont font = label->font();
        font.setPointSizeF(font.pointSizeF() * 2.5);
        label->setFont(font);
        central = label;
    }
    setCentralWidget(central);
    resize(720, 480);
    refreshMenuBar();
}

void MainWindow::refreshMenuBar() {
    if (controller_) controller_->buildMenus(menuBar(), this);
}

void MainWindow::setDocument(const ts::DocumentPtr& document) {
    document_ = document;
    synchronizeWindowTitleWithDocumentName();
}

void MainWindow::synchronizeWindowTitleWithDocumentName() {
    if (!document_) return;
    setWindowTitle(document_->displayName() + QStringLiteral("[*]"));
    setWindowModified(document_->isDocumentEdited());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (document_) {
        if (!document_->canClose()) {
            event->ignore();
            return;
        }
        document_->close();
        document_.reset();
    }
    QMainWindow::closeEvent(event);
}
