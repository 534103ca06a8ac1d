#include "tools/gui/SwipeWindowController.h"

#include "platform/UserDefaults.h"

#include <QGestureEvent>
#include <QNativeGestureEvent>
#include <QSwipeGesture>
#include <QTouchEvent>

#include <cmath>

SwipeWindowController::SwipeWindowController(QWidget* parent) : QMainWindow(parent) {
    grabGesture(Qt::SwipeGesture);
}

SwipeWindowController::Swipe SwipeWindowController::swipeForMoves(const std::vector<QPointF>& moves, bool natural) {
    double sumX = 0, sumY = 0;
    if (moves.size() >= 2)
        for (const QPointF& m : moves) {
            sumX += m.x();
            sumY += m.y();
        }
    if (std::abs(sumX) + std::abs(sumY) < 0.15) return Swipe::None;
    if (natural) sumY = -sumY;
    if (std::abs(sumX) > std::abs(sumY)) return sumX < 0 ? Swipe::Left : Swipe::Right;
    return sumY < 0 ? Swipe::Down : Swipe::Up;
}

bool SwipeWindowController::naturalScrolling() {
    return ts::UserDefaults::standardUserDefaults()->boolForKey(QStringLiteral("com.apple.swipescrolldirection"));
}

void SwipeWindowController::performSwipe(Swipe swipe) {
    switch (swipe) {
    case Swipe::Left: swipeLeft(); break;
    case Swipe::Right: swipeRight(); break;
    case Swipe::Up: swipeUp(); break;
    case Swipe::Down: swipeDown(); break;
    case Swipe::None: break;
    }
}

namespace {

QPointF normalised(const QEventPoint& point, const QSizeF& size) {
    if (size.width() <= 0 || size.height() <= 0) return {};
    // Touchpads report positions on their own surface; a touch screen's come
    // in window coordinates. Either way the fraction of the extent is wanted,
    // with y growing upwards as the swipe sums expect.
    const QPointF p = point.position();
    return {p.x() / size.width(), 1.0 - p.y() / size.height()};
}

}  // namespace

bool SwipeWindowController::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd: {
        auto* touch = static_cast<QTouchEvent*>(event);
        const QSizeF extent = size();
        if (!tracking_ && touch->points().size() >= 2) {
            tracking_ = true;
            twoFingerTouches_.clear();
            for (const QEventPoint& p : touch->points()) twoFingerTouches_.insert(p.id(), normalised(p, extent));
        }
        if (tracking_ && (event->type() == QEvent::TouchEnd || touch->touchPointStates() & QEventPoint::Released)) {
            std::vector<QPointF> moves;
            for (const QEventPoint& p : touch->points()) {
                auto it = twoFingerTouches_.constFind(p.id());
                if (it != twoFingerTouches_.constEnd()) moves.push_back(normalised(p, extent) - *it);
            }
            tracking_ = false;
            twoFingerTouches_.clear();
            performSwipe(swipeForMoves(moves, naturalScrolling()));
        }
        event->accept();
        return true;
    }
    case QEvent::Gesture: {
        auto* gestures = static_cast<QGestureEvent*>(event);
        if (auto* swipe = static_cast<QSwipeGesture*>(gestures->gesture(Qt::SwipeGesture))) {
            if (swipe->state() == Qt::GestureFinished) {
                if (swipe->horizontalDirection() == QSwipeGesture::Left) swipeLeft();
                else if (swipe->horizontalDirection() == QSwipeGesture::Right) swipeRight();
                else if (swipe->verticalDirection() == QSwipeGesture::Up) swipeUp();
                else if (swipe->verticalDirection() == QSwipeGesture::Down) swipeDown();
            }
            gestures->accept(swipe);
            return true;
        }
        break;
    }
    case QEvent::NativeGesture: {
        auto* native = static_cast<QNativeGestureEvent*>(event);
        if (native->gestureType() == Qt::SwipeNativeGesture) {
            // The value is the swipe's angle in degrees: 0 right, 90 up.
            const double angle = native->value();
            const double rad = angle * M_PI / 180.0;
            performSwipe(swipeForMoves({QPointF(std::cos(rad) * 0.1, std::sin(rad) * 0.1),
                                        QPointF(std::cos(rad) * 0.1, std::sin(rad) * 0.1)},
                                       false));
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QMainWindow::event(event);
}
