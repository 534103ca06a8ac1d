#include "app/gui/AppController.h"
#include "app/gui/MainWindow.h"
#include "app/gui/RegistryWiring.h"
#include "app/gui/TSDocumentController.h"
#include "app/gui/WidgetPrompter.h"
#include "documents/gui/MyDocumentWindow.h"
#include "documents/gui/TSDocumentWindow.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>

#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// A signal handler may only write to a descriptor; the event loop reads the
// other end and quits from there, through the delegate's quit sequence.
int signalPipe[2] = {-1, -1};
bool quitRequested = false;

void quitOnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(signalPipe[0], &byte, 1);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessarin"));
    QApplication::setOrganizationName(QStringLiteral("Tessarin"));
    QApplication::setQuitOnLastWindowClosed(true);

    // The first document controller made is the shared one.
    TSDocumentController documentController;
    TSDocumentWindow::install(documentController);
    MyDocumentWindow::install(documentController);
    ts::Prompter::setCurrent(std::make_shared<WidgetPrompter>());

    AppController delegate;
    TSDocumentController::setApplicationDelegate(&delegate);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, [&delegate] { delegate.applicationShouldTerminate(); });

    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
            // Unread bytes would wake the notifier again at once, for ever.
            char drained[64];
            while (::read(signalPipe[1], drained, sizeof drained) > 0) {
            }
            quitRequested = true;
            // A signal during launch finds an alert's own loop running, not the
            // main loop: closing the alert lets launch finish, and the main
            // loop then quits as soon as it starts.
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->done(QDialog::Rejected);
            QCoreApplication::quit();
        });
        std::signal(SIGINT, quitOnSignal);
        std::signal(SIGTERM, quitOnSignal);
    }

    installDictionaryRegistry();
    delegate.applicationWillFinishLaunching();

    const QStringList files = QCoreApplication::arguments().mid(1);
    for (const QString& file : files)
        documentController.openDocumentWithContentsOfURL(
            QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()), true,
            [](ts::DocumentPtr, bool, const ts::DocumentError* error) {
                if (error) ts::DocumentController::presentError(*error);
            });
    if (files.isEmpty() && documentController.hasDocumentType(QStringLiteral("MyDocument"))) delegate.newDocument();
    delegate.applicationDidFinishLaunching();

    // With no document showing, a main window with the menus keeps the
    // running program visible and its commands reachable.
    QTimer::singleShot(0, &delegate, [&delegate] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->isWindow() && !w->inherits("QMenu")) return;
        (new MainWindow(&delegate))->show();
    });

    if (quitRequested) QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return app.exec();
}
