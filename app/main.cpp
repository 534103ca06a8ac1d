#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>

#include <csignal>

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

void quitOnSignal(int) { QCoreApplication::quit(); }

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessarin"));
    QApplication::setOrganizationName(QStringLiteral("Tessarin"));
    QApplication::setQuitOnLastWindowClosed(true);

    QuitFilter filter;
    app.installEventFilter(&filter);
    std::signal(SIGINT, quitOnSignal);
    std::signal(SIGTERM, quitOnSignal);

    return app.exec();
}
