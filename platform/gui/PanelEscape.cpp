#include "platform/gui/PanelEscape.h"

#include <QEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace {

// Watches the window itself: a key press a child widget ignored is passed up
// to its parents, and so reaches the window's filters only when unused.
class EscapeFilter : public QObject {
public:
    EscapeFilter(QWidget* window, std::function<void()> cancel) : QObject(window), window_(window), cancel_(std::move(cancel)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_ || event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Escape || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
        if (cancel_) cancel_();
        else if (window_) window_->close();
        return true;
    }

private:
    QPointer<QWidget> window_;
    std::function<void()> cancel_;
};

}  // namespace

namespace ts {

void closeOnEscape(QWidget* window, std::function<void()> cancel) {
    if (!window) return;
    window->installEventFilter(new EscapeFilter(window, std::move(cancel)));
}

}  // namespace ts
