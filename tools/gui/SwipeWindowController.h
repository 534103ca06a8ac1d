#pragma once
// A window that turns a two-finger swipe into swipeLeft / swipeRight /
// swipeUp / swipeDown. Touchpads that report a swipe gesture (Qt's native
// or standard swipe gesture) are read directly; raw two-finger touches are
// summed from the start of the gesture to its end, as the trackpad reading
// this was made for. Subclasses override the four operations; here they do
// nothing.
#include <QMainWindow>
#include <QPointF>
#include <QHash>

#include <vector>

class SwipeWindowController : public QMainWindow {
    Q_OBJECT
public:
    enum class Swipe { None, Left, Right, Up, Down };

    explicit SwipeWindowController(QWidget* parent = nullptr);

    // The swipe that the touches' moves (normalised, 0..1 of the surface)
    // make: the x moves are summed when at least two touches moved, the same
    // for y; below 0.15 in all there is none. Natural scrolling turns the
    // vertical sense round. Ties go to the vertical swipe.
    static Swipe swipeForMoves(const std::vector<QPointF>& moves, bool naturalScrolling);
    // The user default "com.apple.swipescrolldirection".
    static bool naturalScrolling();

    virtual void swipeLeft() {}
    virtual void swipeRight() {}
    virtual void swipeUp() {}
    virtual void swipeDown() {}
    void performSwipe(Swipe swipe);

protected:
    bool event(QEvent* event) override;

private:
    // Touch identity -> normalised position when the gesture began; empty
    // between gestures.
    QHash<int, QPointF> twoFingerTouches_;
    bool tracking_ = false;
};
