#include "platform/gui/WindowFrame.h"

#include "platform/UserDefaults.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace ts {

namespace {

// Stores the frame of the window it watches; lives as the window's child.
class FrameKeeper : public QObject {
public:
    FrameKeeper(QWidget* window, const QString& name) : QObject(window), window_(window), name_(name) {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && window_->isVisible() &&
            (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Hide ||
             event->type() == QEvent::Close))
            WindowFrame::storeFrame(name_, window_->geometry());
        return false;
    }

private:
    QWidget* window_;
    QString name_;
};

}  // namespace

bool WindowFrame::fitsAScreen(const QRect& frame) {
    // At least a title bar's worth of the window must be reachable.
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect common = screen->availableGeometry().intersected(frame);
        if (common.width() >= 50 && common.height() >= 30) return true;
    }
    return QGuiApplication::screens().isEmpty();
}

QString WindowFrame::defaultsKey(const QString& name) { return QStringLiteral("NSWindow Frame ") + name; }

QRect WindowFrame::storedFrame(const QString& name) {
    const QStringList parts =
        UserDefaults::standardUserDefaults()->stringForKey(defaultsKey(name)).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() < 4) return {};
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = parts[i].toInt(&ok);
        if (!ok) return {};
    }
    if (v[2] < 50 || v[3] < 50 || v[2] > 100000 || v[3] > 100000) return {};
    return QRect(v[0], v[1], v[2], v[3]);
}

void WindowFrame::storeFrame(const QString& name, const QRect& frame) {
    if (name.isEmpty() || !frame.isValid()) return;
    const QString text = QStringLiteral("%1 %2 %3 %4").arg(frame.x()).arg(frame.y()).arg(frame.width()).arg(frame.height());
    auto defaults = UserDefaults::standardUserDefaults();
    if (defaults->stringForKey(defaultsKey(name)) != text) defaults->setObject(Value(text), defaultsKey(name));
}

void WindowFrame::autosave(QWidget* window, const QString& name) {
    if (!window || name.isEmpty()) return;
    const QRect frame = storedFrame(name);
    if (frame.isValid() && fitsAScreen(frame)) window->setGeometry(frame);
    keep(window, name);
}

void WindowFrame::keep(QWidget* window, const QString& name) {
    if (window && !name.isEmpty()) new FrameKeeper(window, name);
}

void WindowFrame::cascade(QWidget* window) {
    if (!window) return;
    QRect frame = window->geometry();
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    for (int round = 0; round < 64; ++round) {
        bool taken = false;
        for (QWidget* other : QApplication::topLevelWidgets())
            if (other != window && other->isVisible() && other->metaObject() == window->metaObject() &&
                other->geometry().topLeft() == frame.topLeft())
                taken = true;
        if (!taken) break;
        frame.translate(kCascadeStep, kCascadeStep);
        if (area.isValid() && !area.contains(frame.bottomRight())) frame.moveTopLeft(area.topLeft());
    }
    window->setGeometry(frame);
}

}  // namespace ts
