#pragma once
// Window frames kept between launches under an autosave name, as the user
// default "NSWindow Frame <name>" ("x y width height" in screen
// coordinates), and new document windows placed in a cascade.
//
// autosave() restores the stored frame, when there is one that still fits a
// screen, and from then on stores the frame whenever the window is moved,
// resized or hidden. Main thread only.

#include <QRect>
#include <QString>

class QWidget;

namespace ts {

class WindowFrame {
public:
    static QString defaultsKey(const QString& name);
    // The stored frame; empty when none is stored or it cannot be read.
    static QRect storedFrame(const QString& name);
    static void storeFrame(const QString& name, const QRect& frame);
    // Whether some of the frame lies on a screen (a frame stored on another
    // machine may not).
    static bool fitsAScreen(const QRect& frame);
    // Restores (when stored) and keeps the window's frame under the name.
    static void autosave(QWidget* window, const QString& name);
    // Only keeps it: stores the frame from now on.
    static void keep(QWidget* window, const QString& name);
    // Moves the window down and right from every other visible window of its
    // class that has the same top-left corner, so that windows opened one
    // after another do not hide each other; wraps to the screen's corner when
    // the window would leave the screen.
    static void cascade(QWidget* window);
    static constexpr int kCascadeStep = 28;
};

}  // namespace ts
