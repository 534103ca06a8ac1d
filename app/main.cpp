#include "app/core/DictionaryServicesSetup.h"
#include "dictionaries/TSDictionaries.h"

#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>

#include <QSocketNotifier>

#include <csignal>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// Ctrl+Q quits from whichever window has the focus, before any menu exists.
class QuitFilter : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Quit) ||
                (key->key() == Qt::Key_Q && key->modifiers() == Qt::ControlModifier)) {
                QCoreApplication::quit();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// A signal handler may only write to a descriptor; the event loop reads the
// other end and quits from there.
int signalPipe[2] = {-1, -1};

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

    QuitFilter filter;
    app.installEventFilter(&filter);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
        std::signal(SIGINT, quitOnSignal);
        std::signal(SIGTERM, quitOnSignal);
    }

    installDictionaryServices();
    // Edits not yet saved by their delayed save are written before the end.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { TSDictionaries::saveDictionaries(); });

    return app.exec();
}
